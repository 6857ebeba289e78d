#include <gtest/gtest.h>

#include <string>

#include "util/case_folding.h"
#include "util/my_w_string.h"

namespace {

std::u32string Folded(char32_t c)
{
    char32_t out[3];
    const int n = stv::FoldCharacter(c, out);
    return std::u32string(out, out + n);
}

TEST(CaseFolding, MaterialsMeetInEveryScript)
{
    struct Case { const wchar_t* a; const wchar_t* b; bool equal; };
    const Case cases[] = {
        {L"ȘTEJAR", L"ștejar", true},            // Romanian comma below
        {L"ŢEAVĂ ȚEAVĂ", L"ţeavă țeavă", true},   // cedilla and comma forms each with their own
        {L"ŞTEJAR", L"ștejar", false},           // cedilla is not comma below
        {L"ΈΛΑΤΟ", L"έλατο", true},              // accented Greek capitals
        {L"ΌΡΟΦΟΣ", L"όροφος", true},            // final sigma
        {L"\u0390", L"\u03B9\u0308\u0301", true},  // full folding spells out the accents
        {L"İNCE", L"ince", true},                // Turkish dotted capital
        {L"KIRMIZI", L"kırmızı", true},          // Turkish dotless small
        {L"ııı", L"III", true},
        {L"STRASSE", L"straße", true},           // sharp s folds to ss
        {L"ẞ", L"ss", true},
        {L"ДУБ", L"дуб", true},
        {L"ԱՐՔ", L"արք", true},                  // Armenian
        {L"ᏣᎳᎩ", L"ꮳꮃꭹ", true},                  // Cherokee folds to its capitals
        {L"\U00010400", L"\U00010428", true},    // outside the first plane
        {L"oak", L"oaks", false},
        {L"straß", L"strass", true},
        {L"straß", L"stras", false},
        {L"", L"", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(my_w_string(c.a).EqualsIgnoreCase(my_w_string(c.b)), c.equal) << "case " << c.b;
        EXPECT_EQ(my_w_string(c.b).EqualsIgnoreCase(my_w_string(c.a)), c.equal) << "case " << c.b;
    }
}

TEST(CaseFolding, TableIsOrderedAndFoldingIsStable)
{
    using namespace stv::case_folding_data;
    for (size_t i = 1; i < kRunCount; ++i) EXPECT_LT(kRuns[i - 1].last, kRuns[i].first) << "run " << i;
    for (size_t i = 1; i < kExpansionCount; ++i) EXPECT_LT(kExpansions[i - 1].code, kExpansions[i].code);
    // Folding a folded text changes nothing.
    for (char32_t c = 0; c < 0x20000; ++c) {
        const std::u32string once = Folded(c);
        std::u32string twice;
        for (char32_t f : once) twice += Folded(f);
        ASSERT_EQ(once, twice) << "U+" << std::hex << static_cast<uint32_t>(c);
    }
}

}  // namespace

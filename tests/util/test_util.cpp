#include <gtest/gtest.h>

#include "util/my_w_string.h"
#include "util/random.h"
#include "util/tlista.h"
#include "util/utf8.h"

TEST(Random, FollowsTheLinearCongruentialSequence)
{
    stv::RandomSeed(0);
    // state 1 after the discarded draw; next state 22695478 -> (22695478 >> 16) & 0x7FFF
    EXPECT_EQ(stv::RandomDraw(), static_cast<int>((22695478u >> 16) & 0x7FFFu));
    stv::RandomSeed(12345);
    const int a = stv::RandomDraw();
    stv::RandomSeed(12345);
    EXPECT_EQ(stv::RandomDraw(), a);
    for (int i = 0; i < 1000; ++i) {
        const int v = stv::RandomDraw();
        ASSERT_GE(v, 0);
        ASSERT_LE(v, 32767);
    }
}

TEST(TLista, GetAndDeleteOutOfRangeDoNothing)
{
    int a = 1, b = 2, c = 3;
    TLista<int> list;
    list.Add(&a);
    list.Add(&b);
    list.Add(&c);
    EXPECT_EQ(list.Get(1), &b);
    EXPECT_EQ(list.Get(3), nullptr);
    EXPECT_EQ(list.Get(-1), nullptr);
    list.Delete(3);
    EXPECT_EQ(list.Count(), 3);
    list.Delete(0);
    EXPECT_EQ(list.Get(0), &b);
    auto next = list.DeleteNode(list.begin());
    EXPECT_EQ(*next, &c);
    EXPECT_EQ(list.Count(), 1);
}

TEST(MyWString, ComparesIgnoringCaseAcrossScripts)
{
    struct Case { const wchar_t* a; const wchar_t* b; bool equal; };
    const Case cases[] = {
        {L"Oak", L"oak", true},          {L"VÍZSZINTES", L"vízszintes", true},
        {L"ГОРИЗОНТАЛЬНО", L"горизонтально", true}, {L"Łódź", L"ŁÓDŹ", true},
        {L"oak", L"oaks", false},        {L"", L"", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(my_w_string(c.a).EqualsIgnoreCase(my_w_string(c.b)), c.equal) << "case " << c.a;
    EXPECT_TRUE(my_w_string(static_cast<const wchar_t*>(nullptr)).empty());
    EXPECT_EQ(my_w_string("abc").str(), L"abc");
}

TEST(Utf8, RoundTripsAndReplacesInvalidBytes)
{
    const std::wstring text = L"Vízszintes Горизонтально €";
    EXPECT_EQ(Utf8ToWide(WideToUtf8(text)), text);
    EXPECT_EQ(Utf8ToWide("a\xff" "b"), L"a\xFFFD" L"b");
    EXPECT_EQ(Utf8ToWide("\xE2\x82"), L"\xFFFD\xFFFD");  // truncated sequence
    EXPECT_EQ(Utf8ToWide("\xC0\xAF"), L"\xFFFD\xFFFD");  // overlong form
}

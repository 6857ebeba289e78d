#include "i18n/language_loaders.h"
#include "i18n/ui_texts.h"
#include "i18n/window_texts.h"

#include <algorithm>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::wstring> Snapshot()
{
    std::vector<std::wstring> texts;
    for (int i = 0; i < kUiTextCount; ++i) texts.push_back(UiText(static_cast<ui_text>(i)));
    return texts;
}

std::string Narrow(std::wstring_view text)
{
    std::string out;
    for (wchar_t c : text) out += (c < 0x80) ? static_cast<char>(c) : '?';
    return out;
}

class PerLanguage : public ::testing::TestWithParam<int> {
protected:
    std::wstring_view Name() const { return LanguageNames()[GetParam()]; }
};

std::string LanguageParamName(const ::testing::TestParamInfo<int>& info)
{
    return Narrow(LanguageNames()[info.param]);
}

}  // namespace

// Must run before anything loads a language: ctest runs every test in its own process.
TEST(UiTextTable, EmptyBeforeTheFirstLoad)
{
    for (const std::wstring& text : Snapshot()) EXPECT_TRUE(text.empty());
}

TEST(UiTextTable, LanguageListInOrder)
{
    const auto& names = LanguageNames();
    EXPECT_EQ(names[0], L"Afrikaans");
    EXPECT_EQ(names[kEnglishLanguageIndex], L"English");
    EXPECT_EQ(names[19], L"Romana");
    EXPECT_EQ(names[20], L"Russian");
    EXPECT_EQ(names[25], L"Turkish");
    for (std::wstring_view name : names) EXPECT_NE(name, L"Ukrainian");
}

TEST(UiTextTable, EnglishTextsExact)
{
    LoadLanguage(L"English");
    const std::vector<std::pair<ui_text, std::wstring>> cases = {
        {ui_text::Width, L"Width"},
        {ui_text::Fiber, L"Fiber"},
        {ui_text::Parts, L"PARTS"},
        {ui_text::ClearParts, L"Clear"},
        {ui_text::ClearStock, L"Clear"},
        {ui_text::SaveResults, L"Save Results"},
        {ui_text::Stock, L"STOCK"},
        {ui_text::Sheet, L"Sheet"},
        {ui_text::CuttingThickness, L"Cutting thickness"},
        {ui_text::MinimalRuptureSize, L"Minimal rupture size"},
        {ui_text::RoundFractionsTo, L"The fractional values must be rounded to:"},
        {ui_text::CannotMix, L"You cannot mix fractional values with real values!"},
        {ui_text::NotAllOptimized,
         L"Not all pieces have been optimized. Possible causes: There are not enough pieces in the "
         L"stock; Piece are not utilized in optimization; Materials from Demand and Inventory are "
         L"not matched; Other parameters have been incorrectly set."},
        {ui_text::DeleteData, L"You want to delete the data?"},
        {ui_text::AreaOfUtilizedParts, L"Area of utilized parts"},
    };
    for (const auto& [entry, text] : cases)
        EXPECT_EQ(UiText(entry), text) << "entry " << static_cast<int>(entry);
}

TEST_P(PerLanguage, LoaderWritesEveryEntry)
{
    LoadLanguage(Name());
    for (int i = 0; i < kUiTextCount; ++i)
        EXPECT_FALSE(UiText(static_cast<ui_text>(i)).empty()) << "entry " << i;
}

// An entry a loader skipped would keep the previous language's caption, so the result would
// depend on what was loaded before. English shares no text with Russian or Turkish.
TEST_P(PerLanguage, ResultDoesNotDependOnThePreviousLanguage)
{
    const bool russian = Name() == L"Russian";
    LoadLanguage(L"English");
    LoadLanguage(Name());
    const std::vector<std::wstring> after_english = Snapshot();
    LoadLanguage(russian ? L"Turkish" : L"Russian");
    LoadLanguage(Name());
    EXPECT_EQ(Snapshot(), after_english);
}

TEST_P(PerLanguage, GrainCaptionsAreThatLanguagesGrainWords)
{
    LoadLanguage(Name());
    EXPECT_EQ(UiText(ui_text::Horizontal), GrainWord(GetParam(), 1));
    EXPECT_EQ(UiText(ui_text::Vertical), GrainWord(GetParam(), 2));
    EXPECT_EQ(GrainFromWord(UiText(ui_text::Horizontal)), 1);
    EXPECT_EQ(GrainFromWord(UiText(ui_text::Vertical)), 2);
}

INSTANTIATE_TEST_SUITE_P(AllLanguages, PerLanguage, ::testing::Range(0, kLanguageCount),
                         LanguageParamName);

TEST(LoadLanguage, EnglishFrenchEnglishRestoresEnglish)
{
    LoadLanguage(L"English");
    const std::vector<std::wstring> english = Snapshot();
    LoadLanguage(L"French");
    EXPECT_EQ(UiText(ui_text::Width), L"Largeur");
    EXPECT_EQ(UiText(ui_text::Vertical), L"Verticale");
    LoadLanguage(L"English");
    EXPECT_EQ(Snapshot(), english);
}

TEST(LoadLanguage, UnknownNamesChangeNothing)
{
    LoadLanguage(L"German");
    const std::vector<std::wstring> german = Snapshot();
    for (std::wstring_view name : {L"Ukrainian", L"english", L"ENGLISH", L" English", L"English ",
                                   L"Romanian", L"", L"Klingon"}) {
        LoadLanguage(name);
        EXPECT_EQ(Snapshot(), german) << Narrow(name);
    }
}

TEST(LoadLanguage, TabCaptionsFollowTheLanguage)
{
    LoadLanguage(L"English");
    EXPECT_EQ(SheetTabCaption(0), L"Sheet #1");
    LoadLanguage(L"German");
    EXPECT_EQ(SheetTabCaption(0), L"Platte #1");
    EXPECT_EQ(SheetTabCaption(2), L"Platte #3");
}

TEST(GrainWords, TableShape)
{
    for (int row = 0; row < kGrainWordRows; ++row) {
        EXPECT_TRUE(GrainWord(row, 0).empty());
        EXPECT_FALSE(GrainWord(row, 1).empty());
        EXPECT_FALSE(GrainWord(row, 2).empty());
    }
    EXPECT_EQ(GrainWord(11, 2), L"Függőleges");
    EXPECT_EQ(GrainWord(19, 1), L"Orizontala");
    EXPECT_EQ(GrainWord(26, 1), L"горизонтальний");
    EXPECT_TRUE(GrainWord(-1, 1).empty());
    EXPECT_TRUE(GrainWord(kGrainWordRows, 1).empty());
    EXPECT_TRUE(GrainWord(0, 3).empty());
    EXPECT_TRUE(GrainWord(0, -1).empty());
}

TEST(GrainWords, FromWord)
{
    const std::vector<std::pair<std::wstring, int>> cases = {
        {L"Horizontal", 1},
        {L"HORIZONTAL", 1},
        {L"  horizontal\t", 1},
        {L"Vízszintes", 1},
        {L"VÍZSZINTES", 1},
        {L"Горизонтально", 1},
        {L"ГОРИЗОНТАЛЬНО", 1},
        {L"Vertikal", 2},
        {L"FÜGGŐLEGES", 2},
        {L"вертикально", 2},
        {L"Yatay", 1},
        {L"dikey", 2},
        {L"H", 0},
        {L"", 0},
        {L"   ", 0},
        {L"Horizontal x", 0},
        {L"горизонтальний", 0},  // Ukrainian is not in the language list
        {L"вертикальний", 0},
    };
    for (const auto& [text, grain] : cases) EXPECT_EQ(GrainFromWord(text), grain) << Narrow(text);
}

TEST(GrainWords, EveryListedWordIsRecognised)
{
    for (int row = 0; row < kLanguageCount; ++row) {
        EXPECT_EQ(GrainFromWord(GrainWord(row, 1)), 1) << row;
        EXPECT_EQ(GrainFromWord(GrainWord(row, 2)), 2) << row;
    }
}

TEST(GrainWords, RetranslateCellAfterSwitchingToGerman)
{
    LoadLanguage(L"German");
    const std::vector<std::pair<std::wstring, std::wstring>> cases = {
        {L"Horizontal", UiText(ui_text::Horizontal)},
        {L" vodoravan ", UiText(ui_text::Horizontal)},
        {L"Вертикально", UiText(ui_text::Vertical)},
        {L"Pionowy", UiText(ui_text::Vertical)},
        {L"H", L"H"},
        {L"горизонтальний", L"горизонтальний"},
        {L"", L""},
    };
    for (const auto& [cell, expected] : cases)
        EXPECT_EQ(RetranslateGrainCell(cell), expected) << Narrow(cell);
}

TEST(FeatureTexts, FollowTheLoadedLanguageAndFallBackToEnglish)
{
    text_row row{};
    row[kEnglishLanguageIndex] = L"Report";
    row[10] = L"Bericht";  // German
    LoadLanguage(L"German");
    EXPECT_EQ(CurrentLanguageIndex(), 10);
    EXPECT_EQ(Translated(row), L"Bericht");
    LoadLanguage(L"French");
    EXPECT_EQ(Translated(row), L"Report");  // no French text: English
    LoadLanguage(L"Ukrainian");             // not in the list: the language stays
    EXPECT_EQ(CurrentLanguageIndex(), 9);
    LoadLanguage(L"English");
}

// Every window text has its own wording in every language, with the same placeholders as in English.
TEST(WindowTexts, EveryLanguageHasEveryTextWithItsPlaceholders)
{
    auto placeholders = [](std::wstring_view text) {
        std::wstring found;
        for (size_t i = 0; i + 1 < text.size(); ++i)
            if (text[i] == L'%' && text[i + 1] >= L'1' && text[i + 1] <= L'9') found += text[i + 1];
        std::sort(found.begin(), found.end());
        return found;
    };
    LoadLanguage(L"English");
    std::vector<std::wstring> english;
    for (int t = 0; t < static_cast<int>(window_text::Count_); ++t)
        english.emplace_back(WindowText(static_cast<window_text>(t)));
    for (int language = 0; language < kLanguageCount; ++language) {
        LoadLanguage(LanguageNames()[language]);
        for (int t = 0; t < static_cast<int>(window_text::Count_); ++t) {
            const std::wstring_view text = WindowText(static_cast<window_text>(t));
            EXPECT_FALSE(text.empty()) << Narrow(LanguageNames()[language]) << " text " << t;
            EXPECT_EQ(placeholders(text), placeholders(english[t])) << Narrow(LanguageNames()[language]) << " " << t;
        }
    }
    LoadLanguage(L"German");
    EXPECT_EQ(WindowText(window_text::Undo), L"Rückgängig");
}

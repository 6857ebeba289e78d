// The saw documents' texts: every language has each one, with the same numbers to fill in.
#include <gtest/gtest.h>

#include <string>

#include "i18n/report_texts.h"
#include "i18n/summary_texts.h"

TEST(ReportTexts, EveryLanguageHasEveryTextWithItsPlaceholders)
{
    for (int i = 0; i < static_cast<int>(report_text::Count_); ++i) {
        const text_row& row = ReportTextRow(static_cast<report_text>(i));
        const std::wstring english = row[kEnglishLanguageIndex];
        for (int language = 0; language < kLanguageCount; ++language) {
            ASSERT_NE(row[static_cast<size_t>(language)], nullptr) << i;
            const std::wstring text = row[static_cast<size_t>(language)];
            EXPECT_FALSE(text.empty()) << i << " " << language;
            for (const wchar_t* mark : {L"%1", L"%2", L"%3"})
                EXPECT_EQ(english.find(mark) == std::wstring::npos, text.find(mark) == std::wstring::npos)
                    << "text " << i << " language " << language;
        }
    }
    LoadLanguage(L"German");
    EXPECT_EQ(ReportText(report_text::CuttingSequence), L"Schnittfolge");
    LoadLanguage(L"English");
    EXPECT_EQ(ReportText(report_text::CuttingSequence), L"Cutting sequence");
}

TEST(SummaryTexts, EveryLanguageHasEveryText)
{
    for (int i = 0; i < static_cast<int>(summary_text::Count_); ++i) {
        const text_row& row = SummaryTextRow(static_cast<summary_text>(i));
        for (int language = 0; language < kLanguageCount; ++language) {
            ASSERT_NE(row[static_cast<size_t>(language)], nullptr) << i;
            EXPECT_NE(std::wstring(row[static_cast<size_t>(language)]), L"") << i << " " << language;
        }
    }
    LoadLanguage(L"German");
    EXPECT_EQ(SummaryText(summary_text::Summary), L"Übersicht");
    LoadLanguage(L"English");
    EXPECT_EQ(SummaryText(summary_text::Summary), L"Summary");
}

#include <gtest/gtest.h>

#include <string>

#include "i18n/list_file_texts.h"
#include "i18n/ui_texts.h"

namespace {

// Every language has its own text for the heading of the message (none falls back to English).
TEST(ListFileTexts, EveryLanguageHasItsOwnHeading)
{
    LoadLanguage(L"English");
    const std::wstring english(ListFileText(list_file_text::FileNotOpened));
    EXPECT_EQ(english, L"The file was not opened:");
    for (std::wstring_view name : LanguageNames()) {
        LoadLanguage(name);
        for (int t = 0; t < static_cast<int>(list_file_text::Count_); ++t)
            EXPECT_FALSE(ListFileText(static_cast<list_file_text>(t)).empty());
        if (name != L"English") {
            EXPECT_NE(ListFileText(list_file_text::FileNotOpened), english);
        }
    }
    LoadLanguage(L"German");
    EXPECT_EQ(ListFileText(list_file_text::Line), L"Zeile");
    LoadLanguage(L"English");
}

}  // namespace

#pragma once
// Texts of the results summary (the page before the sheets) in every listed language.
#include <string_view>

#include "i18n/ui_texts.h"

enum class summary_text : int {
    Summary,  // the tab and the page
    Row,
    Reason,
    Count_
};

// The text in the language loaded last.
std::wstring_view SummaryText(summary_text entry);
// All languages of one text.
const text_row& SummaryTextRow(summary_text entry);

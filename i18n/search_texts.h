#pragma once
// Texts of the search effort choice and of the sheet bound, in every language of the list.
#include <string_view>

#include "i18n/ui_texts.h"

enum class search_text : int {
    Effort,           // "Search effort"
    EffortQuick,      // "Quick"
    EffortNormal,     // "Normal"
    EffortThorough,   // "Thorough"
    Optimal,          // "optimal"
    CouldBeSaved,     // "at most %1 sheet(s) could be saved"
    Improving,        // "Improving: %1 sheet(s) saved"
    Count_
};

// The text in the loaded language; %1 stands for a number where the English text has it.
std::wstring_view SearchText(search_text entry);

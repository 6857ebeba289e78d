#pragma once
// Texts of the messages that say why a parts or stock list file was not opened.
#include <string_view>

enum class list_file_text : int {
    FileNotOpened,    // "The file was not opened:"
    Line,             // a line of a CSV file
    Row,              // a row of an XML list
    NotANumber,
    NotAWholeNumber,
    Missing,
    Count_
};

// The text in the loaded language.
std::wstring_view ListFileText(list_file_text text);

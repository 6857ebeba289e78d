#pragma once
// The window's entries to the number parser: typed grid text to a size and back.
#include <string>
#include <string_view>

#include "model/Ufractions_double.h"

// Trims blanks; an empty text gives 0; otherwise ParseWide with the decimal separator
// (its success flag is not looked at).
fractional_double grid_text_to_fraction(std::wstring_view text, wchar_t decimal_separator);
// Only the success flag of ParseWide on the trimmed text (an empty text is valid).
bool grid_text_is_number(std::wstring_view text, wchar_t decimal_separator);
// Blanks (spaces, tabs, line ends and other control characters) trimmed at both ends.
std::wstring TrimBlanks(std::wstring_view text);

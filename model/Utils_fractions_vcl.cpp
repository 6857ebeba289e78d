#include "model/Utils_fractions_vcl.h"

namespace {
// Spaces and control characters, as the grids' trimming has always treated them.
bool IsBlank(wchar_t c) { return static_cast<uint32_t>(c) <= 0x20; }
}  // namespace

std::wstring TrimBlanks(std::wstring_view text)
{
    size_t first = 0;
    size_t last = text.size();
    while (first < last && IsBlank(text[first])) ++first;
    while (last > first && IsBlank(text[last - 1])) --last;
    return std::wstring(text.substr(first, last - first));
}

fractional_double grid_text_to_fraction(std::wstring_view text, wchar_t decimal_separator)
{
    fractional_double number;
    const std::wstring trimmed = TrimBlanks(text);
    if (!trimmed.empty()) (void)number.ParseWide(trimmed, decimal_separator);
    return number;
}

bool grid_text_is_number(std::wstring_view text, wchar_t decimal_separator)
{
    const std::wstring trimmed = TrimBlanks(text);
    if (trimmed.empty()) return true;
    fractional_double number;
    return number.ParseWide(trimmed, decimal_separator);
}

#pragma once
// Conversion between wide text and UTF-8 (invalid input is replaced, never trusted).
#include <string>
#include <string_view>

std::string WideToUtf8(std::wstring_view text);
// Invalid sequences become U+FFFD.
std::wstring Utf8ToWide(std::string_view text);
// Text file bytes as UTF-8: UTF-16 with a byte order mark (either order) is converted, the
// mark dropped; anything else is returned as it is.
std::string Utf16FileToUtf8(std::string_view bytes);

#pragma once
// Locale-independent number readers and writers shared by the fraction parsers and the list files.
#include <cstdint>
#include <string>
#include <string_view>

namespace stv::text {

// The C locale's white space: space, tab, line feed, vertical tab, form feed, carriage return.
bool IsSpace(char32_t c);

// strtod-like: skips leading white space, accepts an optional sign, reads the longest decimal
// number. On success `pos` moves past the number; otherwise (nothing readable, out of range,
// infinity, NaN) `pos` is unchanged and false is returned.
bool ReadDouble(std::string_view s, size_t& pos, double& out);
// strtoll-like with the same conventions; fails on values outside the 64-bit range.
bool ReadInt64(std::string_view s, size_t& pos, int64_t& out);
// As ReadInt64 for the signed 32-bit range.
bool ReadInt32(std::string_view s, size_t& pos, int32_t& out);

// atoi-like: the leading integer of the text, 0 when there is none; saturates at the 32-bit limits.
int32_t LeadingInt(std::string_view s);
// True when the text, blanks around it aside, is one 32-bit integer.
bool IsInteger(std::string_view s);
// atof-like: the leading decimal number of the text, 0 when there is none.
double LeadingDouble(std::string_view s);

// Wide text as 8-bit text for the readers: ASCII characters kept, anything else one
// placeholder byte that is neither a digit nor white space (positions stay aligned).
std::string NarrowForNumbers(std::wstring_view s);

// printf "%lf" (six decimals, full stop), independent of the process locale.
std::string FormatFixed6(double x);
// The shortest fixed-notation text that reads back as x exactly.
std::string FormatShortestFixed(double x);
// printf "%.<precision>g" with a full stop.
std::string FormatGeneral(double x, int precision);

// The CSV reader's decoding: true and the decoded text when `bytes` is well-formed UTF-8 (no overlongs, no surrogates).
bool DecodeUtf8(std::string_view bytes, std::wstring& out);
// Each byte one character (ISO 8859-1).
std::wstring DecodeLatin1(std::string_view bytes);

}  // namespace stv::text

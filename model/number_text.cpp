#include "model/number_text.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace stv::text {

bool IsSpace(char32_t c)
{
    return c == U' ' || c == U'\t' || c == U'\n' || c == U'\v' || c == U'\f' || c == U'\r';
}

namespace {

// Position of the first character after white space and an optional '+' (from_chars takes
// only '-'); npos when a '+' is followed by another sign.
size_t NumberStart(std::string_view s, size_t pos)
{
    while (pos < s.size() && IsSpace(static_cast<unsigned char>(s[pos]))) ++pos;
    if (pos < s.size() && s[pos] == '+') {
        ++pos;
        if (pos < s.size() && (s[pos] == '+' || s[pos] == '-')) return std::string_view::npos;
    }
    return pos;
}

template <class Int>
bool ReadInteger(std::string_view s, size_t& pos, Int& out)
{
    const size_t start = NumberStart(s, pos);
    if (start == std::string_view::npos || start >= s.size()) return false;
    Int value{};
    const char* first = s.data() + start;
    const auto [end, ec] = std::from_chars(first, s.data() + s.size(), value);
    if (ec != std::errc{}) return false;
    out = value;
    pos = static_cast<size_t>(end - s.data());
    return true;
}

}  // namespace

bool ReadDouble(std::string_view s, size_t& pos, double& out)
{
    const size_t start = NumberStart(s, pos);
    if (start == std::string_view::npos || start >= s.size()) return false;
    double value = 0.0;
    const char* first = s.data() + start;
    const auto [end, ec] = std::from_chars(first, s.data() + s.size(), value, std::chars_format::general);
    if (ec != std::errc{} || !std::isfinite(value)) return false;
    out = value;
    pos = static_cast<size_t>(end - s.data());
    return true;
}

bool ReadInt64(std::string_view s, size_t& pos, int64_t& out) { return ReadInteger(s, pos, out); }
bool ReadInt32(std::string_view s, size_t& pos, int32_t& out) { return ReadInteger(s, pos, out); }

int32_t LeadingInt(std::string_view s)
{
    size_t pos = NumberStart(s, 0);
    if (pos == std::string_view::npos) return 0;
    bool negative = false;
    if (pos < s.size() && s[pos] == '-') {
        negative = true;
        ++pos;
    }
    int64_t value = 0;
    constexpr int64_t kLimit = static_cast<int64_t>(std::numeric_limits<int32_t>::max()) + 1;
    for (; pos < s.size() && s[pos] >= '0' && s[pos] <= '9'; ++pos) {
        value = value * 10 + (s[pos] - '0');
        if (value > kLimit) value = kLimit;  // saturate, keep reading the digits
    }
    if (negative) return static_cast<int32_t>(-value);
    return value >= kLimit ? std::numeric_limits<int32_t>::max() : static_cast<int32_t>(value);
}

bool IsInteger(std::string_view s)
{
    size_t pos = 0;
    int32_t value = 0;
    if (!ReadInt32(s, pos, value)) return false;
    while (pos < s.size() && IsSpace(static_cast<unsigned char>(s[pos]))) ++pos;
    return pos == s.size();
}

double LeadingDouble(std::string_view s)
{
    size_t pos = 0;
    double value = 0.0;
    return ReadDouble(s, pos, value) ? value : 0.0;
}

std::string NarrowForNumbers(std::wstring_view s)
{
    std::string out(s.size(), '\x7f');
    for (size_t i = 0; i < s.size(); ++i) {
        const auto u = static_cast<uint32_t>(s[i]);
        if (u < 0x80) out[i] = static_cast<char>(u);
    }
    return out;
}

std::string FormatFixed6(double x)
{
    char buffer[400];  // the longest double in fixed notation has 309 integer digits
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::fixed, 6);
    if (ec != std::errc{}) return "0.000000";
    return std::string(buffer, end);
}

std::string FormatShortestFixed(double x)
{
    char buffer[400];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::fixed);
    if (ec != std::errc{}) return FormatFixed6(x);
    return std::string(buffer, end);
}

std::string FormatGeneral(double x, int precision)
{
    char buffer[64];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::general, precision);
    if (ec != std::errc{}) return "0";
    return std::string(buffer, end);
}

bool DecodeUtf8(std::string_view bytes, std::wstring& out)
{
    std::wstring decoded;
    decoded.reserve(bytes.size());
    size_t i = 0;
    while (i < bytes.size()) {
        const auto b0 = static_cast<unsigned char>(bytes[i]);
        if (b0 < 0x80) {
            decoded.push_back(static_cast<wchar_t>(b0));
            ++i;
            continue;
        }
        size_t length = 0;
        uint32_t c = 0;
        uint32_t minimum = 0;
        if (b0 >= 0xC2 && b0 <= 0xDF) { length = 2; c = b0 & 0x1Fu; minimum = 0x80; }
        else if (b0 >= 0xE0 && b0 <= 0xEF) { length = 3; c = b0 & 0x0Fu; minimum = 0x800; }
        else if (b0 >= 0xF0 && b0 <= 0xF4) { length = 4; c = b0 & 0x07u; minimum = 0x10000; }
        else return false;
        if (i + length > bytes.size()) return false;
        for (size_t k = 1; k < length; ++k) {
            const auto b = static_cast<unsigned char>(bytes[i + k]);
            if ((b & 0xC0) != 0x80) return false;
            c = (c << 6) | (b & 0x3Fu);
        }
        if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
        decoded.push_back(static_cast<wchar_t>(c));
        i += length;
    }
    out = std::move(decoded);
    return true;
}

std::wstring DecodeLatin1(std::string_view bytes)
{
    std::wstring out(bytes.size(), L'\0');
    for (size_t i = 0; i < bytes.size(); ++i) out[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]));
    return out;
}

}  // namespace stv::text

#pragma once
// fractional_long: integer-based fraction used only to test whether a text has the form "whole n/d".
#include <cstdint>
#include <string_view>

class fractional_long {
public:
    int64_t numerator = 0;
    int64_t denominator = 1;
    int32_t whole = 0;

    // Whole part and denominator read as 32-bit integers; a zero denominator is accepted.
    bool Parse(std::wstring_view text);
};

#pragma once
// fractional_double: every size in the system, a decimal whole part plus an exact fraction.
#include <cstdint>
#include <string>
#include <string_view>

class fractional_double {
public:
    // Sizes compare equal within this absolute tolerance.
    static constexpr double kTolerance = 0.000001;

    int64_t numerator = 0;
    int64_t denominator = 1;
    double whole = 0.0;  // may itself carry decimals; a typed decimal is held entirely here

    fractional_double() = default;
    fractional_double(double x) : whole(x) {}  // NOLINT: a plain decimal converts implicitly
    fractional_double(double w, int64_t num, int64_t den) : numerator(num), denominator(den), whole(w) {}

    // whole + s * numerator / denominator, s the sign of whole; extended precision.
    long double Value() const;
    double AsDouble() const { return static_cast<double>(Value()); }

    // Brings the fraction to lowest terms with 0 <= numerator < denominator; a whole part that
    // comes out of the fraction goes away from zero with the whole's sign. Nothing when
    // denominator <= 0.
    void Normalize();

    // Arithmetic between numbers is exact while the fraction fits 64 bits; otherwise, and for a
    // negative result between -1 and 0 that has a fraction, the result is a plain decimal
    // (whole = the value, fraction 0/1). Negative results keep the sign in the whole.

    fractional_double& operator+=(const fractional_double& b);
    fractional_double& operator-=(const fractional_double& b);
    friend fractional_double operator+(fractional_double a, const fractional_double& b) { return a += b; }
    friend fractional_double operator-(fractional_double a, const fractional_double& b) { return a -= b; }
    // Times a 32-bit integer, exact.
    friend fractional_double operator*(const fractional_double& a, int32_t n);
    // With a float the result is a plain decimal.
    friend fractional_double operator+(const fractional_double& a, double x);
    friend fractional_double operator-(const fractional_double& a, double x);
    friend fractional_double operator*(const fractional_double& a, double x);
    fractional_double& operator*=(double x);

    // Area product of two sizes (improper numerators multiplied); a plain decimal product when
    // either whole carries decimals.
    friend fractional_double Product(const fractional_double& a, const fractional_double& b);

    // Value comparisons with kTolerance.
    friend bool operator<(const fractional_double& a, const fractional_double& b);
    friend bool operator>(const fractional_double& a, const fractional_double& b);
    friend bool operator>=(const fractional_double& a, const fractional_double& b);
    friend bool operator==(const fractional_double& a, double x);
    friend bool operator<(const fractional_double& a, double x);
    friend bool operator<=(const fractional_double& a, double x);
    friend bool operator>(const fractional_double& a, double x);
    friend bool operator>=(const fractional_double& a, double x);
    bool EqualValue(const fractional_double& b) const;

    // Record equality: wholes within kTolerance, numerators and denominators identical.
    bool RecordEquals(const fractional_double& b) const;

    // Rounding to a multiple of 1/d (d = 2, 4, 8, 16, 32); false when nothing had to change.
    bool RoundUpTo(int32_t d);
    bool RoundDownTo(int32_t d);
    // Turns a plain decimal back into whole + n/d; does nothing when a fraction is already held.
    void FractionFromDecimal(int64_t d);

    // Typed text with the user's decimal separator; false when the text is not a number. The
    // number holds what could be read; a fraction whose denominator is zero or does not fit 64 bits
    // is dropped, and an infinite or NaN whole is not read. Independent of the process locale.
    bool ParseWide(std::wstring_view text, wchar_t decimal_separator);
    // File text (full stop as decimal separator).
    bool Parse8(std::string_view text);

    // "12 3/16", "3/16", "12.5", "0".
    std::wstring FormatDisplay(wchar_t decimal_separator = L'.') const;
    // "12 3/16", "0 3/16", "12.500000", "0"; at most 100 bytes.
    std::string FormatFile() const;

    // floor(Value * scale + 0.5) as a signed 32-bit integer, saturated at the 32-bit limits (NaN gives 0).
    int32_t ToUnits(double scale) const;
};

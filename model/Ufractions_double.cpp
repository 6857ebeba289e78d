#include "model/Ufractions_double.h"

#include <cmath>
#include <limits>

#include "model/number_text.h"

namespace {

constexpr double kTol = fractional_double::kTolerance;
// Wholes this close to an integer are written as that integer.
constexpr double kIntegerSnap = 0.0000001;

// The sign that the whole part lends to the fraction.
int SignOf(double whole)
{
    if (std::fabs(whole) <= kTol) return 1;
    return whole < 0 ? -1 : 1;
}

uint64_t Magnitude(int64_t v)
{
    return v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
}

uint64_t Gcd(uint64_t a, uint64_t b)
{
    while (b != 0) {
        const uint64_t r = a % b;
        a = b;
        b = r;
    }
    return a;
}

// Lowest terms; a zero numerator becomes 0/1. Requires denominator > 0.
void Reduce(int64_t& numerator, int64_t& denominator)
{
    if (numerator == 0) {
        denominator = 1;
        return;
    }
    const uint64_t g = Gcd(Magnitude(numerator), static_cast<uint64_t>(denominator));
    if (g > 1) {
        numerator = numerator / static_cast<int64_t>(g);
        denominator = denominator / static_cast<int64_t>(g);
    }
}

fractional_double Decimal(long double value) { return fractional_double(static_cast<double>(value)); }

// The number of value whole + f / d in normal form. The whole lends its sign to the fraction,
// so a negative result keeps a positive fraction below a whole that is one step nearer zero;
// a value between -1 and 0 with a fraction cannot be held that way and becomes a plain decimal.
fractional_double FromWholeAndRatio(double whole, int64_t f, int64_t d)
{
    if (d <= 0) return Decimal(d == 0 ? whole : whole + static_cast<long double>(f) / d);
    int64_t q = f / d;
    int64_t r = f % d;
    if (r < 0) {
        r += d;
        --q;
    }
    const double base = whole + static_cast<double>(q);
    fractional_double out;
    out.denominator = d;
    if (SignOf(base) > 0 || r == 0) {
        out.whole = base;
        out.numerator = r;
    } else {
        const double nearer_zero = base + 1.0;
        if (SignOf(nearer_zero) > 0) return Decimal(whole + static_cast<long double>(f) / d);
        out.whole = nearer_zero;
        out.numerator = d - r;
    }
    Reduce(out.numerator, out.denominator);
    return out;
}

bool MulOverflows(int64_t a, int64_t b, int64_t& out) { return __builtin_mul_overflow(a, b, &out); }
bool AddOverflows(int64_t a, int64_t b, int64_t& out) { return __builtin_add_overflow(a, b, &out); }

// a.whole +/- b.whole with the fractions combined exactly; a plain decimal when the exact
// fraction does not fit 64 bits.
fractional_double SumOrDifference(const fractional_double& a, const fractional_double& b, bool subtract)
{
    const int64_t sa = SignOf(a.whole);
    const int64_t sb = SignOf(b.whole) * (subtract ? -1 : 1);
    int64_t t1 = 0, t2 = 0, f = 0, d = 0;
    const bool overflow = MulOverflows(a.numerator, b.denominator, t1) || MulOverflows(t1, sa, t1) ||
                          MulOverflows(b.numerator, a.denominator, t2) || MulOverflows(t2, sb, t2) ||
                          AddOverflows(t1, t2, f) || MulOverflows(a.denominator, b.denominator, d);
    if (overflow || d <= 0)
        return Decimal(subtract ? a.Value() - b.Value() : a.Value() + b.Value());
    return FromWholeAndRatio(subtract ? a.whole - b.whole : a.whole + b.whole, f, d);
}

// The improper numerator den * whole + s * num of a number with an integral whole.
bool ImproperNumerator(const fractional_double& x, int64_t& out)
{
    if (x.whole != std::trunc(x.whole) || std::fabs(x.whole) >= 4.0e18) return false;
    int64_t scaled = 0;
    if (MulOverflows(x.denominator, static_cast<int64_t>(x.whole), scaled)) return false;
    return !AddOverflows(scaled, SignOf(x.whole) * x.numerator, out);
}

// The numerator of a mixed number and every denominator are unsigned digits, blanks before them aside:
// "10 -1/2" and "1/-2" are typing slips, not numbers.
bool DigitsAt(std::string_view text, size_t pos)
{
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
    return pos < text.size() && text[pos] >= '0' && text[pos] <= '9';
}

// Parsing shared by ParseWide and Parse8 on text already in 8-bit reader form.
bool ParseText(std::string t, fractional_double& number)
{
    using namespace stv::text;
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t' || t.back() == '\n' || t.back() == '\r'))
        t.pop_back();
    number = fractional_double();
    bool ok = true;
    const std::string_view text(t);
    const size_t slash = text.find('/');
    if (slash == std::string_view::npos) {
        size_t pos = 0;
        double whole = 0.0;
        if (ReadDouble(text, pos, whole)) number.whole = whole;
        if (pos != text.size()) ok = false;
        return ok;
    }

    const std::string_view after = text.substr(slash + 1);
    size_t pos = 0;
    int64_t denominator = 0;
    const bool denominator_ok = DigitsAt(after, 0) && ReadInt64(after, pos, denominator) && denominator != 0;
    if (!denominator_ok || pos != after.size()) ok = false;

    std::string_view before = text.substr(0, slash);
    while (!before.empty() && IsSpace(static_cast<unsigned char>(before.back()))) before.remove_suffix(1);
    size_t lead = 0;
    while (lead < before.size() && IsSpace(static_cast<unsigned char>(before[lead]))) ++lead;
    const size_t space = before.find(' ', lead);
    int64_t numerator = 0;
    if (space != std::string_view::npos) {
        size_t wpos = 0;
        double whole = 0.0;
        if (ReadDouble(before, wpos, whole)) number.whole = whole;
        // Nothing may stand between the whole and its numerator ("5x 3/4").
        if (wpos != space) ok = false;
        pos = space + 1;
        if (!DigitsAt(before, pos)) ok = false;
    } else {
        pos = 0;
    }
    if (!ReadInt64(before, pos, numerator)) ok = false;
    if (pos != before.size()) ok = false;

    // A fraction without a usable denominator is dropped rather than kept as n/0.
    if (denominator_ok) {
        number.numerator = numerator;
        number.denominator = denominator;
    }
    return ok;
}

std::string IntegerText(double integral)
{
    if (std::fabs(integral) < 9.0e18) return std::to_string(static_cast<long long>(integral));
    return stv::text::FormatGeneral(integral, 15);
}

}  // namespace

long double fractional_double::Value() const
{
    if (denominator == 0) return whole;
    return static_cast<long double>(whole) +
           SignOf(whole) * static_cast<long double>(numerator) / static_cast<long double>(denominator);
}

void fractional_double::Normalize()
{
    if (denominator <= 0) return;
    Reduce(numerator, denominator);
    if (numerator >= denominator) {
        const int64_t q = numerator / denominator;
        numerator %= denominator;
        whole += SignOf(whole) * static_cast<double>(q);
        if (numerator == 0) denominator = 1;
    }
}

fractional_double& fractional_double::operator+=(const fractional_double& b)
{
    if (&b == this) {
        *this = Decimal(2 * Value());
        return *this;
    }
    *this = SumOrDifference(*this, b, false);
    return *this;
}

fractional_double& fractional_double::operator-=(const fractional_double& b)
{
    if (&b == this) {
        *this = fractional_double();
        return *this;
    }
    *this = SumOrDifference(*this, b, true);
    return *this;
}

fractional_double operator*(const fractional_double& a, int32_t n)
{
    int64_t f = 0;
    if (a.denominator <= 0 || MulOverflows(a.numerator, static_cast<int64_t>(SignOf(a.whole)) * n, f))
        return Decimal(a.Value() * n);
    return FromWholeAndRatio(a.whole * n, f, a.denominator);
}

fractional_double operator+(const fractional_double& a, double x) { return Decimal(a.Value() + x); }
fractional_double operator-(const fractional_double& a, double x) { return Decimal(a.Value() - x); }
fractional_double operator*(const fractional_double& a, double x) { return Decimal(a.Value() * x); }

fractional_double& fractional_double::operator*=(double x)
{
    *this = Decimal(Value() * x);
    return *this;
}

fractional_double Product(const fractional_double& a, const fractional_double& b)
{
    int64_t ia = 0, ib = 0, p = 0, d = 0;
    // Decimal wholes (areas in decimal jobs) and fractions too large for 64 bits give the
    // plain decimal product.
    if (a.denominator <= 0 || b.denominator <= 0 || !ImproperNumerator(a, ia) || !ImproperNumerator(b, ib) ||
        MulOverflows(ia, ib, p) || MulOverflows(a.denominator, b.denominator, d))
        return Decimal(a.Value() * b.Value());
    return FromWholeAndRatio(0.0, p, d);
}

bool operator<(const fractional_double& a, const fractional_double& b) { return b.Value() - a.Value() > kTol; }
bool operator>(const fractional_double& a, const fractional_double& b) { return a.Value() - b.Value() > kTol; }
bool operator>=(const fractional_double& a, const fractional_double& b) { return !(a < b); }
bool operator==(const fractional_double& a, double x) { return std::fabs(a.Value() - x) <= kTol; }
bool operator<(const fractional_double& a, double x) { return x - a.Value() > kTol; }
bool operator<=(const fractional_double& a, double x) { return !(a > x); }
bool operator>(const fractional_double& a, double x) { return a.Value() - x > kTol; }
bool operator>=(const fractional_double& a, double x) { return !(a < x); }

bool fractional_double::EqualValue(const fractional_double& b) const
{
    return std::fabs(Value() - b.Value()) <= kTol;
}

bool fractional_double::RecordEquals(const fractional_double& b) const
{
    return std::fabs(whole - b.whole) <= kTol && numerator == b.numerator && denominator == b.denominator;
}

bool fractional_double::RoundUpTo(int32_t d)
{
    Normalize();
    if (d <= 0 || denominator <= 0 || numerator == 0 || denominator == d) return false;
    // Smallest c >= 1 with c / d >= numerator / denominator, computed exactly.
    const __int128 scaled = static_cast<__int128>(numerator) * d;
    __int128 c = scaled > 0 ? (scaled + denominator - 1) / denominator : 1;
    if (c < 1) c = 1;
    if (c > d) c = d;
    numerator = static_cast<int64_t>(c);
    denominator = d;
    if (c == d) {
        whole += 1.0;
        numerator = 0;
    } else {
        Normalize();
    }
    return true;
}

bool fractional_double::RoundDownTo(int32_t d)
{
    Normalize();
    if (d <= 0 || denominator <= 0 || numerator == 0 || denominator == d) return false;
    // Largest c <= d - 1 with c / d <= numerator / denominator; 0 when there is none above zero.
    const __int128 scaled = static_cast<__int128>(numerator) * d;
    __int128 c = scaled > 0 ? scaled / denominator : 0;
    if (c > d - 1) c = d - 1;
    numerator = static_cast<int64_t>(c);
    denominator = d;
    Normalize();
    return true;
}

void fractional_double::FractionFromDecimal(int64_t d)
{
    if (numerator != 0 || d <= 0) return;
    const long double value = Value();
    if (!std::isfinite(value)) return;
    const long double integral = std::trunc(value);
    // A negative value between -1 and 0 has no whole to carry the sign; it stays a decimal.
    if (value < 0 && integral == 0) return;
    const long double rest = std::fabs(value - integral);
    const long double scaled = std::floor(static_cast<long double>(d) * rest + 0.5L);
    whole = static_cast<double>(integral);
    numerator = static_cast<int64_t>(scaled);
    denominator = d;
    Normalize();
}

bool fractional_double::ParseWide(std::wstring_view text, wchar_t decimal_separator)
{
    std::wstring copy(text);
    for (wchar_t& c : copy)
        if (c == decimal_separator) c = L'.';
    return ParseText(stv::text::NarrowForNumbers(copy), *this);
}

bool fractional_double::Parse8(std::string_view text)
{
    return ParseText(std::string(text), *this);
}

std::wstring fractional_double::FormatDisplay(wchar_t decimal_separator) const
{
    std::wstring out;
    const double integral = std::trunc(whole);
    if (std::isfinite(whole) && std::fabs(whole - integral) <= kIntegerSnap) {
        if (std::fabs(whole) > kIntegerSnap) {
            const std::string digits = IntegerText(integral);
            out.assign(digits.begin(), digits.end());
        }
    } else {
        const std::string digits = stv::text::FormatGeneral(whole, 15);
        for (char c : digits) out.push_back(c == '.' ? decimal_separator : static_cast<wchar_t>(c));
    }
    if (numerator == 0) {
        if (out.empty()) out = L"0";
        return out;
    }
    if (!out.empty()) out.push_back(L' ');
    out += std::to_wstring(numerator);
    out.push_back(L'/');
    out += std::to_wstring(denominator);
    return out;
}

std::string fractional_double::FormatFile() const
{
    std::string out;
    const double integral = std::trunc(whole);
    if (std::isfinite(whole) && std::fabs(whole - integral) <= kIntegerSnap) {
        out = IntegerText(integral);
    } else {
        out = stv::text::FormatFixed6(whole);
        // Keeps the text within 100 bytes for absurdly large wholes.
        if (out.size() > 50) {
            out = stv::text::FormatGeneral(whole, 17);
        } else if (numerator != 0 && SignOf(whole) < 0 && std::fabs(whole) < 2 * kTol) {
            // The whole lends its sign to the fraction: six places would round it to where it lends none.
            out = stv::text::FormatShortestFixed(whole);
        }
    }
    if (numerator != 0) {
        // "0 -2/4" does not read back; "-2/4" does.
        if (numerator < 0 && out == "0") out.clear();
        else out.push_back(' ');
        out += std::to_string(numerator);
        out.push_back('/');
        out += std::to_string(denominator);
    }
    return out;
}

int32_t fractional_double::ToUnits(double scale) const
{
    const double units = std::floor(static_cast<double>(Value()) * scale + 0.5);
    if (std::isnan(units)) return 0;
    if (units >= static_cast<double>(std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
    if (units <= static_cast<double>(std::numeric_limits<int32_t>::min())) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(units);
}

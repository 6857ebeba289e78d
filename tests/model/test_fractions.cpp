#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "model/Ufractions_double.h"
#include "model/Ufractions_long.h"
#include "model/Utils_fractions_vcl.h"

namespace {

fractional_double F(double whole, int64_t num = 0, int64_t den = 1) { return fractional_double(whole, num, den); }

void ExpectFields(const fractional_double& x, double whole, int64_t num, int64_t den, const std::string& context)
{
    EXPECT_NEAR(x.whole, whole, 1e-12) << context;
    EXPECT_EQ(x.numerator, num) << context;
    EXPECT_EQ(x.denominator, den) << context;
}

std::string Narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }

struct ParseCase {
    std::wstring text;
    wchar_t separator;
    bool ok;
    double whole;
    int64_t num, den;
};

TEST(FractionalDouble, ParseWideForms)
{
    const std::vector<ParseCase> cases = {
        {L"5 3/8", L'.', true, 5, 3, 8},
        {L"3/8", L'.', true, 0, 3, 8},
        {L"12,5", L',', true, 12.5, 0, 1},
        {L"12.5", L'.', true, 12.5, 0, 1},
        {L"1/0", L'.', false, 0, 0, 1},
        {L"12a", L'.', false, 12, 0, 1},
        {L"3/2", L'.', true, 0, 3, 2},  // not normalised by parsing
        {L"-2 1/4", L'.', true, -2, 1, 4},
        {L"12\t\r\n", L'.', true, 12, 0, 1},
        {L"7  1/4  ", L'.', true, 7, 1, 4},
        {L" 3/4", L'.', true, 0, 3, 4},  // leading blanks are not the space before a numerator
        {L"5 3/4x", L'.', false, 5, 3, 4},
        {L"5 3 7/8", L'.', false, 5, 3, 8},
        {L"5 3/", L'.', false, 5, 0, 1},
        {L"", L'.', true, 0, 0, 1},
        {L"abc", L'.', false, 0, 0, 1},
        {L"1/99999999999999999999", L'.', false, 0, 0, 1},
        {L"99999999999999999999", L'.', true, 1e20, 0, 1},  // a decimal whole, not an integer
        {L"1e999", L'.', false, 0, 0, 1},
        {L"inf", L'.', false, 0, 0, 1},
        {L"nan", L'.', false, 0, 0, 1},
        {L"1 2/3\u00e9", L'.', false, 1, 2, 3},
        {L"5x 3/4", L'.', false, 5, 3, 4},  // junk or a misplaced sign inside a mixed number
        {L"x 3/4", L'.', false, 0, 3, 4},
        {L"10 -1/2", L'.', false, 10, -1, 2},
        {L"10 +1/2", L'.', false, 10, 1, 2},
        {L"10 1/-2", L'.', false, 10, 0, 1},
        {L"1/+2", L'.', false, 0, 0, 1},
    };
    for (const ParseCase& c : cases) {
        fractional_double x(99.0, 7, 9);
        EXPECT_EQ(x.ParseWide(c.text, c.separator), c.ok) << Narrow(c.text);
        ExpectFields(x, c.whole, c.num, c.den, Narrow(c.text));
    }
}

TEST(FractionalDouble, ParseWideValueOfNegativeMixedNumber)
{
    fractional_double x;
    ASSERT_TRUE(x.ParseWide(L"5 3/8", L'.'));
    EXPECT_NEAR(static_cast<double>(x.Value()), 5.375, 1e-12);
    ASSERT_TRUE(x.ParseWide(L"-2 1/4", L'.'));
    EXPECT_NEAR(static_cast<double>(x.Value()), -2.25, 1e-12);
}

TEST(FractionalDouble, Parse8UsesFullStopOnly)
{
    fractional_double x;
    EXPECT_TRUE(x.Parse8("12.500000"));
    ExpectFields(x, 12.5, 0, 1, "12.500000");
    EXPECT_TRUE(x.Parse8("0 3/16"));
    ExpectFields(x, 0, 3, 16, "0 3/16");
    EXPECT_FALSE(x.Parse8("12,5"));
    ExpectFields(x, 12, 0, 1, "12,5");
}

enum class Op { Add, Sub, Product, TimesInt };

struct ArithmeticCase {
    const char* name;
    fractional_double a, b;
    Op op;
    int32_t n;
    double whole;
    int64_t num, den;
};

TEST(FractionalDouble, Arithmetic)
{
    const std::vector<ArithmeticCase> cases = {
        {"1/2 + 1/4", F(0, 1, 2), F(0, 1, 4), Op::Add, 0, 0, 3, 4},
        {"1 1/2 + 1/2", F(1, 1, 2), F(0, 1, 2), Op::Add, 0, 2, 0, 1},
        {"2 1/4 - 1/2", F(2, 1, 4), F(0, 1, 2), Op::Sub, 0, 1, 3, 4},
        {"3/2 + 0", F(0, 3, 2), F(0), Op::Add, 0, 1, 1, 2},
        {"12.5 + 3/16", F(12.5), F(0, 3, 16), Op::Add, 0, 12.5, 3, 16},
        {"1/4 - 1/2", F(0, 1, 4), F(0, 1, 2), Op::Sub, 0, -0.25, 0, 1},
        {"2 - 2 1/4", F(2), F(2, 1, 4), Op::Sub, 0, -0.25, 0, 1},
        {"1 - 2 1/4", F(1), F(2, 1, 4), Op::Sub, 0, -1, 1, 4},
        {"-2 1/4 + 3", F(-2, 1, 4), F(3), Op::Add, 0, 0, 3, 4},
        {"-2 1/4 + -1 1/2", F(-2, 1, 4), F(-1, 1, 2), Op::Add, 0, -3, 3, 4},
        {"2 1/2 x 2", F(2, 1, 2), F(2), Op::Product, 0, 5, 0, 1},
        {"1/2 x 1/2", F(0, 1, 2), F(0, 1, 2), Op::Product, 0, 0, 1, 4},
        {"-1 1/2 x 2", F(-1, 1, 2), F(2), Op::Product, 0, -3, 0, 1},
        {"2.5 x 4 (decimal)", F(2.5), F(4), Op::Product, 0, 10, 0, 1},
        {"2 1/4 * 3", F(2, 1, 4), F(0), Op::TimesInt, 3, 6, 3, 4},
        {"-2 1/4 * 3", F(-2, 1, 4), F(0), Op::TimesInt, 3, -6, 3, 4},
        {"2 1/4 * -1", F(2, 1, 4), F(0), Op::TimesInt, -1, -2, 1, 4},
        {"1/3 * 3", F(0, 1, 3), F(0), Op::TimesInt, 3, 1, 0, 1},
        {"-2 1/4 * 5", F(-2, 1, 4), F(0), Op::TimesInt, 5, -11, 1, 4},
    };
    for (const ArithmeticCase& c : cases) {
        fractional_double r;
        switch (c.op) {
        case Op::Add: r = c.a + c.b; break;
        case Op::Sub: r = c.a - c.b; break;
        case Op::Product: r = Product(c.a, c.b); break;
        case Op::TimesInt: r = c.a * c.n; break;
        }
        ExpectFields(r, c.whole, c.num, c.den, c.name);
        // Every result also has the right value.
        long double expected = 0;
        switch (c.op) {
        case Op::Add: expected = c.a.Value() + c.b.Value(); break;
        case Op::Sub: expected = c.a.Value() - c.b.Value(); break;
        case Op::Product: expected = c.a.Value() * c.b.Value(); break;
        case Op::TimesInt: expected = c.a.Value() * c.n; break;
        }
        EXPECT_NEAR(static_cast<double>(r.Value()), static_cast<double>(expected), 1e-9) << c.name;
    }
}

TEST(FractionalDouble, NormalizeKeepsTheValue)
{
    const std::vector<std::pair<fractional_double, fractional_double>> cases = {
        {F(0, 6, 8), F(0, 3, 4)}, {F(2, 9, 4), F(4, 1, 4)}, {F(-2, 5, 4), F(-3, 1, 4)},
        {F(1, 0, 7), F(1, 0, 1)}, {F(1, 4, 2), F(3, 0, 1)}, {F(1, 3, -4), F(1, 3, -4)},
    };
    for (const auto& [before, after] : cases) {
        fractional_double x = before;
        x.Normalize();
        ExpectFields(x, after.whole, after.numerator, after.denominator, Narrow(before.FormatDisplay()));
        EXPECT_NEAR(static_cast<double>(x.Value()), static_cast<double>(before.Value()), 1e-12);
    }
}

TEST(FractionalDouble, AssignOperatorsOnItself)
{
    fractional_double x(1, 1, 4);
    x += x;
    ExpectFields(x, 2.5, 0, 1, "x += x");
    fractional_double y(1, 1, 4);
    y -= y;
    ExpectFields(y, 0, 0, 1, "y -= y");
}

TEST(FractionalDouble, FloatArithmeticGivesPlainDecimals)
{
    const fractional_double x(2, 1, 4);
    ExpectFields(x + 0.5, 2.75, 0, 1, "+");
    ExpectFields(x - 0.5, 1.75, 0, 1, "-");
    ExpectFields(x * 2.0, 4.5, 0, 1, "*");
    fractional_double y = x;
    y *= 4.0;
    ExpectFields(y, 9, 0, 1, "*=");
}

TEST(FractionalDouble, HugeFractionsFallBackToDecimals)
{
    const int64_t big = 999999999999999989;  // 18 digits
    const fractional_double a(0, 1, big), b(0, 1, big - 2);
    const long double exact = 1.0L / big + 1.0L / (big - 2);
    fractional_double sum = a + b;
    EXPECT_EQ(sum.numerator, 0);
    EXPECT_EQ(sum.denominator, 1);
    EXPECT_NEAR(sum.whole, static_cast<double>(exact), 1e-30);
    fractional_double difference = fractional_double(1, 1, big) - b;
    EXPECT_EQ(difference.numerator, 0);
    EXPECT_NEAR(difference.whole, 1.0, 1e-12);
    const fractional_double area = Product(fractional_double(3, 1, big), fractional_double(2, 1, big - 2));
    EXPECT_EQ(area.numerator, 0);
    EXPECT_NEAR(area.whole, 6.0, 1e-12);
    const fractional_double times = fractional_double(0, int64_t{1} << 61, (int64_t{1} << 61) + 1) * 1000;
    EXPECT_EQ(times.numerator, 0);
    EXPECT_NEAR(times.whole, 1000.0, 1e-9);
    fractional_double extreme(0, std::numeric_limits<int64_t>::min(), 2);
    extreme.Normalize();  // must not overflow
    EXPECT_NEAR(static_cast<double>(extreme.Value()), -4.611686018427388e18, 1e6);
}

TEST(FractionalDouble, ComparisonsUseTheTolerance)
{
    EXPECT_TRUE(fractional_double(3.0000005) == 3.0);
    EXPECT_FALSE(fractional_double(3.0000005) > 3.0);
    EXPECT_TRUE(fractional_double(3.000002) > 3.0);
    EXPECT_TRUE(fractional_double(3) < fractional_double(3.000002));
    EXPECT_TRUE(fractional_double(3.000002) > fractional_double(3));
    EXPECT_TRUE(fractional_double(3) >= fractional_double(3.0000005));
    EXPECT_TRUE(fractional_double(3, 1, 2) >= 3.5);
    EXPECT_TRUE(fractional_double(3, 1, 2) <= 3.5);
    EXPECT_FALSE(fractional_double(3, 1, 2) < 3.5);
    EXPECT_TRUE(fractional_double(3, 1, 2) < 3.6);
    EXPECT_TRUE(fractional_double(0, 1, 2).EqualValue(fractional_double(0, 2, 4)));
}

TEST(FractionalDouble, RecordEqualityComparesTheFields)
{
    fractional_double half(0, 1, 2), two_quarters(0, 2, 4);
    EXPECT_FALSE(half.RecordEquals(two_quarters));
    two_quarters.Normalize();
    EXPECT_TRUE(half.RecordEquals(two_quarters));
    EXPECT_TRUE(fractional_double(10.0000005, 1, 4).RecordEquals(fractional_double(10, 1, 4)));
    EXPECT_FALSE(fractional_double(10, 1, 4).RecordEquals(fractional_double(10, 3, 4)));
}

struct RoundCase {
    fractional_double x;
    bool up;
    int32_t d;
    bool changed;
    double whole;
    int64_t num, den;
};

TEST(FractionalDouble, Rounding)
{
    const std::vector<RoundCase> cases = {
        {F(5, 1, 64), true, 16, true, 5, 1, 16},
        {F(5, 1, 64), false, 16, true, 5, 0, 1},
        {F(5, 63, 64), true, 16, true, 6, 0, 16},
        {F(5, 63, 64), false, 16, true, 5, 15, 16},
        {F(2, 1, 3), true, 16, true, 2, 3, 8},
        {F(2, 1, 3), false, 16, true, 2, 5, 16},
        {F(5, 1, 2), true, 16, true, 5, 1, 2},
        {F(5, 1, 16), true, 16, false, 5, 1, 16},
        {F(3.5), true, 16, false, 3.5, 0, 1},
        {F(3.5), false, 16, false, 3.5, 0, 1},
        {F(1, 2, 4), false, 32, true, 1, 1, 2},
    };
    for (const RoundCase& c : cases) {
        fractional_double x = c.x;
        const bool changed = c.up ? x.RoundUpTo(c.d) : x.RoundDownTo(c.d);
        const std::string name = Narrow(c.x.FormatDisplay()) + (c.up ? " up " : " down ") + std::to_string(c.d);
        EXPECT_EQ(changed, c.changed) << name;
        ExpectFields(x, c.whole, c.num, c.den, name);
    }
}

TEST(FractionalDouble, FractionFromDecimal)
{
    fractional_double a(10.0625);
    a.FractionFromDecimal(16);
    ExpectFields(a, 10, 1, 16, "10.0625");
    fractional_double b(10.99);
    b.FractionFromDecimal(16);
    ExpectFields(b, 11, 0, 1, "10.99");
    fractional_double c(3, 1, 3);
    c.FractionFromDecimal(16);
    ExpectFields(c, 3, 1, 3, "already a fraction");
    fractional_double d(1234.5);
    d.FractionFromDecimal(1000);
    ExpectFields(d, 1234, 1, 2, "1234.5");
}

TEST(FractionalDouble, FormatDisplay)
{
    const std::vector<std::pair<fractional_double, std::wstring>> cases = {
        {F(12, 3, 16), L"12 3/16"}, {F(0, 3, 16), L"3/16"}, {F(12.5), L"12.5"},
        {F(0), L"0"},               {F(0.0000000001), L"0"}, {F(-2, 1, 4), L"-2 1/4"},
        {F(1.0 / 3.0), L"0.333333333333333"}, {F(12.00000001), L"12"},
    };
    for (const auto& [x, text] : cases) EXPECT_EQ(x.FormatDisplay(L'.'), text) << Narrow(text);
    EXPECT_EQ(F(12.5).FormatDisplay(L','), L"12,5");
}

TEST(FractionalDouble, FormatFile)
{
    const std::vector<std::pair<fractional_double, std::string>> cases = {
        {F(12, 3, 16), "12 3/16"}, {F(0, 3, 16), "0 3/16"}, {F(12.5), "12.500000"},
        {F(0), "0"},               {F(3e9), "3000000000"},  {F(-7.25), "-7.250000"},
    };
    for (const auto& [x, text] : cases) EXPECT_EQ(x.FormatFile(), text);
    const fractional_double huge(1.5e300, std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max());
    const std::string text = huge.FormatFile();
    EXPECT_LE(text.size(), 100u) << text;
    fractional_double back;
    back.Parse8(text.substr(0, text.find(' ')));
    EXPECT_DOUBLE_EQ(back.whole, 1.5e300);
}

TEST(FractionalDouble, FileTextKeepsTheSignAWholeLendsItsFraction)
{
    for (const char* text : {"-0.0000014 1/2", "-0.0000019 3/16", "-0.0000011 1/32"}) {
        fractional_double x;
        ASSERT_TRUE(x.Parse8(text)) << text;
        fractional_double back;
        ASSERT_TRUE(back.Parse8(x.FormatFile())) << x.FormatFile();
        EXPECT_NEAR(static_cast<double>(back.Value()), static_cast<double>(x.Value()), 1e-12) << text;
        EXPECT_LT(back.Value(), 0) << x.FormatFile();
    }
    EXPECT_EQ(F(-2.5, 1, 2).FormatFile(), "-2.500000 1/2");
}

TEST(FractionalDouble, TextFormsIgnoreTheProcessLocale)
{
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "fr_FR.UTF-8"))
        GTEST_SKIP() << "no locale with a decimal comma installed";
    fractional_double x;
    const bool parsed = x.Parse8("12.5");
    const std::string file = F(12.5).FormatFile();
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_TRUE(parsed);
    EXPECT_DOUBLE_EQ(x.whole, 12.5);
    EXPECT_EQ(file, "12.500000");
}

TEST(FractionalDouble, ToUnitsRoundsAndSaturates)
{
    EXPECT_EQ(F(12, 3, 16).ToUnits(16), 195);
    EXPECT_EQ(F(1.15).ToUnits(100), 115);
    EXPECT_EQ(F(2.5).ToUnits(1), 3);
    EXPECT_EQ(F(1e12).ToUnits(1000), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(F(-1e12).ToUnits(1000), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(F(std::nan("")).ToUnits(10), 0);
}

struct LongCase {
    std::wstring text;
    bool ok;
    int32_t whole;
    int64_t num, den;
};

TEST(FractionalLong, Parse)
{
    const std::vector<LongCase> cases = {
        {L"5 3/8", true, 5, 3, 8},   {L"3/8", true, 0, 3, 8},        {L"12", true, 12, 0, 1},
        {L"3/0", true, 0, 3, 0},     {L"5.5 1/2", false, 5, 1, 2},   {L"5x 3/4", false, 5, 3, 4},
        {L"12a", false, 12, 0, 1},   {L"12.5", false, 12, 0, 1},     {L"99999999999 1/2", false, 0, 1, 2},
        {L"1 1/99999999999", false, 1, 1, 1}, {L"5 3/8 ", true, 5, 3, 8},
    };
    for (const LongCase& c : cases) {
        fractional_long x;
        EXPECT_EQ(x.Parse(c.text), c.ok) << Narrow(c.text);
        EXPECT_EQ(x.whole, c.whole) << Narrow(c.text);
        EXPECT_EQ(x.numerator, c.num) << Narrow(c.text);
        EXPECT_EQ(x.denominator, c.den) << Narrow(c.text);
    }
}

TEST(GridText, ConversionAndValidation)
{
    ExpectFields(grid_text_to_fraction(L"  12 3/16 \t", L'.'), 12, 3, 16, "trimmed");
    ExpectFields(grid_text_to_fraction(L"   ", L'.'), 0, 0, 1, "blank");
    ExpectFields(grid_text_to_fraction(L"12,5", L','), 12.5, 0, 1, "comma");
    EXPECT_TRUE(grid_text_is_number(L"", L'.'));
    EXPECT_TRUE(grid_text_is_number(L" 5 1/2 ", L'.'));
    EXPECT_FALSE(grid_text_is_number(L"abc", L'.'));
    EXPECT_FALSE(grid_text_is_number(L"1/0", L'.'));
    EXPECT_EQ(TrimBlanks(L"\t a b \r\n"), L"a b");
    EXPECT_EQ(TrimBlanks(L" \t "), L"");
}

}  // namespace

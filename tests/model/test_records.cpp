#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "model/input_records.h"

namespace {

part_as_number_2d MakePart()
{
    part_as_number_2d p;
    p.length = fractional_double(10, 1, 4);
    p.width = fractional_double(20);
    p.quantity = 2;
    p.label = L"Door";
    p.material = L"Oak";
    p.customer = L"Smith";
    p.edge_band.top_name = L"ABS";
    p.edge_band.top_thick = fractional_double(2);
    p.grinding.left_thick = fractional_double(0, 1, 16);
    return p;
}

stock_as_number_2d MakeStock()
{
    stock_as_number_2d s;
    s.length = fractional_double(2800);
    s.width = fractional_double(2070);
    s.quantity = 5;
    s.label = L"Board";
    s.material = L"Oak";
    s.price = 12.5;
    s.trim_top = fractional_double(10);
    return s;
}

TEST(InputRecords, Defaults)
{
    const part_as_number_2d p;
    EXPECT_EQ(p.kind, kKindFlat);
    EXPECT_EQ(p.quantity, 0);
    EXPECT_EQ(p.allow_rotation, 255);
    EXPECT_EQ(p.useit, 1);
    EXPECT_EQ(p.row_index, -1);
    EXPECT_DOUBLE_EQ(p.end_angle_1, 90.0);
    EXPECT_DOUBLE_EQ(p.end_angle_2, 90.0);
    const stock_as_number_2d s;
    EXPECT_EQ(s.kind, kKindFlat);
    EXPECT_EQ(s.useit, 1);
    EXPECT_EQ(s.priority, 0);
    EXPECT_DOUBLE_EQ(s.price, 0.0);
    const parameters_as_number_2d params;
    EXPECT_EQ(params.iterations, 100);
    EXPECT_TRUE(params.maximal_cut_length == 5000.0);
    EXPECT_EQ(params.round_fractions_to, 3);
    EXPECT_EQ(params.RoundingDenominator(), 16);
    EXPECT_EQ(params.price_per_area, 1);
}

TEST(InputRecords, RoundingDenominatorStaysInRange)
{
    parameters_as_number_2d params;
    const std::vector<std::pair<int32_t, int32_t>> cases = {{0, 2}, {4, 32}, {-7, 2}, {40, 32}};
    for (const auto& [index, denominator] : cases) {
        params.round_fractions_to = index;
        EXPECT_EQ(params.RoundingDenominator(), denominator) << index;
    }
}

struct PartVariant {
    const char* name;
    std::function<void(part_as_number_2d&)> change;
    bool still_equal;
};

TEST(InputRecords, PartEquality)
{
    const std::vector<PartVariant> cases = {
        {"quantity", [](part_as_number_2d& p) { p.quantity = 9; }, true},
        {"row_index", [](part_as_number_2d& p) { p.row_index = 4; }, true},
        {"label case", [](part_as_number_2d& p) { p.label = L"DOOR"; }, true},
        {"material case", [](part_as_number_2d& p) { p.material = L"oak"; }, true},
        {"band thickness", [](part_as_number_2d& p) { p.edge_band.top_thick = fractional_double(1); }, true},
        {"end angle of a flat part", [](part_as_number_2d& p) { p.end_angle_1 = 45; }, true},
        {"length 10 3/4", [](part_as_number_2d& p) { p.length = fractional_double(10, 3, 4); }, false},
        {"length 10 1/2", [](part_as_number_2d& p) { p.length = fractional_double(10, 1, 2); }, false},
        {"width", [](part_as_number_2d& p) { p.width = fractional_double(21); }, false},
        {"grain", [](part_as_number_2d& p) { p.grain = 1; }, false},
        {"allow_rotation", [](part_as_number_2d& p) { p.allow_rotation = 0; }, false},
        {"useit", [](part_as_number_2d& p) { p.useit = 0; }, false},
        {"customer", [](part_as_number_2d& p) { p.customer = L"Jones"; }, false},
        {"band name", [](part_as_number_2d& p) { p.edge_band.right_name = L"PVC"; }, false},
        {"grinding", [](part_as_number_2d& p) { p.grinding.left_thick = fractional_double(0, 1, 8); }, false},
        {"kind", [](part_as_number_2d& p) { p.kind = kKindLinear; }, false},
    };
    const part_as_number_2d base = MakePart();
    for (const PartVariant& c : cases) {
        part_as_number_2d other = base;
        c.change(other);
        EXPECT_EQ(base.SameAs(other), c.still_equal) << c.name;
        EXPECT_EQ(other.SameAs(base), c.still_equal) << c.name;
    }
}

TEST(InputRecords, LinearPartsAlsoCompareEndAngles)
{
    part_as_number_2d a = MakePart();
    a.kind = kKindLinear;
    part_as_number_2d b = a;
    b.end_angle_2 = 90.0000005;
    EXPECT_TRUE(a.SameAs(b));
    b.end_angle_2 = 45.0;
    EXPECT_FALSE(a.SameAs(b));
}

struct StockVariant {
    const char* name;
    std::function<void(stock_as_number_2d&)> change;
    bool still_equal;
};

TEST(InputRecords, StockEquality)
{
    const std::vector<StockVariant> cases = {
        {"quantity", [](stock_as_number_2d& s) { s.quantity = 1; }, true},
        {"label case", [](stock_as_number_2d& s) { s.label = L"board"; }, true},
        {"price within tolerance", [](stock_as_number_2d& s) { s.price = 12.5000005; }, true},
        {"price", [](stock_as_number_2d& s) { s.price = 13; }, false},
        {"trim", [](stock_as_number_2d& s) { s.trim_right = fractional_double(5); }, false},
        {"priority", [](stock_as_number_2d& s) { s.priority = 1; }, false},
        {"useit", [](stock_as_number_2d& s) { s.useit = 0; }, false},
        {"material", [](stock_as_number_2d& s) { s.material = L"Pine"; }, false},
    };
    const stock_as_number_2d base = MakeStock();
    for (const StockVariant& c : cases) {
        stock_as_number_2d other = base;
        c.change(other);
        EXPECT_EQ(base.SameAs(other), c.still_equal) << c.name;
    }
}

TEST(InputRecords, AddOrMergeAddsQuantities)
{
    parts_array_2d parts;
    const part_as_number_2d p = MakePart();
    parts.AddOrMerge(p, 3);
    parts.AddOrMerge(p, 4);
    ASSERT_EQ(parts.count(), 1);
    EXPECT_EQ(parts[0].quantity, 7);
    part_as_number_2d other = p;
    other.label = L"Shelf";
    parts.AddOrMerge(other, 2);
    ASSERT_EQ(parts.count(), 2);
    EXPECT_EQ(parts[1].quantity, 2);
    parts.AddOrMerge(p, INT_MAX);
    EXPECT_EQ(parts[0].quantity, INT_MAX);
}

TEST(InputRecords, EdgeBandAndGrindingRotate)
{
    cant band;
    band.top_name = L"T";
    band.left_name = L"L";
    band.bottom_name = L"B";
    band.right_name = L"R";
    band.top_thick = fractional_double(1);
    band.left_thick = fractional_double(2);
    band.bottom_thick = fractional_double(3);
    band.right_thick = fractional_double(4);

    cant unchanged = band;
    unchanged.rotated = 1;
    unchanged.Rotate(0);
    EXPECT_EQ(unchanged.rotated, 0);
    EXPECT_EQ(unchanged.top_name.str(), L"T");

    band.Rotate(1);
    EXPECT_EQ(band.top_name.str(), L"R");
    EXPECT_EQ(band.left_name.str(), L"T");
    EXPECT_EQ(band.bottom_name.str(), L"L");
    EXPECT_EQ(band.right_name.str(), L"B");
    EXPECT_TRUE(band.top_thick == 4.0);
    EXPECT_TRUE(band.left_thick == 1.0);
    EXPECT_TRUE(band.bottom_thick == 2.0);
    EXPECT_TRUE(band.right_thick == 3.0);
    EXPECT_EQ(band.rotated, 1);
    band.Rotate(1);
    EXPECT_EQ(band.top_name.str(), L"B");

    grinding_as_number_2d g;
    g.top_thick = fractional_double(1);
    g.right_thick = fractional_double(4);
    g.Rotate(1);
    EXPECT_TRUE(g.top_thick == 4.0);
    EXPECT_TRUE(g.left_thick == 1.0);
    EXPECT_EQ(g.rotated, 1);
    g.Rotate(0);
    EXPECT_EQ(g.rotated, 0);
    EXPECT_TRUE(g.top_thick == 4.0);
}

struct ClassCase {
    uint8_t kind;
    double length, width;
    bool flat, linear;
};

TEST(InputRecords, Classification)
{
    const std::vector<ClassCase> cases = {
        {kKindFlat, 500, 0, false, true},        {kKindFlat, 500, 0.0000005, false, true},
        {kKindFlat, 500, 0.0000015, false, false}, {kKindFlat, 500, 0.01, true, false},
        {kKindFlat, 0, 300, false, true},        {kKindLinear, 500, 300, false, true},
        {7, 500, 300, false, false},
    };
    for (const ClassCase& c : cases) {
        part_as_number_2d p;
        p.kind = c.kind;
        p.length = fractional_double(c.length);
        p.width = fractional_double(c.width);
        EXPECT_EQ(p.IsFlatPiece(), c.flat) << c.length << " x " << c.width;
        EXPECT_EQ(p.IsLinearPiece(), c.linear) << c.length << " x " << c.width;
        stock_as_number_2d s;
        s.kind = c.kind;
        s.length = p.length;
        s.width = p.width;
        EXPECT_EQ(s.IsSheet(), c.flat) << c.length << " x " << c.width;
        EXPECT_EQ(s.IsBar(), c.linear) << c.length << " x " << c.width;
    }
}

}  // namespace

// The result model: layout equality, waste lists, utilisation, scale finding, waste rounding.
#include <gtest/gtest.h>

#include "engine/scale_finder.h"
#include "engine/solution1d.h"
#include "engine/solution2d.h"

namespace {

TFractionalPiece2D Piece(double x1, double y1, double x2, double y2, const wchar_t* label)
{
    TFractionalPiece2D p;
    p.x1 = x1;
    p.y1 = y1;
    p.x2 = x2;
    p.y2 = y2;
    p.horizontal_size = x2 - x1;
    p.vertical_size = y2 - y1;
    p.label = label;
    return p;
}

Solution2D TwoPieceLayout()
{
    Solution2D s;
    s.sheet_length = 1000.0;
    s.sheet_width = 500.0;
    s.pieces = {Piece(0, 0, 400, 500, L"A"), Piece(403, 0, 800, 500, L"B")};
    TFractionalCut cut;
    cut.x1 = 400.0;
    cut.x2 = 400.0;
    cut.y2 = 500.0;
    s.cuts = {cut};
    return s;
}

}  // namespace

TEST(SameLayout, IgnoresPieceOrderButNotContents)
{
    const Solution2D a = TwoPieceLayout();
    Solution2D b = TwoPieceLayout();
    std::swap(b.pieces[0], b.pieces[1]);
    EXPECT_TRUE(a.SameLayout(b));

    Solution2D relabelled = TwoPieceLayout();
    relabelled.pieces[0].label = L"a";  // case is ignored
    EXPECT_TRUE(a.SameLayout(relabelled));
    relabelled.pieces[0].label = L"C";
    EXPECT_FALSE(a.SameLayout(relabelled));

    Solution2D moved = TwoPieceLayout();
    moved.pieces[1].x1 = 404.0;
    EXPECT_FALSE(a.SameLayout(moved));

    Solution2D other_stock = TwoPieceLayout();
    other_stock.stock_label = L"window";
    EXPECT_FALSE(a.SameLayout(other_stock));

    Solution2D wastes_differ = TwoPieceLayout();
    wastes_differ.wastes.resize(3);
    wastes_differ.cost = 99.0;
    EXPECT_TRUE(a.SameLayout(wastes_differ));
}

TEST(WasteLists, SortWastesByMinimalUsefulSizeAndMergeEqualOnes)
{
    garbage_waste_list garbage;
    reused_waste_list reused;
    const fractional_double minimal(100.0);
    const my_w_string glass(L"glass");
    struct Offer { double length, width; int count; };
    for (const Offer& o : {Offer{150, 120, 1}, Offer{150, 50, 1}, Offer{80, 120, 1}, Offer{150, 120, 2}}) {
        garbage.Offer2D(o.length, o.width, glass, minimal, o.count);
        reused.Offer2D(o.length, o.width, glass, minimal, o.count);
    }
    ASSERT_EQ(reused.Count(), 1);
    EXPECT_EQ(reused.Get(0)->total, 3);
    EXPECT_DOUBLE_EQ(reused.Get(0)->length.AsDouble(), 150.0);
    ASSERT_EQ(garbage.Count(), 2);
    EXPECT_DOUBLE_EQ(garbage.Get(0)->width.AsDouble(), 50.0);
    EXPECT_DOUBLE_EQ(garbage.Get(1)->length.AsDouble(), 80.0);

    // Equal sizes of another material make their own entry.
    reused.Offer2D(150.0, 120.0, my_w_string(L"oak"), minimal, 1);
    EXPECT_EQ(reused.Count(), 2);

    // Within the record tolerance, in either direction and across any bucket edge, in any letter case: the
    // first equal entry takes it; a fraction is another record.
    const double step = fractional_double::kTolerance / 3.0;
    for (int k = 0; k < 12; ++k) {
        SCOPED_TRACE(k);
        reused_waste_list one;
        const double base = 200.0 + k * step;
        one.Offer2D(base, 300.0, glass, minimal, 1);
        one.Offer2D(base + 0.9 * fractional_double::kTolerance, 300.0, my_w_string(L"GLASS"), minimal, 1);
        one.Offer2D(base, 300.0 - 0.9 * fractional_double::kTolerance, glass, minimal, 1);
        one.Offer2D(fractional_double(base, 1, 2), 300.0, glass, minimal, 1);
        one.Offer2D(base + 3.0 * fractional_double::kTolerance, 300.0, glass, minimal, 1);
        ASSERT_EQ(one.Count(), 3);
        EXPECT_EQ(one.Get(0)->total, 3);
    }

    garbage_waste_list bars_garbage;
    reused_waste_list bars_reused;
    bars_garbage.Offer1D(40.0, glass, minimal, 1);
    bars_reused.Offer1D(40.0, glass, minimal, 1);
    bars_reused.Offer1D(250.0, glass, minimal, 1);
    EXPECT_EQ(bars_garbage.Count(), 1);
    EXPECT_EQ(bars_reused.Count(), 1);
    EXPECT_DOUBLE_EQ(bars_reused.Get(0)->width.AsDouble(), 0.0);
}

TEST(Utilization, SumsLayoutsTimesRepetitionsPerMaterial)
{
    material_utilization_list list;
    Solution2D a = TwoPieceLayout();
    a.material = L"Glass";
    a.used_area = 400000.0;
    a.waste_area = 100000.0;
    a.cut_length = 500.0;
    a.cost = 2.5;
    a.repetitions = 3;
    Solution2D b = a;
    b.material = L"glass";
    b.repetitions = 1;
    list.AddLayout(a);
    list.AddLayout(b);
    ASSERT_EQ(list.Count(), 1);
    const material_utilization& u = *list.Get(0);
    EXPECT_DOUBLE_EQ(u.used_area_total.AsDouble(), 1600000.0);
    EXPECT_DOUBLE_EQ(u.sheet_area_total.AsDouble(), 4 * 500000.0);
    EXPECT_DOUBLE_EQ(u.cut_length_total.AsDouble(), 2000.0);
    EXPECT_DOUBLE_EQ(u.cost_total, 10.0);
    EXPECT_EQ(u.piece_total, 8);
}

TEST(ScaleFinder, FindsTheSmallestPowerOfTenOrFails)
{
    struct Case {
        std::vector<fractional_double> sizes;
        fractional_double maximal_cut;
        bool found;
        double scale;
        int decimals;
    };
    const std::vector<Case> cases = {
        {{600.0, 400.5, fractional_double(12.0, 3, 8)}, 5000.0, true, 1000.0, 3},
        {{600.0, 400.0}, 5000.0, true, 1.0, 0},
        {{300000000.0, 400.0}, 5000.0, false, 1.0, 0},
        {{0.1, 400.0}, 50000.0, true, 10.0, 1},
        {{fractional_double(0.0, 1, 3), 400.0}, 5000.0, false, 1.0, 0},
        // Sixteenths of an inch with the default maximal cut length: the cut length can never
        // exceed the sheet, so it does not force a scale that overflows.
        {{fractional_double(10.0, 1, 32), 40.0}, 5000.0, true, 100000.0, 5},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        parts_array_2d parts;
        for (size_t k = 0; k + 1 < c.sizes.size(); k += 2) {
            part_as_number_2d p;
            p.length = c.sizes[k];
            p.width = c.sizes[k + 1];
            p.quantity = 1;
            parts.Append(p);
        }
        if (c.sizes.size() % 2) {
            part_as_number_2d p;
            p.length = c.sizes.back();
            p.width = 10.0;
            p.quantity = 1;
            parts.Append(p);
        }
        stock_array_2d stock;
        stock_as_number_2d sheet;
        sheet.length = 2000.0;
        sheet.width = 1000.0;
        sheet.quantity = 1;
        stock.Append(sheet);
        parameters_as_number_2d parameters;
        parameters.maximal_cut_length = c.maximal_cut;
        group_scale found;
        EXPECT_EQ(FindGroupScale(parts, stock, parameters, found), c.found) << "case " << i;
        if (c.found) {
            EXPECT_DOUBLE_EQ(found.scale, c.scale) << "case " << i;
            EXPECT_EQ(found.decimals, c.decimals) << "case " << i;
        }
    }
}

TEST(ScaleFinder, SkipsRecordsThatTakeNoPart)
{
    parts_array_2d parts;
    part_as_number_2d unused;
    unused.length = 0.123456789;
    unused.width = 100.0;
    unused.quantity = 0;  // quantity 0 is not examined
    parts.Append(unused);
    group_scale found;
    ASSERT_TRUE(FindGroupScale(parts, stock_array_2d{}, parameters_as_number_2d{}, found));
    EXPECT_DOUBLE_EQ(found.scale, 1.0);
}

TEST(WasteRounding, RoundsHalvesAwayFromZeroAtTheGivenPlaces)
{
    EXPECT_DOUBLE_EQ(RoundToDecimals(10.3 - 10.1, 1), 0.2);
    EXPECT_DOUBLE_EQ(RoundToDecimals(2.25, 1), 2.3);
    EXPECT_DOUBLE_EQ(RoundToDecimals(-2.25, 1), -2.3);
    EXPECT_DOUBLE_EQ(RoundToDecimals(599.9999999, 0), 600.0);
}

TEST(BarLayouts, OrientAnglesAndCompareInOrder)
{
    struct Case { bool mirrored, turned, swapped; double a1, a2; };
    for (const Case& c : {Case{true, false, false, 135, 90}, Case{false, true, false, 90, 135},
                          Case{false, false, true, 90, 45}, Case{false, false, false, 45, 90}}) {
        double a1 = 45.0, a2 = 90.0;
        TFractionalPiece1D::OrientAngles(a1, a2, c.mirrored, c.turned, c.swapped);
        EXPECT_DOUBLE_EQ(a1, c.a1);
        EXPECT_DOUBLE_EQ(a2, c.a2);
    }
    Solution1D a;
    a.barLength = 5980.0;
    a.stockLength = 6000.0;
    TFractionalPiece1D p1, p2;
    p1.length = 1000.0;
    p1.label = L"x";
    p2.length = 2000.0;
    a.pieces = {p1, p2};
    Solution1D b = a;
    b.pieces[0].label = L"X";
    EXPECT_TRUE(a.SameLayout(b));
    std::swap(b.pieces[0], b.pieces[1]);
    EXPECT_FALSE(a.SameLayout(b));  // bars are compared in cutting order
}

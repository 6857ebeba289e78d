// Runs through the facade end to end: material groups, statuses, conversion back to user sizes.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/stavora_2d.h"
#include "job_records.h"

namespace {

struct Job {
    parts_array_2d parts;
    stock_array_2d stock;
    parameters_as_number_2d parameters;
    bool decimal_input = true;
};

run_result RunJob(stavora_2d& facade, const Job& job)
{
    facade.parameters = job.parameters;
    facade.Gather([&](parts_array_2d& p) { p = job.parts; }, [&](stock_array_2d& s) { s = job.stock; },
                  [](parameters_as_number_2d&) {});
    facade.decimal_input = job.decimal_input;
    return facade.Run({});
}

int32_t PlacedUnits(const stavora_2d& facade, const my_w_string& material)
{
    int32_t n = 0;
    for (const auto& layout : facade.solutions_2d)
        if (layout->material.EqualsIgnoreCase(material)) n += layout->piece_count() * layout->repetitions;
    return n;
}

// Every piece on its sheet and no two pieces overlapping, in user units.
void ExpectPiecesInsideAndApart(const Solution2D& layout)
{
    const double L = layout.sheet_length.AsDouble(), W = layout.sheet_width.AsDouble();
    for (size_t i = 0; i < layout.pieces.size(); ++i) {
        const auto& a = layout.pieces[i];
        EXPECT_GE(a.x1.AsDouble(), -1e-9);
        EXPECT_GE(a.y1.AsDouble(), -1e-9);
        EXPECT_LE(a.x2.AsDouble(), L + 1e-9);
        EXPECT_LE(a.y2.AsDouble(), W + 1e-9);
        EXPECT_NEAR(a.horizontal_size.AsDouble(), a.x2.AsDouble() - a.x1.AsDouble(), 1e-6);
        for (size_t j = i + 1; j < layout.pieces.size(); ++j) {
            const auto& b = layout.pieces[j];
            const bool apart = a.x2.AsDouble() <= b.x1.AsDouble() + 1e-9 || b.x2.AsDouble() <= a.x1.AsDouble() + 1e-9 ||
                               a.y2.AsDouble() <= b.y1.AsDouble() + 1e-9 || b.y2.AsDouble() <= a.y1.AsDouble() + 1e-9;
            EXPECT_TRUE(apart) << "pieces " << i << " and " << j << " overlap";
        }
    }
}

}  // namespace

TEST(RunPath2D, MaterialsAreCutOnlyFromTheirOwnStock)
{
    Job job;
    job.parts.Append(Part(500.0, 400.0, 4, L"Oak", L"a"));
    job.parts.Append(Part(300.0, 200.0, 3, L"glass", L"b"));
    job.parts.Append(Part(200.0, 200.0, 2, L"oak", L"c"));
    job.stock.Append(Sheet(1000.0, 1000.0, 5, L"OAK"));
    job.stock.Append(Sheet(2000.0, 2000.0, 5, L"glass"));
    stavora_2d facade;
    EXPECT_EQ(RunJob(facade, job).status, kRunAllPlaced);
    EXPECT_EQ(PlacedUnits(facade, my_w_string(L"oak")), 6);
    EXPECT_EQ(PlacedUnits(facade, my_w_string(L"glass")), 3);
    for (const auto& layout : facade.solutions_2d) {
        ExpectPiecesInsideAndApart(*layout);
        for (const auto& piece : layout->pieces)
            EXPECT_TRUE(facade.parts[piece.source_index].material.EqualsIgnoreCase(layout->material));
        const bool oak = layout->material.EqualsIgnoreCase(my_w_string(L"oak"));
        EXPECT_DOUBLE_EQ(layout->sheet_length.AsDouble(), oak ? 1000.0 : 2000.0);
    }
    ASSERT_EQ(facade.utilization_2d.Count(), 2);
}

TEST(RunPath2D, StatusRules)
{
    {
        SCOPED_TRACE("a material without stock");
        Job job;
        job.parts.Append(Part(500.0, 400.0, 1, L"oak"));
        job.parts.Append(Part(500.0, 400.0, 1, L"beech"));
        job.stock.Append(Sheet(1000.0, 1000.0, 1, L"oak"));
        stavora_2d facade;
        EXPECT_EQ(RunJob(facade, job).status, kRunNotAllPlaced);
        EXPECT_EQ(PlacedUnits(facade, my_w_string(L"oak")), 1);
    }
    {
        SCOPED_TRACE("a material no scale fits; the others are still cut");
        Job job;
        job.parts.Append(Part(fractional_double(0.0, 1, 3), 400.0, 1, L"odd"));
        job.parts.Append(Part(500.0, 400.0, 1, L"oak"));
        job.stock.Append(Sheet(1000.0, 1000.0, 1, L"odd"));
        job.stock.Append(Sheet(1000.0, 1000.0, 1, L"oak"));
        job.decimal_input = false;
        stavora_2d facade;
        EXPECT_EQ(RunJob(facade, job).status, kRunNotScalable);
        EXPECT_EQ(PlacedUnits(facade, my_w_string(L"oak")), 1);
        EXPECT_EQ(PlacedUnits(facade, my_w_string(L"odd")), 0);
    }
    {
        SCOPED_TRACE("a piece larger than every sheet");
        Job job;
        job.parts.Append(Part(500.0, 400.0, 2, L"oak"));
        job.parts.Append(Part(1500.0, 400.0, 1, L"oak"));
        job.stock.Append(Sheet(1000.0, 1000.0, 3, L"oak"));
        stavora_2d facade;
        EXPECT_EQ(RunJob(facade, job).status, kRunNotAllPlaced);
        EXPECT_EQ(PlacedUnits(facade, my_w_string(L"oak")), 2);
    }
    {
        SCOPED_TRACE("parts with quantity 0 only");
        Job job;
        job.parts.Append(Part(500.0, 400.0, 0, L"oak"));
        job.stock.Append(Sheet(1000.0, 1000.0, 3, L"oak"));
        stavora_2d facade;
        EXPECT_EQ(RunJob(facade, job).status, kRunAllPlaced);
        EXPECT_EQ(facade.solutions_2d.Count(), 0);
    }
}

TEST(RunPath2D, IdenticalSheetsBecomeOneLayoutWithRepetitions)
{
    Job job;
    job.parts.Append(Part(500.0, 1000.0, 8, L"", L"half"));
    job.stock.Append(Sheet(1000.0, 1000.0, 10, L""));
    stavora_2d facade;
    EXPECT_EQ(RunJob(facade, job).status, kRunAllPlaced);
    ASSERT_EQ(facade.solutions_2d.Count(), 1);
    EXPECT_EQ(facade.solutions_2d.Get(0)->repetitions, 4);
    EXPECT_EQ(facade.solutions_2d.Get(0)->piece_count(), 2);
    ASSERT_EQ(facade.used_stock_2d.count(), 1);
    EXPECT_EQ(facade.used_stock_2d[0].quantity, 4);
    ASSERT_EQ(facade.placed_parts_2d.count(), 1);
    EXPECT_EQ(facade.placed_parts_2d[0].quantity, 8);

    // A second run starts by dropping the first run's layouts.
    Job smaller = job;
    smaller.parts[0].quantity = 2;
    EXPECT_EQ(RunJob(facade, smaller).status, kRunAllPlaced);
    ASSERT_EQ(facade.solutions_2d.Count(), 1);
    EXPECT_EQ(facade.solutions_2d.Get(0)->repetitions, 1);
}

TEST(RunPath2D, ResultsComeBackInTheFormTheyWereTyped)
{
    for (const bool decimal : {true, false}) {
        SCOPED_TRACE(decimal ? "decimal job" : "fractional job");
        Job job;
        job.decimal_input = decimal;
        job.parts.Append(Part(decimal ? fractional_double(600.5) : fractional_double(600.0, 1, 2), 400.0, 1, L""));
        job.stock.Append(Sheet(1000.0, 1000.0, 1, L""));
        stavora_2d facade;
        ASSERT_EQ(RunJob(facade, job).status, kRunAllPlaced);
        const Solution2D& layout = *facade.solutions_2d.Get(0);
        const TFractionalPiece2D& piece = layout.pieces.at(0);
        const fractional_double& size = piece.rotated ? piece.vertical_size : piece.horizontal_size;
        if (decimal) {
            EXPECT_DOUBLE_EQ(size.whole, 600.5);
            EXPECT_EQ(size.numerator, 0);
        } else {
            EXPECT_DOUBLE_EQ(size.whole, 600.0);
            EXPECT_EQ(size.numerator, 1);
            EXPECT_EQ(size.denominator, 2);
        }
        EXPECT_NEAR(layout.used_area.AsDouble(), 600.5 * 400.0, 1e-6);
        for (const auto& waste : layout.wastes) {
            EXPECT_NEAR(waste.horizontal_size.AsDouble(), waste.x2.AsDouble() - waste.x1.AsDouble(), 1e-9);
            if (!decimal) {
                EXPECT_EQ(waste.horizontal_size.denominator % 1 == 0, true);
            }
        }
        ExpectPiecesInsideAndApart(layout);
    }
}

TEST(RunPath2D, EdgeBandsComeOffBeforeCutting)
{
    Job job;
    part_as_number_2d banded = Part(600.0, 400.0, 1, L"", L"banded");
    banded.edge_band.left_thick = 2.0;
    banded.edge_band.right_thick = 2.0;
    banded.edge_band.top_thick = 1.0;
    banded.allow_rotation = 0;
    job.parts.Append(banded);
    job.stock.Append(Sheet(1000.0, 1000.0, 1, L""));
    job.parameters.subtract_edge_band = 1;
    stavora_2d facade;
    ASSERT_EQ(RunJob(facade, job).status, kRunAllPlaced);
    const TFractionalPiece2D& piece = facade.solutions_2d.Get(0)->pieces.at(0);
    EXPECT_DOUBLE_EQ(piece.horizontal_size.AsDouble(), 596.0);
    EXPECT_DOUBLE_EQ(piece.vertical_size.AsDouble(), 399.0);
    EXPECT_EQ(piece.rotated, 0);  // cut at its own length, so not taken for turned
}

TEST(RunPath1D, BarsAreCutByMaterialAndWidth)
{
    Job job;
    part_as_number_2d batten = Part(1000.0, 0.0, 3, L"pine", L"batten");
    part_as_number_2d profile = Part(800.0, 18.0, 2, L"pine", L"profile");
    profile.kind = kKindLinear;  // a profile 18 wide, cut from bars of that width
    job.parts.Append(batten);
    job.parts.Append(profile);
    stock_as_number_2d bar = Sheet(6000.0, 0.0, 2, L"pine", L"bar");
    bar.trim_left = 10.0;
    bar.trim_right = 10.0;
    job.stock.Append(bar);
    stock_as_number_2d profile_bar = Sheet(6000.0, 18.0, 1, L"pine", L"profile bar");
    profile_bar.kind = kKindLinear;
    job.stock.Append(profile_bar);
    stavora_2d facade;
    EXPECT_EQ(RunJob(facade, job).status, kRunAllPlaced);
    ASSERT_EQ(facade.solutions_1d.Count(), 2);
    EXPECT_EQ(facade.solutions_2d.Count(), 0);
    for (const auto& layout : facade.solutions_1d) {
        const bool profile_bar = layout->stockLabel.str() == L"profile bar";
        EXPECT_DOUBLE_EQ(layout->stockLength.AsDouble(), 6000.0);
        EXPECT_DOUBLE_EQ(layout->barLength.AsDouble(), profile_bar ? 6000.0 : 5980.0);
        double used = 0;
        for (const auto& piece : layout->pieces) {
            used += piece.length.AsDouble();
            EXPECT_EQ(piece.label.str(), profile_bar ? L"profile" : L"batten");
        }
        EXPECT_NEAR(layout->waste.AsDouble(), layout->barLength.AsDouble() - used, 1e-6);
    }
}

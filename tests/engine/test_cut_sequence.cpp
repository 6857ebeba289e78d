// The saw's order of cuts: replayed on the sheet for random jobs of every mode, and read on a small layout.
#include <gtest/gtest.h>

#include "cut_sequence_checker.h"
#include "engine/stavora_2d.h"
#include "util/random.h"

namespace {

fractional_double Size(int tenths, bool decimal)
{
    if (decimal) return fractional_double(tenths / 10.0);
    // Fractional jobs in sixteenths: tenths read as sixteenths keeps the range.
    fractional_double v(static_cast<double>(tenths / 16), tenths % 16, 16);
    v.Normalize();
    return v;
}

struct random_job {
    parts_array_2d parts;
    stock_array_2d stock;
    parameters_as_number_2d parameters;
    bool decimal = true;
};

random_job MakeJob(uint32_t seed, uint8_t mode)
{
    stv::RandomSeed(seed * 7 + mode);
    random_job job;
    job.decimal = seed % 3 != 0;
    const int kinds = 1 + stv::RandomBelow(6);
    for (int k = 0; k < kinds; ++k) {
        part_as_number_2d p;
        p.length = Size(300 + stv::RandomBelow(7000), job.decimal);
        p.width = Size(200 + stv::RandomBelow(5000), job.decimal);
        p.quantity = 1 + stv::RandomBelow(8);
        p.grain = static_cast<uint8_t>(stv::RandomBelow(3));
        p.label = (L"p" + std::to_wstring(k)).c_str();
        job.parts.Append(p);
    }
    stock_as_number_2d s;
    s.length = Size(10 * (1200 + stv::RandomBelow(1600)), job.decimal);
    s.width = Size(10 * (900 + stv::RandomBelow(1200)), job.decimal);
    s.quantity = 30;
    s.grain = static_cast<uint8_t>(stv::RandomBelow(3));
    // Trims on any edges, sometimes a minimal break wider than them.
    if (stv::RandomBelow(3)) s.trim_top = Size(10 * stv::RandomBelow(20), job.decimal);
    if (stv::RandomBelow(3)) s.trim_left = Size(10 * stv::RandomBelow(20), job.decimal);
    if (stv::RandomBelow(2)) s.trim_bottom = Size(10 * stv::RandomBelow(20), job.decimal);
    if (stv::RandomBelow(2)) s.trim_right = Size(10 * stv::RandomBelow(20), job.decimal);
    job.stock.Append(s);
    job.parameters.cutter_thickness = Size(10 * stv::RandomBelow(6), job.decimal);
    if (stv::RandomBelow(4) == 0) job.parameters.minimal_break_size = Size(10 * (5 + stv::RandomBelow(20)), job.decimal);
    // Cut limits between the sheet's sides and unlimited.
    if (stv::RandomBelow(2)) job.parameters.maximal_cut_length = Size(10 * (1000 + stv::RandomBelow(1800)), job.decimal);
    job.parameters.iterations = 10;
    job.parameters.random_seed = static_cast<int32_t>(seed);
    job.parameters.run_mode = mode;
    if (mode == 2) {
        job.parameters.number_of_stages = 2 + stv::RandomBelow(3);
        job.parameters.first_direction = static_cast<uint8_t>(stv::RandomBelow(2));
    }
    return job;
}

}  // namespace

TEST(CutSequence, ReplaysEveryLayoutOfRandomJobsInEveryMode)
{
    for (uint8_t mode = 0; mode <= 2; ++mode) {
        int layouts = 0, trim_cuts = 0;
        for (uint32_t seed = 1; seed <= 60; ++seed) {
            const random_job job = MakeJob(seed, mode);
            stavora_2d facade;
            facade.parameters = job.parameters;
            facade.Gather([&](parts_array_2d& p) { p = job.parts; }, [&](stock_array_2d& s) { s = job.stock; }, {});
            facade.decimal_input = job.decimal;
            facade.Run({});
            int64_t count = 0;
            for (const auto& layout : facade.solutions_2d) {
                const layout_cut_sequence sequence = CutSequenceOf(facade, *layout);
                const auto problems = CheckCutSequence(*layout, sequence, job.parameters.maximal_cut_length.AsDouble());
                for (const auto& problem : problems)
                    ADD_FAILURE() << "mode " << int{mode} << " seed " << seed << ": " << problem;
                if (!problems.empty()) return;
                for (const auto& cut : sequence.cuts) trim_cuts += cut.trim;
                count += static_cast<int64_t>(sequence.cuts.size()) * layout->repetitions;
                ++layouts;
            }
            const cut_totals totals = JobCutTotals(facade);
            EXPECT_EQ(totals.cut_count, count);
            double length = 0.0;
            for (const auto& u : facade.utilization_2d) length += u->cut_length_total.AsDouble();
            EXPECT_NEAR(totals.cut_length.AsDouble(), length, 1e-6 * std::max(1.0, length));
        }
        EXPECT_GT(layouts, 50) << "mode " << int{mode};
        EXPECT_GT(trim_cuts, 0) << "mode " << int{mode};
    }
}

namespace {

TFractionalCut Cut(double x1, double y1, double x2, double y2, double kerf) { return {x1, y1, x2, y2, kerf}; }

template <class T>
T Rect(double x1, double y1, double x2, double y2)
{
    T r;
    r.x1 = x1;
    r.y1 = y1;
    r.x2 = x2;
    r.y2 = y2;
    r.horizontal_size = x2 - x1;
    r.vertical_size = y2 - y1;
    return r;
}

// A 100 x 50 sheet, kerf 2, a 3-wide top trim; a strip of two pieces and a waste below.
Solution2D SmallLayout()
{
    Solution2D l;
    l.sheet_length = 100.0;
    l.sheet_width = 50.0;
    l.cuts = {Cut(0, 25, 100, 25, 2), Cut(60, 5, 60, 25, 2), Cut(0, 3, 100, 3, 2), Cut(30, 5, 30, 25, 2)};
    l.pieces = {Rect<TFractionalPiece2D>(0, 5, 30, 25), Rect<TFractionalPiece2D>(32, 5, 60, 25)};
    l.wastes = {Rect<TFractionalWaste>(62, 5, 100, 25), Rect<TFractionalWaste>(0, 27, 100, 50),
                Rect<TFractionalWaste>(0, 0, 100, 3)};
    l.cut_length = 240.0;
    return l;
}

}  // namespace

TEST(CutSequence, TrimFirstThenAcrossTheSheetThenEachStrip)
{
    sheet_trims trims;
    trims.top = 5.0;
    const Solution2D layout = SmallLayout();
    const layout_cut_sequence s = BuildCutSequence(layout, trims);
    ASSERT_TRUE(CheckCutSequence(layout, s, 100.0).empty());
    struct expected {
        int32_t cut_index, stage;
        bool trim;
        cut_direction direction;
        double position, length;
        std::vector<int32_t> pieces, wastes;
    };
    const std::vector<expected> cases = {
        {2, 0, true, cut_direction::rip, 3, 100, {}, {2}},
        {0, 1, false, cut_direction::rip, 20, 100, {}, {1}},
        {3, 2, false, cut_direction::cross, 30, 20, {0}, {}},
        {1, 2, false, cut_direction::cross, 28, 20, {1}, {0}},
    };
    ASSERT_EQ(s.cuts.size(), cases.size());
    for (size_t i = 0; i < cases.size(); ++i) {
        const sequence_cut& c = s.cuts[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(c.number, static_cast<int32_t>(i + 1));
        EXPECT_EQ(c.cut_index, cases[i].cut_index);
        EXPECT_EQ(c.stage, cases[i].stage);
        EXPECT_EQ(c.trim, cases[i].trim);
        EXPECT_EQ(c.direction, cases[i].direction);
        EXPECT_DOUBLE_EQ(c.position.AsDouble(), cases[i].position);
        EXPECT_DOUBLE_EQ(c.length.AsDouble(), cases[i].length);
        EXPECT_EQ(c.freed_pieces, cases[i].pieces);
        EXPECT_EQ(c.freed_wastes, cases[i].wastes);
    }
    EXPECT_DOUBLE_EQ(s.cut_length.AsDouble(), 240.0);
    // The checker sees a cut that is longer than the saw allows, and one left out.
    EXPECT_FALSE(CheckCutSequence(layout, s, 90.0).empty());
    layout_cut_sequence shorter = s;
    shorter.cuts.pop_back();
    EXPECT_FALSE(CheckCutSequence(layout, shorter, 0.0).empty());

    // With a bottom trim the far strip is a trim too: both trims first, and the strip's cuts are
    // then the first cuts across the trimmed sheet.
    trims.bottom = 25.0;
    const layout_cut_sequence both = BuildCutSequence(layout, trims);
    ASSERT_TRUE(CheckCutSequence(layout, both, 100.0).empty());
    ASSERT_EQ(both.cuts.size(), 4u);
    EXPECT_TRUE(both.cuts[0].trim && both.cuts[1].trim);
    EXPECT_EQ(both.cuts[1].cut_index, 0);
    EXPECT_DOUBLE_EQ(both.cuts[1].position.AsDouble(), 20.0);
    EXPECT_EQ(both.cuts[2].stage, 1);
    EXPECT_EQ(both.cuts[3].stage, 1);
}

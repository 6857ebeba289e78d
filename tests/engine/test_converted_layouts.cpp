// Random jobs through the facade: every converted layout, back in user units, is still valid.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/stavora_2d.h"
#include "layout_checker.h"
#include "util/random.h"

namespace {

struct random_job {
    parts_array_2d parts;
    stock_array_2d stock;
    parameters_as_number_2d parameters;
    bool decimal = true;
    double scale = 1.0;  // the scale the sizes were made for
};

// Sizes in tenths (decimal jobs) or sixteenths (fractional jobs) of a unit.
fractional_double Size(int units, bool decimal)
{
    if (decimal) return fractional_double(units / 10.0);
    fractional_double v(static_cast<double>(units / 16), units % 16, 16);
    v.Normalize();
    return v;
}

random_job MakeJob(uint32_t seed)
{
    stv::RandomSeed(seed);
    random_job job;
    job.decimal = seed % 2 == 0;
    const int step = job.decimal ? 10 : 16;
    job.scale = job.decimal ? 10.0 : 10000.0;  // 1/16 = 0.0625 needs four decimals
    const int kinds = 1 + stv::RandomBelow(5);
    for (int k = 0; k < kinds; ++k) {
        part_as_number_2d p;
        p.length = Size(step * (50 + stv::RandomBelow(700)) + stv::RandomBelow(step), job.decimal);
        p.width = Size(step * (40 + stv::RandomBelow(500)) + stv::RandomBelow(step), job.decimal);
        p.quantity = 1 + stv::RandomBelow(6);
        p.grain = static_cast<uint8_t>(stv::RandomBelow(3));
        p.label = (L"p" + std::to_wstring(k)).c_str();
        job.parts.Append(p);
    }
    stock_as_number_2d s;
    s.length = Size(step * (1200 + stv::RandomBelow(1600)), job.decimal);
    s.width = Size(step * (900 + stv::RandomBelow(1200)), job.decimal);
    s.quantity = 20;
    s.grain = static_cast<uint8_t>(stv::RandomBelow(3));
    if (stv::RandomBelow(2)) s.trim_left = s.trim_top = Size(step * 10, job.decimal);
    job.stock.Append(s);
    if (seed % 3 == 0) {
        // A second record of the same sheet with a few on hand: each record pays only for its own sheets.
        s.label = L"second";
        s.quantity = 2;
        job.stock.Append(s);
        job.stock[0].quantity = 3;
    }
    job.parameters.cutter_thickness = Size(step * stv::RandomBelow(6), job.decimal);
    job.parameters.iterations = 10;
    return job;
}

int32_t ToInt(const fractional_double& v, double scale) { return static_cast<int32_t>(std::lround(v.AsDouble() * scale)); }

sheet_check ToCheck(const Solution2D& layout, const random_job& job)
{
    const double k = job.scale;
    const stock_as_number_2d& sheet = job.stock[layout.sheet_source_index];
    sheet_check s;
    s.length = ToInt(layout.sheet_length, k);
    s.width = ToInt(layout.sheet_width, k);
    s.trim_y0 = ToInt(sheet.trim_top, k);
    s.trim_x0 = ToInt(sheet.trim_left, k);
    s.trim_yW = ToInt(sheet.trim_bottom, k);
    s.trim_xL = ToInt(sheet.trim_right, k);
    s.kerf = ToInt(job.parameters.cutter_thickness, k);
    for (const auto& p : layout.pieces) {
        check_piece c;
        c.x1 = ToInt(p.x1, k);
        c.y1 = ToInt(p.y1, k);
        c.x2 = ToInt(p.x2, k);
        c.y2 = ToInt(p.y2, k);
        c.turned = p.rotated != 0;
        const part_as_number_2d& part = job.parts[p.source_index];
        c.length = ToInt(part.length, k);
        c.width = ToInt(part.width, k);
        // Grain on both piece and sheet fixes the orientation; otherwise either way is allowed.
        if (part.grain != 0 && sheet.grain != 0) c.rule = part.grain == sheet.grain ? turn_rule::never : turn_rule::always;
        s.pieces.push_back(c);
    }
    for (const auto& cut : layout.cuts)
        s.cuts.push_back({ToInt(cut.x1, k), ToInt(cut.y1, k), ToInt(cut.x2, k), ToInt(cut.y2, k), ToInt(cut.cut_kerf, k)});
    for (const auto& w : layout.wastes) s.wastes.push_back({ToInt(w.x1, k), ToInt(w.y1, k), ToInt(w.x2, k), ToInt(w.y2, k)});
    s.reported_pieces = layout.piece_count();
    s.reported_cuts = layout.cut_count();
    s.reported_wastes = layout.waste_count();
    s.reported_waste_area = layout.waste_area.AsDouble() * k * k;
    s.reported_cut_length = layout.cut_length.AsDouble() * k;
    return s;
}

}  // namespace

TEST(ConvertedLayouts, StayValidInUserUnitsForDecimalAndFractionalJobs)
{
    int checked_pieces = 0;
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        const random_job job = MakeJob(seed);
        stavora_2d facade;
        facade.parameters = job.parameters;
        facade.Gather([&](parts_array_2d& p) { p = job.parts; }, [&](stock_array_2d& s) { s = job.stock; }, {});
        facade.decimal_input = job.decimal;
        const run_result result = facade.Run({});
        ASSERT_NE(result.status, kRunNotScalable) << "seed " << seed;
        std::vector<int32_t> charged(static_cast<size_t>(job.stock.count()), 0);
        for (const auto& layout : facade.solutions_2d) charged[static_cast<size_t>(layout->sheet_source_index)] += layout->repetitions;
        for (int32_t r = 0; r < job.stock.count(); ++r)
            EXPECT_LE(charged[static_cast<size_t>(r)], job.stock[r].quantity) << "seed " << seed << ", stock record " << r;
        for (const auto& layout : facade.solutions_2d) {
            for (const auto& p : layout->pieces) {
                // A fractional job comes back in fractions, a decimal one in decimals.
                if (job.decimal) ASSERT_EQ(p.x2.numerator, 0) << "seed " << seed;
                else ASSERT_EQ(std::fabs(p.x2.whole - std::trunc(p.x2.whole)), 0.0) << "seed " << seed;
            }
            checked_pieces += layout->piece_count();
            const auto problems = CheckSheetLayout(ToCheck(*layout, job));
            for (const auto& problem : problems) ADD_FAILURE() << "seed " << seed << ": " << problem;
            if (!problems.empty()) return;
        }
    }
    EXPECT_GT(checked_pieces, 200);
}

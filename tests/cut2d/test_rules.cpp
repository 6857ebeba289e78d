// Small fixtures for rules whose faults would still give valid layouts.
#include <gtest/gtest.h>

#include <vector>

#include "cut2d/TCutSingleSheet2D.h"
#include "cut2d/construction_plan.h"
#include "cut2d/guillotine_decoder.h"
#include "cut2d/guillotine_search.h"
#include "cut2d/layout_model.h"
#include "cut2d/sheet_geometry.h"
#include "layout_checker.h"

namespace {

sheet_geometry Geometry(int32_t L, int32_t W, int32_t kerf, int32_t g, int32_t h)
{
    sheet_geometry s;
    s.length = L;
    s.width = W;
    s.kerf = kerf;
    s.length_breakage = g;
    s.width_breakage = h;
    s.max_cut = std::max(L, W);
    return s;
}

part2d Piece(int32_t l, int32_t w, int32_t index, int8_t may_rotate = 0)
{
    part2d p;
    p.length = l;
    p.width = w;
    p.index = index;
    p.may_rotate = may_rotate;
    p.data = user_data{index, index};
    return p;
}

// The checker's view of a layout held in the optimiser's own records.
sheet_check CheckOf(int32_t L, int32_t W, const sheet_geometry& g, const std::vector<placed_piece2d>& pieces,
                    const std::vector<part2d>& demand, const std::vector<cut2d>& cuts, const std::vector<waste2d>& wastes)
{
    sheet_check c;
    c.length = L;
    c.width = W;
    c.trim_x0 = g.trim_x0;
    c.trim_y0 = g.trim_y0;
    c.trim_xL = g.trim_xL;
    c.trim_yW = g.trim_yW;
    c.kerf = g.kerf;
    c.max_cut = g.max_cut;
    for (const placed_piece2d& p : pieces) {
        const part2d& d = demand[static_cast<size_t>(p.piece_index)];
        c.pieces.push_back(check_piece{p.x1, p.y1, p.x2, p.y2, p.turned != 0, d.length, d.width,
                                       d.may_rotate == 1 ? turn_rule::any : turn_rule::never});
    }
    double waste_area = 0.0, cut_length = 0.0;
    for (const cut2d& k : cuts) {
        c.cuts.push_back(check_cut{k.x1, k.y1, k.x2, k.y2, k.kerf});
        cut_length += k.length();
    }
    for (const waste2d& w : wastes) {
        c.wastes.push_back(check_rect{w.x1, w.y1, w.x2, w.y2});
        waste_area += w.area();
    }
    c.reported_pieces = static_cast<int32_t>(pieces.size());
    c.reported_cuts = static_cast<int32_t>(cuts.size());
    c.reported_wastes = static_cast<int32_t>(wastes.size());
    c.reported_waste_area = waste_area;
    c.reported_cut_length = cut_length;
    return c;
}

std::string Violations(const sheet_check& c)
{
    std::string all;
    for (const std::string& v : CheckSheetLayout(c)) all += v + "; ";
    return all;
}

// Decodes one genome (identity order, given direction bits, nothing turned) and checks the layout.
struct decoded {
    std::vector<part2d> pieces;
    decode_input input;
    Cut2DXChromosomeGuillotine ind;

    decoded(const std::vector<part2d>& p, const sheet_geometry& g, const std::vector<uint8_t>& bits, int variant = 0)
        : pieces(p)
    {
        input.Build(pieces, static_cast<int32_t>(pieces.size()));
        ind.Size(static_cast<int32_t>(pieces.size()), input.bound, input.group_count());
        for (size_t i = 0; i < pieces.size(); ++i) {
            ind.order[i] = static_cast<int32_t>(i);
            ind.turn[i] = 0;
            ind.direction[i] = i < bits.size() ? bits[i] : 0;
        }
        ind.variant = variant;
        ind.RecomputeRuns(pieces);
        DecodeGuillotine(ind, input, g);
        const sheet_check c =
            CheckOf(g.length, g.width, g, std::vector<placed_piece2d>(ind.pieces.begin(), ind.pieces.begin() + ind.piece_count),
                    pieces, std::vector<cut2d>(ind.cuts.begin(), ind.cuts.begin() + ind.cut_count),
                    std::vector<waste2d>(ind.rects.begin(), ind.rects.begin() + ind.rect_count));
        EXPECT_EQ(Violations(c), "");
    }
    const placed_piece2d& at(int32_t i) const { return ind.pieces[static_cast<size_t>(i)]; }
};

}  // namespace

struct fit_case {
    const char* name;
    int32_t extent;  // rectangle extent along x (the y extent is ample)
    int32_t piece;
    int32_t kerf, breakage;
    int32_t trim_x0, trim_y0, trim_xL, trim_yW;
    bool fits;
};
// Named cases print by name (the default dump shows pointer bytes that change every run).
void PrintTo(const fit_case& c, std::ostream* out) { *out << c.name; }

class FitTest : public ::testing::TestWithParam<fit_case> {};

TEST_P(FitTest, FreeRectangleAndWholeSheetAgree)
{
    const fit_case& c = GetParam();
    sheet_geometry g = Geometry(c.extent, 1000, c.kerf, c.breakage, 0);
    g.trim_x0 = c.trim_x0;
    g.trim_y0 = c.trim_y0;
    g.trim_xL = c.trim_xL;
    g.trim_yW = c.trim_yW;
    const rect_i32 sheet{0, 0, c.extent, 1000};
    EXPECT_EQ(FitsFreeRectangle(g, sheet, c.piece, 10, 0, 0, false), c.fits) << c.name;
    stock2d s;
    s.length = c.extent;
    s.width = 1000;
    s.trim_x0 = c.trim_x0;
    s.trim_y0 = c.trim_y0;
    s.trim_xL = c.trim_xL;
    s.trim_yW = c.trim_yW;
    EXPECT_EQ(FitsWholeSheet(s, c.piece, 10, c.kerf, c.breakage, 0), c.fits) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Table, FitTest,
    ::testing::Values(
        // Breakage 10 and kerf 4: a leftover must be at least 14 or be lost in the kerf.
        fit_case{"leftover 14", 100, 86, 4, 10, 0, 0, 0, 0, true},
        fit_case{"leftover 4 lost in the kerf", 100, 96, 4, 10, 0, 0, 0, 0, true},
        fit_case{"leftover 10 too small to break", 100, 90, 4, 10, 0, 0, 0, 0, false},
        fit_case{"leftover 5 just above the kerf", 100, 95, 4, 10, 0, 0, 0, 0, false},
        fit_case{"exact fit", 100, 100, 4, 10, 0, 0, 0, 0, true},
        fit_case{"too long", 100, 101, 0, 0, 0, 0, 0, 0, false},
        // A far trim takes max(trim, breakage + kerf) off the far edge.
        fit_case{"far trim 10 leaves 90", 100, 90, 4, 0, 0, 0, 10, 0, true},
        fit_case{"far trim 10 leaves 90, not 91", 100, 91, 4, 0, 0, 0, 10, 0, false},
        fit_case{"far trim below breakage + kerf", 100, 86, 4, 10, 0, 0, 5, 0, true},
        fit_case{"far trim below breakage + kerf, 87", 100, 87, 4, 10, 0, 0, 5, 0, false},
        // A near trim alone: the rest after it must break off or be lost in one kerf.
        fit_case{"near trim, kerf rest", 100, 88, 4, 0, 10, 0, 0, 0, true},
        fit_case{"near trim, exact", 100, 90, 4, 0, 10, 0, 0, 0, true},
        fit_case{"near trim, over", 100, 91, 4, 0, 10, 0, 0, 0, false},
        // Near trims on x and y: any leftover of at least the breakage.
        fit_case{"two near trims, leftover 2", 100, 88, 4, 0, 10, 10, 0, 0, true},
        fit_case{"two near trims, breakage 5", 100, 86, 4, 5, 10, 10, 0, 0, false},
        // All four trims: the far trim stays whole, as with a far trim alone; a piece reaching into
        // it could never be placed.
        fit_case{"four trims, rest under a kerf", 100, 88, 4, 0, 10, 10, 10, 10, false},
        fit_case{"four trims, rest of a kerf", 100, 76, 4, 0, 10, 10, 10, 10, true},
        fit_case{"four trims, too long", 100, 86, 4, 0, 10, 10, 10, 10, false}),
    [](const ::testing::TestParamInfo<fit_case>& info) {
        std::string n = info.param.name;
        for (char& ch : n)
            if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
        return n;
    });

TEST(FactorTable, PairsByIncreasingSmallFactorEachFollowedByItsMirror)
{
    factor_table t;
    t.Build(12);
    auto pairs = [&](int32_t i) { return std::vector<int32_t>(t.begin(i), t.end(i)); };
    EXPECT_EQ(pairs(1), (std::vector<int32_t>{1, 1}));
    EXPECT_EQ(pairs(4), (std::vector<int32_t>{1, 4, 4, 1, 2, 2}));
    EXPECT_EQ(pairs(6), (std::vector<int32_t>{1, 6, 6, 1, 2, 3, 3, 2}));
    EXPECT_EQ(pairs(7), (std::vector<int32_t>{1, 7, 7, 1}));
    EXPECT_EQ(pairs(12), (std::vector<int32_t>{1, 12, 12, 1, 2, 6, 6, 2, 3, 4, 4, 3}));
}

TEST(Decoder, SixIdenticalPiecesMakeOneThreeByTwoBlock)
{
    // 3 along x and 2 along y fit exactly; the block has 2 cuts along y and 3 along x inside it.
    std::vector<part2d> p;
    for (int i = 0; i < 6; ++i) p.push_back(Piece(30, 40, i));
    decoded d(p, Geometry(100, 100, 5, 0, 0), {});
    ASSERT_EQ(d.ind.piece_count, 6);
    int along_y = 0, along_x = 0;
    for (int32_t c = 0; c < d.ind.cut_count; ++c) {
        const cut2d& k = d.ind.cuts[static_cast<size_t>(c)];
        if (k.along_y() && k.y1 == 0 && k.y2 == 85) ++along_y;
        if (k.along_x() && k.x2 - k.x1 == 30) ++along_x;
    }
    EXPECT_EQ(along_y, 2);
    EXPECT_EQ(along_x, 3);
}

TEST(Decoder, BestAreaFitTakesTheSmallerRectangle)
{
    // The first piece leaves a 20 x 100 strip beside it and an 80 x 70 part above it; the small piece goes
    // into the strip although the larger part comes first in the list.
    decoded d({Piece(80, 30, 0), Piece(15, 15, 1)}, Geometry(100, 100, 0, 0, 0), {1, 0});
    ASSERT_EQ(d.ind.piece_count, 2);
    EXPECT_EQ(d.at(1).x1, 80);
    EXPECT_EQ(d.at(1).y1, 0);
}

struct leftover_case {
    int32_t minimal_useful;
    bool side_by_side;
};

class LeftoverTest : public ::testing::TestWithParam<leftover_case> {};

TEST_P(LeftoverTest, EqualAreasAreDecidedByTheLeftovers)
{
    // Two 10 x 10 pieces on 50 x 100: side by side leaves 30 and 90, stacked 40 and 80. The smaller short
    // leftover wins, unless it falls below the minimal useful size.
    sheet_geometry g = Geometry(50, 100, 0, 0, 0);
    g.minimal_useful_size = GetParam().minimal_useful;
    decoded d({Piece(10, 10, 0), Piece(10, 10, 1)}, g, {});
    ASSERT_EQ(d.ind.piece_count, 2);
    EXPECT_EQ(d.at(1).x1 == 10 && d.at(1).y1 == 0, GetParam().side_by_side);
}

INSTANTIATE_TEST_SUITE_P(Table, LeftoverTest, ::testing::Values(leftover_case{0, true}, leftover_case{35, false}));

TEST(Decoder, StackedBlocksOfOneWidthMergeTheFreeRectanglesBesideThem)
{
    // 40 x 30 with a full-width cut, then 40 x 50 above it with a full-height cut at the same x: the two
    // free parts right of x = 40 join into one 60 x 100 rectangle over one cut.
    decoded d({Piece(40, 30, 0), Piece(40, 50, 1)}, Geometry(100, 100, 0, 0, 0), {0, 1});
    ASSERT_EQ(d.ind.piece_count, 2);
    EXPECT_EQ(d.ind.rect_count, 2);
    bool merged = false;
    for (int32_t r = 0; r < d.ind.rect_count; ++r) {
        const waste2d& w = d.ind.rects[static_cast<size_t>(r)];
        if (w.x1 == 40 && w.y1 == 0 && w.x2 == 100 && w.y2 == 100) merged = true;
    }
    EXPECT_TRUE(merged);
    ASSERT_EQ(d.ind.cut_count, 3);
    bool joined = false, shortened = false;
    for (int32_t c = 0; c < d.ind.cut_count; ++c) {
        const cut2d& k = d.ind.cuts[static_cast<size_t>(c)];
        if (k.along_y() && k.x1 == 40 && k.y1 == 0 && k.y2 == 100) joined = true;
        if (k.along_x() && k.y1 == 30 && k.x1 == 0 && k.x2 == 40) shortened = true;
    }
    EXPECT_TRUE(joined);
    EXPECT_TRUE(shortened);
}

TEST(Decoder, NarrowRemainderGetsANarrowCut)
{
    // 97 of 100 with kerf 4: the 3 units left are taken by a cut 3 units wide.
    decoded d({Piece(97, 50, 0)}, Geometry(100, 100, 4, 0, 0), {1});
    ASSERT_EQ(d.ind.piece_count, 1);
    bool narrow = false;
    for (int32_t c = 0; c < d.ind.cut_count; ++c) {
        const cut2d& k = d.ind.cuts[static_cast<size_t>(c)];
        if (k.along_y() && k.x1 == 97) narrow = k.kerf == 3;
    }
    EXPECT_TRUE(narrow);
}

TEST(Decoder, ShortMaximalCutLengthForcesCutsAlongX)
{
    sheet_geometry g = Geometry(60, 100, 0, 0, 0);
    g.max_cut = 60;  // shorter than the sheet width: no cut along y may cross the sheet
    std::vector<part2d> p;
    for (int i = 0; i < 4; ++i) p.push_back(Piece(50, 20, i));
    decoded d(p, g, {1, 1, 1, 1});  // the direction bits ask for cuts along y first
    EXPECT_EQ(d.ind.piece_count, 4);
    bool across = false;
    for (int32_t c = 0; c < d.ind.cut_count; ++c) {
        const cut2d& k = d.ind.cuts[static_cast<size_t>(c)];
        EXPECT_LE(k.length(), 60);
        if (k.along_x() && k.x1 == 0 && k.x2 == 60) across = true;
    }
    EXPECT_TRUE(across);
}

TEST(WasteRanking, EqualAreasFillAllThreePlaces)
{
    waste_ranking w;
    for (int i = 0; i < 3; ++i) w.Add(50.0);
    EXPECT_DOUBLE_EQ(w.largest, 50.0);
    EXPECT_DOUBLE_EQ(w.second, 50.0);
    EXPECT_DOUBLE_EQ(w.third, 50.0);
    EXPECT_DOUBLE_EQ(w.total, 150.0);
}

namespace {

struct solution_figures {
    int32_t pieces;
    double used, lost, largest;
    int32_t wastes;
};

TGlobalSolution Solution(const solution_figures& f)
{
    TGlobalSolution s;
    s.piece_count = f.pieces;
    s.used_area = f.used;
    s.lost_area = f.lost;
    s.largest_waste = f.largest;
    s.waste_count = f.wastes;
    return s;
}

}  // namespace

TEST(SolutionOrder, TolerancesOfEachStep)
{
    struct row {
        const char* name;
        solution_figures n, b;
        bool better;
    };
    const std::vector<row> rows = {
        {"best has no piece", {1, 10, 90, 0, 1}, {0, 0, 100, 0, 0}, true},
        {"candidate has no piece", {0, 0, 100, 0, 0}, {1, 10, 90, 0, 1}, false},
        {"more used area", {1, 10.0002, 90, 0, 1}, {1, 10, 80, 0, 1}, true},
        {"used area within 0.0001 is equal", {1, 10.0001, 90, 0, 1}, {1, 10, 80, 0, 1}, false},
        {"less lost area by more than 0.001", {1, 10, 89.998, 0, 1}, {1, 10, 90, 0, 1}, true},
        {"less lost by 0.0005 goes on", {1, 10, 89.9995, 0, 2}, {1, 10, 90, 0, 1}, false},
        {"more lost by 0.005 goes on", {1, 10, 90.005, 0, 1}, {1, 10, 90, 0, 2}, true},
        {"more lost by 0.02 is worse", {1, 10, 90.02, 0, 1}, {1, 10, 90, 0, 2}, false},
        {"larger largest waste", {1, 10, 90, 5.02, 3}, {1, 10, 90, 5, 1}, true},
        {"largest waste within 0.01 goes on", {1, 10, 90, 5.005, 3}, {1, 10, 90, 5, 1}, false},
        {"fewer wastes", {1, 10, 90, 5, 1}, {1, 10, 90, 5, 2}, true},
        {"all equal", {1, 10, 90, 5, 1}, {1, 10, 90, 5, 1}, false},
    };
    for (const row& r : rows) EXPECT_EQ(SolutionBetter(Solution(r.n), Solution(r.b), remnant_rule{}), r.better) << r.name;
}

TEST(SolutionOrder, ASheetWithoutPiecesMakesItsSolutionWorse)
{
    TGlobalSolution n = Solution({1, 10, 90, 0, 1}), b = Solution({1, 10, 90, 0, 1});
    auto sheet = [](bool with_piece) {
        auto c = std::make_unique<Chromosome>();
        c->length = c->width = 10;
        if (with_piece) c->profile.Add(0, 10.0);
        return c;
    };
    n.sheets.Append(sheet(false));
    b.sheets.Append(sheet(true));
    EXPECT_FALSE(SolutionBetter(n, b, remnant_rule{}));
    EXPECT_EQ(CompareSheets(*b.sheets.Find(0), *n.sheets.Find(0)), 1);
}

TEST(ConstructionPlan, SeedsAndModesOfThePasses)
{
    const construction_plan plan = PlanConstructionPasses(50, 100, 7);
    EXPECT_EQ(plan.stall_limit, 5);
    ASSERT_EQ(plan.passes.size(), 51u);
    // Per strategy: seeds S .. S + 4, each run in mode 0 and then mode 1; the seed restarts per strategy.
    for (int32_t i = 0; i < 5; ++i)
        for (int32_t r = 0; r < 5; ++r) {
            EXPECT_EQ(plan.passes[static_cast<size_t>(i * 10 + 2 * r)], (construction_pass{i, 0, 1, 7 + r}));
            EXPECT_EQ(plan.passes[static_cast<size_t>(i * 10 + 2 * r + 1)], (construction_pass{i, 1, 1, 7 + r}));
        }
    EXPECT_EQ(plan.passes.back(), (construction_pass{0, 0, 100, 7}));
}

TEST(ConstructionPlan, PassCountsStallLimitsAndTheLongPass)
{
    struct row {
        int32_t n, level;
        size_t passes;
        int32_t stall, long_iterations;  // 0: no long pass
    };
    for (const row& r : std::vector<row>{{1, 100, 11, 3, 100},
                                         {5, 100, 101, 10, 100},
                                         {50, 5, 50, 5, 0},
                                         {150, 100000, 31, 5, 4000},
                                         {600, 100000, 31, 5, 1000},
                                         {2000, 100, 11, 3, 100},
                                         {20000, 0, 10, 3, 0}}) {
        const construction_plan plan = PlanConstructionPasses(r.n, r.level, 0);
        EXPECT_EQ(plan.passes.size(), r.passes) << r.n;
        EXPECT_EQ(plan.stall_limit, r.stall) << r.n;
        EXPECT_EQ(plan.passes.back().iterations, r.long_iterations == 0 ? 1 : r.long_iterations) << r.n;
    }
}

namespace {

// Runs a single sheet and keeps what the layout callback saw.
struct single_run {
    TCutSingleSheet2D sheet;
    int32_t repetitions = 0;
    int32_t progress_reports = 0;
    std::vector<placed_piece2d> pieces;
    std::vector<waste2d> wastes;
    std::vector<part2d> loaded;
    int32_t trims[4] = {0, 0, 0, 0};  // y0, x0, yW, xL
    std::string violations;

    void Load(const part2d& p)
    {
        loaded.push_back(p);
        sheet.LoadPiece(p);
    }
    void Trims(int32_t y0, int32_t x0, int32_t yW, int32_t xL)
    {
        trims[0] = y0;
        trims[1] = x0;
        trims[2] = yW;
        trims[3] = xL;
        sheet.set_Trims(y0, x0, yW, xL);
    }
    ~single_run() { EXPECT_EQ(violations, ""); }

    single_run()
    {
        sheet.set_OnLayout([this] {
            repetitions = sheet.RepetitionCount();
            pieces = sheet.Layout().pieces;
            wastes = sheet.Layout().wastes;
            sheet_geometry g;
            g.kerf = sheet.kerf();
            g.trim_x0 = trims[1];
            g.trim_y0 = trims[0];
            g.trim_yW = trims[2];
            g.trim_xL = trims[3];
            g.max_cut = std::max(sheet.length(), sheet.width());
            std::vector<part2d> demand(loaded.size());
            for (const part2d& p : loaded) demand[static_cast<size_t>(p.index)] = p;
            violations = Violations(CheckOf(sheet.length(), sheet.width(), g, pieces, demand, sheet.Layout().cuts, wastes));
        });
        sheet.set_OnProgress([this] {
            if (++progress_reports >= 3) sheet.Stop();
        });
    }
};

}  // namespace

struct repetition_case {
    const char* name;
    int32_t sheet_l, sheet_w;
    int32_t piece_l, piece_w;
    int8_t may_rotate;
    int32_t loaded;
    int32_t expected;
};
void PrintTo(const repetition_case& c, std::ostream* out) { *out << c.name; }

class RepetitionTest : public ::testing::TestWithParam<repetition_case> {};

TEST_P(RepetitionTest, CountsHowOftenTheLayoutCanBeCut)
{
    const repetition_case& c = GetParam();
    single_run run;
    run.sheet.set_Sheet(c.sheet_l, c.sheet_w);
    for (int32_t i = 0; i < c.loaded; ++i) run.Load(Piece(c.piece_l, c.piece_w, i, c.may_rotate));
    run.sheet.Run(sheet_strategy::guillotine, 0);
    EXPECT_EQ(run.repetitions, c.expected) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Table, RepetitionTest,
    ::testing::Values(repetition_case{"two per sheet, six loaded", 100, 50, 50, 50, 0, 6, 3},
                      repetition_case{"two per sheet, five loaded", 100, 50, 50, 50, 0, 5, 2},
                      repetition_case{"turned pieces match", 500, 1000, 1000, 500, 1, 2, 2},
                      repetition_case{"one piece", 100, 100, 30, 30, 0, 1, 1}));

TEST(PieceSelection, SixQuarterPiecesOnlyFourTakePart)
{
    single_run run;
    run.sheet.set_Sheet(100, 100);
    for (int32_t i = 0; i < 6; ++i) run.Load(Piece(50, 50, i));
    run.sheet.Run(sheet_strategy::guillotine, 0);
    EXPECT_EQ(run.sheet.Selected().size(), 4u);
    EXPECT_EQ(run.sheet.PieceBound(), 4);
}

TEST(PieceSelection, BoundCountsTheSmallestPiecesFirst)
{
    single_run run;
    run.sheet.set_Sheet(100, 100);
    for (int32_t i = 0; i < 3; ++i) run.Load(Piece(90, 90, i));  // one of them is selected
    for (int32_t i = 3; i < 9; ++i) run.Load(Piece(10, 10, i));
    run.sheet.Run(sheet_strategy::guillotine, 0);
    // 6 small pieces take 600 of 10000, then one large one; the rest of the area would fit no more.
    EXPECT_EQ(run.sheet.Selected().size(), 7u);
    EXPECT_EQ(run.sheet.PieceBound(), 7);
}

TEST(TrimMirroring, ALoneTrimAtYZeroEndsUpAlongYZero)
{
    single_run run;
    run.sheet.set_Sheet(200, 100);
    run.sheet.set_BladeWidth(2);
    run.Trims(10, 0, 0, 0);
    for (int32_t i = 0; i < 3; ++i) run.Load(Piece(60, 40, i));
    run.sheet.Run(sheet_strategy::guillotine, 0);
    ASSERT_FALSE(run.pieces.empty());
    int32_t lowest = 1 << 30;
    for (const placed_piece2d& p : run.pieces) lowest = std::min(lowest, p.y1);
    EXPECT_GE(lowest, 10);
    bool strip = false;
    for (const waste2d& w : run.wastes)
        if (w.y1 == 0 && w.x1 == 0) strip = true;
    EXPECT_TRUE(strip);
}

TEST(GuillotineSearch, BetterComparesProfileThenWasteCountThenLargestWaste)
{
    Cut2DXChromosomeGuillotine a, b;
    a.Size(1, 1, 1);
    b.Size(1, 1, 1);
    a.profile_count = b.profile_count = 1;
    a.profile_key[0] = b.profile_key[0] = 0;
    a.profile_area[0] = 100.005;
    b.profile_area[0] = 100.0;
    a.rect_count = 1;
    b.rect_count = 2;
    EXPECT_TRUE(GuillotineSearch::Better(a, b));  // equal areas within 0.01, fewer wastes
    a.rect_count = 2;
    a.waste.largest = 50.0;
    b.waste.largest = 49.995;
    EXPECT_FALSE(GuillotineSearch::Better(a, b));  // largest waste within 0.01: a tie is not better
    a.profile_area[0] = 100.02;
    EXPECT_TRUE(GuillotineSearch::Better(a, b));
}

// Staged and nested strategies: random jobs through both checkers, fixed cases of the staging rules, the
// filling of wastes, determinism and decoding without allocation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "allocation_counter.h"
#include "cut2d/nested_search.h"
#include "cut2d/staged_decoder.h"
#include "decode_fixture.h"
#include "layout_checker.h"
#include "stage_checker.h"

namespace {

struct staged_job {
    cut_job job;
    staged_rules_check rules;
    int32_t placement = 0, finish = 0;
};

cut_job RandomCutJob(std::mt19937& rng, bool tiny)
{
    auto in = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    cut_job job;
    job.kerf = in(0, 5);
    job.seed = in(0, 1000);
    job.optimization_level = in(0, 4) == 0 ? 7 : 1;
    if (in(0, 2) == 0) job.length_breakage = in(0, tiny ? 3 : 20);
    if (in(0, 2) == 0) job.width_breakage = in(0, tiny ? 3 : 20);
    if (tiny && in(0, 1) == 0) job.kerf = in(0, 1);
    const bool grain = in(0, 4) == 0;
    const int sizes = in(1, 3);
    for (int s = 0; s < sizes; ++s) {
        job_stock st;
        st.length = tiny ? in(10, 40) : in(200, 1200);
        st.width = tiny ? in(8, 30) : in(150, 800);
        const int trim = tiny ? 3 : 15;
        if (in(0, 2) == 0) st.trim_y0 = in(0, trim);
        if (in(0, 2) == 0) st.trim_x0 = in(0, trim);
        if (in(0, 3) == 0) st.trim_yW = in(0, trim);
        if (in(0, 3) == 0) st.trim_xL = in(0, trim);
        st.priority = in(0, 1);
        if (grain) st.grain = in(0, 2);
        const int quantity = in(1, 3);
        for (int q = 0; q < quantity; ++q) job.stock.push_back(st);
    }
    if (in(0, 5) == 0) job.max_cut = tiny ? in(10, 40) : in(300, 1000);
    const int kinds = in(1, tiny ? 10 : 8);
    for (int k = 0; k < kinds; ++k) {
        job_piece p;
        p.length = tiny ? in(1, 14) : in(20, 500);
        p.width = tiny ? in(1, 10) : in(20, 400);
        p.may_rotate = in(0, 3) == 0 ? 0 : 1;
        if (grain) p.grain = in(0, 2);
        const int quantity = in(1, 6);
        for (int q = 0; q < quantity; ++q) job.pieces.push_back(p);
    }
    return job;
}

// Seeds walk through every combination of stages 1-4, both first directions and both routine variants.
staged_job RandomStagedJob(uint32_t seed)
{
    std::mt19937 rng(seed);
    staged_job s;
    s.job = RandomCutJob(rng, seed % 3 == 0);
    s.rules.stages = 1 + static_cast<int32_t>(seed % 4);
    s.rules.first_direction = static_cast<int32_t>((seed / 4) % 2);
    s.placement = static_cast<int32_t>((seed / 8) % 2);
    s.finish = static_cast<int32_t>((seed / 16) % 2);
    s.rules.same_height = rng() % 3 == 0;
    s.rules.height_tolerance = s.rules.same_height ? static_cast<int32_t>(rng() % 6) : 0;
    return s;
}

void LoadStaged(TCut2D& cut, const staged_job& s)
{
    LoadJob(cut, s.job);
    cut.set_NumberOfStages(s.rules.stages);
    cut.set_FirstDirectionMultiStages(s.rules.first_direction);
    cut.set_StagedPlacementVariant(s.placement);
    cut.set_StagedFinishVariant(s.finish);
    cut.set_OnlyPiecesOfTheSameHeightInAStrip(s.rules.same_height ? 1 : 0);
    cut.set_HeightTolerance(s.rules.height_tolerance);
}

void Dump(const cut_job& job, const TCut2D& cut, const std::vector<std::string>& violations)
{
    if (!getenv("CUT2D_DUMP")) return;
    fprintf(stderr, "kerf %d brk %d %d maxcut %d\n", job.kerf, job.length_breakage, job.width_breakage, job.max_cut);
    for (const job_stock& st : job.stock)
        fprintf(stderr, "stock %d x %d trims y0 %d x0 %d yW %d xL %d\n", st.length, st.width, st.trim_y0, st.trim_x0,
                st.trim_yW, st.trim_xL);
    fprintf(stderr, "%s", DescribeResult(cut).c_str());
    for (const std::string& v : violations) fprintf(stderr, "%s\n", v.c_str());
}

}  // namespace

// CUT2D_SEEDS runs more random jobs than the default.
uint32_t SeedCount(uint32_t standard)
{
    const char* more = getenv("CUT2D_SEEDS");
    return more ? static_cast<uint32_t>(std::max(1, atoi(more))) : standard;
}

TEST(StagedJobs, EveryLayoutIsValidAndStaged)
{
    int placed_total = 0, sheets_with_several = 0;
    for (uint32_t seed = 1; seed <= SeedCount(200); ++seed) {
        const staged_job s = RandomStagedJob(seed);
        TCut2D cut;
        LoadStaged(cut, s);
        std::vector<std::string> violations;
        bool ended = false;
        cut.set_OnRunEnd([&] {
            ended = true;
            violations = CheckResult(cut, s.job);
            for (const std::string& v : CheckStagedResult(cut, s.job, s.rules)) violations.push_back(v);
            placed_total += cut.GetPlacedPieceCount();
            for (int32_t i = 0; i < cut.GetSheetCount(); ++i) sheets_with_several += cut.GetSheetPieceCount(i) > 1;
            if (!violations.empty()) Dump(s.job, cut, violations);
        });
        cut.StartStaged();
        ASSERT_TRUE(ended) << "seed " << seed;
        ASSERT_TRUE(violations.empty()) << "seed " << seed << " (stages " << s.rules.stages << ", first direction "
                                        << s.rules.first_direction << "): " << violations.front();
    }
    EXPECT_GT(placed_total, 1000);
    EXPECT_GT(sheets_with_several, 100);
}

TEST(NestedJobs, EveryLayoutIsValid)
{
    int placed_total = 0;
    for (uint32_t seed = 1; seed <= SeedCount(120); ++seed) {
        std::mt19937 rng(seed + 5000);
        const cut_job job = RandomCutJob(rng, seed % 3 == 0);
        TCut2D cut;
        LoadJob(cut, job);
        std::vector<std::string> violations;
        bool ended = false;
        cut.set_OnRunEnd([&] {
            ended = true;
            violations = CheckResult(cut, job);
            placed_total += cut.GetPlacedPieceCount();
            if (!violations.empty()) Dump(job, cut, violations);
        });
        cut.StartNested();
        ASSERT_TRUE(ended) << "seed " << seed;
        ASSERT_TRUE(violations.empty()) << "seed " << seed << ": " << violations.front();
    }
    EXPECT_GT(placed_total, 500);
}

TEST(StrategyRuns, SameSeedSameResult)
{
    for (int mode = 0; mode < 2; ++mode) {
        const staged_job s = RandomStagedJob(77);
        std::string first, second;
        for (std::string* out : {&first, &second}) {
            TCut2D cut;
            LoadStaged(cut, s);
            cut.set_OnRunEnd([&] { *out = DescribeResult(cut); });
            if (mode == 0)
                cut.StartStaged();
            else
                cut.StartNested();
        }
        EXPECT_FALSE(first.empty());
        EXPECT_EQ(first, second) << "mode " << mode;
    }
}

namespace {

struct staged_case {
    const char* name;
    int32_t length, width, kerf;
    std::vector<job_piece> pieces;
    int32_t stages, first_direction;
    bool same_height;
    int32_t tolerance;
    int32_t expect_placed;  // pieces placed on the first sheet
};

}  // namespace

TEST(StagedCases, FirstSheetHoldsWhatTheStagesAllow)
{
    auto many = [](int n, job_piece p) { return std::vector<job_piece>(static_cast<size_t>(n), p); };
    const std::vector<staged_case> cases = {
        // Strips of the sheet's full length: one stage along x takes them; along y the sheet is one line of
        // them, parted by the final cuts.
        {"one stage along x", 100, 60, 0, many(3, {100, 20, 0, -1}), 1, 0, false, 0, 3},
        {"one stage along y", 100, 60, 0, many(3, {100, 20, 0, -1}), 1, 1, false, 0, 3},
        // Two stages: two strips of two pieces each, no trimming needed.
        {"two stages, exact strips", 100, 50, 0, many(4, {50, 25, 0, -1}), 2, 0, false, 0, 4},
        // One stage cannot trim: a 20 high piece beside a 25 high one needs a line in a second-stage rectangle.
        {"one stage keeps exact heights", 60, 25, 0, {{30, 25, 0, -1}, {30, 20, 0, -1}}, 1, 0, false, 0, 1},
        {"two stages trim", 60, 25, 0, {{30, 25, 0, -1}, {30, 20, 0, -1}}, 2, 0, false, 0, 2},
        {"three stages trim", 60, 25, 0, {{30, 25, 0, -1}, {30, 20, 0, -1}}, 3, 0, false, 0, 2},
        // At most N stages: four parts of three heights share one sheet at two stages.
        {"two stages, three heights", 1000, 600, 0,
         {{500, 300, 0, -1}, {500, 300, 0, -1}, {500, 290, 0, -1}, {500, 280, 0, -1}}, 2, 0, false, 0, 4},
        // The same-height rule lets a strip take pieces within the tolerance only.
        {"same height, tolerance 0", 60, 25, 0, {{30, 25, 0, -1}, {30, 23, 0, -1}}, 3, 0, true, 0, 1},
        {"same height, tolerance 2", 60, 25, 0, {{30, 25, 0, -1}, {30, 23, 0, -1}}, 3, 0, true, 2, 2},
        {"two stages, same height, tolerance 0", 60, 25, 0, {{30, 25, 0, -1}, {30, 23, 0, -1}}, 2, 0, true, 0, 1},
        {"two stages, same height, tolerance 2", 60, 25, 0, {{30, 25, 0, -1}, {30, 23, 0, -1}}, 2, 0, true, 2, 2},
        // With kerf 4 three 30-long pieces need 98 of 100.
        {"kerf between pieces", 100, 40, 4, many(3, {30, 40, 0, -1}), 2, 0, false, 0, 3},
    };
    for (const staged_case& c : cases) {
        cut_job job;
        job.kerf = c.kerf;
        job.pieces = c.pieces;
        job.stock.push_back(job_stock{c.length, c.width, 0, 0, 0, 0, 0, -1});
        job.optimization_level = 1;
        staged_job s{job, staged_rules_check{c.stages, c.first_direction, c.same_height, c.tolerance}, 0, 0};
        for (int32_t placement = 0; placement < 2; ++placement) {
            s.placement = placement;
            TCut2D cut;
            LoadStaged(cut, s);
            int32_t placed = 0;
            std::vector<std::string> violations;
            cut.set_OnRunEnd([&] {
                placed = cut.GetSheetCount() > 0 ? cut.GetSheetPieceCount(0) : 0;
                violations = CheckResult(cut, s.job);
                for (const std::string& v : CheckStagedResult(cut, s.job, s.rules)) violations.push_back(v);
            });
            cut.StartStaged();
            EXPECT_EQ(placed, c.expect_placed) << c.name << ", placement " << placement;
            EXPECT_TRUE(violations.empty()) << c.name << ": " << (violations.empty() ? "" : violations.front());
        }
    }
}

TEST(StageChecker, FindsWhatIsNotStaged)
{
    // Two strips along x, each parted by one cut along y: two stages.
    staged_sheet sheet;
    sheet.length = 100;
    sheet.width = 50;
    sheet.cuts = {{0, 25, 100, 25, 0, 0}, {50, 0, 50, 25, 0, 1}, {50, 25, 50, 50, 0, 1}};
    sheet.pieces = {{0, 0, 50, 25}, {50, 0, 100, 25}, {0, 25, 50, 50}, {50, 25, 100, 50}};
    EXPECT_TRUE(CheckStagedSheet(sheet, {2, 0, false, 0}).empty());
    // One stage of strips, each strip one line parted by the final cuts.
    EXPECT_TRUE(CheckStagedSheet(sheet, {1, 0, false, 0}).empty());
    // Starting along y the cuts lie one level deeper than they are numbered.
    EXPECT_FALSE(CheckStagedSheet(sheet, {2, 1, false, 0}).empty());
    // Three stages from y would do, but the cuts are numbered for the other direction.
    EXPECT_FALSE(CheckStagedSheet(sheet, {3, 1, false, 0}).empty());
    // A wrong stage number is found.
    staged_sheet renumbered = sheet;
    renumbered.cuts[1].stage = 0;
    EXPECT_FALSE(CheckStagedSheet(renumbered, {2, 0, false, 0}).empty());
    // A trim cut is the final cut of a second-stage line: beyond one stage, and it breaks the same-height
    // rule beyond the tolerance.
    staged_sheet trimmed = sheet;
    trimmed.cuts.push_back({50, 20, 100, 20, 0, 2});
    trimmed.pieces[1] = {50, 0, 100, 20};
    EXPECT_FALSE(CheckStagedSheet(trimmed, {1, 0, false, 0}).empty());
    EXPECT_TRUE(CheckStagedSheet(trimmed, {2, 0, false, 0}).empty());
    EXPECT_FALSE(CheckStagedSheet(trimmed, {2, 0, true, 4}).empty());
    EXPECT_TRUE(CheckStagedSheet(trimmed, {2, 0, true, 5}).empty());
    EXPECT_TRUE(CheckStagedSheet(trimmed, {3, 0, false, 0}).empty());
    EXPECT_FALSE(CheckStagedSheet(trimmed, {3, 0, true, 4}).empty());
    EXPECT_TRUE(CheckStagedSheet(trimmed, {3, 0, true, 5}).empty());
}

TEST(StageNumbers, LevelByLevelOrRegionByRegion)
{
    std::vector<cut2d> cuts(3);
    cuts[0].x1 = 50, cuts[0].x2 = 50, cuts[0].y1 = 0, cuts[0].y2 = 25;
    cuts[1].x1 = 0, cuts[1].x2 = 100, cuts[1].y1 = cuts[1].y2 = 25;
    cuts[2].x1 = 30, cuts[2].x2 = 30, cuts[2].y1 = 25, cuts[2].y2 = 50;
    std::vector<cut2d> by_region = cuts, by_level = cuts;
    ASSERT_TRUE(NumberStages(by_region, 100, 50, 0, false));
    ASSERT_TRUE(NumberStages(by_level, 100, 50, 0, true));
    EXPECT_EQ(by_level[0].y1, 25);
    EXPECT_EQ(by_level[0].stage, 0);
    EXPECT_EQ(by_level[1].stage, 1);
    EXPECT_EQ(by_level[2].stage, 1);
    // Starting along y the first level holds no cut, so the cut along x is stage 1 and the others stage 2.
    std::vector<cut2d> from_y = cuts;
    ASSERT_TRUE(NumberStages(from_y, 100, 50, 1, true));
    EXPECT_EQ(from_y[0].stage, 1);
    EXPECT_EQ(from_y[2].stage, 2);
    // Crossing cuts are no levels at all.
    std::vector<cut2d> crossing = cuts;
    crossing[0].y2 = 50;
    EXPECT_FALSE(NumberStages(crossing, 100, 50, 0, true));
}

TEST(NestedFill, WastesTakeOnlyUnplacedPiecesInsideThem)
{
    // A 100 x 100 sheet: one 50 x 100 piece placed left of a cut, the right half waste.
    sheet_geometry g;
    g.length = 100;
    g.width = 100;
    g.kerf = 2;
    g.max_cut = 100;
    std::vector<part2d> loaded(4);
    auto piece = [](int32_t length, int32_t width, int32_t index) {
        part2d p;
        p.length = length;
        p.width = width;
        p.may_rotate = 1;
        p.index = index;
        return p;
    };
    loaded[0] = piece(50, 100, 0);
    loaded[1] = piece(30, 48, 1);  // fits the waste twice, turned or not
    loaded[2] = piece(30, 48, 2);
    loaded[3] = piece(120, 10, 3);  // fits nowhere
    nested_layout lay;
    placed_piece2d p0;
    p0.x2 = 50;
    p0.y2 = 100;
    p0.extent_x = 50;
    p0.extent_y = 100;
    p0.piece_index = 0;
    lay.pieces.push_back(p0);
    lay.loaded.push_back(0);
    cut2d c;
    c.x1 = c.x2 = 50;
    c.y2 = 100;
    c.kerf = 2;
    lay.cuts.push_back(c);
    waste2d w;
    w.x1 = 52;
    w.x2 = 100;
    w.y2 = 100;
    w.extent_x = 48;
    w.extent_y = 100;
    lay.wastes.push_back(w);
    std::vector<uint8_t> placed = {1, 0, 0, 0};

    NestedSearch search;
    int searches = 0;
    FillWastes(lay, loaded, placed, g,
               [&](const std::vector<part2d>& pieces, int32_t bound, const sheet_geometry& sub)
                   -> const Cut2DXChromosomeGuillotine& {
                   ++searches;
                   EXPECT_EQ(sub.length, 48);
                   for (const part2d& q : pieces) EXPECT_NE(q.index, 0) << "a placed piece offered again";
                   int generations = 0;
                   nested_search_config config;
                   config.iterations = 2;
                   search.Run(pieces, bound, sub, config, [&] {
                       if (++generations >= 4) search.Stop();
                   });
                   return search.Best();
               });
    EXPECT_GE(searches, 1);
    ASSERT_EQ(lay.pieces.size(), 3u);
    EXPECT_EQ(placed, (std::vector<uint8_t>{1, 1, 1, 0}));
    sheet_check check;
    check.length = 100;
    check.width = 100;
    check.kerf = 2;
    check.max_cut = 100;
    for (size_t j = 0; j < lay.pieces.size(); ++j) {
        const placed_piece2d& q = lay.pieces[j];
        const part2d& lp = loaded[static_cast<size_t>(lay.loaded[j])];
        if (j > 0) {
            EXPECT_GE(q.x1, 52) << "filled piece outside the waste it filled";
        }
        check.pieces.push_back(check_piece{q.x1, q.y1, q.x2, q.y2, q.turned != 0, lp.length, lp.width, turn_rule::any});
    }
    for (const cut2d& k : lay.cuts) check.cuts.push_back(check_cut{k.x1, k.y1, k.x2, k.y2, k.kerf});
    double waste_area = 0.0, cut_length = 0.0;
    for (const waste2d& r : lay.wastes) {
        check.wastes.push_back(check_rect{r.x1, r.y1, r.x2, r.y2});
        waste_area += r.area();
    }
    for (const cut2d& k : lay.cuts) cut_length += k.length();
    check.reported_pieces = static_cast<int32_t>(check.pieces.size());
    check.reported_cuts = static_cast<int32_t>(check.cuts.size());
    check.reported_wastes = static_cast<int32_t>(check.wastes.size());
    check.reported_waste_area = waste_area;
    check.reported_cut_length = cut_length;
    const std::vector<std::string> violations = CheckSheetLayout(check);
    EXPECT_TRUE(violations.empty()) << violations.front();
}

TEST(StagedDecoder, DecodingAllocatesNothing)
{
    const decode_fixture f(9);
    const std::vector<part2d>& pieces = f.pieces;
    const sheet_geometry& g = f.sheet;
    const decode_input& input = f.input;
    Cut2DXChromosomeNStages ind;
    ind.SizeStaged(static_cast<int32_t>(pieces.size()), input.bound, input.group_count());
    for (size_t i = 0; i < pieces.size(); ++i) ind.order[i] = static_cast<int32_t>(i);
    ind.RecomputeRuns(pieces);
    alloc_count::allocations = 0;
    alloc_count::counting = true;
    int32_t placed = 0;
    for (int round = 0; round < 40; ++round) {
        staged_rules rules;
        rules.stages = 1 + round % 4;
        rules.first_direction = (round / 4) % 2;
        rules.routine = (round / 8) % 2;
        rules.same_height = round % 3 == 0;
        rules.height_tolerance = 5;
        ind.turn[static_cast<size_t>(round % 120)] ^= 1;
        ind.RecomputeRuns(pieces);
        DecodeStaged(ind, input, g, rules);
        placed += ind.piece_count;
    }
    alloc_count::counting = false;
    EXPECT_EQ(alloc_count::allocations, 0);
    EXPECT_GT(placed, 0);
}

TEST(StagedRemnant, FirstDirectionTwoIsDirectionZero)
{
    // Direction 2 cuts the sheets as direction 0; the remnant rule must measure them the same way.
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        staged_job s = RandomStagedJob(seed);
        std::string results[2];
        for (int i = 0; i < 2; ++i) {
            s.rules.first_direction = i == 0 ? 0 : 2;
            TCut2D cut;
            LoadStaged(cut, s);
            cut.set_PreferLargeRemnant(1);
            cut.set_OnRunEnd([&] { results[i] = DescribeResult(cut); });
            cut.StartStaged();
        }
        EXPECT_EQ(results[0], results[1]) << "seed " << seed;
    }
}

TEST(StagedTrims, NoPieceReachesIntoAFarTrim)
{
    // All four trims: a 14 wide piece would fill 3 + 14 = 17 to the edge, over the trim of 2 at x = 17.
    cut_job job;
    job.kerf = 1;
    job.optimization_level = 1;
    for (int i = 0; i < 3; ++i) job.pieces.push_back(job_piece{14, 10, 0, -1});
    job.pieces.push_back(job_piece{12, 10, 0, -1});
    job.stock.push_back(job_stock{17, 30, 2, 3, 3, 2, 0, -1});
    for (int32_t first_direction = 0; first_direction < 2; ++first_direction) {
        staged_job s{job, staged_rules_check{3, first_direction, false, 0}, 0, 0};
        TCut2D cut;
        LoadStaged(cut, s);
        std::vector<std::string> violations;
        int32_t placed = 0;
        cut.set_OnRunEnd([&] {
            violations = CheckResult(cut, job);
            for (const std::string& v : CheckStagedResult(cut, job, s.rules)) violations.push_back(v);
            placed = cut.GetPlacedPieceCount();
        });
        cut.StartStaged();
        EXPECT_TRUE(violations.empty()) << "first direction " << first_direction << ": " << violations.front();
        EXPECT_EQ(placed, 1) << "first direction " << first_direction;  // only the 12 wide piece fits
    }
}

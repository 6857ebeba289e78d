// The search after the construction: valid layouts with the whole model, no more stock than the
// construction, the same result on any number of threads; and the sheet bound against exact optima.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <tuple>

#include "cut2d/sheet_bound.h"
#include "layout_checker.h"

namespace {

cut_job FullModelJob(uint32_t seed)
{
    std::mt19937 rng(seed);
    auto in = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    cut_job job;
    job.kerf = in(0, 5);
    job.seed = in(0, 1000);
    job.optimization_level = in(0, 2) == 0 ? 10 : 1;
    if (in(0, 1) == 0) job.length_breakage = in(0, 20);
    if (in(0, 1) == 0) job.width_breakage = in(0, 20);
    if (in(0, 3) == 0) job.max_cut = in(400, 1000);
    const bool grain = in(0, 1) == 0;
    const int sizes = in(1, 3);
    for (int s = 0; s < sizes; ++s) {
        job_stock st;
        st.length = in(400, 1200);
        st.width = in(300, 800);
        if (in(0, 1) == 0) st.trim_y0 = in(0, 15);
        if (in(0, 1) == 0) st.trim_x0 = in(0, 15);
        if (in(0, 2) == 0) st.trim_yW = in(0, 15);
        if (in(0, 2) == 0) st.trim_xL = in(0, 15);
        st.priority = in(0, 1);
        if (grain) st.grain = in(0, 2);
        const int quantity = in(2, 8);
        for (int q = 0; q < quantity; ++q) job.stock.push_back(st);
    }
    const int kinds = in(3, 10);
    for (int k = 0; k < kinds; ++k) {
        job_piece p;
        p.length = in(30, 600);
        p.width = in(20, 400);
        p.may_rotate = in(0, 3) == 0 ? 0 : 1;
        if (grain) p.grain = in(0, 2);
        if (in(0, 3) == 0) p.priority = in(0, 2);
        const int quantity = in(1, 8);
        for (int q = 0; q < quantity; ++q) job.pieces.push_back(p);
    }
    return job;
}

struct run_outcome {
    std::vector<std::string> violations;
    result_figures figures;
    std::string picture;
    int32_t bound = 0;
};

run_outcome RunJob(const cut_job& job, cut2d_effort effort, int32_t threads,
                   void (TCut2D::*start)() = &TCut2D::StartGuillotine)
{
    TCut2D cut;
    LoadJob(cut, job);
    cut.set_Effort(effort);
    cut.set_Threads(threads);
    run_outcome out;
    cut.set_OnRunEnd([&] {
        out.violations = CheckResult(cut, job);
        out.figures = MeasureResult(cut, job);
        out.picture = DescribeResult(cut);
        out.bound = cut.GetSheetLowerBound();
    });
    (cut.*start)();
    return out;
}

}  // namespace

TEST(Improvement, LayoutsStayValidAndNeverUseMoreStock)
{
    // Thorough runs the goal search ten times longer: more of its sheets are laid out again.
    const struct {
        cut2d_effort effort;
        uint32_t jobs;
    } cases[] = {{cut2d_effort::normal, 30}, {cut2d_effort::thorough, 4}};
    for (const auto& c : cases) {
        int improved = 0;
        for (uint32_t seed = 1; seed <= c.jobs; ++seed) {
            const cut_job job = FullModelJob(seed);
            const run_outcome quick = RunJob(job, cut2d_effort::quick, 1);
            const run_outcome better = RunJob(job, c.effort, 2);
            SCOPED_TRACE("seed " + std::to_string(seed) + (c.effort == cut2d_effort::thorough ? " thorough" : " normal"));
            EXPECT_TRUE(better.violations.empty()) << better.violations.front();
            EXPECT_EQ(better.figures.placed, quick.figures.placed);
            EXPECT_LE(better.figures.sheet_area, quick.figures.sheet_area + 0.5);
            EXPECT_LE(better.bound, better.figures.sheets);
            if (better.figures.sheet_area < quick.figures.sheet_area - 0.5) ++improved;
            if (getenv("IMPROVEMENT_DUMP"))
                printf("seed %u: %.0f -> %.0f\n", seed, quick.figures.sheet_area, better.figures.sheet_area);
        }
        EXPECT_GT(improved, 0);  // the checks above must have seen improved layouts
    }
}

TEST(Improvement, SameResultOnEveryThreadCount)
{
    struct run_case {
        uint32_t seed;
        cut2d_effort effort;
        void (TCut2D::*start)();
    };
    const std::vector<run_case> cases = {
        // jobs the search improves
        {2, cut2d_effort::normal, &TCut2D::StartGuillotine},
        {6, cut2d_effort::normal, &TCut2D::StartGuillotine},
        {27, cut2d_effort::normal, &TCut2D::StartGuillotine},
        // the construction passes alone, in every mode
        {3, cut2d_effort::quick, &TCut2D::StartGuillotine},
        {4, cut2d_effort::quick, &TCut2D::StartNested},
        {5, cut2d_effort::quick, &TCut2D::StartStaged},
    };
    for (const run_case& c : cases) {
        SCOPED_TRACE("seed " + std::to_string(c.seed));
        const cut_job job = FullModelJob(c.seed);
        const run_outcome one = RunJob(job, c.effort, 1, c.start);
        for (int32_t threads : {2, 4}) EXPECT_EQ(RunJob(job, c.effort, threads, c.start).picture, one.picture);
    }
}

TEST(Improvement, QuickIsTheConstructionAlone)
{
    const cut_job job = FullModelJob(5);
    TCut2D cut;
    LoadJob(cut, job);
    std::string picture;
    cut.set_OnRunEnd([&] { picture = DescribeResult(cut); });
    cut.StartGuillotine();
    EXPECT_EQ(RunJob(job, cut2d_effort::quick, 4).picture, picture);
}

TEST(Improvement, StopEndsEveryThreadWithAValidLayoutAndProgressStaysOnTheCallersThread)
{
    const cut_job job = FullModelJob(27);
    const run_outcome full = RunJob(job, cut2d_effort::quick, 1);
    TCut2D cut;
    LoadJob(cut, job);
    cut.set_Effort(cut2d_effort::normal);
    cut.set_Threads(2);
    const std::thread::id caller = std::this_thread::get_id();
    cut2d_progress last;
    bool foreign_thread = false;
    cut.set_OnProgress([&](const cut2d_progress& p) {
        foreign_thread = foreign_thread || std::this_thread::get_id() != caller;
        if (last.passes_total == 0) cut.RequestStop();
        last = p;
    });
    run_outcome out;
    cut.set_OnRunEnd([&] {
        out.violations = CheckResult(cut, job);
        out.figures = MeasureResult(cut, job);
    });
    cut.StartGuillotine();
    EXPECT_FALSE(foreign_thread);
    EXPECT_LT(last.passes_done, last.passes_total);  // the passes not begun were left out
    EXPECT_EQ(last.phase, 0);                        // and the improvement
    EXPECT_TRUE(out.violations.empty()) << out.violations.front();
    EXPECT_EQ(out.figures.placed, full.figures.placed);
}

namespace {

// Fewest sheets for the pieces by exhaustive guillotine packing, with every piece free to turn and the
// trims taken only as they are: no layout the optimiser may make needs fewer.
class ExactPacking {
public:
    // Pieces marked in `fixed` keep their orientation.
    ExactPacking(std::vector<std::pair<int, int>> pieces, int length, int width, int kerf, std::vector<bool> fixed = {})
        : pieces_(std::move(pieces)), fixed_(std::move(fixed)), length_(length), width_(width), kerf_(kerf)
    {
        fixed_.resize(pieces_.size(), false);
    }

    int FewestSheets()
    {
        const int all = (1 << pieces_.size()) - 1;
        std::vector<int> best(static_cast<size_t>(all) + 1, 1000);
        best[0] = 0;
        for (int mask = 1; mask <= all; ++mask) {
            const int low = mask & -mask;
            for (int s = mask; s > 0; s = (s - 1) & mask)
                if ((s & low) && Fits(s, length_, width_))
                    best[static_cast<size_t>(mask)] = std::min(best[static_cast<size_t>(mask)], 1 + best[static_cast<size_t>(mask ^ s)]);
        }
        return best[static_cast<size_t>(all)];
    }

private:
    bool Fits(int mask, int w, int h)
    {
        if (w <= 0 || h <= 0) return false;
        const auto key = std::make_tuple(mask, w, h);
        if (auto it = memo_.find(key); it != memo_.end()) return it->second;
        bool fits = false;
        if ((mask & (mask - 1)) == 0) {
            const size_t i = static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
            const auto& p = pieces_[i];
            fits = (p.first <= w && p.second <= h) || (!fixed_[i] && p.second <= w && p.first <= h);
        } else {
            const int low = mask & -mask;
            for (int s = (mask - 1) & mask; s > 0 && !fits; s = (s - 1) & mask) {
                if (!(s & low)) continue;
                for (int x = 1; x < w && !fits; ++x) fits = Fits(s, x, h) && Fits(mask ^ s, w - x - kerf_, h);
                for (int y = 1; y < h && !fits; ++y) fits = Fits(s, w, y) && Fits(mask ^ s, w, h - y - kerf_);
            }
        }
        memo_[key] = fits;
        return fits;
    }

    std::vector<std::pair<int, int>> pieces_;
    std::vector<bool> fixed_;
    int length_, width_, kerf_;
    std::map<std::tuple<int, int, int>, bool> memo_;
};

}  // namespace

TEST(SheetBound, NeverAboveTheExactOptimum)
{
    std::mt19937 rng(77);
    auto in = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    int tight = 0;
    for (int job = 0; job < 300; ++job) {
        stock2d s;
        s.length = in(6, 12);
        s.width = in(5, 10);
        s.trim_x0 = in(0, 1);
        s.trim_yW = in(0, 1);
        const int kerf = in(0, 2);
        const int L = s.length - s.trim_x0, W = s.width - s.trim_yW;
        // Half the jobs have grained sheets; pieces turn freely, never, along the grain or across it.
        if (job % 2) s.grain = 1;
        std::vector<part2d> pieces;
        std::vector<std::pair<int, int>> sizes;
        std::vector<bool> fixed;
        const int n = in(2, 6);
        while (static_cast<int>(pieces.size()) < n) {
            part2d p;
            p.length = in(1, L);
            p.width = in(1, std::max(W, L));
            const int mode = job < 50 ? 0 : in(0, s.grain == 1 ? 4 : 1);
            p.may_rotate = mode == 1 ? 0 : 1;
            if (mode >= 2) p.grain = static_cast<int8_t>(mode - 2);  // 0 either way, 1 along, 2 across
            const bool keep = mode == 1 || mode == 3 || mode == 4;
            const int x = mode == 4 ? p.width : p.length, y = mode == 4 ? p.length : p.width;
            if (!((x <= L && y <= W) || (!keep && y <= L && x <= W))) continue;
            pieces.push_back(p);
            sizes.emplace_back(x, y);
            fixed.push_back(keep);
        }
        const int optimum = ExactPacking(sizes, L, W, kerf, fixed).FewestSheets();
        const sheet_bound b = SheetLowerBound(pieces, {s}, kerf);
        SCOPED_TRACE("job " + std::to_string(job));
        EXPECT_LE(b.area, b.best);
        EXPECT_LE(b.best, optimum);
        if (b.best == optimum) ++tight;
    }
    EXPECT_GT(tight, 0);
}

TEST(SheetBound, PiecesOverHalfTheSheetEachTakeOne)
{
    struct bound_case {
        int length, width, kerf;
        std::vector<std::pair<int, int>> pieces;
        int expected;
    };
    const std::vector<bound_case> cases = {
        {10, 10, 0, {{6, 6}, {6, 6}, {6, 6}}, 3},  // area alone says 2
        {10, 10, 0, {{5, 6}, {5, 6}}, 1},          // side by side exactly
        {10, 10, 1, {{5, 6}, {5, 6}, {5, 6}}, 3},  // the kerf keeps them apart
        {10, 10, 0, {{6, 6}, {4, 4}, {4, 4}, {4, 4}}, 1},  // the small ones fit beside the big one
    };
    for (const bound_case& c : cases) {
        stock2d s;
        s.length = c.length;
        s.width = c.width;
        std::vector<part2d> pieces;
        for (auto [l, w] : c.pieces) {
            part2d p;
            p.length = l;
            p.width = w;
            pieces.push_back(p);
        }
        EXPECT_EQ(SheetLowerBound(pieces, {s}, c.kerf).best, c.expected);
    }
}

TEST(SheetBound, ShapesTheAreaCannotSee)
{
    struct bound_case {
        int length, width, trim_x0, kerf;
        bool turn;
        std::vector<std::pair<int, int>> pieces;
        int expected;
    };
    // Each optimum worked by hand; the area alone says one sheet in every case.
    const std::vector<bound_case> cases = {
        {10, 10, 0, 0, false, {{6, 4}, {6, 4}, {6, 4}}, 2},  // over half long: they stack, 12 > 10
        {10, 10, 0, 0, true, {{6, 4}, {6, 4}, {6, 4}}, 1},   // turned: two side by side, one below
        {12, 10, 2, 0, false, {{6, 4}, {6, 4}, {6, 4}}, 2},  // the trim leaves 10 x 10
        {10, 10, 0, 0, false, {{8, 10}, {3, 3}}, 2},         // the strip beside the long one is too narrow
        {10, 10, 0, 0, true, {{8, 10}, {3, 3}}, 2},
        {10, 10, 0, 1, false, {{6, 3}, {6, 3}, {6, 3}}, 2},  // 9 fits, not with two kerfs
        {10, 10, 0, 1, false, {{7, 10}, {3, 3}}, 2},         // 7 + kerf + 3 is one too many
    };
    for (const bound_case& c : cases) {
        stock2d s;
        s.length = c.length;
        s.width = c.width;
        s.trim_x0 = c.trim_x0;
        std::vector<part2d> pieces;
        for (auto [l, w] : c.pieces) {
            part2d p;
            p.length = l;
            p.width = w;
            p.may_rotate = c.turn ? 1 : 0;
            pieces.push_back(p);
        }
        const sheet_bound b = SheetLowerBound(pieces, {s}, c.kerf);
        SCOPED_TRACE(std::to_string(&c - cases.data()));
        EXPECT_EQ(b.area, 1);
        EXPECT_EQ(b.best, c.expected);
    }
}

// Whole runs of TCut2D: determinism, demand and stock, progress, repetitions; every result is checked.
#include <gtest/gtest.h>

#include "layout_checker.h"

namespace {

struct run_result {
    bool ended = false;
    std::vector<std::string> violations;
    std::string picture;
    int32_t sheets = 0, placed = 0;
    std::vector<cut2d_progress> progress;
};

run_result RunJob(const cut_job& job, void (TCut2D::*start)() = &TCut2D::StartGuillotine, int32_t threads = 0)
{
    run_result r;
    TCut2D cut;
    LoadJob(cut, job);
    cut.set_Threads(threads);
    cut.set_OnProgress([&](const cut2d_progress& p) { r.progress.push_back(p); });
    cut.set_OnRunEnd([&] {
        r.ended = true;
        r.violations = CheckResult(cut, job);
        r.picture = DescribeResult(cut);
        r.sheets = cut.GetSheetCount();
        r.placed = cut.GetPlacedPieceCount();
    });
    (cut.*start)();
    return r;
}

cut_job Cabinet(int32_t seed)
{
    cut_job job;
    job.kerf = 4;
    job.seed = seed;
    job.optimization_level = 20;
    const int32_t parts[][3] = {{720, 560, 4}, {560, 300, 6}, {1200, 400, 3}, {400, 250, 8}, {900, 600, 2}};
    for (const auto& p : parts)
        for (int32_t q = 0; q < p[2]; ++q) job.pieces.push_back(job_piece{p[0], p[1], 1, -1});
    for (int32_t q = 0; q < 6; ++q) job.stock.push_back(job_stock{2800, 2070, 10, 10, 0, 0, 0, -1});
    return job;
}

}  // namespace

TEST(Run, SameInputAndSeedGiveTheSameSolution)
{
    const run_result a = RunJob(Cabinet(3)), b = RunJob(Cabinet(3));
    ASSERT_TRUE(a.violations.empty()) << a.violations.front();
    EXPECT_FALSE(a.picture.empty());
    EXPECT_EQ(a.picture, b.picture);
}

TEST(Run, AllDemandIsPlacedWhenStockAllows)
{
    const cut_job job = Cabinet(1);
    const run_result r = RunJob(job);
    ASSERT_TRUE(r.ended);
    ASSERT_TRUE(r.violations.empty()) << r.violations.front();
    EXPECT_EQ(r.placed, static_cast<int32_t>(job.pieces.size()));
}

TEST(Run, APieceLargerThanEverySheetStaysUnplaced)
{
    cut_job job = Cabinet(1);
    job.pieces.push_back(job_piece{3000, 100, 1, -1});
    const run_result r = RunJob(job);
    ASSERT_TRUE(r.ended);
    ASSERT_TRUE(r.violations.empty()) << r.violations.front();
    EXPECT_EQ(r.placed, static_cast<int32_t>(job.pieces.size()) - 1);
}

TEST(Run, NoPiecesOrNoStockEndsWithoutResult)
{
    cut_job job = Cabinet(1);
    job.stock.clear();
    EXPECT_FALSE(RunJob(job).ended);
    job = Cabinet(1);
    job.pieces.clear();
    EXPECT_FALSE(RunJob(job).ended);
}

TEST(Run, OnePieceStopsEachSearchAfterTwoGenerationsWithoutImprovement)
{
    // One piece: ten short passes and the long one, each a single search reporting three times
    // (the first report after the start counts as an improvement). Only the caller's thread reports.
    cut_job job;
    job.pieces.push_back(job_piece{300, 200, 1, -1});
    job.stock.push_back(job_stock{1000, 800, 0, 0, 0, 0, 0, -1});
    const run_result r = RunJob(job, &TCut2D::StartGuillotine, 1);
    ASSERT_TRUE(r.violations.empty()) << r.violations.front();
    EXPECT_EQ(r.progress.size(), 33u);
    ASSERT_FALSE(r.progress.empty());
    EXPECT_EQ(r.progress.front().passes_total, 11);
    EXPECT_EQ(r.progress.back().passes_done, 10);

    job.optimization_level = 5;  // no long pass
    const run_result s = RunJob(job, &TCut2D::StartGuillotine, 1);
    EXPECT_EQ(s.progress.size(), 30u);
    EXPECT_EQ(s.progress.front().passes_total, 10);
}

TEST(Run, ThreeIdenticalSheetsTakeOneRepeatedLayout)
{
    cut_job job;
    job.optimization_level = 1;
    for (int i = 0; i < 6; ++i) job.pieces.push_back(job_piece{1000, 500, 0, -1});
    for (int i = 0; i < 3; ++i) job.stock.push_back(job_stock{1000, 1000, 0, 0, 0, 0, 0, -1});
    const run_result r = RunJob(job);
    ASSERT_TRUE(r.violations.empty()) << r.violations.front();
    EXPECT_EQ(r.sheets, 3);
    EXPECT_EQ(r.placed, 6);
}

TEST(Run, GrainDecidesTheTurn)
{
    // Pieces with the other grain direction must be turned, those with the same grain never.
    cut_job job;
    job.optimization_level = 1;
    job.kerf = 3;
    for (int i = 0; i < 4; ++i) job.pieces.push_back(job_piece{300, 600, 1, 2});
    for (int i = 0; i < 4; ++i) job.pieces.push_back(job_piece{500, 200, 1, 1});
    for (int i = 0; i < 3; ++i) job.pieces.push_back(job_piece{250, 250, 1, 0});
    for (int i = 0; i < 3; ++i) {
        job_stock s{2000, 1000, 0, 0, 0, 0, 0, -1};
        s.grain = 1;
        job.stock.push_back(s);
    }
    const run_result r = RunJob(job);
    ASSERT_TRUE(r.violations.empty()) << r.violations.front();
    EXPECT_EQ(r.placed, 11);
}

TEST(Run, OtherStartMethodsGiveValidLayouts)
{
    for (auto start : {&TCut2D::StartNested, &TCut2D::StartStaged}) {
        const cut_job job = Cabinet(2);
        const run_result r = RunJob(job, start);
        ASSERT_TRUE(r.ended);
        ASSERT_TRUE(r.violations.empty()) << r.violations.front();
        EXPECT_EQ(r.placed, static_cast<int32_t>(job.pieces.size()));
    }
}

TEST(Run, ResultsAreGoneAfterTheCallback)
{
    TCut2D cut;
    LoadJob(cut, Cabinet(1));
    int32_t inside = 0;
    cut.set_OnRunEnd([&] { inside = cut.GetSheetCount(); });
    cut.StartGuillotine();
    EXPECT_GT(inside, 0);
    EXPECT_EQ(cut.GetSheetCount(), 0);
    EXPECT_EQ(cut.GetDemandPieceCount(), 0);
    EXPECT_FALSE(cut.GetSheetPiece(0, 0).has_value());
}

TEST(Run, ALoneWidthBreakageHoldsAlongTheLengthForOneRunOnly)
{
    // An 80 long piece on a 100 long sheet leaves 20 along x: too little for a breakage of 50.
    cut_job job;
    job.optimization_level = 1;
    job.pieces.push_back(job_piece{80, 10, 0, -1});
    job.stock.push_back(job_stock{100, 100, 0, 0, 0, 0, 0, -1});
    TCut2D cut;
    int32_t placed = -1;
    cut.set_OnRunEnd([&] { placed = cut.GetPlacedPieceCount(); });

    LoadJob(cut, job);
    cut.set_MinimalWidthBreakage(50);  // the length breakage is not set: it takes 50 for this run
    cut.StartGuillotine();
    EXPECT_EQ(placed, 0);

    LoadJob(cut, job);
    cut.set_MinimalWidthBreakage(0);  // the length breakage is unset again and now takes 0
    cut.StartGuillotine();
    EXPECT_EQ(placed, 1);
}

TEST(Run, StockOfTheLowerPriorityIsCutFirst)
{
    cut_job job;
    job.optimization_level = 1;
    job.pieces.push_back(job_piece{400, 300, 1, -1});
    job_stock large{2000, 1000, 0, 0, 0, 0, 1, -1};
    job_stock small{500, 400, 0, 0, 0, 0, 0, -1};
    job.stock = {large, small};
    TCut2D cut;
    LoadJob(cut, job);
    int32_t stock = -1;
    std::vector<std::string> violations;
    cut.set_OnRunEnd([&] {
        violations = CheckResult(cut, job);
        stock = cut.GetSheetStockIndex(0).value_or(-1);
    });
    cut.StartGuillotine();
    EXPECT_TRUE(violations.empty());
    EXPECT_EQ(stock, 1);
}

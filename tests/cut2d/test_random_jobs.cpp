// Random jobs with fixed seeds: every layout the optimiser reports must pass the layout checker.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>

#include "layout_checker.h"

namespace {

cut_job RandomJob(uint32_t seed)
{
    std::mt19937 rng(seed);
    auto in = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    cut_job job;
    job.kerf = in(0, 5);
    job.seed = in(0, 1000);
    job.optimization_level = in(0, 3) == 0 ? 8 : 1;
    if (in(0, 2) == 0) job.length_breakage = in(0, 20);
    if (in(0, 2) == 0) job.width_breakage = in(0, 20);
    const bool grain = in(0, 3) == 0;
    // Every third job works on tiny sheets in few units, where equal sizes and exact fits are common.
    const bool tiny = seed % 3 == 0;
    const int scale = tiny ? 1 : 10;
    if (tiny && in(0, 1) == 0) job.kerf = 0;
    const int sizes = in(1, 3);
    for (int s = 0; s < sizes; ++s) {
        job_stock st;
        st.length = tiny ? in(8, 40) : in(200, 1200);
        st.width = tiny ? in(8, 30) : in(150, 800);
        const int trim = tiny ? 2 : 15;
        if (in(0, 2) == 0) st.trim_y0 = in(0, trim);
        if (in(0, 2) == 0) st.trim_x0 = in(0, trim);
        if (in(0, 3) == 0) st.trim_yW = in(0, trim);
        if (in(0, 3) == 0) st.trim_xL = in(0, trim);
        st.priority = in(0, 1);
        if (grain) st.grain = in(0, 2);
        const int quantity = in(1, 4);
        for (int q = 0; q < quantity; ++q) job.stock.push_back(st);
    }
    if (in(0, 4) == 0) job.max_cut = tiny ? in(10, 40) : in(300, 1000);
    if (tiny) {
        if (job.length_breakage > 0) job.length_breakage /= 5;
        if (job.width_breakage > 0) job.width_breakage /= 5;
    }
    const int kinds = in(1, tiny ? 12 : 8);
    for (int k = 0; k < kinds; ++k) {
        job_piece p;
        p.length = tiny ? in(1, 12) : in(20, 500);
        p.width = tiny ? in(1, 10) : in(20, 400);
        if (in(0, 12) == 0) p.length = in(130, 200) * scale;  // fits nowhere
        p.may_rotate = in(0, 3) == 0 ? 0 : 1;
        if (grain) p.grain = in(0, 2);
        if (in(0, 3) == 0) p.priority = in(0, 2);
        const int quantity = in(1, 6);
        for (int q = 0; q < quantity; ++q) job.pieces.push_back(p);
    }
    return job;
}

}  // namespace

TEST(RandomJobs, EveryLayoutPassesTheChecker)
{
    int runs = 0;
    for (uint32_t seed = 1; seed <= 300; ++seed) {
        const cut_job job = RandomJob(seed);
        TCut2D cut;
        LoadJob(cut, job);
        std::vector<std::string> violations;
        bool ended = false;
        cut.set_OnRunEnd([&] {
            ended = true;
            violations = CheckResult(cut, job);
            if (!violations.empty() && getenv("CUT2D_DUMP")) {
                fprintf(stderr, "kerf %d brk %d %d maxcut %d\n", job.kerf, job.length_breakage, job.width_breakage, job.max_cut);
                for (auto& st : job.stock) fprintf(stderr, "stock %d x %d trims y0 %d x0 %d yW %d xL %d\n", st.length, st.width, st.trim_y0, st.trim_x0, st.trim_yW, st.trim_xL);
                fprintf(stderr, "%s", DescribeResult(cut).c_str());
                for (auto& v : violations) fprintf(stderr, "%s\n", v.c_str());
            }
        });
        cut.StartGuillotine();
        ASSERT_TRUE(ended) << "seed " << seed;
        ++runs;
        ASSERT_TRUE(violations.empty()) << "seed " << seed << ": " << violations.front() << " (" << violations.size()
                                        << " violations)";
    }
    EXPECT_EQ(runs, 300);
}

namespace {

// Bin packing in few units: one small square-ish sheet size, no kerf, no trims, pieces free to turn.
cut_job PackingJob(uint32_t seed)
{
    std::mt19937 rng(seed);
    auto in = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    cut_job job;
    job.kerf = in(0, 3) == 0 ? 1 : 0;
    job.optimization_level = in(0, 4) == 0 ? 7 : 1;
    job.seed = static_cast<int32_t>(seed);
    const int side = in(8, 14);
    const int n = in(30, 80);
    for (int i = 0; i < n; ++i) job.pieces.push_back(job_piece{in(1, side), in(1, side), 1, -1});
    for (int i = 0; i < n; ++i) job.stock.push_back(job_stock{side, side, 0, 0, 0, 0, 0, -1});
    return job;
}

}  // namespace

TEST(RandomJobs, PackingJobsPassTheCheckerAndPlaceEverything)
{
    for (uint32_t seed = 1; seed <= 150; ++seed) {
        const cut_job job = PackingJob(seed);
        TCut2D cut;
        LoadJob(cut, job);
        std::vector<std::string> violations;
        int32_t placed = -1;
        cut.set_OnRunEnd([&] {
            violations = CheckResult(cut, job);
            placed = cut.GetPlacedPieceCount();
            if (getenv("CUT2D_DUMP") && placed != static_cast<int32_t>(job.pieces.size())) {
                fprintf(stderr, "kerf %d side %d\n", job.kerf, job.stock[0].length);
                for (auto& p : job.pieces) fprintf(stderr, "%dx%d ", p.length, p.width);
                fprintf(stderr, "\n%s", DescribeResult(cut).c_str());
            }
        });
        cut.StartGuillotine();
        ASSERT_TRUE(violations.empty()) << "seed " << seed << ": " << violations.front();
        ASSERT_EQ(placed, static_cast<int32_t>(job.pieces.size())) << "seed " << seed;
    }
}

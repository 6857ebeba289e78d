// Random jobs, fixed seeds: every method and the whole optimiser must give sound layouts.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "bar_checker.h"
#include "cut1d/TCut1D.h"
#include "cut1d/applegate.h"
#include "cut1d/cut1d_methods.h"
#include "cut1d/greedy_bars.h"

namespace {

struct RandomJob {
    BarJob job;
    std::vector<int32_t> priorities;
    int32_t maxGarbage = 0;
    int32_t minReused = 0;
};

RandomJob MakeJob(uint32_t seed, bool angled)
{
    std::mt19937 rng(seed);
    auto uniform = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    RandomJob r;
    const int barKinds = uniform(1, 3);
    const int base = uniform(50, 3000);
    std::vector<int32_t> kinds;
    for (int k = 0; k < barKinds; ++k) kinds.push_back(std::max(1, base + uniform(-base / 2, base / 2)));
    const int bars = uniform(1, 25);
    for (int b = 0; b < bars; ++b) {
        r.job.barLengths.push_back(kinds[static_cast<size_t>(uniform(0, barKinds - 1))]);
        r.priorities.push_back(uniform(0, 3) == 0 ? 1 : 0);
    }
    const int pieces = uniform(1, 40);
    const int32_t longest = *std::max_element(kinds.begin(), kinds.end());
    const int distinct = uniform(1, 8);
    std::vector<BarJob::Piece> types;
    static const double kAngles[] = {90.0, 45.0, 135.0, 60.0, 30.0, 120.0};
    for (int t = 0; t < distinct; ++t) {
        BarJob::Piece p;
        p.length = uniform(1, longest + longest / 10);
        if (angled && uniform(0, 1) == 1) {
            p.angle1 = kAngles[uniform(0, 5)];
            p.angle2 = kAngles[uniform(0, 5)];
        }
        types.push_back(p);
    }
    for (int i = 0; i < pieces; ++i) r.job.pieces.push_back(types[static_cast<size_t>(uniform(0, distinct - 1))]);
    r.job.kerf = uniform(0, 2) == 0 ? 0 : uniform(1, 8);
    r.job.width = angled ? uniform(0, 20) : 0;
    return r;
}

RandomJob MakeJob(uint32_t seed, bool angled, bool band)
{
    RandomJob r = MakeJob(seed, angled);
    if (band) {
        r.maxGarbage = 20 + static_cast<int32_t>(seed % 50);
        r.minReused = r.maxGarbage + 100 + static_cast<int32_t>(seed % 300);
    }
    return r;
}

void Load(TCut1D& opt, const RandomJob& r)
{
    opt.set_BladeWidth(r.job.kerf);
    opt.set_OptimizationLevel(100);
    opt.set_RandomSeed(7);
    opt.set_Width(r.job.width);
    opt.set_MaxGarbageWaste(r.maxGarbage);
    opt.set_MinReusedWaste(r.minReused);
    opt.set_NumberOfDemandPieces(static_cast<int32_t>(r.job.pieces.size()));
    for (size_t i = 0; i < r.job.pieces.size(); ++i) {
        const auto& p = r.job.pieces[i];
        opt.SetDemandPiece3(static_cast<int32_t>(i), p.length, p.angle1, p.angle2, 0.0, 0,
                            user_data{static_cast<int32_t>(i), 0});
    }
    opt.set_NumberOfRepositoryPieces(static_cast<int32_t>(r.job.barLengths.size()));
    for (size_t b = 0; b < r.job.barLengths.size(); ++b)
        opt.SetRepositoryPiece2(static_cast<int32_t>(b), r.job.barLengths[b], 0.0, r.priorities[b],
                                user_data{static_cast<int32_t>(b), 1});
}

std::string Describe(const std::vector<std::string>& problems)
{
    std::string text;
    for (const auto& p : problems) text += p + "\n";
    return text;
}

struct JobKind {
    const char* name;
    bool angled;
    bool band;  // a leftover band between garbage and reusable waste
};
// Cases print by name (the default dump shows pointer bytes that change every run).
void PrintTo(const JobKind& c, std::ostream* out) { *out << c.name; }

class RandomJobs : public ::testing::TestWithParam<JobKind> {};

TEST_P(RandomJobs, WholeOptimiserGivesSoundLayouts)
{
    for (uint32_t seed = 1; seed <= 150; ++seed) {
        const RandomJob r = MakeJob(seed, GetParam().angled, GetParam().band);
        TCut1D opt;
        Load(opt, r);
        bool finished = false;
        std::vector<std::string> problems;
        int32_t total = -1, counted = 0;
        opt.set_OnFinished([&] {
            finished = true;
            const auto layouts = CollectLayouts(opt);
            problems = CheckLayouts(r.job, layouts);
            for (const auto& l : layouts) counted += static_cast<int32_t>(l.cuts.size());
            total = opt.GetTotalPieces();
        });
        opt.Run();
        ASSERT_TRUE(finished) << "seed " << seed;
        EXPECT_TRUE(problems.empty()) << "seed " << seed << "\n" << Describe(problems);
        EXPECT_EQ(total, counted) << "seed " << seed;
        EXPECT_EQ(opt.GetBarCount(), 0) << "the result is gone after the callback";
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, RandomJobs,
                         ::testing::Values(JobKind{"Square", false, false}, JobKind{"Angled", true, false},
                                           JobKind{"SquareWithBand", false, true}, JobKind{"AngledWithBand", true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// The pieces longest first and the bars shortest first, as the optimiser hands them to its methods.
void Prepared(const BarJob& job, part1d_array& pieces, stock1d_array& bars)
{
    for (size_t i = 0; i < job.pieces.size(); ++i) {
        part1d p;
        p.number = static_cast<int32_t>(i);
        p.length = job.pieces[i].length;
        pieces.push_back(p);
    }
    std::stable_sort(pieces.begin(), pieces.end(), [](const part1d& a, const part1d& b) { return a.length > b.length; });
    for (size_t b = 0; b < job.barLengths.size(); ++b) {
        stock1d s;
        s.number = static_cast<int32_t>(b);
        s.length = job.barLengths[b];
        s.cost = s.length;
        bars.push_back(s);
    }
    std::stable_sort(bars.begin(), bars.end(), [](const stock1d& a, const stock1d& b) { return a.length < b.length; });
}

TEST(RandomJobsByMethod, EveryMethodKeepsItsSolutionConsistent)
{
    for (uint32_t seed = 1000; seed < 1150; ++seed) {
        const RandomJob r = MakeJob(seed, false);
        part1d_array pieces;
        stock1d_array bars;
        Prepared(r.job, pieces, bars);
        const auto P = static_cast<int32_t>(pieces.size());
        const auto B = static_cast<int32_t>(bars.size());
        auto check = [&](const SolutionCut1D& s, const char* method) {
            const auto problems = CheckSolution(r.job, s);
            EXPECT_TRUE(problems.empty()) << method << " seed " << seed << "\n" << Describe(problems);
        };
        SolutionCut1D s;
        s.Reset(B, P);
        FirstFit(s, pieces, bars, 0, r.job.kerf);
        check(s, "first fit");
        s.Reset(B, P);
        BestFit(s, pieces, bars, 0, r.job.kerf);
        check(s, "best fit");
        s.Reset(B, P);
        FirstFitMerge(s, pieces, bars, 0, r.job.kerf);
        check(s, "first fit merge");
        s.Reset(B, P);
        TApplegate().SelectBarPatterns(s, pieces, bars, r.job.kerf, 100, 0, 0);
        check(s, "pattern selection");

        TSingleBarOptimization single;
        MethodContext ctx;
        ctx.kerf = r.job.kerf;
        ctx.barTotal = B;
        ctx.pieceTotal = P;
        ctx.singleBar = &single;
        for (auto v : {SequentialVariant::A, SequentialVariant::B, SequentialVariant::C, SequentialVariant::D})
            for (int32_t limit : {0, 1000000}) check(SequentialSingleBar(ctx, v, pieces, bars, limit), "sequential");
    }
}

}  // namespace

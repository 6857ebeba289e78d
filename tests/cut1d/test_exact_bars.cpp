// The exact bar method: sound layouts on random jobs, and the optimum on jobs small enough to enumerate.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "bar_checker.h"
#include "cut1d/exact_bars.h"

namespace {

struct SmallJob {
    BarJob job;
    std::vector<double> costs;       // by bar number
    std::vector<int32_t> priorities; // by bar number
};

SmallJob MakeJob(uint32_t seed, int maxPieces, int maxBars)
{
    std::mt19937 rng(seed);
    auto uniform = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    SmallJob s;
    const int kinds = uniform(1, 3);
    std::vector<int32_t> lengths;
    std::vector<double> kindCost;
    for (int k = 0; k < kinds; ++k) {
        lengths.push_back(uniform(500, 3000));
        // Costs that are not proportional to length, so the cheapest layout is not the shortest one.
        kindCost.push_back(lengths.back() * (0.5 + uniform(0, 10) / 10.0));
    }
    const int bars = uniform(1, maxBars);
    for (int b = 0; b < bars; ++b) {
        const auto k = static_cast<size_t>(uniform(0, kinds - 1));
        s.job.barLengths.push_back(lengths[k]);
        s.costs.push_back(kindCost[k]);
        s.priorities.push_back(uniform(0, 3) == 0 ? 1 : 0);
    }
    const int32_t longest = *std::max_element(lengths.begin(), lengths.end());
    const int pieces = uniform(1, maxPieces);
    const int distinct = uniform(1, 4);
    std::vector<int32_t> types;
    for (int t = 0; t < distinct; ++t) types.push_back(uniform(longest / 12, longest));
    for (int i = 0; i < pieces; ++i) {
        BarJob::Piece p;
        p.length = types[static_cast<size_t>(uniform(0, distinct - 1))];
        s.job.pieces.push_back(p);
    }
    s.job.kerf = uniform(0, 1) == 0 ? 0 : uniform(1, 10);
    // Now and then a piece exactly as long as a bar, which needs no kerf behind it.
    if (uniform(0, 2) == 0) s.job.pieces[0].length = s.job.barLengths[0];
    return s;
}

part1d_array PiecesOf(const SmallJob& s)
{
    part1d_array pieces;
    for (size_t i = 0; i < s.job.pieces.size(); ++i) {
        part1d p;
        p.number = static_cast<int32_t>(i);
        p.length = s.job.pieces[i].length;
        pieces.push_back(p);
    }
    std::stable_sort(pieces.begin(), pieces.end(), [](const part1d& a, const part1d& b) { return a.length > b.length; });
    return pieces;
}

stock1d_array BarsOf(const SmallJob& s, int32_t priority)
{
    stock1d_array bars;
    for (size_t b = 0; b < s.job.barLengths.size(); ++b) {
        if (priority >= 0 && s.priorities[b] != priority) continue;
        stock1d bar;
        bar.number = static_cast<int32_t>(b);
        bar.length = s.job.barLengths[b];
        bar.cost = s.costs[b];
        bar.priority = s.priorities[b];
        bars.push_back(bar);
    }
    return bars;
}

double CostOf(const SmallJob& s, const SolutionCut1D& solution)
{
    double cost = 0.0;
    for (const auto& bar : solution.bars) cost += s.costs[static_cast<size_t>(bar.barNumber)];
    return cost;
}

std::string Describe(const std::vector<std::string>& problems)
{
    std::string text;
    for (const auto& p : problems) text += p + "\n";
    return text;
}

// Every assignment of pieces to bars (or to none): the most length cut, then the least cost.
void Enumerate(const SmallJob& s, int64_t& bestUsed, double& bestCost)
{
    const auto n = s.job.pieces.size();
    const auto bars = s.job.barLengths.size();
    std::vector<int64_t> load(bars, 0);
    std::vector<int32_t> count(bars, 0);
    bestUsed = -1;
    bestCost = 0.0;
    auto visit = [&](auto&& self, size_t i, int64_t used) -> void {
        if (i == n) {
            double cost = 0.0;
            for (size_t b = 0; b < bars; ++b)
                if (count[b] > 0) cost += s.costs[b];
            if (used > bestUsed || (used == bestUsed && cost < bestCost - 1e-6)) {
                bestUsed = used;
                bestCost = cost;
            }
            return;
        }
        self(self, i + 1, used);
        const int64_t w = s.job.pieces[i].length + s.job.kerf;
        for (size_t b = 0; b < bars; ++b) {
            if (load[b] + w > s.job.barLengths[b] + s.job.kerf) continue;
            load[b] += w;
            ++count[b];
            self(self, i + 1, used + s.job.pieces[i].length);
            load[b] -= w;
            --count[b];
        }
    };
    visit(visit, 0, 0);
}

TEST(ExactBars, RandomJobsGiveSoundLayouts)
{
    for (uint32_t seed = 1; seed <= 120; ++seed) {
        const SmallJob s = MakeJob(seed, 40, 25);
        const part1d_array pieces = PiecesOf(s);
        const auto P = static_cast<int32_t>(pieces.size());
        const auto B = static_cast<int32_t>(s.job.barLengths.size());
        // Priority 0 first; priority 1 gets what is left, as the optimiser uses its bar groups.
        SolutionCut1D all;
        all.Reset(B, P);
        for (int32_t priority : {0, 1}) {
            part1d_array left;
            for (const auto& p : pieces)
                if (all.pieceToBar[static_cast<size_t>(p.number)] == -1) left.push_back(p);
            const stock1d_array bars = BarsOf(s, priority);
            if (left.empty() || bars.empty()) continue;
            SolutionCut1D group;
            group.Reset(B, P);
            ExactBars(group, left, bars, s.job.kerf);
            const auto problems = CheckSolution(s.job, group);
            EXPECT_TRUE(problems.empty()) << "seed " << seed << " priority " << priority << "\n" << Describe(problems);
            all.Append(group);
        }
        const auto problems = CheckSolution(s.job, all);
        EXPECT_TRUE(problems.empty()) << "seed " << seed << "\n" << Describe(problems);
    }
}

TEST(ExactBars, SmallJobsReachTheEnumeratedOptimum)
{
    for (uint32_t seed = 500; seed < 620; ++seed) {
        SmallJob s = MakeJob(seed, 7, 4);
        if (seed % 2) {
            // Lengths in finer units, as a job in tenths of a millimetre arrives.
            for (auto& p : s.job.pieces) p.length *= 10;
            for (auto& b : s.job.barLengths) b *= 10;
            for (auto& c : s.costs) c *= 10;
            s.job.kerf *= 10;
        }
        SolutionCut1D solution;
        solution.Reset(static_cast<int32_t>(s.job.barLengths.size()), static_cast<int32_t>(s.job.pieces.size()));
        ExactBars(solution, PiecesOf(s), BarsOf(s, -1), s.job.kerf);
        const auto problems = CheckSolution(s.job, solution);
        EXPECT_TRUE(problems.empty()) << "seed " << seed << "\n" << Describe(problems);
        int64_t used = 0;
        double cost = 0.0;
        Enumerate(s, used, cost);
        EXPECT_EQ(solution.usedLength, used) << "seed " << seed;
        if (solution.usedLength == used) {
            EXPECT_NEAR(CostOf(s, solution), cost, 1e-6) << "seed " << seed;
        }
    }
}

TEST(ExactBars, SearchCutShortStillCutsEveryPiece)
{
    ExactBarsLimits tight;
    tight.work = 1;
    tight.mipNodes = 0;
    for (uint32_t seed = 800; seed < 840; ++seed) {
        SmallJob s = MakeJob(seed, 60, 30);
        // A bar of the longest kind for every piece: whatever the search leaves, first fit can place.
        const int32_t longest = *std::max_element(s.job.barLengths.begin(), s.job.barLengths.end());
        for (size_t i = 0; i < s.job.pieces.size(); ++i) {
            s.job.barLengths.push_back(longest);
            s.costs.push_back(longest);
            s.priorities.push_back(0);
        }
        const part1d_array pieces = PiecesOf(s);
        SolutionCut1D solution;
        solution.Reset(static_cast<int32_t>(s.job.barLengths.size()), static_cast<int32_t>(pieces.size()));
        ExactBars(solution, pieces, BarsOf(s, -1), s.job.kerf, tight);
        EXPECT_TRUE(CheckSolution(s.job, solution).empty()) << "seed " << seed << "\n" << Describe(CheckSolution(s.job, solution));
        int64_t fitting = 0;
        for (const auto& p : pieces)
            if (p.length <= *std::max_element(s.job.barLengths.begin(), s.job.barLengths.end())) fitting += p.length;
        EXPECT_EQ(solution.usedLength, fitting) << "seed " << seed;
    }
}

TEST(ExactBars, PieceAsLongAsTheBarTakesNoKerf)
{
    SmallJob s;
    s.job.kerf = 5;
    s.job.barLengths = {1000, 1000};
    s.costs = {1000.0, 1000.0};
    s.priorities = {0, 0};
    s.job.pieces = {{1000}, {600}, {395}};
    SolutionCut1D solution;
    solution.Reset(2, 3);
    EXPECT_TRUE(ExactBars(solution, PiecesOf(s), BarsOf(s, -1), s.job.kerf));
    EXPECT_TRUE(CheckSolution(s.job, solution).empty()) << Describe(CheckSolution(s.job, solution));
    ASSERT_EQ(solution.bars.size(), 2u);
    EXPECT_EQ(solution.usedLength, 1995);
    EXPECT_DOUBLE_EQ(solution.waste, 0.0);
}

// When the same number of bars can hold all the waste in one of them, the layout leaves one offcut.
TEST(ExactBars, WasteGathersInOneBar)
{
    struct Case {
        int32_t kerf;
        int32_t bar;
        std::vector<int32_t> pieces;
        size_t bars;
    };
    const std::vector<Case> cases = {
        {0, 100, {50, 50, 30, 30, 20, 20, 45}, 3},
        {5, 100, {48, 47, 30, 30, 30, 40}, 3},
        {0, 1000, {400, 350, 300, 300, 250, 250, 200, 150, 120, 110, 90, 60}, 3},
    };
    for (const Case& c : cases) {
        SmallJob s;
        s.job.kerf = c.kerf;
        for (int32_t l : c.pieces) s.job.pieces.push_back({l});
        for (size_t b = 0; b < c.pieces.size(); ++b) {
            s.job.barLengths.push_back(c.bar);
            s.costs.push_back(c.bar);
            s.priorities.push_back(0);
        }
        SolutionCut1D solution;
        solution.Reset(static_cast<int32_t>(s.job.barLengths.size()), static_cast<int32_t>(c.pieces.size()));
        EXPECT_TRUE(ExactBars(solution, PiecesOf(s), BarsOf(s, -1), s.job.kerf));
        EXPECT_TRUE(CheckSolution(s.job, solution).empty()) << Describe(CheckSolution(s.job, solution));
        EXPECT_EQ(solution.bars.size(), c.bars);
        EXPECT_EQ(solution.barsWithWaste, 1);
    }
}

}  // namespace

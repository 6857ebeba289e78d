// Edge cases of the greedy heuristics, the mitre decoder, the single-bar optimiser and pattern selection.
#include <gtest/gtest.h>

#include "bar_checker.h"
#include "cut1d/applegate.h"
#include "cut1d/greedy_bars.h"
#include "cut1d/mitre.h"
#include "cut1d/single_bar.h"

namespace {

part1d Piece(int32_t number, int32_t length, double a1 = 90.0, double a2 = 90.0)
{
    part1d p;
    p.number = number;
    p.length = length;
    p.angle1 = a1;
    p.angle2 = a2;
    return p;
}

stock1d Bar(int32_t number, int32_t length)
{
    stock1d s;
    s.number = number;
    s.length = length;
    s.cost = length;
    return s;
}

std::vector<int32_t> PiecesOf(const BarUtilization& bar)
{
    std::vector<int32_t> pieces;
    for (const auto& c : bar.cuts) pieces.push_back(c.piece);
    return pieces;
}

BarJob JobOf(const part1d_array& pieces, const stock1d_array& bars, int32_t kerf, int32_t width = 0)
{
    BarJob job;
    job.kerf = kerf;
    job.width = width;
    int32_t maxPiece = -1, maxBar = -1;
    for (const auto& p : pieces) maxPiece = std::max(maxPiece, p.number);
    for (const auto& b : bars) maxBar = std::max(maxBar, b.number);
    job.pieces.resize(static_cast<size_t>(maxPiece + 1));
    job.barLengths.resize(static_cast<size_t>(maxBar + 1));
    for (const auto& p : pieces) job.pieces[static_cast<size_t>(p.number)] = {p.length, p.angle1, p.angle2};
    for (const auto& b : bars) job.barLengths[static_cast<size_t>(b.number)] = b.length;
    return job;
}

using Heuristic = void (*)(SolutionCut1D&, const part1d_array&, const stock1d_array&, int32_t, int32_t);

struct HeuristicCase {
    const char* name;
    Heuristic run;
};
// Cases print by name (the default dump shows pointer bytes that change every run).
void PrintTo(const HeuristicCase& c, std::ostream* out) { *out << c.name; }

class Heuristics : public ::testing::TestWithParam<HeuristicCase> {};

TEST_P(Heuristics, KerfIsNotNeededBehindAPieceThatFillsTheBar)
{
    // 600 + 5 + 395 = 1000: the 395 goes on the first bar, the 400 on the second.
    const part1d_array pieces{Piece(0, 600), Piece(1, 400), Piece(2, 395)};
    const stock1d_array bars{Bar(0, 1000), Bar(1, 1000), Bar(2, 1000)};
    SolutionCut1D s;
    s.Reset(3, 3);
    GetParam().run(s, pieces, bars, 0, 5);
    ASSERT_EQ(s.bars.size(), 2u);
    EXPECT_EQ(PiecesOf(s.bars[0]), (std::vector<int32_t>{0, 2}));
    EXPECT_EQ(s.bars[0].waste, 0.0);
    EXPECT_EQ(PiecesOf(s.bars[1]), (std::vector<int32_t>{1}));
    EXPECT_EQ(s.bars[1].waste, 595.0);
    EXPECT_EQ(s.barsWithWaste, 1);
    EXPECT_TRUE(CheckSolution(JobOf(pieces, bars, 5), s).empty());
}

TEST_P(Heuristics, PieceLongerThanEveryBarStaysUnplacedAndBarsAreRemoved)
{
    const part1d_array pieces{Piece(0, 1200)};
    const stock1d_array bars{Bar(0, 1000), Bar(1, 800)};
    SolutionCut1D s;
    s.Reset(2, 1);
    GetParam().run(s, pieces, bars, 0, 3);
    EXPECT_TRUE(s.bars.empty());
    EXPECT_EQ(s.pieceToBar[0], -1);
    EXPECT_EQ(s.barToIndex, (std::vector<int32_t>{-1, -1}));
    EXPECT_EQ(s.waste, 0.0);
    EXPECT_EQ(s.stockLength, 0);
}

INSTANTIATE_TEST_SUITE_P(Greedy, Heuristics,
                         ::testing::Values(HeuristicCase{"FirstFit", FirstFit}, HeuristicCase{"BestFit", BestFit},
                                           HeuristicCase{"FirstFitMerge", FirstFitMerge}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BestFit, FirstPieceTakesTheFirstBarThatFits)
{
    const part1d_array pieces{Piece(0, 600), Piece(1, 350)};
    const stock1d_array bars{Bar(0, 1000), Bar(1, 650)};
    SolutionCut1D s;
    s.Reset(2, 2);
    BestFit(s, pieces, bars, 0, 0);
    ASSERT_EQ(s.bars.size(), 1u);
    EXPECT_EQ(s.bars[0].barNumber, 0);
    EXPECT_EQ(PiecesOf(s.bars[0]), (std::vector<int32_t>{0, 1}));
}

TEST(FirstFitMerge, TwoPartFilledBarsMoveIntoOneLongerBar)
{
    const part1d_array pieces{Piece(0, 400), Piece(1, 400)};
    const stock1d_array bars{Bar(0, 600), Bar(1, 600), Bar(2, 1000)};
    SolutionCut1D s;
    s.Reset(3, 2);
    FirstFitMerge(s, pieces, bars, 0, 0);
    ASSERT_EQ(s.bars.size(), 1u);
    EXPECT_EQ(s.bars[0].barNumber, 2);
    EXPECT_EQ(PiecesOf(s.bars[0]), (std::vector<int32_t>{1, 0}));  // P's cuts first, then D's
    EXPECT_EQ(s.bars[0].waste, 200.0);
    EXPECT_EQ(s.barToIndex, (std::vector<int32_t>{-1, -1, 0}));
    EXPECT_EQ(s.pieceToBar, (std::vector<int32_t>{2, 2}));
    EXPECT_TRUE(CheckSolution(JobOf(pieces, bars, 0), s).empty());
}

TEST(LayOnBar, MatchingMitresShareTheirCut)
{
    const part1d_array pieces{Piece(0, 500, 45, 45), Piece(1, 500, 45, 45)};
    const std::vector<int32_t> order{0, 1};
    const LaidBar flat = LayOnBar(order, pieces, MitreParams{2000, 0, 0, 0, 1e-6});
    ASSERT_EQ(flat.cuts.size(), 2u);
    EXPECT_FALSE(flat.cuts[0].mirrored || flat.cuts[0].turned || flat.cuts[0].swapped);
    EXPECT_TRUE(flat.cuts[1].mirrored);
    EXPECT_FALSE(flat.cuts[1].turned || flat.cuts[1].swapped);
    EXPECT_DOUBLE_EQ(flat.consumed, 1000.0);
    // A profile 40 wide saves 40 / tan 45 on the shared cut.
    const LaidBar wide = LayOnBar(order, pieces, MitreParams{2000, 0, 40, 0, 1e-6});
    EXPECT_NEAR(wide.consumed, 960.0, 1e-9);
}

TEST(LayOnBar, SquarePiecesAddOneKerfPerJoint)
{
    const part1d_array pieces{Piece(0, 300), Piece(1, 200), Piece(2, 100)};
    const std::vector<int32_t> order{0, 1, 2};
    const LaidBar laid = LayOnBar(order, pieces, MitreParams{1000, 4, 30, 0, 1e-6});
    EXPECT_EQ(laid.cuts.size(), 3u);
    EXPECT_NEAR(laid.consumed, 600.0 + 2 * 4.0, 1e-9);
    EXPECT_NEAR(BarWaste(laid.consumed, 1000, 4), 1000 - 608 - 4, 1e-9);
}

TEST(LayOnBar, APieceThatFitsNeitherWayIsSkipped)
{
    const part1d_array pieces{Piece(0, 600), Piece(1, 500, 60, 120), Piece(2, 300)};
    const std::vector<int32_t> order{0, 1, 2};
    const LaidBar laid = LayOnBar(order, pieces, MitreParams{1000, 0, 0, 0, 1e-6});
    ASSERT_EQ(laid.cuts.size(), 2u);
    EXPECT_EQ(laid.cuts[1].piece, 2);
    EXPECT_EQ(laid.placedLength, 900);
}

TEST(Permutations, TableInsertsTheNewPieceFromTheBack)
{
    const std::vector<std::vector<int32_t>> three{{0, 1, 2}, {1, 0, 2}, {0, 2, 1}, {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};
    EXPECT_EQ(PermutationTable(3), three);
    EXPECT_EQ(PermutationTable(5).size(), 120u);
}

// One bar of the given pieces in the given order, laid as LayOnBar would.
SolutionCut1D OneBar(const part1d_array& pieces, int32_t barLength, int32_t kerf, int32_t width)
{
    std::vector<int32_t> order;
    for (size_t i = 0; i < pieces.size(); ++i) order.push_back(static_cast<int32_t>(i));
    const LaidBar laid = LayOnBar(order, pieces, MitreParams{barLength, kerf, width, 0, 1e-5});
    SolutionCut1D s;
    s.Reset(1, static_cast<int32_t>(pieces.size()));
    BarUtilization bar;
    bar.barNumber = 0;
    bar.barLength = barLength;
    bar.cuts = laid.cuts;
    bar.usedLength = laid.placedLength;
    bar.waste = BarWaste(laid.consumed, barLength, kerf);
    s.AddBar(bar);
    return s;
}

TEST(Permutations, ImproveABarOfAFewAngledPiecesOnly)
{
    // Square, angled, square, angled: putting the two angled pieces together saves their shared cut.
    part1d_array four{Piece(0, 300), Piece(1, 300, 45, 45), Piece(2, 300), Piece(3, 300, 45, 45)};
    SolutionCut1D s = OneBar(four, 2000, 0, 50);
    const double before = s.bars[0].waste;
    EXPECT_TRUE(ImproveByPermutation(s, four, 0, 50, 0));
    EXPECT_GT(s.bars[0].waste, before + 49.0);
    EXPECT_TRUE(CheckSolution(JobOf(four, {Bar(0, 2000)}, 0, 50), s).empty());

    part1d_array six = four;
    six.push_back(Piece(4, 100));
    six.push_back(Piece(5, 100, 45, 45));
    SolutionCut1D many = OneBar(six, 3000, 0, 50);
    const auto cuts = many.bars[0].cuts;
    EXPECT_FALSE(ImproveByPermutation(many, six, 0, 50, 0));
    EXPECT_EQ(PiecesOf(many.bars[0]), (std::vector<int32_t>{0, 1, 2, 3, 4, 5}));

    part1d_array one{Piece(0, 300, 45, 60)};
    SolutionCut1D single = OneBar(one, 1000, 0, 50);
    EXPECT_FALSE(ImproveByPermutation(single, one, 0, 50, 0));
}

struct SingleBarCase {
    const char* name;
    int32_t barLength;
    int32_t kerf;
    int32_t exactLimit;
    std::vector<int32_t> lengths;
    std::vector<int32_t> pattern;  // candidate indices
    double waste;
    int32_t repeats;
};
// Cases print by name (the default dump shows pointer bytes that change every run).
void PrintTo(const SingleBarCase& c, std::ostream* out) { *out << c.name; }

class SingleBar : public ::testing::TestWithParam<SingleBarCase> {};

TEST_P(SingleBar, FindsThePatternAndItsRepetitions)
{
    const SingleBarCase& c = GetParam();
    TSingleBarOptimization single;
    single.barLength = c.barLength;
    single.BladeWidth = c.kerf;
    single.SetExactLimit(c.exactLimit);
    single.SetCandidateCount(static_cast<int32_t>(c.lengths.size()));
    for (size_t i = 0; i < c.lengths.size(); ++i)
        single.Candidate(static_cast<int32_t>(i)) = Piece(static_cast<int32_t>(i), c.lengths[i]);
    bool delivered = false;
    single.deliver = [&] {
        delivered = true;
        std::vector<int32_t> pattern;
        for (int32_t i = 0; i < single.GetPatternCount(); ++i) pattern.push_back(single.GetCut(0, i).piece);
        std::sort(pattern.begin(), pattern.end());
        EXPECT_EQ(pattern, c.pattern);
        EXPECT_EQ(single.GetWaste(), c.waste);
        EXPECT_EQ(single.GetRepeatCount(), c.repeats);
    };
    single.Solve();
    EXPECT_TRUE(delivered);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SingleBar,
    ::testing::Values(
        SingleBarCase{"ExactReachesTheBarEnd", 6000, 5, 200000, {3000, 2995}, {0, 1}, 0.0, 1},
        // The second piece repeats the pattern on a second bar.
        SingleBarCase{"SecondPieceNeedsAKerfTooMany", 6000, 5, 200000, {3000, 3000}, {0}, 2995.0, 2},
        SingleBarCase{"TenPiecesRepeatThreeTimes", 3000, 0, 200000,
                      {1000, 1000, 1000, 1000, 1000, 1000, 1000, 1000, 1000, 1000}, {0, 1, 2}, 0.0, 3},
        SingleBarCase{"ExactBeatsGreedy", 1000, 0, 200000, {500, 400, 300, 300}, {1, 2, 3}, 0.0, 1},
        SingleBarCase{"GreedyTakesLongestFirst", 1000, 0, 0, {500, 400, 300, 300}, {0, 1}, 100.0, 1},
        // A bar far beyond any table size is filled greedily, without allocating per position.
        SingleBarCase{"HugeBarFallsBackToGreedy", 2000000000, 3, 2000000000, {900000000, 700000000}, {0, 1}, 399999994.0, 1},
        SingleBarCase{"NothingFits", 100, 0, 200000, {}, {}, 100.0, 0},
        // Pieces without length neither hang the fills nor take room.
        SingleBarCase{"ZeroLengthGreedy", 1000, 0, 0, {500, 0, 0}, {0, 1, 2}, 500.0, 1},
        SingleBarCase{"ZeroLengthExact", 1000, 0, 200000, {500, 0, 0}, {0}, 500.0, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PatternSelection, DemandOfSevenOnBarsOfThreeLeavesOneForFirstFit)
{
    part1d_array pieces;
    for (int32_t i = 0; i < 7; ++i) pieces.push_back(Piece(i, 1000));
    stock1d_array bars;
    for (int32_t b = 0; b < 10; ++b) bars.push_back(Bar(b, 3000));
    SolutionCut1D s;
    s.Reset(10, 7);
    TApplegate().SelectBarPatterns(s, pieces, bars, 0, 100, 0, 0);
    ASSERT_EQ(s.bars.size(), 3u);
    EXPECT_EQ(s.bars[0].PieceCount(), 3);
    EXPECT_EQ(s.bars[1].PieceCount(), 3);
    EXPECT_EQ(s.bars[2].PieceCount(), 1);
    EXPECT_EQ(s.bars[2].barNumber, 2);
    EXPECT_TRUE(CheckSolution(JobOf(pieces, bars, 0), s).empty());
}

TEST(PatternSelection, KerfIsCountedPerPiece)
{
    // 3 x 995 + 2 x 5 = 2995 fits 3000; a fourth kerf would not matter, a 996 would.
    part1d_array pieces;
    for (int32_t i = 0; i < 6; ++i) pieces.push_back(Piece(i, 995));
    stock1d_array bars;
    for (int32_t b = 0; b < 4; ++b) bars.push_back(Bar(b, 3000));
    SolutionCut1D s;
    s.Reset(4, 6);
    TApplegate().SelectBarPatterns(s, pieces, bars, 5, 100, 0, 0);
    ASSERT_EQ(s.bars.size(), 2u);
    EXPECT_EQ(s.bars[0].waste, 0.0);  // 3000 - 2985 - 3 x 5
    EXPECT_TRUE(CheckSolution(JobOf(pieces, bars, 5), s).empty());
}

TEST(PatternSelection, PricingSurvivesPiecesWithoutLength)
{
    BarPatternProblem problem;
    problem.pieceLength = {0, 40};
    problem.demand = {3, 2};
    problem.barLength = {100};
    problem.barsLeft = {5};
    problem.barCost = {100.0};
    const std::vector<double> duals{50.0, 60.0};
    TApplegate applegate;
    TActivity pattern;
    EXPECT_TRUE(applegate.KnapsackBarPattern(problem, 0, duals, pattern));
    EXPECT_EQ(pattern.counts, (std::vector<int32_t>{0, 2}));
    EXPECT_TRUE(applegate.GreedyBarPattern(problem, 0, duals, pattern));
    EXPECT_EQ(pattern.counts[1], 2);
}

TEST(PatternSelection, KnapsackRefusesABarBeyondItsTable)
{
    BarPatternProblem problem;
    problem.pieceLength = {7};
    problem.demand = {1};
    problem.barLength = {TApplegate::kMaxKnapsackPositions + 1};
    problem.barsLeft = {1};
    problem.barCost = {1.0};
    TActivity pattern;
    EXPECT_FALSE(TApplegate().KnapsackBarPattern(problem, 0, std::vector<double>{1e9}, pattern));
}

}  // namespace

namespace {

// A solution with one bar per waste value; totals as given.
SolutionCut1D Totals(int32_t used, int32_t stock, std::vector<double> wastes)
{
    SolutionCut1D s;
    s.Reset(static_cast<int32_t>(wastes.size()), 0);
    for (size_t i = 0; i < wastes.size(); ++i) {
        BarUtilization bar;
        bar.barNumber = static_cast<int32_t>(i);
        bar.waste = wastes[i];
        s.AddBar(bar);
    }
    s.usedLength = used;
    s.stockLength = stock;
    return s;
}

struct OrderCase {
    const char* name;
    SolutionCut1D candidate;
    SolutionCut1D best;
    bool better;
};

TEST(SolutionOrder, FollowsTheFixedCriteria)
{
    const std::vector<OrderCase> cases{
        {"EmptyCandidateNeverWins", Totals(0, 0, {}), Totals(10, 100, {90}), false},
        {"EmptyBestAlwaysLoses", Totals(1, 100, {99}), Totals(0, 0, {}), true},
        {"MoreOfTheOrderCut", Totals(200, 300, {50, 50}), Totals(190, 100, {10}), true},
        {"LessStock", Totals(200, 250, {25, 25}), Totals(200, 300, {50, 50}), true},
        {"MoreWasteMeansFewerKerfs", Totals(200, 300, {60, 40}), Totals(200, 300, {50, 45}), true},
        {"FewerBarsWithWaste", Totals(200, 300, {100, 0}), Totals(200, 300, {50, 50}), true},
        {"LongerLargestLeftover", Totals(200, 300, {70, 30}), Totals(200, 300, {60, 40}), true},
        {"AllEqualIsNotBetter", Totals(200, 300, {60, 40}), Totals(200, 300, {40, 60}), false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsBetterSolution(c.candidate, c.best), c.better) << c.name;
}

}  // namespace

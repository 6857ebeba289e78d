#include <gtest/gtest.h>

#include "lp/activity.h"
#include "lp/int_solver.h"
#include "lp/lp_matrix.h"
#include "lp/simplex.h"

namespace {

// A list of single-row or multi-row patterns with their costs.
struct Program {
    TActivityList list;
    std::vector<double> costs;
    void Add(std::vector<int32_t> counts, double cost)
    {
        TActivity& a = list.Emplace(static_cast<int32_t>(counts.size()));
        a.counts = std::move(counts);
        costs.push_back(cost);
    }
    std::vector<int32_t> Free() const { return std::vector<int32_t>(static_cast<size_t>(list.Count()), -1); }
};

TEST(Matrix, AllocatesZerosOnlyForPositiveSizes)
{
    TDoubleMatrix m;
    m.Allocate(2, 3);
    ASSERT_EQ(m.cells.size(), 2u);
    EXPECT_EQ(m[1][2], 0.0);
    m.Release();
    EXPECT_EQ(m.rows, 0);
    m.Allocate(0, 5);
    EXPECT_TRUE(m.Empty());
    EXPECT_EQ(m.cols, 5);
}

TEST(Activity, ResetKeepsTheCountArray)
{
    TActivity a(3);
    a.counts = {1, 2, 3};
    a.stockIndex = 2;
    a.level = 4.0;
    TActivity copy(a);
    a.Reset();
    EXPECT_EQ(a.counts, (std::vector<int32_t>{0, 0, 0}));
    EXPECT_EQ(a.stockIndex, -1);
    EXPECT_EQ(copy.counts, (std::vector<int32_t>{1, 2, 3}));
    EXPECT_EQ(copy.level, 4.0);
}

TEST(Simplex, SinglePatternGivesDemandOverCount)
{
    Program p;
    p.Add({3}, 3000.0);
    TSimplex simplex;
    TSimplexResult r;
    const std::vector<double> demand{7.0};
    ASSERT_TRUE(simplex.Solve(p.list, 1, p.costs, demand, p.Free(), 0, r));
    EXPECT_EQ(r.basicColumns[0], 0);
    EXPECT_NEAR(r.values[0], 7.0 / 3.0, 1e-9);
    EXPECT_NEAR(r.objective, 3000.0 * 7.0 / 3.0, 1e-6);
    EXPECT_NEAR(r.duals[0], 1000.0, 1e-9);
    EXPECT_EQ(r.columnToActivity, (std::vector<int32_t>{0}));
}

struct EnteringCase {
    const char* name;
    std::vector<double> costs;  // one-row patterns of one piece each
    int32_t basic;              // expected final basic column
};
// Cases print by name (the default dump shows pointer bytes that change every run).
void PrintTo(const EnteringCase& c, std::ostream* out) { *out << c.name; }

class EnteringTies : public ::testing::TestWithParam<EnteringCase> {};

TEST_P(EnteringTies, FollowTheirPhaseRule)
{
    Program p;
    for (double c : GetParam().costs) p.Add({1}, c);
    TSimplex simplex;
    TSimplexResult r;
    const std::vector<double> demand{2.0};
    ASSERT_TRUE(simplex.Solve(p.list, 1, p.costs, demand, p.Free(), 0, r));
    EXPECT_EQ(r.basicColumns[0], GetParam().basic);
}

INSTANTIATE_TEST_SUITE_P(
    Simplex, EnteringTies,
    ::testing::Values(
        // Equal phase-one entries: the later column enters and equal costs keep it.
        EnteringCase{"PhaseOneLaterWins", {5.0, 5.0}, 1},
        // The last column enters in phase one; the two equal reduced costs then favour the earlier one.
        EnteringCase{"PhaseTwoEarlierWins", {3.0, 3.0, 10.0}, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Simplex, EqualRatiosLetTheSmallerBasicColumnLeave)
{
    // After the first pivot row 1 holds pattern 0 (column 0) and row 0 its artificial (column 4);
    // pattern 1 then meets both rows at ratio 3, and row 1 must leave: pattern 1 ends basic in row 1
    // at 3. Had row 0 left, pattern 1 would sit in row 0 and pattern 0 in row 1 at level 0.
    Program p;
    p.Add({0, 3}, 1.0);
    p.Add({1, 1}, 1.0);
    TSimplex simplex;
    TSimplexResult r;
    const std::vector<double> demand{3.0, 3.0};
    ASSERT_TRUE(simplex.Solve(p.list, 2, p.costs, demand, p.Free(), 0, r));
    EXPECT_EQ(r.basicColumns, (std::vector<int32_t>{3, 1}));
    EXPECT_NEAR(r.values[1], 3.0, 1e-9);
    EXPECT_NEAR(r.objective, 3.0, 1e-9);
}

TEST(Simplex, FixedPatternCoveringADemandLeavesAZeroRow)
{
    Program p;
    p.Add({2, 0}, 10.0);
    p.Add({0, 1}, 4.0);
    TSimplex simplex;
    TSimplexResult r;
    const std::vector<double> demand{4.0, 3.0};
    const std::vector<int32_t> fixed{2, -1};
    ASSERT_TRUE(simplex.Solve(p.list, 2, p.costs, demand, fixed, 1, r));
    EXPECT_EQ(r.columnToActivity, (std::vector<int32_t>{1}));
    EXPECT_NEAR(r.objective, 12.0, 1e-9);
}

TEST(Simplex, UncoverableDemandFailsAndLeavesTheOutputs)
{
    Program p;
    p.Add({1, 0}, 1.0);
    TSimplex simplex;
    TSimplexResult r;
    r.objective = 42.0;
    const std::vector<double> demand{1.0, 1.0};
    EXPECT_FALSE(simplex.Solve(p.list, 2, p.costs, demand, p.Free(), 0, r));
    EXPECT_EQ(r.objective, 42.0);
    Program empty;
    EXPECT_FALSE(simplex.Solve(empty.list, 2, empty.costs, demand, empty.Free(), 0, r));
}

// Each piece type has its own one-piece pattern: phase one needs a pivot for every row.
Program OnePatternPerRow(int32_t m)
{
    Program p;
    for (int32_t i = 0; i < m; ++i) {
        std::vector<int32_t> counts(static_cast<size_t>(m), 0);
        counts[static_cast<size_t>(i)] = 1;
        p.Add(counts, 1.0);
    }
    return p;
}

TEST(Simplex, MoreRowsThanTheSmallPivotLimitAreSolved)
{
    const int32_t m = 250;
    const Program p = OnePatternPerRow(m);
    TSimplex simplex;
    TSimplexResult r;
    std::vector<double> demand(static_cast<size_t>(m));
    for (int32_t i = 0; i < m; ++i) demand[static_cast<size_t>(i)] = 1.0 + i % 3;
    ASSERT_TRUE(simplex.Solve(p.list, m, p.costs, demand, p.Free(), 0, r));
    double total = 0.0;
    for (int32_t i = 0; i < m; ++i) {
        const int32_t col = r.basicColumns[static_cast<size_t>(i)];
        ASSERT_GE(col, 0);
        ASSERT_LT(col, m);
        EXPECT_EQ(r.columnToActivity[static_cast<size_t>(col)], col);
        EXPECT_NEAR(r.values[static_cast<size_t>(i)], demand[static_cast<size_t>(col)], 1e-9);
        total += demand[static_cast<size_t>(i)];
    }
    EXPECT_NEAR(r.objective, total, 1e-6);
}

TEST(Simplex, RowsPastTheGrownLimitAreInfeasible)
{
    const int32_t m = 305;
    const Program p = OnePatternPerRow(m);
    TSimplex simplex;
    TSimplexResult r;
    const std::vector<double> demand(static_cast<size_t>(m), 1.0);
    EXPECT_FALSE(simplex.Solve(p.list, m, p.costs, demand, p.Free(), 0, r));
}

TEST(IntSolver, LimitOneKeepsTheFractionalRelaxation)
{
    Program p;
    p.Add({3}, 3000.0);
    TIntSolver solver;
    std::vector<double> duals(1, 0.0);
    double objective = 0.0;
    ASSERT_TRUE(solver.Solve(p.list, 1, p.costs, std::vector<double>{7.0}, 1, objective, duals));
    EXPECT_NEAR(p.list.Get(0)->level, 7.0 / 3.0, 1e-9);
    EXPECT_NEAR(duals[0], 1000.0, 1e-9);
}

TEST(IntSolver, LimitOneKeepsAnIntegralRelaxationAndItsCost)
{
    Program p;
    p.Add({1}, 2.0);
    p.Add({2}, 5.0);
    TIntSolver solver;
    std::vector<double> duals(1, 0.0);
    double objective = 0.0;
    ASSERT_TRUE(solver.Solve(p.list, 1, p.costs, std::vector<double>{4.0}, 1, objective, duals));
    EXPECT_NEAR(p.list.Get(0)->level, 4.0, 1e-9);
    EXPECT_EQ(p.list.Get(1)->level, 0.0);
    EXPECT_NEAR(objective, 8.0, 1e-9);
}

TEST(IntSolver, HalfLevelIsFixedAtZeroOnASecondRounding)
{
    Program p;
    p.Add({2}, 1.0);  // level 0.5 in the relaxation
    p.Add({1}, 3.0);
    TIntSolver solver;
    std::vector<double> duals(1, 0.0);
    double objective = 0.0;
    ASSERT_TRUE(solver.Solve(p.list, 1, p.costs, std::vector<double>{1.0}, 2, objective, duals));
    EXPECT_EQ(p.list.Get(0)->level, 0.0);
    EXPECT_NEAR(p.list.Get(1)->level, 1.0, 1e-9);
    EXPECT_NEAR(objective, 3.0, 1e-9);
}

TEST(IntSolver, InfeasibleFirstRelaxationWritesNoLevel)
{
    Program p;
    p.Add({1, 0}, 1.0);
    p.list.Get(0)->level = 9.0;
    TIntSolver solver;
    std::vector<double> duals(2, 0.0);
    double objective = 0.0;
    EXPECT_FALSE(solver.Solve(p.list, 2, p.costs, std::vector<double>{1.0, 1.0}, 1, objective, duals));
    EXPECT_EQ(p.list.Get(0)->level, 9.0);
}

}  // namespace

// The optimiser end to end through its public operations, bad input included.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <map>
#include <random>
#include <set>

#include "bar_checker.h"
#include "cut1d/TCut1D.h"

namespace {

struct PieceIn {
    int32_t length;
    double angle1 = 90.0;
    double angle2 = 90.0;
};
struct BarIn {
    int32_t length;
    int32_t priority = 0;
};

struct Result {
    bool finished = false;
    std::vector<CheckedLayout> layouts;
    int32_t total = 0;
    std::vector<std::string> problems;
    std::vector<cut1d_piece_info> pieces;

    // Bar number of every piece, -1 when not placed.
    std::map<int32_t, int32_t> placement() const
    {
        std::map<int32_t, int32_t> where;
        for (const auto& l : layouts)
            for (const auto& c : l.cuts) where[c.piece] = l.barNumber;
        return where;
    }
};

Result RunJob(const std::vector<PieceIn>& pieces, const std::vector<BarIn>& bars, int32_t kerf = 0, int32_t width = 0,
              int32_t level = 100)
{
    TCut1D opt;
    opt.set_BladeWidth(kerf);
    opt.set_OptimizationLevel(level);
    opt.set_RandomSeed(3);
    opt.set_Width(width);
    opt.set_NumberOfDemandPieces(static_cast<int32_t>(pieces.size()));
    for (size_t i = 0; i < pieces.size(); ++i)
        opt.SetDemandPiece3(static_cast<int32_t>(i), pieces[i].length, pieces[i].angle1, pieces[i].angle2, 0.0, 0,
                            user_data{static_cast<int32_t>(i), 100 + static_cast<int32_t>(i)});
    opt.set_NumberOfRepositoryPieces(static_cast<int32_t>(bars.size()));
    for (size_t b = 0; b < bars.size(); ++b)
        opt.SetRepositoryPiece2(static_cast<int32_t>(b), bars[b].length, 0.0, bars[b].priority,
                                user_data{static_cast<int32_t>(b), 200 + static_cast<int32_t>(b)});
    BarJob job;
    job.kerf = kerf;
    job.width = width;
    Result r;
    opt.set_OnFinished([&] {
        r.finished = true;
        r.layouts = CollectLayouts(opt);
        r.total = opt.GetTotalPieces();
        for (int32_t i = 0; i < opt.GetPieceCount(); ++i) {
            const auto p = opt.GetPiece(i);
            r.pieces.push_back(*p);
            job.pieces.push_back({p->length, p->angle1, p->angle2});
        }
        for (int32_t b = 0; b < opt.GetStockCount(); ++b) job.barLengths.push_back(opt.GetStock(b)->length);
        r.problems = CheckLayouts(job, r.layouts);
        // The user data travel with pieces and bars.
        for (int32_t b = 0; b < opt.GetBarCount(); ++b) {
            const auto bar = opt.GetBar(b);
            EXPECT_EQ(bar->data.source_index, 200 + bar->bar_number);
            for (int32_t i = 0; i < bar->piece_count; ++i) {
                const auto cut = opt.GetBarPiece(b, i);
                EXPECT_EQ(cut->piece_data.source_index, 100 + cut->piece_number);
            }
        }
    });
    opt.Run();
    EXPECT_EQ(opt.GetBarCount(), 0);
    EXPECT_FALSE(opt.GetBar(0).has_value());
    return r;
}

TEST(TCut1D, PieceAsLongAsTheLongestBarIsCutOneUnitLongerIsNot)
{
    const Result r = RunJob({{6000}, {6001}, {2000}}, {{6000}, {4000}});
    ASSERT_TRUE(r.finished);
    EXPECT_TRUE(r.problems.empty());
    const auto where = r.placement();
    EXPECT_EQ(where.count(0), 1u);
    EXPECT_EQ(where.count(1), 0u);
    EXPECT_EQ(where.count(2), 1u);
    EXPECT_EQ(r.total, 2);
}

TEST(TCut1D, TenIdenticalBarsThreePiecesUseOnlyTheFirstThree)
{
    std::vector<BarIn> bars(10, BarIn{3000});
    const Result r = RunJob({{2000}, {2000}, {2000}}, bars);
    ASSERT_EQ(r.layouts.size(), 3u);
    std::set<int32_t> used;
    for (const auto& l : r.layouts) used.insert(l.barNumber);
    EXPECT_EQ(used, (std::set<int32_t>{0, 1, 2}));
}

TEST(TCut1D, LowerPriorityBarsOnlyGetWhatIsLeft)
{
    // Long priority-1 bars would fit everything; the short priority-0 bars are used first.
    std::vector<BarIn> bars;
    for (int i = 0; i < 4; ++i) bars.push_back({6000, 1});
    for (int i = 0; i < 4; ++i) bars.push_back({3000, 0});
    const Result r = RunJob({{2500}, {2500}, {2500}, {4000}}, bars);
    EXPECT_TRUE(r.problems.empty());
    const auto where = r.placement();
    ASSERT_EQ(where.size(), 4u);
    for (int32_t piece : {0, 1, 2}) EXPECT_GE(where.at(piece), 4) << piece;
    EXPECT_LT(where.at(3), 4);
}

TEST(TCut1D, SquareBarsListTheirPiecesLongestFirst)
{
    const Result r = RunJob({{100}, {300}, {200}, {250}}, {{1000}});
    ASSERT_EQ(r.layouts.size(), 1u);
    std::vector<int32_t> lengths;
    for (const auto& c : r.layouts[0].cuts) lengths.push_back(r.pieces[static_cast<size_t>(c.piece)].length);
    EXPECT_EQ(lengths, (std::vector<int32_t>{300, 250, 200, 100}));
}

TEST(TCut1D, MitredFramePiecesShareTheirCuts)
{
    // Four frame sides with 45 degree ends and a profile 50 wide: on a 2000 bar the shared cuts
    // save 3 x 50, so the four fit though their lengths add up to 2100.
    const Result r = RunJob({{600, 45, 135}, {600, 45, 135}, {450, 45, 135}, {450, 45, 135}}, {{2000}, {2000}}, 0, 50);
    ASSERT_TRUE(r.finished);
    EXPECT_TRUE(r.problems.empty()) << r.problems.front();
    EXPECT_EQ(r.total, 4);
    EXPECT_EQ(r.layouts.size(), 1u);
}

TEST(TCut1D, BadInputGivesUnplacedPiecesNotAFault)
{
    std::vector<PieceIn> pieces{{-5}, {0}, {0}, {300, 200.0, 45.0}, {300, -10.0, 90.0}, {700}};
    for (int i = 0; i < 50; ++i) pieces.push_back({0});
    const Result r = RunJob(pieces, {{-100}, {100}, {1000}, {2000000000}}, 0, 10);
    ASSERT_TRUE(r.finished);
    EXPECT_TRUE(r.problems.empty());
    // Angles outside 0..180 make both ends square.
    EXPECT_EQ(r.pieces[3].angle1, 90.0);
    EXPECT_EQ(r.pieces[3].angle2, 90.0);
    EXPECT_EQ(r.pieces[4].angle1, 90.0);
    const auto where = r.placement();
    EXPECT_EQ(where.size(), 3u);  // the two 300s and the 700
    for (int32_t piece : {0, 1, 2}) EXPECT_EQ(where.count(piece), 0u);
}

TEST(TCut1D, NoBarsOrNoPiecesStillFinish)
{
    EXPECT_TRUE(RunJob({{100}}, {}).finished);
    EXPECT_TRUE(RunJob({}, {{100}}).finished);
    const Result tooShort = RunJob({{500}, {600}}, {{400}, {300}});
    EXPECT_TRUE(tooShort.finished);
    EXPECT_TRUE(tooShort.layouts.empty());
    EXPECT_EQ(tooShort.total, 0);
}

TEST(TCut1D, HugeKerfAndHugeBarsStayBounded)
{
    const Result kerf = RunJob({{10}, {10}, {10}}, {{30}, {30}, {30}}, 1000000);
    EXPECT_TRUE(kerf.problems.empty());
    EXPECT_EQ(kerf.total, 3);
    EXPECT_EQ(kerf.layouts.size(), 3u);
    const Result huge = RunJob({{1500000000}, {400000000}, {90000000}}, {{2000000000}, {2000000000}}, 7);
    EXPECT_TRUE(huge.problems.empty());
    EXPECT_EQ(huge.total, 3);
    // Lengths plus kerf beyond the int32 range.
    const int32_t top = std::numeric_limits<int32_t>::max();
    const Result extreme = RunJob({{top}, {top - 1}, {5}, {5}}, {{top}, {top}, {top}}, top);
    EXPECT_TRUE(extreme.problems.empty());
    EXPECT_EQ(extreme.total, 3);
}

TEST(TCut1D, SameSeedSameResult)
{
    std::vector<PieceIn> pieces;
    for (int i = 0; i < 30; ++i) pieces.push_back({100 + (i * 37) % 400, i % 3 ? 90.0 : 45.0, i % 2 ? 135.0 : 90.0});
    const std::vector<BarIn> bars(12, BarIn{1200});
    // A low level keeps the exact pattern searches short; the genetic search still runs.
    const Result a = RunJob(pieces, bars, 3, 20, 1);
    const Result b = RunJob(pieces, bars, 3, 20, 1);
    ASSERT_EQ(a.layouts.size(), b.layouts.size());
    for (size_t i = 0; i < a.layouts.size(); ++i) {
        ASSERT_EQ(a.layouts[i].cuts.size(), b.layouts[i].cuts.size());
        for (size_t k = 0; k < a.layouts[i].cuts.size(); ++k) {
            EXPECT_EQ(a.layouts[i].cuts[k].piece, b.layouts[i].cuts[k].piece);
            EXPECT_EQ(a.layouts[i].cuts[k].mirrored, b.layouts[i].cuts[k].mirrored);
        }
    }
    EXPECT_TRUE(a.problems.empty());
}

TEST(TCut1D, AStopEndsTheMethodListEarlyWithEveryPieceCut)
{
    struct outcome {
        int reports = 0;
        int32_t cut = 0;
        std::vector<std::string> problems;
    };
    const auto run = [](bool stop_at_first_report) {
        const std::vector<int32_t> lengths = {1200, 950, 700, 640, 500, 480, 300, 250, 1100, 870};
        TCut1D opt;
        opt.set_BladeWidth(3);
        opt.set_OptimizationLevel(100);
        opt.set_RandomSeed(3);
        opt.set_NumberOfDemandPieces(static_cast<int32_t>(lengths.size()));
        for (size_t i = 0; i < lengths.size(); ++i)
            opt.SetDemandPiece3(static_cast<int32_t>(i), lengths[i], 90, 90, 0, 0, user_data{});
        opt.set_NumberOfRepositoryPieces(4);
        for (int32_t b = 0; b < 4; ++b) opt.SetRepositoryPiece2(b, 3000, 0.0, 0, user_data{});
        outcome o;
        opt.set_OnProgressOuter([&] {
            ++o.reports;
            if (stop_at_first_report) opt.RequestStop();
        });
        opt.set_OnFinished([&] {
            BarJob job;
            job.kerf = 3;
            for (int32_t i = 0; i < opt.GetPieceCount(); ++i) {
                const auto p = opt.GetPiece(i);
                job.pieces.push_back({p->length, p->angle1, p->angle2});
            }
            for (int32_t b = 0; b < opt.GetStockCount(); ++b) job.barLengths.push_back(opt.GetStock(b)->length);
            const std::vector<CheckedLayout> layouts = CollectLayouts(opt);
            o.problems = CheckLayouts(job, layouts);
            for (const auto& l : layouts) o.cut += static_cast<int32_t>(l.cuts.size());
        });
        opt.Run();
        return o;
    };
    const outcome whole = run(false);
    const outcome stopped = run(true);
    EXPECT_LT(stopped.reports, whole.reports);
    EXPECT_EQ(stopped.cut, 10);
    EXPECT_EQ(whole.cut, 10);
    EXPECT_TRUE(stopped.problems.empty()) << stopped.problems.front();
}

TEST(TCut1D, SettersAreIgnoredWhileRunning)
{
    TCut1D opt;
    opt.set_NumberOfDemandPieces(1);
    opt.SetDemandPiece3(0, 100, 90, 90, 0, 0, user_data{});
    opt.SetDemandPiece3(5, 100, 90, 90, 0, 0, user_data{});  // out of range: ignored
    opt.set_NumberOfRepositoryPieces(1);
    opt.SetRepositoryPiece2(0, 500, -1.0, 0, user_data{});
    int inner = 0;
    opt.set_OnProgressOuter([&] {
        opt.set_NumberOfDemandPieces(0);  // ignored during the run
        ++inner;
    });
    int32_t pieces = -1;
    double cost = 0.0;
    opt.set_OnFinished([&] {
        pieces = opt.GetTotalPieces();
        cost = opt.GetStock(0)->cost;
    });
    opt.Run();
    EXPECT_GT(inner, 0);
    EXPECT_EQ(pieces, 1);
    EXPECT_EQ(cost, 500.0);  // a cost <= 0 becomes the length
}

}  // namespace

namespace {

// The least total bar length that holds every piece, by trying every grouping of the pieces; -1 when none.
int64_t CheapestStock(const std::vector<PieceIn>& pieces, const std::vector<int32_t>& barLengths, int32_t kerf)
{
    const size_t n = pieces.size();
    const uint32_t all = (1u << n) - 1;
    constexpr int64_t kNone = std::numeric_limits<int64_t>::max() / 4;
    std::vector<int64_t> oneBar(all + 1, kNone), best(all + 1, kNone);
    for (uint32_t mask = 1; mask <= all; ++mask) {
        int64_t used = 0, count = 0;
        for (size_t i = 0; i < n; ++i)
            if (mask & (1u << i)) used += pieces[i].length, ++count;
        used += kerf * (count - 1);
        for (int32_t length : barLengths)
            if (used <= length) oneBar[mask] = std::min<int64_t>(oneBar[mask], length);
    }
    best[0] = 0;
    for (uint32_t mask = 1; mask <= all; ++mask) {
        const uint32_t low = mask & (~mask + 1);
        for (uint32_t sub = mask; sub; sub = (sub - 1) & mask)
            if ((sub & low) && oneBar[sub] < kNone && best[mask ^ sub] < kNone)
                best[mask] = std::min(best[mask], oneBar[sub] + best[mask ^ sub]);
    }
    return best[all] < kNone ? best[all] : -1;
}

}  // namespace

TEST(TCut1D, BarsOfSeveralLengthsGiveTheCheapestStock)
{
    struct stock_case {
        std::vector<PieceIn> pieces;
        std::vector<int32_t> barLengths;
        int32_t kerf;
    };
    std::vector<stock_case> cases = {{{{1434}, {996}}, {1125, 3751, 4063}, 0}};
    std::mt19937 rng(11);
    auto uniform = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (int j = 0; j < 300; ++j) {
        stock_case c;
        const int kinds = uniform(1, 3);
        for (int k = 0; k < kinds; ++k) c.barLengths.push_back(uniform(500, 5000));
        const int32_t longest = *std::max_element(c.barLengths.begin(), c.barLengths.end());
        const int count = uniform(2, 9);
        for (int i = 0; i < count; ++i) c.pieces.push_back({uniform(50, longest)});
        c.kerf = uniform(0, 5);
        cases.push_back(c);
    }
    for (size_t j = 0; j < cases.size(); ++j) {
        const stock_case& c = cases[j];
        SCOPED_TRACE("job " + std::to_string(j));
        // As many bars of each length as there are pieces: only the choice of lengths matters.
        std::vector<BarIn> bars;
        for (int32_t length : c.barLengths)
            for (size_t i = 0; i < c.pieces.size(); ++i) bars.push_back({length});
        const Result r = RunJob(c.pieces, bars, c.kerf);
        ASSERT_TRUE(r.finished);
        EXPECT_TRUE(r.problems.empty());
        EXPECT_EQ(r.total, static_cast<int32_t>(c.pieces.size()));
        int64_t stock = 0;
        for (const auto& layout : r.layouts) stock += bars[static_cast<size_t>(layout.barNumber)].length;
        EXPECT_EQ(stock, CheapestStock(c.pieces, c.barLengths, c.kerf));
    }
}

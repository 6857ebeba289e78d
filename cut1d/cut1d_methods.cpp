#include "cut1d/cut1d_methods.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>

#include "cut1d/applegate.h"
#include "cut1d/exact_bars.h"
#include "cut1d/greedy_bars.h"
#include "cut1d/mitre.h"
#include "util/random.h"

namespace {

// The pieces indexed by their number, as the permutation and reordering steps look them up.
part1d_array PiecesByNumber(const part1d_array& pieces, int32_t total)
{
    part1d_array byNumber(static_cast<size_t>(total));
    for (const auto& p : pieces) byNumber[static_cast<size_t>(p.number)] = p;
    return byNumber;
}

constexpr int32_t kMaxSequentialPieces = 30000;

// The pieces a bar can still take, longest first.
part1d_array FreePieces(const SolutionCut1D& solution, const part1d_array& pieces, int32_t maxLength)
{
    part1d_array list;
    for (const auto& p : pieces)
        if (solution.pieceToBar[static_cast<size_t>(p.number)] == -1 && p.length <= maxLength) list.push_back(p);
    return list;
}

bool AnyFree(const SolutionCut1D& solution, const part1d_array& pieces)
{
    for (const auto& p : pieces)
        if (solution.pieceToBar[static_cast<size_t>(p.number)] == -1) return true;
    return false;
}

struct SolvedBar {
    std::vector<std::vector<BarCut>> repetitions;  // piece numbers
    double waste = 0.0;
};

// Configures the single-bar optimiser for one bar and solves it.
SolvedBar SolveOne(MethodContext& ctx, SequentialVariant variant, const part1d_array& candidates, int32_t barLength,
                   int32_t exactLimit)
{
    TSingleBarOptimization& single = *ctx.singleBar;
    single.barLength = barLength;
    single.BladeWidth = ctx.kerf;
    single.MaxPiecesPerBar = ctx.maxPieces;
    single.RandomSeed = ctx.seed;
    single.Width = ctx.width;
    single.MaxGarbageWaste = ctx.maxGarbageWaste;
    single.MinReusedWaste = ctx.minReusedWaste;
    single.SetExactLimit(exactLimit);
    single.SetCandidateCount(static_cast<int32_t>(candidates.size()));
    for (size_t i = 0; i < candidates.size(); ++i) single.Candidate(static_cast<int32_t>(i)) = candidates[i];
    if (variant == SequentialVariant::B) {
        single.report = [&single] { single.RequestStop(); };
    } else {
        single.report = [&ctx, &single] {
            if (single.IsImproved())
                ctx.stall = 0;
            else
                ++ctx.stall;
            if (ctx.stall >= ctx.patience) {
                single.RequestStop();
                ctx.stall = 0;
            }
        };
    }
    SolvedBar solved;
    single.deliver = [&] {
        solved.waste = single.GetWaste();
        if (single.GetPatternCount() == 0) return;
        for (int32_t r = 0; r < single.GetRepeatCount(); ++r) {
            std::vector<BarCut> cuts;
            for (int32_t i = 0; i < single.GetPatternCount(); ++i) {
                BarCut cut = single.GetCut(r, i);
                cut.piece = candidates[static_cast<size_t>(cut.piece)].number;
                cuts.push_back(cut);
            }
            solved.repetitions.push_back(std::move(cuts));
        }
    };
    single.Solve();
    single.report = nullptr;
    single.deliver = nullptr;
    return solved;
}

BarUtilization MakeBar(const stock1d& stock, const std::vector<BarCut>& cuts, double waste,
                       const std::vector<const part1d*>& byNumber)
{
    BarUtilization bar;
    bar.barNumber = stock.number;
    bar.barLength = stock.length;
    bar.cuts = cuts;
    for (const auto& cut : cuts) bar.usedLength += byNumber[static_cast<size_t>(cut.piece)]->length;
    bar.waste = waste;
    return bar;
}

std::vector<const part1d*> ByNumber(const part1d_array& pieces, int32_t total)
{
    std::vector<const part1d*> byNumber(static_cast<size_t>(total), nullptr);
    for (const auto& p : pieces) byNumber[static_cast<size_t>(p.number)] = &p;
    return byNumber;
}

int32_t DistinctLengths(const stock1d_array& bars)
{
    std::set<int32_t> lengths;
    for (const auto& b : bars) lengths.insert(b.length);
    return static_cast<int32_t>(lengths.size());
}

}  // namespace

SolutionCut1D SequentialSingleBar(MethodContext& ctx, SequentialVariant variant, const part1d_array& pieces,
                                  const stock1d_array& bars, int32_t exactLimit)
{
    SolutionCut1D solution;
    solution.Reset(ctx.barTotal, ctx.pieceTotal);
    const auto byNumber = ByNumber(pieces, ctx.pieceTotal);
    const auto barCount = static_cast<int32_t>(bars.size());

    if (variant == SequentialVariant::A || variant == SequentialVariant::B) {
        int32_t next = 0;
        while (next < barCount) {
            if (ctx.progressInner) ctx.progressInner();
            const stock1d& bar = bars[static_cast<size_t>(next)];
            const part1d_array candidates = FreePieces(solution, pieces, bar.length);
            if (candidates.empty()) break;
            SolvedBar solved = SolveOne(ctx, variant, candidates, bar.length, exactLimit);
            if (solved.repetitions.empty()) break;
            const int32_t made = std::min<int32_t>(static_cast<int32_t>(solved.repetitions.size()), barCount - next);
            size_t taken = 0;
            for (int32_t r = 0; r < made; ++r) {
                // The pattern was found for this length; it only repeats on bars of the same length.
                if (bars[static_cast<size_t>(next)].length != bar.length) break;
                solution.AddBar(MakeBar(bars[static_cast<size_t>(next)], solved.repetitions[static_cast<size_t>(r)],
                                        solved.waste, byNumber));
                taken += solved.repetitions[static_cast<size_t>(r)].size();
                ++next;
            }
            if (taken == candidates.size()) break;
        }
    } else if (variant == SequentialVariant::C) {
        std::vector<bool> used(static_cast<size_t>(barCount), false);
        int32_t usedCount = 0;
        while (usedCount < barCount && AnyFree(solution, pieces)) {
            int32_t chosen = -1;
            SolvedBar best;
            double bestWaste = std::numeric_limits<double>::max();
            std::set<int32_t> tried;
            for (int32_t i = 0; i < barCount; ++i) {
                if (used[static_cast<size_t>(i)]) continue;
                const stock1d& bar = bars[static_cast<size_t>(i)];
                if (!tried.insert(bar.length).second) continue;
                const part1d_array candidates = FreePieces(solution, pieces, bar.length);
                if (candidates.empty()) continue;
                SolvedBar solved = SolveOne(ctx, variant, candidates, bar.length, exactLimit);
                if (solved.repetitions.empty()) continue;
                if (chosen < 0 || solved.waste < bestWaste - 1e-5) {
                    chosen = i;
                    bestWaste = solved.waste;
                    best = std::move(solved);
                }
            }
            if (chosen < 0) break;
            solution.AddBar(MakeBar(bars[static_cast<size_t>(chosen)], best.repetitions[0], best.waste, byNumber));
            used[static_cast<size_t>(chosen)] = true;
            ++usedCount;
        }
    } else {
        for (int32_t i = 0; i < barCount; ++i) {
            if (!AnyFree(solution, pieces)) break;
            if (ctx.progressInner) ctx.progressInner();
            const stock1d& bar = bars[static_cast<size_t>(i)];
            const part1d_array candidates = FreePieces(solution, pieces, bar.length);
            if (candidates.empty()) continue;
            SolvedBar solved = SolveOne(ctx, variant, candidates, bar.length, exactLimit);
            if (solved.repetitions.empty()) continue;
            solution.AddBar(MakeBar(bar, solved.repetitions[0], solved.waste, byNumber));
        }
    }
    return solution;
}

void ReorderSquareBars(SolutionCut1D& solution, const part1d_array& piecesByNumber)
{
    for (auto& bar : solution.bars) {
        if (bar.PieceCount() < 2) continue;
        bool square = true;
        for (const auto& cut : bar.cuts) {
            const part1d& p = piecesByNumber[static_cast<size_t>(cut.piece)];
            if (p.angle1 != 90.0 || p.angle2 != 90.0) square = false;
        }
        if (!square) continue;
        auto length = [&](const BarCut& c) { return piecesByNumber[static_cast<size_t>(c.piece)].length; };
        for (size_t j = 0; j < bar.cuts.size(); ++j)
            for (size_t k = j + 1; k < bar.cuts.size(); ++k)
                if (length(bar.cuts[k]) > length(bar.cuts[j])) std::swap(bar.cuts[j], bar.cuts[k]);
    }
}

SolutionCut1D RunMethodList(MethodContext& ctx, const part1d_array& pieces, const stock1d_array& stockMain,
                            const stock1d_array& stockAlt)
{
    SolutionCut1D best;
    best.Reset(ctx.barTotal, ctx.pieceTotal);
    if (pieces.empty() || stockMain.empty()) return best;

    const auto pieceCount = static_cast<int64_t>(pieces.size());
    const auto barCount = static_cast<int64_t>(stockMain.size());
    const int32_t lengths = DistinctLengths(stockMain);
    const bool fewPieces = pieceCount <= kMaxSequentialPieces;
    bool allSquare = true;
    for (const auto& p : pieces) allSquare = allSquare && IsSquarePiece(p, 1e-5);
    const auto exactLimit = static_cast<int32_t>(std::min<double>(
        std::floor(1e9 / (static_cast<double>(pieceCount) * lengths)), std::numeric_limits<int32_t>::max()));

    auto outer = [&] {
        if (ctx.progressOuter) ctx.progressOuter();
    };
    // A stopped run keeps what the methods found so far; the first method of a list always runs,
    // so every piece has its chance.
    auto stopped = [&] { return ctx.stop && ctx.stop->load(); };
    auto consider = [&](SolutionCut1D candidate) {
        if (IsBetterSolution(candidate, best)) best = std::move(candidate);
    };
    auto sequential = [&](SequentialVariant v, const stock1d_array& bars, int32_t limit) {
        stv::RandomSeed(ctx.seed);
        ctx.stall = 0;
        return SequentialSingleBar(ctx, v, pieces, bars, limit);
    };
    auto prepared = [&] {
        SolutionCut1D s;
        s.Reset(ctx.barTotal, ctx.pieceTotal);
        stv::RandomSeed(ctx.seed);
        return s;
    };

    if (ctx.maxGarbageWaste != 0 || ctx.minReusedWaste != 0) {
        // Leftover band set: the methods that can steer their leftovers, nothing else.
        outer();
        best = sequential(lengths == 1 ? SequentialVariant::A : SequentialVariant::C, stockMain, 1000000000);
        outer();
        if (allSquare) {
            SolutionCut1D s = prepared();
            TApplegate().SelectBarPatterns(s, pieces, stockMain, ctx.kerf, ctx.optimizationLevel,
                                           ctx.maxGarbageWaste, ctx.minReusedWaste);
            consider(std::move(s));
        } else {
            const part1d_array byNumber = PiecesByNumber(pieces, ctx.pieceTotal);
            ImproveByPermutation(best, byNumber, ctx.kerf, ctx.width, ctx.maxPieces);
        }
        const part1d_array byNumber = PiecesByNumber(pieces, ctx.pieceTotal);
        ReorderSquareBars(best, byNumber);
        return best;
    }
    if (fewPieces && lengths == 1) {
        outer();
        best = sequential(SequentialVariant::A, stockMain, exactLimit);
        outer();
        if (!stopped()) consider(sequential(SequentialVariant::A, stockMain, 0));
        outer();
        if (!stopped()) consider(sequential(SequentialVariant::B, stockMain, 0));
    } else if (fewPieces) {
        outer();
        best = sequential(SequentialVariant::C, stockMain, exactLimit);
        if (!stopped()) consider(sequential(SequentialVariant::C, stockAlt, exactLimit));
        outer();
        if (!stopped()) consider(sequential(SequentialVariant::C, stockAlt, 0));
        outer();
        if (!stopped()) consider(sequential(SequentialVariant::D, stockMain, exactLimit));
        outer();
        if (!stopped()) consider(sequential(SequentialVariant::D, stockAlt, exactLimit));
    }
    if (allSquare) {
        // The exact method runs first. Its layout competes at the end as before, but when it is proven
        // cheapest and keeps all its waste in one bar, no other method can beat it and they are skipped.
        SolutionCut1D exact;
        bool settled = false;
        const bool runExact = ctx.maxPieces <= 0 && !stopped();
        if (runExact) {
            outer();
            exact = prepared();
            const bool proven = ExactBars(exact, pieces, stockMain, ctx.kerf, ctx.exactLimits);
            settled = proven && ctx.kerf == 0 && exact.barsWithWaste <= 1 &&
                      std::all_of(stockMain.begin(), stockMain.end(),
                                  [](const stock1d& s) { return std::fabs(s.cost - s.length) <= 1e-6; });
        }
        outer();
        // With many pieces the patterns are the first method of the list.
        if (!settled && (!fewPieces || !stopped())) {
            SolutionCut1D s = prepared();
            TApplegate applegate;
            applegate.SelectBarPatterns(s, pieces, stockMain, ctx.kerf, ctx.optimizationLevel, ctx.maxGarbageWaste,
                                        ctx.minReusedWaste);
            consider(std::move(s));
        }

        outer();
        if (!settled && fewPieces && !stopped()) {
            SolutionCut1D ff = prepared();
            FirstFit(ff, pieces, stockMain, ctx.maxPieces, ctx.kerf);
            consider(std::move(ff));
        }
        outer();
        if (!settled && fewPieces && DistinctLengths(stockAlt) > 1 && !stopped()) {
            SolutionCut1D ff = prepared();
            FirstFit(ff, pieces, stockAlt, ctx.maxPieces, ctx.kerf);
            consider(std::move(ff));
        }
        if (!settled && static_cast<int64_t>(ctx.optimizationLevel) * 100 >= pieceCount + barCount && !stopped()) {
            outer();
            SolutionCut1D bf = prepared();
            BestFit(bf, pieces, stockMain, ctx.maxPieces, ctx.kerf);
            consider(std::move(bf));
        }
        if (!settled && static_cast<int64_t>(ctx.optimizationLevel) * 10 >= barCount && !stopped()) {
            outer();
            SolutionCut1D fm = prepared();
            FirstFitMerge(fm, pieces, stockMain, ctx.maxPieces, ctx.kerf);
            consider(std::move(fm));
        }
        if (runExact) consider(std::move(exact));
    } else {
        stv::RandomSeed(ctx.seed);
        const part1d_array byNumber = PiecesByNumber(pieces, ctx.pieceTotal);
        ImproveByPermutation(best, byNumber, ctx.kerf, ctx.width, ctx.maxPieces);
    }

    const part1d_array byNumber = PiecesByNumber(pieces, ctx.pieceTotal);
    ReorderSquareBars(best, byNumber);
    return best;
}

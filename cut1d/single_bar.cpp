#include "cut1d/single_bar.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "cut1d/mitre.h"

namespace {

bool SameCandidate(const part1d& a, const part1d& b, double tol)
{
    return a.length == b.length && std::fabs(a.angle1 - b.angle1) <= tol && std::fabs(a.angle2 - b.angle2) <= tol &&
           std::fabs(a.value - b.value) <= tol;
}

}  // namespace

void TSingleBarOptimization::SetCandidateCount(int32_t n)
{
    candidates.assign(static_cast<size_t>(std::max<int32_t>(n, 0)), part1d{});
}

BarCut TSingleBarOptimization::GetCut(int32_t r, int32_t i) const
{
    if (r < 0 || r >= GetRepeatCount()) return {};
    const auto& cuts = repetitions[static_cast<size_t>(r)];
    if (i < 0 || i >= static_cast<int32_t>(cuts.size())) return {};
    return cuts[static_cast<size_t>(i)];
}

bool TSingleBarOptimization::InBand(int64_t leftover) const
{
    return leftover > MaxGarbageWaste && leftover < MinReusedWaste;
}

std::vector<int32_t> TSingleBarOptimization::FittingList() const
{
    std::vector<int32_t> fitting;
    double runningSum = 0.0;
    for (size_t i = 0; i < candidates.size(); ++i) {
        const part1d& c = candidates[i];
        double allowance = 0.0;
        for (double angle : {c.angle1, c.angle2}) {
            const double folded = FoldAngle(angle);
            if (std::fabs(folded - 90.0) > angleTolerance && folded > 0.0)
                allowance += Width / std::tan(folded * std::numbers::pi / 180.0);
        }
        const double effective = c.length - allowance;
        if (i == 0 || !SameCandidate(c, candidates[i - 1], angleTolerance)) runningSum = 0.0;
        runningSum += effective;
        if (runningSum <= barLength) fitting.push_back(static_cast<int32_t>(i));
    }
    return fitting;
}

void TSingleBarOptimization::GreedyFill(const std::vector<int32_t>& fitting)
{
    int64_t filled = 0;
    std::vector<int64_t> contribution;
    for (int32_t index : fitting) {
        const part1d& piece = candidates[static_cast<size_t>(index)];
        const bool limitReached = MaxPiecesPerBar > 0 && static_cast<int32_t>(pattern.size()) >= MaxPiecesPerBar;
        if (!limitReached && piece.length == barLength - filled) {
            pattern.push_back(BarCut{false, false, false, index});
            contribution.push_back(piece.length);
            filled = barLength;
            break;
        }
        if (limitReached || piece.length + filled >= barLength) continue;
        const int64_t before = filled;
        filled += piece.length;
        filled += std::min<int64_t>(BladeWidth, barLength - filled);
        pattern.push_back(BarCut{false, false, false, index});
        contribution.push_back(filled - before);
    }
    if (!pattern.empty() && InBand(barLength - filled)) {
        filled -= contribution.back();
        pattern.pop_back();
    }
    waste = static_cast<double>(barLength - filled);
}

void TSingleBarOptimization::ExactFill(const std::vector<int32_t>& fitting)
{
    const int32_t n = barLength;
    if (arraysForLength != n) {
        reachedBy.assign(static_cast<size_t>(n) + 1, -1);
        reachable.clear();
        arraysForLength = n;
    } else {
        for (int32_t p : reachable) reachedBy[static_cast<size_t>(p)] = -1;
        reachable.clear();
    }
    constexpr int32_t kOrigin = -2;
    reachedBy[0] = kOrigin;
    reachable.push_back(0);
    int32_t highest = 0;
    const int64_t kerf = BladeWidth;

    auto extend = [&](int32_t p, int32_t k, int64_t length) {
        const int64_t x = p + (p > 0 ? kerf : 0) + length;
        if (x > n || reachedBy[static_cast<size_t>(x)] != -1) return;
        reachedBy[static_cast<size_t>(x)] = k;
        reachable.push_back(static_cast<int32_t>(x));
        highest = std::max(highest, static_cast<int32_t>(x));
    };
    for (int32_t k = 0; k < static_cast<int32_t>(fitting.size()) && reachedBy[static_cast<size_t>(n)] == -1; ++k) {
        const int64_t length = candidates[static_cast<size_t>(fitting[static_cast<size_t>(k)])].length;
        if (length <= 0) continue;
        // Walk only positions that existed before this piece, so it is used at most once.
        const int32_t top = highest;
        if (reachable.size() < static_cast<size_t>(top)) {
            const size_t count = reachable.size();
            for (size_t i = count; i-- > 0;) {
                extend(reachable[i], k, length);
                if (reachedBy[static_cast<size_t>(n)] != -1) break;
            }
        } else {
            for (int32_t p = top; p >= 0; --p) {
                if (reachedBy[static_cast<size_t>(p)] == -1 || p + length > n) continue;
                const int32_t by = reachedBy[static_cast<size_t>(p)];
                if (by == k) continue;  // reached by this very piece
                extend(p, k, length);
                if (reachedBy[static_cast<size_t>(n)] != -1) break;
            }
        }
    }
    int32_t end = -1;
    for (int32_t p = highest; p >= 0; --p) {
        if (reachedBy[static_cast<size_t>(p)] == -1) continue;
        if (!InBand(static_cast<int64_t>(n) - p)) {
            end = p;
            break;
        }
    }
    if (end < 0) end = 0;
    std::vector<BarCut> found;
    for (int32_t x = end; x > 0;) {
        const int32_t k = reachedBy[static_cast<size_t>(x)];
        const int32_t index = fitting[static_cast<size_t>(k)];
        found.push_back(BarCut{false, false, false, index});
        int64_t previous = x - static_cast<int64_t>(candidates[static_cast<size_t>(index)].length);
        if (previous > 0) previous -= kerf;
        x = static_cast<int32_t>(previous);
    }
    std::reverse(found.begin(), found.end());
    pattern = std::move(found);
    waste = std::max<double>(0.0, static_cast<double>(n) - end - BladeWidth);
}

void TSingleBarOptimization::Genetic(const std::vector<int32_t>& fitting)
{
    part1d_array list;
    list.reserve(fitting.size());
    for (int32_t index : fitting) list.push_back(candidates[static_cast<size_t>(index)]);
    MitreParams params{barLength, BladeWidth, Width, MaxPiecesPerBar, angleTolerance};
    GeneticResult result = GeneticSingleBar(list, params, RandomSeed, report, stopRequested, improved);
    for (auto& cut : result.cuts) cut.piece = fitting[static_cast<size_t>(cut.piece)];
    pattern = std::move(result.cuts);
    waste = result.waste;
}

void TSingleBarOptimization::CountRepetitions()
{
    repetitions.clear();
    if (pattern.empty()) return;
    for (auto& c : candidates) c.usedMark = -1;
    for (const auto& cut : pattern) candidates[static_cast<size_t>(cut.piece)].usedMark = 0;
    repetitions.push_back(pattern);
    const auto count = static_cast<int32_t>(candidates.size());
    // Per cut, where the next search may start: nothing before it can match any more.
    std::vector<int32_t> cursor(pattern.size());
    for (size_t i = 0; i < pattern.size(); ++i) cursor[i] = pattern[i].piece;
    for (int32_t r = 1;; ++r) {
        std::vector<BarCut> cuts;
        cuts.reserve(pattern.size());
        bool complete = true;
        for (size_t i = 0; i < pattern.size(); ++i) {
            const part1d& model = candidates[static_cast<size_t>(pattern[i].piece)];
            int32_t from = std::max(pattern[i].piece + r, cursor[i] + 1);
            int32_t found = -1;
            for (int32_t j = from; j < count; ++j) {
                const part1d& c = candidates[static_cast<size_t>(j)];
                if (c.usedMark == -1 && c.length == model.length &&
                    std::fabs(c.angle1 - model.angle1) <= angleTolerance &&
                    std::fabs(c.angle2 - model.angle2) <= angleTolerance) {
                    found = j;
                    break;
                }
            }
            if (found < 0) {
                complete = false;
                break;
            }
            candidates[static_cast<size_t>(found)].usedMark = r;
            cursor[i] = found;
            BarCut cut = pattern[i];
            cut.piece = found;
            cuts.push_back(cut);
        }
        if (!complete) {
            for (const auto& cut : cuts) candidates[static_cast<size_t>(cut.piece)].usedMark = -1;
            break;
        }
        repetitions.push_back(std::move(cuts));
    }
}

void TSingleBarOptimization::Solve()
{
    for (auto& c : candidates) c.usedMark = 0;
    pattern.clear();
    repetitions.clear();
    waste = 0.0;
    stopRequested = false;
    improved = false;

    const std::vector<int32_t> fitting = barLength > 0 ? FittingList() : std::vector<int32_t>{};
    if (!fitting.empty()) {
        bool allSquare = true;
        for (int32_t index : fitting)
            if (!IsSquarePiece(candidates[static_cast<size_t>(index)], angleTolerance)) {
                allSquare = false;
                break;
            }
        if (!allSquare)
            Genetic(fitting);
        else if (barLength > exactLimit || barLength > kMaxExactPositions)
            GreedyFill(fitting);
        else
            ExactFill(fitting);
    }
    if (pattern.empty()) waste = barLength;
    stopRequested = true;
    CountRepetitions();
    if (deliver) deliver();
    pattern.clear();
    repetitions.clear();
}

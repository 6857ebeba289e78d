#include "cut1d/mitre.h"

#include <cmath>
#include <numbers>

#include "util/random.h"

namespace {

double Radians(double degrees) { return degrees * std::numbers::pi / 180.0; }

bool Near(double a, double b, double tol) { return std::fabs(a - b) <= tol; }

// One side of 90: -1 below, 1 above, 0 on it.
int Side(double angle, double tol)
{
    if (Near(angle, 90.0, tol)) return 0;
    return angle < 90.0 ? -1 : 1;
}

bool OppositeSides(double a, double b, double tol)
{
    const int sa = Side(a, tol);
    const int sb = Side(b, tol);
    return sa != 0 && sb != 0 && sa != sb;
}

}  // namespace

double FoldAngle(double angle) { return angle > 90.0 ? 180.0 - angle : angle; }

void OrientedAngles(const part1d& piece, const BarCut& flags, double& front, double& back)
{
    double a1 = piece.angle1;
    double a2 = piece.angle2;
    if (flags.mirrored) {
        a1 = 180.0 - a1;
        a2 = 180.0 - a2;
    }
    if (flags.turned) {
        const double t1 = 180.0 - a2;
        const double t2 = 180.0 - a1;
        a1 = t1;
        a2 = t2;
    }
    if (flags.swapped) std::swap(a1, a2);
    front = a1;
    back = a2;
}

bool Chromosome1D::IsBetterThan(const Chromosome1D& other) const
{
    if (placedLength != other.placedLength) return placedLength > other.placedLength;
    return consumed < other.consumed - 1e-6;
}

LaidBar LayOnBar(std::span<const int32_t> order, const part1d_array& candidates, const MitreParams& params)
{
    LaidBar laid;
    const double tol = params.tolerance;
    const double L = params.barLength;
    double trailing = 90.0;  // unfolded back angle of the previous placed piece
    for (int32_t index : order) {
        if (index < 0) break;
        if (index >= static_cast<int32_t>(candidates.size())) continue;
        const part1d& piece = candidates[static_cast<size_t>(index)];
        BarCut cut;
        cut.piece = index;
        if (laid.cuts.empty()) {
            cut.turned = FoldAngle(piece.angle1) < FoldAngle(piece.angle2);
            laid.consumed += piece.length;
        } else {
            if (params.maxPieces > 0 && static_cast<int32_t>(laid.cuts.size()) >= params.maxPieces) break;
            const double t = FoldAngle(trailing);
            const double along = params.kerf == 0 ? 0.0 : params.kerf / std::cos(Radians(90.0 - t));
            auto option = [&](double front, double& cost) {
                const double larger = std::max(front, t);
                const double saving = Near(larger, 90.0, tol) ? 0.0 : params.width / std::tan(Radians(larger));
                cost = piece.length + along - saving;
                return cost > 0.0 && laid.consumed + cost <= L + tol;
            };
            const double f1 = FoldAngle(piece.angle1);
            const double f2 = FoldAngle(piece.angle2);
            double cost1 = 0.0, cost2 = 0.0;
            const bool ok1 = option(f1, cost1);
            const bool ok2 = !Near(f1, f2, tol) && option(f2, cost2);
            bool angle1InFront;
            if (ok1 && ok2) {
                if (Near(cost1, cost2, tol))
                    angle1InFront = f2 <= f1;
                else
                    angle1InFront = cost1 < cost2;
            } else if (ok1 || ok2) {
                angle1InFront = ok1;
            } else {
                continue;  // neither end fits: try the next piece of the order
            }
            const bool opposite = OppositeSides(trailing, angle1InFront ? piece.angle1 : piece.angle2, tol);
            if (angle1InFront) {
                cut.mirrored = !opposite;
            } else {
                cut.swapped = opposite;
                cut.turned = !opposite;
            }
            laid.consumed += angle1InFront ? cost1 : cost2;
        }
        double front = 0.0, back = 0.0;
        OrientedAngles(piece, cut, front, back);
        trailing = back;
        laid.placedLength += piece.length;
        laid.cuts.push_back(cut);
    }
    return laid;
}

double BarWaste(double consumed, int32_t barLength, int32_t kerf)
{
    return std::max(0.0, barLength - consumed - kerf);
}

GeneticResult GeneticSingleBar(const part1d_array& fitting, const MitreParams& params, uint32_t seed,
                               const std::function<void()>& report, const bool& stopRequested, bool& improved)
{
    GeneticResult result;
    const auto n = static_cast<int32_t>(fitting.size());
    if (n == 0) return result;
    auto decode = [&](Chromosome1D& c) {
        LaidBar laid = LayOnBar(c.order, fitting, params);
        c.placedLength = laid.placedLength;
        c.consumed = laid.consumed;
        c.cuts = std::move(laid.cuts);
    };
    auto swapRandom = [&](Chromosome1D& c) {
        const int a = stv::RandomBelow(n);
        const int b = stv::RandomBelow(n);
        std::swap(c.order[static_cast<size_t>(a)], c.order[static_cast<size_t>(b)]);
    };

    stv::RandomSeed(seed);
    constexpr int kPopulation = 8;
    std::vector<Chromosome1D> population(kPopulation);
    population[0].order.resize(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) population[0].order[static_cast<size_t>(i)] = i;
    for (int k = 1; k < kPopulation; ++k) {
        population[static_cast<size_t>(k)].order = population[0].order;
        for (int32_t s = 0; s < n / 2; ++s) swapRandom(population[static_cast<size_t>(k)]);
    }
    Chromosome1D best;
    bool haveBest = false;
    for (auto& c : population) {
        decode(c);
        if (!haveBest || c.IsBetterThan(best)) {
            best = c;
            haveBest = true;
        }
    }
    improved = false;
    // Without a report nothing could ask the search to stop: decode the first population only.
    // The generation cap is a last guard; the patience rule ends real searches long before.
    for (int32_t generation = 0; report && generation < 1000000; ++generation) {
        report();
        improved = false;
        if (stopRequested) break;
        for (auto& parent : population) {
            Chromosome1D child = parent;
            for (int32_t s = 0; s < n / 10 + 1; ++s) swapRandom(child);
            if (stv::RandomDraw() / 32767.0 <= 0.1) child.spareFlag = !child.spareFlag;
            decode(child);
            if (child.IsBetterThan(parent)) {
                parent = std::move(child);
                if (parent.IsBetterThan(best)) {
                    best = parent;
                    improved = true;
                }
            }
        }
    }
    result.cuts = best.cuts;
    result.waste = BarWaste(best.consumed, params.barLength, params.kerf);
    return result;
}

std::vector<std::vector<int32_t>> PermutationTable(int32_t k)
{
    std::vector<std::vector<int32_t>> rows{{0}};
    for (int32_t size = 2; size <= k; ++size) {
        const int32_t added = size - 1;
        std::vector<std::vector<int32_t>> next;
        next.reserve(rows.size() * static_cast<size_t>(size));
        for (const auto& row : rows) {
            auto r = row;
            r.push_back(added);
            next.push_back(std::move(r));
        }
        for (int32_t p = size - 2; p >= 0; --p)
            for (const auto& row : rows) {
                auto r = row;
                r.insert(r.begin() + p, added);
                next.push_back(std::move(r));
            }
        rows = std::move(next);
    }
    return rows;
}

namespace {

// The pieces of one bar as a candidate list, in cutting order.
part1d_array BarPieces(const BarUtilization& bar, const part1d_array& piecesByNumber)
{
    part1d_array list;
    list.reserve(bar.cuts.size());
    for (const auto& cut : bar.cuts) list.push_back(piecesByNumber[static_cast<size_t>(cut.piece)]);
    return list;
}

bool AlreadyMatched(const BarUtilization& bar, const part1d_array& piecesByNumber)
{
    constexpr double kTol = 1e-5;
    double previousBack = 90.0;
    for (size_t i = 0; i < bar.cuts.size(); ++i) {
        double front = 0.0, back = 0.0;
        OrientedAngles(piecesByNumber[static_cast<size_t>(bar.cuts[i].piece)], bar.cuts[i], front, back);
        if (i == 0 ? !Near(front, 90.0, kTol) : !Near(previousBack, front, kTol)) return false;
        previousBack = back;
    }
    return true;
}

}  // namespace

bool ImproveByPermutation(SolutionCut1D& solution, const part1d_array& piecesByNumber, int32_t kerf, int32_t width,
                          int32_t maxPieces)
{
    constexpr double kTol = 1e-5;
    bool changed = false;
    for (auto& bar : solution.bars) {
        const int32_t k = bar.PieceCount();
        if (k < 2 || k > 5) continue;
        if (AlreadyMatched(bar, piecesByNumber)) continue;
        const part1d_array list = BarPieces(bar, piecesByNumber);
        MitreParams params{bar.barLength, kerf, width, maxPieces, kTol};
        double bestConsumed = bar.barLength;
        std::vector<BarCut> bestCuts;
        for (const auto& row : PermutationTable(k)) {
            LaidBar laid = LayOnBar(row, list, params);
            if (static_cast<int32_t>(laid.cuts.size()) != k) continue;
            if (laid.consumed < bestConsumed - kTol) {
                bestConsumed = laid.consumed;
                bestCuts = std::move(laid.cuts);
            }
        }
        if (bestCuts.empty()) continue;
        for (auto& cut : bestCuts) cut.piece = bar.cuts[static_cast<size_t>(cut.piece)].piece;
        bar.cuts = std::move(bestCuts);
        // The waste follows the new order, so the reported leftover matches the layout.
        bar.waste = BarWaste(bestConsumed, bar.barLength, kerf);
        changed = true;
    }
    if (changed) solution.RecomputeFromBars();
    return changed;
}

void MapBackAngles(SolutionCut1D& solution, const part1d_array& piecesByNumber, int32_t kerf, int32_t width,
                   int32_t maxPieces)
{
    constexpr double kTol = 1e-5;
    for (auto& bar : solution.bars) {
        const part1d_array list = BarPieces(bar, piecesByNumber);
        std::vector<int32_t> order(list.size());
        for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int32_t>(i);
        MitreParams params{bar.barLength, kerf, width, maxPieces, kTol};
        LaidBar laid = LayOnBar(order, list, params);
        for (auto& cut : laid.cuts) cut.piece = bar.cuts[static_cast<size_t>(cut.piece)].piece;
        bar.cuts = std::move(laid.cuts);
        bar.usedLength = laid.placedLength;
        bar.waste = BarWaste(laid.consumed, bar.barLength, kerf);
    }
    solution.RecomputeFromBars();
}

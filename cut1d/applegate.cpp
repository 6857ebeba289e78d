#include "cut1d/applegate.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <set>

#include "cut1d/cut1d_methods.h"
#include "cut1d/greedy_bars.h"
#include "lp/int_solver.h"

namespace {

constexpr double kEps = 1e-6;

int64_t CeilDiv(int64_t a, int64_t b) { return a <= 0 ? 0 : (a + b - 1) / b; }

std::vector<double> PatternCosts(const BarPatternProblem& problem, const TActivityList& list)
{
    std::vector<double> costs;
    costs.reserve(static_cast<size_t>(list.Count()));
    for (const auto& act : list) costs.push_back(problem.barCost[static_cast<size_t>(act->stockIndex)]);
    return costs;
}

std::vector<double> Demands(const BarPatternProblem& problem)
{
    return std::vector<double>(problem.demand.begin(), problem.demand.end());
}

void FinishPattern(const BarPatternProblem& problem, int32_t barType, TActivity& pattern)
{
    pattern.stockIndex = barType;
    double used = 0.0;
    for (int32_t t = 0; t < problem.PieceTypes(); ++t)
        used += static_cast<double>(pattern.counts[static_cast<size_t>(t)]) * problem.pieceLength[static_cast<size_t>(t)];
    pattern.used = used;
    pattern.waste = problem.barLength[static_cast<size_t>(barType)] - used;
}

struct PieceType {
    int64_t length = 0;  // kerf included
    int32_t demand = 0;
    int32_t firstFree = 0;
};

struct BarType {
    int64_t length = 0;  // kerf included
    int32_t left = 0;
    double cost = 0.0;
    int32_t firstFree = 0;
};

// The remainder cut bar by bar by the single-bar optimiser, with the exact limit of the method list.
SolutionCut1D ExactRemainder(const part1d_array& pieces, const stock1d_array& bars, int32_t kerf, int32_t barTotal,
                             int32_t pieceTotal)
{
    std::set<int32_t> lengths;
    for (const auto& b : bars) lengths.insert(b.length);
    TSingleBarOptimization single;
    MethodContext ctx;
    ctx.kerf = kerf;
    ctx.barTotal = barTotal;
    ctx.pieceTotal = pieceTotal;
    ctx.singleBar = &single;
    const double limit = std::floor(1e9 / (static_cast<double>(pieces.size()) * static_cast<double>(lengths.size())));
    const auto exactLimit = static_cast<int32_t>(std::min<double>(limit, INT32_MAX));
    return SequentialSingleBar(ctx, lengths.size() == 1 ? SequentialVariant::A : SequentialVariant::C, pieces, bars,
                               exactLimit);
}

}  // namespace

bool TApplegate::AllBarPatterns(const BarPatternProblem& problem, TActivityList& list, bool demandFilter,
                                std::vector<int32_t>& lastPosition)
{
    const int32_t m = problem.PieceTypes();
    lastPosition.assign(static_cast<size_t>(m), -1);
    if (m == 0) return true;
    const int64_t cap = std::min<int64_t>(kMaxPatterns, std::max<int64_t>(1, kMaxPatternCells / m));
    // Below the shortest remaining type nothing more fits: the rest of the pattern is zeros.
    std::vector<int64_t> suffixMin(static_cast<size_t>(m) + 1, INT64_MAX);
    for (int32_t t = m - 1; t >= 0; --t)
        suffixMin[static_cast<size_t>(t)] =
            std::min(suffixMin[static_cast<size_t>(t) + 1], problem.pieceLength[static_cast<size_t>(t)]);

    std::vector<int32_t> counts(static_cast<size_t>(m), 0);
    int64_t steps = 0;
    bool stopped = false;
    int32_t barType = 0;

    auto append = [&]() {
        bool any = false;
        for (int32_t c : counts) any = any || c > 0;
        if (!any) return;
        TActivity& act = list.Emplace(m);
        act.counts = counts;
        FinishPattern(problem, barType, act);
        if (list.Count() > cap) stopped = true;
    };
    auto enumerate = [&](auto&& self, int32_t t, int64_t remaining) -> void {
        if (stopped) return;
        if (++steps > kMaxEnumerationSteps) {
            stopped = true;
            return;
        }
        if (remaining < suffixMin[static_cast<size_t>(t)]) {
            for (int32_t u = t; u < m; ++u) counts[static_cast<size_t>(u)] = 0;
            append();
            return;
        }
        const int64_t length = problem.pieceLength[static_cast<size_t>(t)];
        const int64_t fit = length > 0 ? remaining / length : 0;
        // With the filter a count stops at the demand: more pieces of a type than demanded are never
        // needed, and dropping the pattern instead would drop the cheaper coverings it leads to.
        const int64_t top = demandFilter ? std::min<int64_t>(fit, problem.demand[static_cast<size_t>(t)]) : fit;
        if (t == m - 1) {
            counts[static_cast<size_t>(t)] = static_cast<int32_t>(top);
            append();
            counts[static_cast<size_t>(t)] = 0;
            return;
        }
        for (int64_t c = 0; c <= top && !stopped; ++c) {
            counts[static_cast<size_t>(t)] = static_cast<int32_t>(c);
            self(self, t + 1, remaining - c * length);
        }
        counts[static_cast<size_t>(t)] = 0;
    };
    for (barType = 0; barType < problem.BarTypes() && !stopped && list.Count() < kMaxPatterns; ++barType)
        enumerate(enumerate, 0, problem.barLength[static_cast<size_t>(barType)]);
    // The search must cover a type by the last pattern that holds it, whatever branch that came from.
    int32_t position = 0;
    for (const auto& act : list) {
        for (int32_t t = 0; t < m; ++t)
            if (act->counts[static_cast<size_t>(t)] > 0) lastPosition[static_cast<size_t>(t)] = position;
        ++position;
    }
    return !stopped;
}

bool TApplegate::ExactMinimumCost(const BarPatternProblem& problem, TActivityList& list, bool& overflow)
{
    std::vector<int32_t> lastPosition;
    overflow = !AllBarPatterns(problem, list, true, lastPosition);
    if (overflow || list.Count() > kMaxExactPatterns) return false;

    struct Entry {
        TActivity* act;
        std::vector<std::pair<int32_t, int32_t>> items;  // (type, count) with count > 0
        double cost;
    };
    std::vector<Entry> patterns;
    for (auto& act : list) {
        Entry e{act.get(), {}, problem.barCost[static_cast<size_t>(act->stockIndex)]};
        for (int32_t t = 0; t < problem.PieceTypes(); ++t)
            if (act->counts[static_cast<size_t>(t)] > 0) e.items.emplace_back(t, act->counts[static_cast<size_t>(t)]);
        patterns.push_back(std::move(e));
    }
    const double budget = static_cast<double>(problem.optimizationLevel) * 100000.0;
    double product = 1.0;
    for (const auto& e : patterns) {
        int64_t top = 0;
        for (auto [t, c] : e.items) top = std::max(top, CeilDiv(problem.demand[static_cast<size_t>(t)], c));
        product *= static_cast<double>(top + 1);
        if (product > budget) return false;
    }

    const auto P = static_cast<int32_t>(patterns.size());
    std::vector<int64_t> remaining(problem.demand.begin(), problem.demand.end());
    int32_t unmet = 0;
    for (int64_t r : remaining) unmet += r > 0 ? 1 : 0;
    std::vector<int32_t> levels(static_cast<size_t>(P), 0);
    for (auto& e : patterns) e.act->level = 0.0;
    double best = 1.7e308;

    auto search = [&](auto&& self, int32_t p, double cost) -> void {
        if (unmet == 0) {
            if (cost <= best - kEps) {
                best = cost;
                for (int32_t q = 0; q < P; ++q)
                    patterns[static_cast<size_t>(q)].act->level = levels[static_cast<size_t>(q)];
            }
            return;
        }
        if (p == P || cost > best - kEps) return;  // costs only grow further down
        const Entry& e = patterns[static_cast<size_t>(p)];
        int64_t from = 0, to = 0;
        for (auto [t, c] : e.items) {
            const int64_t need = CeilDiv(remaining[static_cast<size_t>(t)], c);
            to = std::max(to, need);
            if (lastPosition[static_cast<size_t>(t)] == p) from = std::max(from, need);
        }
        for (int64_t level = from; level <= to; ++level) {
            for (auto [t, c] : e.items) {
                int64_t& r = remaining[static_cast<size_t>(t)];
                const bool wasUnmet = r > 0;
                r -= c * level;
                if (wasUnmet && r <= 0) --unmet;
            }
            levels[static_cast<size_t>(p)] = static_cast<int32_t>(level);
            self(self, p + 1, cost + static_cast<double>(level) * e.cost);
            for (auto [t, c] : e.items) {
                int64_t& r = remaining[static_cast<size_t>(t)];
                const bool isUnmet = r > 0;
                r += c * level;
                if (!isUnmet && r > 0) ++unmet;
            }
        }
        levels[static_cast<size_t>(p)] = 0;
    };
    search(search, 0, 0.0);
    // No covering found: the linear program must have its turn.
    return best < 1.7e308;
}

bool TApplegate::ExactMaximumLength(const BarPatternProblem& problem, TActivityList& list, int64_t budget)
{
    struct Entry {
        TActivity* act;
        std::vector<std::pair<int32_t, int32_t>> items;
        int32_t barType;
        double cost;
        double length;
    };
    std::vector<Entry> patterns;
    patterns.reserve(static_cast<size_t>(list.Count()));
    for (auto& act : list) {
        Entry e{act.get(), {}, act->stockIndex, problem.barCost[static_cast<size_t>(act->stockIndex)], 0.0};
        for (int32_t t = 0; t < problem.PieceTypes(); ++t) {
            const int32_t c = act->counts[static_cast<size_t>(t)];
            if (c <= 0) continue;
            e.items.emplace_back(t, c);
            e.length += static_cast<double>(c) * problem.pieceLength[static_cast<size_t>(t)];
        }
        patterns.push_back(std::move(e));
    }
    const auto P = static_cast<int32_t>(patterns.size());
    std::vector<int64_t> remaining(problem.demand.begin(), problem.demand.end());
    std::vector<int64_t> barsLeft(problem.barsLeft.begin(), problem.barsLeft.end());
    std::vector<int32_t> level(static_cast<size_t>(P), 0), top(static_cast<size_t>(P), 0);
    double bestLength = 0.0, bestCost = 0.0, length = 0.0, cost = 0.0;
    int64_t leaves = 0;
    // Long chains of patterns that cannot be used make single assignments costly: steps are capped too.
    const int64_t stepCap = budget * 8 + 50000000;
    int64_t steps = 0;

    auto apply = [&](int32_t p, int64_t units) {
        const Entry& e = patterns[static_cast<size_t>(p)];
        for (auto [t, c] : e.items) remaining[static_cast<size_t>(t)] -= c * units;
        barsLeft[static_cast<size_t>(e.barType)] -= units;
        length += e.length * static_cast<double>(units);
        cost += e.cost * static_cast<double>(units);
    };
    int32_t p = 0;
    bool descending = true;
    for (;;) {
        if (++steps > stepCap) return false;
        if (descending) {
            if (p == P) {
                if (++leaves > budget) return false;
                if (length > bestLength + kEps || (std::fabs(length - bestLength) <= kEps && cost < bestCost)) {
                    bestLength = length;
                    bestCost = cost;
                    for (int32_t q = 0; q < P; ++q)
                        patterns[static_cast<size_t>(q)].act->level = level[static_cast<size_t>(q)];
                }
                descending = false;
                --p;
                continue;
            }
            const Entry& e = patterns[static_cast<size_t>(p)];
            int64_t n = barsLeft[static_cast<size_t>(e.barType)];
            for (auto [t, c] : e.items) n = std::min(n, remaining[static_cast<size_t>(t)] / c);
            top[static_cast<size_t>(p)] = static_cast<int32_t>(std::max<int64_t>(n, 0));
            level[static_cast<size_t>(p)] = 0;
            ++p;
        } else {
            if (p < 0) return true;
            if (level[static_cast<size_t>(p)] < top[static_cast<size_t>(p)]) {
                ++level[static_cast<size_t>(p)];
                apply(p, 1);
                ++p;
                descending = true;
            } else {
                apply(p, -static_cast<int64_t>(level[static_cast<size_t>(p)]));
                level[static_cast<size_t>(p)] = 0;
                --p;
            }
        }
    }
}

void TApplegate::InitialBarPatterns(const BarPatternProblem& problem, TActivityList& list)
{
    const int32_t m = problem.PieceTypes();
    for (int32_t i = 0; i < m; ++i) {
        int32_t barType = -1;
        for (int32_t b = 0; b < problem.BarTypes(); ++b)
            if (problem.barLength[static_cast<size_t>(b)] >= problem.pieceLength[static_cast<size_t>(i)]) {
                barType = b;
                break;
            }
        if (barType < 0) continue;
        TActivity& act = list.Emplace(m);
        if (problem.maxGarbageWaste != 0 || problem.minReusedWaste != 0) {
            // With a leftover band the generator needs freedom: start from one piece per pattern.
            act.counts[static_cast<size_t>(i)] = 1;
            FinishPattern(problem, barType, act);
            continue;
        }
        int64_t remaining = problem.barLength[static_cast<size_t>(barType)];
        for (int32_t q = 0; q < m; ++q) {
            const int32_t t = (i + q) % m;
            const int64_t length = problem.pieceLength[static_cast<size_t>(t)];
            if (length <= 0) continue;
            const int64_t c = std::min<int64_t>(remaining / length, problem.demand[static_cast<size_t>(t)]);
            act.counts[static_cast<size_t>(t)] = static_cast<int32_t>(c);
            remaining -= c * length;
        }
        FinishPattern(problem, barType, act);
    }
}

bool TApplegate::GreedyBarPattern(const BarPatternProblem& problem, int32_t barType, const std::vector<double>& duals,
                                  TActivity& pattern)
{
    const int32_t m = problem.PieceTypes();
    std::vector<int32_t> order(static_cast<size_t>(m));
    std::iota(order.begin(), order.end(), 0);
    auto ratio = [&](int32_t t) {
        const int64_t length = problem.pieceLength[static_cast<size_t>(t)];
        return length > 0 ? duals[static_cast<size_t>(t)] / static_cast<double>(length) : 0.0;
    };
    std::stable_sort(order.begin(), order.end(), [&](int32_t a, int32_t b) { return ratio(a) > ratio(b); });
    pattern = TActivity(m);
    int64_t remaining = problem.barLength[static_cast<size_t>(barType)];
    double price = 0.0;
    for (int32_t t : order) {
        const double y = duals[static_cast<size_t>(t)];
        const int64_t length = problem.pieceLength[static_cast<size_t>(t)];
        if (y <= kEps || length <= 0) continue;
        const int64_t c = remaining / length;
        pattern.counts[static_cast<size_t>(t)] = static_cast<int32_t>(c);
        remaining -= c * length;
        price += static_cast<double>(c) * y;
    }
    FinishPattern(problem, barType, pattern);
    pattern.price = price;
    return price > problem.barCost[static_cast<size_t>(barType)] + kEps;
}

bool TApplegate::KnapsackBarPattern(const BarPatternProblem& problem, int32_t barType,
                                    const std::vector<double>& duals, TActivity& pattern)
{
    const int32_t m = problem.PieceTypes();
    const int64_t barLength = problem.barLength[static_cast<size_t>(barType)];
    if (barLength <= 0 || barLength > kMaxKnapsackPositions) return false;
    const auto n = static_cast<int32_t>(barLength);
    int64_t items = 0;
    for (int32_t t = 0; t < m; ++t) items += duals[static_cast<size_t>(t)] > kEps ? 1 : 0;
    if (items * (static_cast<int64_t>(n) + 1) > kMaxKnapsackWork) return false;

    std::vector<double> value(static_cast<size_t>(n) + 1, -1.0);
    std::vector<int32_t> lastType(static_cast<size_t>(n) + 1, -1);
    std::vector<int32_t> reached{0};
    value[0] = 0.0;
    int32_t bestLength = 0;
    double bestValue = 0.0;
    for (int32_t t = 0; t < m; ++t) {
        const double v = duals[static_cast<size_t>(t)];
        const int64_t l = problem.pieceLength[static_cast<size_t>(t)];
        if (v <= kEps || l <= 0) continue;
        // Entries appended while this type runs are walked too: a type may be used any number of times.
        for (size_t i = 0; i < reached.size(); ++i) {
            const int32_t r = reached[i];
            const int64_t x = r + l;
            if (x > n) continue;
            double& px = value[static_cast<size_t>(x)];
            const double candidate = value[static_cast<size_t>(r)] + v;
            if (px < 0.0) {
                reached.push_back(static_cast<int32_t>(x));
            } else if (!(px < candidate - kEps)) {
                continue;
            }
            px = candidate;
            lastType[static_cast<size_t>(x)] = t;
            // A leftover strictly inside the band is neither garbage nor reusable: not a pattern end.
            const int64_t leftover = n - x;
            const bool inBand = leftover > problem.maxGarbageWaste && leftover < problem.minReusedWaste;
            if (px > bestValue && !inBand) {
                bestValue = px;
                bestLength = static_cast<int32_t>(x);
            }
        }
    }
    if (!(bestValue > problem.barCost[static_cast<size_t>(barType)] + 1e-5)) return false;
    pattern = TActivity(m);
    for (int32_t x = bestLength; x > 0;) {
        const int32_t t = lastType[static_cast<size_t>(x)];
        if (t < 0) break;
        ++pattern.counts[static_cast<size_t>(t)];
        x -= static_cast<int32_t>(problem.pieceLength[static_cast<size_t>(t)]);
    }
    FinishPattern(problem, barType, pattern);
    pattern.price = bestValue;
    return true;
}

int32_t TApplegate::PriceBarPattern(const BarPatternProblem& problem, const std::vector<double>& duals,
                                    TActivity& pattern)
{
    if (problem.maxGarbageWaste == 0 && problem.minReusedWaste == 0)
        for (int32_t b = problem.BarTypes() - 1; b >= 0; --b)
            if (GreedyBarPattern(problem, b, duals, pattern)) return b;
    for (int32_t b = problem.BarTypes() - 1; b >= 0; --b)
        if (KnapsackBarPattern(problem, b, duals, pattern)) return b;
    return -1;
}

void TApplegate::ColumnGeneration(const BarPatternProblem& problem, TActivityList& list)
{
    TIntSolver solver;
    const int32_t m = problem.PieceTypes();
    const std::vector<double> demand = Demands(problem);
    std::vector<double> costs = PatternCosts(problem, list);
    std::vector<double> duals(static_cast<size_t>(m), 0.0);
    int32_t appended = 0;
    for (;;) {
        double objective = 0.0;
        if (!solver.Solve(list, m, costs, demand, 1, objective, duals)) break;
        TActivity pattern;
        const int32_t barType = PriceBarPattern(problem, duals, pattern);
        if (barType < 0) break;
        pattern.level = 0.0;
        list.Emplace(std::move(pattern));
        costs.push_back(problem.barCost[static_cast<size_t>(barType)]);
        if (++appended >= kMaxGeneratedPatterns) break;
        for (auto& act : list) act->level = 0.0;
    }
}

void TApplegate::SolveBarPatterns(const BarPatternProblem& problem, TActivityList& list, bool overflow)
{
    if (overflow || list.Count() > kMaxPatterns || problem.maxGarbageWaste != 0 || problem.minReusedWaste != 0) {
        list.Clear();
        // With more piece types than the simplex can pivot into its basis no relaxation is ever
        // feasible; skipping the m x m initial patterns changes nothing but time and memory.
        if (problem.PieceTypes() > TSimplex::PivotLimit(problem.PieceTypes()) + 1) return;
        InitialBarPatterns(problem, list);
        ColumnGeneration(problem, list);
        return;
    }
    const int64_t budget = static_cast<int64_t>(problem.optimizationLevel) * 100000;
    if (ExactMaximumLength(problem, list, budget)) return;
    TIntSolver solver;
    std::vector<double> duals(static_cast<size_t>(problem.PieceTypes()), 0.0);
    double objective = 0.0;
    solver.Solve(list, problem.PieceTypes(), PatternCosts(problem, list), Demands(problem), 1, objective, duals);
}

void TApplegate::SelectBarPatterns(SolutionCut1D& solution, const part1d_array& pieces, const stock1d_array& bars,
                                   int32_t kerf, int32_t optimizationLevel, int32_t maxGarbageWaste,
                                   int32_t minReusedWaste)
{
    std::vector<PieceType> pieceTypes;
    for (size_t i = 0; i < pieces.size(); ++i) {
        const part1d& p = pieces[i];
        if (p.length <= 0) continue;
        const bool same = !pieceTypes.empty() && i > 0 && pieces[i - 1].length == p.length &&
                          std::fabs(pieces[i - 1].angle1 - p.angle1) <= kEps &&
                          std::fabs(pieces[i - 1].angle2 - p.angle2) <= kEps &&
                          std::fabs(pieces[i - 1].value - p.value) <= kEps &&
                          pieceTypes.back().firstFree + pieceTypes.back().demand == static_cast<int32_t>(i);
        if (same)
            ++pieceTypes.back().demand;
        else
            pieceTypes.push_back(PieceType{static_cast<int64_t>(p.length) + kerf, 1, static_cast<int32_t>(i)});
    }
    std::vector<BarType> barTypes;
    std::vector<int32_t> barPriority;
    for (size_t j = 0; j < bars.size(); ++j) {
        const stock1d& s = bars[j];
        if (s.length <= 0) continue;
        const bool same = !barTypes.empty() && j > 0 && bars[j - 1].length == s.length &&
                          bars[j - 1].priority == s.priority && std::fabs(bars[j - 1].cost - s.cost) <= kEps &&
                          barTypes.back().firstFree + barTypes.back().left == static_cast<int32_t>(j);
        if (same) {
            ++barTypes.back().left;
        } else {
            barTypes.push_back(BarType{static_cast<int64_t>(s.length) + kerf, 1, s.cost, static_cast<int32_t>(j)});
            barPriority.push_back(s.priority);
        }
    }

    std::vector<int32_t> activePieces(pieceTypes.size()), activeBars(barTypes.size());
    std::iota(activePieces.begin(), activePieces.end(), 0);
    std::iota(activeBars.begin(), activeBars.end(), 0);
    int32_t exhaustedPasses = 0;
    bool finishWithFirstFit = false;
    TActivityList list;

    while (!activePieces.empty() && !activeBars.empty()) {
        BarPatternProblem problem;
        problem.optimizationLevel = std::max(optimizationLevel, 1);
        problem.maxGarbageWaste = maxGarbageWaste;
        problem.minReusedWaste = minReusedWaste;
        for (int32_t t : activePieces) {
            problem.pieceLength.push_back(pieceTypes[static_cast<size_t>(t)].length);
            problem.demand.push_back(pieceTypes[static_cast<size_t>(t)].demand);
        }
        for (int32_t b : activeBars) {
            problem.barLength.push_back(barTypes[static_cast<size_t>(b)].length);
            problem.barsLeft.push_back(barTypes[static_cast<size_t>(b)].left);
            problem.barCost.push_back(barTypes[static_cast<size_t>(b)].cost);
        }

        list.Clear();
        bool overflow = false;
        const bool exact = maxGarbageWaste == 0 && minReusedWaste == 0 && ExactMinimumCost(problem, list, overflow);
        if (!exact) SolveBarPatterns(problem, list, overflow);

        bool added = false;
        bool barTypeRanOut = false;
        for (auto& act : list) {
            // A level a rounding error short of a whole number still counts as that number.
            if (act->level < 1.0 - 1e-9) continue;
            BarType& bt = barTypes[static_cast<size_t>(activeBars[static_cast<size_t>(act->stockIndex)])];
            int64_t k = std::min<int64_t>(static_cast<int64_t>(std::floor(act->level + 1e-9)), bt.left);
            int32_t piecesPerBar = 0;
            for (int32_t t = 0; t < problem.PieceTypes(); ++t) {
                const int32_t c = act->counts[static_cast<size_t>(t)];
                if (c <= 0) continue;
                piecesPerBar += c;
                const PieceType& pt = pieceTypes[static_cast<size_t>(activePieces[static_cast<size_t>(t)])];
                if (pt.demand < c * k) k = pt.demand / c;
            }
            if (k <= 0 || piecesPerBar == 0) continue;
            for (int64_t j = 0; j < k; ++j) {
                BarUtilization bar;
                bar.barNumber = bars[static_cast<size_t>(bt.firstFree + j)].number;
                bar.barLength = static_cast<int32_t>(bt.length - kerf);
                for (int32_t t = 0; t < problem.PieceTypes(); ++t) {
                    const int32_t c = act->counts[static_cast<size_t>(t)];
                    const PieceType& pt = pieceTypes[static_cast<size_t>(activePieces[static_cast<size_t>(t)])];
                    for (int32_t q = 0; q < c; ++q) {
                        const part1d& piece = pieces[static_cast<size_t>(pt.firstFree + j * c + q)];
                        bar.cuts.push_back(BarCut{false, false, false, piece.number});
                        bar.usedLength += piece.length;
                    }
                }
                bar.waste = std::max(0.0, act->waste - kerf);
                solution.AddBar(std::move(bar));
            }
            for (int32_t t = 0; t < problem.PieceTypes(); ++t) {
                const int32_t c = act->counts[static_cast<size_t>(t)];
                if (c <= 0) continue;
                PieceType& pt = pieceTypes[static_cast<size_t>(activePieces[static_cast<size_t>(t)])];
                pt.demand -= static_cast<int32_t>(c * k);
                pt.firstFree += static_cast<int32_t>(c * k);
            }
            bt.left -= static_cast<int32_t>(k);
            bt.firstFree += static_cast<int32_t>(k);
            act->level -= static_cast<double>(k);
            added = true;
            if (bt.left == 0) barTypeRanOut = true;
        }

        if (!added) {
            finishWithFirstFit = true;
            break;
        }
        bool levelLeft = false;
        for (const auto& act : list) levelLeft = levelLeft || act->level >= 1.0 - 1e-9;
        if (!levelLeft && ++exhaustedPasses == 2) {
            finishWithFirstFit = true;
            break;
        }

        int64_t longestBarLeft = -1;
        for (int32_t b : activeBars)
            if (barTypes[static_cast<size_t>(b)].left > 0) longestBarLeft = barTypes[static_cast<size_t>(b)].length;
        if (longestBarLeft >= 0) {
            std::vector<int32_t> kept;
            for (int32_t t : activePieces) {
                const PieceType& pt = pieceTypes[static_cast<size_t>(t)];
                if (pt.demand > 0 && pt.length <= longestBarLeft) kept.push_back(t);
            }
            activePieces = std::move(kept);
        }
        int64_t shortestDemanded = -1;
        for (int32_t t : activePieces)
            if (pieceTypes[static_cast<size_t>(t)].demand > 0) shortestDemanded = pieceTypes[static_cast<size_t>(t)].length;
        std::vector<int32_t> keptBars;
        for (int32_t b : activeBars) {
            const BarType& bt = barTypes[static_cast<size_t>(b)];
            if (bt.left <= 0) continue;
            if (barTypeRanOut && shortestDemanded >= 0 && bt.length < shortestDemanded) continue;
            keptBars.push_back(b);
        }
        activeBars = std::move(keptBars);
        list.Clear();
    }
    list.Clear();
    if (!finishWithFirstFit) return;

    part1d_array restPieces;
    for (const auto& pt : pieceTypes)
        for (int32_t q = 0; q < pt.demand; ++q) restPieces.push_back(pieces[static_cast<size_t>(pt.firstFree + q)]);
    stock1d_array restBars;
    for (const auto& bt : barTypes)
        for (int32_t q = 0; q < bt.left; ++q) restBars.push_back(bars[static_cast<size_t>(bt.firstFree + q)]);
    if (restPieces.empty() || restBars.empty()) return;
    std::stable_sort(restBars.begin(), restBars.end(), [](const stock1d& a, const stock1d& b) {
        if (a.priority != b.priority) return a.priority < b.priority;
        const double ua = a.cost / a.length, ub = b.cost / b.length;
        if (std::fabs(ua - ub) > 1e-5) return ua < ub;
        return a.length < b.length;
    });
    SolutionCut1D rest;
    rest.Reset(solution.barCount, solution.pieceCount);
    FirstFit(rest, restPieces, restBars, 0, kerf);
    // First fit wastes bars on the remainder of a rounded relaxation; filling bar after bar exactly
    // usually saves one. The better of the two by the optimiser's own order is kept.
    SolutionCut1D exact = ExactRemainder(restPieces, restBars, kerf, solution.barCount, solution.pieceCount);
    if (IsBetterSolution(exact, rest)) rest = std::move(exact);
    solution.Append(rest);
}

#include "lp/int_solver.h"

#include <cmath>
#include <memory>

namespace {
constexpr double kEps = 1e-6;
}

bool TIntSolver::Solve(TActivityList& activities, int32_t m, std::span<const double> costs,
                       std::span<const double> demand, int32_t limit, double& objective, std::vector<double>& duals)
{
    const int32_t n = activities.Count();
    std::vector<TActivity*> byPosition;
    byPosition.reserve(static_cast<size_t>(n));
    for (auto& act : activities) byPosition.push_back(act.get());

    double best = 1.7e307;
    nodes.Clear();
    nodes.Emplace(n);

    bool haveFirst = false;
    TSimplexResult first;
    TSimplexResult current;
    std::vector<double> integralDuals;
    bool integralFound = false;
    int32_t roundings = 0;

    while (nodes.Count() > 0 && roundings < limit) {
        TFixedSolution& node = *nodes.Get(0);
        if (!simplex.Solve(activities, m, costs, demand, node.fixedLevels, node.fixedCount, current)) {
            roundings = limit;
            break;
        }
        duals = current.duals;
        if (!haveFirst) {
            first = current;
            haveFirst = true;
        }
        const int32_t freeCount = static_cast<int32_t>(current.columnToActivity.size());
        int32_t fractionalRow = -1;
        for (int32_t i = 0; i < m; ++i) {
            const int32_t col = current.basicColumns[static_cast<size_t>(i)];
            const double value = current.values[static_cast<size_t>(i)];
            if (col >= freeCount || value < kEps) continue;
            const double frac = value - std::floor(value);
            if (frac > kEps) {
                fractionalRow = i;
                break;
            }
        }
        if (fractionalRow < 0) {
            const double cost = current.objective + node.fixedCost;
            if (cost + kEps < best) best = cost;
            for (int32_t i = 0; i < m; ++i) {
                const int32_t col = current.basicColumns[static_cast<size_t>(i)];
                const double value = current.values[static_cast<size_t>(i)];
                if (col < freeCount && value >= kEps)
                    byPosition[static_cast<size_t>(current.columnToActivity[static_cast<size_t>(col)])]->level = value;
            }
            integralDuals = current.duals;
            for (int32_t j = 0; j < n; ++j)
                if (node.fixedLevels[static_cast<size_t>(j)] != -1)
                    byPosition[static_cast<size_t>(j)]->level = node.fixedLevels[static_cast<size_t>(j)];
            integralFound = true;
            nodes.Delete(0);
            break;
        }
        // Fix the first fractional pattern at its level rounded down and dive on.
        const int32_t col = current.basicColumns[static_cast<size_t>(fractionalRow)];
        const int32_t position = current.columnToActivity[static_cast<size_t>(col)];
        const auto fixedLevel = static_cast<int32_t>(std::floor(current.values[static_cast<size_t>(fractionalRow)]));
        node.fixedCount += 1;
        node.fixedLevels[static_cast<size_t>(position)] = fixedLevel;
        node.fixedCost += fixedLevel * costs[static_cast<size_t>(position)];
        // A single node: moving it from the front to the back leaves the list as it is.
        ++roundings;
    }

    bool solved = haveFirst;
    if (!integralFound && roundings >= limit && haveFirst) {
        const int32_t freeCount = static_cast<int32_t>(first.columnToActivity.size());
        for (int32_t i = 0; i < m; ++i) {
            const int32_t col = first.basicColumns[static_cast<size_t>(i)];
            const double value = first.values[static_cast<size_t>(i)];
            if (col < freeCount && value >= kEps)
                byPosition[static_cast<size_t>(first.columnToActivity[static_cast<size_t>(col)])]->level = value;
        }
        objective = first.objective;
    } else if (integralFound) {
        duals = integralDuals;
        objective = best;
    }
    nodes.Clear();
    return solved;
}

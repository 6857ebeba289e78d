#pragma once
// TIntSolver: makes pattern levels integral by diving (fix a fractional level rounded down, re-solve).
#include <cstdint>
#include <span>
#include <vector>

#include "lp/simplex.h"
#include "util/tlista.h"

// One node of the dive: the patterns held at fixed levels.
struct TFixedSolution {
    std::vector<int32_t> fixedLevels;  // -1 = free
    int32_t activityCount = 0;
    int32_t fixedCount = 0;
    double fixedCost = 0.0;

    explicit TFixedSolution(int32_t activities)
        : fixedLevels(static_cast<size_t>(activities > 0 ? activities : 0), -1), activityCount(activities > 0 ? activities : 0)
    {
    }
};

class TIntSolver {
public:
    // Writes `level` of the patterns of the kept solution; false when the first relaxation is infeasible.
    // `duals` must hold m entries; it receives the dual prices of the last relaxation solved.
    bool Solve(TActivityList& activities, int32_t m, std::span<const double> costs, std::span<const double> demand,
               int32_t limit, double& objective, std::vector<double>& duals);

private:
    TSimplex simplex;
    TOwningList<TFixedSolution> nodes;
};

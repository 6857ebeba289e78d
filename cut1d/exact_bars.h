#pragma once
// Bar layouts at the optimum: column generation over bar patterns with an integer finish.
#include <atomic>
#include <cstdint>

#include "cut1d/cut1d_types.h"

// Bounds on one job's exact search; when one is reached the best layout found so far is kept.
struct ExactBarsLimits {
    int64_t work = 400000000;  // knapsack cells and simplex iterations, counted together
    int32_t mipNodes = 500;    // branch-and-bound nodes per integer solve
    double seconds = 0.0;      // wall-clock limit; 0 means none
    const std::atomic<bool>* stop = nullptr;  // the user's stop: ends the search with the best so far
};

// Fills a solution prepared by the caller (Reset with the full sizes) from square pieces and bars of
// one priority. Cost of the bars first (placing every piece that fits comes before it), then waste.
// Returns true when the result is proven to reach the lower bound of the linear relaxation.
bool ExactBars(SolutionCut1D& solution, const part1d_array& pieces, const stock1d_array& bars, int32_t kerf,
               const ExactBarsLimits& limits = {});

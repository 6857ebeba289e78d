#pragma once
// The methods of the bar optimiser's fixed method list and the list itself.
#include <atomic>
#include <cstdint>
#include <functional>

#include "cut1d/cut1d_types.h"
#include "cut1d/exact_bars.h"
#include "cut1d/single_bar.h"

struct MethodContext {
    int32_t kerf = 0;
    int32_t optimizationLevel = 1;
    int32_t width = 0;
    int32_t maxPieces = 0;
    int32_t maxGarbageWaste = 0;
    int32_t minReusedWaste = 0;
    uint32_t seed = 0;
    int32_t barTotal = 0;    // sizes of every solution: input bars and pieces
    int32_t pieceTotal = 0;
    std::function<void()> progressInner;
    std::function<void()> progressOuter;
    TSingleBarOptimization* singleBar = nullptr;
    int32_t patience = 10;   // generations without a new best before the single-bar search stops
    int32_t stall = 0;
    ExactBarsLimits exactLimits;  // bounds on the exact method's search per job
    const std::atomic<bool>* stop = nullptr;  // the user's stop: no further method after the first
};

enum class SequentialVariant { A, B, C, D };

// Bar after bar by the single-bar optimiser; pieces longest first, bars in the order to use.
SolutionCut1D SequentialSingleBar(MethodContext& ctx, SequentialVariant variant, const part1d_array& pieces,
                                  const stock1d_array& bars, int32_t exactLimit);

// Runs every method whose condition holds and keeps the best result.
SolutionCut1D RunMethodList(MethodContext& ctx, const part1d_array& pieces, const stock1d_array& stockMain,
                            const stock1d_array& stockAlt);

// Square bars: cuts ordered longest piece first, flags travelling with their cut.
void ReorderSquareBars(SolutionCut1D& solution, const part1d_array& piecesByNumber);

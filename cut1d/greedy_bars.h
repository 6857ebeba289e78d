#pragma once
// Fast bar heuristics: first fit, best fit, and first fit followed by merging two bars into one.
#include <cstdint>

#include "cut1d/cut1d_types.h"

// Each fills a solution prepared by the caller (Reset with the full sizes), totals and maps included.
// maxPieces 0 means no limit.
void FirstFit(SolutionCut1D& solution, const part1d_array& pieces, const stock1d_array& bars, int32_t maxPieces,
              int32_t kerf);
void BestFit(SolutionCut1D& solution, const part1d_array& pieces, const stock1d_array& bars, int32_t maxPieces,
             int32_t kerf);
void FirstFitMerge(SolutionCut1D& solution, const part1d_array& pieces, const stock1d_array& bars,
                   int32_t maxPieces, int32_t kerf);

#pragma once
// Mitre-aware laying of angled pieces on a bar, the single-bar genetic search and permutation improvement.
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "cut1d/cut1d_types.h"

struct MitreParams {
    int32_t barLength = 0;
    int32_t kerf = 0;
    int32_t width = 0;      // profile width: sets what a shared diagonal cut saves
    int32_t maxPieces = 0;  // 0 = no limit
    double tolerance = 1e-6;
};

// What LayOnBar made of an order: cuts carry the index into the candidate list.
struct LaidBar {
    std::vector<BarCut> cuts;
    int32_t placedLength = 0;
    double consumed = 0.0;  // bar used by the placed pieces, kerfs and savings included
};

// One candidate order of the genetic search.
struct Chromosome1D {
    std::vector<int32_t> order;  // candidate indices; -1 ends the order early
    int32_t placedLength = 0;
    bool spareFlag = false;
    double consumed = 0.0;
    std::vector<BarCut> cuts;

    bool IsBetterThan(const Chromosome1D& other) const;
};

double FoldAngle(double angle);
// The end angles of a piece after the orientation flags (mirrored, then turned, then swapped).
void OrientedAngles(const part1d& piece, const BarCut& flags, double& front, double& back);

LaidBar LayOnBar(std::span<const int32_t> order, const part1d_array& candidates, const MitreParams& params);
double BarWaste(double consumed, int32_t barLength, int32_t kerf);

struct GeneticResult {
    std::vector<BarCut> cuts;  // indices into the fitting list
    double waste = 0.0;
};

// report is called after every generation; the search stops once stopRequested is set.
GeneticResult GeneticSingleBar(const part1d_array& fitting, const MitreParams& params, uint32_t seed,
                               const std::function<void()>& report, const bool& stopRequested, bool& improved);

// Reorders bars of 2..5 angled pieces when another order consumes less. piecesByNumber[i] has number i.
bool ImproveByPermutation(SolutionCut1D& solution, const part1d_array& piecesByNumber, int32_t kerf, int32_t width,
                          int32_t maxPieces);

// Re-lays every bar with the real angles of its pieces (after the square allowance pass). Pieces that no
// longer fit go back to the unplaced ones.
void MapBackAngles(SolutionCut1D& solution, const part1d_array& piecesByNumber, int32_t kerf, int32_t width,
                   int32_t maxPieces);

// The fixed table of permutations of k pieces (k >= 1).
std::vector<std::vector<int32_t>> PermutationTable(int32_t k);

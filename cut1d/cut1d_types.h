#pragma once
// Records of the bar optimiser: input pieces and bars, cut bars and whole cutting solutions.
#include <cstdint>
#include <vector>

#include "util/user_data.h"

struct part1d {
    int32_t usedMark = 0;  // work field of the single-bar optimiser
    int32_t length = 0;
    int32_t group = 0;
    user_data userData;
    int32_t number = 0;    // index in the input array
    double angle1 = 90.0;
    double angle2 = 90.0;
    double value = 0.0;
};

struct stock1d {
    int32_t length = 0;
    int32_t priority = 0;
    user_data userData;
    int32_t number = 0;
    double cost = 1.0;
};

using part1d_array = std::vector<part1d>;
using stock1d_array = std::vector<stock1d>;

// One piece on a bar: its orientation and its piece number.
struct BarCut {
    bool mirrored = false;
    bool turned = false;
    bool swapped = false;
    int32_t piece = -1;
};

struct BarUtilization {
    std::vector<BarCut> cuts;  // in cutting order
    int32_t barNumber = -1;
    int32_t barLength = 0;
    int32_t usedLength = 0;    // sum of the lengths of its pieces
    double waste = 0.0;        // length left over

    int32_t PieceCount() const { return static_cast<int32_t>(cuts.size()); }
};

struct SolutionCut1D {
    // 64 bits: many bars near the int32 limit must not overflow the totals.
    int64_t usedLength = 0;
    int64_t stockLength = 0;
    int32_t barsWithWaste = 0;
    std::vector<int32_t> pieceToBar;  // per piece number: bar number or -1
    std::vector<int32_t> barToIndex;  // per bar number: position in `bars` or -1
    int32_t barCount = 0;
    int32_t pieceCount = 0;
    double waste = 0.0;
    std::vector<BarUtilization> bars;  // in cutting order

    // Empties the bars, sets both maps to -1 for the given sizes and zeroes the totals.
    void Reset(int32_t bars, int32_t pieces);
    void Clear();
    bool Empty() const { return bars.empty(); }
    double LargestBarWaste() const;
    // Appends a bar and keeps maps and totals in step.
    void AddBar(BarUtilization bar);
    // Appends every bar of another solution of the same sizes.
    void Append(const SolutionCut1D& other);
    // Rebuilds both maps and every total from the bars.
    void RecomputeFromBars();
};

// Is `candidate` better than `best` by the fixed order of criteria of the method list?
bool IsBetterSolution(const SolutionCut1D& candidate, const SolutionCut1D& best);

inline bool IsSquare(double angle, double tolerance) { return angle - 90.0 <= tolerance && 90.0 - angle <= tolerance; }
inline bool IsSquarePiece(const part1d& p, double tolerance) { return IsSquare(p.angle1, tolerance) && IsSquare(p.angle2, tolerance); }

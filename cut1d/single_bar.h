#pragma once
// TSingleBarOptimization: the best pattern for one bar and how many more bars repeat it exactly.
#include <cstdint>
#include <functional>
#include <vector>

#include "cut1d/cut1d_types.h"

class TSingleBarOptimization {
public:
    // Parameters, set by the caller before each solve.
    int32_t barLength = 0;
    int32_t BladeWidth = 0;
    int32_t MaxPiecesPerBar = 0;
    int32_t OxRotationAllowed = 1;
    int32_t OyRotationAllowed = 1;
    int32_t OzRotationAllowed = 1;
    double SpaceBetweenCuts = 0.0;
    uint32_t RandomSeed = 0;
    int32_t Width = 0;
    int32_t MaxGarbageWaste = 0;
    int32_t MinReusedWaste = 0;
    double angleTolerance = 1e-6;

    // Called after each generation of the genetic search, and once at the end of Solve with the result.
    std::function<void()> report;
    std::function<void()> deliver;

    // Bars longer than this are never solved exactly: the subset-sum table has one entry per position.
    static constexpr int32_t kMaxExactPositions = 1 << 23;

    void SetCandidateCount(int32_t n);
    int32_t CandidateCount() const { return static_cast<int32_t>(candidates.size()); }
    part1d& Candidate(int32_t i) { return candidates[static_cast<size_t>(i)]; }
    void SetExactLimit(int32_t limit) { exactLimit = limit; }

    void Solve();

    // Readable inside deliver.
    int32_t GetPatternCount() const { return static_cast<int32_t>(pattern.size()); }
    int32_t GetRepeatCount() const { return static_cast<int32_t>(repetitions.size()); }
    // Cut i of repetition r (r = 0 is the pattern): flags and candidate index.
    BarCut GetCut(int32_t r, int32_t i) const;
    double GetWaste() const { return waste; }

    void RequestStop() { stopRequested = true; }
    bool IsImproved() const { return improved; }

private:
    part1d_array candidates;
    int32_t exactLimit = 200000;
    std::vector<BarCut> pattern;                    // candidate indices
    std::vector<std::vector<BarCut>> repetitions;   // repetition 0 is the pattern
    double waste = 0.0;
    bool stopRequested = false;
    bool improved = false;

    // Work arrays of the exact method, kept between solves.
    std::vector<int32_t> reachedBy;   // per position: fitting-list index that reached it, -1 not reachable
    std::vector<int32_t> reachable;   // reachable positions in the order found
    int32_t arraysForLength = -1;

    bool InBand(int64_t leftover) const;
    std::vector<int32_t> FittingList() const;
    void GreedyFill(const std::vector<int32_t>& fitting);
    void ExactFill(const std::vector<int32_t>& fitting);
    void Genetic(const std::vector<int32_t>& fitting);
    void CountRepetitions();
};

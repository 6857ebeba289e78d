#pragma once
// TApplegate: chooses whole bar patterns for square pieces by enumeration or by linear programming
// with column generation, cuts them, and leaves the rest to first fit.
#include <cstdint>
#include <vector>

#include "cut1d/cut1d_types.h"
#include "lp/simplex.h"

// The piece types and bar types still in play, lengths enlarged by the kerf.
struct BarPatternProblem {
    std::vector<int64_t> pieceLength;  // 64 bits: a length plus the kerf may pass the int32 range
    std::vector<int32_t> demand;
    std::vector<int64_t> barLength;
    std::vector<int32_t> barsLeft;
    std::vector<double> barCost;
    int32_t optimizationLevel = 1;
    int32_t maxGarbageWaste = 0;
    int32_t minReusedWaste = 0;

    int32_t PieceTypes() const { return static_cast<int32_t>(pieceLength.size()); }
    int32_t BarTypes() const { return static_cast<int32_t>(barLength.size()); }
};

class TApplegate {
public:
    static constexpr int32_t kMaxPatterns = 200000;
    static constexpr int32_t kMaxExactPatterns = 1000;
    static constexpr int32_t kMaxGeneratedPatterns = 301;
    // Guards for memory and time: counts cells of all enumerated patterns, enumeration steps, and the
    // knapsack's table; beyond them the cheaper road is taken.
    static constexpr int64_t kMaxPatternCells = 4'000'000;
    static constexpr int64_t kMaxEnumerationSteps = 20'000'000;
    static constexpr int32_t kMaxKnapsackPositions = 1 << 22;
    static constexpr int64_t kMaxKnapsackWork = 400'000'000;

    void SelectBarPatterns(SolutionCut1D& solution, const part1d_array& pieces, const stock1d_array& bars,
                           int32_t kerf, int32_t optimizationLevel, int32_t maxGarbageWaste, int32_t minReusedWaste);

    // True when the search found a covering (levels set); overflow tells that the pattern list is incomplete.
    bool ExactMinimumCost(const BarPatternProblem& problem, TActivityList& list, bool& overflow);
    // True when the search finished within the budget of complete assignments.
    bool ExactMaximumLength(const BarPatternProblem& problem, TActivityList& list, int64_t budget);
    void SolveBarPatterns(const BarPatternProblem& problem, TActivityList& list, bool overflow);
    // False when the list had to stop early (more than kMaxPatterns, or the guards above). lastPosition:
    // per piece type, the list position of the last pattern that holds it, or -1.
    bool AllBarPatterns(const BarPatternProblem& problem, TActivityList& list, bool demandFilter,
                        std::vector<int32_t>& lastPosition);
    void InitialBarPatterns(const BarPatternProblem& problem, TActivityList& list);
    // The bar type of an improving pattern written to `pattern`, or -1.
    int32_t PriceBarPattern(const BarPatternProblem& problem, const std::vector<double>& duals, TActivity& pattern);
    bool GreedyBarPattern(const BarPatternProblem& problem, int32_t barType, const std::vector<double>& duals,
                          TActivity& pattern);
    bool KnapsackBarPattern(const BarPatternProblem& problem, int32_t barType, const std::vector<double>& duals,
                            TActivity& pattern);

private:
    void ColumnGeneration(const BarPatternProblem& problem, TActivityList& list);
};

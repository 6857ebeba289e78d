#pragma once
// TSimplex: two-phase primal simplex on a full tableau for the pattern covering program.
#include <cstdint>
#include <span>
#include <vector>

#include "lp/activity.h"
#include "lp/lp_matrix.h"
#include "util/tlista.h"

using TActivityList = TOwningList<TActivity>;

struct TSimplexResult {
    double objective = 0.0;
    std::vector<double> duals;          // dual price of every row
    std::vector<double> values;         // value of the basic variable of every row
    std::vector<int32_t> basicColumns;  // basic column of every row
    std::vector<int32_t> columnToActivity;  // list position of every free column
};

class TSimplex {
public:
    // Minimises cost over patterns covering the demands; activities with a fixed level
    // (fixedLevels[j] != -1) are held at it. False when phase one finds no feasible point;
    // the result is then left untouched.
    bool Solve(const TActivityList& activities, int32_t m, std::span<const double> costs,
               std::span<const double> demand, std::span<const int32_t> fixedLevels, int32_t fixedCount,
               TSimplexResult& result);

    // Pivots a phase may make before it stops: 201, but twice the rows for 201 to 300 rows, since
    // phase one needs a pivot per row; larger programs stay out of reach to keep the time bounded.
    static int32_t PivotLimit(int32_t rows);

private:
    TDoubleMatrix A;
    TDoubleMatrix phaseOneRow;
    TDoubleMatrix costRow;
    TDoubleMatrix rhs;
    TIntMatrix basis;

    int32_t EnteringPhaseOne(const TDoubleMatrix& row) const;
    int32_t EnteringPhaseTwo(const TDoubleMatrix& row) const;
    int32_t LeavingRow(int32_t column, int32_t m) const;
    void Pivot(int32_t r, int32_t c, int32_t m, TDoubleMatrix& active, int32_t activeRhs,
               TDoubleMatrix& other, int32_t otherRhs);
    void ReleaseAll();
};

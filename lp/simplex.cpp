#include "lp/simplex.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {
constexpr double kEps = 1e-6;
constexpr double kHuge = 1.7e308;
constexpr int32_t kBasePivots = 201;
constexpr int32_t kBaseRows = 200;
constexpr int32_t kPivotsPerRow = 2;
// Every relaxation is solved from scratch at a cost growing with the cube of the rows; past this
// many rows column generation takes longer than a user waits, so the small limit stays.
constexpr int32_t kMaxGrownRows = 300;
}  // namespace

int32_t TSimplex::PivotLimit(int32_t rows)
{
    return rows <= kBaseRows || rows > kMaxGrownRows ? kBasePivots : kPivotsPerRow * rows;
}

int32_t TSimplex::EnteringPhaseOne(const TDoubleMatrix& row) const
{
    // Maximising covered demand: among near-equal entries the later column wins.
    int32_t chosen = -1;
    double best = 0.0;
    for (int32_t j = 0; j < row.cols; ++j) {
        const double v = row[0][static_cast<size_t>(j)];
        if (v >= kEps && v + kEps >= best) {
            chosen = j;
            best = v;
        }
    }
    return chosen;
}

int32_t TSimplex::EnteringPhaseTwo(const TDoubleMatrix& row) const
{
    // Minimising cost: among near-equal entries the earlier column wins.
    int32_t chosen = -1;
    double best = 0.0;
    for (int32_t j = 0; j < row.cols; ++j) {
        const double v = row[0][static_cast<size_t>(j)];
        if (v <= kEps && v + kEps <= best) {
            chosen = j;
            best = v;
        }
    }
    return chosen;
}

int32_t TSimplex::LeavingRow(int32_t column, int32_t m) const
{
    int32_t chosen = -1;
    double best = kHuge;
    const auto c = static_cast<size_t>(column);
    for (int32_t i = 0; i < m; ++i) {
        const double a = A[i][c];
        if (a < kEps) continue;
        const double ratio = rhs[i][0] / a;
        if (best - kEps >= ratio) {
            chosen = i;
            best = ratio;
        } else if (chosen >= 0 && std::fabs(ratio - best) <= kEps && basis[0][static_cast<size_t>(i)] <
                                                                          basis[0][static_cast<size_t>(chosen)]) {
            chosen = i;
            best = ratio;
        }
    }
    return chosen;
}

void TSimplex::Pivot(int32_t r, int32_t c, int32_t m, TDoubleMatrix& active, int32_t activeRhs,
                     TDoubleMatrix& other, int32_t otherRhs)
{
    const auto cc = static_cast<size_t>(c);
    const size_t width = static_cast<size_t>(A.cols);
    std::vector<double>& pivotRow = A[r];
    const double p = pivotRow[cc];
    const double pivotRhs = rhs[r][0];
    for (int32_t i = 0; i < m; ++i) {
        if (i == r) continue;
        std::vector<double>& row = A[i];
        const double factor = row[cc] / p;
        if (factor == 0.0) continue;
        for (size_t j = 0; j < width; ++j) row[j] -= factor * pivotRow[j];
        rhs[i][0] -= factor * pivotRhs;
    }
    auto eliminate = [&](TDoubleMatrix& objective, int32_t rhsIndex) {
        std::vector<double>& row = objective[0];
        const double factor = row[cc] / p;
        if (factor == 0.0) return;
        for (size_t j = 0; j < width; ++j) row[j] -= factor * pivotRow[j];
        rhs[rhsIndex][0] -= factor * pivotRhs;
    };
    eliminate(active, activeRhs);
    eliminate(other, otherRhs);
    for (size_t j = 0; j < width; ++j) pivotRow[j] /= p;
    rhs[r][0] = pivotRhs / p;
    basis[0][static_cast<size_t>(r)] = c;
}

void TSimplex::ReleaseAll()
{
    A.Release();
    phaseOneRow.Release();
    costRow.Release();
    rhs.Release();
    basis.Release();
}

bool TSimplex::Solve(const TActivityList& activities, int32_t m, std::span<const double> costs,
                     std::span<const double> demand, std::span<const int32_t> fixedLevels, int32_t fixedCount,
                     TSimplexResult& result)
{
    const int32_t n = activities.Count();
    if (m <= 0 || static_cast<int32_t>(costs.size()) < n || static_cast<int32_t>(demand.size()) < m ||
        static_cast<int32_t>(fixedLevels.size()) < n)
        return false;

    // Residual demand after the fixed patterns; a fixed pattern that over-covers leaves 0, not a
    // negative right-hand side the ratio test could not handle.
    std::vector<double> residual(demand.begin(), demand.begin() + m);
    int32_t free = 0;
    {
        int32_t j = 0;
        for (const auto& act : activities) {
            const int32_t fixedLevel = fixedLevels[static_cast<size_t>(j)];
            if (fixedLevel != -1) {
                const size_t k = std::min(act->counts.size(), residual.size());
                for (size_t i = 0; i < k; ++i) residual[i] -= static_cast<double>(act->counts[i]) * fixedLevel;
            } else {
                ++free;
            }
            ++j;
        }
    }
    // Every pivot takes one artificial out of the basis, and only the first fixedCount + 1 of them may
    // stay: with more rows than that plus the pivot limit, phase one cannot succeed. Saying so at once
    // spares a tableau that would only be thrown away.
    (void)fixedCount;  // the free count follows from the levels themselves
    if (m > PivotLimit(m) + 1 + (n - free)) return false;
    for (double& d : residual) d = std::max(d, 0.0);

    const int32_t f = free;
    const int32_t width = f + 2 * m;
    A.Allocate(m, width);
    phaseOneRow.Allocate(1, width);
    costRow.Allocate(1, width);
    rhs.Allocate(m + 2, 1);
    basis.Allocate(1, m);

    std::vector<int32_t> columnToActivity;
    columnToActivity.reserve(static_cast<size_t>(f));
    {
        int32_t j = 0;
        int32_t col = 0;
        for (const auto& act : activities) {
            if (fixedLevels[static_cast<size_t>(j)] == -1) {
                double sum = 0.0;
                const size_t k = std::min(act->counts.size(), static_cast<size_t>(m));
                for (size_t i = 0; i < k; ++i) {
                    A[static_cast<int32_t>(i)][static_cast<size_t>(col)] = act->counts[i];
                    sum += act->counts[i];
                }
                phaseOneRow[0][static_cast<size_t>(col)] = sum;
                costRow[0][static_cast<size_t>(col)] = costs[static_cast<size_t>(j)];
                columnToActivity.push_back(j);
                ++col;
            }
            ++j;
        }
    }
    double demandSum = 0.0;
    for (int32_t i = 0; i < m; ++i) {
        A[i][static_cast<size_t>(f + i)] = -1.0;
        A[i][static_cast<size_t>(f + m + i)] = 1.0;
        phaseOneRow[0][static_cast<size_t>(f + i)] = -1.0;
        rhs[i][0] = residual[static_cast<size_t>(i)];
        basis[0][static_cast<size_t>(i)] = f + m + i;
        demandSum += residual[static_cast<size_t>(i)];
    }
    rhs[m][0] = 0.0;
    rhs[m + 1][0] = demandSum;

    const int32_t pivotLimit = PivotLimit(m);
    // Phase one: drive the artificial variables out.
    for (int32_t pivots = 0;;) {
        const int32_t c = EnteringPhaseOne(phaseOneRow);
        if (c < 0) break;
        const int32_t r = LeavingRow(c, m);
        if (r < 0) break;
        Pivot(r, c, m, phaseOneRow, m + 1, costRow, m);
        if (++pivots >= pivotLimit) break;
    }
    bool feasible = std::fabs(rhs[m + 1][0]) <= kEps;
    for (int32_t i = 0; feasible && i < m; ++i)
        if (basis[0][static_cast<size_t>(i)] > n + m) feasible = false;
    if (!feasible) {
        ReleaseAll();
        return false;
    }

    // Drop the artificial columns; the real objective becomes the row the entering rule reads.
    A.cols -= m;
    for (auto& row : A.cells) row.resize(static_cast<size_t>(A.cols));
    phaseOneRow.cols -= m;
    phaseOneRow[0].resize(static_cast<size_t>(phaseOneRow.cols));
    costRow.cols -= m;
    costRow[0].resize(static_cast<size_t>(costRow.cols));
    std::swap(phaseOneRow, costRow);
    rhs[m + 1][0] = rhs[m][0];

    for (int32_t pivots = 0;;) {
        const int32_t c = EnteringPhaseTwo(phaseOneRow);
        if (c < 0) break;
        const int32_t r = LeavingRow(c, m);
        if (r < 0) break;
        Pivot(r, c, m, phaseOneRow, m + 1, costRow, m);
        if (++pivots >= pivotLimit) break;
    }

    result.objective = -rhs[m + 1][0];
    result.duals.assign(static_cast<size_t>(m), 0.0);
    result.values.assign(static_cast<size_t>(m), 0.0);
    result.basicColumns.assign(static_cast<size_t>(m), 0);
    for (int32_t i = 0; i < m; ++i) {
        result.duals[static_cast<size_t>(i)] = phaseOneRow[0][static_cast<size_t>(f + i)];
        result.values[static_cast<size_t>(i)] = rhs[i][0];
        result.basicColumns[static_cast<size_t>(i)] = basis[0][static_cast<size_t>(i)];
    }
    result.columnToActivity = std::move(columnToActivity);
    ReleaseAll();
    return true;
}

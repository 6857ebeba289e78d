#include "cut1d/cut1d_types.h"

#include <algorithm>
#include <cmath>

void SolutionCut1D::Reset(int32_t barTotal, int32_t pieceTotal)
{
    bars.clear();
    barCount = std::max<int32_t>(barTotal, 0);
    pieceCount = std::max<int32_t>(pieceTotal, 0);
    barToIndex.assign(static_cast<size_t>(barCount), -1);
    pieceToBar.assign(static_cast<size_t>(pieceCount), -1);
    usedLength = 0;
    stockLength = 0;
    barsWithWaste = 0;
    waste = 0.0;
}

void SolutionCut1D::Clear()
{
    bars.clear();
    barToIndex.clear();
    pieceToBar.clear();
    barCount = 0;
    pieceCount = 0;
    usedLength = 0;
    stockLength = 0;
    barsWithWaste = 0;
    waste = 0.0;
}

double SolutionCut1D::LargestBarWaste() const
{
    double largest = 0.0;
    for (const auto& b : bars) largest = std::max(largest, b.waste);
    return largest;
}

void SolutionCut1D::AddBar(BarUtilization bar)
{
    const auto position = static_cast<int32_t>(bars.size());
    if (bar.barNumber >= 0 && bar.barNumber < barCount) barToIndex[static_cast<size_t>(bar.barNumber)] = position;
    for (const auto& cut : bar.cuts)
        if (cut.piece >= 0 && cut.piece < pieceCount) pieceToBar[static_cast<size_t>(cut.piece)] = bar.barNumber;
    usedLength += bar.usedLength;
    stockLength += bar.barLength;
    waste += bar.waste;
    if (bar.waste > 1e-6) ++barsWithWaste;
    bars.push_back(std::move(bar));
}

void SolutionCut1D::Append(const SolutionCut1D& other)
{
    for (const auto& bar : other.bars) AddBar(bar);
}

void SolutionCut1D::RecomputeFromBars()
{
    std::fill(barToIndex.begin(), barToIndex.end(), -1);
    std::fill(pieceToBar.begin(), pieceToBar.end(), -1);
    usedLength = 0;
    stockLength = 0;
    barsWithWaste = 0;
    waste = 0.0;
    std::vector<BarUtilization> all = std::move(bars);
    bars.clear();
    for (auto& bar : all) AddBar(std::move(bar));
}

bool IsBetterSolution(const SolutionCut1D& candidate, const SolutionCut1D& best)
{
    constexpr double kTol = 1e-5;
    if (candidate.Empty()) return false;
    if (best.Empty()) return true;
    if (candidate.usedLength != best.usedLength) return candidate.usedLength > best.usedLength;
    if (candidate.stockLength != best.stockLength) return candidate.stockLength < best.stockLength;
    if (std::fabs(candidate.waste - best.waste) > kTol) return candidate.waste > best.waste;
    if (candidate.barsWithWaste != best.barsWithWaste) return candidate.barsWithWaste < best.barsWithWaste;
    const double a = candidate.LargestBarWaste();
    const double b = best.LargestBarWaste();
    if (std::fabs(a - b) > kTol) return a > b;
    return false;
}

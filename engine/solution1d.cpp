#include "engine/solution1d.h"

#include <cmath>
#include <utility>

void TFractionalPiece1D::OrientAngles(double& a1, double& a2, bool is_mirrored, bool is_turned, bool is_swapped)
{
    if (is_mirrored) {
        a1 = 180.0 - a1;
        a2 = 180.0 - a2;
    }
    if (is_turned) {
        const double front = 180.0 - a2;
        a2 = 180.0 - a1;
        a1 = front;
    }
    if (is_swapped) std::swap(a1, a2);
}

void Solution1D::Clear()
{
    pieces.clear();
    stockLabel = my_w_string();
}

bool Solution1D::SameLayout(const Solution1D& candidate) const
{
    constexpr double kAngleTolerance = 1e-6;
    if (stockIndex != candidate.stockIndex) return false;
    if (!barLength.EqualValue(candidate.barLength) || !stockLength.EqualValue(candidate.stockLength)) return false;
    if (pieceCount() != candidate.pieceCount()) return false;
    if (!groupName.EqualsIgnoreCase(candidate.groupName) || !stockLabel.EqualsIgnoreCase(candidate.stockLabel))
        return false;
    for (size_t i = 0; i < pieces.size(); ++i) {
        const TFractionalPiece1D& a = pieces[i];
        const TFractionalPiece1D& b = candidate.pieces[i];
        if (!a.length.EqualValue(b.length) || !a.label.EqualsIgnoreCase(b.label)) return false;
        if (std::abs(a.angle1 - b.angle1) > kAngleTolerance || std::abs(a.angle2 - b.angle2) > kAngleTolerance)
            return false;
        if (!a.customer.EqualsIgnoreCase(b.customer)) return false;
    }
    return true;
}

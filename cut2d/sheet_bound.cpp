#include "sheet_bound.h"

#include <algorithm>
#include <cmath>

namespace {

int32_t CeilDiv(double a, double b) { return a <= 0.0 ? 0 : static_cast<int32_t>(std::ceil(a / b - 1e-9)); }

}  // namespace

sheet_bound SheetLowerBound(const std::vector<part2d>& pieces, const std::vector<stock2d>& stock, int32_t kerf)
{
    sheet_bound b;
    if (pieces.empty() || stock.empty()) return b;
    // Every sheet lies inside one sheet as long as the longest and as wide as the widest trimmed stock.
    int32_t L = 0, W = 0;
    double A = 0.0;
    for (const stock2d& s : stock) {
        const int32_t l = s.length - s.trim_x0 - s.trim_xL, w = s.width - s.trim_y0 - s.trim_yW;
        if (l <= 0 || w <= 0) continue;
        L = std::max(L, l);
        W = std::max(W, w);
        A = std::max(A, static_cast<double>(l) * w);
    }
    if (A <= 0.0) return b;
    double total = 0.0, small = 0.0, room_beside_big = 0.0;
    int32_t big = 0;
    const int64_t k = std::max(kerf, 0);
    for (const part2d& p : pieces) {
        const double a = static_cast<double>(p.length) * p.width;
        total += a;
        // Two pieces on one sheet lie apart along x or along y with a kerf between them: a piece longer
        // and wider than half the sheet in every way it fits shares its sheet with no such piece.
        bool is_big = true, fits = false;
        for (int turn = 0; turn < 2; ++turn) {
            const int64_t x = turn ? p.width : p.length, y = turn ? p.length : p.width;
            if (x > L || y > W) continue;
            fits = true;
            if (2 * x + k <= L || 2 * y + k <= W) is_big = false;
        }
        if (fits && is_big) {
            ++big;
            room_beside_big += A - a;
        } else {
            small += a;
        }
    }
    b.area = CeilDiv(total, A);
    b.best = std::max(b.area, big + CeilDiv(small - room_beside_big, A));
    return b;
}

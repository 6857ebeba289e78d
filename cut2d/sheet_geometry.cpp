#include "sheet_geometry.h"

#include <algorithm>
#include <cstdlib>

void sheet_geometry::BuildHoleLists()
{
    hole_x.clear();
    hole_y.clear();
    for (const hole2d& h : holes) {
        hole_x.push_back(h.x1);
        hole_x.push_back(h.x2);
        hole_y.push_back(h.y1);
        hole_y.push_back(h.y2);
    }
    std::sort(hole_x.begin(), hole_x.end());
    std::sort(hole_y.begin(), hole_y.end());
    hole_x.erase(hole_x.begin(), std::lower_bound(hole_x.begin(), hole_x.end(), trim_x0));
    hole_y.erase(hole_y.begin(), std::lower_bound(hole_y.begin(), hole_y.end(), trim_y0));
}

edge_margins MarginsFor(const sheet_geometry& g, const rect_i32& r)
{
    edge_margins e;
    const int32_t k = g.kerf;
    e.x0 = r.x1 == 0 && g.trim_x0 > 0;
    e.y0 = r.y1 == 0 && g.trim_y0 > 0;
    e.xL = r.x2 == g.length && g.trim_xL > 0;
    e.yW = r.y2 == g.width && g.trim_yW > 0;
    e.t = e.x0 ? std::max(g.trim_x0, g.length_breakage + k) : 0;
    e.m = e.y0 ? std::max(g.trim_y0, g.width_breakage + k) : 0;
    e.u = e.xL ? std::max(g.trim_xL, g.length_breakage + k) : 0;
    e.v = e.yW ? std::max(g.trim_yW, g.width_breakage + k) : 0;
    return e;
}

namespace {

bool OverlapsHole(const sheet_geometry& g, int32_t x, int32_t y, int32_t p, int32_t q)
{
    // Twice the centre distance against the sum of the extents keeps the test in integers.
    for (const hole2d& h : g.holes) {
        int64_t dx = std::llabs(int64_t{2} * x + p - (int64_t{h.x1} + h.x2));
        int64_t dy = std::llabs(int64_t{2} * y + q - (int64_t{h.y1} + h.y2));
        if (dx < int64_t{p} + std::abs(h.x2 - h.x1) && dy < int64_t{q} + std::abs(h.y2 - h.y1)) return true;
    }
    return false;
}

// One direction of the fit table; a = available extent, p = block extent.
bool PassesDirection(bool far_counts, bool near_rule, int32_t a, int32_t p, int32_t far_margin, int32_t breakage,
                     int32_t k)
{
    const int32_t rest = a - p;
    if (far_counts) return a - far_margin >= p;
    if (near_rule) return rest >= breakage || rest == 0;
    return rest >= breakage + k || (rest >= 0 && rest <= k);
}

}  // namespace

bool FitsFreeRectangle(const sheet_geometry& g, const rect_i32& r, int32_t p, int32_t q, int32_t a, int32_t b,
                       bool hole_test)
{
    if (r.extent_x() < p || r.extent_y() < q) return false;
    const edge_margins e = MarginsFor(g, r);
    const int32_t off_x = std::max(a - r.x1, e.t);
    const int32_t off_y = std::max(b - r.y1, e.m);
    const int32_t avail_x = r.extent_x() - off_x;
    const int32_t avail_y = r.extent_y() - off_y;
    if (!PassesDirection(e.xL, e.x0 && e.y0, avail_x, p, e.u, g.length_breakage, g.kerf)) return false;
    if (!PassesDirection(e.yW, e.y0, avail_y, q, e.v, g.width_breakage, g.kerf)) return false;
    if (hole_test && !g.holes.empty() && OverlapsHole(g, r.x1 + off_x, r.y1 + off_y, p, q)) return false;
    return true;
}

bool FitsWholeSheet(const stock2d& s, int32_t p, int32_t q, int32_t k, int32_t g, int32_t h)
{
    const int32_t t = s.trim_x0 > 0 ? std::max(s.trim_x0, g + k) : 0;
    const int32_t u = s.trim_xL > 0 ? std::max(s.trim_xL, g + k) : 0;
    const int32_t m = s.trim_y0 > 0 ? std::max(s.trim_y0, h + k) : 0;
    const int32_t v = s.trim_yW > 0 ? std::max(s.trim_yW, h + k) : 0;
    const int32_t S = s.length - t;
    const int32_t T = s.width - m;
    bool x_ok;
    if (s.trim_xL > 0)
        x_ok = S - u >= p;
    else if (s.trim_x0 > 0 && s.trim_y0 > 0)
        x_ok = S - p >= g || S == p;
    else if (s.trim_x0 > 0)
        x_ok = S - p >= g + k || (S - p >= 0 && S - p <= k);
    else
        x_ok = s.length - p >= g + k || (s.length - p >= 0 && s.length - p <= k);
    if (!x_ok) return false;
    if (s.trim_yW > 0) return T - v >= q;
    if (s.trim_y0 > 0) return T - q >= h || T == q;
    return s.width - q >= h + k || (s.width - q >= 0 && s.width - q <= k);
}

sheet_loading LoadingOnSheet(const stock2d& s, const part2d& piece, int32_t k, int32_t g, int32_t h)
{
    sheet_loading result;
    const bool fits_unturned = FitsWholeSheet(s, piece.length, piece.width, k, g, h);
    const bool fits_turned = FitsWholeSheet(s, piece.width, piece.length, k, g, h);
    bool turn = false;
    int8_t free_rotation = 0;
    if (s.grain == -1 || piece.grain == -1) {
        // No grain on one side: the piece's own rotation flag decides.
        free_rotation = piece.may_rotate == 1 ? 1 : 0;
        if (fits_unturned)
            result.load = true;
        else if (piece.may_rotate == 1 && fits_turned)
            result.load = turn = true;
    } else if (piece.grain != 0 && s.grain != 0) {
        if (piece.grain != s.grain) {
            if (fits_turned) result.load = turn = true;
        } else if (fits_unturned) {
            result.load = true;
        }
    } else {
        free_rotation = 1;
        if (fits_unturned)
            result.load = true;
        else if (fits_turned)
            result.load = turn = true;
    }
    result.piece = piece;
    result.piece.turned = 0;
    if (turn) {
        std::swap(result.piece.length, result.piece.width);
        result.piece.turned = 1;
    }
    result.piece.may_rotate = free_rotation;
    return result;
}

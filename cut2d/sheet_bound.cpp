#include "sheet_bound.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

namespace {

int32_t CeilDiv(double a, double b) { return a <= 0.0 ? 0 : static_cast<int32_t>(std::ceil(a / b - 1e-9)); }

int32_t CeilDiv(int64_t a, int64_t b) { return a <= 0 ? 0 : static_cast<int32_t>((a + b - 1) / b); }

// The orientations a piece may take on one sheet, in sheet axes: bit 0 as given, bit 1 turned.
int Orientations(const part2d& p, const stock2d& s)
{
    if (s.grain == -1 || p.grain == -1) return p.may_rotate == 1 ? 3 : 1;
    if (p.grain != 0 && s.grain != 0) return p.grain != s.grain ? 2 : 1;
    return 3;
}

// A function on the lengths along one side of the sheet (capacity C) such that lengths fitting side
// by side map to values that sum to no more than the capacity's value. Any two of them, one per side,
// turn a packing into one whose scaled area still fits the scaled sheet.
struct side_scale {
    enum kind_t { identity, threshold, half, steps, blocks } kind = identity;
    int64_t C = 1;
    int64_t q = 0;  // the threshold, the number of steps or the block size

    int64_t operator()(int64_t x) const
    {
        switch (kind) {
        case identity: return x;
        case threshold: return x > C - q ? C : (x < q ? 0 : x);
        case half: return 2 * x > C ? 2 : (2 * x == C ? 1 : 0);
        case steps: return ((q + 1) * x) % C == 0 ? x * q : ((q + 1) * x / C) * C;
        // Blocks of q: a length over half counts the blocks the rest of the side leaves to it.
        case blocks: return 2 * x > C ? 2 * (C / q - (C - x) / q) : (2 * x == C ? C / q : 2 * (x / q));
        }
        return x;
    }
    int64_t Full() const { return (*this)(C); }
};

std::vector<side_scale> Scales(int64_t C, std::vector<int64_t> sizes, size_t keep)
{
    std::vector<side_scale> out;
    out.push_back({side_scale::identity, C, 0});
    out.push_back({side_scale::half, C, 0});
    for (int64_t k = 2; k <= 6; ++k) out.push_back({side_scale::steps, C, k});
    // The threshold scale only changes where a size or its complement crosses it.
    std::vector<int64_t> q;
    for (int64_t x : sizes) {
        if (2 * x <= C) q.push_back(x);
        if (2 * (C - x + 1) <= C && C - x >= 0) q.push_back(C - x + 1);
    }
    std::sort(q.begin(), q.end());
    q.erase(std::unique(q.begin(), q.end()), q.end());
    std::vector<int64_t> blocks;
    for (int64_t x : sizes)
        if (2 * x <= C && x >= 1) blocks.push_back(x);
    std::sort(blocks.begin(), blocks.end());
    blocks.erase(std::unique(blocks.begin(), blocks.end()), blocks.end());
    for (size_t i = 0; i < q.size(); ++i) {
        if (q.size() > keep && i % ((q.size() + keep - 1) / keep) != 0) continue;
        if (q[i] >= 1) out.push_back({side_scale::threshold, C, q[i]});
    }
    for (size_t i = 0; i < blocks.size(); ++i) {
        if (blocks.size() > keep && i % ((blocks.size() + keep - 1) / keep) != 0) continue;
        out.push_back({side_scale::blocks, C, blocks[i]});
    }
    return out;
}

struct piece_kind {
    int64_t x = 0, y = 0;  // with the kerf added
    int ways = 1;          // bit 0 as given, bit 1 turned
    int64_t count = 0;
};

}  // namespace

sheet_bound SheetLowerBound(const std::vector<part2d>& pieces, const std::vector<stock2d>& stock, int32_t kerf)
{
    sheet_bound b;
    if (pieces.empty() || stock.empty()) return b;
    // Every sheet lies inside one sheet as long as the longest and as wide as the widest trimmed stock.
    int32_t L = 0, W = 0;
    double A = 0.0;
    const int64_t k = std::max(kerf, 0);
    int64_t Ak = 0;
    for (const stock2d& s : stock) {
        const int32_t l = s.length - s.trim_x0 - s.trim_xL, w = s.width - s.trim_y0 - s.trim_yW;
        if (l <= 0 || w <= 0) continue;
        L = std::max(L, l);
        W = std::max(W, w);
        A = std::max(A, static_cast<double>(l) * w);
        Ak = std::max(Ak, (l + k) * (w + k));
    }
    if (A <= 0.0) return b;
    double total = 0.0, small = 0.0, room_beside_big = 0.0;
    int32_t big = 0;
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

    // With a kerf behind every piece and behind the sheet, kerfed pieces may not overlap at all: the
    // classic bin packing bounds hold on the grown sizes, over a sheet that holds every sheet.
    const int64_t Lk = L + k, Wk = W + k;
    std::map<std::tuple<int64_t, int64_t, int>, int64_t> kinds;
    for (const part2d& p : pieces) {
        int ways = 0;
        for (const stock2d& s : stock) ways |= Orientations(p, s);
        const int64_t x = p.length + k, y = p.width + k;
        if (x > Lk || y > Wk) ways &= ~1;
        if (y > Lk || x > Wk) ways &= ~2;
        if (ways == 0) continue;  // placed only where no bound reaches; leave it out
        if (x == y) ways = 1;
        ++kinds[{x, y, ways}];
    }
    std::vector<piece_kind> P;
    std::vector<int64_t> xs, ys;
    int64_t kerfed_area = 0;
    for (const auto& [key, count] : kinds) {
        const auto [x, y, ways] = key;
        P.push_back({x, y, ways, count});
        kerfed_area += x * y * count;
        for (int turn = 0; turn < 2; ++turn) {
            if (!(ways & (1 << turn))) continue;
            xs.push_back(turn ? y : x);
            ys.push_back(turn ? x : y);
        }
    }
    b.best = std::max(b.best, CeilDiv(kerfed_area, Ak));
    // Fewer candidate scales on jobs with many piece kinds keep the pair loop near n^2.
    const size_t keep = P.size() <= 300 ? 60 : 20;
    const std::vector<side_scale> fx = Scales(Lk, xs, keep), fy = Scales(Wk, ys, keep);
    // Scaled sides once per scale: [scale][kind] for the length and the width of each kind.
    const size_t n = P.size();
    auto scaled = [&](const std::vector<side_scale>& scales, bool length) {
        std::vector<int64_t> out(scales.size() * n);
        for (size_t f = 0; f < scales.size(); ++f)
            for (size_t i = 0; i < n; ++i) {
                const int64_t v = length ? P[i].x : P[i].y;
                out[f * n + i] = v <= scales[f].C ? scales[f](v) : -1;  // -1: that way does not fit
            }
        return out;
    };
    const std::vector<int64_t> fx_x = scaled(fx, true), fx_y = scaled(fx, false);
    const std::vector<int64_t> fy_x = scaled(fy, true), fy_y = scaled(fy, false);
    for (size_t f = 0; f < fx.size(); ++f) {
        const int64_t cf = fx[f].Full();
        for (size_t g = 0; g < fy.size(); ++g) {
            const int64_t cap = cf * fy[g].Full();
            if (cap <= 0) continue;
            int64_t sum = 0;
            for (size_t i = 0; i < n; ++i) {
                const piece_kind& p = P[i];
                int64_t v = INT64_MAX;
                if (p.ways & 1) v = fx_x[f * n + i] * fy_y[g * n + i];
                if (p.ways & 2) v = std::min(v, fx_y[f * n + i] * fy_x[g * n + i]);
                sum += v * p.count;
            }
            b.best = std::max(b.best, CeilDiv(sum, cap));
        }
    }
    return b;
}

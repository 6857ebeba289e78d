#include "guillotine_decoder.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>

namespace {

std::atomic<int64_t> g_decode_count{0};

constexpr uint8_t kDeadCut = 1;

struct block_offsets {
    int32_t dx = 0, dy = 0, tx = 0, ty = 0;
    int32_t I = 0, H = 0;  // block offsets inside the rectangle
};

struct candidate {
    bool valid = false;
    int32_t rect = -1;
    int32_t cx = 0, cy = 0;
    int32_t a = 0, b = 0;    // columns along x, rows along y
    int32_t px = 0, py = 0;  // piece extents in the chosen orientation
    bool turned = false;
    int32_t bx = 0, by = 0;  // block extents
    int32_t direction = 0;
    int64_t rect_area = 0;
    int32_t below_useful = 0;
    int32_t short_leftover = 0, long_leftover = 0;
};

rect_i32 AsRect(const waste2d& w) { return rect_i32{w.x1, w.y1, w.x2, w.y2}; }

class guillotine_decoder {
public:
    guillotine_decoder(Cut2DXChromosomeGuillotine& ind, const decode_input& in, const sheet_geometry& g)
        : ind_(ind), in_(in), g_(g), pieces_(*in.pieces), k_(g.kerf)
    {
    }

    void Run();

private:
    block_offsets OffsetsFor(const waste2d& r, int32_t cx, int32_t cy) const;
    void SearchRectangle(int32_t r);
    bool TryPosition(int32_t r, int32_t cx, int32_t cy, const edge_margins& em);
    bool TryOrientation(int32_t r, int32_t cx, int32_t cy, bool turned, int32_t px, int32_t py, int64_t nx,
                        int64_t ny, int64_t start);
    int32_t ChooseDirection(const waste2d& r, const edge_margins& em, const block_offsets& o, int32_t bx,
                            int32_t by) const;
    bool CutsWithinMaximum(const waste2d& r, const block_offsets& o, const candidate& c) const;
    void Offer(const candidate& c);
    void Place(const candidate& c);
    int32_t AddCut(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t kerf, int32_t stage);
    int32_t AddRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
    bool TryMerge(int32_t a, int32_t s);
    void KillCut(int32_t dead, int32_t replacement);
    void Finish();
    void UpdateLargestRectangles();

    Cut2DXChromosomeGuillotine& ind_;
    const decode_input& in_;
    const sheet_geometry& g_;
    const std::vector<part2d>& pieces_;
    const int32_t k_;
    int32_t f_ = 0;  // order position being placed
    int32_t q_ = 0;  // piece at that position
    int32_t px_ = 0, py_ = 0;
    bool may_turn_ = false;
    candidate best_;
    int32_t max_x_ = 0, max_y_ = 0;  // largest extents over the free rectangles
    int64_t max_area_ = 0;
};

block_offsets guillotine_decoder::OffsetsFor(const waste2d& r, int32_t cx, int32_t cy) const
{
    const int32_t gl = g_.length_breakage, gw = g_.width_breakage;
    block_offsets o;
    o.dx = cx == r.x1 ? 0 : std::max(gl + k_, cx - r.x1);
    o.dy = cy == r.y1 ? 0 : std::max(gw + k_, cy - r.y1);
    o.tx = (r.x1 == 0 && g_.trim_x0 > 0) ? std::max(gl + k_, g_.trim_x0) : 0;
    o.ty = (r.y1 == 0 && g_.trim_y0 > 0) ? std::max(gw + k_, g_.trim_y0) : 0;
    if (std::abs(o.dx - o.tx) <= gl) o.tx = std::max(o.dx, o.tx);
    if (std::abs(o.dy - o.ty) <= gw) o.ty = std::max(o.dy, o.ty);
    o.I = std::max(o.dx, o.tx);
    o.H = std::max(o.dy, o.ty);
    return o;
}

void guillotine_decoder::Run()
{
    g_decode_count.fetch_add(1, std::memory_order_relaxed);
    Cut2DXChromosomeGuillotine& I = ind_;
    const int32_t n = in_.count();
    I.piece_count = 0;
    I.cut_count = 0;
    I.rect_count = 0;
    I.used_area = 0.0;
    I.used_length = I.used_width = 0;
    I.waste = waste_ranking{};
    std::fill(I.unplaced.begin(), I.unplaced.begin() + n, uint8_t{1});
    std::fill(I.profile_area.begin(), I.profile_area.end(), 0.0);
    AddRect(0, 0, g_.length, g_.width);
    UpdateLargestRectangles();

    for (f_ = 0; f_ < n;) {
        q_ = I.order[static_cast<size_t>(f_)];
        if (!I.unplaced[static_cast<size_t>(q_)]) {
            ++f_;
            continue;
        }
        const part2d& p = pieces_[static_cast<size_t>(q_)];
        const bool t = I.turn[static_cast<size_t>(q_)] != 0;
        px_ = t ? p.width : p.length;
        py_ = t ? p.length : p.width;
        may_turn_ = p.may_rotate == 1;
        best_.valid = false;
        // No free rectangle is large enough: skip the scan (most pieces once the sheet is full).
        const bool room = (px_ <= max_x_ && py_ <= max_y_) || (may_turn_ && py_ <= max_x_ && px_ <= max_y_);
        if (I.piece_count < in_.bound && room && int64_t{px_} * py_ <= max_area_) {
            for (int32_t r = 0; r < I.rect_count; ++r) SearchRectangle(r);
        }
        if (!best_.valid) {
            ++f_;
            continue;
        }
        Place(best_);
        f_ += best_.a * best_.b;
        UpdateLargestRectangles();
    }
    Finish();
}

void guillotine_decoder::SearchRectangle(int32_t r)
{
    const waste2d& R = ind_.rects[static_cast<size_t>(r)];
    if (R.extent_x < 1 || R.extent_y < 1) return;
    const bool given = px_ <= R.extent_x && py_ <= R.extent_y;
    const bool turned = may_turn_ && py_ <= R.extent_x && px_ <= R.extent_y;
    if (!given && !turned) return;
    const edge_margins em = MarginsFor(g_, AsRect(R));
    const int32_t first_x = R.x1 + em.t;
    const int32_t first_y = R.y1 + em.m;
    // Candidate positions: the corner (moved past a counting trim), then hole edges inside the rectangle.
    const size_t hx = g_.hole_x.size(), hy = g_.hole_y.size();
    for (size_t ix = 0; ix <= hx; ++ix) {
        int32_t cx = first_x;
        if (ix > 0) {
            cx = g_.hole_x[ix - 1];
            if (cx <= first_x || cx >= R.x2) continue;
        }
        for (size_t iy = 0; iy <= hy; ++iy) {
            int32_t cy = first_y;
            if (iy > 0) {
                cy = g_.hole_y[iy - 1];
                if (cy <= first_y || cy >= R.y2) continue;
            }
            if (TryPosition(r, cx, cy, em)) return;
        }
    }
}

bool guillotine_decoder::TryPosition(int32_t r, int32_t cx, int32_t cy, const edge_margins& em)
{
    const waste2d& R = ind_.rects[static_cast<size_t>(r)];
    // The room holds copies of (piece + kerf); capping it at M + k keeps the block itself within M
    // (a cap at M would also drop a piece that fits exactly once the closing kerf is left out).
    const int64_t M = g_.max_cut;
    const int64_t room_x = std::min<int64_t>(int64_t{R.x2} - cx - (em.xL ? g_.trim_xL : 0) + k_, M + k_);
    const int64_t room_y = std::min<int64_t>(int64_t{R.y2} - cy - (em.yW ? g_.trim_yW : 0) + k_, M + k_);
    const int32_t avail_x = R.extent_x - (cx - R.x1);
    const int32_t avail_y = R.extent_y - (cy - R.y1);
    auto copies = [&](int32_t ex, int32_t ey, int64_t& nx, int64_t& ny) {
        nx = (room_x > 0 && ex + k_ > 0) ? room_x / (ex + k_) : 0;
        ny = (room_y > 0 && ey + k_ > 0) ? room_y / (ey + k_) : 0;
        if (nx == 0 && !em.xL && ey == avail_y) nx = 1;
        if (ny == 0 && !em.yW && ex == avail_x) ny = 1;
    };
    const bool given = px_ <= R.extent_x && py_ <= R.extent_y;
    const size_t f = static_cast<size_t>(f_);
    const bool can_turn = may_turn_ && ind_.turn_run[f] >= ind_.same_run[f] && px_ != py_ &&
                          py_ <= R.extent_x && px_ <= R.extent_y;
    int64_t nx = 0, ny = 0, tnx = 0, tny = 0;
    copies(px_, py_, nx, ny);
    if (can_turn) copies(py_, px_, tnx, tny);
    const int64_t largest = std::max(given ? nx * ny : 0, can_turn ? tnx * tny : 0);
    const int64_t start = std::min<int64_t>(largest, ind_.same_run[f]);
    if (start < 1) return false;
    bool found = given && TryOrientation(r, cx, cy, false, px_, py_, nx, ny, start);
    if (can_turn && (ind_.variant == 1 || !found)) {
        if (TryOrientation(r, cx, cy, true, py_, px_, tnx, tny, start)) found = true;
    }
    return found;
}

bool guillotine_decoder::TryOrientation(int32_t r, int32_t cx, int32_t cy, bool turned, int32_t px, int32_t py,
                                        int64_t nx, int64_t ny, int64_t start)
{
    const waste2d& R = ind_.rects[static_cast<size_t>(r)];
    const rect_i32 rr = AsRect(R);
    const int32_t M = g_.max_cut;
    if (M < R.extent_x && M < R.extent_y) return false;
    const edge_margins em = MarginsFor(g_, rr);
    const block_offsets o = OffsetsFor(R, cx, cy);
    const int32_t room_left = in_.bound - ind_.piece_count;
    for (int64_t i = std::min<int64_t>(start, in_.factors.size() - 1); i >= 1; --i) {
        if (i > room_left) continue;
        bool any = false;
        const int32_t* e = in_.factors.end(static_cast<int32_t>(i));
        for (const int32_t* pr = in_.factors.begin(static_cast<int32_t>(i)); pr != e; pr += 2) {
            const int32_t a = pr[0], b = pr[1];
            if (a > nx || b > ny) continue;
            const int64_t bx64 = int64_t{a} * px + int64_t{a - 1} * k_;
            const int64_t by64 = int64_t{b} * py + int64_t{b - 1} * k_;
            if (bx64 > R.extent_x || by64 > R.extent_y) continue;
            const int32_t bx = static_cast<int32_t>(bx64), by = static_cast<int32_t>(by64);
            if (!FitsFreeRectangle(g_, rr, bx, by, cx, cy, true)) continue;
            candidate c;
            c.valid = true;
            c.rect = r;
            c.cx = cx;
            c.cy = cy;
            c.a = a;
            c.b = b;
            c.px = px;
            c.py = py;
            c.turned = turned;
            c.bx = bx;
            c.by = by;
            c.direction = ChooseDirection(R, em, o, bx, by);
            if (!CutsWithinMaximum(R, o, c)) continue;
            c.rect_area = int64_t{R.extent_x} * R.extent_y;
            const int32_t lx = R.extent_x - bx, ly = R.extent_y - by;
            c.below_useful = (lx < g_.minimal_useful_size) + (ly < g_.minimal_useful_size);
            c.short_leftover = std::min(lx, ly);
            c.long_leftover = std::max(lx, ly);
            Offer(c);
            any = true;
        }
        if (any) return true;
    }
    return false;
}

int32_t guillotine_decoder::ChooseDirection(const waste2d& R, const edge_margins& em, const block_offsets& o,
                                            int32_t bx, int32_t by) const
{
    const int32_t M = g_.max_cut;
    if (M < R.extent_y) return 0;
    if (M < R.extent_x) return 1;
    if (o.I + bx + em.u == R.extent_x) return 1;
    if (o.H + by + em.v == R.extent_y) return 0;
    if (ind_.variant == 0) return ind_.direction[static_cast<size_t>(q_)];
    // Variant 1: the direction whose larger leftover is larger, then whose smaller one is smaller.
    const int64_t bx2 = int64_t{R.x1} + o.I + bx, by2 = int64_t{R.y1} + o.H + by;
    const int64_t beside_w = std::max<int64_t>(0, R.x2 - bx2 - k_);
    const int64_t above_h = std::max<int64_t>(0, R.y2 - by2 - k_);
    const double above0 = static_cast<double>(R.extent_x) * above_h;
    const double beside0 = static_cast<double>(beside_w) * (by2 - R.y1);
    const double beside1 = static_cast<double>(beside_w) * R.extent_y;
    const double above1 = static_cast<double>(bx2 - R.x1) * above_h;
    const double large0 = std::max(above0, beside0), small0 = std::min(above0, beside0);
    const double large1 = std::max(above1, beside1), small1 = std::min(above1, beside1);
    if (large0 > large1 + 0.01) return 0;
    if (large1 > large0 + 0.01) return 1;
    if (small0 < small1 - 0.01) return 0;
    if (small1 < small0 - 0.01) return 1;
    return ind_.direction[static_cast<size_t>(q_)];
}

bool guillotine_decoder::CutsWithinMaximum(const waste2d& R, const block_offsets& o, const candidate& c) const
{
    // No cut of the placement may be longer than the maximal cut length.
    const int32_t M = g_.max_cut;
    const int64_t bx2 = int64_t{R.x1} + o.I + c.bx, by2 = int64_t{R.y1} + o.H + c.by;
    int64_t longest = 0;
    if (c.direction == 1) {
        if (R.x2 > bx2) longest = std::max<int64_t>(longest, R.extent_y);
        if (R.y2 > by2) longest = std::max<int64_t>(longest, bx2 - R.x1);
    } else {
        if (R.y2 > by2) longest = std::max<int64_t>(longest, R.extent_x);
        if (R.x2 > bx2) longest = std::max<int64_t>(longest, by2 - R.y1);
    }
    if (o.I > 0) longest = std::max<int64_t>(longest, by2 - R.y1);
    if (o.H > 0) longest = std::max<int64_t>(longest, c.bx);
    if (c.a > 1) longest = std::max<int64_t>(longest, c.by);
    if (c.b > 1) longest = std::max<int64_t>(longest, c.px);
    return longest <= M;
}

void guillotine_decoder::Offer(const candidate& c)
{
    if (!best_.valid || c.rect_area < best_.rect_area) {
        best_ = c;
        return;
    }
    if (c.rect_area > best_.rect_area) return;
    if (c.below_useful != best_.below_useful) {
        if (c.below_useful < best_.below_useful) best_ = c;
        return;
    }
    if (c.short_leftover != best_.short_leftover) {
        if (c.short_leftover < best_.short_leftover) best_ = c;
        return;
    }
    if (c.long_leftover > best_.long_leftover) best_ = c;
}

int32_t guillotine_decoder::AddCut(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t kerf, int32_t stage)
{
    cut2d& c = ind_.cuts[static_cast<size_t>(ind_.cut_count)];
    c = cut2d{};
    c.x1 = x1;
    c.y1 = y1;
    c.x2 = x2;
    c.y2 = y2;
    c.kerf = kerf;
    c.stage = stage;
    c.aux1 = -1;  // partner: the first cut of the split that made this second cut
    return ind_.cut_count++;
}

int32_t guillotine_decoder::AddRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    ind_.rects[static_cast<size_t>(ind_.rect_count)] = waste2d::Spanning(x1, y1, x2, y2);
    return ind_.rect_count++;
}

void guillotine_decoder::Place(const candidate& c)
{
    Cut2DXChromosomeGuillotine& I = ind_;
    const waste2d R = I.rects[static_cast<size_t>(c.rect)];
    const int32_t sibling = R.sibling;
    const edge_margins em = MarginsFor(g_, AsRect(R));
    const block_offsets o = OffsetsFor(R, c.cx, c.cy);
    const int32_t bx1 = R.x1 + o.I, by1 = R.y1 + o.H;
    const int32_t bx2 = bx1 + c.bx, by2 = by1 + c.by;
    const int32_t count = c.a * c.b;
    const int32_t d = c.direction;

    if (c.turned)
        for (int32_t pos = f_; pos < f_ + count; ++pos) I.turn[static_cast<size_t>(I.order[static_cast<size_t>(pos)])] ^= 1;
    uint8_t bit = static_cast<uint8_t>(d);
    if (o.H + c.by + em.v == R.extent_y)
        bit = 0;
    else if (o.I + c.bx + em.u == R.extent_x)
        bit = 1;
    I.direction[static_cast<size_t>(q_)] = bit;

    if (d == 1) {
        I.used_length = std::max(I.used_length, bx2);
        I.used_width = std::max(I.used_width, R.y2);
    } else {
        I.used_length = std::max(I.used_length, R.x2);
        I.used_width = std::max(I.used_width, by2);
    }

    // The block: columns along x, pieces stacked along y inside each column.
    for (int32_t j = 0; j < c.a; ++j) {
        const int32_t x = bx1 + j * (c.px + k_);
        for (int32_t row = 0; row < c.b; ++row) {
            const int32_t pid = I.order[static_cast<size_t>(f_ + j * c.b + row)];
            const part2d& p = pieces_[static_cast<size_t>(pid)];
            const int32_t y = by1 + row * (c.py + k_);
            placed_piece2d& pp = I.pieces[static_cast<size_t>(I.piece_count++)];
            pp.x1 = x;
            pp.y1 = y;
            pp.x2 = x + c.px;
            pp.y2 = y + c.py;
            pp.extent_x = c.px;
            pp.extent_y = c.py;
            pp.turned = static_cast<int8_t>((I.turn[static_cast<size_t>(pid)] + p.turned) & 1);
            pp.piece_index = pid;
            pp.data = p.data;
            I.unplaced[static_cast<size_t>(pid)] = 0;
            const double a = static_cast<double>(c.px) * c.py;
            I.used_area += a;
            I.profile_area[static_cast<size_t>(in_.group_of[static_cast<size_t>(pid)])] += a;
            if (row + 1 < c.b) AddCut(x, y + c.py, x + c.px, y + c.py, k_, 0);
        }
        if (j + 1 < c.a) AddCut(x + c.px, by1, x + c.px, by2, k_, 0);
    }

    // Margin strips left of and below the block, each cut off by its own cut.
    if (o.I > 0) {
        const int32_t xs = R.x1 + o.I - k_;
        const int32_t cut = AddCut(xs, R.y1, xs, by2, k_, d == 1 ? 2 : 0);
        if (xs - R.x1 >= 1 && by2 - R.y1 >= 1) {
            int32_t w = AddRect(R.x1, R.y1, xs, by2);
            I.rects[static_cast<size_t>(w)].cut_left = R.cut_left;
            I.rects[static_cast<size_t>(w)].cut_bottom = R.cut_bottom;
            I.rects[static_cast<size_t>(w)].cut_right = cut;
        }
    }
    if (o.H > 0) {
        const int32_t ys = R.y1 + o.H - k_;
        const int32_t cut = AddCut(bx1, ys, bx2, ys, k_, d == 1 ? 3 : 0);
        if (ys - R.y1 >= 1) {
            int32_t w = AddRect(bx1, R.y1, bx2, ys);
            I.rects[static_cast<size_t>(w)].cut_bottom = R.cut_bottom;
            I.rects[static_cast<size_t>(w)].cut_top = cut;
        }
    }

    // The split: a cut across the whole rectangle, then one across the part that holds the block.
    const int32_t beside = R.x2 - bx2 - k_;
    const int32_t above = R.y2 - by2 - k_;
    const int32_t beside_kerf = beside < 0 ? beside + k_ : k_;
    const int32_t above_kerf = above < 0 ? above + k_ : k_;
    int32_t vcut = -1, hcut = -1;
    int32_t created = -1;   // the new rectangle
    int32_t reduced = -1;   // what is left of R
    if (d == 1) {
        if (R.x2 > bx2) vcut = AddCut(bx2, R.y1, bx2, R.y2, beside_kerf, 0);
        if (R.y2 > by2) hcut = AddCut(R.x1, by2, bx2, by2, above_kerf, 0);
        if (vcut >= 0 && hcut >= 0) I.cuts[static_cast<size_t>(hcut)].aux1 = vcut;
        if (beside >= 1) {
            created = AddRect(bx2 + k_, R.y1, R.x2, R.y2);
            waste2d& n = I.rects[static_cast<size_t>(created)];
            n.cut_left = vcut;
            n.cut_bottom = R.cut_bottom;
            n.cut_right = R.cut_right;
            n.cut_top = R.cut_top;
        }
        waste2d& rw = I.rects[static_cast<size_t>(c.rect)];
        if (above >= 1) {
            rw.x2 = bx2;
            rw.y1 = by2 + k_;
            rw.cut_bottom = hcut;
            rw.cut_right = vcut >= 0 ? vcut : R.cut_right;
            reduced = c.rect;
        }
    } else {
        if (R.y2 > by2) hcut = AddCut(R.x1, by2, R.x2, by2, above_kerf, 0);
        if (R.x2 > bx2) vcut = AddCut(bx2, R.y1, bx2, by2, beside_kerf, 0);
        if (vcut >= 0 && hcut >= 0) I.cuts[static_cast<size_t>(vcut)].aux1 = hcut;
        if (above >= 1) {
            created = AddRect(R.x1, by2 + k_, R.x2, R.y2);
            waste2d& n = I.rects[static_cast<size_t>(created)];
            n.cut_left = R.cut_left;
            n.cut_bottom = hcut;
            n.cut_right = R.cut_right;
            n.cut_top = R.cut_top;
        }
        waste2d& rw = I.rects[static_cast<size_t>(c.rect)];
        if (beside >= 1) {
            rw.x1 = bx2 + k_;
            rw.y2 = by2;
            rw.cut_left = vcut;
            rw.cut_top = hcut >= 0 ? hcut : R.cut_top;
            reduced = c.rect;
        }
    }
    waste2d& rw = I.rects[static_cast<size_t>(c.rect)];
    if (reduced < 0) {
        rw = waste2d{};
        rw.x1 = rw.x2 = R.x1;
        rw.y1 = rw.y2 = R.y1;
    } else {
        rw.extent_x = rw.x2 - rw.x1;
        rw.extent_y = rw.y2 - rw.y1;
    }
    if (created >= 0 && reduced >= 0) {
        I.rects[static_cast<size_t>(created)].sibling = reduced;
        I.rects[static_cast<size_t>(reduced)].sibling = created;
    } else if (reduced >= 0) {
        I.rects[static_cast<size_t>(reduced)].sibling = -1;
    }

    // A part that continues its rectangle's earlier sibling across a single cut joins it. The cut joined on
    // the sibling's side must come from the split whose first cut separates the two, or the layout would no
    // longer be guillotine.
    if (sibling >= 0 && sibling != c.rect) {
        if (created >= 0 && TryMerge(created, sibling)) {
            if (reduced >= 0) I.rects[static_cast<size_t>(reduced)].sibling = sibling;
        } else if (reduced >= 0 && TryMerge(reduced, sibling)) {
            if (created >= 0) I.rects[static_cast<size_t>(created)].sibling = sibling;
        }
    }
}

bool guillotine_decoder::TryMerge(int32_t ai, int32_t si)
{
    Cut2DXChromosomeGuillotine& I = ind_;
    waste2d& A = I.rects[static_cast<size_t>(ai)];
    waste2d& S = I.rects[static_cast<size_t>(si)];
    if (A.extent_x < 1 || A.extent_y < 1 || S.extent_x < 1 || S.extent_y < 1) return false;
    const int64_t M = g_.max_cut;
    auto cut = [&](int32_t i) -> cut2d& { return I.cuts[static_cast<size_t>(i)]; };

    // A directly above S, both with the same x range.
    if (A.x1 == S.x1 && A.x2 == S.x2 && A.cut_bottom >= 0 && A.cut_bottom == S.cut_top && A.cut_left >= 0 &&
        S.cut_left >= 0 && A.cut_left != S.cut_left) {
        cut2d& sep = cut(S.cut_top);
        cut2d& ca = cut(A.cut_left);
        cut2d& cs = cut(S.cut_left);
        if (sep.along_x() && sep.y1 == S.y2 && A.y1 == sep.y1 + sep.kerf && sep.x2 == S.x2 && ca.along_y() &&
            cs.along_y() && cs.aux1 == S.cut_top && ca.x1 == cs.x1 && ca.kerf == cs.kerf && cs.x1 + cs.kerf == S.x1 &&
            sep.x1 < cs.x1 &&
            std::abs(ca.y1 - cs.y2) <= k_) {
            const int32_t lo = std::min(ca.y1, cs.y1), hi = std::max(ca.y2, cs.y2);
            if (int64_t{hi} - lo <= M) {
                const int32_t keep = S.cut_left, dead = A.cut_left;
                cs.y1 = lo;
                cs.y2 = hi;
                if (ca.aux1 >= 0) cs.aux1 = ca.aux1;
                sep.x2 = cs.x1;
                S.y2 = A.y2;
                S.extent_y = S.y2 - S.y1;
                S.cut_top = A.cut_top;
                A = waste2d{};
                A.x1 = A.x2 = S.x1;
                A.y1 = A.y2 = S.y1;
                KillCut(dead, keep);
                return true;
            }
        }
    }
    // A directly right of S, both with the same y range.
    if (A.y1 == S.y1 && A.y2 == S.y2 && A.cut_left >= 0 && A.cut_left == S.cut_right && A.cut_bottom >= 0 &&
        S.cut_bottom >= 0 && A.cut_bottom != S.cut_bottom) {
        cut2d& sep = cut(S.cut_right);
        cut2d& ca = cut(A.cut_bottom);
        cut2d& cs = cut(S.cut_bottom);
        if (sep.along_y() && sep.x1 == S.x2 && A.x1 == sep.x1 + sep.kerf && sep.y2 == S.y2 && ca.along_x() &&
            cs.along_x() && cs.aux1 == S.cut_right && ca.y1 == cs.y1 && ca.kerf == cs.kerf && cs.y1 + cs.kerf == S.y1 &&
            sep.y1 < cs.y1 &&
            std::abs(ca.x1 - cs.x2) <= k_) {
            const int32_t lo = std::min(ca.x1, cs.x1), hi = std::max(ca.x2, cs.x2);
            if (int64_t{hi} - lo <= M) {
                const int32_t keep = S.cut_bottom, dead = A.cut_bottom;
                cs.x1 = lo;
                cs.x2 = hi;
                if (ca.aux1 >= 0) cs.aux1 = ca.aux1;
                sep.y2 = cs.y1;
                S.x2 = A.x2;
                S.extent_x = S.x2 - S.x1;
                S.cut_right = A.cut_right;
                A = waste2d{};
                A.x1 = A.x2 = S.x1;
                A.y1 = A.y2 = S.y1;
                KillCut(dead, keep);
                return true;
            }
        }
    }
    return false;
}

void guillotine_decoder::KillCut(int32_t dead, int32_t replacement)
{
    ind_.cuts[static_cast<size_t>(dead)].flag = kDeadCut;
    for (int32_t c = 0; c < ind_.cut_count; ++c)
        if (ind_.cuts[static_cast<size_t>(c)].aux1 == dead) ind_.cuts[static_cast<size_t>(c)].aux1 = replacement;
    for (int32_t r = 0; r < ind_.rect_count; ++r) {
        waste2d& w = ind_.rects[static_cast<size_t>(r)];
        if (w.cut_left == dead) w.cut_left = replacement;
        if (w.cut_bottom == dead) w.cut_bottom = replacement;
        if (w.cut_right == dead) w.cut_right = replacement;
        if (w.cut_top == dead) w.cut_top = replacement;
    }
}

void guillotine_decoder::UpdateLargestRectangles()
{
    LargestFreeExtents(ind_, max_x_, max_y_, max_area_);
}

void guillotine_decoder::Finish()
{
    Cut2DXChromosomeGuillotine& I = ind_;
    I.DropEmptyWastes();
    int32_t kept = 0;
    for (int32_t c = 0; c < I.cut_count; ++c) {
        if (I.cuts[static_cast<size_t>(c)].flag == kDeadCut) continue;
        if (kept != c) I.cuts[static_cast<size_t>(kept)] = I.cuts[static_cast<size_t>(c)];
        ++kept;
    }
    I.cut_count = kept;
    I.CompactProfile(in_);
}

}  // namespace

void factor_table::Build(int32_t n)
{
    offsets_.assign(2, 0);
    pairs_.clear();
    for (int32_t i = 1; i <= n; ++i) {
        for (int32_t a = 1; int64_t{a} * a <= i; ++a) {
            if (i % a != 0) continue;
            const int32_t b = i / a;
            pairs_.push_back(a);
            pairs_.push_back(b);
            if (a != b) {
                pairs_.push_back(b);
                pairs_.push_back(a);
            }
        }
        offsets_.push_back(static_cast<int32_t>(pairs_.size()));
    }
}

void decode_input::Build(const std::vector<part2d>& selected, int32_t piece_bound)
{
    pieces = &selected;
    bound = piece_bound;
    const int32_t n = static_cast<int32_t>(selected.size());
    group_of.assign(static_cast<size_t>(n), 0);
    group_start.clear();
    group_end.clear();
    group_identical.clear();
    group_priority.clear();
    for (int32_t i = 0; i < n; ++i) {
        const part2d& p = selected[static_cast<size_t>(i)];
        if (i == 0 || p.priority != selected[static_cast<size_t>(i - 1)].priority) {
            if (i > 0) group_end.push_back(i);
            group_start.push_back(i);
            group_identical.push_back(1);
            group_priority.push_back(p.priority);
        } else {
            const part2d& f = selected[static_cast<size_t>(group_start.back())];
            if (p.length != f.length || p.width != f.width) group_identical.back() = 0;
        }
        group_of[static_cast<size_t>(i)] = static_cast<int32_t>(group_start.size()) - 1;
    }
    if (n > 0) group_end.push_back(n);
    factors.Build(n);
}

void Cut2DXChromosomeGuillotine::Size(int32_t n, int32_t bound, int32_t group_total)
{
    const size_t un = static_cast<size_t>(n);
    order.resize(un);
    turn.resize(un);
    direction.resize(un);
    same_run.resize(un);
    turn_run.resize(un);
    unplaced.resize(un);
    pieces.resize(static_cast<size_t>(bound));
    cuts.resize(static_cast<size_t>(6 * bound + 2));
    rects.resize(static_cast<size_t>(8 * bound + 4));
    profile_key.resize(static_cast<size_t>(group_total));
    profile_area.resize(static_cast<size_t>(group_total));
    group_count = group_total;
    piece_count = cut_count = rect_count = profile_count = 0;
}

void Cut2DXChromosomeGuillotine::DropEmptyWastes()
{
    int32_t kept = 0;
    for (int32_t r = 0; r < rect_count; ++r) {
        const waste2d& w = rects[static_cast<size_t>(r)];
        if (w.extent_x < 1 || w.extent_y < 1) continue;
        waste.Add(w.area());
        if (kept != r) rects[static_cast<size_t>(kept)] = w;
        ++kept;
    }
    rect_count = kept;
}

void Cut2DXChromosomeGuillotine::CompactProfile(const decode_input& in)
{
    // Groups are in ascending priority.
    int32_t pc = 0;
    for (int32_t grp = 0; grp < in.group_count(); ++grp) {
        const double a = profile_area[static_cast<size_t>(grp)];
        if (a <= 0.0) continue;
        profile_area[static_cast<size_t>(pc)] = a;
        profile_key[static_cast<size_t>(pc)] = in.group_priority[static_cast<size_t>(grp)];
        ++pc;
    }
    profile_count = pc;
}

void Cut2DXChromosomeGuillotine::CopyGenomeFrom(const Cut2DXChromosomeGuillotine& o)
{
    std::copy(o.order.begin(), o.order.end(), order.begin());
    std::copy(o.turn.begin(), o.turn.end(), turn.begin());
    std::copy(o.direction.begin(), o.direction.end(), direction.begin());
    std::copy(o.same_run.begin(), o.same_run.end(), same_run.begin());
    std::copy(o.turn_run.begin(), o.turn_run.end(), turn_run.begin());
    variant = o.variant;
}

void Cut2DXChromosomeGuillotine::CopyFrom(const Cut2DXChromosomeGuillotine& o)
{
    CopyGenomeFrom(o);
    length = o.length;
    width = o.width;
    std::copy(o.pieces.begin(), o.pieces.begin() + o.piece_count, pieces.begin());
    piece_count = o.piece_count;
    std::copy(o.cuts.begin(), o.cuts.begin() + o.cut_count, cuts.begin());
    cut_count = o.cut_count;
    std::copy(o.rects.begin(), o.rects.begin() + o.rect_count, rects.begin());
    rect_count = o.rect_count;
    std::copy(o.unplaced.begin(), o.unplaced.end(), unplaced.begin());
    used_area = o.used_area;
    waste = o.waste;
    used_length = o.used_length;
    used_width = o.used_width;
    std::copy(o.profile_key.begin(), o.profile_key.begin() + o.profile_count, profile_key.begin());
    std::copy(o.profile_area.begin(), o.profile_area.begin() + o.profile_count, profile_area.begin());
    profile_count = o.profile_count;
    remnant_rule = o.remnant_rule;
    group_count = o.group_count;
}

void Cut2DXChromosomeGuillotine::RecomputeRuns(const std::vector<part2d>& p)
{
    const int32_t n = static_cast<int32_t>(order.size());
    if (n == 0) return;
    auto extents = [&](int32_t id, int32_t& x, int32_t& y) {
        const part2d& r = p[static_cast<size_t>(id)];
        const bool t = turn[static_cast<size_t>(id)] != 0;
        x = t ? r.width : r.length;
        y = t ? r.length : r.width;
    };
    same_run[static_cast<size_t>(n - 1)] = 1;
    turn_run[static_cast<size_t>(n - 1)] = 1;
    for (int32_t pos = n - 2; pos >= 0; --pos) {
        const int32_t a = order[static_cast<size_t>(pos)], b = order[static_cast<size_t>(pos + 1)];
        int32_t ax, ay, bx, by;
        extents(a, ax, ay);
        extents(b, bx, by);
        const size_t s = static_cast<size_t>(pos);
        same_run[s] = (ax == bx && ay == by) ? same_run[s + 1] + 1 : 1;
        const part2d& pa = p[static_cast<size_t>(a)];
        const part2d& pb = p[static_cast<size_t>(b)];
        const bool turnable = pa.may_rotate == 1 && pb.may_rotate == 1 &&
                              ((pa.length == pb.length && pa.width == pb.width) ||
                               (pa.length == pb.width && pa.width == pb.length));
        turn_run[s] = turnable ? turn_run[s + 1] + 1 : 1;
    }
}

void DecodeGuillotine(Cut2DXChromosomeGuillotine& ind, const decode_input& in, const sheet_geometry& g)
{
    guillotine_decoder d(ind, in, g);
    d.Run();
}

int64_t GuillotineDecodeCount() { return g_decode_count.load(std::memory_order_relaxed); }

#include "staged_decoder.h"

#include <algorithm>
#include <numeric>

namespace {

// How many piece sizes that follow in the order the strip-filling routine weighs for each line.
constexpr int32_t kFillWindow = 24;

// A line of identical pieces offered for one rectangle.
struct line_plan {
    bool valid = false;
    int32_t rect = -1;
    int32_t stage = 0;       // stage of the cuts that separate the line's strip; one above the rectangle's when promoted
    bool promoted = false;   // the rectangle is taken as a single strip of the next stage
    bool turned = false;
    int32_t count = 0;       // pieces in the line
    int32_t pu = 0, pv = 0;  // piece extents along and across the line
    int64_t rect_area = 0;
    int64_t large_leftover = 0, small_leftover = 0;
    int64_t exact_only = 0;  // leftover area in the last stage, where only exact fits go
};

class staged_decoder {
public:
    staged_decoder(Cut2DXChromosomeNStages& ind, const decode_input& in, const sheet_geometry& g, const staged_rules& r)
        : ind_(ind), in_(in), g_(g), r_(r), pieces_(*in.pieces), k_(g.kerf), last_stage_(std::max(r.stages, 1) - 1),
          final_strip_(FinalStripStage(r.stages))
    {
    }

    void Run();

private:
    bool AlongX(int32_t stage) const { return ((stage + r_.first_direction) & 1) == 0; }
    int32_t GatherLine(int32_t f, bool turned);
    line_plan FindLine(int32_t f, int32_t from_rect, bool main_walk);
    void TryRectangle(int32_t r, bool main_walk, bool turned, int32_t px, int32_t py, int32_t available,
                      line_plan& best) const;
    bool Offer(const line_plan& c, const line_plan& best) const;
    void Place(const line_plan& plan);
    int32_t AddRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t stage, uint8_t flag);
    void AddCut(bool along_x, int32_t at, int32_t from, int32_t to, int32_t kerf, int32_t stage);
    void Finish();
    void UpdateLargest();

    Cut2DXChromosomeNStages& ind_;
    const decode_input& in_;
    const sheet_geometry& g_;
    const staged_rules& r_;
    const std::vector<part2d>& pieces_;
    const int32_t k_;
    const int32_t last_stage_;
    const int32_t final_strip_;
    int32_t q_ = 0;  // piece at the current order position
    int32_t max_x_ = 0, max_y_ = 0;  // largest extents over the free rectangles
    int64_t max_area_ = 0;
    // The last piece size no rectangle took; it stays refused until a line is placed.
    int32_t refused_x_ = -1, refused_y_ = -1, refused_from_ = -1;
    bool refused_main_ = false, refused_turn_ = false;
};

void staged_decoder::UpdateLargest()
{
    LargestFreeExtents(ind_, max_x_, max_y_, max_area_);
    refused_x_ = refused_y_ = -1;
}

int32_t staged_decoder::AddRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t stage, uint8_t flag)
{
    const size_t i = static_cast<size_t>(ind_.rect_count);
    if (i >= ind_.rects.size()) return -1;  // cannot happen: sized for the worst case
    ind_.rects[i] = waste2d::Spanning(x1, y1, x2, y2);
    ind_.rect_stage[i] = stage;
    ind_.rect_flag[i] = flag;
    return ind_.rect_count++;
}

void staged_decoder::AddCut(bool along_x, int32_t at, int32_t from, int32_t to, int32_t kerf, int32_t stage)
{
    if (static_cast<size_t>(ind_.cut_count) >= ind_.cuts.size()) return;  // cannot happen: sized for the worst case
    cut2d& c = ind_.cuts[static_cast<size_t>(ind_.cut_count++)];
    c = cut2d{};
    if (along_x) {
        c.x1 = from;
        c.x2 = to;
        c.y1 = c.y2 = at;
    } else {
        c.y1 = from;
        c.y2 = to;
        c.x1 = c.x2 = at;
    }
    c.kerf = kerf;
    c.stage = stage;
}

// Collects the unplaced order positions of the run at f that may form one line; gives their number.
int32_t staged_decoder::GatherLine(int32_t f, bool turned)
{
    const size_t sf = static_cast<size_t>(f);
    int32_t run = ind_.same_run[sf];
    if (turned) run = std::min(run, ind_.turn_run[sf]);
    const int32_t room = in_.bound - ind_.piece_count;
    int32_t count = 0;
    for (int32_t pos = f; pos < f + run && count < room; ++pos) {
        const int32_t pid = ind_.order[static_cast<size_t>(pos)];
        if (!ind_.unplaced[static_cast<size_t>(pid)]) continue;
        ind_.line[static_cast<size_t>(count++)] = pos;
    }
    return count;
}

void staged_decoder::TryRectangle(int32_t r, bool main_walk, bool turned, int32_t px, int32_t py, int32_t available,
                                  line_plan& best) const
{
    const waste2d& R = ind_.rects[static_cast<size_t>(r)];
    if (R.extent_x < 1 || R.extent_y < 1) return;
    if (px > R.extent_x || py > R.extent_y) return;
    const int32_t s = ind_.rect_stage[static_cast<size_t>(r)];
    const uint8_t flag = ind_.rect_flag[static_cast<size_t>(r)];
    const rect_i32 rr{R.x1, R.y1, R.x2, R.y2};
    const edge_margins em = MarginsFor(g_, rr);
    const bool untouched_sheet = s == 0 && R.x1 == 0 && R.y1 == 0 && R.x2 == g_.length && R.y2 == g_.width;
    bool row_found = false;
    for (int32_t option = 0; option < 2; ++option) {
        const bool promoted = option == 1;
        // The untouched sheet keeps the first direction for its first cuts.
        if (promoted && (untouched_sheet || (r_.rows_first && row_found))) continue;
        const int32_t t = s + option;
        if (t > last_stage_) continue;
        if (main_walk && r_.routine == 1) {
            // The strip-filling routine opens lines only where their strip can still take more pieces.
            if (r_.stages == 1 ? (flag != 0) : (t + 1 > last_stage_)) continue;
        }
        if (r_.same_height && t > final_strip_) continue;
        const bool ux = AlongX(t);
        const int32_t ext_u = ux ? R.extent_x : R.extent_y;
        const int32_t ext_v = ux ? R.extent_y : R.extent_x;
        const int32_t ou = ux ? em.t : em.m;
        const int32_t ov = ux ? em.m : em.t;
        const bool far_u = ux ? em.xL : em.yW;
        const int32_t far_u_margin = ux ? em.u : em.v;
        const int32_t pu = ux ? px : py;
        const int32_t pv = ux ? py : px;
        // No piece reaches into a far trim.
        const int32_t trim_u = far_u ? (ux ? g_.trim_xL : g_.trim_yW) : 0;
        const bool far_v = ux ? em.yW : em.xL;
        const int32_t trim_v = far_v ? (ux ? g_.trim_yW : g_.trim_xL) : 0;
        const int32_t rest_v = ext_v - ov - pv;
        if (rest_v < trim_v || ext_u - ou - trim_u < pu) continue;
        // Cuts of stage t run across the rectangle, those of stage t + 1 across the line's strip.
        if ((rest_v > 0 || ov > 0) && ext_u > g_.max_cut) continue;
        // A rectangle of the last stage still takes a line: the cuts that part its pieces (or trim them) are
        // the layout's final ones.
        const bool next_possible = pv <= g_.max_cut;
        if (r_.same_height && t == final_strip_) {
            const int32_t reference = ext_u - ou - (far_u ? far_u_margin : 0);
            if (reference - pu > r_.height_tolerance) continue;
        }
        int32_t most = static_cast<int32_t>((int64_t{ext_u} - ou - trim_u + k_) / (int64_t{pu} + k_));
        most = std::min(most, available);
        if (!next_possible) most = std::min(most, 1);
        for (int32_t count = most; count >= 1; --count) {
            const int64_t lu = int64_t{count} * pu + int64_t{count - 1} * k_;
            const int64_t rest_u = ext_u - ou - lu;
            if (rest_u < trim_u) continue;
            const bool needs_next = count > 1 || rest_u > 0 || ou > 0;
            if (needs_next && !next_possible) continue;
            const int32_t lx = static_cast<int32_t>(ux ? lu : pv), ly = static_cast<int32_t>(ux ? pv : lu);
            if (!FitsFreeRectangle(g_, rr, lx, ly, R.x1, R.y1, true)) continue;
            line_plan c;
            c.valid = true;
            c.rect = r;
            c.stage = t;
            c.promoted = promoted;
            c.turned = turned;
            c.count = count;
            c.pu = pu;
            c.pv = pv;
            c.rect_area = int64_t{R.extent_x} * R.extent_y;
            const int64_t rest_area = rest_v > k_ ? int64_t{ext_u} * (rest_v - k_) : 0;
            const int64_t strip_area = rest_u > k_ ? (rest_u - k_) * pv : 0;
            c.large_leftover = std::max(rest_area, strip_area);
            c.small_leftover = std::min(rest_area, strip_area);
            // Trim zones: what a line in the last stage leaves beside its pieces takes nothing more.
            // (The remainder of a first-stage strip is no trim zone: it takes more pieces of its height.)
            c.exact_only = t >= 1 && t == last_stage_ ? strip_area : 0;
            if (Offer(c, best)) best = c;
            row_found = !promoted;
            break;
        }
    }
}

// Less trim zone first, then the smaller rectangle; in one rectangle the split that keeps the larger leftover as
// large as possible.
bool staged_decoder::Offer(const line_plan& c, const line_plan& best) const
{
    if (!best.valid) return true;
    if (c.exact_only != best.exact_only) return c.exact_only < best.exact_only;
    if (c.rect_area != best.rect_area) return c.rect_area < best.rect_area;
    if (c.large_leftover != best.large_leftover) return c.large_leftover > best.large_leftover;
    if (c.small_leftover != best.small_leftover) return c.small_leftover < best.small_leftover;
    if (c.count != best.count) return c.count > best.count;
    if (c.rect == best.rect && c.promoted != best.promoted)
        return c.promoted == (ind_.direction[static_cast<size_t>(q_)] != 0);
    return false;
}

line_plan staged_decoder::FindLine(int32_t f, int32_t from_rect, bool main_walk)
{
    line_plan best;
    q_ = ind_.order[static_cast<size_t>(f)];
    const part2d& p = pieces_[static_cast<size_t>(q_)];
    const bool t = ind_.turn[static_cast<size_t>(q_)] != 0;
    const int32_t px = t ? p.width : p.length, py = t ? p.length : p.width;
    const bool may_turn = p.may_rotate == 1 && px != py;
    // Most pieces fit nowhere once the sheet fills up: refuse them without a scan.
    const bool room = (px <= max_x_ && py <= max_y_) || (may_turn && py <= max_x_ && px <= max_y_);
    if (!room || int64_t{px} * py > max_area_) return best;
    if (px == refused_x_ && py == refused_y_ && may_turn == refused_turn_ && from_rect == refused_from_ &&
        main_walk == refused_main_)
        return best;
    int32_t available = GatherLine(f, false);
    if (available < 1) return best;
    for (int32_t r = from_rect; r < ind_.rect_count; ++r) TryRectangle(r, main_walk, false, px, py, available, best);
    auto refuse = [&] {
        refused_x_ = px;
        refused_y_ = py;
        refused_turn_ = may_turn;
        refused_from_ = from_rect;
        refused_main_ = main_walk;
    };
    if (!may_turn) {
        if (!best.valid) refuse();
        return best;
    }
    // The turned piece competes too: an exact fit in a small rectangle beats a loose one elsewhere.
    available = GatherLine(f, true);
    for (int32_t r = from_rect; r < ind_.rect_count; ++r) TryRectangle(r, main_walk, true, py, px, available, best);
    if (!best.valid) refuse();
    if (best.valid && !best.turned) GatherLine(f, false);
    return best;
}

void staged_decoder::Place(const line_plan& plan)
{
    Cut2DXChromosomeNStages& I = ind_;
    const size_t ri = static_cast<size_t>(plan.rect);
    const waste2d R = I.rects[ri];
    const uint8_t flag = plan.promoted ? 1 : I.rect_flag[ri];
    const int32_t t = plan.stage;
    const bool ux = AlongX(t);
    const edge_margins em = MarginsFor(g_, rect_i32{R.x1, R.y1, R.x2, R.y2});
    const int32_t u1 = ux ? R.x1 : R.y1, u2 = ux ? R.x2 : R.y2;
    const int32_t v1 = ux ? R.y1 : R.x1, v2 = ux ? R.y2 : R.x2;
    const int32_t ou = ux ? em.t : em.m;
    const int32_t ov = ux ? em.m : em.t;
    // Rectangles and pieces given in line axes.
    auto add_rect = [&](int32_t a1, int32_t b1, int32_t a2, int32_t b2, int32_t stage, uint8_t fl) {
        return ux ? AddRect(a1, b1, a2, b2, stage, fl) : AddRect(b1, a1, b2, a2, stage, fl);
    };
    auto cut_along_u = [&](int32_t at, int32_t from, int32_t to, int32_t kerf, int32_t stage) {
        AddCut(ux, at, from, to, kerf, stage);
    };
    auto cut_along_v = [&](int32_t at, int32_t from, int32_t to, int32_t kerf, int32_t stage) {
        AddCut(!ux, at, from, to, kerf, stage);
    };

    // The strip across the rectangle that holds the line, cut off by cuts of stage t.
    if (ov > 0) {
        cut_along_u(v1 + ov - k_, u1, u2, k_, t);
        if (ov - k_ >= 1) add_rect(u1, v1, u2, v1 + ov - k_, t + 1, 1);
    }
    const int32_t sv1 = v1 + ov, sv2 = sv1 + plan.pv;
    const int32_t rest_v = v2 - sv2;
    if (rest_v > 0) cut_along_u(sv2, u1, u2, std::min(k_, rest_v), t);
    waste2d& rest = I.rects[ri];
    if (rest_v > k_) {
        if (ux) {
            rest.y1 = sv2 + k_;
        } else {
            rest.x1 = sv2 + k_;
        }
        rest.extent_x = rest.x2 - rest.x1;
        rest.extent_y = rest.y2 - rest.y1;
        I.rect_stage[ri] = t;
        I.rect_flag[ri] = flag;
    } else {
        rest = waste2d{};
        rest.x1 = rest.x2 = R.x1;
        rest.y1 = rest.y2 = R.y1;
    }

    // Inside the strip the pieces are parted by cuts of stage t + 1.
    if (ou > 0) {
        cut_along_v(u1 + ou - k_, sv1, sv2, k_, t + 1);
        if (ou - k_ >= 1) add_rect(u1, sv1, u1 + ou - k_, sv2, t + 1, 1);
    }
    if (plan.turned)
        for (int32_t j = 0; j < plan.count; ++j)
            I.turn[static_cast<size_t>(I.order[static_cast<size_t>(I.line[static_cast<size_t>(j)])])] ^= 1;
    I.direction[static_cast<size_t>(q_)] = plan.promoted ? 1 : 0;
    int32_t su = u1 + ou;
    for (int32_t j = 0; j < plan.count; ++j) {
        const int32_t pid = I.order[static_cast<size_t>(I.line[static_cast<size_t>(j)])];
        const part2d& p = pieces_[static_cast<size_t>(pid)];
        placed_piece2d& pp = I.pieces[static_cast<size_t>(I.piece_count++)];
        if (ux) {
            pp.x1 = su;
            pp.x2 = su + plan.pu;
            pp.y1 = sv1;
            pp.y2 = sv2;
        } else {
            pp.y1 = su;
            pp.y2 = su + plan.pu;
            pp.x1 = sv1;
            pp.x2 = sv2;
        }
        pp.extent_x = pp.x2 - pp.x1;
        pp.extent_y = pp.y2 - pp.y1;
        pp.turned = static_cast<int8_t>((I.turn[static_cast<size_t>(pid)] + p.turned) & 1);
        pp.piece_index = pid;
        pp.data = p.data;
        I.unplaced[static_cast<size_t>(pid)] = 0;
        const double a = static_cast<double>(plan.pu) * plan.pv;
        I.used_area += a;
        I.profile_area[static_cast<size_t>(in_.group_of[static_cast<size_t>(pid)])] += a;
        I.used_length = std::max(I.used_length, pp.x2);
        I.used_width = std::max(I.used_width, pp.y2);
        su += plan.pu;
        if (j + 1 < plan.count) {
            cut_along_v(su, sv1, sv2, k_, t + 1);
            su += k_;
        }
    }
    const int32_t rest_u = u2 - su;
    if (rest_u > 0) cut_along_v(su, sv1, sv2, std::min(k_, rest_u), t + 1);
    if (rest_u > k_) add_rect(su + k_, sv1, u2, sv2, t + 1, 1);
    // A strip of the first stage runs over the whole sheet.
    if (t == 0 && !plan.promoted) {
        if (ux)
            I.used_length = std::max(I.used_length, u2);
        else
            I.used_width = std::max(I.used_width, u2);
    }
}

void staged_decoder::Run()
{
    Cut2DXChromosomeNStages& I = ind_;
    const int32_t n = in_.count();
    I.piece_count = 0;
    I.cut_count = 0;
    I.rect_count = 0;
    I.used_area = 0.0;
    I.used_length = I.used_width = 0;
    I.waste = waste_ranking{};
    I.first_direction = static_cast<uint8_t>(r_.first_direction);
    std::fill(I.unplaced.begin(), I.unplaced.begin() + n, uint8_t{1});
    std::fill(I.profile_area.begin(), I.profile_area.end(), 0.0);
    AddRect(0, 0, g_.length, g_.width, 0, 0);
    UpdateLargest();

    for (int32_t f = 0; f < n && I.piece_count < in_.bound; ++f) {
        if (!I.unplaced[static_cast<size_t>(I.order[static_cast<size_t>(f)])]) continue;
        const line_plan plan = FindLine(f, 0, true);
        if (!plan.valid) continue;
        const int32_t strip_rects = I.rect_count;
        Place(plan);
        UpdateLargest();
        if (r_.routine != 1) continue;
        // Fill the strip just opened: each time with the line of the pieces that follow in the order that
        // leaves the least trim zone and covers the most area.
        while (I.piece_count < in_.bound && strip_rects < I.rect_count) {
            int32_t chosen = -1;
            line_plan fill;
            int32_t last_x = -1, last_y = -1;
            int32_t sizes_seen = 0;
            for (int32_t j = f + 1; j < n && sizes_seen < kFillWindow; ++j) {
                const int32_t pid = I.order[static_cast<size_t>(j)];
                if (!I.unplaced[static_cast<size_t>(pid)]) continue;
                const part2d& p = pieces_[static_cast<size_t>(pid)];
                if (p.length == last_x && p.width == last_y) continue;  // the same size gives the same line
                last_x = p.length;
                last_y = p.width;
                ++sizes_seen;
                const line_plan c = FindLine(j, strip_rects, false);
                if (!c.valid) continue;
                const int64_t area = int64_t{c.count} * c.pu * c.pv, best_area = int64_t{fill.count} * fill.pu * fill.pv;
                if (chosen < 0 || c.exact_only < fill.exact_only || (c.exact_only == fill.exact_only && area > best_area)) {
                    chosen = j;
                    fill = c;
                }
            }
            if (chosen < 0) break;
            FindLine(chosen, strip_rects, false);  // gathers the line's positions again
            Place(fill);
            UpdateLargest();
        }
    }
    Finish();
}

void staged_decoder::Finish()
{
    ind_.DropEmptyWastes();
    ind_.CompactProfile(in_);
}

// ---------------------------------------------------------------------------------------------------------------

struct level_walk {
    const std::vector<cut2d>& cuts;
    int32_t first_direction;
    std::vector<cut2d> out;

    bool Walk(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t level, int32_t empty_levels,
              const std::vector<int32_t>& inside)
    {
        if (inside.empty()) return true;
        if (empty_levels >= 2 || level > 100000) return false;
        const bool along_x = ((level + first_direction) & 1) == 0;
        std::vector<int32_t> across;
        for (int32_t i : inside) {
            const cut2d& c = cuts[static_cast<size_t>(i)];
            if (along_x ? (c.y1 == c.y2 && c.x1 == x1 && c.x2 == x2 && c.y1 >= y1 && c.y1 < y2)
                        : (c.x1 == c.x2 && c.y1 == y1 && c.y2 == y2 && c.x1 >= x1 && c.x1 < x2))
                across.push_back(i);
        }
        if (across.empty()) return Walk(x1, y1, x2, y2, level + 1, empty_levels + 1, inside);
        auto at = [&](int32_t i) { return along_x ? cuts[static_cast<size_t>(i)].y1 : cuts[static_cast<size_t>(i)].x1; };
        std::sort(across.begin(), across.end(), [&](int32_t a, int32_t b) { return at(a) < at(b); });
        for (int32_t i : across) {
            out.push_back(cuts[static_cast<size_t>(i)]);
            out.back().stage = level;
        }
        // The parts between the cuts, each with the cuts that lie inside it.
        const size_t parts = across.size() + 1;
        std::vector<std::vector<int32_t>> part_cuts(parts);
        std::vector<int32_t> lo(parts), hi(parts);
        lo[0] = along_x ? y1 : x1;
        for (size_t j = 0; j < across.size(); ++j) {
            hi[j] = at(across[j]);
            lo[j + 1] = at(across[j]) + cuts[static_cast<size_t>(across[j])].kerf;
        }
        hi[parts - 1] = along_x ? y2 : x2;
        for (int32_t i : inside) {
            if (std::find(across.begin(), across.end(), i) != across.end()) continue;
            const cut2d& c = cuts[static_cast<size_t>(i)];
            int64_t from, to;
            if (along_x) {
                from = c.y1;
                to = c.y1 == c.y2 ? int64_t{c.y1} + c.kerf : c.y2;
            } else {
                from = c.x1;
                to = c.x1 == c.x2 ? int64_t{c.x1} + c.kerf : c.x2;
            }
            size_t j = 0;
            while (j < parts && !(from >= lo[j] && to <= hi[j])) ++j;
            if (j == parts) return false;
            part_cuts[j].push_back(i);
        }
        for (size_t j = 0; j < parts; ++j) {
            const bool ok = along_x ? Walk(x1, lo[j], x2, hi[j], level + 1, 0, part_cuts[j])
                                    : Walk(lo[j], y1, hi[j], y2, level + 1, 0, part_cuts[j]);
            if (!ok) return false;
        }
        return true;
    }
};

}  // namespace

void Cut2DXChromosomeNStages::SizeStaged(int32_t n, int32_t bound, int32_t group_total)
{
    Size(n, bound, group_total);
    // A line of c pieces makes at most c + 3 cuts and 3 rectangles.
    cuts.resize(static_cast<size_t>(4 * bound + 4));
    rects.resize(static_cast<size_t>(4 * bound + 4));
    rect_stage.resize(rects.size());
    rect_flag.resize(rects.size());
    line.resize(static_cast<size_t>(std::max(n, 1)));
    variant = 0;
}

void DecodeStaged(Cut2DXChromosomeNStages& ind, const decode_input& in, const sheet_geometry& g, const staged_rules& rules)
{
    staged_decoder d(ind, in, g, rules);
    d.Run();
}

int32_t FinalStripStage(int32_t stages) { return std::max(1, stages - 2); }

bool NumberStages(std::vector<cut2d>& cuts, int32_t length, int32_t width, int32_t first_direction, bool by_level)
{
    level_walk walk{cuts, first_direction, {}};
    std::vector<int32_t> all(cuts.size());
    std::iota(all.begin(), all.end(), 0);
    if (!walk.Walk(0, 0, length, width, 0, 0, all) || walk.out.size() != cuts.size()) return false;
    if (by_level)
        std::stable_sort(walk.out.begin(), walk.out.end(),
                         [](const cut2d& a, const cut2d& b) { return a.stage < b.stage; });
    cuts = std::move(walk.out);
    return true;
}

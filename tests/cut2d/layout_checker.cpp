#include "layout_checker.h"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace {

struct rect64 {
    int64_t x1, y1, x2, y2;
    int64_t area() const { return (x2 - x1) * (y2 - y1); }
};

bool Overlap(const rect64& a, const rect64& b)
{
    return a.x1 < b.x2 && b.x1 < a.x2 && a.y1 < b.y2 && b.y1 < a.y2;
}

std::string RectText(const rect64& r)
{
    std::ostringstream s;
    s << "(" << r.x1 << "," << r.y1 << ")-(" << r.x2 << "," << r.y2 << ")";
    return s.str();
}

class guillotine_walk {
public:
    guillotine_walk(const sheet_check& s, std::vector<std::string>& out) : s_(s), out_(out)
    {
        for (const check_piece& p : s.pieces) pieces_.push_back(rect64{p.x1, p.y1, p.x2, p.y2});
        for (const check_rect& w : s.wastes) wastes_.push_back(rect64{w.x1, w.y1, w.x2, w.y2});
    }

    void Walk(const rect64& r, std::vector<int> cuts, std::vector<int> pieces, std::vector<int> wastes)
    {
        if (out_.size() > 20) return;
        // A cut that runs straight across the whole rectangle divides it.
        int split = -1;
        for (int c : cuts) {
            const check_cut& k = s_.cuts[static_cast<size_t>(c)];
            const bool horizontal = k.y1 == k.y2;
            if (horizontal ? (k.x1 == r.x1 && k.x2 == r.x2 && k.y1 >= r.y1 && k.y1 <= r.y2)
                           : (k.y1 == r.y1 && k.y2 == r.y2 && k.x1 >= r.x1 && k.x1 <= r.x2)) {
                split = c;
                break;
            }
        }
        if (split < 0) {
            if (!cuts.empty()) {
                const check_cut& k = s_.cuts[static_cast<size_t>(cuts.front())];
                out_.push_back("cut " + RectText(rect64{k.x1, k.y1, k.x2, k.y2}) +
                               " does not run across the rectangle " + RectText(r) + " it lies in");
                return;
            }
            Leaf(r, pieces, wastes);
            return;
        }
        const check_cut& k = s_.cuts[static_cast<size_t>(split)];
        const bool horizontal = k.y1 == k.y2;
        const int64_t at = horizontal ? k.y1 : k.x1;
        const int64_t beyond = at + k.kerf;
        const int64_t far_edge = horizontal ? r.y2 : r.x2;
        if (beyond > far_edge) {
            out_.push_back("kerf of cut " + RectText(rect64{k.x1, k.y1, k.x2, k.y2}) + " leaves the rectangle");
            return;
        }
        const int64_t near_edge = horizontal ? r.y1 : r.x1;
        // A narrower cut only takes off what is left at one edge of its rectangle.
        if (k.kerf < s_.kerf && beyond < far_edge && at > near_edge)
            out_.push_back("cut " + RectText(rect64{k.x1, k.y1, k.x2, k.y2}) + " is narrower than the kerf inside material");
        rect64 before = r, after = r;
        if (horizontal) {
            before.y2 = at;
            after.y1 = beyond;
        } else {
            before.x2 = at;
            after.x1 = beyond;
        }
        std::vector<int> cb, ca, pb, pa, wb, wa;
        auto side = [&](int64_t lo, int64_t hi) { return hi <= at ? 0 : (lo >= beyond ? 1 : -1); };
        for (int c : cuts) {
            if (c == split) continue;
            const check_cut& d = s_.cuts[static_cast<size_t>(c)];
            const bool dh = d.y1 == d.y2;
            int where;
            if (horizontal)
                where = dh ? side(d.y1, int64_t{d.y1} + d.kerf) : side(d.y1, d.y2);
            else
                where = dh ? side(d.x1, d.x2) : side(d.x1, int64_t{d.x1} + d.kerf);
            if (where < 0) {
                out_.push_back("cut " + RectText(rect64{d.x1, d.y1, d.x2, d.y2}) + " crosses cut " +
                               RectText(rect64{k.x1, k.y1, k.x2, k.y2}));
                continue;
            }
            (where == 0 ? cb : ca).push_back(c);
        }
        auto distribute = [&](const std::vector<int>& items, const std::vector<rect64>& rects, std::vector<int>& b,
                              std::vector<int>& a, const char* what) {
            for (int i : items) {
                const rect64& q = rects[static_cast<size_t>(i)];
                const int where = horizontal ? side(q.y1, q.y2) : side(q.x1, q.x2);
                if (where < 0) {
                    out_.push_back(std::string(what) + " " + RectText(q) + " crosses cut " +
                                   RectText(rect64{k.x1, k.y1, k.x2, k.y2}) + " or its kerf");
                    continue;
                }
                (where == 0 ? b : a).push_back(i);
            }
        };
        distribute(pieces, pieces_, pb, pa, "piece");
        distribute(wastes, wastes_, wb, wa, "waste");
        Walk(before, cb, pb, wb);
        Walk(after, ca, pa, wa);
    }

private:
    void Leaf(const rect64& r, const std::vector<int>& pieces, const std::vector<int>& wastes)
    {
        if (pieces.size() > 1) {
            out_.push_back("pieces " + RectText(pieces_[static_cast<size_t>(pieces[0])]) + " and " +
                           RectText(pieces_[static_cast<size_t>(pieces[1])]) + " are not separated by a cut");
            return;
        }
        std::vector<rect64> items;
        for (int p : pieces) items.push_back(pieces_[static_cast<size_t>(p)]);
        for (int w : wastes) items.push_back(wastes_[static_cast<size_t>(w)]);
        int64_t area = 0;
        for (size_t i = 0; i < items.size(); ++i) {
            area += items[i].area();
            for (size_t j = i + 1; j < items.size(); ++j)
                if (Overlap(items[i], items[j])) {
                    out_.push_back("rectangles " + RectText(items[i]) + " and " + RectText(items[j]) + " overlap");
                    return;
                }
        }
        if (area != r.area())
            out_.push_back("region " + RectText(r) + " is not covered by its pieces and wastes");
    }

    const sheet_check& s_;
    std::vector<std::string>& out_;
    std::vector<rect64> pieces_, wastes_;
};

}  // namespace

std::vector<std::string> CheckSheetLayout(const sheet_check& s)
{
    std::vector<std::string> out;
    const rect64 usable{s.trim_x0, s.trim_y0, int64_t{s.length} - s.trim_xL, int64_t{s.width} - s.trim_yW};
    for (const check_piece& p : s.pieces) {
        const rect64 r{p.x1, p.y1, p.x2, p.y2};
        if (r.x1 < usable.x1 || r.y1 < usable.y1 || r.x2 > usable.x2 || r.y2 > usable.y2)
            out.push_back("piece " + RectText(r) + " lies outside the sheet or in a trim");
        const int64_t ex = r.x2 - r.x1, ey = r.y2 - r.y1;
        const int64_t want_x = p.turned ? p.width : p.length, want_y = p.turned ? p.length : p.width;
        if (ex != want_x || ey != want_y) out.push_back("piece " + RectText(r) + " does not have its size");
        if (p.turned && p.rule == turn_rule::never) out.push_back("piece " + RectText(r) + " is turned against its grain");
        if (!p.turned && p.rule == turn_rule::always && p.length != p.width)
            out.push_back("piece " + RectText(r) + " should be turned for its grain");
    }
    double cut_length = 0.0, kerf_area = 0.0;
    for (const check_cut& c : s.cuts) {
        const rect64 r{c.x1, c.y1, c.x2, c.y2};
        if ((c.x1 != c.x2) == (c.y1 != c.y2)) out.push_back("cut " + RectText(r) + " is not straight along x or y");
        if (c.x1 > c.x2 || c.y1 > c.y2) out.push_back("cut " + RectText(r) + " has its ends reversed");
        if (c.x1 < 0 || c.y1 < 0 || c.x2 > s.length || c.y2 > s.width) out.push_back("cut " + RectText(r) + " leaves the sheet");
        if (c.kerf < 0 || c.kerf > s.kerf) out.push_back("cut " + RectText(r) + " has a wrong kerf");
        const double len = std::abs(c.x2 - c.x1) + std::abs(c.y2 - c.y1);
        if (s.max_cut > 0 && len > static_cast<double>(s.max_cut))
            out.push_back("cut " + RectText(r) + " is longer than the maximal cut length");
        cut_length += len;
        kerf_area += len * c.kerf;
    }
    double waste_area = 0.0, piece_area = 0.0;
    for (const check_rect& w : s.wastes) {
        const rect64 r{w.x1, w.y1, w.x2, w.y2};
        if (r.x2 - r.x1 < 1 || r.y2 - r.y1 < 1) out.push_back("waste " + RectText(r) + " is empty");
        if (r.x1 < 0 || r.y1 < 0 || r.x2 > s.length || r.y2 > s.width) out.push_back("waste " + RectText(r) + " leaves the sheet");
        waste_area += static_cast<double>(r.area());
    }
    for (const check_piece& p : s.pieces) piece_area += static_cast<double>(p.x2 - p.x1) * (p.y2 - p.y1);
    if (std::fabs(piece_area + waste_area + kerf_area - static_cast<double>(s.length) * s.width) > 0.5)
        out.push_back("pieces, wastes and kerfs do not add up to the sheet area");
    if (s.reported_pieces != static_cast<int32_t>(s.pieces.size())) out.push_back("reported piece count differs");
    if (s.reported_cuts != static_cast<int32_t>(s.cuts.size())) out.push_back("reported cut count differs");
    if (s.reported_wastes != static_cast<int32_t>(s.wastes.size())) out.push_back("reported waste count differs");
    if (std::fabs(s.reported_waste_area - waste_area) > 0.01) out.push_back("reported waste area differs");
    if (std::fabs(s.reported_cut_length - cut_length) > 0.01) out.push_back("reported cut length differs");
    if (!out.empty()) return out;

    std::vector<int> cuts(s.cuts.size()), pieces(s.pieces.size()), wastes(s.wastes.size());
    for (size_t i = 0; i < cuts.size(); ++i) cuts[i] = static_cast<int>(i);
    for (size_t i = 0; i < pieces.size(); ++i) pieces[i] = static_cast<int>(i);
    for (size_t i = 0; i < wastes.size(); ++i) wastes[i] = static_cast<int>(i);
    guillotine_walk walk(s, out);
    walk.Walk(rect64{0, 0, s.length, s.width}, cuts, pieces, wastes);
    return out;
}

void LoadJob(TCut2D& cut, const cut_job& job)
{
    cut.set_BladeWidth(job.kerf);
    if (job.max_cut > 0) cut.set_MaximalCutLength(job.max_cut);
    if (job.length_breakage >= 0) cut.set_MinimalLengthBreakage(job.length_breakage);
    if (job.width_breakage >= 0) cut.set_MinimalWidthBreakage(job.width_breakage);
    cut.set_OptimizationLevel(job.optimization_level);
    cut.set_RandomSeed(job.seed);
    cut.set_NumberOfDemandPieces(static_cast<int32_t>(job.pieces.size()));
    for (size_t i = 0; i < job.pieces.size(); ++i) {
        const job_piece& p = job.pieces[i];
        const user_data d{static_cast<int32_t>(i), static_cast<int32_t>(i)};
        if (p.grain >= 0)
            cut.SetDemandPieceWithGrain(static_cast<int32_t>(i), p.length, p.width, p.grain, d, p.priority);
        else
            cut.SetDemandPiece(static_cast<int32_t>(i), p.length, p.width, p.may_rotate, d, p.priority);
    }
    cut.set_NumberOfRepositoryPieces(static_cast<int32_t>(job.stock.size()));
    for (size_t i = 0; i < job.stock.size(); ++i) {
        const job_stock& s = job.stock[i];
        const user_data d{static_cast<int32_t>(1000 + i), static_cast<int32_t>(i)};
        if (s.grain >= 0)
            cut.SetRepositoryPieceWithGrain(static_cast<int32_t>(i), s.length, s.width, s.trim_y0, s.trim_x0, s.trim_yW,
                                            s.trim_xL, d, s.priority, 0, s.grain, 0.0);
        else
            cut.SetRepositoryPiece(static_cast<int32_t>(i), s.length, s.width, s.trim_y0, s.trim_x0, s.trim_yW,
                                   s.trim_xL, d, s.priority, 0, 0.0);
    }
}

namespace {

turn_rule RuleFor(const job_piece& p, const job_stock& s)
{
    // Without grain on both sides the piece's own rotation flag decides.
    if (s.grain < 0 || p.grain < 0) return (p.grain < 0 && p.may_rotate == 1) ? turn_rule::any : turn_rule::never;
    if (p.grain == 0 || s.grain == 0) return turn_rule::any;
    return p.grain == s.grain ? turn_rule::never : turn_rule::always;
}

}  // namespace

std::vector<std::string> CheckResult(const TCut2D& cut, const cut_job& job)
{
    std::vector<std::string> out;
    std::vector<int> piece_used(job.pieces.size(), 0), stock_used(job.stock.size(), 0);
    int32_t placed = 0;
    for (int32_t s = 0; s < cut.GetSheetCount(); ++s) {
        const auto stock_index = cut.GetSheetStockIndex(s);
        if (!stock_index || *stock_index < 0 || *stock_index >= static_cast<int32_t>(job.stock.size())) {
            out.push_back("sheet " + std::to_string(s) + " has no valid stock index");
            continue;
        }
        if (stock_used[static_cast<size_t>(*stock_index)]++) out.push_back("stock item used twice");
        const auto data = cut.GetSheetData(s);
        if (!data || data->source_index != *stock_index) out.push_back("sheet data does not lead back to its stock");
        const job_stock& st = job.stock[static_cast<size_t>(*stock_index)];
        sheet_check c;
        c.length = st.length;
        c.width = st.width;
        c.trim_y0 = st.trim_y0;
        c.trim_x0 = st.trim_x0;
        c.trim_yW = st.trim_yW;
        c.trim_xL = st.trim_xL;
        c.kerf = job.kerf;
        c.max_cut = job.max_cut > 0 ? job.max_cut : std::max(st.length, st.width);
        for (int32_t j = 0; j < cut.GetSheetPieceCount(s); ++j) {
            const auto p = cut.GetSheetPiece(s, j);
            if (!p || p->piece_index < 0 || p->piece_index >= static_cast<int32_t>(job.pieces.size())) {
                out.push_back("placed piece without a valid index");
                continue;
            }
            if (piece_used[static_cast<size_t>(p->piece_index)]++) out.push_back("piece placed twice");
            if (p->data.source_index != p->piece_index) out.push_back("piece data does not lead back to its piece");
            const job_piece& jp = job.pieces[static_cast<size_t>(p->piece_index)];
            c.pieces.push_back(check_piece{p->x1, p->y1, p->x2, p->y2, p->turned != 0, jp.length, jp.width, RuleFor(jp, st)});
            ++placed;
        }
        for (int32_t j = 0; j < cut.GetSheetCutCount(s); ++j) {
            const auto k = cut.GetSheetCut(s, j);
            if (k) c.cuts.push_back(check_cut{k->x1, k->y1, k->x2, k->y2, k->kerf});
        }
        for (int32_t j = 0; j < cut.GetSheetWasteCount(s); ++j) {
            const auto w = cut.GetSheetWaste(s, j);
            if (w) c.wastes.push_back(check_rect{w->x1, w->y1, w->x2, w->y2});
        }
        c.reported_pieces = cut.GetSheetPieceCount(s);
        c.reported_cuts = cut.GetSheetCutCount(s);
        c.reported_wastes = cut.GetSheetWasteCount(s);
        c.reported_waste_area = cut.GetSheetWasteArea(s);
        c.reported_cut_length = cut.GetSheetCutLength(s);
        for (const std::string& v : CheckSheetLayout(c)) out.push_back("sheet " + std::to_string(s) + ": " + v);
        if (out.size() > 40) break;
    }
    if (placed != cut.GetPlacedPieceCount()) out.push_back("reported placed piece count differs");
    return out;
}

result_figures MeasureResult(const TCut2D& cut, const cut_job& job)
{
    result_figures f;
    f.sheets = cut.GetSheetCount();
    f.placed = cut.GetPlacedPieceCount();
    for (int32_t s = 0; s < f.sheets; ++s) {
        const job_stock& st = job.stock[static_cast<size_t>(*cut.GetSheetStockIndex(s))];
        f.sheet_area += static_cast<double>(st.length) * st.width;
        for (int32_t j = 0; j < cut.GetSheetPieceCount(s); ++j) {
            const auto p = cut.GetSheetPiece(s, j);
            f.placed_area += static_cast<double>(p->x2 - p->x1) * (p->y2 - p->y1);
        }
    }
    return f;
}

std::string DescribeResult(const TCut2D& cut)
{
    std::ostringstream s;
    for (int32_t i = 0; i < cut.GetSheetCount(); ++i) {
        s << "S" << cut.GetSheetStockIndex(i).value_or(-1) << ":";
        for (int32_t j = 0; j < cut.GetSheetPieceCount(i); ++j) {
            const auto p = cut.GetSheetPiece(i, j);
            s << p->piece_index << "@" << p->x1 << "," << p->y1 << (p->turned ? "t" : "") << " ";
        }
        for (int32_t j = 0; j < cut.GetSheetCutCount(i); ++j) {
            const auto k = cut.GetSheetCut(i, j);
            s << "c" << k->x1 << "," << k->y1 << "," << k->x2 << "," << k->y2 << " ";
        }
        s << "\n";
    }
    return s.str();
}

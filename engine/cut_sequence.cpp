#include "engine/cut_sequence.h"

#include <algorithm>
#include <cmath>

#include "engine/stavora_2d.h"

namespace {

constexpr double kEps = fractional_double::kTolerance;

bool Same(const fractional_double& a, const fractional_double& b) { return std::fabs(a.AsDouble() - b.AsDouble()) <= kEps; }

// A difference of sizes without the float noise of decimal subtraction (10.3 - 10.1 is 0.2).
fractional_double Difference(const fractional_double& a, const fractional_double& b)
{
    fractional_double d = a - b;
    if (d.numerator == 0) d.whole = std::round(d.whole * 1e6) / 1e6;
    return d;
}

struct region {
    fractional_double x1, y1, x2, y2;
    std::vector<int32_t> cuts, pieces, wastes;
};

bool IsRip(const TFractionalCut& c) { return Same(c.y1, c.y2) && !Same(c.x1, c.x2); }

class sequence_builder {
public:
    sequence_builder(const Solution2D& layout, const sheet_trims& trims, layout_cut_sequence& out)
        : l_(layout), t_(trims), out_(out)
    {
    }

    void Run()
    {
        region sheet{fractional_double(0.0), fractional_double(0.0), l_.sheet_length, l_.sheet_width, {}, {}, {}};
        for (int32_t i = 0; i < l_.cut_count(); ++i) sheet.cuts.push_back(i);
        for (int32_t i = 0; i < l_.piece_count(); ++i) sheet.pieces.push_back(i);
        for (int32_t i = 0; i < l_.waste_count(); ++i) sheet.wastes.push_back(i);
        Process(sheet, 1);
    }

private:
    // The cuts that run straight across the whole region, all in one direction.
    std::vector<int32_t> SpanningCuts(const region& r, bool& rip) const
    {
        std::vector<int32_t> found;
        for (int32_t c : r.cuts) {
            const TFractionalCut& k = l_.cuts[static_cast<size_t>(c)];
            const bool h = IsRip(k);
            const bool spans = h ? (Same(k.x1, r.x1) && Same(k.x2, r.x2) && k.y1.AsDouble() >= r.y1.AsDouble() - kEps &&
                                    k.y1.AsDouble() <= r.y2.AsDouble() + kEps)
                                 : (Same(k.y1, r.y1) && Same(k.y2, r.y2) && k.x1.AsDouble() >= r.x1.AsDouble() - kEps &&
                                    k.x1.AsDouble() <= r.x2.AsDouble() + kEps);
            if (!spans) continue;
            if (found.empty()) rip = h;
            if (h == rip) found.push_back(c);
        }
        const auto at = [&](int32_t c) {
            const TFractionalCut& k = l_.cuts[static_cast<size_t>(c)];
            return rip ? k.y1.AsDouble() : k.x1.AsDouble();
        };
        std::stable_sort(found.begin(), found.end(), [&](int32_t a, int32_t b) { return at(a) < at(b); });
        return found;
    }

    // Near and far edge of a region across the cut direction.
    static const fractional_double& Near(const region& r, bool rip) { return rip ? r.y1 : r.x1; }
    static const fractional_double& Far(const region& r, bool rip) { return rip ? r.y2 : r.x2; }
    static fractional_double& Near(region& r, bool rip) { return rip ? r.y1 : r.x1; }
    static fractional_double& Far(region& r, bool rip) { return rip ? r.y2 : r.x2; }

    // Splits a region at its spanning cuts; item i of the result lies before cut i (the last after all).
    std::vector<region> Split(const region& r, const std::vector<int32_t>& spanning, bool rip) const
    {
        std::vector<region> parts(spanning.size() + 1, region{r.x1, r.y1, r.x2, r.y2, {}, {}, {}});
        for (size_t i = 0; i < spanning.size(); ++i) {
            const TFractionalCut& k = l_.cuts[static_cast<size_t>(spanning[i])];
            const fractional_double at = rip ? k.y1 : k.x1;
            Far(parts[i], rip) = at;
            Near(parts[i + 1], rip) = at + k.cut_kerf;
        }
        const auto place = [&](double lo, double hi) -> int {
            for (size_t i = 0; i < parts.size(); ++i)
                if (lo >= Near(parts[i], rip).AsDouble() - kEps && hi <= Far(parts[i], rip).AsDouble() + kEps)
                    return static_cast<int>(i);
            return -1;
        };
        for (int32_t c : r.cuts) {
            if (std::find(spanning.begin(), spanning.end(), c) != spanning.end()) continue;
            const TFractionalCut& k = l_.cuts[static_cast<size_t>(c)];
            const bool h = IsRip(k);
            double lo, hi;
            if (rip) {
                lo = k.y1.AsDouble();
                hi = h ? lo + k.cut_kerf.AsDouble() : k.y2.AsDouble();
            } else {
                lo = k.x1.AsDouble();
                hi = h ? k.x2.AsDouble() : lo + k.cut_kerf.AsDouble();
            }
            const int i = place(lo, hi);
            if (i < 0) out_.complete = false;
            else parts[static_cast<size_t>(i)].cuts.push_back(c);
        }
        const auto distribute = [&](const auto& items, const std::vector<int32_t>& which, auto member) {
            for (int32_t w : which) {
                const auto& q = items[static_cast<size_t>(w)];
                const int i = rip ? place(q.y1.AsDouble(), q.y2.AsDouble()) : place(q.x1.AsDouble(), q.x2.AsDouble());
                if (i < 0) out_.complete = false;
                else (parts[static_cast<size_t>(i)].*member).push_back(w);
            }
        };
        distribute(l_.pieces, r.pieces, &region::pieces);
        distribute(l_.wastes, r.wastes, &region::wastes);
        return parts;
    }

    // A strip at a trimmed sheet edge, holding nothing but waste, no deeper than the trim.
    bool TrimStrip(const region& strip, bool rip, bool near_side) const
    {
        if (!strip.pieces.empty() || !strip.cuts.empty()) return false;
        const fractional_double& edge = near_side ? Near(strip, rip) : Far(strip, rip);
        const double sheet_edge = near_side ? 0.0 : (rip ? l_.sheet_width : l_.sheet_length).AsDouble();
        if (std::fabs(edge.AsDouble() - sheet_edge) > kEps) return false;
        const fractional_double& trim = rip ? (near_side ? t_.top : t_.bottom) : (near_side ? t_.left : t_.right);
        if (trim.AsDouble() <= kEps) return false;
        const double depth = Far(strip, rip).AsDouble() - Near(strip, rip).AsDouble();
        return depth <= std::max(trim.AsDouble(), t_.minimal_break.AsDouble()) + kEps;
    }

    void Process(const region& r, int32_t stage)
    {
        if (r.cuts.empty()) return;
        bool rip = true;
        const std::vector<int32_t> spanning = SpanningCuts(r, rip);
        if (spanning.empty()) {
            out_.complete = false;
            return;
        }
        std::vector<region> parts = Split(r, spanning, rip);
        const size_t n = spanning.size();
        // Trim cuts go first: the near one, then the far one; then the others from the near edge.
        std::vector<bool> trim(n, false);
        trim[0] = TrimStrip(parts[0], rip, true);
        if (TrimStrip(parts[n], rip, false)) trim[n - 1] = true;
        std::vector<size_t> order;
        if (trim[0]) order.push_back(0);
        if (n > 1 && trim[n - 1]) order.push_back(n - 1);
        for (size_t i = 0; i < n; ++i)
            if (!trim[i]) order.push_back(i);
        const bool all_trims = std::all_of(trim.begin(), trim.end(), [](bool b) { return b; });

        // The part still on the saw: which of the regions between cuts it spans.
        size_t lo = 0, hi = n;
        for (size_t i : order) {
            const TFractionalCut& k = l_.cuts[static_cast<size_t>(spanning[i])];
            sequence_cut s;
            s.number = static_cast<int32_t>(out_.cuts.size()) + 1;
            s.stage = trim[i] ? 0 : stage;
            s.trim = trim[i];
            s.direction = rip ? cut_direction::rip : cut_direction::cross;
            s.cut_index = spanning[i];
            region part = r;
            Near(part, rip) = Near(parts[lo], rip);
            Far(part, rip) = Far(parts[hi], rip);
            s.part_x1 = part.x1;
            s.part_y1 = part.y1;
            s.part_x2 = part.x2;
            s.part_y2 = part.y2;
            s.position = Difference(rip ? k.y1 : k.x1, Near(parts[lo], rip));
            s.length = Difference(rip ? k.x2 : k.y2, rip ? k.x1 : k.y1);
            s.kerf = k.cut_kerf;
            // Whatever side is one region between cuts and holds no further cut is finished now.
            const auto free = [&](const region& side) {
                if (!side.cuts.empty()) return;
                s.freed_pieces.insert(s.freed_pieces.end(), side.pieces.begin(), side.pieces.end());
                s.freed_wastes.insert(s.freed_wastes.end(), side.wastes.begin(), side.wastes.end());
            };
            if (i == lo) free(parts[i]);
            if (i + 1 == hi) free(parts[i + 1]);
            if (i == lo) lo = i + 1;
            else hi = i;
            out_.cut_length = out_.cut_length + s.length;
            out_.cuts.push_back(std::move(s));
        }
        const int32_t next = all_trims ? stage : stage + 1;
        for (const region& part : parts) Process(part, next);
    }

    const Solution2D& l_;
    const sheet_trims& t_;
    layout_cut_sequence& out_;
};

}  // namespace

layout_cut_sequence BuildCutSequence(const Solution2D& layout, const sheet_trims& trims)
{
    layout_cut_sequence out;
    sequence_builder(layout, trims, out).Run();
    if (out.cuts.size() != layout.cuts.size()) out.complete = false;
    if (out.cut_length.numerator == 0) out.cut_length.whole = std::round(out.cut_length.whole * 1e6) / 1e6;
    return out;
}

sheet_trims TrimsOfLayout(const stavora_2d& facade, const Solution2D& layout)
{
    sheet_trims t;
    t.minimal_break = facade.parameters.minimal_break_size;
    if (layout.sheet_source_index < 0 || layout.sheet_source_index >= facade.stock.count()) return t;
    const stock_as_number_2d& s = facade.stock[layout.sheet_source_index];
    t.top = s.trim_top;
    t.left = s.trim_left;
    t.bottom = s.trim_bottom;
    t.right = s.trim_right;
    return t;
}

layout_cut_sequence CutSequenceOf(const stavora_2d& facade, const Solution2D& layout)
{
    return BuildCutSequence(layout, TrimsOfLayout(facade, layout));
}

namespace {

cut_totals Totals(const stavora_2d& facade, const my_w_string* material)
{
    cut_totals t;
    for (const auto& layout : facade.solutions_2d) {
        if (material && !layout->material.EqualsIgnoreCase(*material)) continue;
        const layout_cut_sequence s = CutSequenceOf(facade, *layout);
        t.sheet_count += layout->repetitions;
        t.cut_count += static_cast<int64_t>(s.cuts.size()) * layout->repetitions;
        t.cut_length = t.cut_length + s.cut_length * layout->repetitions;
    }
    if (t.cut_length.numerator == 0) t.cut_length.whole = std::round(t.cut_length.whole * 1e6) / 1e6;
    return t;
}

}  // namespace

cut_totals JobCutTotals(const stavora_2d& facade) { return Totals(facade, nullptr); }

cut_totals MaterialCutTotals(const stavora_2d& facade, const my_w_string& material)
{
    return Totals(facade, &material);
}

std::vector<int32_t> PiecesInCuttingOrder(const Solution2D& layout, const layout_cut_sequence& sequence)
{
    std::vector<int32_t> order;
    std::vector<bool> seen(layout.pieces.size(), false);
    for (const sequence_cut& c : sequence.cuts)
        for (int32_t p : c.freed_pieces)
            if (p >= 0 && static_cast<size_t>(p) < seen.size() && !seen[static_cast<size_t>(p)]) {
                seen[static_cast<size_t>(p)] = true;
                order.push_back(p);
            }
    for (size_t p = 0; p < seen.size(); ++p)
        if (!seen[p]) order.push_back(static_cast<int32_t>(p));
    return order;
}

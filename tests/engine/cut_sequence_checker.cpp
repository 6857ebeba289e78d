#include "cut_sequence_checker.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <sstream>

namespace {

constexpr double kEps = 1e-6;

struct box {
    double x1, y1, x2, y2;
    int born = 0;  // number of the cut that made it; 0 for the sheet
    bool alive = true;
    double area() const { return (x2 - x1) * (y2 - y1); }
};

bool Near(double a, double b) { return std::fabs(a - b) <= kEps * std::max(1.0, std::fabs(a)); }

std::string Text(const box& b)
{
    std::ostringstream s;
    s << "(" << b.x1 << "," << b.y1 << ")-(" << b.x2 << "," << b.y2 << ")";
    return s.str();
}

template <class T>
box BoxOf(const T& r)
{
    return box{r.x1.AsDouble(), r.y1.AsDouble(), r.x2.AsDouble(), r.y2.AsDouble()};
}

bool Inside(const box& a, const box& r)
{
    return a.x1 >= r.x1 - kEps && a.y1 >= r.y1 - kEps && a.x2 <= r.x2 + kEps && a.y2 <= r.y2 + kEps;
}

bool SameBox(const box& a, const box& b) { return Near(a.x1, b.x1) && Near(a.y1, b.y1) && Near(a.x2, b.x2) && Near(a.y2, b.y2); }

}  // namespace

std::vector<std::string> CheckCutSequence(const Solution2D& layout, const layout_cut_sequence& sequence,
                                          double maximal_cut_length)
{
    std::vector<std::string> out;
    if (!sequence.complete) out.push_back("the sequence says it is incomplete");
    std::vector<box> parts{box{0.0, 0.0, layout.sheet_length.AsDouble(), layout.sheet_width.AsDouble()}};
    std::vector<int> used(layout.cuts.size(), 0);
    double total = 0.0;
    for (size_t n = 0; n < sequence.cuts.size() && out.size() < 20; ++n) {
        const sequence_cut& s = sequence.cuts[n];
        const std::string name = "cut " + std::to_string(n + 1);
        if (s.number != static_cast<int32_t>(n + 1)) out.push_back(name + " carries number " + std::to_string(s.number));
        if (s.cut_index < 0 || s.cut_index >= layout.cut_count()) {
            out.push_back(name + " names no cut of the layout");
            continue;
        }
        if (used[static_cast<size_t>(s.cut_index)]++) out.push_back(name + " makes a cut a second time");
        const TFractionalCut& k = layout.cuts[static_cast<size_t>(s.cut_index)];
        const double x1 = k.x1.AsDouble(), y1 = k.y1.AsDouble(), x2 = k.x2.AsDouble(), y2 = k.y2.AsDouble();
        const double kerf = k.cut_kerf.AsDouble();
        const bool rip = Near(y1, y2);
        if (rip != (s.direction == cut_direction::rip)) out.push_back(name + " has the wrong direction");
        if (s.trim && s.stage != 0) out.push_back(name + " is a trim cut outside stage 0");
        // The part it divides: a part on the saw that the cut runs straight across, edge to edge.
        int found = -1;
        for (size_t i = 0; i < parts.size(); ++i) {
            const box& p = parts[i];
            if (!p.alive) continue;
            const bool across = rip ? (Near(x1, p.x1) && Near(x2, p.x2) && y1 >= p.y1 - kEps && y1 + kerf <= p.y2 + kEps)
                                    : (Near(y1, p.y1) && Near(y2, p.y2) && x1 >= p.x1 - kEps && x1 + kerf <= p.x2 + kEps);
            if (across) {
                found = static_cast<int>(i);
                break;
            }
        }
        if (found < 0) {
            out.push_back(name + " " + Text(box{x1, y1, x2, y2}) + " does not run straight across any part on the saw");
            continue;
        }
        const box p = parts[static_cast<size_t>(found)];
        parts[static_cast<size_t>(found)].alive = false;
        const double length = rip ? x2 - x1 : y2 - y1;
        total += length;
        if (maximal_cut_length > 0.0 && length > maximal_cut_length + kEps)
            out.push_back(name + " is longer than the maximal cut length");
        const box named{s.part_x1.AsDouble(), s.part_y1.AsDouble(), s.part_x2.AsDouble(), s.part_y2.AsDouble()};
        if (!SameBox(named, p)) out.push_back(name + " names part " + Text(named) + " but divides " + Text(p));
        if (!Near(s.position.AsDouble(), rip ? y1 - p.y1 : x1 - p.x1)) out.push_back(name + " reports a wrong position");
        if (!Near(s.length.AsDouble(), length)) out.push_back(name + " reports a wrong length");
        if (!Near(s.kerf.AsDouble(), kerf)) out.push_back(name + " reports a wrong kerf");
        box before = p, after = p;
        before.born = after.born = static_cast<int>(n + 1);
        if (rip) {
            before.y2 = y1;
            after.y1 = y1 + kerf;
        } else {
            before.x2 = x1;
            after.x1 = x1 + kerf;
        }
        parts.push_back(before);
        parts.push_back(after);
    }
    for (size_t i = 0; i < used.size(); ++i)
        if (!used[i]) out.push_back("cut " + Text(BoxOf(layout.cuts[i])) + " of the layout is never made");
    if (!Near(total, sequence.cut_length.AsDouble())) out.push_back("the sequence's cut length is not the sum of its cuts");
    if (!Near(total, layout.cut_length.AsDouble())) out.push_back("the sequence's cut length differs from the layout's");
    if (!out.empty()) return out;

    // Every part left must be exactly one piece, or offcuts only.
    std::vector<int> piece_home(layout.pieces.size(), -1), waste_home(layout.wastes.size(), -1);
    std::vector<std::set<int32_t>> freed_pieces(sequence.cuts.size() + 1), freed_wastes(sequence.cuts.size() + 1);
    for (size_t i = 0; i < parts.size(); ++i) {
        const box& p = parts[i];
        if (!p.alive) continue;
        std::vector<int32_t> pieces, wastes;
        double waste_area = 0.0;
        for (size_t j = 0; j < layout.pieces.size(); ++j)
            if (Inside(BoxOf(layout.pieces[j]), p)) pieces.push_back(static_cast<int32_t>(j));
        for (size_t j = 0; j < layout.wastes.size(); ++j)
            if (Inside(BoxOf(layout.wastes[j]), p)) {
                wastes.push_back(static_cast<int32_t>(j));
                waste_area += BoxOf(layout.wastes[j]).area();
            }
        for (int32_t j : pieces) piece_home[static_cast<size_t>(j)]++;
        for (int32_t j : wastes) waste_home[static_cast<size_t>(j)]++;
        if (pieces.size() > 1) out.push_back("part " + Text(p) + " holds several pieces");
        else if (pieces.size() == 1 && (!wastes.empty() || !SameBox(BoxOf(layout.pieces[static_cast<size_t>(pieces[0])]), p)))
            out.push_back("piece " + Text(BoxOf(layout.pieces[static_cast<size_t>(pieces[0])])) + " is not cut free exactly: its part is " + Text(p));
        else if (pieces.empty() && !Near(waste_area, p.area()) && std::fabs(waste_area - p.area()) > kEps)
            out.push_back("part " + Text(p) + " is neither a piece nor covered by offcuts");
        freed_pieces[static_cast<size_t>(p.born)].insert(pieces.begin(), pieces.end());
        freed_wastes[static_cast<size_t>(p.born)].insert(wastes.begin(), wastes.end());
    }
    for (size_t j = 0; j < piece_home.size(); ++j)
        if (piece_home[j] != 0) out.push_back("piece " + Text(BoxOf(layout.pieces[j])) + " does not end in exactly one part");
    for (size_t j = 0; j < waste_home.size(); ++j)
        if (waste_home[j] != 0) out.push_back("offcut " + Text(BoxOf(layout.wastes[j])) + " does not end in exactly one part");
    for (size_t n = 0; n < sequence.cuts.size(); ++n) {
        const sequence_cut& s = sequence.cuts[n];
        if (std::set<int32_t>(s.freed_pieces.begin(), s.freed_pieces.end()) != freed_pieces[n + 1] ||
            std::set<int32_t>(s.freed_wastes.begin(), s.freed_wastes.end()) != freed_wastes[n + 1])
            out.push_back("cut " + std::to_string(n + 1) + " does not report what it frees");
    }
    return out;
}

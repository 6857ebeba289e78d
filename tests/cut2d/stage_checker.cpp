#include "stage_checker.h"

#include <algorithm>
#include <sstream>

namespace {

std::string Text(int64_t x1, int64_t y1, int64_t x2, int64_t y2)
{
    std::ostringstream s;
    s << "(" << x1 << "," << y1 << ")-(" << x2 << "," << y2 << ")";
    return s.str();
}

class stage_walk {
public:
    stage_walk(const staged_sheet& s, const staged_rules_check& r, std::vector<std::string>& out)
        : s_(s), r_(r), out_(out), final_level_(std::max(1, r.stages - 2))
    {
    }

    void Walk(int64_t x1, int64_t y1, int64_t x2, int64_t y2, int level, int empty_levels, const std::vector<int>& cuts,
              const std::vector<int>& pieces)
    {
        if (out_.size() > 20) return;
        if (level == final_level_ && r_.same_height) SameHeight(level, pieces, x1, y1, x2, y2);
        if (cuts.empty()) return;
        const std::string where = Text(x1, y1, x2, y2);
        if (level > r_.stages) {
            out_.push_back("region " + where + " still holds cuts after " + std::to_string(r_.stages) + " stages");
            return;
        }
        if (empty_levels >= 2) {
            out_.push_back("region " + where + " has no cut across it in either direction");
            return;
        }
        const bool along_x = ((level + r_.first_direction) & 1) == 0;
        std::vector<int> across;
        for (int c : cuts) {
            const staged_cut& k = s_.cuts[static_cast<size_t>(c)];
            const bool spans = along_x ? (k.y1 == k.y2 && k.x1 == x1 && k.x2 == x2 && k.y1 >= y1 && k.y1 < y2)
                                       : (k.x1 == k.x2 && k.y1 == y1 && k.y2 == y2 && k.x1 >= x1 && k.x1 < x2);
            if (spans) across.push_back(c);
        }
        if (across.empty()) {
            Walk(x1, y1, x2, y2, level + 1, empty_levels + 1, cuts, pieces);
            return;
        }
        auto at = [&](int c) -> int64_t {
            const staged_cut& k = s_.cuts[static_cast<size_t>(c)];
            return along_x ? k.y1 : k.x1;
        };
        std::sort(across.begin(), across.end(), [&](int a, int b) { return at(a) < at(b); });
        for (int c : across) {
            const staged_cut& k = s_.cuts[static_cast<size_t>(c)];
            if (k.stage != level)
                out_.push_back("cut " + Text(k.x1, k.y1, k.x2, k.y2) + " is made at stage " + std::to_string(level) +
                               " but numbered " + std::to_string(k.stage));
        }
        const size_t parts = across.size() + 1;
        std::vector<int64_t> lo(parts), hi(parts);
        lo[0] = along_x ? y1 : x1;
        for (size_t j = 0; j < across.size(); ++j) {
            hi[j] = at(across[j]);
            lo[j + 1] = at(across[j]) + s_.cuts[static_cast<size_t>(across[j])].kerf;
        }
        hi[parts - 1] = along_x ? y2 : x2;
        std::vector<std::vector<int>> part_cuts(parts), part_pieces(parts);
        auto part_of = [&](int64_t from, int64_t to) -> int {
            for (size_t j = 0; j < parts; ++j)
                if (from >= lo[j] && to <= hi[j]) return static_cast<int>(j);
            return -1;
        };
        for (int c : cuts) {
            if (std::find(across.begin(), across.end(), c) != across.end()) continue;
            const staged_cut& k = s_.cuts[static_cast<size_t>(c)];
            int64_t from, to;
            if (along_x) {
                from = k.y1;
                to = k.y1 == k.y2 ? int64_t{k.y1} + k.kerf : k.y2;
            } else {
                from = k.x1;
                to = k.x1 == k.x2 ? int64_t{k.x1} + k.kerf : k.x2;
            }
            const int j = part_of(from, to);
            if (j < 0) {
                out_.push_back("cut " + Text(k.x1, k.y1, k.x2, k.y2) + " crosses a stage " + std::to_string(level) + " cut");
                continue;
            }
            part_cuts[static_cast<size_t>(j)].push_back(c);
        }
        for (int p : pieces) {
            const check_rect& q = s_.pieces[static_cast<size_t>(p)];
            const int j = along_x ? part_of(q.y1, q.y2) : part_of(q.x1, q.x2);
            if (j < 0) {
                out_.push_back("piece " + Text(q.x1, q.y1, q.x2, q.y2) + " crosses a stage " + std::to_string(level) + " cut");
                continue;
            }
            part_pieces[static_cast<size_t>(j)].push_back(p);
        }
        for (size_t j = 0; j < parts; ++j) {
            if (along_x)
                Walk(x1, lo[j], x2, hi[j], level + 1, 0, part_cuts[j], part_pieces[j]);
            else
                Walk(lo[j], y1, hi[j], y2, level + 1, 0, part_cuts[j], part_pieces[j]);
        }
    }

private:
    // The strip was made by the cuts of the level before; its pieces' heights run across those cuts.
    void SameHeight(int level, const std::vector<int>& pieces, int64_t x1, int64_t y1, int64_t x2, int64_t y2)
    {
        if (pieces.size() < 2) return;
        const bool height_along_y = ((level - 1 + r_.first_direction) & 1) == 0;
        int64_t low = INT64_MAX, high = INT64_MIN;
        for (int p : pieces) {
            const check_rect& q = s_.pieces[static_cast<size_t>(p)];
            const int64_t h = height_along_y ? q.y2 - q.y1 : q.x2 - q.x1;
            low = std::min(low, h);
            high = std::max(high, h);
        }
        if (high - low > r_.height_tolerance)
            out_.push_back("final strip " + Text(x1, y1, x2, y2) + " holds pieces " + std::to_string(low) + " and " +
                           std::to_string(high) + " high");
    }

    const staged_sheet& s_;
    const staged_rules_check& r_;
    std::vector<std::string>& out_;
    const int final_level_;
};

}  // namespace

std::vector<std::string> CheckStagedSheet(const staged_sheet& sheet, const staged_rules_check& rules)
{
    std::vector<std::string> out;
    std::vector<int> cuts(sheet.cuts.size()), pieces(sheet.pieces.size());
    for (size_t i = 0; i < cuts.size(); ++i) cuts[i] = static_cast<int>(i);
    for (size_t i = 0; i < pieces.size(); ++i) pieces[i] = static_cast<int>(i);
    stage_walk walk(sheet, rules, out);
    walk.Walk(0, 0, sheet.length, sheet.width, 0, 0, cuts, pieces);
    return out;
}

std::vector<std::string> CheckStagedResult(const TCut2D& cut, const cut_job& job, const staged_rules_check& rules)
{
    std::vector<std::string> out;
    for (int32_t s = 0; s < cut.GetSheetCount(); ++s) {
        const auto stock = cut.GetSheetStockIndex(s);
        if (!stock || *stock < 0 || *stock >= static_cast<int32_t>(job.stock.size())) continue;
        staged_sheet sheet;
        sheet.length = job.stock[static_cast<size_t>(*stock)].length;
        sheet.width = job.stock[static_cast<size_t>(*stock)].width;
        for (int32_t j = 0; j < cut.GetSheetCutCount(s); ++j) {
            const auto k = cut.GetSheetCut(s, j);
            if (k) sheet.cuts.push_back(staged_cut{k->x1, k->y1, k->x2, k->y2, k->kerf, k->stage});
        }
        for (int32_t j = 0; j < cut.GetSheetPieceCount(s); ++j) {
            const auto p = cut.GetSheetPiece(s, j);
            if (p) sheet.pieces.push_back(check_rect{p->x1, p->y1, p->x2, p->y2});
        }
        for (const std::string& v : CheckStagedSheet(sheet, rules)) out.push_back("sheet " + std::to_string(s) + ": " + v);
        if (out.size() > 40) break;
    }
    return out;
}

// The staged and nested strategies of the single-sheet optimiser.
#include <algorithm>
#include <cmath>

#include "TCutSingleSheet2D.h"

namespace {

// Holes moved by (-dx, -dy) and clipped to a sheet of length x width; those with nothing left are dropped.
std::vector<hole2d> HolesInside(const std::vector<hole2d>& holes, int32_t dx, int32_t dy, int32_t length, int32_t width)
{
    std::vector<hole2d> out;
    for (const hole2d& h : holes) {
        hole2d c = h;
        c.x1 = std::clamp(std::min(h.x1, h.x2) - dx, 0, length);
        c.x2 = std::clamp(std::max(h.x1, h.x2) - dx, 0, length);
        c.y1 = std::clamp(std::min(h.y1, h.y2) - dy, 0, width);
        c.y2 = std::clamp(std::max(h.y1, h.y2) - dy, 0, width);
        c.extent_x = c.x2 - c.x1;
        c.extent_y = c.y2 - c.y1;
        if (c.extent_x > 0 && c.extent_y > 0) out.push_back(c);
    }
    return out;
}

waste2d WasteRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    waste2d w;
    w.x1 = x1;
    w.y1 = y1;
    w.x2 = x2;
    w.y2 = y2;
    w.extent_x = x2 - x1;
    w.extent_y = y2 - y1;
    return w;
}

cut2d Cut(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t kerf)
{
    cut2d c;
    c.x1 = x1;
    c.y1 = y1;
    c.x2 = x2;
    c.y2 = y2;
    c.kerf = kerf;
    return c;
}

// A nested layout while it is built: pieces carry the loaded piece they stand for.
struct nested_layout {
    std::vector<placed_piece2d> pieces;
    std::vector<int32_t> loaded;
    std::vector<cut2d> cuts;
    std::vector<waste2d> wastes;
    int32_t used_length = 0, used_width = 0;

    // Adds a search result moved by (dx, dy); selected-piece indices are mapped to loaded pieces.
    void Add(const Cut2DXChromosomeGuillotine& r, const std::vector<int32_t>& to_loaded, int32_t dx, int32_t dy,
             bool with_wastes)
    {
        for (int32_t j = 0; j < r.piece_count; ++j) {
            placed_piece2d p = r.pieces[static_cast<size_t>(j)];
            loaded.push_back(to_loaded[static_cast<size_t>(p.piece_index)]);
            p.x1 += dx;
            p.x2 += dx;
            p.y1 += dy;
            p.y2 += dy;
            pieces.push_back(p);
            used_length = std::max(used_length, p.x2);
            used_width = std::max(used_width, p.y2);
        }
        for (int32_t j = 0; j < r.cut_count; ++j) {
            cut2d c = r.cuts[static_cast<size_t>(j)];
            c.x1 += dx;
            c.x2 += dx;
            c.y1 += dy;
            c.y2 += dy;
            cuts.push_back(c);
        }
        if (!with_wastes) return;
        for (int32_t j = 0; j < r.rect_count; ++j) {
            const waste2d& w = r.rects[static_cast<size_t>(j)];
            wastes.push_back(WasteRect(w.x1 + dx, w.y1 + dy, w.x2 + dx, w.y2 + dy));
        }
    }
};

}  // namespace

void TCutSingleSheet2D::RunStaged(int32_t strategy_index, const sheet_geometry& geometry)
{
    line_search_config config;
    config.iterations = iterations_;
    config.strategy_index = strategy_index;
    config.seed = seed_;
    config.remnant_rule = remnant_rule_ == 1;
    config.mutation_rate = mutation_rate_;
    config.rules.stages = stages_;
    config.rules.first_direction = first_direction_;
    config.rules.routine = staged_placement_;
    config.rules.same_height = same_height_strips_ == 1;
    config.rules.height_tolerance = height_tolerance_;
    config.staged_order = true;
    config.routine_pairs = false;
    config.swap_after = 4;
    stop_ = false;
    staged_.Run(selected_, piece_bound_, geometry, config, [this] {
        if (on_progress_) on_progress_();
        if (stop_) staged_.Stop();
    });
    stop_ = true;
    TakeBest(staged_.Best());
}

void TCutSingleSheet2D::StagedFinish()
{
    RemoveRedundantCuts();
    // Every cut gets the level it is made at; the finish variant chooses level by level or strip by strip.
    NumberStages(layout_.cuts, length_, width_, first_direction_, staged_finish_ == 1);
}

void TCutSingleSheet2D::RunNested(int32_t strategy_index, const sheet_geometry& geometry)
{
    // Trims are cut off first; the search works on the sheet inside them.
    const int32_t k = kerf_;
    const int32_t t = trim_x0_ > 0 ? std::max(trim_x0_, length_breakage_ + k) : 0;
    const int32_t u = trim_xL_ > 0 ? std::max(trim_xL_, length_breakage_ + k) : 0;
    const int32_t m = trim_y0_ > 0 ? std::max(trim_y0_, width_breakage_ + k) : 0;
    const int32_t v = trim_yW_ > 0 ? std::max(trim_yW_, width_breakage_ + k) : 0;
    const bool trimmed = t + u + m + v > 0;
    const int32_t max_cut = geometry.max_cut;
    const bool cuts_along_y_first = width_ <= max_cut;
    const int32_t inner_length = length_ - t - u, inner_width = width_ - m - v;

    layout_.pieces.clear();
    layout_.cuts.clear();
    layout_.wastes.clear();
    layout_.row_piece.assign(1, {});
    layout_.row_turned.assign(1, {});
    if (inner_length < 1 || inner_width < 1 || (trimmed && !cuts_along_y_first && length_ > max_cut)) {
        layout_.wastes.push_back(WasteRect(0, 0, length_, width_));
        layout_.waste.Add(layout_.wastes.back().area());
        return;
    }
    sheet_geometry inner = geometry;
    inner.length = inner_length;
    inner.width = inner_width;
    inner.trim_x0 = inner.trim_y0 = inner.trim_xL = inner.trim_yW = 0;
    inner.holes = HolesInside(geometry.holes, t, m, inner_length, inner_width);
    inner.BuildHoleLists();

    auto search = [&](const std::vector<part2d>& pieces, int32_t bound, const sheet_geometry& g) {
        nested_search_config config;
        config.iterations = iterations_;
        config.strategy_index = strategy_index;
        config.seed = seed_;
        config.remnant_rule = remnant_rule_ == 1;
        config.mutation_rate = mutation_rate_;
        stop_ = false;
        nested_.Run(pieces, bound, g, config, [this] {
            if (on_progress_) on_progress_();
            if (stop_) nested_.Stop();
        });
        stop_ = true;
        return &nested_.Best();
    };

    nested_layout lay;
    lay.Add(*search(selected_, piece_bound_, inner), selected_to_loaded_, 0, 0, true);
    std::vector<uint8_t> placed(loaded_.size(), 0);
    for (int32_t i : lay.loaded) placed[static_cast<size_t>(i)] = 1;

    // Fill the wastes with nested layouts of the pieces still unplaced, until a pass changes nothing.
    std::vector<part2d> candidates;
    std::vector<int32_t> candidate_loaded;
    for (bool changed = true; changed;) {
        changed = false;
        for (size_t w = 0; w < lay.wastes.size(); ++w) {
            const waste2d hole = lay.wastes[w];
            const rect_i32 room{hole.x1, hole.y1, hole.x2, hole.y2};
            const double room_area = hole.area();
            candidates.clear();
            candidate_loaded.clear();
            struct run_area {
                double piece_area;
                int32_t count;
            };
            std::vector<run_area> runs;
            const int32_t n = LoadedCount();
            for (int32_t i = 0; i < n;) {
                const part2d& first = loaded_[static_cast<size_t>(i)];
                int32_t end = i + 1;
                while (end < n) {
                    const part2d& p = loaded_[static_cast<size_t>(end)];
                    if (p.length != first.length || p.width != first.width || p.may_rotate != first.may_rotate) break;
                    ++end;
                }
                const bool fits = FitsFreeRectangle(inner, room, first.length, first.width, hole.x1, hole.y1, false);
                const bool fits_turned = !fits && first.may_rotate == 1 &&
                                         FitsFreeRectangle(inner, room, first.width, first.length, hole.x1, hole.y1, false);
                if (fits || fits_turned) {
                    const double a = static_cast<double>(first.length) * first.width;
                    double sum = 0.0;
                    int32_t count = 0;
                    for (int32_t j = i; j < end && sum + a <= room_area; ++j) {
                        if (placed[static_cast<size_t>(j)]) continue;
                        part2d p = loaded_[static_cast<size_t>(j)];
                        if (fits_turned) {
                            std::swap(p.length, p.width);
                            p.turned = static_cast<int8_t>(p.turned ^ 1);
                        }
                        candidates.push_back(p);
                        candidate_loaded.push_back(j);
                        sum += a;
                        ++count;
                    }
                    if (count > 0) runs.push_back(run_area{a, count});
                }
                i = end;
            }
            if (candidates.empty()) continue;
            std::stable_sort(runs.begin(), runs.end(),
                             [](const run_area& x, const run_area& y) { return x.piece_area < y.piece_area - 0.01; });
            double rest = room_area;
            int64_t bound = 0;
            for (const run_area& r : runs) {
                if (rest <= 0.01) break;
                const int64_t take = std::min<int64_t>(r.count, static_cast<int64_t>(std::ceil(rest / r.piece_area)));
                bound += take;
                rest -= static_cast<double>(take) * r.piece_area;
            }
            sheet_geometry g = inner;
            g.length = hole.extent_x;
            g.width = hole.extent_y;
            g.holes = HolesInside(inner.holes, hole.x1, hole.y1, hole.extent_x, hole.extent_y);
            g.BuildHoleLists();
            const Cut2DXChromosomeGuillotine& sub =
                *search(candidates, static_cast<int32_t>(std::min<int64_t>(bound, static_cast<int64_t>(candidates.size()))), g);
            // Taken only when it leaves one waste, smaller than the rectangle it fills.
            if (sub.piece_count < 1 || sub.rect_count != 1) continue;
            if (sub.rects[0].extent_x == hole.extent_x && sub.rects[0].extent_y == hole.extent_y) continue;
            const size_t first_new = lay.pieces.size();
            lay.Add(sub, candidate_loaded, hole.x1, hole.y1, false);
            for (size_t j = first_new; j < lay.loaded.size(); ++j) placed[static_cast<size_t>(lay.loaded[j])] = 1;
            const waste2d& left = sub.rects[0];
            lay.wastes[w] = WasteRect(left.x1 + hole.x1, left.y1 + hole.y1, left.x2 + hole.x1, left.y2 + hole.y1);
            changed = true;
        }
    }

    // Back onto the whole sheet: the trim cuts come first, then the layout inside them.
    auto move = [&](int32_t& a, int32_t d) { a += d; };
    for (placed_piece2d& p : lay.pieces) {
        move(p.x1, t), move(p.x2, t), move(p.y1, m), move(p.y2, m);
    }
    for (cut2d& c : lay.cuts) {
        move(c.x1, t), move(c.x2, t), move(c.y1, m), move(c.y2, m);
    }
    for (waste2d& w : lay.wastes) {
        move(w.x1, t), move(w.x2, t), move(w.y1, m), move(w.y2, m);
    }
    const int32_t L = length_, W = width_;
    std::vector<cut2d>& cuts = layout_.cuts;
    std::vector<waste2d>& wastes = layout_.wastes;
    auto along_y = [&](int32_t y1, int32_t y2) {
        if (t > 0) {
            cuts.push_back(Cut(t - k, y1, t - k, y2, k));
            if (t - k >= 1) wastes.push_back(WasteRect(0, y1, t - k, y2));
        }
        if (u > 0) {
            cuts.push_back(Cut(L - u, y1, L - u, y2, k));
            if (u - k >= 1) wastes.push_back(WasteRect(L - u + k, y1, L, y2));
        }
    };
    auto along_x = [&](int32_t x1, int32_t x2) {
        if (m > 0) {
            cuts.push_back(Cut(x1, m - k, x2, m - k, k));
            if (m - k >= 1) wastes.push_back(WasteRect(x1, 0, x2, m - k));
        }
        if (v > 0) {
            cuts.push_back(Cut(x1, W - v, x2, W - v, k));
            if (v - k >= 1) wastes.push_back(WasteRect(x1, W - v + k, x2, W));
        }
    };
    if (cuts_along_y_first) {
        along_y(0, W);
        along_x(t, L - u);
    } else {
        along_x(0, L);
        along_y(m, W - v);
    }
    cuts.insert(cuts.end(), lay.cuts.begin(), lay.cuts.end());
    wastes.insert(wastes.begin(), lay.wastes.begin(), lay.wastes.end());

    layout_.used_area = 0.0;
    layout_.waste = waste_ranking{};
    for (const waste2d& w : wastes) layout_.waste.Add(w.area());
    layout_.used_length = lay.pieces.empty() ? 0 : lay.used_length + t;
    layout_.used_width = lay.pieces.empty() ? 0 : lay.used_width + m;
    for (size_t j = 0; j < lay.pieces.size(); ++j) {
        placed_piece2d p = lay.pieces[j];
        const int32_t loaded = lay.loaded[j];
        const part2d& lp = loaded_[static_cast<size_t>(loaded)];
        p.piece_index = lp.index;
        p.data = lp.data;
        layout_.pieces.push_back(p);
        layout_.row_piece[0].push_back(loaded);
        layout_.row_turned[0].push_back(p.turned);
        layout_.repetition[static_cast<size_t>(loaded)] = 0;
        const double a = static_cast<double>(p.extent_x) * p.extent_y;
        layout_.used_area += a;
        layout_.profile.Add(lp.priority, a);
    }
}

// The staged and nested strategies of the single-sheet optimiser.
#include <algorithm>

#include "TCutSingleSheet2D.h"

namespace {

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

}  // namespace

void TCutSingleSheet2D::RunStaged(int32_t strategy_index, const sheet_geometry& geometry)
{
    line_search_config config;
    SetSearchSettings(config, strategy_index);
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
    const int32_t max_cut = geometry.max_cut;
    const int32_t inner_length = length_ - t - u, inner_width = width_ - m - v;
    // The trim cuts that come first run over the whole sheet, the others only between them.
    const bool trims_along_y = t > 0 || u > 0, trims_along_x = m > 0 || v > 0;
    const bool y_first_fits = (!trims_along_y || width_ <= max_cut) && (!trims_along_x || inner_length <= max_cut);
    const bool x_first_fits = (!trims_along_x || length_ <= max_cut) && (!trims_along_y || inner_width <= max_cut);
    const bool cuts_along_y_first = y_first_fits;

    layout_.pieces.clear();
    layout_.cuts.clear();
    layout_.wastes.clear();
    layout_.row_piece.assign(1, {});
    layout_.row_turned.assign(1, {});
    if (inner_length < 1 || inner_width < 1 || (!y_first_fits && !x_first_fits)) {
        layout_.wastes.push_back(waste2d::Spanning(0, 0, length_, width_));
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
        SetSearchSettings(config, strategy_index);
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

    FillWastes(lay, loaded_, placed, inner, [&](const std::vector<part2d>& pieces, int32_t bound, const sheet_geometry& g)
                   -> const Cut2DXChromosomeGuillotine& { return *search(pieces, bound, g); });

    // Back onto the whole sheet: the trim cuts come first, then the layout inside them.
    auto move = [&](auto& r) {
        r.x1 += t;
        r.x2 += t;
        r.y1 += m;
        r.y2 += m;
    };
    for (placed_piece2d& p : lay.pieces) move(p);
    for (cut2d& c : lay.cuts) move(c);
    for (waste2d& w : lay.wastes) move(w);
    const int32_t L = length_, W = width_;
    std::vector<cut2d>& cuts = layout_.cuts;
    std::vector<waste2d>& wastes = layout_.wastes;
    auto along_y = [&](int32_t y1, int32_t y2) {
        if (t > 0) {
            cuts.push_back(Cut(t - k, y1, t - k, y2, k));
            if (t - k >= 1) wastes.push_back(waste2d::Spanning(0, y1, t - k, y2));
        }
        if (u > 0) {
            cuts.push_back(Cut(L - u, y1, L - u, y2, k));
            if (u - k >= 1) wastes.push_back(waste2d::Spanning(L - u + k, y1, L, y2));
        }
    };
    auto along_x = [&](int32_t x1, int32_t x2) {
        if (m > 0) {
            cuts.push_back(Cut(x1, m - k, x2, m - k, k));
            if (m - k >= 1) wastes.push_back(waste2d::Spanning(x1, 0, x2, m - k));
        }
        if (v > 0) {
            cuts.push_back(Cut(x1, W - v, x2, W - v, k));
            if (v - k >= 1) wastes.push_back(waste2d::Spanning(x1, W - v + k, x2, W));
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

#include "TCutSingleSheet2D.h"

#include <algorithm>
#include <cmath>
#include <numeric>

void Cut2DXChromosome::Clear()
{
    pieces.clear();
    cuts.clear();
    wastes.clear();
    used_area = 0.0;
    waste = waste_ranking{};
    repetition.clear();
    used_length = used_width = 0;
    profile.Clear();
    row_piece.clear();
    row_turned.clear();
}

void TCutSingleSheet2D::set_PreferLargeRemnant(int32_t v)
{
    if (stop_ && (v == 0 || v == 1)) remnant_rule_ = v;
}
void TCutSingleSheet2D::set_IterationCount(int32_t v)
{
    if (stop_) iterations_ = std::max(v, 1);
}
void TCutSingleSheet2D::set_Sheet(int32_t length, int32_t width)
{
    if (!stop_) return;
    length_ = std::max(length, 0);
    width_ = std::max(width, 0);
}
void TCutSingleSheet2D::set_BladeWidth(int32_t v)
{
    if (stop_) kerf_ = std::max(v, 0);
}
void TCutSingleSheet2D::set_MaximalCutLength(int32_t v)
{
    if (!stop_) return;
    max_cut_ = std::max(v, 0);
    max_cut_set_ = max_cut_ > 0;
}
void TCutSingleSheet2D::set_FirstDirection(int32_t v)
{
    if (stop_) first_direction_ = (v == 0 || v == 1) ? v : 0;
}
void TCutSingleSheet2D::set_LengthBreakage(int32_t v)
{
    if (stop_) length_breakage_ = std::max(v, 0);
}
void TCutSingleSheet2D::set_WidthBreakage(int32_t v)
{
    if (stop_) width_breakage_ = std::max(v, 0);
}
void TCutSingleSheet2D::set_Trims(int32_t trim_y0, int32_t trim_x0, int32_t trim_yW, int32_t trim_xL)
{
    if (!stop_) return;
    trim_y0_ = std::max(trim_y0, 0);
    trim_x0_ = std::max(trim_x0, 0);
    trim_yW_ = std::max(trim_yW, 0);
    trim_xL_ = std::max(trim_xL, 0);
}
void TCutSingleSheet2D::set_Seed(uint32_t seed)
{
    if (stop_) seed_ = seed;
}
void TCutSingleSheet2D::set_MinimalUsefulSize(int32_t v)
{
    if (stop_) minimal_useful_size_ = std::max(v, 0);
}
void TCutSingleSheet2D::set_OnlyPiecesOfTheSameHeightInAStrip(int32_t v)
{
    if (stop_ && (v == 0 || v == 1)) same_height_strips_ = v;
}
void TCutSingleSheet2D::set_HeightTolerance(int32_t v)
{
    if (stop_) height_tolerance_ = std::max(v, 0);
}
void TCutSingleSheet2D::set_NumberOfStages(int32_t v)
{
    if (stop_) stages_ = v <= 0 ? 2 : v;
}
void TCutSingleSheet2D::set_StagedPlacementVariant(int32_t v)
{
    if (stop_ && (v == 0 || v == 1)) staged_placement_ = v;
}
void TCutSingleSheet2D::set_StagedFinishVariant(int32_t v)
{
    if (stop_ && (v == 0 || v == 1)) staged_finish_ = v;
}
void TCutSingleSheet2D::SetHoles(const std::vector<hole2d>& holes)
{
    if (!stop_) return;
    holes_ = holes;
    for (hole2d& h : holes_) {
        h.extent_x = std::abs(h.x2 - h.x1);
        h.extent_y = std::abs(h.y2 - h.y1);
    }
}

void TCutSingleSheet2D::ClearPieces()
{
    if (stop_) loaded_.clear();
}
void TCutSingleSheet2D::LoadPiece(const part2d& piece)
{
    if (stop_) loaded_.push_back(piece);
}

void TCutSingleSheet2D::Stop() { stop_ = true; }
bool TCutSingleSheet2D::Improved() const
{
    if (stop_) return false;
    if (running_ == sheet_strategy::staged) return staged_.Improved();
    if (running_ == sheet_strategy::nested) return nested_.Improved();
    return guillotine_.Improved();
}

sheet_geometry TCutSingleSheet2D::SheetGeometry() const
{
    sheet_geometry g;
    g.length = length_;
    g.width = width_;
    g.kerf = kerf_;
    g.length_breakage = length_breakage_;
    g.width_breakage = width_breakage_;
    g.trim_x0 = trim_x0_;
    g.trim_y0 = trim_y0_;
    g.trim_xL = trim_xL_;
    g.trim_yW = trim_yW_;
    return g;
}

void TCutSingleSheet2D::SelectPieces()
{
    const sheet_geometry g = SheetGeometry();
    const rect_i32 sheet{0, 0, length_, width_};
    const std::vector<uint8_t> none_placed(loaded_.size(), 0);
    piece_bound_ = CollectFittingPieces(loaded_, none_placed, g, sheet, selected_, selected_to_loaded_);
    if (large_job_) {
        // Every decode walks all selected pieces: thousands of them for a sheet that holds a few dozen.
        // The search sees the first pieces (the largest) and the last (the smallest, which fill gaps).
        const double sheet_area = static_cast<double>(length_) * width_;
        auto area = [&](size_t k) { return static_cast<double>(selected_[k].length) * selected_[k].width; };
        size_t head = 0, tail = selected_.size();
        for (double sum = 0.0; head < tail && sum <= kLargeJobHeadSheets * sheet_area; ++head) sum += area(head);
        for (double sum = 0.0; tail > head && sum + area(tail - 1) <= kLargeJobTailSheets * sheet_area; --tail)
            sum += area(tail - 1);
        if (tail > head) {
            selected_.erase(selected_.begin() + static_cast<std::ptrdiff_t>(head),
                            selected_.begin() + static_cast<std::ptrdiff_t>(tail));
            selected_to_loaded_.erase(selected_to_loaded_.begin() + static_cast<std::ptrdiff_t>(head),
                                      selected_to_loaded_.begin() + static_cast<std::ptrdiff_t>(tail));
        }
        piece_bound_ = std::min(piece_bound_, static_cast<int32_t>(selected_.size()));
    }
    all_identical_ = !selected_.empty();
    for (const part2d& p : selected_)
        if (p.length != selected_.front().length || p.width != selected_.front().width) all_identical_ = false;
}

sheet_geometry TCutSingleSheet2D::SearchGeometry(sheet_strategy strategy, bool& moved_x, bool& moved_y) const
{
    sheet_geometry g = SheetGeometry();
    g.max_cut = (max_cut_set_ && max_cut_ > 0) ? max_cut_ : std::max(length_, width_);
    g.minimal_useful_size = minimal_useful_size_;
    g.holes = holes_;
    // The search works from the origin corner: a lone near trim moves to the far edge.
    moved_y = moved_x = false;
    if (strategy != sheet_strategy::nested) {
        if (g.trim_y0 > 0 && g.trim_yW == 0) {
            g.trim_yW = g.trim_y0;
            g.trim_y0 = 0;
            for (hole2d& h : g.holes) {
                const int32_t y1 = width_ - h.y2, y2 = width_ - h.y1;
                h.y1 = y1;
                h.y2 = y2;
            }
            moved_y = true;
        }
        if (g.trim_x0 > 0 && g.trim_xL == 0) {
            g.trim_xL = g.trim_x0;
            g.trim_x0 = 0;
            for (hole2d& h : g.holes) {
                const int32_t x1 = length_ - h.x2, x2 = length_ - h.x1;
                h.x1 = x1;
                h.x2 = x2;
            }
            moved_x = true;
        }
    }
    g.BuildHoleLists();
    return g;
}

sheet_geometry TCutSingleSheet2D::GuillotineGeometry() const
{
    bool moved_x = false, moved_y = false;
    return SearchGeometry(sheet_strategy::guillotine, moved_x, moved_y);
}

void TCutSingleSheet2D::StartLayout()
{
    layout_.Clear();
    layout_.length = length_;
    layout_.width = width_;
    layout_.capacity = LoadedCount();
    layout_.repetition.assign(static_cast<size_t>(LoadedCount()), -1);
}

void TCutSingleSheet2D::Run(sheet_strategy strategy, int32_t strategy_index)
{
    if (!stop_) return;
    running_ = strategy;
    StartLayout();

    SelectPieces();
    if (selected_.empty()) {
        layout_.wastes.push_back(waste2d::Spanning(0, 0, length_, width_));
        layout_.waste.Add(layout_.wastes.back().area());
    } else {
        bool moved_x = false, moved_y = false;
        const sheet_geometry g = SearchGeometry(strategy, moved_x, moved_y);
        // Each strategy searches on the selected pieces and leaves its best layout in layout_ (TakeBest).
        switch (strategy) {
        case sheet_strategy::guillotine:
            RunGuillotine(strategy_index, g);
            break;
        case sheet_strategy::staged:
            RunStaged(strategy_index, g);
            break;
        case sheet_strategy::nested:
            RunNested(strategy_index, g);
            break;
        }
        if (moved_y) Mirror(false, width_);
        if (moved_x) Mirror(true, length_);
    }
    FinishLayout(strategy);
}

void TCutSingleSheet2D::FinishLayout(sheet_strategy strategy)
{
    layout_.wastes.erase(std::remove_if(layout_.wastes.begin(), layout_.wastes.end(),
                                        [](const waste2d& w) { return w.extent_x < 1 || w.extent_y < 1; }),
                         layout_.wastes.end());
    switch (strategy) {
    case sheet_strategy::guillotine:
        RemoveRedundantCuts();
        OrderCuts();
        break;
    case sheet_strategy::staged:
        StagedFinish();
        break;
    case sheet_strategy::nested:
        // The nested search has filled its wastes already, inside the trims.
        break;
    }
    CountRepetitions();
    stop_ = true;
    max_cut_set_ = false;
    if (on_layout_) on_layout_();
}

void TCutSingleSheet2D::RunGenome(const std::vector<uint8_t>& turn, const std::vector<uint8_t>& direction,
                                  int32_t variant)
{
    if (!stop_) return;
    running_ = sheet_strategy::guillotine;
    StartLayout();
    const int32_t n = LoadedCount();
    selected_ = loaded_;
    selected_to_loaded_.resize(static_cast<size_t>(n));
    std::iota(selected_to_loaded_.begin(), selected_to_loaded_.end(), 0);
    piece_bound_ = n;
    if (n == 0) {
        layout_.wastes.push_back(waste2d::Spanning(0, 0, length_, width_));
        layout_.waste.Add(layout_.wastes.back().area());
    } else {
        bool moved_x = false, moved_y = false;
        const sheet_geometry g = SearchGeometry(sheet_strategy::guillotine, moved_x, moved_y);
        decode_input input;
        input.Build(selected_, n);
        Cut2DXChromosomeGuillotine ind;
        ind.Size(n, n, input.group_count());
        ind.length = length_;
        ind.width = width_;
        std::iota(ind.order.begin(), ind.order.end(), 0);
        std::copy(turn.begin(), turn.begin() + n, ind.turn.begin());
        std::copy(direction.begin(), direction.begin() + n, ind.direction.begin());
        ind.variant = variant;
        ind.RecomputeRuns(selected_);
        DecodeGuillotine(ind, input, g);
        TakeBest(ind);
        if (moved_y) Mirror(false, width_);
        if (moved_x) Mirror(true, length_);
    }
    FinishLayout(sheet_strategy::guillotine);
}

void TCutSingleSheet2D::RunGuillotine(int32_t strategy_index, const sheet_geometry& geometry)
{
    guillotine_search_config config;
    SetSearchSettings(config, strategy_index);
    stop_ = false;
    guillotine_.Run(selected_, piece_bound_, geometry, config, [this] {
        if (on_progress_) on_progress_();
        if (stop_) guillotine_.Stop();
    });
    stop_ = true;
    TakeBest(guillotine_.Best());
}

void TCutSingleSheet2D::SetSearchSettings(search_settings& settings, int32_t strategy_index) const
{
    settings.iterations = iterations_;
    settings.strategy_index = strategy_index;
    settings.seed = seed_;
    settings.remnant_rule = remnant_rule_ == 1;
    settings.mutation_rate = mutation_rate_;
    settings.shuffle_runs = large_job_;
    settings.evaluator = evaluator_;
}

void TCutSingleSheet2D::TakeBest(const Cut2DXChromosomeGuillotine& best)
{
    layout_.pieces.clear();
    layout_.row_piece.assign(1, {});
    layout_.row_turned.assign(1, {});
    for (int32_t j = 0; j < best.piece_count; ++j) {
        placed_piece2d p = best.pieces[static_cast<size_t>(j)];
        const int32_t loaded = selected_to_loaded_[static_cast<size_t>(p.piece_index)];
        p.piece_index = loaded_[static_cast<size_t>(loaded)].index;
        layout_.pieces.push_back(p);
        layout_.row_piece[0].push_back(loaded);
        layout_.row_turned[0].push_back(p.turned);
        layout_.repetition[static_cast<size_t>(loaded)] = 0;
        layout_.profile.Add(loaded_[static_cast<size_t>(loaded)].priority, static_cast<double>(p.extent_x) * p.extent_y);
    }
    layout_.cuts.assign(best.cuts.begin(), best.cuts.begin() + best.cut_count);
    layout_.wastes.assign(best.rects.begin(), best.rects.begin() + best.rect_count);
    layout_.used_area = best.used_area;
    layout_.waste = best.waste;
    layout_.used_length = best.used_length;
    layout_.used_width = best.used_width;
}

void TCutSingleSheet2D::Mirror(bool in_x, int32_t a)
{
    auto low = [in_x](auto& r) -> int32_t& { return in_x ? r.x1 : r.y1; };
    auto high = [in_x](auto& r) -> int32_t& { return in_x ? r.x2 : r.y2; };
    auto reflect = [&](auto& r) {
        const int32_t lo = a - high(r), hi = a - low(r);
        low(r) = lo;
        high(r) = hi;
    };
    for (waste2d& w : layout_.wastes) reflect(w);
    for (placed_piece2d& p : layout_.pieces) reflect(p);
    for (cut2d& c : layout_.cuts) {
        const bool across = low(c) == high(c);
        reflect(c);
        // The kerf lies on the high side of a cut line: keep it on the same material.
        if (across) {
            low(c) -= c.kerf;
            high(c) -= c.kerf;
        }
    }
}

void TCutSingleSheet2D::RemoveRedundantCuts()
{
    std::vector<cut2d>& cuts = layout_.cuts;
    std::vector<uint8_t> removed(cuts.size(), 0);
    for (size_t i = 0; i < cuts.size(); ++i) {
        const cut2d& c = cuts[i];
        for (size_t j = 0; j < cuts.size(); ++j) {
            if (i == j || removed[j]) continue;
            const cut2d& o = cuts[j];
            bool inside = false;
            if (c.y1 == c.y2 && o.y1 == o.y2 && c.y1 == o.y1 && o.x1 != o.x2)
                inside = c.x1 >= o.x1 && c.x2 <= o.x2;
            else if (c.x1 == c.x2 && o.x1 == o.x2 && c.x1 == o.x1 && o.y1 != o.y2)
                inside = c.y1 >= o.y1 && c.y2 <= o.y2;
            if (!inside) continue;
            const bool identical = c.x1 == o.x1 && c.x2 == o.x2 && c.y1 == o.y1 && c.y2 == o.y2;
            if (identical && j > i) continue;  // of two identical cuts the first stays
            removed[i] = 1;
            break;
        }
    }
    size_t kept = 0;
    for (size_t i = 0; i < cuts.size(); ++i)
        if (!removed[i]) cuts[kept++] = cuts[i];
    cuts.resize(kept);
}

void TCutSingleSheet2D::OrderCutsIn(int32_t x1, int32_t y1, int32_t x2, int32_t y2, std::vector<uint8_t>& emitted,
                                    std::vector<cut2d>& out)
{
    if (x2 <= x1 || y2 <= y1) return;
    const std::vector<cut2d>& cuts = layout_.cuts;
    int32_t found = -1;
    for (size_t i = 0; i < cuts.size(); ++i) {
        const cut2d& c = cuts[i];
        if (emitted[i] || !c.along_x()) continue;
        if (c.x1 <= x1 && c.x2 >= x2 && c.y1 >= y1 && c.y1 < y2 && (found < 0 || c.y1 < cuts[static_cast<size_t>(found)].y1))
            found = static_cast<int32_t>(i);
    }
    if (found >= 0) {
        const cut2d& h = cuts[static_cast<size_t>(found)];
        for (size_t i = 0; i < cuts.size(); ++i) {
            const cut2d& c = cuts[i];
            if (emitted[i] || !c.along_y()) continue;
            if (c.y1 <= y1 && c.y2 >= y2 && (c.x1 == h.x1 || c.x1 == h.x2)) {
                found = -1;
                break;
            }
        }
    }
    if (found < 0) {
        for (size_t i = 0; i < cuts.size(); ++i) {
            const cut2d& c = cuts[i];
            if (emitted[i] || !c.along_y()) continue;
            if (c.y1 <= y1 && c.y2 >= y2 && c.x1 >= x1 && c.x1 < x2 &&
                (found < 0 || c.x1 < cuts[static_cast<size_t>(found)].x1))
                found = static_cast<int32_t>(i);
        }
        if (found < 0) return;
        const cut2d c = cuts[static_cast<size_t>(found)];
        emitted[static_cast<size_t>(found)] = 1;
        out.push_back(c);
        OrderCutsIn(x1, y1, c.x1, y2, emitted, out);
        OrderCutsIn(c.x1 + c.kerf, y1, x2, y2, emitted, out);
        return;
    }
    const cut2d c = cuts[static_cast<size_t>(found)];
    emitted[static_cast<size_t>(found)] = 1;
    out.push_back(c);
    OrderCutsIn(x1, y1, x2, c.y1, emitted, out);
    OrderCutsIn(x1, c.y1 + c.kerf, x2, y2, emitted, out);
}

void TCutSingleSheet2D::OrderCuts()
{
    std::vector<uint8_t> emitted(layout_.cuts.size(), 0);
    std::vector<cut2d> out;
    out.reserve(layout_.cuts.size());
    OrderCutsIn(0, 0, length_, width_, emitted, out);
    if (out.size() == layout_.cuts.size()) layout_.cuts = std::move(out);
}

void TCutSingleSheet2D::CountRepetitions()
{
    repetition_count_ = 1;
    const size_t placed = layout_.pieces.size();
    if (placed == 0 || layout_.row_piece.empty()) return;
    std::vector<uint8_t> taken(loaded_.size(), 0);
    for (size_t i = 0; i < loaded_.size(); ++i) taken[i] = layout_.repetition[i] >= 0;
    std::vector<int32_t> row(placed);
    std::vector<int8_t> turned(placed);
    for (;;) {
        bool complete = true;
        size_t j = 0;
        for (; j < placed; ++j) {
            const placed_piece2d& pp = layout_.pieces[j];
            const part2d& stands_for = loaded_[static_cast<size_t>(layout_.row_piece[0][j])];
            int32_t match = -1;
            int8_t turn = 0;
            for (size_t i = 0; i < loaded_.size(); ++i) {
                if (taken[i]) continue;
                const part2d& p = loaded_[i];
                if (p.priority != stands_for.priority) continue;
                if (p.length == pp.extent_x && p.width == pp.extent_y) {
                    match = static_cast<int32_t>(i);
                    turn = p.turned;
                } else if (p.may_rotate == 1 && p.length == pp.extent_y && p.width == pp.extent_x) {
                    match = static_cast<int32_t>(i);
                    turn = static_cast<int8_t>(p.turned ^ 1);
                }
                if (match >= 0) break;
            }
            if (match < 0) {
                complete = false;
                break;
            }
            taken[static_cast<size_t>(match)] = 1;
            row[j] = match;
            turned[j] = turn;
        }
        if (!complete) {
            for (size_t r = 0; r < j; ++r) taken[static_cast<size_t>(row[r])] = 0;
            return;
        }
        for (size_t r = 0; r < placed; ++r) layout_.repetition[static_cast<size_t>(row[r])] = repetition_count_;
        layout_.row_piece.push_back(row);
        layout_.row_turned.push_back(turned);
        ++repetition_count_;
    }
}

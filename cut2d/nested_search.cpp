#include "nested_search.h"

#include <algorithm>
#include <cmath>

#include "util/random.h"

void NestedSearch::Run(const std::vector<part2d>& selected, int32_t piece_bound, const sheet_geometry& geometry,
                       const nested_search_config& config, const std::function<void()>& on_generation)
{
    const int32_t c = std::max(config.iterations, 1);
    input_.Build(selected, std::max(piece_bound, 1));
    stop_ = false;
    line_search_config lines;
    static_cast<search_settings&>(lines) = config;
    lines.iterations = c;
    lines.rules.stages = 1 << 20;  // no limit on the nesting depth
    lines.rules.first_direction = 0;
    lines.rules.rows_first = false;
    lines.staged_order = false;
    lines.routine_pairs = true;
    lines.swap_after = 9;
    stv::RandomSeed(config.seed);
    along_x_.Start(selected, input_, geometry, lines, c);
    // On a square sheet strips along y only repeat the strips along x.
    turned_population_ = geometry.length != geometry.width;
    if (turned_population_) {
        lines.rules.first_direction = 1;
        along_y_.Start(selected, input_, geometry, lines, c);
    }
    improved_ = true;

    guillotine_search_config guillotine;
    static_cast<search_settings&>(guillotine) = config;
    guillotine.iterations = c;
    // One generator for all populations, seeded above; the nested search has no waste-free stop.
    guillotine.seed_generator = false;
    guillotine.stop_without_waste = false;
    // The guillotine search drives the generations; the line populations take one step in each.
    guillotine_.Run(selected, piece_bound, geometry, guillotine, [&] {
        if (on_generation) on_generation();
        if (stop_) {
            guillotine_.Stop();
            return;
        }
        bool improved = along_x_.Generation();
        if (turned_population_ && along_y_.Generation()) improved = true;
        improved_ = improved || guillotine_.Improved();
    });
    stop_ = true;
    improved_ = false;

    const Cut2DXChromosomeGuillotine* best = &along_x_.Best();
    if (turned_population_ && GuillotineSearch::Better(along_y_.Best(), *best)) best = &along_y_.Best();
    if (GuillotineSearch::Better(guillotine_.Best(), *best)) best = &guillotine_.Best();
    best_ = best;
}

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

void nested_layout::Add(const Cut2DXChromosomeGuillotine& r, const std::vector<int32_t>& to_loaded, int32_t dx,
                        int32_t dy, bool with_wastes)
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
        wastes.push_back(waste2d::Spanning(w.x1 + dx, w.y1 + dy, w.x2 + dx, w.y2 + dy));
    }
}

int32_t CollectFittingPieces(const std::vector<part2d>& loaded, const std::vector<uint8_t>& placed,
                             const sheet_geometry& g, const rect_i32& r, std::vector<part2d>& pieces,
                             std::vector<int32_t>& to_loaded)
{
    struct run_area {
        double piece_area;
        int32_t count;
    };
    std::vector<run_area> runs;
    pieces.clear();
    to_loaded.clear();
    const double area = static_cast<double>(r.extent_x()) * r.extent_y();
    const int32_t n = static_cast<int32_t>(loaded.size());
    for (int32_t i = 0; i < n;) {
        const part2d& first = loaded[static_cast<size_t>(i)];
        int32_t end = i + 1;
        while (end < n) {
            const part2d& p = loaded[static_cast<size_t>(end)];
            if (p.length != first.length || p.width != first.width || p.may_rotate != first.may_rotate) break;
            ++end;
        }
        const bool fits = FitsFreeRectangle(g, r, first.length, first.width, r.x1, r.y1, false);
        const bool fits_turned =
            !fits && first.may_rotate == 1 && FitsFreeRectangle(g, r, first.width, first.length, r.x1, r.y1, false);
        if (fits || fits_turned) {
            const double a = static_cast<double>(first.length) * first.width;
            double sum = 0.0;
            int32_t count = 0;
            for (int32_t j = i; j < end && sum + a <= area; ++j) {
                if (placed[static_cast<size_t>(j)]) continue;
                part2d p = loaded[static_cast<size_t>(j)];
                if (fits_turned) {
                    std::swap(p.length, p.width);
                    p.turned = static_cast<int8_t>(p.turned ^ 1);
                }
                pieces.push_back(p);
                to_loaded.push_back(j);
                sum += a;
                ++count;
            }
            if (count > 0) runs.push_back(run_area{a, count});
        }
        i = end;
    }
    std::stable_sort(runs.begin(), runs.end(),
                     [](const run_area& x, const run_area& y) { return x.piece_area < y.piece_area - 0.01; });
    double rest = area;
    int64_t bound = 0;
    for (const run_area& run : runs) {
        if (rest <= 0.01) break;
        const int64_t take = std::min<int64_t>(run.count, static_cast<int64_t>(std::ceil(rest / run.piece_area)));
        bound += take;
        rest -= static_cast<double>(take) * run.piece_area;
    }
    return static_cast<int32_t>(std::min<int64_t>(bound, static_cast<int64_t>(pieces.size())));
}

void FillWastes(nested_layout& lay, const std::vector<part2d>& loaded, std::vector<uint8_t>& placed,
                const sheet_geometry& g, const nested_search_call& search)
{
    std::vector<part2d> candidates;
    std::vector<int32_t> candidate_loaded;
    for (bool changed = true; changed;) {
        changed = false;
        for (size_t w = 0; w < lay.wastes.size(); ++w) {
            const waste2d room = lay.wastes[w];
            const rect_i32 rr{room.x1, room.y1, room.x2, room.y2};
            const int32_t sub_bound = CollectFittingPieces(loaded, placed, g, rr, candidates, candidate_loaded);
            if (candidates.empty()) continue;
            sheet_geometry sub_sheet = g;
            sub_sheet.length = room.extent_x;
            sub_sheet.width = room.extent_y;
            sub_sheet.trim_x0 = sub_sheet.trim_y0 = sub_sheet.trim_xL = sub_sheet.trim_yW = 0;
            sub_sheet.holes = HolesInside(g.holes, room.x1, room.y1, room.extent_x, room.extent_y);
            sub_sheet.BuildHoleLists();
            const Cut2DXChromosomeGuillotine& sub = search(candidates, sub_bound, sub_sheet);
            // A sub-layout that fills the rectangle completely is taken as well: the rectangle then goes.
            if (sub.piece_count < 1 || sub.rect_count > 1) continue;
            if (sub.rect_count == 1 && sub.rects[0].extent_x == room.extent_x && sub.rects[0].extent_y == room.extent_y)
                continue;
            const size_t first_new = lay.loaded.size();
            lay.Add(sub, candidate_loaded, room.x1, room.y1, false);
            for (size_t j = first_new; j < lay.loaded.size(); ++j) placed[static_cast<size_t>(lay.loaded[j])] = 1;
            if (sub.rect_count == 1) {
                const waste2d& left = sub.rects[0];
                lay.wastes[w] = waste2d::Spanning(left.x1 + room.x1, left.y1 + room.y1, left.x2 + room.x1, left.y2 + room.y1);
            } else {
                lay.wastes.erase(lay.wastes.begin() + static_cast<std::ptrdiff_t>(w));
                --w;
            }
            changed = true;
        }
    }
}

#include "nested_search.h"

#include <algorithm>

#include "util/random.h"

void NestedSearch::Run(const std::vector<part2d>& selected, int32_t piece_bound, const sheet_geometry& geometry,
                       const nested_search_config& config, const std::function<void()>& on_generation)
{
    const int32_t c = std::max(config.iterations, 1);
    input_.Build(selected, std::max(piece_bound, 1));
    stop_ = false;
    line_search_config lines;
    lines.iterations = c;
    lines.strategy_index = config.strategy_index;
    lines.seed = config.seed;
    lines.remnant_rule = config.remnant_rule;
    lines.mutation_rate = config.mutation_rate;
    lines.rules.stages = 1 << 20;  // no limit on the nesting depth
    lines.rules.first_direction = 0;
    lines.staged_order = false;
    lines.routine_pairs = true;
    lines.swap_after = 4;
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
    guillotine.iterations = c;
    guillotine.strategy_index = config.strategy_index;
    guillotine.seed = config.seed;
    guillotine.remnant_rule = config.remnant_rule;
    guillotine.mutation_rate = config.mutation_rate;
    // The guillotine search drives the generations; the line populations take one step in each.
    guillotine_.Run(selected, piece_bound, geometry, guillotine, [&] {
        if (on_generation) on_generation();
        if (stop_) {
            guillotine_.Stop();
            return;
        }
        bool improved = along_x_.Generation();
        if (turned_population_ && along_y_.Generation()) improved = true;
        improved_ = improved;
    });
    stop_ = true;
    improved_ = false;

    const Cut2DXChromosomeGuillotine* best = &along_x_.Best();
    if (turned_population_ && GuillotineSearch::Better(along_y_.Best(), *best)) best = &along_y_.Best();
    if (GuillotineSearch::Better(guillotine_.Best(), *best)) best = &guillotine_.Best();
    best_ = best;
}

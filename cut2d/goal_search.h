#pragma once
// Goal-driven ruin and recreate over guillotine sheets: empties the weakest sheet, then ruins and recreates
// the others until its pieces fit, and aims at one sheet fewer again.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "improvement_search.h"
#include "layout_model.h"

struct goal_settings {
    int64_t work = 0;          // pieces laid out by the decoder in every chain, counted over all moves
    uint32_t seed = 0;
    int32_t threads = 1;       // the result does not depend on it
    double time_limit = 0.0;   // seconds from the start of the search; 0: none
    int32_t sheet_bound = 0;   // no solution has fewer sheets
    const std::atomic<bool>* stop = nullptr;
    // Called on the caller's thread between epochs: work done per chain, sheets saved so far.
    std::function<void(int64_t, int32_t)> on_epoch;
};

// sheets as the improvement keeps them; pieces and stock in the construction's sorted order. Replaces the
// sheets with a solution of less stock area when it finds one and returns whether it did. Guillotine
// layouts only.
bool GoalDrivenSearch(std::vector<std::unique_ptr<Chromosome>>& sheets, const std::vector<part2d>& pieces,
                      const std::vector<stock2d>& stock, const repack_rules& rules, const goal_settings& settings);

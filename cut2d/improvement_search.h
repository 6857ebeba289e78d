#pragma once
// Improvement after the construction: a goal-driven ruin and recreate, then repacks of a weak sheet with
// a few others into less stock.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "TCutSingleSheet2D.h"
#include "layout_model.h"

// How every sheet is laid out, as the construction configures the single-sheet optimiser.
struct repack_rules {
    sheet_strategy strategy = sheet_strategy::guillotine;
    int32_t kerf = 0;
    int32_t length_breakage = 0, width_breakage = 0;
    int32_t max_cut = 0;
    bool max_cut_set = false;
    int32_t first_direction = 0;
    int32_t same_height_strips = 0, height_tolerance = 0, stages = 2;
    int32_t staged_placement = 0, staged_finish = 0;
    int32_t minimal_useful_size = 0;
    int32_t prefer_large_remnant = 0;
    int32_t stall_limit = 5;
};

// Sets the single-sheet optimiser up to lay out stock s under the rules.
void ConfigureSheetSearch(TCutSingleSheet2D& single, const stock2d& s, const repack_rules& rules, uint32_t seed,
                          int32_t iterations);

// The single-sheet optimiser's finished layout as a sheet of a solution; loaded_priority holds the real
// priority of every loaded piece.
std::unique_ptr<Chromosome> SheetFromLayout(const TCutSingleSheet2D& single, int32_t stock_index,
                                            const std::vector<int32_t>& loaded_priority, int32_t minimal_useful_size);

struct improvement_settings {
    int32_t work = 0;          // repack attempts allowed; the goal search gets a fixed amount per attempt
    int32_t iterations = 1;    // iteration count of every sheet search
    uint32_t seed = 0;
    int32_t threads = 1;       // the result does not depend on it
    double time_limit = 0.0;   // seconds from the start of the phase; 0: none
    int32_t sheet_bound = 0;   // no solution has fewer sheets
    bool one_stock_size = false;
    const std::atomic<bool>* stop = nullptr;  // the user's stop: ends the search between rounds
};

struct improvement_progress {
    int32_t work_done = 0, work_total = 0;
    int32_t sheets_saved = 0;
};

class ImprovementSearch {
public:
    // pieces and stock in the construction's sorted order, each record's index its input index. Replaces the
    // solution's sheets when a repack uses less stock; returns whether it did. The progress callback is
    // called on the caller's thread between rounds.
    bool Run(TGlobalSolution& solution, const std::vector<part2d>& pieces, const std::vector<stock2d>& stock,
             const repack_rules& rules, const improvement_settings& settings,
             const std::function<void(const improvement_progress&)>& on_progress);
};

#pragma once
// The construction passes of a run, side by side: each lays out a whole solution sheet by sheet.
#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

#include "construction_plan.h"
#include "improvement_search.h"
#include "layout_model.h"

// What every pass reads; shared by the workers and never written while they run.
struct construction_input {
    const std::vector<part2d>* pieces = nullptr;  // sorted; each record's index its input index
    const std::vector<int32_t>* piece_input_to_sorted = nullptr;
    const std::vector<stock2d>* stock = nullptr;  // sorted
    const std::vector<int32_t>* stock_sorted_to_input = nullptr;
    const std::vector<int32_t>* group_last = nullptr;  // last sorted position of each stock priority group
    repack_rules rules;
    bool large_job = false;
    remnant_rule solution_rule;
    const std::atomic<bool>* stop = nullptr;  // ends every pass soon, each sheet with its best at once
};

// Runs the plan's passes on `threads` threads and leaves the best solution in `best` (reset, sized for
// the job); the passes are compared in plan order, so the result is the same for every thread count.
// After a stop only the passes already begun are compared. `on_progress` (passes done so far) is
// called on the caller's thread only, often enough to keep a window responsive.
void RunConstructionPasses(const construction_input& input, const construction_plan& plan, int32_t threads,
                           TGlobalSolution& best, const std::function<void(int32_t passes_done)>& on_progress);

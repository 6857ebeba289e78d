#include "construction_plan.h"

#include <algorithm>

construction_plan PlanConstructionPasses(int32_t n, int32_t optimization_level, int32_t seed)
{
    construction_plan plan;
    int32_t repeats;
    if (n == 1) {
        repeats = 1;
        plan.stall_limit = 3;
    } else if (n < 10) {
        repeats = 10;
        plan.stall_limit = 10;
    } else if (n < 100) {
        repeats = 5;
        plan.stall_limit = 5;
    } else if (n < 1000) {
        repeats = 3;
        plan.stall_limit = 5;
    } else {
        repeats = 1;
        plan.stall_limit = 3;
    }
    // Short passes: every strategy, each seed once per compare mode.
    for (int32_t i = 0; i < 5; ++i) {
        uint32_t s = static_cast<uint32_t>(seed);
        for (int32_t r = 0; r < repeats; ++r) {
            plan.passes.push_back({i, 0, 1, static_cast<int32_t>(s)});
            plan.passes.push_back({i, 1, 1, static_cast<int32_t>(s)});
            ++s;
        }
    }
    // One long pass, its length capped by the problem size so that large jobs stay bounded.
    const int32_t cap = n > 10000 ? 10 : n > 5000 ? 20 : n > 1000 ? 100 : n > 500 ? 1000 : n > 100 ? 4000 : 10000;
    const int32_t c = std::min(std::max(optimization_level, 1), cap);
    if (c > 5) plan.passes.push_back({0, 0, c, seed});
    return plan;
}

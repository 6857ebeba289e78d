#pragma once
// The construction passes of one run: strategy, compare mode, iteration count and seed of each.
#include <cstdint>
#include <vector>

struct construction_pass {
    int32_t strategy_index = 0;
    int32_t compare_mode = 0;
    int32_t iterations = 1;
    int32_t seed = 0;
    friend bool operator==(const construction_pass&, const construction_pass&) = default;
};

struct construction_plan {
    std::vector<construction_pass> passes;
    int32_t stall_limit = 5;
};

construction_plan PlanConstructionPasses(int32_t piece_count, int32_t optimization_level, int32_t seed);

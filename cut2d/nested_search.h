#pragma once
// Nested search for one sheet: line-laid populations for both first directions beside the guillotine search.
#include <cstdint>
#include <functional>
#include <vector>

#include "guillotine_search.h"
#include "staged_search.h"

struct nested_search_config {
    int32_t iterations = 1;
    int32_t strategy_index = 0;
    uint32_t seed = 0;
    bool remnant_rule = false;
    double mutation_rate = 0.1;
};

class NestedSearch {
public:
    // Searches a sheet without trims until the generation callback raises the stop flag.
    void Run(const std::vector<part2d>& selected, int32_t piece_bound, const sheet_geometry& geometry,
             const nested_search_config& config, const std::function<void()>& on_generation);
    // The best layout of all populations; valid after Run.
    const Cut2DXChromosomeGuillotine& Best() const { return *best_; }
    void Stop() { stop_ = true; }
    bool Improved() const { return improved_ || guillotine_.Improved(); }

private:
    decode_input input_;
    line_population along_x_, along_y_;
    GuillotineSearch guillotine_;
    const Cut2DXChromosomeGuillotine* best_ = nullptr;
    bool turned_population_ = false;
    bool stop_ = true;
    bool improved_ = false;
};

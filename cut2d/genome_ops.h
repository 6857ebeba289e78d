#pragma once
// Genome operators of the guillotine and line-based searches: initial orders, random run orders and mutation.
#include <cstdint>
#include <vector>

#include "guillotine_decoder.h"

class genome_operators {
public:
    // Jobs of this many distinct piece sizes or more get shuffled random run orders (see set_ShuffleRuns).
    static constexpr int32_t kShuffledRunCount = 1000;
    // How the single-key initial orders leave pieces that compare equal.
    enum class equal_keys { keep_order, any_order };
    void Bind(const std::vector<part2d>& pieces, const decode_input& input, equal_keys equal);
    // A random run order as a shuffle (c-1 draws) instead of c(c-1)/2 random adjacent swaps, which
    // cost 2e8 draws per individual for 20,000 runs.
    void set_ShuffleRuns(bool on) { shuffle_runs_ = on; }
    // Sets up parent i (the first of an initial pair) of a search with c iterations and strategy index s.
    void Initialise(Cut2DXChromosomeGuillotine& ind, int32_t parent_index, int32_t iterations, int32_t strategy_index);
    // Order swaps are made only for parents with an index above swap_after.
    void Mutate(Cut2DXChromosomeGuillotine& child, int32_t parent_index, int32_t swap_after, double rate);

private:
    void FormRuns(int32_t group);
    void InitialOrder(Cut2DXChromosomeGuillotine& ind, char which);
    void RandomRunOrder(Cut2DXChromosomeGuillotine& ind);

    const std::vector<part2d>* pieces_ = nullptr;
    const decode_input* input_ = nullptr;
    equal_keys equal_ = equal_keys::keep_order;
    bool shuffle_runs_ = false;
    std::vector<int32_t> run_start_, run_length_, runs_, scratch_;
};

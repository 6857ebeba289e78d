#pragma once
// Genetic search over guillotine genomes for one sheet; keeps the best decoded layout.
#include <cstdint>
#include <functional>
#include <vector>

#include "genome_ops.h"
#include "guillotine_decoder.h"

// Runs job(context, k) for k = 0..count-1, perhaps on other threads too; returns when every one is done.
class parallel_evaluator {
public:
    virtual void ForEach(int32_t count, void (*job)(void* context, int32_t k), void* context) = 0;

protected:
    ~parallel_evaluator() = default;
};

// Generations with fewer children than this are evaluated on the search's own thread.
constexpr int32_t kParallelChildren = 16;

// What every search of one sheet is run with.
struct search_settings {
    int32_t iterations = 1;  // c: the guillotine population holds 4c individuals
    int32_t strategy_index = 0;
    uint32_t seed = 0;
    bool remnant_rule = false;
    double mutation_rate = 0.1;
    bool shuffle_runs = false;  // random run orders are shuffles (jobs of many distinct sizes)
    // Helps evaluate the children of a generation; none: this thread alone. The result is the same.
    parallel_evaluator* evaluator = nullptr;
};

struct guillotine_search_config : search_settings {
    bool seed_generator = true;      // false when the caller seeded it once for several searches
    bool stop_without_waste = true;  // false when only the caller's stop flag ends the search
};

class GuillotineSearch {
public:
    // Searches until the generation callback raises the stop flag or (when the config says so) a layout
    // without waste is found.
    void Run(const std::vector<part2d>& selected, int32_t piece_bound, const sheet_geometry& geometry,
             const guillotine_search_config& config, const std::function<void()>& on_generation);

    const Cut2DXChromosomeGuillotine& Best() const { return best_; }
    void Stop() { stop_ = true; }
    bool Stopped() const { return stop_; }
    bool Improved() const { return improved_; }

    // Is a better than b (elitism and the best individual)?
    static bool Better(const Cut2DXChromosomeGuillotine& a, const Cut2DXChromosomeGuillotine& b);
    // -1 when a sorts before b, 1 when after, 0 when equal.
    static int SortOrder(const Cut2DXChromosomeGuillotine& a, const Cut2DXChromosomeGuillotine& b);

private:
    Cut2DXChromosomeGuillotine& At(int32_t position) { return storage_[static_cast<size_t>(slot_[static_cast<size_t>(position)])]; }
    void InitialiseParents(const guillotine_search_config& config);
    void Evaluate(Cut2DXChromosomeGuillotine& ind);
    static void EvaluateChild(void* self, int32_t k);  // individual first_child_ + k
    void SortRange(int32_t from, int32_t to);

    const std::vector<part2d>* pieces_ = nullptr;
    const sheet_geometry* geometry_ = nullptr;
    decode_input input_;
    std::vector<Cut2DXChromosomeGuillotine> storage_;
    std::vector<int32_t> slot_;
    std::vector<int32_t> sort_buffer_;
    genome_operators ops_;
    Cut2DXChromosomeGuillotine best_;
    bool stop_ = true;
    bool improved_ = false;
    int32_t first_child_ = 0;
};

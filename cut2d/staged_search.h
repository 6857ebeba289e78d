#pragma once
// Genetic search over staged layouts for one sheet, and the population it shares with the nested search.
#include <cstdint>
#include <functional>
#include <vector>

#include "genome_ops.h"
#include "guillotine_search.h"
#include "staged_decoder.h"

struct line_search_config : search_settings {
    staged_rules rules;
    // Staged comparison: no waste count, the remnant measured across the first-stage strips, wastes exact in sorting.
    bool staged_order = true;
    // The twin of every initial pair lays its lines with the other placement routine.
    bool routine_pairs = false;
    int32_t swap_after = 4;  // order swaps only for parents above this index
};

// One population of line-laid individuals: parents 0..p-1, the child of parent i at position size-1-i.
class line_population {
public:
    // Sizes, initialises and evaluates the parents and takes the best of them; draws from the shared generator.
    void Start(const std::vector<part2d>& selected, const decode_input& input, const sheet_geometry& geometry,
               const line_search_config& config, int32_t parents);
    // One generation; true when the best individual improved.
    bool Generation();
    const Cut2DXChromosomeNStages& Best() const { return best_; }
    bool Better(const Cut2DXChromosomeNStages& a, const Cut2DXChromosomeNStages& b) const;
    int SortOrder(const Cut2DXChromosomeNStages& a, const Cut2DXChromosomeNStages& b) const;

private:
    Cut2DXChromosomeNStages& At(int32_t position) { return storage_[static_cast<size_t>(slot_[static_cast<size_t>(position)])]; }
    void Evaluate(Cut2DXChromosomeNStages& ind);
    static void EvaluateChild(void* self, int32_t k);  // individual first_evaluated_ + k
    void SortRange(int32_t from, int32_t to);
    int32_t RemnantExtent(const Cut2DXChromosomeNStages& shape, const Cut2DXChromosomeNStages& of) const;

    const std::vector<part2d>* pieces_ = nullptr;
    const decode_input* input_ = nullptr;
    const sheet_geometry* geometry_ = nullptr;
    line_search_config config_;
    genome_operators ops_;
    std::vector<Cut2DXChromosomeNStages> storage_;
    std::vector<int32_t> slot_, sort_buffer_;
    Cut2DXChromosomeNStages best_;
    int32_t parents_ = 0, size_ = 0, elite_ = 0;
    int32_t first_evaluated_ = 0;
};

class StagedSearch {
public:
    // Searches until the generation callback raises the stop flag.
    void Run(const std::vector<part2d>& selected, int32_t piece_bound, const sheet_geometry& geometry,
             const line_search_config& config, const std::function<void()>& on_generation);
    const Cut2DXChromosomeNStages& Best() const { return population_.Best(); }
    void Stop() { stop_ = true; }
    bool Improved() const { return improved_; }

private:
    decode_input input_;
    line_population population_;
    bool stop_ = true;
    bool improved_ = false;
};

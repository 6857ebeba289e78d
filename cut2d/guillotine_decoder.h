#pragma once
// Turns a guillotine genome (piece order, turn flags, split bits) into a guillotine layout of one sheet.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "layout_model.h"
#include "sheet_geometry.h"

// For every count i, the factor pairs (a, b) with a * b = i in the order blocks are tried.
class factor_table {
public:
    void Build(int32_t n);
    // Pairs of i as a flat list a0, b0, a1, b1, ...; empty when i is out of range.
    const int32_t* begin(int32_t i) const { return pairs_.data() + offsets_[static_cast<size_t>(i)]; }
    const int32_t* end(int32_t i) const { return pairs_.data() + offsets_[static_cast<size_t>(i) + 1]; }
    int32_t size() const { return static_cast<int32_t>(offsets_.size()) - 1; }

private:
    std::vector<int32_t> offsets_{0};
    std::vector<int32_t> pairs_;
};

// The selected pieces of a search and what the decoder needs to know about their groups.
struct decode_input {
    const std::vector<part2d>* pieces = nullptr;  // selected pieces, sorted by priority
    std::vector<int32_t> group_of;                // priority group of each piece
    std::vector<int32_t> group_start;             // first piece of each group
    std::vector<int32_t> group_end;               // one past the last piece of each group
    std::vector<uint8_t> group_identical;         // 1 when all pieces of the group have one size
    std::vector<int32_t> group_priority;
    factor_table factors;
    int32_t bound = 0;  // most pieces the sheet can hold

    int32_t count() const { return static_cast<int32_t>(pieces->size()); }
    int32_t group_count() const { return static_cast<int32_t>(group_start.size()); }
    void Build(const std::vector<part2d>& selected, int32_t piece_bound);
};

// One individual of the guillotine search: a genome and the layout decoded from it.
// Every array is sized once per search; decoding writes into them without allocating.
struct Cut2DXChromosomeGuillotine {
    // Genome.
    std::vector<int32_t> order;      // piece at each order position
    std::vector<uint8_t> turn;       // per piece: used turned
    std::vector<uint8_t> direction;  // per piece: preferred split direction
    std::vector<int32_t> same_run;   // per position
    std::vector<int32_t> turn_run;   // per position
    int32_t variant = 0;             // decoder variant 0 or 1

    // Layout.
    int32_t length = 0, width = 0;
    std::vector<placed_piece2d> pieces;  // piece_index holds the selected-piece index
    int32_t piece_count = 0;
    std::vector<cut2d> cuts;
    int32_t cut_count = 0;
    std::vector<waste2d> rects;
    int32_t rect_count = 0;
    std::vector<uint8_t> unplaced;  // per piece: 1 until placed
    double used_area = 0.0;
    waste_ranking waste;
    int32_t used_length = 0, used_width = 0;
    std::vector<int32_t> profile_key;
    std::vector<double> profile_area;
    int32_t profile_count = 0;

    uint8_t remnant_rule = 0;
    int32_t group_count = 0;

    void Size(int32_t n, int32_t bound, int32_t group_total);
    void CopyGenomeFrom(const Cut2DXChromosomeGuillotine& o);
    void CopyFrom(const Cut2DXChromosomeGuillotine& o);
    void RecomputeRuns(const std::vector<part2d>& p);
    // The last steps of a decode: drop the empty waste rectangles and rank the others, and keep in the
    // priority profile only the groups with placed area.
    void DropEmptyWastes();
    void CompactProfile(const decode_input& in);
};

// The largest length, width and area over the individual's non-empty free rectangles.
inline void LargestFreeExtents(const Cut2DXChromosomeGuillotine& ind, int32_t& x, int32_t& y, int64_t& area)
{
    x = y = 0;
    area = 0;
    for (int32_t r = 0; r < ind.rect_count; ++r) {
        const waste2d& w = ind.rects[static_cast<size_t>(r)];
        if (w.extent_x < 1 || w.extent_y < 1) continue;
        x = std::max(x, w.extent_x);
        y = std::max(y, w.extent_y);
        area = std::max(area, int64_t{w.extent_x} * w.extent_y);
    }
}

// Decodes the individual's genome into its layout; allocates nothing.
void DecodeGuillotine(Cut2DXChromosomeGuillotine& ind, const decode_input& in, const sheet_geometry& g);

// Decode statistics for the benchmark.
int64_t GuillotineDecodeCount();

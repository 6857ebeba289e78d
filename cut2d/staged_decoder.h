#pragma once
// Staged placement: lays a genome out as lines of identical pieces in strips cut in a limited number of stages.
#include <cstdint>
#include <vector>

#include "guillotine_decoder.h"
#include "sheet_geometry.h"

// How a staged layout may be cut. Stage s cuts run along x when s + first_direction is even, along y when odd.
struct staged_rules {
    int32_t stages = 2;           // stages of rectangles that take lines; the nested search passes a large number
    int32_t first_direction = 0;  // 0: the first-stage cuts run along x (strips along the length), 1: along y
    int32_t routine = 0;          // 0: each line goes to the smallest rectangle; 1: an opened strip is filled at once
    bool same_height = false;     // the pieces of a final strip keep one height within the tolerance
    int32_t height_tolerance = 0;
    // A rectangle is taken as one strip of the next stage only when no line fits across it as it is: deep
    // stages hold only exact fits, so strips are kept low.
    bool rows_first = true;
};

// An individual of the staged and nested searches: a guillotine genome with its line-by-line layout.
struct Cut2DXChromosomeNStages : Cut2DXChromosomeGuillotine {
    uint8_t first_direction = 0;
    std::vector<int32_t> rect_stage;  // per free rectangle: the stage of the cuts that divide it next
    std::vector<uint8_t> rect_flag;   // per free rectangle: 1 when it lies inside a strip
    std::vector<int32_t> line;        // order positions of the line being placed

    void SizeStaged(int32_t n, int32_t bound, int32_t group_total);
};

// Decodes the genome into a staged layout; allocates nothing.
void DecodeStaged(Cut2DXChromosomeNStages& ind, const decode_input& in, const sheet_geometry& g, const staged_rules& rules);

// The strip of the stage below the final cuts: its pieces keep one height under the same-height rule.
int32_t FinalStripStage(int32_t stages);

// Numbers every cut with its cutting level (level 0 running in the first direction) and puts the cuts in
// cutting order: level by level when by_level is set, else region by region. Leaves the cuts untouched and
// gives false when they do not divide the sheet level by level.
bool NumberStages(std::vector<cut2d>& cuts, int32_t length, int32_t width, int32_t first_direction, bool by_level);

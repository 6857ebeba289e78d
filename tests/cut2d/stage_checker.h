#pragma once
// Checks that sheet layouts are staged: cuts in alternating levels, their stage numbers, same-height strips.
//
// Directions: level 0 holds the first cuts across the sheet. With first direction 0 they run along x (each is a
// line y = const over the whole length), so the sheet is cut into strips along the length; with 1 they run along
// y (x = const over the whole width). Level l runs along x when l + first direction is even, along y when odd.
// A region is divided at level l by every cut of that direction that spans it from edge to edge; a level may
// have no such cut. A layout is N-staged when every line of pieces lies in a region of level below N: the cuts
// of level N only part the pieces of such a line or trim them, so no region holds a cut beyond level N.
//
// Final strips: the regions entered at level max(1, N - 2): for two stages the strips the first stage cuts off,
// for three stages the same strips, whose pieces the third stage trims. Under the same-height rule the heights
// of the pieces inside one final strip (their extent across the cuts that made the strip) differ by at most the
// tolerance.
#include <cstdint>
#include <string>
#include <vector>

#include "layout_checker.h"

struct staged_cut {
    int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    int32_t kerf = 0;
    int32_t stage = 0;
};

struct staged_rules_check {
    int32_t stages = 2;
    int32_t first_direction = 0;
    bool same_height = false;
    int32_t height_tolerance = 0;
};

struct staged_sheet {
    int32_t length = 0, width = 0;
    std::vector<staged_cut> cuts;
    std::vector<check_rect> pieces;
};

// Every violation of the staging rules on one sheet; empty when it is staged.
std::vector<std::string> CheckStagedSheet(const staged_sheet& sheet, const staged_rules_check& rules);

// The same for every sheet of a result; call inside the end-of-run callback.
std::vector<std::string> CheckStagedResult(const TCut2D& cut, const cut_job& job, const staged_rules_check& rules);

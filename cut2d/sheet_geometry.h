#pragma once
// The sheet a single-sheet search works on, and the fit tests that decide whether a block fits.
#include <cstdint>
#include <vector>

#include "layout_model.h"

struct sheet_geometry {
    int32_t length = 0;  // L
    int32_t width = 0;   // W
    int32_t kerf = 0;
    int32_t length_breakage = 0;  // g: along x
    int32_t width_breakage = 0;   // h: along y
    int32_t trim_x0 = 0, trim_y0 = 0, trim_xL = 0, trim_yW = 0;
    int32_t max_cut = 0;  // M
    int32_t minimal_useful_size = 0;
    std::vector<hole2d> holes;
    std::vector<int32_t> hole_x, hole_y;  // hole coordinate lists

    void BuildHoleLists();
};

// An axis-aligned rectangle in sheet coordinates.
struct rect_i32 {
    int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    int32_t extent_x() const { return x2 - x1; }
    int32_t extent_y() const { return y2 - y1; }
};

// Trims and margins that count for a rectangle: only those on the sheet edges it touches.
struct edge_margins {
    bool x0 = false, y0 = false, xL = false, yW = false;
    int32_t t = 0, m = 0, u = 0, v = 0;  // near x, near y, far x, far y
};
edge_margins MarginsFor(const sheet_geometry& g, const rect_i32& r);

// Free-rectangle fit test of a block p (along x) by q (along y) placed at (a, b) inside r.
bool FitsFreeRectangle(const sheet_geometry& g, const rect_i32& r, int32_t p, int32_t q, int32_t a, int32_t b,
                       bool hole_test);

// Whole-sheet fit test used when pieces are loaded onto a stock item.
bool FitsWholeSheet(const stock2d& s, int32_t p, int32_t q, int32_t kerf, int32_t length_breakage,
                    int32_t width_breakage);

// How a piece goes onto a whole sheet as grain and rotation allow: loaded or not, turned, and
// whether the search may still turn it there. The piece is returned ready to load.
struct sheet_loading {
    bool load = false;
    part2d piece;
};
sheet_loading LoadingOnSheet(const stock2d& s, const part2d& piece, int32_t kerf, int32_t length_breakage,
                             int32_t width_breakage);

#pragma once
// Checks sheet layouts for validity: placement, overlaps, kerfs, guillotine cuts, coverage and reported figures.
#include <cstdint>
#include <string>
#include <vector>

#include "cut2d/TCut2D.h"

enum class turn_rule { any, never, always };

struct check_piece {
    int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    bool turned = false;
    int32_t length = 0, width = 0;  // the demanded piece, unturned
    turn_rule rule = turn_rule::any;
};

struct check_cut {
    int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    int32_t kerf = 0;
};

struct check_rect {
    int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

struct sheet_check {
    int32_t length = 0, width = 0;
    int32_t trim_y0 = 0, trim_x0 = 0, trim_yW = 0, trim_xL = 0;
    int32_t kerf = 0;
    int64_t max_cut = 0;  // 0: no limit
    std::vector<check_piece> pieces;
    std::vector<check_cut> cuts;
    std::vector<check_rect> wastes;
    // What the accessors reported for the sheet.
    int32_t reported_pieces = 0, reported_cuts = 0, reported_wastes = 0;
    double reported_waste_area = 0.0, reported_cut_length = 0.0;
};

// Every violation found on one sheet, as readable text; empty when the layout is valid.
std::vector<std::string> CheckSheetLayout(const sheet_check& sheet);

// The job as handed to TCut2D, for checking a whole result.
struct job_piece {
    int32_t length = 0, width = 0;
    int32_t may_rotate = 1;  // used when grain is not given
    int32_t grain = -1;      // -1: loaded with may_rotate
    int32_t priority = 0;
};
struct job_stock {
    int32_t length = 0, width = 0;
    int32_t trim_y0 = 0, trim_x0 = 0, trim_yW = 0, trim_xL = 0;
    int32_t priority = 0;
    int32_t grain = -1;
};
struct cut_job {
    std::vector<job_piece> pieces;
    std::vector<job_stock> stock;
    int32_t kerf = 0;
    int32_t max_cut = 0;  // 0: not set
    int32_t length_breakage = -1, width_breakage = -1;
    int32_t optimization_level = 100;
    int32_t seed = 0;
};

// Loads the job into the optimiser (pieces tagged with their index as source_index).
void LoadJob(TCut2D& cut, const cut_job& job);
// Checks everything the optimiser reports; call inside the end-of-run callback.
std::vector<std::string> CheckResult(const TCut2D& cut, const cut_job& job);

// Sheets, placed pieces and areas of a result, for the benchmarks; call inside the end-of-run callback.
struct result_figures {
    int32_t sheets = 0, placed = 0;
    double placed_area = 0.0, sheet_area = 0.0;
};
result_figures MeasureResult(const TCut2D& cut, const cut_job& job);

// A compact picture of a result, for determinism checks.
std::string DescribeResult(const TCut2D& cut);

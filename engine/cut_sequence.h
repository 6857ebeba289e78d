#pragma once
// The order in which a panel saw makes the cuts of a sheet layout, with counts and lengths.
#include <cstdint>
#include <vector>

#include "engine/solution2d.h"

class stavora_2d;

// rip: the cut runs along the sheet's length (x); cross: along its width (y).
enum class cut_direction : uint8_t { rip, cross };

// One cut as the saw operator makes it.
struct sequence_cut {
    int32_t number = 0;     // 1, 2, ... in saw order
    int32_t stage = 0;      // 0 for trim cuts; 1 for cuts across the (trimmed) sheet; +1 per level below
    bool trim = false;      // takes a trim strip off a sheet edge
    cut_direction direction = cut_direction::rip;
    int32_t cut_index = -1;  // position in Solution2D::cuts
    // The part being cut when the saw reaches this cut.
    fractional_double part_x1, part_y1, part_x2, part_y2;
    fractional_double position;  // from the part's near edge (top for rip cuts, left for cross-cuts)
    fractional_double length;
    fractional_double kerf;
    std::vector<int32_t> freed_pieces;  // positions in Solution2D::pieces, finished by this cut
    std::vector<int32_t> freed_wastes;  // positions in Solution2D::wastes
};

struct layout_cut_sequence {
    std::vector<sequence_cut> cuts;
    fractional_double cut_length;  // sum of the cut lengths of one sheet
    bool complete = true;          // false when some cut does not run across the part it lies in
};

// What the sequence needs to know of the sheet beyond the layout.
struct sheet_trims {
    fractional_double top, left, bottom, right;  // trims at y = 0, x = 0, y = W, x = L
    fractional_double minimal_break;             // a trim strip may be widened to this
};

layout_cut_sequence BuildCutSequence(const Solution2D& layout, const sheet_trims& trims);

// The trims of the stock record the layout was cut from, with the run's minimal break size.
sheet_trims TrimsOfLayout(const stavora_2d& facade, const Solution2D& layout);
// BuildCutSequence with the layout's own trims.
layout_cut_sequence CutSequenceOf(const stavora_2d& facade, const Solution2D& layout);

// Cuts and their length over the sheets of a job (every layout times its repetitions).
struct cut_totals {
    int64_t cut_count = 0;
    int64_t sheet_count = 0;
    fractional_double cut_length;
};
cut_totals JobCutTotals(const stavora_2d& facade);
// The totals of the layouts of one material (ignoring case).
cut_totals MaterialCutTotals(const stavora_2d& facade, const my_w_string& material);

// The layout's pieces in the order the sequence frees them; pieces no cut frees (a piece as large
// as the sheet) follow in list order.
std::vector<int32_t> PiecesInCuttingOrder(const Solution2D& layout, const layout_cut_sequence& sequence);

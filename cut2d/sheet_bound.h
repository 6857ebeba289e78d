#pragma once
// Lower bounds on the number of sheets a set of pieces needs, kerf and trims counted.
#include <cstdint>
#include <vector>

#include "layout_model.h"

struct sheet_bound {
    int32_t area = 0;  // piece area over the largest usable sheet area
    int32_t best = 0;  // the strongest bound known here
};

// Holds for every guillotine layout of the pieces on any number of the given stock items.
sheet_bound SheetLowerBound(const std::vector<part2d>& pieces, const std::vector<stock2d>& stock, int32_t kerf);

#pragma once
// The largest quantities a run takes: what the optimisers' 32-bit counts and memory hold per material.
#include <cstdint>
#include <optional>
#include <string>

#include "model/input_records.h"

// Pieces (and, apart, stock units) of one material that one run may hold.
inline constexpr int64_t kMaxPiecesPerMaterial = 1'000'000;

struct quantity_refusal {
    bool stock = false;     // the row is a stock row, not a part row
    int32_t row = 0;        // counted from 1, as the user sees it
    int64_t quantity = 0;   // the row's own quantity
};

// The first used row whose quantity takes its material past the bound; none when every row fits.
std::optional<quantity_refusal> FindOversizedQuantity(const parts_array_2d& parts, const stock_array_2d& stock);

// The refusal in the loaded language, naming the list and the row.
std::wstring RefusalText(const quantity_refusal& refusal);

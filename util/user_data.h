#pragma once
// Tag carried with every piece and stock unit through an optimiser, leading back to its input record.
#include <cstdint>

struct user_data {
    int32_t row_index = -1;     // row_index of the record (grid row, -1 for file records)
    int32_t source_index = -1;  // position of the record in the facade's input array
    friend bool operator==(const user_data&, const user_data&) = default;
};

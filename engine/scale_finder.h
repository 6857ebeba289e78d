#pragma once
// Finds the power of ten that turns every size of a material group into an integer.
#include <cstdint>

#include "model/input_records.h"

struct group_scale {
    double scale = 1.0;
    int32_t decimals = 0;
};

// The largest scaled size any group may hold (the largest int32 divided by 10).
inline constexpr double kLargestScaledSize = 214748364.0;

// Examines the group's part and stock sizes and the length parameters; false when no scale keeps
// every scaled size at or below kLargestScaledSize, or a size is not a finite number.
bool FindGroupScale(const parts_array_2d& group_parts, const stock_array_2d& group_stock,
                    const parameters_as_number_2d& parameters, group_scale& result);

// The maximal cut length as far as it can matter: no cut is longer than the group's largest
// sheet side, so a generous setting never forces a scale beyond the integer range.
fractional_double EffectiveMaximalCut(const stock_array_2d& group_stock, const parameters_as_number_2d& parameters);

// Halves away from zero at `decimals` places, in the engine's way of rounding waste sizes.
double RoundToDecimals(double value, int32_t decimals);

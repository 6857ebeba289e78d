#include "engine/scale_finder.h"

#include <cmath>
#include <vector>

namespace {

constexpr double kIntegerTolerance = 1e-10;

std::vector<double> ExaminedValues(const parts_array_2d& parts, const stock_array_2d& stock,
                                   const parameters_as_number_2d& p)
{
    std::vector<double> values;
    for (const auto& part : parts) {
        if (part.quantity == 0 || !part.useit) continue;
        values.push_back(part.length.AsDouble());
        values.push_back(part.width.AsDouble());
        if (p.subtract_edge_band) {
            const cant& band = part.edge_band;
            for (const auto* t : {&band.top_thick, &band.left_thick, &band.right_thick, &band.bottom_thick})
                values.push_back(t->AsDouble());
        }
        if (p.add_grinding) {
            const grinding_as_number_2d& g = part.grinding;
            for (const auto* t : {&g.top_thick, &g.left_thick, &g.right_thick, &g.bottom_thick})
                values.push_back(t->AsDouble());
        }
    }
    for (const auto& item : stock) {
        if (item.quantity == 0 || !item.useit) continue;
        for (const auto* v : {&item.length, &item.width, &item.trim_top, &item.trim_left, &item.trim_right,
                              &item.trim_bottom})
            values.push_back(v->AsDouble());
    }
    const fractional_double maximal_cut = EffectiveMaximalCut(stock, p);
    for (const auto* v : {&p.cutter_thickness, &p.minimal_break_size, &p.second_break_size, &p.height_tolerance,
                          &maximal_cut, &p.minimal_useful_size})
        values.push_back(v->AsDouble());
    return values;
}

}  // namespace

fractional_double EffectiveMaximalCut(const stock_array_2d& group_stock, const parameters_as_number_2d& parameters)
{
    fractional_double largest_side;
    bool any = false;
    for (const auto& item : group_stock) {
        if (item.quantity == 0 || !item.useit) continue;
        for (const fractional_double* side : {&item.length, &item.width}) {
            if (!any || *side > largest_side) largest_side = *side;
            any = true;
        }
    }
    if (any && parameters.maximal_cut_length > largest_side) return largest_side;
    return parameters.maximal_cut_length;
}

bool FindGroupScale(const parts_array_2d& group_parts, const stock_array_2d& group_stock,
                    const parameters_as_number_2d& parameters, group_scale& result)
{
    result = group_scale{};
    const std::vector<double> values = ExaminedValues(group_parts, group_stock, parameters);
    double scale = 1.0;
    int32_t decimals = 0;
    for (double v : values) {
        if (!std::isfinite(v)) return false;
        double w = v * scale;
        while (std::fabs(w - std::round(w)) > kIntegerTolerance) {
            scale *= 10.0;
            w *= 10.0;
            ++decimals;
            if (scale > kLargestScaledSize || std::fabs(w) > kLargestScaledSize) return false;
        }
    }
    // Negative sizes never reach a run, but their magnitude must fit the integer range as well.
    for (double v : values)
        if (std::fabs(v * scale) > kLargestScaledSize) return false;
    result.scale = scale;
    result.decimals = decimals;
    return true;
}

double RoundToDecimals(double value, int32_t decimals)
{
    double t = value * std::pow(10.0, decimals + 1);
    t += t < 0 ? -5.0 : 5.0;
    t /= 10.0;
    return std::trunc(t) / std::pow(10.0, decimals);
}

#pragma once
// One material group of a run: the usable records of one material (and width, for bars).
#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/stavora_2d.h"
#include "model/input_records.h"

struct run_group {
    parts_array_2d parts;            // copies of the input records, in input order
    stock_array_2d stock;
    std::vector<int32_t> part_source;   // group position -> input position
    std::vector<int32_t> stock_source;
    int64_t part_quantity = 0;
    int64_t stock_quantity = 0;

    void AddPart(const part_as_number_2d& part, int32_t source)
    {
        parts.Append(part);
        part_source.push_back(source);
        part_quantity += std::max(part.quantity, 0);  // a negative row must not eat another row's pieces
    }
    void AddStock(const stock_as_number_2d& item, int32_t source)
    {
        stock.Append(item);
        stock_source.push_back(source);
        stock_quantity += std::max(item.quantity, 0);
    }
};

// The input records of one group: usable, of the group's material, and passing `takes`.
template <class PartTest, class StockTest>
run_group CollectGroup(const parts_array_2d& parts, const stock_array_2d& stock, const my_w_string& material,
                       PartTest takes_part, StockTest takes_stock)
{
    run_group group;
    for (int32_t j = 0; j < parts.count(); ++j)
        if (parts[j].useit && parts[j].material.EqualsIgnoreCase(material) && takes_part(parts[j]))
            group.AddPart(parts[j], j);
    for (int32_t j = 0; j < stock.count(); ++j)
        if (stock[j].useit && stock[j].material.EqualsIgnoreCase(material) && takes_stock(stock[j]))
            group.AddStock(stock[j], j);
    return group;
}

// A group whose placed pieces fall short of its demand turns an all-placed status into "not all placed".
inline void NoteShortfall(const run_group& group, int32_t placed, int32_t& status)
{
    if (group.part_quantity != 0 && group.part_quantity != placed && status == kRunAllPlaced) status = kRunNotAllPlaced;
}

// Counts one more of the first listed layout equal to `layout`, or appends it when there is none.
template <class Layout>
void AddOrRepeat(TOwningList<Layout>& layouts, std::unique_ptr<Layout> layout, int32_t Layout::*count)
{
    for (auto& existing : layouts) {
        if (existing->SameLayout(*layout)) {
            ++((*existing).*count);
            return;
        }
    }
    layouts.Add(std::move(layout));
}

// Sizes in integer units of a run: floor(value * scale + 0.5).
inline int32_t Units(const fractional_double& size, double scale) { return size.ToUnits(scale); }

// A result size back in user units, as a fraction with the scale as denominator unless the job
// was typed in plain decimals.
inline fractional_double FromUnits(double units, double scale, bool decimal_input)
{
    fractional_double value(units / scale);
    if (!decimal_input) value.FractionFromDecimal(static_cast<int64_t>(scale));
    return value;
}

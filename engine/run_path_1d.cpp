// The bar half of a run: groups by material and width, integer units, TCut1D, and the conversion back.
#include "cut1d/TCut1D.h"
#include "engine/run_group.h"
#include "engine/scale_finder.h"
#include "engine/stavora_2d.h"

namespace {

struct bar_group_key {
    my_w_string material;
    double width = 0.0;
};

bool KeyHandled(const std::vector<bar_group_key>& handled, const my_w_string& material, double width)
{
    for (const auto& key : handled)
        if (key.material.EqualsIgnoreCase(material) && key.width == width) return true;
    return false;
}

void HandParameters(TCut1D& cut, const parameters_as_number_2d& p, double scale)
{
    cut.set_BladeWidth(Units(p.linear_cutter_thickness, scale));
    cut.set_OptimizationLevel(p.iterations);
    cut.set_RandomSeed(p.random_seed);
    cut.set_MinReusedWaste(Units(p.linear_band_high, scale));
    cut.set_MaxGarbageWaste(Units(p.linear_band_low, scale));
}

void HandPiecesAndBars(TCut1D& cut, const run_group& group, const fractional_double& profile_width, double scale)
{
    if (group.part_quantity == 0 || group.stock_quantity == 0) return;
    // The mitre saving needs the profile's width, which is the group's width.
    cut.set_Width(Units(profile_width, scale));

    cut.set_NumberOfDemandPieces(static_cast<int32_t>(group.part_quantity));
    int32_t k = 0;
    for (int32_t g = 0; g < group.parts.count(); ++g) {
        const part_as_number_2d& part = group.parts[g];
        const int32_t length = Units(part.length, scale);
        for (int32_t unit = 0; unit < part.quantity; ++unit, ++k)
            cut.SetDemandPiece3(k, length, part.end_angle_1, part.end_angle_2, 0.0, 0,
                                user_data{part.row_index, group.part_source[static_cast<size_t>(g)]});
    }

    cut.set_NumberOfRepositoryPieces(static_cast<int32_t>(group.stock_quantity));
    k = 0;
    for (int32_t g = 0; g < group.stock.count(); ++g) {
        const stock_as_number_2d& item = group.stock[g];
        const int32_t length = Units(item.length - item.trim_left - item.trim_right, scale);
        for (int32_t unit = 0; unit < item.quantity; ++unit, ++k)
            cut.SetRepositoryPiece2(k, length, item.price, item.priority,
                                    user_data{item.row_index, group.stock_source[static_cast<size_t>(g)]});
    }
}

}  // namespace

int32_t stavora_2d::RunPath1D()
{
    int32_t status = kRunAllPlaced;
    scale = 1.0;
    decimals = 0;
    ClearSummaries(used_stock_1d, placed_parts_1d, garbage_waste_1d, reused_waste_1d, utilization_1d);

    std::vector<bar_group_key> handled;
    for (int32_t i = 0; i < parts.count(); ++i) {
        placed_count_1d = 0;
        const my_w_string material = parts[i].material;
        const fractional_double profile_width = parts[i].width;
        const double width = profile_width.AsDouble();
        if (KeyHandled(handled, material, width)) continue;
        handled.push_back({material, width});

        // Widths are group keys, compared exactly.
        const run_group group = CollectGroup(
            parts, stock, material,
            [width](const part_as_number_2d& p) { return p.width.AsDouble() == width && p.IsLinearPiece(); },
            [width](const stock_as_number_2d& s) { return s.width.AsDouble() == width && s.IsBar(); });
        if (!PrepareGroup(group, status)) continue;

        const int32_t first_layout = solutions_1d.Count();
        HandParameters(*optimizer_1d, parameters, scale);
        HandPiecesAndBars(*optimizer_1d, group, profile_width, scale);
        optimizer_1d->Run();

        for (int32_t s = first_layout; s < solutions_1d.Count(); ++s) {
            Solution1D& layout = *solutions_1d.Get(s);
            const stock_as_number_2d& bar = stock[layout.stockIndex];
            layout.stockLabel = bar.label;
            layout.groupName = material;
            for (TFractionalPiece1D& piece : layout.pieces) {
                piece.label = parts[piece.partIndex].label;
                placed_parts_1d.AddOrMerge(parts[piece.partIndex], layout.repeat);
            }
            if (layout.waste > 0.0) {
                garbage_waste_1d.Offer1D(layout.waste, material, parameters.linear_minimal_useful_size,
                                         layout.repeat);
                reused_waste_1d.Offer1D(layout.waste, material, parameters.linear_minimal_useful_size,
                                        layout.repeat);
            }
            used_stock_1d.AddOrMerge(bar, layout.repeat);
            material_utilization& entry = utilization_1d.EntryFor(material);
            entry.waste_area_total += layout.waste * layout.repeat;
            entry.sheet_area_total += layout.barLength * layout.repeat;
            entry.cost_total += layout.barCost * layout.repeat;
            entry.piece_total += layout.pieceCount() * layout.repeat;
        }
        NoteShortfall(group, placed_count_1d, status);
    }
    return status;
}

void stavora_2d::OnSolution1D()
{
    const TCut1D& cut = *optimizer_1d;
    layout_count_1d = cut.GetBarCount();
    placed_count_1d = cut.GetTotalPieces();
    const int64_t denominator = static_cast<int64_t>(scale);

    for (int32_t b = 0; b < layout_count_1d; ++b) {
        const auto bar = cut.GetBar(b);
        if (!bar) continue;
        const auto bar_stock = cut.GetStock(bar->bar_number);
        if (!bar_stock) continue;
        auto layout = std::make_unique<Solution1D>();
        layout->stockTag = bar->data.row_index;
        layout->stockIndex = bar->data.source_index;
        // Without a price the optimiser costs a bar by its length in integer units: give it in the user's.
        layout->barCost = stock[layout->stockIndex].price > 0.0 ? bar_stock->cost : bar_stock->cost / scale;
        layout->stockLength = stock[layout->stockIndex].length;
        layout->barLength = bar_stock->length / scale;
        if (!decimal_input) {
            layout->stockLength.FractionFromDecimal(denominator);
            layout->barLength.FractionFromDecimal(denominator);
        }
        layout->pieces.reserve(static_cast<size_t>(bar->piece_count));
        for (int32_t i = 0; i < bar->piece_count; ++i) {
            const auto cut_piece = cut.GetBarPiece(b, i);
            if (!cut_piece) continue;
            const auto input_piece = cut.GetPiece(cut_piece->piece_number);
            TFractionalPiece1D piece;
            piece.mirrored = cut_piece->mirrored;
            piece.turned = cut_piece->turned;
            piece.swapped = cut_piece->swapped;
            piece.partTag = cut_piece->piece_data.row_index;
            piece.partIndex = cut_piece->piece_data.source_index;
            if (input_piece) {
                piece.angle1 = input_piece->angle1;
                piece.angle2 = input_piece->angle2;
            }
            TFractionalPiece1D::OrientAngles(piece.angle1, piece.angle2, piece.mirrored, piece.turned, piece.swapped);
            const part_as_number_2d& part = parts[piece.partIndex];
            piece.length = part.length;
            piece.customer = part.customer;
            piece.label = part.label;
            if (!decimal_input) piece.length.FractionFromDecimal(denominator);
            layout->pieces.push_back(std::move(piece));
        }
        layout->waste = cut.GetBarWaste(b).value_or(cut1d_bar_waste{}).waste / scale;
        if (!decimal_input) layout->waste.FractionFromDecimal(denominator);

        AddOrRepeat(solutions_1d, std::move(layout), &Solution1D::repeat);
    }
}

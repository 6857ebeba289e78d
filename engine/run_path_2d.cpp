// The sheet half of a run: material groups, integer units, TCut2D, and the conversion back.
#include <algorithm>
#include <cmath>

#include "cut2d/TCut2D.h"
#include "engine/run_group.h"
#include "engine/scale_finder.h"
#include "engine/stavora_2d.h"

namespace {

bool NameHandled(const std::vector<my_w_string>& handled, const my_w_string& name)
{
    for (const auto& h : handled)
        if (h.EqualsIgnoreCase(name)) return true;
    return false;
}

int32_t CountMaterials(const parts_array_2d& parts)
{
    std::vector<my_w_string> seen;
    for (const auto& p : parts)
        if (!NameHandled(seen, p.material)) seen.push_back(p.material);
    return static_cast<int32_t>(seen.size());
}

// The size a part is cut at: edge bands taken off, grinding added, as the switches say.
void CutSize(const part_as_number_2d& part, const parameters_as_number_2d& p, fractional_double& length,
             fractional_double& width)
{
    length = part.length;
    width = part.width;
    if (p.subtract_edge_band) {
        length -= part.edge_band.left_thick + part.edge_band.right_thick;
        width -= part.edge_band.top_thick + part.edge_band.bottom_thick;
    }
    if (p.add_grinding) {
        length += part.grinding.left_thick + part.grinding.right_thick;
        width += part.grinding.top_thick + part.grinding.bottom_thick;
    }
}

void HandParameters(TCut2D& cut, const parameters_as_number_2d& p, const fractional_double& maximal_cut,
                    double scale)
{
    cut.set_BladeWidth(Units(p.cutter_thickness, scale));
    cut.set_MinimalWidthBreakage(Units(p.minimal_break_size, scale));
    cut.set_MinimalLengthBreakage(Units(p.second_break_size, scale));
    cut.set_OptimizationLevel(p.iterations);
    cut.set_RandomSeed(p.random_seed);
    cut.set_StagedFinishVariant(p.staged_finish_variant);
    cut.set_FirstDirectionMultiStages(p.first_direction);
    cut.set_StagedPlacementVariant(p.staged_placement_variant);
    cut.set_PreferLargeRemnant(p.prefer_large_remnant);
    cut.set_OnlyPiecesOfTheSameHeightInAStrip(p.same_height_in_strip);
    cut.set_NumberOfStages(p.number_of_stages);
    cut.set_HeightTolerance(Units(p.height_tolerance, scale));
    cut.set_MaximalCutLength(Units(maximal_cut, scale));
    cut.set_MinimalUsefulSize(Units(p.minimal_useful_size, scale));
    cut.set_Effort(static_cast<cut2d_effort>(std::min<int>(p.effort, 2)));
    cut.set_Threads(p.threads);
    cut.set_TimeLimit(p.time_limit);
}

void HandPiecesAndStock(TCut2D& cut, const run_group& group, const parameters_as_number_2d& p, double scale)
{
    if (group.part_quantity == 0 || group.stock_quantity == 0) return;
    const bool grain_form = group.parts[0].allow_rotation == kRotationNotGiven;

    cut.set_NumberOfDemandPieces(static_cast<int32_t>(group.part_quantity));
    int32_t k = 0;
    for (int32_t g = 0; g < group.parts.count(); ++g) {
        const part_as_number_2d& part = group.parts[g];
        fractional_double length, width;
        CutSize(part, p, length, width);
        const int32_t l = Units(length, scale);
        const int32_t w = Units(width, scale);
        for (int32_t unit = 0; unit < part.quantity; ++unit, ++k) {
            const user_data data{part.row_index, group.part_source[static_cast<size_t>(g)]};
            if (grain_form)
                cut.SetDemandPieceWithGrain(k, l, w, part.grain, data, 0);
            else
                cut.SetDemandPiece(k, l, w, part.allow_rotation, data, 0);
        }
    }

    cut.set_NumberOfRepositoryPieces(static_cast<int32_t>(group.stock_quantity));
    k = 0;
    for (int32_t g = 0; g < group.stock.count(); ++g) {
        const stock_as_number_2d& item = group.stock[g];
        const int32_t l = Units(item.length, scale);
        const int32_t w = Units(item.width, scale);
        const int32_t top = Units(item.trim_top, scale);
        const int32_t left = Units(item.trim_left, scale);
        const int32_t bottom = Units(item.trim_bottom, scale);
        const int32_t right = Units(item.trim_right, scale);
        for (int32_t unit = 0; unit < item.quantity; ++unit, ++k) {
            const user_data data{item.row_index, group.stock_source[static_cast<size_t>(g)]};
            if (grain_form)
                cut.SetRepositoryPieceWithGrain(k, l, w, top, left, bottom, right, data, item.priority, 0, item.grain,
                                                item.price);
            else
                cut.SetRepositoryPiece(k, l, w, top, left, bottom, right, data, 0, 0, item.price);
        }
    }
}

void StartRun(TCut2D& cut, uint8_t run_mode)
{
    switch (run_mode) {
    case 0: cut.StartGuillotine(); break;
    case 1: cut.StartNested(); break;
    case 2: cut.StartStaged(); break;
    default: break;  // an unknown mode starts nothing
    }
}

}  // namespace

int32_t stavora_2d::RunPath2D()
{
    int32_t status = kRunAllPlaced;
    scale = 1.0;
    decimals = 0;
    ClearSummaries(used_stock_2d, placed_parts_2d, garbage_waste_2d, reused_waste_2d, utilization_2d);

    std::vector<my_w_string> handled;
    last_progress.group_count = CountMaterials(parts);
    for (int32_t i = 0; i < parts.count(); ++i) {
        placed_count_2d = 0;
        const my_w_string material = parts[i].material;
        if (NameHandled(handled, material)) continue;
        handled.push_back(material);
        last_progress.group_index = static_cast<int32_t>(handled.size()) - 1;
        last_progress.material = material.str();

        const run_group group = CollectGroup(
            parts, stock, material, [](const part_as_number_2d& p) { return p.IsFlatPiece(); },
            [](const stock_as_number_2d& s) { return s.IsSheet(); });
        if (!PrepareGroup(group, status)) continue;

        const int32_t first_layout = solutions_2d.Count();
        layout_count_2d = 0;
        sheet_lower_bound_2d = 0;
        optimal_2d = false;
        HandParameters(*optimizer_2d, parameters, EffectiveMaximalCut(group.stock, parameters), scale);
        HandPiecesAndStock(*optimizer_2d, group, parameters, scale);
        StartRun(*optimizer_2d, parameters.run_mode);

        for (int32_t s = first_layout; s < solutions_2d.Count(); ++s) {
            Solution2D& layout = *solutions_2d.Get(s);
            const stock_as_number_2d& sheet = stock[layout.sheet_source_index];
            layout.stock_label = sheet.label;
            layout.material = material;
            for (TFractionalPiece2D& piece : layout.pieces) {
                const part_as_number_2d& part = parts[piece.source_index];
                // Compared with the size the part was cut at, so that edge bands taken off or
                // grinding added do not make every piece look turned.
                fractional_double cut_length, cut_width;
                CutSize(part, parameters, cut_length, cut_width);
                piece.rotated = piece.horizontal_size.EqualValue(cut_length) ? 0 : 1;
                piece.edge_band.Rotate(piece.rotated);
                piece.grinding.Rotate(piece.rotated);
                placed_parts_2d.AddOrMerge(part, layout.repetitions);
            }
            for (const TFractionalWaste& waste : layout.wastes) {
                if (waste.vertical_size > 0.0 && waste.horizontal_size > 0.0) {
                    garbage_waste_2d.Offer2D(waste.horizontal_size, waste.vertical_size, material,
                                             parameters.minimal_useful_size, layout.repetitions);
                    reused_waste_2d.Offer2D(waste.horizontal_size, waste.vertical_size, material,
                                            parameters.minimal_useful_size, layout.repetitions);
                }
            }
            used_stock_2d.AddOrMerge(sheet, layout.repetitions);
            utilization_2d.AddLayout(layout);
        }
        if (layout_count_2d > 0) {
            material_utilization& entry = utilization_2d.EntryFor(material);
            entry.optimal = (entry.sheet_total == 0 || entry.optimal) && optimal_2d;
            entry.sheet_total += layout_count_2d;
            entry.sheet_lower_bound += sheet_lower_bound_2d;
        }
        NoteShortfall(group, placed_count_2d, status);
    }
    return status;
}

void stavora_2d::OnSolution2D()
{
    const TCut2D& cut = *optimizer_2d;
    placed_count_2d = cut.GetPlacedPieceCount();
    layout_count_2d = cut.GetSheetCount();
    sheet_lower_bound_2d = cut.GetSheetLowerBound();
    optimal_2d = cut.GetProvenOptimal();
    const int64_t denominator = static_cast<int64_t>(scale);
    auto from_units = [this](double units) { return FromUnits(units, scale, decimal_input); };

    for (int32_t s = 0; s < layout_count_2d; ++s) {
        auto layout = std::make_unique<Solution2D>();
        const user_data sheet_data = cut.GetSheetData(s).value_or(user_data{});
        layout->sheet_row_index = sheet_data.row_index;
        layout->sheet_source_index = sheet_data.source_index;
        const auto stock_unit = cut.GetRepositoryPiece(cut.GetSheetStockIndex(s).value_or(-1));
        if (!stock_unit) continue;
        layout->sheet_length = from_units(stock_unit->length);
        layout->sheet_width = from_units(stock_unit->width);

        const int32_t piece_count = cut.GetSheetPieceCount(s);
        layout->pieces.reserve(static_cast<size_t>(piece_count));
        for (int32_t j = 0; j < piece_count; ++j) {
            const auto placed = cut.GetSheetPiece(s, j);
            if (!placed) continue;
            TFractionalPiece2D piece;
            piece.x1 = placed->x1 / scale;
            piece.y1 = placed->y1 / scale;
            piece.x2 = placed->x2 / scale;
            piece.y2 = placed->y2 / scale;
            piece.row_index = placed->data.row_index;
            piece.source_index = placed->data.source_index;
            const part_as_number_2d& part = parts[piece.source_index];
            piece.label = part.label;
            piece.customer = part.customer;
            piece.edge_band = part.edge_band;
            piece.grinding = part.grinding;
            piece.vertical_size = piece.y2 - piece.y1;
            piece.horizontal_size = piece.x2 - piece.x1;
            if (!decimal_input) {
                for (fractional_double* v : {&piece.x1, &piece.y1, &piece.x2, &piece.y2, &piece.vertical_size,
                                             &piece.horizontal_size})
                    v->FractionFromDecimal(denominator);
            }
            layout->used_area += Product(piece.horizontal_size, piece.vertical_size);
            layout->pieces.push_back(std::move(piece));
        }

        layout->waste_area = cut.GetSheetWasteArea(s) / scale / scale;
        layout->cut_length = from_units(cut.GetSheetCutLength(s));
        const double price = stock_unit->value;
        if (parameters.price_per_area)
            layout->cost = layout->used_area.AsDouble() * price;
        else
            layout->cost = layout->used_area.AsDouble() * price / layout->sheet_length.AsDouble() /
                           layout->sheet_width.AsDouble();
        if (!decimal_input) layout->used_area.FractionFromDecimal(denominator * denominator);

        const int32_t waste_count = cut.GetSheetWasteCount(s);
        layout->wastes.reserve(static_cast<size_t>(waste_count));
        for (int32_t j = 0; j < waste_count; ++j) {
            const auto rect = cut.GetSheetWaste(s, j);
            if (!rect) continue;
            TFractionalWaste waste;
            const double x1 = rect->x1 / scale, y1 = rect->y1 / scale, x2 = rect->x2 / scale, y2 = rect->y2 / scale;
            waste.x1 = x1;
            waste.y1 = y1;
            waste.x2 = x2;
            waste.y2 = y2;
            waste.vertical_size = RoundToDecimals(y2 - y1, decimals);
            waste.horizontal_size = RoundToDecimals(x2 - x1, decimals);
            if (!decimal_input) {
                for (fractional_double* v : {&waste.x1, &waste.y1, &waste.x2, &waste.y2, &waste.vertical_size,
                                             &waste.horizontal_size})
                    v->FractionFromDecimal(denominator);
            }
            layout->wastes.push_back(waste);
        }

        const int32_t cut_count = cut.GetSheetCutCount(s);
        layout->cuts.reserve(static_cast<size_t>(cut_count));
        for (int32_t j = 0; j < cut_count; ++j) {
            const auto line = cut.GetSheetCut(s, j);
            if (!line) continue;
            TFractionalCut c;
            c.x1 = from_units(line->x1);
            c.y1 = from_units(line->y1);
            c.x2 = from_units(line->x2);
            c.y2 = from_units(line->y2);
            c.cut_kerf = from_units(line->kerf);
            layout->cuts.push_back(c);
        }

        AddOrRepeat(solutions_2d, std::move(layout), &Solution2D::repetitions);
    }
}

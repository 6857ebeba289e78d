#include "cli/cli_report.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <map>
#include <sstream>

#include "cli/cli_cut_output.h"
#include "cli/cli_outputs.h"
#include "model/number_text.h"
#include "util/safe_file.h"
#include "util/utf8.h"

namespace {

std::string Text(const fractional_double& v) { return WideToUtf8(v.FormatDisplay(L'.')); }
std::string Text(const my_w_string& s) { return WideToUtf8(s.str()); }
// Names in the summary; an empty one would leave a gap in the sentence.
// Control characters from the lists are escaped on the terminal.
std::string Shown(const my_w_string& s) { return EscapeControls(Text(s)); }
std::string Name(const my_w_string& s) { return s.empty() ? std::string("(none)") : Shown(s); }

// The waste share cut (not rounded) to two decimals, as the drawings show it.
std::string Percent(double part, double whole)
{
    if (whole <= 0.0) return "0";
    const double cut = std::trunc(part * 100.0 / whole * 100.0) * 0.01;
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.2f", cut);
    std::string s = buffer;
    while (!s.empty() && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
    return s;
}

const char* StatusText(int32_t status)
{
    switch (status) {
    case kRunAllPlaced: return "every piece placed";
    case kRunNotScalable: return "a material was skipped: its sizes do not fit the integer range";
    default: return "not every piece placed";
    }
}

}  // namespace

std::vector<unplaced_part> FindUnplacedParts(const stavora_2d& facade)
{
    std::map<int32_t, int64_t> placed;
    for (const auto& layout : facade.solutions_2d)
        for (const auto& piece : layout->pieces) placed[piece.source_index] += layout->repetitions;
    for (const auto& layout : facade.solutions_1d)
        for (const auto& piece : layout->pieces) placed[piece.partIndex] += layout->repeat;
    std::vector<unplaced_part> result;
    for (int32_t i = 0; i < facade.parts.count(); ++i) {
        const part_as_number_2d& part = facade.parts[i];
        if (!part.useit) continue;
        const int64_t missing = part.quantity - placed[i];
        if (missing > 0) result.push_back({i, part.label.str(), static_cast<int32_t>(missing)});
    }
    return result;
}

void PrintSummary(std::ostream& out, const stavora_2d& facade, int32_t status)
{
    out << "Stavora: " << facade.solutions_2d.Count() << " sheet layout(s), " << facade.solutions_1d.Count()
        << " bar layout(s); " << StatusText(status) << "\n";
    int index = 0;
    for (const auto& layout : facade.solutions_2d) {
        const double sheet_area = Product(layout->sheet_length, layout->sheet_width).AsDouble();
        out << "\nSheet layout " << ++index << ": material " << Name(layout->material) << ", stock "
            << Name(layout->stock_label) << ", sheet " << Text(layout->sheet_length) << " x "
            << Text(layout->sheet_width) << ", cut " << layout->repetitions << " time(s)\n";
        out << "  pieces " << layout->piece_count() << ", waste " << Text(layout->waste_area) << " ("
            << Percent(layout->waste_area.AsDouble(), sheet_area) << "%), used area " << Text(layout->used_area)
            << "\n";
        for (const auto& piece : layout->pieces) {
            out << "    " << Text(piece.horizontal_size) << " x " << Text(piece.vertical_size) << " at ("
                << Text(piece.x1) << ", " << Text(piece.y1) << ")";
            if (piece.rotated) out << " turned";
            if (!piece.label.empty()) out << "  " << Shown(piece.label);
            out << "\n";
        }
    }
    index = 0;
    for (const auto& layout : facade.solutions_1d) {
        out << "\nBar layout " << ++index << ": material " << Name(layout->groupName) << ", stock "
            << Name(layout->stockLabel) << ", bar " << Text(layout->barLength) << " (stock "
            << Text(layout->stockLength) << "), cut " << layout->repeat << " time(s), waste " << Text(layout->waste)
            << "\n";
        for (const auto& piece : layout->pieces) {
            out << "    " << Text(piece.length) << "  angles " << piece.angle1 << "/" << piece.angle2;
            if (!piece.label.empty()) out << "  " << Shown(piece.label);
            out << "\n";
        }
    }
    if (facade.utilization_2d.Count() + facade.utilization_1d.Count() > 0) out << "\nTotals\n";
    for (const auto& u : facade.utilization_2d) {
        out << "  sheets of " << Name(u->material) << ": sheet area " << Text(u->sheet_area_total) << ", used area "
            << Text(u->used_area_total) << ", waste " << Text(u->waste_area_total) << " ("
            << Percent(u->waste_area_total.AsDouble(), u->sheet_area_total.AsDouble()) << "%), pieces "
            << u->piece_total << ", cut length " << Text(u->cut_length_total) << "\n";
        out << "    sheets " << u->sheet_total << ", lower bound " << u->sheet_lower_bound << ": ";
        if (u->optimal)
            out << "optimal\n";
        else if (u->sheet_total <= u->sheet_lower_bound)
            out << "fewest sheets possible\n";
        else
            out << "at most " << std::max(u->sheet_total - u->sheet_lower_bound, 0) << " sheet(s) could be saved\n";
    }
    for (const auto& u : facade.utilization_1d) {
        out << "  bars of " << Name(u->material) << ": bar length " << Text(u->sheet_area_total) << ", waste "
            << Text(u->waste_area_total) << ", pieces " << u->piece_total << "\n";
    }
    const auto unplaced = FindUnplacedParts(facade);
    if (!unplaced.empty()) {
        out << "\nNot placed\n";
        for (const auto& u : unplaced)
            out << "  " << (u.label.empty() ? std::string("(no label)") : EscapeControls(WideToUtf8(u.label)))
                << " x " << u.count
                << "  (part " << u.source_index + 1 << ")\n";
    }
}

namespace {

using ordered_json = nlohmann::ordered_json;

// Numbers as the summary shows them: 15 significant digits, which drops the binary noise of sizes
// brought back from integer units (200.29999999999998 is 200.3); whole ones without a decimal point
// (5980, not 5980.0), as people type them.
ordered_json Number(double v)
{
    if (!std::isfinite(v)) return v;  // written as null
    const std::string text = stv::text::FormatGeneral(v, 15);
    std::from_chars(text.data(), text.data() + text.size(), v);
    constexpr double kExactLimit = 9007199254740992.0;  // 2^53
    if (v == std::trunc(v) && std::fabs(v) < kExactLimit) return static_cast<int64_t>(v);
    return v;
}

ordered_json Number(const fractional_double& v) { return Number(v.AsDouble()); }

template <class Record>
ordered_json RecordList(const record_array<Record>& records)
{
    ordered_json list = ordered_json::array();
    for (const auto& r : records)
        list.push_back({{"length", Number(r.length)},
                        {"width", Number(r.width)},
                        {"quantity", r.quantity},
                        {"label", Text(r.label)},
                        {"material", Text(r.material)}});
    return list;
}

ordered_json WasteList(const TOwningList<statistical_waste>& wastes)
{
    ordered_json list = ordered_json::array();
    for (const auto& w : wastes)
        list.push_back({{"material", Text(w->material)},
                        {"length", Number(w->length)},
                        {"width", Number(w->width)},
                        {"total", w->total}});
    return list;
}

ordered_json Rectangle(const auto& r)
{
    return {{"x1", r.x1.AsDouble()}, {"y1", r.y1.AsDouble()}, {"x2", r.x2.AsDouble()}, {"y2", r.y2.AsDouble()}};
}

ordered_json Layouts2D(const stavora_2d& facade)
{
    ordered_json list = ordered_json::array();
    for (const auto& l : facade.solutions_2d) {
        ordered_json pieces = ordered_json::array();
        for (const auto& p : l->pieces) {
            ordered_json piece = Rectangle(p);
            piece["horizontal_size"] = Number(p.horizontal_size);
            piece["vertical_size"] = Number(p.vertical_size);
            piece["rotated"] = p.rotated != 0;
            piece["label"] = Text(p.label);
            piece["source_index"] = p.source_index;
            pieces.push_back(std::move(piece));
        }
        ordered_json cuts = ordered_json::array();
        for (const auto& c : l->cuts) {
            ordered_json cut = Rectangle(c);
            cut["cut_kerf"] = Number(c.cut_kerf);
            cuts.push_back(std::move(cut));
        }
        ordered_json wastes = ordered_json::array();
        for (const auto& w : l->wastes) wastes.push_back(Rectangle(w));
        list.push_back({{"material", Text(l->material)},
                        {"stock_label", Text(l->stock_label)},
                        {"sheet_source_index", l->sheet_source_index},
                        {"sheet_length", Number(l->sheet_length)},
                        {"sheet_width", Number(l->sheet_width)},
                        {"sheet_size_text", Text(l->sheet_length) + " x " + Text(l->sheet_width)},
                        {"repetitions", l->repetitions},
                        {"used_area", Number(l->used_area)},
                        {"waste_area", Number(l->waste_area)},
                        {"cut_length", Number(l->cut_length)},
                        {"cost", Number(l->cost)},
                        {"pieces", std::move(pieces)},
                        {"cuts", std::move(cuts)},
                        {"wastes", std::move(wastes)},
                        {"cut_sequence", CutSequenceJson(facade, *l)}});
    }
    return list;
}

ordered_json Layouts1D(const stavora_2d& facade)
{
    ordered_json list = ordered_json::array();
    for (const auto& l : facade.solutions_1d) {
        ordered_json pieces = ordered_json::array();
        for (const auto& p : l->pieces)
            pieces.push_back({{"length", Number(p.length)},
                              {"label", Text(p.label)},
                              {"angle1", Number(p.angle1)},
                              {"angle2", Number(p.angle2)},
                              {"partIndex", p.partIndex}});
        list.push_back({{"material", Text(l->groupName)},
                        {"stock_label", Text(l->stockLabel)},
                        {"stockIndex", l->stockIndex},
                        {"barLength", Number(l->barLength)},
                        {"stockLength", Number(l->stockLength)},
                        {"repeat", l->repeat},
                        {"waste", Number(l->waste)},
                        {"pieces", std::move(pieces)}});
    }
    return list;
}

ordered_json Utilization(const material_utilization_list& totals, bool sheets)
{
    ordered_json list = ordered_json::array();
    for (const auto& u : totals) {
        ordered_json entry = {{"material", Text(u->material)},
                              {"used_area_total", Number(u->used_area_total)},
                              {"waste_area_total", Number(u->waste_area_total)},
                              {"sheet_area_total", Number(u->sheet_area_total)},
                              {"cut_length_total", Number(u->cut_length_total)},
                              {"cost_total", Number(u->cost_total)},
                              {"piece_total", u->piece_total}};
        if (sheets) {
            entry["sheets"] = u->sheet_total;
            entry["lower_bound"] = u->sheet_lower_bound;
            entry["optimal"] = u->optimal;
        }
        list.push_back(std::move(entry));
    }
    return list;
}

// The settings in the job file's names and forms, as the run used them (rounded), so that a result
// can be checked against its job and sent again as one.
ordered_json Settings(const parameters_as_number_2d& p)
{
    static const char* const kModes[] = {"guillotine", "nested", "staged"};
    return {{"kerf", Number(p.cutter_thickness)},
            {"min-break", Number(p.minimal_break_size)},
            {"max-cut", Number(p.maximal_cut_length)},
            {"round", "1/" + std::to_string(p.RoundingDenominator())},
            {"seed", p.random_seed},
            {"iterations", p.iterations},
            {"mode", p.run_mode < 3 ? kModes[p.run_mode] : "guillotine"},
            {"stages", p.number_of_stages},
            {"first-direction", static_cast<int>(p.first_direction)},
            {"same-height-strips", p.same_height_in_strip != 0},
            {"height-tolerance", Number(p.height_tolerance)},
            {"linear-kerf", Number(p.linear_cutter_thickness)}};
}

}  // namespace

nlohmann::ordered_json ResultJson(const stavora_2d& facade, const cli_job& job, int32_t status)
{
    const parameters_as_number_2d& p = job.parameters;
    ordered_json unplaced = ordered_json::array();
    for (const auto& u : FindUnplacedParts(facade))
        unplaced.push_back({{"source_index", u.source_index}, {"label", WideToUtf8(u.label)}, {"count", u.count}});
    return {{"status", status},
            {"decimal", job.decimal_input},
            {"parameters",
             {{"cutter_thickness", Number(p.cutter_thickness)},
              {"minimal_break_size", Number(p.minimal_break_size)},
              {"maximal_cut_length", Number(p.maximal_cut_length)},
              {"round_fractions_to", "1/" + std::to_string(p.RoundingDenominator())},
              {"random_seed", p.random_seed},
              {"iterations", p.iterations},
              {"run_mode", static_cast<int>(p.run_mode)},
              {"effort", p.effort == 0 ? "quick" : p.effort == 2 ? "thorough" : "normal"},
              {"linear_cutter_thickness", Number(p.linear_cutter_thickness)}}},
            {"settings", Settings(p)},
            {"layouts", Layouts2D(facade)},
            {"layouts_1d", Layouts1D(facade)},
            {"placed_parts", RecordList(facade.placed_parts_2d)},
            {"placed_parts_1d", RecordList(facade.placed_parts_1d)},
            {"used_stock", RecordList(facade.used_stock_2d)},
            {"used_stock_1d", RecordList(facade.used_stock_1d)},
            {"garbage_waste", WasteList(facade.garbage_waste_2d)},
            {"reused_waste", WasteList(facade.reused_waste_2d)},
            {"garbage_waste_1d", WasteList(facade.garbage_waste_1d)},
            {"reused_waste_1d", WasteList(facade.reused_waste_1d)},
            {"utilization", Utilization(facade.utilization_2d, true)},
            {"utilization_1d", Utilization(facade.utilization_1d, false)},
            {"unplaced", std::move(unplaced)},
            {"cut_totals", CutTotalsJson(facade)}};
}

nlohmann::ordered_json JsonNumber(double v) { return Number(v); }

bool WriteJson(const std::string& file, const stavora_2d& facade, const cli_job& job, int32_t status,
               std::string& error)
{
    // A label that is not valid UTF-8 must not cost the whole result.
    const std::string text =
        ResultJson(facade, job, status).dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
    if (file == "-") {
        std::cout << text << std::flush;
        return static_cast<bool>(std::cout);
    }
    return SaveOutputFile(file, text, error);
}

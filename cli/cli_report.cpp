#include "cli/cli_report.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>

#include "cli/cli_outputs.h"
#include "cli/json_writer.h"
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

void WriteRecordArrays(json_writer& j, const char* key, const parts_array_2d& parts)
{
    j.Key(key).BeginArray();
    for (const auto& p : parts) {
        j.BeginObject()
            .Field("length", p.length.AsDouble())
            .Field("width", p.width.AsDouble())
            .Field("quantity", p.quantity)
            .Field("label", Text(p.label))
            .Field("material", Text(p.material))
            .EndObject();
    }
    j.EndArray();
}

void WriteStockArray(json_writer& j, const char* key, const stock_array_2d& stock)
{
    j.Key(key).BeginArray();
    for (const auto& s : stock) {
        j.BeginObject()
            .Field("length", s.length.AsDouble())
            .Field("width", s.width.AsDouble())
            .Field("quantity", s.quantity)
            .Field("label", Text(s.label))
            .Field("material", Text(s.material))
            .EndObject();
    }
    j.EndArray();
}

void WriteWasteList(json_writer& j, const char* key, const TOwningList<statistical_waste>& list)
{
    j.Key(key).BeginArray();
    for (const auto& w : list) {
        j.BeginObject()
            .Field("material", Text(w->material))
            .Field("length", w->length.AsDouble())
            .Field("width", w->width.AsDouble())
            .Field("total", w->total)
            .EndObject();
    }
    j.EndArray();
}

void WriteLayouts2D(json_writer& j, const stavora_2d& facade)
{
    j.Key("layouts").BeginArray();
    for (const auto& l : facade.solutions_2d) {
        j.BeginObject()
            .Field("material", Text(l->material))
            .Field("stock_label", Text(l->stock_label))
            .Field("sheet_source_index", l->sheet_source_index)
            .Field("sheet_length", l->sheet_length.AsDouble())
            .Field("sheet_width", l->sheet_width.AsDouble())
            .Field("sheet_size_text", Text(l->sheet_length) + " x " + Text(l->sheet_width))
            .Field("repetitions", l->repetitions)
            .Field("used_area", l->used_area.AsDouble())
            .Field("waste_area", l->waste_area.AsDouble())
            .Field("cut_length", l->cut_length.AsDouble())
            .Field("cost", l->cost);
        j.Key("pieces").BeginArray();
        for (const auto& p : l->pieces) {
            j.BeginObject()
                .Field("x1", p.x1.AsDouble()).Field("y1", p.y1.AsDouble())
                .Field("x2", p.x2.AsDouble()).Field("y2", p.y2.AsDouble())
                .Field("horizontal_size", p.horizontal_size.AsDouble())
                .Field("vertical_size", p.vertical_size.AsDouble())
                .Field("rotated", p.rotated != 0)
                .Field("label", Text(p.label))
                .Field("source_index", p.source_index)
                .EndObject();
        }
        j.EndArray();
        j.Key("cuts").BeginArray();
        for (const auto& c : l->cuts) {
            j.BeginObject()
                .Field("x1", c.x1.AsDouble()).Field("y1", c.y1.AsDouble())
                .Field("x2", c.x2.AsDouble()).Field("y2", c.y2.AsDouble())
                .Field("cut_kerf", c.cut_kerf.AsDouble())
                .EndObject();
        }
        j.EndArray();
        j.Key("wastes").BeginArray();
        for (const auto& w : l->wastes) {
            j.BeginObject()
                .Field("x1", w.x1.AsDouble()).Field("y1", w.y1.AsDouble())
                .Field("x2", w.x2.AsDouble()).Field("y2", w.y2.AsDouble())
                .EndObject();
        }
        j.EndArray();
        j.EndObject();
    }
    j.EndArray();
}

void WriteLayouts1D(json_writer& j, const stavora_2d& facade)
{
    j.Key("layouts_1d").BeginArray();
    for (const auto& l : facade.solutions_1d) {
        j.BeginObject()
            .Field("material", Text(l->groupName))
            .Field("stock_label", Text(l->stockLabel))
            .Field("stockIndex", l->stockIndex)
            .Field("barLength", l->barLength.AsDouble())
            .Field("stockLength", l->stockLength.AsDouble())
            .Field("repeat", l->repeat)
            .Field("waste", l->waste.AsDouble());
        j.Key("pieces").BeginArray();
        for (const auto& p : l->pieces) {
            j.BeginObject()
                .Field("length", p.length.AsDouble())
                .Field("label", Text(p.label))
                .Field("angle1", p.angle1)
                .Field("angle2", p.angle2)
                .Field("partIndex", p.partIndex)
                .EndObject();
        }
        j.EndArray();
        j.EndObject();
    }
    j.EndArray();
}

void WriteUtilization(json_writer& j, const char* key, const material_utilization_list& list)
{
    j.Key(key).BeginArray();
    for (const auto& u : list) {
        j.BeginObject()
            .Field("material", Text(u->material))
            .Field("used_area_total", u->used_area_total.AsDouble())
            .Field("waste_area_total", u->waste_area_total.AsDouble())
            .Field("sheet_area_total", u->sheet_area_total.AsDouble())
            .Field("cut_length_total", u->cut_length_total.AsDouble())
            .Field("cost_total", u->cost_total)
            .Field("piece_total", u->piece_total)
            .EndObject();
    }
    j.EndArray();
}

}  // namespace

bool WriteJson(const std::string& file, const stavora_2d& facade, const cli_job& job, int32_t status,
               std::string& error)
{
    std::ostringstream out;
    {
        json_writer j(out);
        const parameters_as_number_2d& p = job.parameters;
        j.BeginObject().Field("status", status).Field("decimal", job.decimal_input);
        j.Key("parameters")
            .BeginObject()
            .Field("cutter_thickness", p.cutter_thickness.AsDouble())
            .Field("minimal_break_size", p.minimal_break_size.AsDouble())
            .Field("maximal_cut_length", p.maximal_cut_length.AsDouble())
            .Field("round_fractions_to", "1/" + std::to_string(p.RoundingDenominator()))
            .Field("random_seed", p.random_seed)
            .Field("iterations", p.iterations)
            .Field("run_mode", static_cast<int>(p.run_mode))
            .Field("linear_cutter_thickness", p.linear_cutter_thickness.AsDouble())
            .EndObject();
        WriteLayouts2D(j, facade);
        WriteLayouts1D(j, facade);
        WriteRecordArrays(j, "placed_parts", facade.placed_parts_2d);
        WriteRecordArrays(j, "placed_parts_1d", facade.placed_parts_1d);
        WriteStockArray(j, "used_stock", facade.used_stock_2d);
        WriteStockArray(j, "used_stock_1d", facade.used_stock_1d);
        WriteWasteList(j, "garbage_waste", facade.garbage_waste_2d);
        WriteWasteList(j, "reused_waste", facade.reused_waste_2d);
        WriteWasteList(j, "garbage_waste_1d", facade.garbage_waste_1d);
        WriteWasteList(j, "reused_waste_1d", facade.reused_waste_1d);
        WriteUtilization(j, "utilization", facade.utilization_2d);
        WriteUtilization(j, "utilization_1d", facade.utilization_1d);
        j.Key("unplaced").BeginArray();
        for (const auto& u : FindUnplacedParts(facade))
            j.BeginObject()
                .Field("source_index", u.source_index)
                .Field("label", WideToUtf8(u.label))
                .Field("count", u.count)
                .EndObject();
        j.EndArray();
        j.EndObject();
        out << '\n';
    }
    return SaveOutputFile(file, out.str(), error);
}

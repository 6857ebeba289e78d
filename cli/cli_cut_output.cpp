#include "cli/cli_cut_output.h"

#include <cmath>
#include <cstdio>
#include <sstream>


#include "cli/cli_report.h"
#include "engine/cut_sequence.h"
#include "util/safe_file.h"
#include "util/utf8.h"

namespace {

std::string Text(const fractional_double& v) { return WideToUtf8(v.FormatDisplay(L'.')); }

const char* DirectionName(cut_direction d) { return d == cut_direction::rip ? "rip" : "cross"; }

// A number for other programs: shortest decimal form, full stop as separator.
std::string Number(double v)
{
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.10g", std::fabs(v) < 5e-11 ? 0.0 : v);
    return buffer;
}

std::string Field(const std::string& text, char separator)
{
    if (text.find_first_of(std::string{separator, '"', '\n', '\r'}) == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += (c == '\n' || c == '\r') ? ' ' : c;
    }
    return quoted + "\"";
}

}  // namespace

nlohmann::ordered_json CutSequenceJson(const stavora_2d& facade, const Solution2D& layout)
{
    using ordered_json = nlohmann::ordered_json;
    const layout_cut_sequence s = CutSequenceOf(facade, layout);
    ordered_json cuts = ordered_json::array();
    for (const sequence_cut& c : s.cuts)
        cuts.push_back({{"number", c.number},
                        {"stage", c.stage},
                        {"trim", c.trim},
                        {"direction", DirectionName(c.direction)},
                        {"along", c.direction == cut_direction::rip ? "length" : "width"},
                        {"cut_index", c.cut_index},
                        {"position", JsonNumber(c.position.AsDouble())},
                        {"position_text", Text(c.position)},
                        {"length", JsonNumber(c.length.AsDouble())},
                        {"length_text", Text(c.length)},
                        {"kerf", JsonNumber(c.kerf.AsDouble())},
                        {"part",
                         {{"x1", JsonNumber(c.part_x1.AsDouble())},
                          {"y1", JsonNumber(c.part_y1.AsDouble())},
                          {"x2", JsonNumber(c.part_x2.AsDouble())},
                          {"y2", JsonNumber(c.part_y2.AsDouble())}}},
                        {"frees_pieces", c.freed_pieces},
                        {"frees_wastes", c.freed_wastes}});
    return {{"cut_count", s.cuts.size()},
            {"cut_length", JsonNumber(s.cut_length.AsDouble())},
            {"cut_length_text", Text(s.cut_length)},
            {"complete", s.complete},
            {"cuts", std::move(cuts)}};
}

nlohmann::ordered_json CutTotalsJson(const stavora_2d& facade)
{
    using ordered_json = nlohmann::ordered_json;
    const cut_totals all = JobCutTotals(facade);
    ordered_json materials = ordered_json::array();
    for (const auto& u : facade.utilization_2d) {
        const cut_totals t = MaterialCutTotals(facade, u->material);
        materials.push_back({{"material", WideToUtf8(u->material.str())},
                             {"sheet_count", t.sheet_count},
                             {"cut_count", t.cut_count},
                             {"cut_length", JsonNumber(t.cut_length.AsDouble())}});
    }
    return {{"sheet_count", all.sheet_count},
            {"cut_count", all.cut_count},
            {"cut_length", JsonNumber(all.cut_length.AsDouble())},
            {"cut_length_text", Text(all.cut_length)},
            {"materials", std::move(materials)}};
}

bool WriteCutListCsv(const std::string& file, const stavora_2d& facade, char separator)
{
    std::ostringstream out;
    const std::string sep(1, separator);
    out << "record" << sep << "layout" << sep << "sheets" << sep << "material" << sep << "stock" << sep << "number"
        << sep << "x" << sep << "y" << sep << "length" << sep << "width" << sep << "turned" << sep << "label" << sep
        << "stage" << sep << "direction" << sep << "position" << sep << "kerf" << sep << "frees" << "\n";
    int layout_number = 0;
    int32_t first_sheet = 1;
    for (const auto& l : facade.solutions_2d) {
        ++layout_number;
        const layout_cut_sequence s = CutSequenceOf(facade, *l);
        const std::string sheets = l->repetitions > 1
                                       ? std::to_string(first_sheet) + "-" + std::to_string(first_sheet + l->repetitions - 1)
                                       : std::to_string(first_sheet);
        first_sheet += l->repetitions;
        const std::string head = std::to_string(layout_number) + sep + sheets + sep +
                                 Field(WideToUtf8(l->material.str()), separator) + sep +
                                 Field(WideToUtf8(l->stock_label.str()), separator) + sep;
        const auto row_head = [&](const char* record) { return record + sep + head; };
        // Pieces are numbered in the order the saw frees them, as on the labels.
        const std::vector<int32_t> order = PiecesInCuttingOrder(*l, s);
        std::vector<int32_t> number_of(l->pieces.size(), 0);
        for (size_t n = 0; n < order.size(); ++n) {
            const TFractionalPiece2D& p = l->pieces[static_cast<size_t>(order[n])];
            number_of[static_cast<size_t>(order[n])] = static_cast<int32_t>(n + 1);
            out << row_head("piece") << n + 1 << sep << Number(p.x1.AsDouble()) << sep << Number(p.y1.AsDouble()) << sep
                << Number(p.horizontal_size.AsDouble()) << sep << Number(p.vertical_size.AsDouble()) << sep
                << (p.rotated ? 1 : 0) << sep << Field(WideToUtf8(p.label.str()), separator) << sep << sep << sep << sep
                << sep << "\n";
        }
        for (const sequence_cut& c : s.cuts) {
            const TFractionalCut& k = l->cuts[static_cast<size_t>(c.cut_index)];
            std::string frees;
            for (int32_t p : c.freed_pieces) frees += (frees.empty() ? "" : " ") + std::to_string(number_of[static_cast<size_t>(p)]);
            out << row_head("cut") << c.number << sep << Number(k.x1.AsDouble()) << sep << Number(k.y1.AsDouble()) << sep
                << Number(c.length.AsDouble()) << sep << sep << sep << (c.trim ? "trim" : "") << sep << c.stage << sep
                << DirectionName(c.direction) << sep << Number(c.position.AsDouble()) << sep
                << Number(c.kerf.AsDouble()) << sep << frees << "\n";
        }
    }
    return static_cast<bool>(SafeSave(file, out.str()));
}

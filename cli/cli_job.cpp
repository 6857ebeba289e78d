#include "cli/cli_job.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <sstream>
#include <vector>

#include <pugixml.hpp>

#include "engine/scale_finder.h"
#include "engine/stavora_2d.h"
#include "model/list_files.h"

namespace {

std::string LowerExtension(const std::string& file)
{
    std::string ext = std::filesystem::path(file).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext;
}

using issue_list = std::vector<list_file_issue>;

std::string IssueText(const list_file_issue& issue)
{
    switch (issue.kind) {
    case list_file_issue::size_missing: return "missing";
    case list_file_issue::size_not_a_number: return "not a number: " + issue.text;
    case list_file_issue::quantity_not_an_integer:
    case list_file_issue::grain_not_an_integer: return "not a whole number: " + issue.text;
    case list_file_issue::file_unreadable: break;
    }
    return issue.text;
}

// A text that a list reader could not read as its field's number is an error that names the CSV
// line or XML row and the field.
bool TakeIssues(const issue_list& issues, bool csv, const std::string& name, std::string& error)
{
    if (issues.empty()) return true;
    const list_file_issue& issue = issues.front();
    error = name + (csv ? ", line " : ", row ") + std::to_string(issue.row + 1) + ", " + issue.field + ": " +
            IssueText(issue);
    return false;
}

// Reads one list file by its extension.
template <class Array>
bool ReadList(const std::string& file, char separator, Array& array,
              bool (*read_xml)(Array&, const std::filesystem::path&, issue_list*),
              bool (*read_csv)(Array&, const std::filesystem::path&, wchar_t, issue_list*), std::string& error)
{
    const std::string ext = LowerExtension(file);
    std::error_code missing;
    if (!std::filesystem::exists(file, missing) && !missing) {
        error = file + ": file not found";
        return false;
    }
    issue_list issues;
    if (ext == ".xml") {
        if (!read_xml(array, file, &issues)) {
            if (!issues.empty() && issues[0].kind == list_file_issue::file_unreadable) {
                error = file + ": " + issues[0].text;
                return false;
            }
            error = file + ": not a list file (not well-formed XML, or no data element with its list)";
            return false;
        }
    } else if (ext == ".csv") {
        if (!read_csv(array, file, static_cast<wchar_t>(separator), &issues)) {
            if (!issues.empty() && issues[0].kind == list_file_issue::file_unreadable) {
                error = file + ": " + issues[0].text;
                return false;
            }
            error = file + ": empty or unreadable CSV file";
            return false;
        }
    } else {
        error = file + ": unknown list file type (use .xml or .csv)";
        return false;
    }
    return TakeIssues(issues, ext == ".csv", file, error);
}

// The fields of the list files' rows. A job file names only these: the list files pass over an
// unknown element, but a misspelt "quantity" in an order would silently cut one piece.
const std::vector<std::string> kPartFields = {"length", "width", "height", "quantity", "grain", "allow_rotation",
                                              "label", "material", "customer", "edge_band", "grinding", "useit",
                                              "end_angle_1", "end_angle_2"};
const std::vector<std::string> kStockFields = {"length", "width", "height", "quantity", "grain", "label", "material",
                                               "price", "trim_top", "trim_left", "trim_bottom", "trim_right",
                                               "priority", "useit"};
const std::vector<std::string> kEdgeFields = {"top_name", "left_name", "bottom_name", "right_name",
                                              "top_thick", "left_thick", "bottom_thick", "right_thick"};

// One row field of a job file as the list file's element: texts and numbers as written, objects
// (edge_band, grinding) as nested elements.
bool AddField(pugi::xml_node parent, const std::string& key, const nlohmann::json& value,
              const std::vector<std::string>& fields, const std::string& where, std::string& error)
{
    if (std::find(fields.begin(), fields.end(), key) == fields.end()) {
        error = where + ", " + key + ": unknown field";
        return false;
    }
    pugi::xml_node node = parent.append_child(key.c_str());
    if (value.is_object() && (key == "edge_band" || key == "grinding")) {
        for (const auto& [inner_key, inner] : value.items())
            if (!AddField(node, inner_key, inner, kEdgeFields, where + ", " + key, error)) return false;
        return true;
    }
    std::string text;
    if (value.is_string()) text = value.get<std::string>();
    else if (value.is_boolean()) text = value.get<bool>() ? "1" : "0";
    else if (value.is_number()) text = value.dump();
    else {
        error = where + ", " + key + ": must be a text or a number";
        return false;
    }
    node.text().set(text.c_str());
    return true;
}

// A list of a job file ("parts" or "stock"): an array of objects with the list files' field names,
// read by the list files' own row reader.
template <class Array>
bool ReadJobList(const cli_options& options, const char* list_name, const std::vector<std::string>& fields,
                 Array& array, bool (*read_xml_text)(Array&, const std::string&, issue_list*), std::string& error)
{
    const std::string name = options.job_file + ", " + list_name;
    const auto rows = options.job.find(list_name);
    if (rows == options.job.end() || !rows->is_array()) {
        error = name + ": missing, or not a list of rows";
        return false;
    }
    pugi::xml_document doc;
    pugi::xml_node list = doc.append_child("data").append_child(list_name);
    for (size_t i = 0; i < rows->size(); ++i) {
        const std::string where = name + ", row " + std::to_string(i + 1);
        const nlohmann::json& row = (*rows)[i];
        if (!row.is_object()) {
            error = where + ": not an object";
            return false;
        }
        pugi::xml_node node = list.append_child("row");
        for (const auto& [key, value] : row.items())
            if (!AddField(node, key, value, fields, where, error)) return false;
    }
    std::ostringstream xml;
    doc.save(xml, "", pugi::format_raw, pugi::encoding_utf8);
    issue_list issues;
    if (!read_xml_text(array, xml.str(), &issues)) {
        error = name + ": cannot be read";
        return false;
    }
    return TakeIssues(issues, false, name, error);
}

// Forms seen in the job's sizes, as the window's number-mode check sees them.
struct form_marks {
    bool decimal_seen = false;   // a decimal with digits after the separator
    bool fraction_seen = false;  // a whole number with a fraction
    void Note(const fractional_double& v)
    {
        if (v.numerator != 0) fraction_seen = true;
        else if (std::fabs(v.whole - std::trunc(v.whole)) > 1e-9) decimal_seen = true;
    }
};

std::string RowName(const std::string& file, int32_t index) { return file + ", row " + std::to_string(index + 1); }

bool CheckSize(const fractional_double& v, bool zero_allowed, const std::string& where, const char* field,
               std::string& error)
{
    const double value = v.AsDouble();
    if (!std::isfinite(value) || value < -fractional_double::kTolerance ||
        (!zero_allowed && value <= fractional_double::kTolerance)) {
        error = where + ", " + field + ": invalid size " + std::string(v.FormatFile());
        return false;
    }
    if (value > kLargestScaledSize) {
        error = where + ", " + field + ": size too large: " + std::string(v.FormatFile());
        return false;
    }
    return true;
}

// End angles of linear parts: a cut at 0 or 180 degrees or beyond does not exist.
bool CheckAngles(const part_as_number_2d& part, const std::string& where, std::string& error)
{
    for (const auto& [angle, field] : {std::pair{part.end_angle_1, "end_angle_1"}, std::pair{part.end_angle_2, "end_angle_2"}}) {
        if (!(angle > 0.0 && angle < 180.0)) {
            error = where + ", " + field + ": must lie between 0 and 180 degrees, is " + std::to_string(angle);
            return false;
        }
    }
    return true;
}
bool CheckAngles(const stock_as_number_2d&, const std::string&, std::string&) { return true; }

template <class Record>
bool CheckRecords(record_array<Record>& records, const std::string& file, bool round_up, int32_t denominator,
                  form_marks& marks, std::string& error)
{
    for (int32_t i = 0; i < records.count(); ++i) {
        Record& r = records[i];
        const std::string where = RowName(file, i);
        // A width of 0 makes a linear piece or a bar.
        if (!CheckSize(r.length, false, where, "length", error) || !CheckSize(r.width, true, where, "width", error))
            return false;
        if (!CheckAngles(r, where, error)) return false;
        if (r.quantity < 1) {
            error = where + ", quantity: must be at least 1, is " + std::to_string(r.quantity);
            return false;
        }
        for (fractional_double* v : {&r.length, &r.width}) {
            if (round_up) v->RoundUpTo(denominator);
            else v->RoundDownTo(denominator);
            marks.Note(*v);
        }
    }
    return true;
}

bool ParseSetting(const std::string& text, const char* option, bool round_up, int32_t denominator,
                  fractional_double& value, form_marks* marks, std::string& error)
{
    std::wstring wide(text.begin(), text.end());
    if (wide.empty()) wide = L"0";
    fractional_double v;
    if (!v.ParseWide(wide, L'.') || !std::isfinite(v.AsDouble()) || v.AsDouble() < -fractional_double::kTolerance) {
        error = std::string(option) + ": Invalid number:" + text;
        return false;
    }
    if (v.AsDouble() > kLargestScaledSize) {
        error = std::string(option) + ": value too large: " + text;
        return false;
    }
    if (round_up) v.RoundUpTo(denominator);
    else v.RoundDownTo(denominator);
    if (marks) marks->Note(v);
    value = v;
    return true;
}

}  // namespace

bool LoadJob(const cli_options& options, cli_job& job, std::string& error)
{
    std::string parts_name = options.parts_file;
    std::string stock_name = options.stock_file;
    if (options.example) {
        stavora_2d facade;
        facade.LoadExample([&](const parts_array_2d& p) { job.parts = p; },
                           [&](const stock_array_2d& s) { job.stock = s; });
        parts_name = "example parts";
        stock_name = "example stock";
    } else if (!options.job_file.empty()) {
        if (!ReadJobList(options, "parts", kPartFields, job.parts, &ReadPartsXmlText, error)) return false;
        if (!ReadJobList(options, "stock", kStockFields, job.stock, &ReadStockXmlText, error)) return false;
        parts_name = options.job_file + ", parts";
        stock_name = options.job_file + ", stock";
    } else {
        if (!ReadList(options.parts_file, options.separator, job.parts, &ReadPartsXml, &ReadPartsCsv, error))
            return false;
        if (!ReadList(options.stock_file, options.separator, job.stock, &ReadStockXml, &ReadStockCsv, error))
            return false;
    }

    parameters_as_number_2d& p = job.parameters;
    p.round_fractions_to = options.round_index;
    const int32_t d = p.RoundingDenominator();
    form_marks marks;
    if (!CheckRecords(job.parts, parts_name, true, d, marks, error)) return false;
    if (!CheckRecords(job.stock, stock_name, false, d, marks, error)) return false;
    if (!ParseSetting(options.kerf, "--kerf", true, d, p.cutter_thickness, &marks, error)) return false;
    if (!ParseSetting(options.max_cut, "--max-cut", false, d, p.maximal_cut_length, &marks, error)) return false;
    if (!ParseSetting(options.min_break, "--min-break", true, d, p.minimal_break_size, &marks, error)) return false;
    if (!ParseSetting(options.height_tolerance, "--height-tolerance", true, d, p.height_tolerance, &marks, error))
        return false;
    if (!ParseSetting(options.linear_kerf, "--linear-kerf", true, d, p.linear_cutter_thickness, &marks, error))
        return false;
    if (marks.decimal_seen && marks.fraction_seen) {
        error = kMixedFormsMessage;
        return false;
    }
    job.decimal_input = !marks.fraction_seen;
    job.fraction_input = !marks.decimal_seen;

    if (options.seed) p.random_seed = *options.seed;
    if (options.iterations) p.iterations = *options.iterations;
    p.effort = static_cast<uint8_t>(options.effort);
    p.threads = options.threads;
    p.time_limit = options.time_limit;
    p.run_mode = static_cast<uint8_t>(options.run_mode);
    if (options.stages) p.number_of_stages = *options.stages;
    if (options.first_direction) p.first_direction = static_cast<uint8_t>(*options.first_direction);
    p.same_height_in_strip = options.same_height_strips ? 1 : 0;
    return true;
}

#include "model/list_files.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include <pugixml.hpp>

#include "model/Utils_fractions_vcl.h"
#include "model/number_text.h"
#include "util/safe_file.h"
#include "util/utf8.h"

namespace fs = std::filesystem;

namespace {

// The whole file; folders, unreadable paths and files beyond the size
// bound are listed as an issue of row -1 and read nothing.
bool ReadListBytes(const fs::path& path, std::string& bytes, std::vector<list_file_issue>* issues)
{
    const file_outcome read = ReadWholeFile(path, bytes);
    if (!read) {
        if (issues) *issues = {{-1, list_file_issue::file_unreadable, "", read.Describe()}};
        return false;
    }
    return true;
}

bool ReplaceFileContent(const fs::path& target, std::string_view bytes)
{
    return static_cast<bool>(SafeSave(target, bytes));
}

// ---------------------------------------------------------------------------------------------
// XML

struct StringWriter : pugi::xml_writer {
    std::string bytes;
    void write(const void* data, size_t size) override { bytes.append(static_cast<const char*>(data), size); }
};

bool SaveDocument(const pugi::xml_document& doc, const fs::path& path)
{
    StringWriter writer;
    doc.save(writer, "\t", pugi::format_default, pugi::encoding_auto);
    return ReplaceFileContent(path, writer.bytes);
}

void AddText(pugi::xml_node parent, const char* name, const std::string& value)
{
    parent.append_child(name).text().set(value.c_str());
}

void AddFraction(pugi::xml_node parent, const char* name, const fractional_double& value)
{
    AddText(parent, name, value.FormatFile());
}

void AddInt(pugi::xml_node parent, const char* name, int32_t value) { AddText(parent, name, std::to_string(value)); }

// Byte codes are written as their signed value, so an unset allow_rotation reads -1.
void AddCode(pugi::xml_node parent, const char* name, uint8_t value)
{
    AddInt(parent, name, static_cast<int8_t>(value));
}

void AddWide(pugi::xml_node parent, const char* name, const my_w_string& value)
{
    AddText(parent, name, WideToUtf8(value.str()));
}

void AddDouble(pugi::xml_node parent, const char* name, double value)
{
    AddText(parent, name, stv::text::FormatFixed6(value));
}

// The element's text, or nullptr when the element is missing.
const char* ChildText(pugi::xml_node node, const char* name)
{
    const pugi::xml_node child = node.child(name);
    return child ? child.text().get() : nullptr;
}

// Where a row's texts that do not read as numbers are reported, when the caller asks.
struct IssueSink {
    std::vector<list_file_issue>* issues = nullptr;
    int32_t row = 0;
    void Note(list_file_issue::kind_type kind, const char* field, const char* text) const
    {
        if (issues) issues->push_back({row, kind, field, text});
    }
};

fractional_double ReadFraction(pugi::xml_node node, const char* name, const IssueSink& sink)
{
    fractional_double value;
    if (const char* text = ChildText(node, name))
        if (!value.Parse8(text)) sink.Note(list_file_issue::size_not_a_number, name, text);
    return value;
}

// Missing or empty means 1; a text that is not a whole number is reported and read as far as it goes.
int32_t ReadQuantity(pugi::xml_node row, const IssueSink& sink)
{
    const char* text = ChildText(row, "quantity");
    if (!text || TrimBlanks(Utf8ToWide(text)).empty()) return 1;
    if (!stv::text::IsInteger(text)) sink.Note(list_file_issue::quantity_not_an_integer, "quantity", text);
    return stv::text::LeadingInt(text);
}

int32_t ReadInt(pugi::xml_node node, const char* name, int32_t missing)
{
    const char* text = ChildText(node, name);
    return text ? stv::text::LeadingInt(text) : missing;
}

double ReadDoubleElement(pugi::xml_node node, const char* name, double missing)
{
    const char* text = ChildText(node, name);
    return text ? stv::text::LeadingDouble(text) : missing;
}

void ReadWide(pugi::xml_node node, const char* name, my_w_string& out)
{
    if (const char* text = ChildText(node, name)) out = std::wstring_view(Utf8ToWide(text));
}

// Only the three grain codes exist; anything else from a hand-edited file means no grain.
uint8_t GrainCode(int32_t value) { return (value >= 0 && value <= 2) ? static_cast<uint8_t>(value) : 0; }
// 0 and 1 forbid or allow rotation; any other value leaves it to the grain rules.
uint8_t RotationCode(int32_t value) { return (value == 0 || value == 1) ? static_cast<uint8_t>(value) : kRotationNotGiven; }

// Length and width, including the older form in which `height` held the width and `width` the length.
void ReadSizes(pugi::xml_node row, fractional_double& length, fractional_double& width, const IssueSink& sink)
{
    if (row.child("height")) {
        width = ReadFraction(row, "height", sink);
        length = ReadFraction(row, "width", sink);
    } else {
        length = ReadFraction(row, "length", sink);
        width = ReadFraction(row, "width", sink);
    }
}

part_as_number_2d ReadPartRow(pugi::xml_node row, const IssueSink& sink)
{
    part_as_number_2d part;
    ReadSizes(row, part.length, part.width, sink);
    part.quantity = ReadQuantity(row, sink);
    part.grain = GrainCode(ReadInt(row, "grain", 0));
    part.allow_rotation = RotationCode(ReadInt(row, "allow_rotation", kRotationNotGiven));
    ReadWide(row, "label", part.label);
    ReadWide(row, "material", part.material);
    ReadWide(row, "customer", part.customer);
    if (const pugi::xml_node band = row.child("edge_band")) {
        ReadWide(band, "top_name", part.edge_band.top_name);
        ReadWide(band, "left_name", part.edge_band.left_name);
        ReadWide(band, "bottom_name", part.edge_band.bottom_name);
        ReadWide(band, "right_name", part.edge_band.right_name);
        part.edge_band.top_thick = ReadFraction(band, "top_thick", sink);
        part.edge_band.left_thick = ReadFraction(band, "left_thick", sink);
        part.edge_band.bottom_thick = ReadFraction(band, "bottom_thick", sink);
        part.edge_band.right_thick = ReadFraction(band, "right_thick", sink);
    }
    if (const pugi::xml_node grinding = row.child("grinding")) {
        part.grinding.top_thick = ReadFraction(grinding, "top_thick", sink);
        part.grinding.left_thick = ReadFraction(grinding, "left_thick", sink);
        part.grinding.bottom_thick = ReadFraction(grinding, "bottom_thick", sink);
        part.grinding.right_thick = ReadFraction(grinding, "right_thick", sink);
    }
    part.useit = ReadInt(row, "useit", 1) != 0 ? 1 : 0;
    part.end_angle_1 = ReadDoubleElement(row, "end_angle_1", 90.0);
    part.end_angle_2 = ReadDoubleElement(row, "end_angle_2", 90.0);
    return part;
}

stock_as_number_2d ReadStockRow(pugi::xml_node row, const IssueSink& sink)
{
    stock_as_number_2d stock;
    ReadSizes(row, stock.length, stock.width, sink);
    stock.quantity = ReadQuantity(row, sink);
    stock.grain = GrainCode(ReadInt(row, "grain", 0));
    ReadWide(row, "label", stock.label);
    ReadWide(row, "material", stock.material);
    stock.price = ReadDoubleElement(row, "price", 0.0);
    stock.trim_top = ReadFraction(row, "trim_top", sink);
    stock.trim_left = ReadFraction(row, "trim_left", sink);
    stock.trim_bottom = ReadFraction(row, "trim_bottom", sink);
    stock.trim_right = ReadFraction(row, "trim_right", sink);
    stock.priority = ReadInt(row, "priority", 0);
    stock.useit = ReadInt(row, "useit", 1) != 0 ? 1 : 0;
    return stock;
}

template <class Record, class RowReader>
bool ReadXmlRows(record_array<Record>& out, const pugi::xml_document& doc, const char* list_name, RowReader read_row,
                 std::vector<list_file_issue>* issues)
{
    const pugi::xml_node list = doc.child("data").child(list_name);
    if (!list) return false;
    record_array<Record> records;
    int32_t rows = 0;
    for (pugi::xml_node row = list.child("row"); row; row = row.next_sibling("row")) ++rows;
    records.Reserve(rows);
    std::vector<list_file_issue> found;
    IssueSink sink{issues ? &found : nullptr, 0};
    for (pugi::xml_node row = list.child("row"); row; row = row.next_sibling("row"), ++sink.row)
        records.Append(read_row(row, sink));
    out = std::move(records);
    if (issues) *issues = std::move(found);
    return true;
}

template <class Record, class RowReader>
bool ReadXmlList(record_array<Record>& out, const fs::path& path, const char* list_name, RowReader read_row,
                 std::vector<list_file_issue>* issues)
{
    std::string bytes;
    if (!ReadListBytes(path, bytes, issues)) return false;
    pugi::xml_document doc;
    if (!doc.load_buffer(bytes.data(), bytes.size(), pugi::parse_default, pugi::encoding_auto)) return false;
    return ReadXmlRows(out, doc, list_name, read_row, issues);
}

template <class Record, class RowReader>
bool ReadXmlText(record_array<Record>& out, const std::string& text, const char* list_name, RowReader read_row,
                 std::vector<list_file_issue>* issues)
{
    pugi::xml_document doc;
    if (!doc.load_buffer(text.data(), text.size(), pugi::parse_default, pugi::encoding_utf8)) return false;
    return ReadXmlRows(out, doc, list_name, read_row, issues);
}

// ---------------------------------------------------------------------------------------------
// CSV

struct CsvLine {
    std::wstring text;  // without the line end
};

std::vector<CsvLine> SplitCsvLines(std::string_view bytes)
{
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    std::vector<CsvLine> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        const size_t newline = bytes.find('\n', start);
        const bool has_end = newline != std::string_view::npos;
        std::string_view raw = bytes.substr(start, (has_end ? newline : bytes.size()) - start);
        if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
        CsvLine line;
        if (!stv::text::DecodeUtf8(raw, line.text)) line.text = stv::text::DecodeLatin1(raw);
        std::erase(line.text, L'\0');
        lines.push_back(std::move(line));
        start = has_end ? newline + 1 : bytes.size();
    }
    return lines;
}

// A field trimmed of blanks; a field in double quotes (as spreadsheets write them) loses the quotes.
std::wstring CsvFieldText(std::wstring_view raw)
{
    std::wstring text = TrimBlanks(raw);
    if (text.size() >= 2 && text.front() == L'"' && text.back() == L'"') {
        std::wstring inner;
        for (size_t i = 1; i + 1 < text.size(); ++i) {
            inner.push_back(text[i]);
            if (text[i] == L'"' && text[i + 1] == L'"' && i + 2 < text.size()) ++i;
        }
        text = std::move(inner);
    }
    return text;
}

// The four number fields and the label of a line. The label is the rest of the line after the
// fourth separator, one closing separator dropped, so a label may hold the separator itself.
struct CsvFields {
    std::wstring number[4];
    int numbers = 0;  // number fields present
    std::wstring label;
};

CsvFields SplitCsvFields(std::wstring_view line, wchar_t separator)
{
    CsvFields fields;
    size_t start = 0;
    while (fields.numbers < 4) {
        const size_t end = line.find(separator, start);
        const bool last = end == std::wstring_view::npos;
        fields.number[fields.numbers++] = CsvFieldText(line.substr(start, last ? line.npos : end - start));
        if (last) return fields;
        start = end + 1;
    }
    std::wstring_view rest = line.substr(start);
    if (!rest.empty() && rest.back() == separator) rest.remove_suffix(1);
    fields.label = CsvFieldText(rest);
    return fields;
}

bool IsBlankCsvLine(std::wstring_view line, wchar_t separator)
{
    for (wchar_t c : line)
        if (c != separator && !stv::text::IsSpace(static_cast<char32_t>(c))) return false;
    return true;
}

const char* const kCsvFieldNames[4] = {"length", "width", "quantity", "grain"};

bool ReadCsvSize(const std::wstring& text, wchar_t decimal_separator, fractional_double& value)
{
    return value.ParseWide(text, decimal_separator) && std::isfinite(value.AsDouble());
}

// A whole number in the 32-bit range, nothing else in the field.
bool ReadCsvInteger(const std::wstring& text, int32_t& value)
{
    const std::string narrow = stv::text::NarrowForNumbers(text);
    size_t pos = 0;
    return stv::text::ReadInt32(narrow, pos, value) && pos == narrow.size();
}

template <class Record>
bool ReadCsvList(record_array<Record>& out, const fs::path& path, wchar_t separator,
                 std::vector<list_file_issue>* issues)
{
    std::string bytes;
    if (!ReadListBytes(path, bytes, issues)) return false;
    if (bytes.empty()) return false;
    bytes = Utf16FileToUtf8(bytes);

    // Where fields are split at commas the decimals take a full stop; otherwise either mark reads.
    const wchar_t decimal_separator = separator == L',' ? L'.' : L',';
    const std::vector<CsvLine> lines = SplitCsvLines(bytes);
    record_array<Record> records;
    std::vector<list_file_issue> found;
    bool first_line = true;
    for (size_t n = 0; n < lines.size(); ++n) {
        const std::wstring& line = lines[n].text;
        if (IsBlankCsvLine(line, separator)) continue;
        const CsvFields fields = SplitCsvFields(line, separator);
        const int32_t row = static_cast<int32_t>(std::min<size_t>(n, INT32_MAX));
        Record record;
        bool line_read = true;
        auto refuse = [&](list_file_issue::kind_type kind, int field) {
            line_read = false;
            found.push_back({row, kind, kCsvFieldNames[field], WideToUtf8(fields.number[field].substr(0, 60))});
        };
        fractional_double* sizes[2] = {&record.length, &record.width};
        for (int f = 0; f < 2; ++f) {
            if (fields.number[f].empty())
                refuse(list_file_issue::size_missing, f);
            else if (!ReadCsvSize(fields.number[f], decimal_separator, *sizes[f]))
                refuse(list_file_issue::size_not_a_number, f);
        }
        // A first line of words is a heading, as spreadsheets write one; a line of numbers split
        // at another separator is not.
        if (first_line) {
            first_line = false;
            auto has_digit = [](const std::wstring& text) {
                return std::any_of(text.begin(), text.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; });
            };
            if (!has_digit(fields.number[0]) && !has_digit(fields.number[1])) {
                found.clear();
                continue;
            }
        }
        int32_t quantity = 1;
        if (fields.numbers > 2 && !fields.number[2].empty() && !ReadCsvInteger(fields.number[2], quantity))
            refuse(list_file_issue::quantity_not_an_integer, 2);
        record.quantity = quantity != 0 ? quantity : 1;
        int32_t grain = 0;
        if (fields.numbers > 3 && !fields.number[3].empty() && !ReadCsvInteger(fields.number[3], grain))
            refuse(list_file_issue::grain_not_an_integer, 3);
        record.grain = GrainCode(grain);
        record.label = std::wstring_view(fields.label);
        if (line_read) records.Append(record);
    }
    out = std::move(records);
    if (issues) *issues = std::move(found);
    return true;
}

}  // namespace

bool ReadPartsXml(parts_array_2d& parts, const fs::path& path, std::vector<list_file_issue>* issues)
{
    return ReadXmlList(parts, path, "parts", ReadPartRow, issues);
}

bool ReadStockXml(stock_array_2d& stock, const fs::path& path, std::vector<list_file_issue>* issues)
{
    return ReadXmlList(stock, path, "stock", ReadStockRow, issues);
}

bool ReadPartsXmlText(parts_array_2d& parts, const std::string& text, std::vector<list_file_issue>* issues)
{
    return ReadXmlText(parts, text, "parts", ReadPartRow, issues);
}

bool ReadStockXmlText(stock_array_2d& stock, const std::string& text, std::vector<list_file_issue>* issues)
{
    return ReadXmlText(stock, text, "stock", ReadStockRow, issues);
}

bool WritePartsXml(const parts_array_2d& parts, const fs::path& path)
{
    pugi::xml_document doc;
    pugi::xml_node list = doc.append_child("data").append_child("parts");
    for (const part_as_number_2d& part : parts) {
        pugi::xml_node row = list.append_child("row");
        AddFraction(row, "length", part.length);
        AddFraction(row, "width", part.width);
        AddInt(row, "quantity", part.quantity);
        AddCode(row, "grain", part.grain);
        AddCode(row, "allow_rotation", part.allow_rotation);
        AddWide(row, "label", part.label);
        AddWide(row, "material", part.material);
        AddWide(row, "customer", part.customer);
        pugi::xml_node band = row.append_child("edge_band");
        AddWide(band, "top_name", part.edge_band.top_name);
        AddFraction(band, "top_thick", part.edge_band.top_thick);
        AddWide(band, "left_name", part.edge_band.left_name);
        AddFraction(band, "left_thick", part.edge_band.left_thick);
        AddWide(band, "bottom_name", part.edge_band.bottom_name);
        AddFraction(band, "bottom_thick", part.edge_band.bottom_thick);
        AddWide(band, "right_name", part.edge_band.right_name);
        AddFraction(band, "right_thick", part.edge_band.right_thick);
        pugi::xml_node grinding = row.append_child("grinding");
        AddFraction(grinding, "top_thick", part.grinding.top_thick);
        AddFraction(grinding, "left_thick", part.grinding.left_thick);
        AddFraction(grinding, "bottom_thick", part.grinding.bottom_thick);
        AddFraction(grinding, "right_thick", part.grinding.right_thick);
        AddCode(row, "useit", part.useit);
        AddDouble(row, "end_angle_1", part.end_angle_1);
        AddDouble(row, "end_angle_2", part.end_angle_2);
    }
    return SaveDocument(doc, path);
}

bool WriteStockXml(const stock_array_2d& stock, const fs::path& path)
{
    pugi::xml_document doc;
    pugi::xml_node list = doc.append_child("data").append_child("stock");
    for (const stock_as_number_2d& item : stock) {
        pugi::xml_node row = list.append_child("row");
        AddFraction(row, "length", item.length);
        AddFraction(row, "width", item.width);
        AddInt(row, "quantity", item.quantity);
        AddCode(row, "grain", item.grain);
        AddWide(row, "label", item.label);
        AddWide(row, "material", item.material);
        AddFraction(row, "trim_top", item.trim_top);
        AddFraction(row, "trim_left", item.trim_left);
        AddFraction(row, "trim_bottom", item.trim_bottom);
        AddFraction(row, "trim_right", item.trim_right);
        AddDouble(row, "price", item.price);
        AddInt(row, "priority", item.priority);
        AddCode(row, "useit", item.useit);
    }
    return SaveDocument(doc, path);
}

bool ReadPartsCsv(parts_array_2d& parts, const fs::path& path, wchar_t separator,
                  std::vector<list_file_issue>* issues)
{
    return ReadCsvList(parts, path, separator, issues);
}

bool ReadStockCsv(stock_array_2d& stock, const fs::path& path, wchar_t separator,
                  std::vector<list_file_issue>* issues)
{
    return ReadCsvList(stock, path, separator, issues);
}

bool WritePartsCsv(const parts_array_2d& parts, const fs::path& path, wchar_t separator)
{
    const std::string sep = WideToUtf8(std::wstring_view(&separator, 1));
    const wchar_t decimal_separator = separator == L',' ? L'.' : L',';
    std::string bytes;
    for (const part_as_number_2d& part : parts) {
        // A line break inside a label would split the record on reading.
        std::wstring label = part.label.str();
        for (wchar_t& c : label)
            if (c == L'\n' || c == L'\r') c = L' ';
        // A label that starts with a quote is quoted itself, so that reading keeps its quotes.
        if (!label.empty() && label.front() == L'"') {
            std::wstring quoted = L"\"";
            for (wchar_t c : label) {
                quoted.push_back(c);
                if (c == L'"') quoted.push_back(c);
            }
            label = quoted + L"\"";
        }
        // Sizes in their typed form, so fractions come back as fractions; decimals take the mark
        // that the reader expects beside this separator.
        bytes += WideToUtf8(part.length.FormatDisplay(decimal_separator));
        bytes += sep;
        bytes += WideToUtf8(part.width.FormatDisplay(decimal_separator));
        bytes += sep;
        bytes += std::to_string(part.quantity);
        bytes += sep;
        bytes += std::to_string(part.grain);
        bytes += sep;
        bytes += WideToUtf8(label);
        bytes += sep;
        bytes += '\n';
    }
    return ReplaceFileContent(path, bytes);
}

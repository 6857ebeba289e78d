#pragma once
// Parts and stock list files: XML (every field) and CSV (the five grid columns).
#include <filesystem>
#include <string>
#include <vector>

#include "model/input_records.h"

// A text of a list file that does not read as the number its field needs; the record holds
// what could be read.
struct list_file_issue {
    // file_unreadable: the file as a whole (row -1), `text` says why (a folder, too large, ...).
    enum kind_type { size_not_a_number, quantity_not_an_integer, grain_not_an_integer, size_missing, file_unreadable };
    int32_t row = 0;  // counted from 0 in file order: the XML row, or the CSV line
    kind_type kind = size_not_a_number;
    std::string field;
    std::string text;
};

// XML: false (array unchanged) when the file is missing, not well-formed or lacks data/parts.
// With `issues`, the texts that did not read as numbers are listed there.
bool ReadPartsXml(parts_array_2d& parts, const std::filesystem::path& path,
                  std::vector<list_file_issue>* issues = nullptr);
bool ReadStockXml(stock_array_2d& stock, const std::filesystem::path& path,
                  std::vector<list_file_issue>* issues = nullptr);
// The same from XML text held in memory (UTF-8), for lists that come inside another document.
bool ReadPartsXmlText(parts_array_2d& parts, const std::string& text, std::vector<list_file_issue>* issues = nullptr);
bool ReadStockXmlText(stock_array_2d& stock, const std::string& text, std::vector<list_file_issue>* issues = nullptr);
// XML: false when the file cannot be written (missing folder, read-only target); the content goes
// to a temporary file beside the target first, so an existing file is replaced only by a complete one.
// Parts rows also carry end_angle_1 and end_angle_2 after useit (read as 90 when missing).
bool WritePartsXml(const parts_array_2d& parts, const std::filesystem::path& path);
bool WriteStockXml(const stock_array_2d& stock, const std::filesystem::path& path);

// CSV: length, width, quantity, grain, label, split at the separator. Sizes read as typed sizes
// (fractions too); beside a separator other than "," a decimal comma reads as well as a full stop.
// An empty quantity is 1 (as is 0), an empty grain 0; the label is the rest of the line, blanks
// kept, one closing separator dropped; double quotes around a field are removed. Blank lines and
// a first line without digits in its first two fields (a heading) are skipped. A line with a
// field that does not read, or without its two sizes, gives no record and is listed in `issues`.
// Reading a missing or empty file changes nothing and gives false. Bytes are UTF-8, or Latin-1 for a line that is not valid
// UTF-8; a leading byte order mark and NUL bytes are ignored.
bool ReadPartsCsv(parts_array_2d& parts, const std::filesystem::path& path, wchar_t separator,
                  std::vector<list_file_issue>* issues = nullptr);
bool ReadStockCsv(stock_array_2d& stock, const std::filesystem::path& path, wchar_t separator,
                  std::vector<list_file_issue>* issues = nullptr);
// Sizes in their typed form ("12 1/2", "600,5" beside ";"), so the list reads back the same.
// False when the file cannot be written; replaces an existing file only by a complete one.
bool WritePartsCsv(const parts_array_2d& parts, const std::filesystem::path& path, wchar_t separator);

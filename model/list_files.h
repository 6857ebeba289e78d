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
    enum kind_type { size_not_a_number, quantity_not_an_integer, file_unreadable };
    int32_t row = 0;  // counted from 0 in file order
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
// XML: false when the file cannot be written (missing folder, read-only target); the content goes
// to a temporary file beside the target first, so an existing file is replaced only by a complete one.
// Parts rows also carry end_angle_1 and end_angle_2 after useit (read as 90 when missing).
bool WritePartsXml(const parts_array_2d& parts, const std::filesystem::path& path);
bool WriteStockXml(const stock_array_2d& stock, const std::filesystem::path& path);

// CSV: length, width, quantity, grain, label. Reading a missing or empty file changes nothing
// and gives false. Bytes are UTF-8, or Latin-1 for a line that is not valid UTF-8; a leading
// byte order mark and NUL bytes are ignored; only the first 199 characters of a line are read.
// With `issues`, the lines skipped for not starting with two numbers are listed there
// (row = the line, counted from 0).
bool ReadPartsCsv(parts_array_2d& parts, const std::filesystem::path& path, wchar_t separator,
                  std::vector<list_file_issue>* issues = nullptr);
bool ReadStockCsv(stock_array_2d& stock, const std::filesystem::path& path, wchar_t separator,
                  std::vector<list_file_issue>* issues = nullptr);
// False when the file cannot be written; replaces an existing file only by a complete one.
bool WritePartsCsv(const parts_array_2d& parts, const std::filesystem::path& path, wchar_t separator);

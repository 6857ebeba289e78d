#pragma once
// Parts and stock list files: XML (every field) and CSV (the five grid columns).
#include <filesystem>

#include "model/input_records.h"

// XML: false (array unchanged) when the file is missing, not well-formed or lacks data/parts.
bool ReadPartsXml(parts_array_2d& parts, const std::filesystem::path& path);
bool ReadStockXml(stock_array_2d& stock, const std::filesystem::path& path);
// XML: false when the file cannot be written; an existing file is replaced only by a complete one.
bool WritePartsXml(const parts_array_2d& parts, const std::filesystem::path& path);
bool WriteStockXml(const stock_array_2d& stock, const std::filesystem::path& path);

// CSV: length, width, quantity, grain, label. Reading a missing or empty file changes nothing
// and gives false.
bool ReadPartsCsv(parts_array_2d& parts, const std::filesystem::path& path, wchar_t separator);
bool ReadStockCsv(stock_array_2d& stock, const std::filesystem::path& path, wchar_t separator);
// False when the file does not open.
bool WritePartsCsv(const parts_array_2d& parts, const std::filesystem::path& path, wchar_t separator);

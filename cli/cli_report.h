#pragma once
// What the command-line tool prints and writes about a finished run.
#include <ostream>
#include <string>

#include <nlohmann/json.hpp>

#include "cli/cli_job.h"
#include "engine/stavora_2d.h"

struct unplaced_part {
    int32_t source_index = -1;
    std::wstring label;
    int32_t count = 0;
};

// Demanded units of every part record that no layout holds.
std::vector<unplaced_part> FindUnplacedParts(const stavora_2d& facade);

// The readable summary: layouts, totals per material, unplaced parts.
void PrintSummary(std::ostream& out, const stavora_2d& facade, int32_t status);

// A number as the result format writes it (15 significant digits, whole numbers without a point).
nlohmann::ordered_json JsonNumber(double v);

// The whole result for programs, in the documented result format.
nlohmann::ordered_json ResultJson(const stavora_2d& facade, const cli_job& job, int32_t status);

// Writes ResultJson to the file (saved whole or not at all), or to standard output for "-"; false
// with `error` when it cannot be written.
bool WriteJson(const std::string& file, const stavora_2d& facade, const cli_job& job, int32_t status,
               std::string& error);

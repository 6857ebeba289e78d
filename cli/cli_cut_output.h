#pragma once
// The saw's side of a result for other programs: the cutting sequence in the JSON and the CSV cut list.
#include <string>

#include <nlohmann/json.hpp>

#include "engine/stavora_2d.h"

// "cut_sequence" of one layout: its cuts in saw order with count and length.
nlohmann::ordered_json CutSequenceJson(const stavora_2d& facade, const Solution2D& layout);
// "cut_totals": cuts and cut length over every sheet of the job, and per material.
nlohmann::ordered_json CutTotalsJson(const stavora_2d& facade);

// One row per piece (sheet, position, size, turned, label), then one per cut in saw order, per
// layout; false when the file cannot be written (nothing is left behind then).
bool WriteCutListCsv(const std::string& file, const stavora_2d& facade, char separator);

#pragma once
// A cutting job as the command-line tool hands it to the facade: records read from list files
// (or the example), validated and rounded the way the window's Start does.
#include <string>

#include "cli/cli_options.h"
#include "model/input_records.h"

struct cli_job {
    parts_array_2d parts;
    stock_array_2d stock;
    parameters_as_number_2d parameters;
    bool decimal_input = true;   // every size is a plain decimal
    bool fraction_input = true;  // every size is whole or whole-plus-fraction
};

// The window's refusal of a job typed in both forms.
inline constexpr const char* kMixedFormsMessage = "You cannot mix fractional values with real values!";

// Reads, validates and rounds the job; false with a one-line message naming the file, the row
// and the field.
bool LoadJob(const cli_options& options, cli_job& job, std::string& error);

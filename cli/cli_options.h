#pragma once
// Command-line options of stavora-cli, with the window's defaults.
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

struct cli_options {
    std::string parts_file;
    std::string stock_file;
    bool example = false;
    char separator = ',';

    // A whole job in one JSON file: parts, stock and settings; the command line overrides its settings.
    std::string job_file;
    nlohmann::json job;  // the file's content, null without --job

    // The window's technical values, as typed.
    std::string kerf = "0";
    std::string min_break = "0";
    std::string max_cut = "5000";
    int round_index = 3;  // 1/2, 1/4, 1/8, 1/16, 1/32
    std::optional<int> seed;
    std::optional<int> iterations;
    int effort = 1;  // 0 quick, 1 normal, 2 thorough
    int threads = 0;  // 0: every core
    double time_limit = 0.0;

    // Sheet strategies and their parameters.
    int run_mode = 0;  // 0 guillotine, 1 nested, 2 staged
    std::optional<int> stages;
    std::optional<int> first_direction;
    bool same_height_strips = false;
    std::string height_tolerance = "0";

    std::string linear_kerf = "0";

    std::string json_file;  // "-" for standard output
    std::string pdf_file;
    std::string png_dir;
    std::string bmp_dir;
    bool show_part_size = true;
    bool show_waste_size = false;
    bool show_part_label = true;
    bool show_cut_numbers = false;

    // For the saw and the bench.
    std::string cut_list_file;
    std::string report_file;
    std::string labels_file;
    std::string label_sheet = "a4-3x8";  // or letter-3x10

    bool help = false;
    bool version = false;
};

// Parses argv (and the job file that --job names); on failure returns nullopt and sets `error` to a
// one-line message.
std::optional<cli_options> ParseOptions(int argc, char** argv, std::string& error);

std::string UsageText();
std::string VersionText();

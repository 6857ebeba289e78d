#include "cli/cli_options.h"

#include <charconv>
#include <cstdlib>
#include <string_view>

namespace {

bool ParseInt(std::string_view text, int& value)
{
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end;
}

bool ParseFlagValue(std::string_view text, bool& value)
{
    if (text == "on" || text == "1" || text == "yes" || text == "true") { value = true; return true; }
    if (text == "off" || text == "0" || text == "no" || text == "false") { value = false; return true; }
    return false;
}

}  // namespace

std::string UsageText()
{
    return "usage: stavora-cli (--example | --parts FILE --stock FILE) [options]\n"
           "  --parts FILE, --stock FILE   list files (.xml or .csv)\n"
           "  --separator C                CSV field separator, ',' or ';' (default ',')\n"
           "  --kerf X                     cutter thickness (default 0)\n"
           "  --min-break X                minimal break size (default 0)\n"
           "  --max-cut X                  maximal cut length (default 5000)\n"
           "  --round 1/D                  round sizes to 1/2, 1/4, 1/8, 1/16 or 1/32 (default 1/16)\n"
           "  --seed N, --iterations N     random seed and optimisation level\n"
           "  --effort quick|normal|thorough  search after the construction (default normal)\n"
           "  --threads N                  threads of the search (default every core; same layouts)\n"
           "  --time-limit S               stop the search after S seconds with the best found\n"
           "  --mode guillotine|nested|staged\n"
           "  --stages N, --first-direction 0|1, --same-height-strips, --height-tolerance X\n"
           "                               staged layouts\n"
           "  --linear-kerf X              cutter thickness for bars\n"
           "  --json FILE                  the whole result as JSON\n"
           "  --pdf FILE                   every layout as a page of a PDF\n"
           "  --png DIR, --bmp DIR         one picture per layout\n"
           "  --show-part-size on|off, --show-waste-size on|off, --show-part-label on|off\n"
           "                               what the pictures show (default on, off, on)\n";
}

std::optional<cli_options> ParseOptions(int argc, char** argv, std::string& error)
{
    cli_options o;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) {
                error = "option " + std::string(arg) + " needs a value";
                return false;
            }
            out = argv[++i];
            return true;
        };
        auto int_value = [&](auto& out) {
            std::string text;
            if (!value(text)) return false;
            int v = 0;
            if (!ParseInt(text, v)) {
                error = "option " + std::string(arg) + ": not an integer: " + text;
                return false;
            }
            out = v;
            return true;
        };
        auto flag_value = [&](bool& out) {
            // A flag stands alone or takes on/off.
            if (i + 1 < argc && ParseFlagValue(argv[i + 1], out)) {
                ++i;
                return true;
            }
            out = true;
            return true;
        };

        bool ok = true;
        if (arg == "--help" || arg == "-h") o.help = true;
        else if (arg == "--example") o.example = true;
        else if (arg == "--parts") ok = value(o.parts_file);
        else if (arg == "--stock") ok = value(o.stock_file);
        else if (arg == "--separator") {
            std::string s;
            ok = value(s);
            if (ok && (s == "," || s == ";")) o.separator = s[0];
            else if (ok) { error = "--separator must be ',' or ';'"; ok = false; }
        }
        else if (arg == "--kerf") ok = value(o.kerf);
        else if (arg == "--min-break") ok = value(o.min_break);
        else if (arg == "--max-cut") ok = value(o.max_cut);
        else if (arg == "--round") {
            std::string s;
            ok = value(s);
            static const char* const kFractions[] = {"1/2", "1/4", "1/8", "1/16", "1/32"};
            int found = -1;
            for (int k = 0; k < 5; ++k)
                if (s == kFractions[k]) found = k;
            if (ok && found < 0) { error = "--round must be 1/2, 1/4, 1/8, 1/16 or 1/32"; ok = false; }
            if (ok) o.round_index = found;
        }
        else if (arg == "--seed") ok = int_value(o.seed);
        else if (arg == "--iterations") ok = int_value(o.iterations);
        else if (arg == "--effort") {
            std::string s;
            ok = value(s);
            if (s == "quick") o.effort = 0;
            else if (s == "normal") o.effort = 1;
            else if (s == "thorough") o.effort = 2;
            else if (ok) { error = "--effort must be quick, normal or thorough"; ok = false; }
        }
        else if (arg == "--threads") {
            ok = int_value(o.threads);
            if (ok && o.threads < 0) { error = "--threads must be 0 or more"; ok = false; }
        }
        else if (arg == "--time-limit") {
            std::string s;
            ok = value(s);
            char* end = nullptr;
            const double v = ok ? std::strtod(s.c_str(), &end) : 0.0;
            if (ok && (end == s.c_str() || *end != '\0' || !(v >= 0.0))) {
                error = "--time-limit: not a number of seconds: " + s;
                ok = false;
            }
            if (ok) o.time_limit = v;
        }
        else if (arg == "--mode") {
            std::string s;
            ok = value(s);
            if (s == "guillotine") o.run_mode = 0;
            else if (s == "nested") o.run_mode = 1;
            else if (s == "staged") o.run_mode = 2;
            else if (ok) { error = "--mode must be guillotine, nested or staged"; ok = false; }
        }
        else if (arg == "--stages") ok = int_value(o.stages);
        else if (arg == "--first-direction") {
            ok = int_value(o.first_direction);
            if (ok && *o.first_direction != 0 && *o.first_direction != 1) {
                error = "--first-direction must be 0 or 1";
                ok = false;
            }
        }
        else if (arg == "--same-height-strips") ok = flag_value(o.same_height_strips);
        else if (arg == "--height-tolerance") ok = value(o.height_tolerance);
        else if (arg == "--linear-kerf") ok = value(o.linear_kerf);
        else if (arg == "--json") ok = value(o.json_file);
        else if (arg == "--pdf") ok = value(o.pdf_file);
        else if (arg == "--png") ok = value(o.png_dir);
        else if (arg == "--bmp") ok = value(o.bmp_dir);
        else if (arg == "--show-part-size") ok = flag_value(o.show_part_size);
        else if (arg == "--show-waste-size") ok = flag_value(o.show_waste_size);
        else if (arg == "--show-part-label") ok = flag_value(o.show_part_label);
        else {
            error = "unknown option: " + std::string(arg);
            ok = false;
        }
        if (!ok) return std::nullopt;
    }
    if (o.help) return o;
    if (!o.example && (o.parts_file.empty() || o.stock_file.empty())) {
        error = "give --example, or both --parts FILE and --stock FILE";
        return std::nullopt;
    }
    return o;
}

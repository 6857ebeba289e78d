#include "cli/cli_options.h"

#include <algorithm>
#include <fstream>
#include <functional>
#include <vector>

#include <QCommandLineParser>
#include <QStringList>

namespace {

// Puts an option's text into cli_options; false with a message that the caller prefixes with the
// place the value came from (the option, or the job file's setting).
using apply_value = std::function<bool(cli_options&, const std::string& value, std::string& error)>;

struct option_row {
    const char* name;        // --name on the command line, "name" in a job file's settings
    const char* value_name;  // empty for a switch
    const char* help;        // one line, at most 48 characters so that it fits beside the option
    bool job_setting;        // may also be given in a job file's settings
    apply_value apply;
};

apply_value Text(std::string cli_options::*field)
{
    return [field](cli_options& o, const std::string& v, std::string&) {
        o.*field = v;
        return true;
    };
}

apply_value Integer(std::optional<int> cli_options::*field)
{
    return [field](cli_options& o, const std::string& v, std::string& error) {
        bool ok = false;
        const int value = QString::fromStdString(v).toInt(&ok);
        if (!ok) {
            error = "not an integer: " + v;
            return false;
        }
        o.*field = value;
        return true;
    };
}

// A switch: alone on the command line, true/false in a job file, on/off as a value.
apply_value OnOff(bool cli_options::*field)
{
    return [field](cli_options& o, const std::string& v, std::string& error) {
        for (const char* word : {"on", "1", "yes", "true"})
            if (v == word) return o.*field = true, true;
        for (const char* word : {"off", "0", "no", "false"})
            if (v == word) return o.*field = false, true;
        error = "must be on or off, is " + v;
        return false;
    };
}

// One of a few words; the field takes the word's position.
apply_value Choice(int cli_options::*field, std::vector<std::string> words)
{
    return [field, words](cli_options& o, const std::string& v, std::string& error) {
        for (size_t i = 0; i < words.size(); ++i)
            if (v == words[i]) return o.*field = static_cast<int>(i), true;
        error = "must be ";
        for (size_t i = 0; i < words.size(); ++i)
            error += (i == 0 ? "" : i + 1 == words.size() ? " or " : ", ") + words[i];
        return false;
    };
}

// Every option, in the order of the help. A new option is one row here and one field in cli_options.
const std::vector<option_row>& OptionTable()
{
    static const std::vector<option_row> table = {
        {"example", "", "cut the bundled example job", false, OnOff(&cli_options::example)},
        {"parts", "FILE", "parts list file (.xml or .csv)", false, Text(&cli_options::parts_file)},
        {"stock", "FILE", "stock list file (.xml or .csv)", false, Text(&cli_options::stock_file)},
        {"job", "FILE", "a whole job as JSON: parts, stock and settings", false, Text(&cli_options::job_file)},
        {"separator", "C", "CSV field separator, ',' or ';' (default ',')", false,
         [](cli_options& o, const std::string& v, std::string& error) {
             if (v != "," && v != ";") {
                 error = "must be ',' or ';'";
                 return false;
             }
             o.separator = v[0];
             return true;
         }},
        {"kerf", "X", "cutter thickness (default 0)", true, Text(&cli_options::kerf)},
        {"min-break", "X", "minimal break size (default 0)", true, Text(&cli_options::min_break)},
        {"max-cut", "X", "maximal cut length (default 5000)", true, Text(&cli_options::max_cut)},
        {"round", "1/D", "round sizes to 1/2 ... 1/32 (default 1/16)", true,
         Choice(&cli_options::round_index, {"1/2", "1/4", "1/8", "1/16", "1/32"})},
        {"seed", "N", "random seed of the search", true, Integer(&cli_options::seed)},
        {"iterations", "N", "optimisation level", true, Integer(&cli_options::iterations)},
        {"effort", "WORD", "quick, normal (default) or thorough search", true,
         Choice(&cli_options::effort, {"quick", "normal", "thorough"})},
        {"threads", "N", "threads of the search (default every core)", true,
         [](cli_options& o, const std::string& v, std::string& error) {
             bool ok = false;
             const int value = QString::fromStdString(v).toInt(&ok);
             if (!ok || value < 0) {
                 error = "must be 0 or more, is " + v;
                 return false;
             }
             o.threads = value;
             return true;
         }},
        {"time-limit", "S", "stop the search after S seconds", true,
         [](cli_options& o, const std::string& v, std::string& error) {
             bool ok = false;
             const double value = QString::fromStdString(v).toDouble(&ok);
             if (!ok || !(value >= 0.0)) {
                 error = "not a number of seconds: " + v;
                 return false;
             }
             o.time_limit = value;
             return true;
         }},
        {"mode", "MODE", "guillotine (default), nested or staged", true,
         Choice(&cli_options::run_mode, {"guillotine", "nested", "staged"})},
        {"stages", "N", "staged: number of stages", true, Integer(&cli_options::stages)},
        {"first-direction", "0|1", "staged: direction of the first stage", true,
         [](cli_options& o, const std::string& v, std::string& error) {
             if (v != "0" && v != "1") {
                 error = "must be 0 or 1";
                 return false;
             }
             o.first_direction = v[0] - '0';
             return true;
         }},
        {"same-height-strips", "", "staged: one height for the pieces of a strip", true,
         OnOff(&cli_options::same_height_strips)},
        {"height-tolerance", "X", "staged: height difference allowed in a strip", true,
         Text(&cli_options::height_tolerance)},
        {"linear-kerf", "X", "cutter thickness for bars (default 0)", true, Text(&cli_options::linear_kerf)},
        {"json", "FILE", "the whole result as JSON; - for standard output", false, Text(&cli_options::json_file)},
        {"pdf", "FILE", "every layout as a page of a PDF", false, Text(&cli_options::pdf_file)},
        {"png", "DIR", "one PNG picture per layout", false, Text(&cli_options::png_dir)},
        {"bmp", "DIR", "one BMP picture per layout", false, Text(&cli_options::bmp_dir)},
        {"show-part-size", "on|off", "show part sizes in pictures (default on)", false,
         OnOff(&cli_options::show_part_size)},
        {"show-waste-size", "on|off", "show waste sizes in pictures (default off)", false,
         OnOff(&cli_options::show_waste_size)},
        {"show-part-label", "on|off", "show part labels in pictures (default on)", false,
         OnOff(&cli_options::show_part_label)},
        {"show-cut-numbers", "on|off", "show cut numbers in pictures (default off)", false,
         OnOff(&cli_options::show_cut_numbers)},
        {"cut-list", "FILE", "pieces and cuts in saw order as CSV", false, Text(&cli_options::cut_list_file)},
        {"report", "FILE", "job report as PDF", false, Text(&cli_options::report_file)},
        {"labels", "FILE", "part labels as PDF, one per piece cut", false, Text(&cli_options::labels_file)},
        {"label-sheet", "SHEET", "a4-3x8 (default) or letter-3x10", false,
         [](cli_options& o, const std::string& v, std::string& error) {
             if (v != "a4-3x8" && v != "letter-3x10") {
                 error = "must be a4-3x8 or letter-3x10";
                 return false;
             }
             o.label_sheet = v;
             return true;
         }},
    };
    return table;
}

QCommandLineParser& Parser()
{
    static QCommandLineParser p;
    static const bool ready = [] {
        p.setApplicationDescription(QStringLiteral(
            "Cuts parts from stock sheets and bars and prints the layouts.\n"
            "Messages go to standard error. Exit status: 0 every piece placed,\n"
            "2 not every piece placed, 1 bad input or an output not written."));
        // Qt's own help option would also offer Qt's options, which mean nothing here.
        p.addOption(QCommandLineOption({QStringLiteral("h"), QStringLiteral("help")},
                                       QStringLiteral("show this help and exit")));
        p.addOption(QCommandLineOption(QStringLiteral("version"), QStringLiteral("show the version and exit")));
        for (const option_row& row : OptionTable())
            p.addOption(QCommandLineOption(QString::fromLatin1(row.name), QString::fromLatin1(row.help),
                                           QString::fromLatin1(row.value_name)));
        return true;
    }();
    (void)ready;
    return p;
}

// A message of Qt's parser as the tool words its own: lower case first, no full stop.
std::string ParserMessage(QString text)
{
    if (!text.isEmpty()) text[0] = text[0].toLower();
    if (text.endsWith(QLatin1Char('.'))) text.chop(1);
    return text.toStdString();
}

// A job file's settings in the option's text form: numbers as JSON writes them, true/false as on/off.
bool SettingText(const nlohmann::json& value, std::string& text)
{
    if (value.is_string()) text = value.get<std::string>();
    else if (value.is_boolean()) text = value.get<bool>() ? "on" : "off";
    else if (value.is_number()) text = value.dump();
    else return false;
    return true;
}

bool ReadJobFile(cli_options& o, std::string& error)
{
    std::ifstream in(o.job_file, std::ios::binary);
    if (!in) {
        error = o.job_file + ": file not found";
        return false;
    }
    try {
        o.job = nlohmann::json::parse(in);
    } catch (const nlohmann::json::parse_error& e) {
        error = o.job_file + ": not a JSON file: " + e.what();
        return false;
    }
    if (!o.job.is_object()) {
        error = o.job_file + ": not a job (an object with parts, stock and settings)";
        return false;
    }
    for (const auto& [key, value] : o.job.items()) {
        if (key != "parts" && key != "stock" && key != "settings") {
            error = o.job_file + ", " + key + ": unknown field (a job has parts, stock and settings)";
            return false;
        }
    }
    const auto settings = o.job.find("settings");
    if (settings == o.job.end()) return true;
    if (!settings->is_object()) {
        error = o.job_file + ", settings: not an object";
        return false;
    }
    for (const auto& [key, value] : settings->items()) {
        const std::string where = o.job_file + ", settings, " + key;
        const auto& table = OptionTable();
        // A structured binding cannot be captured by older compilers (clang 14).
        const std::string& name = key;
        const auto row = std::find_if(table.begin(), table.end(),
                                      [&](const option_row& r) { return r.job_setting && name == r.name; });
        if (row == table.end()) {
            error = where + ": unknown setting";
            return false;
        }
        std::string text;
        if (!SettingText(value, text)) {
            error = where + ": must be a text, a number, true or false";
            return false;
        }
        if (!row->apply(o, text, error)) {
            error = where + ": " + error;
            return false;
        }
    }
    return true;
}

}  // namespace

std::string UsageText()
{
    // Without an application object Qt names the program <executable_name>.
    QString text = Parser().helpText();
    text.replace(QStringLiteral("<executable_name> [options]"),
                 QStringLiteral("stavora-cli (--example | --job FILE | --parts FILE --stock FILE) [options]"));
    return text.toStdString();
}

std::string VersionText() { return "stavora-cli " STAVORA_VERSION "\n"; }

std::optional<cli_options> ParseOptions(int argc, char** argv, std::string& error)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser& parser = Parser();
    if (!parser.parse(arguments)) {
        error = ParserMessage(parser.errorText());
        return std::nullopt;
    }
    cli_options o;
    o.help = parser.isSet(QStringLiteral("help"));
    o.version = parser.isSet(QStringLiteral("version"));
    if (o.help || o.version) return o;
    if (!parser.positionalArguments().isEmpty()) {
        error = "unexpected argument: " + parser.positionalArguments().first().toStdString();
        return std::nullopt;
    }

    // The job file's settings first, so that the command line overrides them.
    const QString job = QStringLiteral("job");
    if (parser.isSet(job)) {
        o.job_file = parser.value(job).toStdString();
        if (!ReadJobFile(o, error)) return std::nullopt;
    }
    for (const option_row& row : OptionTable()) {
        const QString name = QString::fromLatin1(row.name);
        if (!parser.isSet(name)) continue;
        const std::string value = *row.value_name ? parser.value(name).toStdString() : std::string("on");
        if (!row.apply(o, value, error)) {
            error = "--" + std::string(row.name) + ": " + error;
            return std::nullopt;
        }
    }

    const int sources = (o.example ? 1 : 0) + (o.job_file.empty() ? 0 : 1) +
                        (o.parts_file.empty() && o.stock_file.empty() ? 0 : 1);
    if (sources != 1 || (!o.parts_file.empty() && o.stock_file.empty()) ||
        (o.parts_file.empty() && !o.stock_file.empty())) {
        error = "give --example, --job FILE, or both --parts FILE and --stock FILE";
        return std::nullopt;
    }
    return o;
}

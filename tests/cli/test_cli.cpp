// The command-line tool as a user and a script see it: exit codes, messages, output files.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include <nlohmann/json.hpp>

#include "cli/cli_options.h"

namespace {

struct run_output {
    int exit_code = -1;
    std::string out;
    std::string err;
};

std::filesystem::path TempDir()
{
    static const std::filesystem::path dir = [] {
        auto d = std::filesystem::temp_directory_path() / ("stavora_cli_" + std::to_string(::getpid()));
        std::filesystem::create_directories(d);
        return d;
    }();
    return dir;
}

std::string ReadFile(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

run_output RunCli(const std::string& arguments)
{
    const auto out_file = TempDir() / "out.txt";
    const auto err_file = TempDir() / "err.txt";
    const std::string command = std::string(STAVORA_CLI) + " " + arguments + " >" + out_file.string() + " 2>" +
                                err_file.string() + " </dev/null";
    const int status = std::system(command.c_str());
    run_output r;
    r.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = ReadFile(out_file);
    r.err = ReadFile(err_file);
    return r;
}

std::string WriteFile(const std::string& name, const std::string& text)
{
    const auto file = TempDir() / name;
    std::ofstream(file, std::ios::binary) << text;
    return file.string();
}

// Keeps a result of the tool where the schema check finds it (it runs after these tests).
void KeepResult(const std::string& text)
{
    static int number = 0;
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::filesystem::path dir = STAVORA_CLI_RESULTS;
    std::filesystem::create_directories(dir);
    std::ofstream(dir / (std::string(test->name()) + "_" + std::to_string(++number) + ".json"), std::ios::binary)
        << text;
}

// The tool's JSON on standard output, parsed; a null value when it is not JSON.
nlohmann::json ParseJson(const std::string& text) { return nlohmann::json::parse(text, nullptr, false); }

}  // namespace

TEST(Cli, CutsTheExampleAndTheBundledListFiles)
{
    const run_output example = RunCli("--example");
    EXPECT_EQ(example.exit_code, 0) << example.err;
    EXPECT_NE(example.out.find("Sheet layout 1: material glass, stock window"), std::string::npos) << example.out;
    EXPECT_EQ(example.err, "");

    const std::string examples = STAVORA_EXAMPLES;
    const run_output files =
        RunCli("--parts " + examples + "/parts.xml --stock " + examples + "/stock.xml --kerf 3 --min-break 10");
    EXPECT_EQ(files.exit_code, 0) << files.err;
    EXPECT_NE(files.out.find("material Oak 18"), std::string::npos);
    EXPECT_EQ(files.out.find("Not placed"), std::string::npos);
}

TEST(Cli, RefusesBadInputWithOneLineNamingTheProblem)
{
    const std::string stock = WriteFile("stock.csv", "2000,1000,5,0,board\n");
    struct Case {
        std::string arguments;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"--parts " + WriteFile("mixed.xml",
                                "<data><parts><row><length>500.5</length><width>300</width></row>"
                                "<row><length>10 1/2</length><width>300</width></row></parts></data>") +
             " --stock " + stock,
         "You cannot mix fractional values with real values!"},
        {"--parts " + WriteFile("negative.csv", "600,400,-2,0,x\n") + " --stock " + stock,
         "negative.csv, row 1, quantity"},
        {"--parts " + WriteFile("zero_width.csv", "600,-1,2,0,x\n") + " --stock " + stock,
         "zero_width.csv, row 1, width"},
        {"--parts " + WriteFile("huge.csv", "300000000,400,1,0,x\n") + " --stock " + stock, "size too large"},
        {"--parts " + WriteFile("broken.xml", "<data><parts><row>") + " --stock " + stock, "broken.xml: not a list"},
        {"--parts /nonexistent/parts.xml --stock " + stock, "file not found"},
        {"--parts " + WriteFile("words.xml", "<data><parts><row><length>12a</length><width>300</width></row>"
                                             "</parts></data>") + " --stock " + stock,
         "words.xml, row 1, length: not a number: 12a"},
        {"--parts " + WriteFile("words.csv", "600,400,1,0,ok\nabout,nothing\n") + " --stock " + stock,
         "words.csv, line 2, length: not a number: about"},
        {"--parts " + WriteFile("many.xml", "<data><parts><row><length>600</length><width>400</width>"
                                            "<quantity>99999999999</quantity></row></parts></data>") + " --stock " + stock,
         "many.xml, row 1, quantity: not a whole number: 99999999999"},
        {"--parts " + WriteFile("letters.csv", "600,abc,2,1,A,\n") + " --stock " + stock,
         "letters.csv, line 1, width: not a number: abc"},
        {"--parts " + WriteFile("no_length.csv", "600,400\n,400,2,1,B,\n") + " --stock " + stock,
         "no_length.csv, line 2, length: missing"},
        {"--parts " + WriteFile("many.csv", "600,400,99999999999,1,Q,\n") + " --stock " + stock,
         "many.csv, line 1, quantity: not a whole number: 99999999999"},
        {"--parts " + WriteFile("slip.csv", "5x 3/4,400,1,0,A,\n") + " --stock " + stock,
         "slip.csv, line 1, length: not a number: 5x 3/4"},
        {"--parts " + stock + " --stock " + stock + " --kerf -1", "--kerf"},
        {"--parts " + stock + " --stock " + stock + " --round 1/3", "--round"},
        {"--frobnicate", "unknown option"},
        {"--parts " + WriteFile("absurd.csv", "600,400,2000000000,0,x\n") + " --stock " + stock,
         "Parts, row 1: quantity 2000000000 is too large"},
    };
    for (const Case& c : cases) {
        const run_output r = RunCli(c.arguments);
        EXPECT_EQ(r.exit_code, 1) << c.arguments;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.arguments << "\n" << r.err;
    }
}

TEST(Cli, ReadsSemicolonListsWithDecimalCommasAndLabelsWithBlanks)
{
    const std::string parts = WriteFile("comma_parts.csv", "600;400,5;2;1;Left door;\n");
    const std::string stock = WriteFile("comma_stock.csv", "2000;1000;5;0;board;\n");
    const run_output r = RunCli("--parts " + parts + " --stock " + stock + " --separator ';'");
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(r.out.find("pieces 2"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("600 x 400.5 at (0, 0)  Left door"), std::string::npos) << r.out;
}

TEST(Cli, ReportsUnplacedPartsWithExitStatusTwo)
{
    const std::string parts = WriteFile("parts.csv", "600,400,2,0,Door\n3000,400,1,0,Beam\n");
    const std::string stock = WriteFile("stock2.csv", "2000,1000,5,0,board\n");
    const std::string json = (TempDir() / "unplaced.json").string();
    const run_output r = RunCli("--parts " + parts + " --stock " + stock + " --json " + json);
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_NE(r.out.find("Not placed"), std::string::npos);
    EXPECT_NE(r.out.find("Beam x 1"), std::string::npos);
    const std::string text = ReadFile(json);
    KeepResult(text);
    const nlohmann::json result = ParseJson(text);
    EXPECT_EQ(result["status"], 2);
    EXPECT_EQ(result["unplaced"], nlohmann::json::parse(R"([{"source_index": 1, "label": "Beam", "count": 1}])"));
}

TEST(Cli, FractionalJobsAreShownInFractions)
{
    const std::string parts = WriteFile(
        "inch.xml", "<data><parts><row><length>12 3/16</length><width>10 1/2</width><quantity>2</quantity>"
                    "</row></parts></data>");
    const std::string stock = WriteFile(
        "inch_stock.xml", "<data><stock><row><length>96</length><width>48</width><quantity>1</quantity>"
                          "</row></stock></data>");
    const std::string json = (TempDir() / "inch.json").string();
    const run_output r = RunCli("--parts " + parts + " --stock " + stock + " --json " + json);
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(r.out.find("12 3/16"), std::string::npos) << r.out;
    const std::string text = ReadFile(json);
    KeepResult(text);
    EXPECT_NE(text.find("\"decimal\": false"), std::string::npos);
    EXPECT_NE(text.find("_size\": 12.1875"), std::string::npos) << text;
    for (const char* key : {"\"layouts\"", "\"placed_parts\"", "\"used_stock\"", "\"garbage_waste\"",
                            "\"reused_waste\"", "\"utilization\"", "\"unplaced\"", "\"layouts_1d\""})
        EXPECT_NE(text.find(key), std::string::npos) << key;
}

TEST(Cli, DrawsPdfAndPicturesWithoutADisplay)
{
    const auto dir = TempDir() / "pictures";
    const std::string pdf = (TempDir() / "layouts.pdf").string();
    const run_output r = RunCli("--example --pdf " + pdf + " --png " + dir.string() + " --bmp " + dir.string());
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const std::string text = ReadFile(pdf);
    EXPECT_EQ(text.rfind("%PDF", 0), 0u);
    EXPECT_TRUE(std::filesystem::exists(dir / "Sheet1.png"));
    EXPECT_TRUE(std::filesystem::exists(dir / "Sheet1.bmp"));
}

TEST(Cli, CutsBarsWithMitredEnds)
{
    const std::string parts = WriteFile(
        "bars.xml",
        "<data><parts>"
        "<row><length>1000</length><width>0</width><quantity>3</quantity><label>batten</label></row>"
        "<row><length>850</length><width>0</width><quantity>4</quantity><label>frame</label>"
        "<end_angle_1>45</end_angle_1><end_angle_2>45</end_angle_2></row>"
        "</parts></data>");
    const std::string stock = WriteFile(
        "bar_stock.xml", "<data><stock><row><length>6000</length><width>0</width><quantity>3</quantity>"
                         "<trim_left>10</trim_left><trim_right>10</trim_right></row></stock></data>");
    const std::string json = (TempDir() / "bars.json").string();
    const auto pictures = TempDir() / "bar_pictures";
    const run_output r =
        RunCli("--parts " + parts + " --stock " + stock + " --linear-kerf 3 --json " + json + " --png " +
               pictures.string());
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(r.out.find("Bar layout 1"), std::string::npos) << r.out;
    const std::string text = ReadFile(json);
    KeepResult(text);
    for (const char* key : {"\"layouts_1d\"", "\"barLength\": 5980", "\"stockLength\": 6000", "\"angle1\"",
                            "\"partIndex\"", "\"garbage_waste_1d\"", "\"reused_waste_1d\"", "\"utilization_1d\""})
        EXPECT_NE(text.find(key), std::string::npos) << key;
    EXPECT_TRUE(std::filesystem::exists(pictures / "Bar1.png"));

    const std::string bad_angle = WriteFile(
        "bad_angle.xml", "<data><parts><row><length>850</length><width>0</width><end_angle_1>190</end_angle_1>"
                         "</row></parts></data>");
    const run_output refused = RunCli("--parts " + bad_angle + " --stock " + stock);
    EXPECT_EQ(refused.exit_code, 1);
    EXPECT_NE(refused.err.find("bad_angle.xml, row 1, end_angle_1"), std::string::npos) << refused.err;
}

TEST(Cli, AnswersHelpAndVersionOnStandardOutput)
{
    for (const char* option : {"--help", "-h"}) {
        const run_output r = RunCli(option);
        EXPECT_EQ(r.exit_code, 0) << option;
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.out.rfind("Usage: stavora-cli", 0), 0u) << r.out;
        // Every option has its line of help.
        for (const char* name : {"--example", "--parts <FILE>", "--job <FILE>", "--kerf <X>", "--round <1/D>",
                                 "--json <FILE>", "--show-part-label <on|off>", "--version"})
            EXPECT_NE(r.out.find(name), std::string::npos) << name;
    }
    const run_output version = RunCli("--version");
    EXPECT_EQ(version.exit_code, 0);
    EXPECT_EQ(version.out.rfind("stavora-cli ", 0), 0u) << version.out;

    const run_output unknown = RunCli("--example --frobnicate=2");
    EXPECT_EQ(unknown.exit_code, 1);
    EXPECT_NE(unknown.err.find("unknown option 'frobnicate'"), std::string::npos) << unknown.err;
    EXPECT_EQ(unknown.out, "");
}

TEST(Cli, WritesOnlyTheJsonToStandardOutputWhenAskedForIt)
{
    struct Case {
        std::string arguments;
        double kerf;
    };
    for (const Case& c : std::vector<Case>{{"--example --kerf=3 --json -", 3}, {"--example --json=- --kerf 2.5", 2.5}}) {
        const run_output r = RunCli(c.arguments);
        EXPECT_EQ(r.exit_code, 0) << c.arguments << "\n" << r.err;
        EXPECT_EQ(r.err, "");
        KeepResult(r.out);
        const nlohmann::json result = ParseJson(r.out);
        ASSERT_TRUE(result.is_object()) << c.arguments << "\n" << r.out;
        EXPECT_EQ(result["parameters"]["cutter_thickness"], c.kerf);
        EXPECT_EQ(result["settings"]["kerf"], c.kerf);
        EXPECT_FALSE(result["layouts"].empty());
    }
}

TEST(Cli, JobFileRoundTripsThroughTheResult)
{
    const nlohmann::json job = {
        {"parts",
         {{{"length", 600}, {"width", 400}, {"quantity", 4}, {"label", "Door"}, {"material", "Oak 18"}},
          {{"length", "300.5"}, {"width", 200}, {"quantity", 2}, {"label", "Shelf"}, {"material", "Oak 18"}},
          {{"length", 1200}, {"width", 0}, {"quantity", 3}, {"label", "Rail"}, {"material", "Pine"},
           {"end_angle_1", 45}}}},
        {"stock",
         {{{"length", 2800}, {"width", 2070}, {"quantity", 2}, {"label", "board"}, {"material", "Oak 18"},
           {"trim_left", 5}},
          {{"length", 6000}, {"width", 0}, {"quantity", 2}, {"label", "bar"}, {"material", "Pine"}}}},
        {"settings",
         {{"kerf", 3}, {"min-break", 10}, {"max-cut", 4000}, {"round", "1/8"}, {"seed", 7}, {"iterations", 50},
          {"mode", "staged"}, {"stages", 3}, {"first-direction", 1}, {"same-height-strips", true},
          {"height-tolerance", 2}, {"linear-kerf", 4.5}}}};
    const std::string file = WriteFile("job.json", job.dump(2));

    const run_output r = RunCli("--job " + file + " --json -");
    ASSERT_EQ(r.exit_code, 0) << r.err;
    KeepResult(r.out);
    const nlohmann::json result = ParseJson(r.out);
    ASSERT_TRUE(result.is_object()) << r.out;
    EXPECT_EQ(result["settings"], job["settings"]) << result["settings"].dump();
    EXPECT_EQ(result["parameters"]["cutter_thickness"], 3);
    EXPECT_EQ(result["parameters"]["run_mode"], 2);
    EXPECT_EQ(result["layouts"][0]["material"], "Oak 18");
    EXPECT_EQ(result["layouts_1d"][0]["material"], "Pine");
    EXPECT_TRUE(result["unplaced"].empty());

    // The command line overrides the job's settings.
    const nlohmann::json changed = ParseJson(RunCli("--job " + file + " --kerf 5 --mode=nested --json -").out);
    EXPECT_EQ(changed["settings"]["kerf"], 5);
    EXPECT_EQ(changed["settings"]["mode"], "nested");
    EXPECT_EQ(changed["settings"]["seed"], 7);
}

TEST(Cli, RefusesABadJobFileNamingThePlace)
{
    struct Case {
        std::string job;
        std::string message;
    };
    const std::vector<Case> cases = {
        {R"({"parts": [)", "not a JSON file"},
        {R"([1, 2])", "not a job"},
        {R"({"parts": [{"length": 600, "width": 400}]})", "stock: missing"},
        {R"({"parts": [{"length": "6o0", "width": 400}], "stock": []})", "parts, row 1, length: not a number: 6o0"},
        {R"({"parts": [{"length": 600, "width": [4]}], "stock": []})", "parts, row 1, width: must be a text"},
        {R"({"parts": [], "stock": [{"length": 0, "width": 400}]})", "stock, row 1, length"},
        {R"({"parts": [], "stock": [], "settings": {"kerf": -1}})", "--kerf"},
        {R"({"parts": [], "stock": [], "settings": {"colour": "red"}})", "settings, colour: unknown setting"},
        {R"({"parts": [{"length": 600, "width": 400, "quantitiy": 5}], "stock": []})",
         "parts, row 1, quantitiy: unknown field"},
        {R"({"parts": [], "stock": [], "setings": {"kerf": 3}})", "setings: unknown field"},
        {R"({"parts": [], "stock": [], "settings": {"json": "out.json"}})", "settings, json: unknown setting"},
        {R"({"parts": [], "stock": [], "settings": {"mode": "spiral"}})", "settings, mode: must be guillotine"},
    };
    for (const Case& c : cases) {
        const run_output r = RunCli("--job " + WriteFile("bad_job.json", c.job));
        EXPECT_EQ(r.exit_code, 1) << c.job;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.job << "\n" << r.err;
    }
}

TEST(CliOptions, ReadEveryFormOfAValue)
{
    struct Case {
        std::vector<std::string> arguments;
        std::function<bool(const cli_options&)> holds;
        const char* what;
    };
    const std::vector<Case> cases = {
        {{"--example", "--kerf=3"}, [](const cli_options& o) { return o.kerf == "3"; }, "value after ="},
        {{"--example", "--kerf", "-1"}, [](const cli_options& o) { return o.kerf == "-1"; }, "value like an option"},
        {{"--example", "--kerf", "2", "--kerf", "4"}, [](const cli_options& o) { return o.kerf == "4"; }, "last wins"},
        {{"--example", "--same-height-strips"}, [](const cli_options& o) { return o.same_height_strips; }, "switch"},
        {{"--example", "--show-part-size", "off", "--show-waste-size=on"},
         [](const cli_options& o) { return !o.show_part_size && o.show_waste_size; }, "on/off"},
        {{"--example", "--round", "1/32", "--mode", "staged"},
         [](const cli_options& o) { return o.round_index == 4 && o.run_mode == 2; }, "choices"},
        {{"--parts", "p.csv", "--stock", "s.csv", "--separator", ";"},
         [](const cli_options& o) { return o.separator == ';' && o.parts_file == "p.csv"; }, "list files"},
        {{"--example", "--json", "-"}, [](const cli_options& o) { return o.json_file == "-"; }, "standard output"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> words = c.arguments;
        words.insert(words.begin(), "stavora-cli");
        std::vector<char*> argv;
        for (std::string& w : words) argv.push_back(w.data());
        std::string error;
        const auto options = ParseOptions(static_cast<int>(argv.size()), argv.data(), error);
        ASSERT_TRUE(options) << c.what << ": " << error;
        EXPECT_TRUE(c.holds(*options)) << c.what;
    }
}

TEST(Cli, StagedLayoutsHaveAtMostTheStagesAsked)
{
    // Grain on parts and sheets: nothing turns.
    const std::string heights = WriteFile("heights.csv", "500,300,2,1,a\n500,290,1,1,b\n500,280,1,1,c\n");
    const std::string sheets = WriteFile("sheets_1000.csv", "1000,600,5,1,s\n");
    const std::string close = WriteFile("close.csv", "30,25,1,1,a\n30,23,1,1,b\n");
    const std::string strips = WriteFile("strips_60.csv", "60,25,5,1,s\n");
    struct Case {
        std::string arguments;
        std::string summary;
    };
    const std::vector<Case> cases = {
        {"--parts " + heights + " --stock " + sheets + " --mode staged --stages 2", "1 sheet layout(s)"},
        {"--parts " + close + " --stock " + strips + " --mode staged --stages 2 --same-height-strips",
         "2 sheet layout(s)"},
        {"--parts " + close + " --stock " + strips +
             " --mode staged --stages 2 --same-height-strips --height-tolerance 2",
         "1 sheet layout(s)"},
    };
    for (const Case& c : cases) {
        const run_output r = RunCli(c.arguments);
        EXPECT_EQ(r.exit_code, 0) << c.arguments << "\n" << r.err;
        EXPECT_NE(r.out.find(c.summary), std::string::npos) << c.arguments << "\n" << r.out;
    }
}

TEST(Cli, SameJsonOnEveryThreadCountWithTheSheetBound)
{
    const std::string parts = WriteFile("search_parts.csv", "720,560,6,0,Side\n1164,560,3,0,Top\n597,396,9,0,Door\n"
                                                            "1164,120,8,0,Rail\n450,300,7,0,Shelf\n");
    const std::string stock = WriteFile("search_stock.csv", "2800,2070,20,0,Board\n");
    std::string first;
    for (const char* threads : {"1", "2", "4"}) {
        const auto json = TempDir() / (std::string("search_") + threads + ".json");
        const run_output r = RunCli("--parts " + parts + " --stock " + stock + " --kerf 4 --seed 3 --threads " +
                                    threads + " --json " + json.string());
        ASSERT_EQ(r.exit_code, 0) << r.err;
        EXPECT_NE(r.out.find("lower bound"), std::string::npos) << r.out;
        const std::string text = ReadFile(json);
        EXPECT_NE(text.find("\"lower_bound\""), std::string::npos);
        EXPECT_NE(text.find("\"optimal\""), std::string::npos);
        if (first.empty())
            first = text;
        else
            EXPECT_EQ(text, first) << "threads " << threads;
    }
    EXPECT_EQ(RunCli("--example --effort hasty").exit_code, 1);
    EXPECT_EQ(RunCli("--example --effort quick --time-limit 5").exit_code, 0);
}

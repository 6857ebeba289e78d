// What the tool hands the saw and the bench: the cutting sequence in the JSON, the cut list,
// the job report and the part labels.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::filesystem::path TempDir()
{
    static const std::filesystem::path dir = [] {
        auto d = std::filesystem::temp_directory_path() / ("stavora_saw_" + std::to_string(::getpid()));
        std::filesystem::create_directories(d);
        return d;
    }();
    return dir;
}

// The files of a run go when the tests end.
class temp_dir_cleanup : public ::testing::Environment {
public:
    void TearDown() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(TempDir(), ignored);
    }
};
const auto* const kCleanup = ::testing::AddGlobalTestEnvironment(new temp_dir_cleanup);

std::string ReadFile(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

int Run(const std::string& command)
{
    const int status = std::system((command + " >" + (TempDir() / "out.txt").string() + " 2>&1 </dev/null").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The C locale keeps sizes in the report written with a full stop, as in the JSON.
int RunCli(const std::string& arguments) { return Run("LC_ALL=C.UTF-8 " + std::string(STAVORA_CLI) + " " + arguments); }

std::string ExampleArguments()
{
    const std::string examples = STAVORA_EXAMPLES;
    return "--parts " + examples + "/parts.xml --stock " + examples + "/stock.xml --kerf 4";
}

nlohmann::json RunForJson(const std::string& arguments, const std::string& name)
{
    const std::string json = (TempDir() / name).string();
    EXPECT_EQ(RunCli(arguments + " --json " + json), 0) << ReadFile(TempDir() / "out.txt");
    return nlohmann::json::parse(ReadFile(json));
}

}  // namespace

TEST(CliSaw, JsonCarriesTheCuttingSequenceOfEveryLayout)
{
    const nlohmann::json result = RunForJson(ExampleArguments(), "example.json");
    using kind = nlohmann::json::value_t;
    struct field {
        const char* key;
        std::vector<kind> kinds;
    };
    const std::vector<kind> number{kind::number_integer, kind::number_unsigned, kind::number_float};
    const std::vector<field> sequence_fields = {
        {"cut_count", {kind::number_integer, kind::number_unsigned}}, {"cut_length", number},
        {"cut_length_text", {kind::string}}, {"complete", {kind::boolean}}, {"cuts", {kind::array}}};
    const std::vector<field> cut_fields = {
        {"number", {kind::number_integer, kind::number_unsigned}}, {"stage", {kind::number_integer, kind::number_unsigned}},
        {"trim", {kind::boolean}}, {"direction", {kind::string}}, {"along", {kind::string}},
        {"cut_index", {kind::number_integer, kind::number_unsigned}}, {"position", number},
        {"position_text", {kind::string}}, {"length", number}, {"length_text", {kind::string}}, {"kerf", number},
        {"part", {kind::object}}, {"frees_pieces", {kind::array}}, {"frees_wastes", {kind::array}}};
    const auto expect_fields = [](const nlohmann::json& object, const std::vector<field>& fields) {
        for (const field& f : fields) {
            ASSERT_TRUE(object.contains(f.key)) << f.key;
            EXPECT_NE(std::find(f.kinds.begin(), f.kinds.end(), object[f.key].type()), f.kinds.end()) << f.key;
        }
    };
    ASSERT_FALSE(result["layouts"].empty());
    long long cuts = 0;
    double length = 0.0;
    for (const auto& layout : result["layouts"]) {
        const auto& s = layout["cut_sequence"];
        expect_fields(s, sequence_fields);
        EXPECT_TRUE(s["complete"].get<bool>());
        EXPECT_EQ(s["cut_count"].get<size_t>(), layout["cuts"].size());
        EXPECT_NEAR(s["cut_length"].get<double>(), layout["cut_length"].get<double>(), 1e-6);
        int number = 0;
        for (const auto& c : s["cuts"]) {
            expect_fields(c, cut_fields);
            EXPECT_EQ(c["number"].get<int>(), ++number);
            const std::string direction = c["direction"];
            EXPECT_TRUE(direction == "rip" || direction == "cross") << direction;
            EXPECT_EQ(c["along"].get<std::string>(), direction == "rip" ? "length" : "width");
            EXPECT_EQ(c["trim"].get<bool>(), c["stage"].get<int>() == 0);
        }
        cuts += s["cut_count"].get<long long>() * layout["repetitions"].get<long long>();
        length += s["cut_length"].get<double>() * layout["repetitions"].get<double>();
    }
    EXPECT_EQ(result["cut_totals"]["cut_count"].get<long long>(), cuts);
    EXPECT_NEAR(result["cut_totals"]["cut_length"].get<double>(), length, 1e-6);
}

TEST(CliSaw, CutListHasARowPerPieceAndPerCut)
{
    const std::string csv = (TempDir() / "cuts.csv").string();
    const nlohmann::json result = RunForJson(ExampleArguments() + " --cut-list " + csv, "cuts.json");
    std::istringstream in(ReadFile(csv));
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "record,layout,sheets,material,stock,number,x,y,length,width,turned,label,stage,direction,position,kerf,frees");
    size_t pieces = 0, cuts = 0;
    int last_cut = 0;
    while (std::getline(in, line)) {
        if (line.rfind("piece,", 0) == 0) ++pieces;
        else if (line.rfind("cut,", 0) == 0) {
            ++cuts;
            // Cuts follow their saw order within each layout.
            std::vector<std::string> fields;
            std::istringstream row(line);
            for (std::string f; std::getline(row, f, ',');) fields.push_back(f);
            ASSERT_GT(fields.size(), 5u) << line;
            const int number = std::stoi(fields[5]);
            EXPECT_TRUE(number == last_cut + 1 || number == 1) << line;
            last_cut = number;
        } else ADD_FAILURE() << line;
    }
    size_t want_pieces = 0, want_cuts = 0;
    for (const auto& layout : result["layouts"]) {
        want_pieces += layout["pieces"].size();
        want_cuts += layout["cuts"].size();
    }
    EXPECT_EQ(pieces, want_pieces);
    EXPECT_EQ(cuts, want_cuts);
}

namespace {

bool HaveProgram(const char* name) { return Run(std::string("command -v ") + name) == 0; }

// The report's text, pages separated by form feeds.
std::string PdfText(const std::string& pdf)
{
    const std::string text = (TempDir() / "report.txt").string();
    EXPECT_EQ(Run("pdftotext -enc UTF-8 " + pdf + " " + text), 0);
    return ReadFile(text);
}

std::string HundredPieceArguments()
{
    std::ostringstream parts;
    for (int k = 0; k < 10; ++k) parts << 250 + 53 * k << "," << 180 + 37 * (9 - k) << ",10,0,P" << k << "\n";
    const std::string parts_file = (TempDir() / "hundred.csv").string();
    std::ofstream(parts_file) << parts.str();
    const std::string stock_file = (TempDir() / "hundred_stock.csv").string();
    std::ofstream(stock_file) << "2800,2070,40,0,Board\n";
    return "--parts " + parts_file + " --stock " + stock_file + " --kerf 4 --iterations 10";
}

}  // namespace

TEST(CliSaw, ReportHasAPagePerLayoutAndTheTotalsOfTheJson)
{
    if (!HaveProgram("pdftotext")) GTEST_SKIP() << "pdftotext is not installed";
    struct job {
        const char* name;
        std::string arguments;
    };
    for (const job& j : {job{"example", ExampleArguments()}, job{"hundred", HundredPieceArguments()}}) {
        SCOPED_TRACE(j.name);
        const std::string pdf = (TempDir() / (std::string(j.name) + ".pdf")).string();
        const nlohmann::json result = RunForJson("--report " + pdf + " " + j.arguments, std::string(j.name) + ".json");
        const std::string text = PdfText(pdf);
        size_t pages = 0;
        for (char c : text) pages += c == '\f';
        EXPECT_EQ(pages, 1 + result["layouts"].size() + 1);
        const auto& totals = result["cut_totals"];
        for (const auto& m : totals["materials"]) {
            const std::string cuts = "Cuts: " + std::to_string(m["cut_count"].get<long long>()) + "; cut length: ";
            EXPECT_NE(text.find(cuts), std::string::npos) << cuts << "\n" << text.substr(0, 2000);
            EXPECT_NE(text.find("Sheets: " + std::to_string(m["sheet_count"].get<long long>())), std::string::npos);
        }
        EXPECT_NE(text.find("cut length: " + totals["cut_length_text"].get<std::string>()), std::string::npos);
        for (const auto& u : result["utilization"]) {
            const double waste = u["waste_area_total"].get<double>();
            EXPECT_NE(text.find("Waste: " + std::to_string(static_cast<long long>(std::llround(waste)))), std::string::npos)
                << waste;
            EXPECT_NE(text.find("Pieces: " + std::to_string(u["piece_total"].get<int>())), std::string::npos);
        }
        // Each layout page says which sheets it is and how it is cut.
        for (const auto& layout : result["layouts"])
            EXPECT_NE(text.find("Cuts: " + std::to_string(layout["cut_sequence"]["cut_count"].get<int>()) + "; cut length: " +
                                layout["cut_sequence"]["cut_length_text"].get<std::string>()),
                      std::string::npos);
        EXPECT_NE(text.find("Offcuts worth keeping"), std::string::npos);
    }
}

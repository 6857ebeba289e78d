// What the tool refuses about files: each case exits 1 with a message naming the file and the
// reason, and every input file keeps its bytes.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

fs::path Dir()
{
    static const fs::path dir = [] {
        const fs::path d = fs::temp_directory_path() / ("stavora_refusals_" + std::to_string(::getpid()));
        fs::remove_all(d);
        fs::create_directories(d);
        return d;
    }();
    return dir;
}

std::string Read(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string Write(const std::string& name, const std::string& bytes)
{
    std::ofstream(Dir() / name, std::ios::binary) << bytes;
    return (Dir() / name).string();
}

struct run_output {
    int exit_code = -1;
    std::string out, err;
};

// `shell_prefix` runs before the tool in the same shell (e.g. a file-size limit).
run_output RunTool(const std::string& arguments, const std::string& shell_prefix = "")
{
    const fs::path out = Dir() / "stdout.txt", err = Dir() / "stderr.txt";
    const std::string command = "cd " + Dir().string() + " && " + shell_prefix + std::string(STAVORA_CLI) + " " +
                                arguments + " >" + out.string() + " 2>" + err.string() + " </dev/null";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Read(out), Read(err)};
}

// Names in the folder other than the ones the test made: a leftover temporary or partial output.
std::vector<std::string> Leftovers(const std::vector<std::string>& expected)
{
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(Dir())) {
        const std::string name = entry.path().filename().string();
        if (name == "stdout.txt" || name == "stderr.txt") continue;
        if (std::find(expected.begin(), expected.end(), name) == expected.end()) found.push_back(name);
    }
    return found;
}

}  // namespace

TEST(CliRefusals, RefusesBadPathsAndInputsAndLeavesTheInputsWhole)
{
    const std::string examples = STAVORA_EXAMPLES;
    const std::string parts = Write("parts.xml", Read(examples + "/parts.xml"));
    const std::string stock = Write("stock.xml", Read(examples + "/stock.xml"));
    const std::string csv_parts = Write("parts.csv", "800,500,2,0,door\n");
    const std::string locked = Write("locked.json", "{}\n");
    ::chmod(locked.c_str(), 0444);
    fs::create_directories(Dir() / "folder.csv");
    fs::create_directories(Dir() / "out");
    fs::create_symlink(parts, Dir() / "parts-link.xml");
    fs::create_symlink("/dev/zero", Dir() / "endless.csv");
    Write("escape.csv", "\x1B[2Jwipe,screen\n");
    const std::string job = "--parts parts.xml --stock stock.xml";
    const std::string long_name(300, 'n');

    struct Case {
        std::string arguments;
        std::string message;
        std::string shell_prefix = {};
    };
    std::vector<Case> cases = {
        {job + " --json parts.xml", "parts.xml: --json names the input file of --parts"},
        {job + " --pdf ./stock.xml", "./stock.xml: --pdf names the input file of --stock"},
        {job + " --json parts-link.xml", "--json names the input file of --parts"},
        {"--parts parts-link.xml --stock stock.xml --json parts.xml", "--json names the input file of --parts"},
        {"--parts parts.csv --stock stock.xml --json parts.csv", "parts.csv: --json names the input file"},
        {job + " --json same.out --pdf same.out", "same.out: named by both --json and --pdf"},
        {job + " --pdf /dev/full", "/dev/full: cannot write the file: is a device or pipe, not a file"},
        {job + " --json out", "out: cannot write the file: is a folder, not a file"},
        {job + " --json locked.json", "locked.json: cannot write the file: is read-only"},
        {job + " --json missing/r.json", "missing/r.json: cannot write the file: no such file or folder"},
        {"--parts folder.csv --stock stock.xml", "folder.csv: is a folder, not a file"},
        {"--parts endless.csv --stock stock.xml", "endless.csv: the file is too large"},
        {"--parts " + long_name + ".csv --stock stock.xml", ".csv: the name is too long"},
        {"--parts escape.csv --stock stock.xml", "escape.csv, line 1, length: not a number"},
        {"--example --pdf limited.pdf", "limited.pdf: cannot write the file: failed: File too large",
         "ulimit -f 8; "},
        {"--example --png out", "out/Sheet1.png: cannot write the file: failed: File too large", "ulimit -f 1; "},
    };
    if (::geteuid() != 0) {
        // Permissions do not hold a privileged user back.
        fs::create_directories(Dir() / "closed");
        Write("closed/parts.xml", Read(parts));
        Write("unreadable.xml", Read(parts));
        ::chmod((Dir() / "unreadable.xml").c_str(), 0);
        ::chmod((Dir() / "closed").c_str(), 0);
        cases.push_back({"--parts closed/parts.xml --stock stock.xml", "closed/parts.xml: permission denied"});
        cases.push_back({"--parts unreadable.xml --stock stock.xml", "unreadable.xml: permission denied"});
    }

    const std::vector<std::string> inputs = {parts, stock, csv_parts, locked};
    std::vector<std::string> before;
    for (const auto& file : inputs) before.push_back(Read(file));
    for (const Case& c : cases) {
        const run_output r = RunTool(c.arguments, c.shell_prefix);
        EXPECT_EQ(r.exit_code, 1) << c.arguments << "\n" << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.arguments << "\n" << r.err;
        EXPECT_EQ(r.err.find('\x1B'), std::string::npos) << c.arguments;
        for (size_t i = 0; i < inputs.size(); ++i) EXPECT_EQ(Read(inputs[i]), before[i]) << c.arguments;
    }
    EXPECT_TRUE(fs::is_empty(Dir() / "out"));
    const std::vector<std::string> leftovers = Leftovers({"parts.xml", "stock.xml", "parts.csv", "locked.json",
                                                          "folder.csv", "out", "parts-link.xml", "endless.csv",
                                                          "escape.csv", "closed", "unreadable.xml"});
    EXPECT_TRUE(leftovers.empty()) << leftovers.front();
    if (::geteuid() != 0) ::chmod((Dir() / "closed").c_str(), 0755);
}

TEST(CliRefusals, ControlCharactersOfLabelsAreEscapedInTheSummary)
{
    Write("label_parts.xml", "<data><parts><row><length>500</length><width>300</width>"
                             "<label>door\x1B]0;owned\x07</label></row></parts></data>");
    Write("label_stock.csv", "2000,1000,1,0,board\n");
    const run_output r = RunTool("--parts label_parts.xml --stock label_stock.csv");
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(r.out.find("door\\x1B]0;owned\\x07"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find('\x1B'), std::string::npos);
}

#include "cli/cli_outputs.h"

#include <algorithm>
#include <filesystem>
#include <regex>
#include <vector>

#include "util/safe_file.h"

namespace fs = std::filesystem;

namespace {

struct named_path {
    const char* option;
    std::string path;
};

// Pictures are named Sheet1.png, Bar2.bmp, ... inside their folder.
bool IsPictureName(const fs::path& file, const std::string& extension)
{
    static const std::regex name("(Sheet|Bar)[0-9]+", std::regex::icase);
    std::string ext = file.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext == "." + extension && std::regex_match(file.stem().string(), name);
}

}  // namespace

bool CheckOutputPaths(const cli_options& options, std::string& error)
{
    std::vector<named_path> inputs;
    if (!options.example) {
        if (!options.parts_file.empty()) inputs.push_back({"--parts", options.parts_file});
        if (!options.stock_file.empty()) inputs.push_back({"--stock", options.stock_file});
    }
    std::vector<named_path> files;
    // "--json -" goes to standard output.
    for (const named_path& output : {named_path{"--json", options.json_file}, named_path{"--pdf", options.pdf_file},
                                     named_path{"--cut-list", options.cut_list_file},
                                     named_path{"--report", options.report_file},
                                     named_path{"--labels", options.labels_file}})
        if (!output.path.empty() && output.path != "-") files.push_back(output);

    for (size_t i = 0; i < files.size(); ++i) {
        for (const named_path& input : inputs)
            if (SameFile(files[i].path, input.path)) {
                error = files[i].path + ": " + files[i].option + " names the input file of " + input.option +
                        "; it would be replaced by the results";
                return false;
            }
        for (size_t j = 0; j < i; ++j)
            if (SameFile(files[i].path, files[j].path)) {
                error = files[i].path + ": named by both " + files[j].option + " and " + files[i].option;
                return false;
            }
        if (const file_outcome target = CheckSaveTarget(files[i].path); !target) {
            error = files[i].path + ": cannot write the file: " + target.Describe();
            return false;
        }
    }
    for (const named_path& folder : {named_path{"--png", options.png_dir}, named_path{"--bmp", options.bmp_dir}}) {
        if (folder.path.empty()) continue;
        const std::string extension = folder.option + 2;
        for (const named_path& input : inputs) {
            const fs::path input_path(input.path);
            fs::path input_folder = input_path.parent_path();
            if (input_folder.empty()) input_folder = ".";
            if (IsPictureName(input_path, extension) && SameFile(input_folder, folder.path)) {
                error = input.path + ": " + folder.option + " would write a picture over the input file of " +
                        input.option;
                return false;
            }
        }
    }
    return true;
}

bool SaveOutputFile(const std::string& file, std::string_view bytes, std::string& error)
{
    const file_outcome saved = SafeSave(file, bytes);
    if (saved) return true;
    error = file + ": cannot write the file: " + saved.Describe();
    return false;
}

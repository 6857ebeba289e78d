// stavora-cli: the cutting engine without a screen, for batch jobs, servers and scripts.
#ifdef _WIN32
#include <io.h>
#define STAVORA_ISATTY(f) _isatty(_fileno(f))
#else
#include <unistd.h>
#define STAVORA_ISATTY(f) isatty(fileno(f))
#endif

#include <cstdio>
#include <iostream>

#include "cli/cli_cut_output.h"
#include "cli/cli_job.h"
#include "cli/cli_options.h"
#include "cli/cli_outputs.h"
#include "cli/cli_pictures.h"
#include "cli/cli_report.h"
#include "engine/stavora_2d.h"
#include "util/safe_file.h"
#include "util/utf8.h"

namespace {

constexpr int kExitAllPlaced = 0;
constexpr int kExitBadInput = 1;
constexpr int kExitNotAllPlaced = 2;

}  // namespace

static int RunTool(int argc, char** argv)
{
    std::string error;
    const auto options = ParseOptions(argc, argv, error);
    if (!options) {
        std::cerr << "stavora-cli: " << EscapeControls(error) << "\nTry 'stavora-cli --help' for the options.\n";
        return kExitBadInput;
    }
    if (options->help || options->version) {
        std::cout << (options->help ? UsageText() : VersionText());
        return kExitAllPlaced;
    }

    cli_job job;
    if (!CheckOutputPaths(*options, error) || !LoadJob(*options, job, error)) {
        std::cerr << "stavora-cli: " << EscapeControls(error) << "\n";
        return kExitBadInput;
    }

    // The tool reaches the engine exactly as the window does: through the facade's callbacks.
    stavora_2d facade;
    facade.Gather([&](parts_array_2d& parts) { parts = job.parts; },
                  [&](stock_array_2d& stock) { stock = job.stock; },
                  [&](parameters_as_number_2d& parameters) { parameters = job.parameters; });
    facade.decimal_input = job.decimal_input;
    facade.fraction_input = job.fraction_input;

    const bool show_progress = STAVORA_ISATTY(stderr) != 0;
    const run_result result = facade.Run([&] {
        if (!show_progress) return;
        const run_progress& p = facade.last_progress;
        std::fprintf(stderr, "\rmaterial %d of %d: pass %d of %d   ", p.group_index + 1, p.group_count,
                     p.passes_done, p.passes_total);
        std::fflush(stderr);
    });
    if (show_progress) std::fprintf(stderr, "\r%60s\r", "");
    if (result.status == kRunRefused) {
        std::cerr << "stavora-cli: " << WideToUtf8(result.message) << "\n";
        return kExitBadInput;
    }

    // Standard output carries either the readable summary or the JSON that a program asked for.
    if (options->json_file != "-") PrintSummary(std::cout, facade, result.status);

    int exit_code = result.status == kRunAllPlaced ? kExitAllPlaced
                    : result.status == kRunNotAllPlaced ? kExitNotAllPlaced
                                                        : kExitBadInput;
    if (result.status == kRunNotScalable)
        std::cerr << "stavora-cli: a material was not cut: its sizes do not fit the integer range at any scale\n";
    if (!options->json_file.empty() && !WriteJson(options->json_file, facade, job, result.status, error)) {
        std::cerr << "stavora-cli: " << EscapeControls(error) << "\n";
        exit_code = kExitBadInput;
    }
    if (!options->cut_list_file.empty() && !WriteCutListCsv(options->cut_list_file, facade, options->separator)) {
        std::cerr << "stavora-cli: " << options->cut_list_file << ": cannot write the file\n";
        exit_code = kExitBadInput;
    }
    if (!WritePictures(*options, facade, error)) {
        std::cerr << "stavora-cli: " << EscapeControls(error) << "\n";
        exit_code = kExitBadInput;
    }
    return exit_code;
}

int main(int argc, char** argv)
{
    // Whatever escapes the checks ends as a message and exit 1, never as an abort.
    try {
        return RunTool(argc, argv);
    } catch (const std::exception& e) {
        std::cerr << "stavora-cli: " << EscapeControls(e.what()) << "\n";
    } catch (...) {
        std::cerr << "stavora-cli: unexpected failure\n";
    }
    return kExitBadInput;
}

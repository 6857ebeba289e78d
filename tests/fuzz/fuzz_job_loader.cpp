// The tool's job loader on any parts list: a job or a message, never a crash; a loaded job holds
// only sizes the engine can take.
#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "cli/cli_job.h"
#include "cli/cli_options.h"
#include "engine/scale_finder.h"

namespace fs = std::filesystem;

namespace {

fs::path Scratch(const std::string& name)
{
    static const fs::path dir = [] {
        const fs::path d = fs::temp_directory_path() / ("stavora_fuzz_job_" + std::to_string(::getpid()));
        fs::create_directories(d);
        std::ofstream(d / "stock.csv") << "2800,2070,10,0,board\n";
        return d;
    }();
    return dir / name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    cli_options options;
    options.parts_file = Scratch((data[0] & 1) ? "parts.xml" : "parts.csv").string();
    options.stock_file = Scratch("stock.csv").string();
    options.separator = (data[0] & 2) ? ';' : ',';
    options.round_index = (data[0] >> 2) % 5;
    std::ofstream(options.parts_file, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));
    cli_job job;
    std::string error;
    if (!LoadJob(options, job, error)) {
        if (error.empty()) std::abort();
        return 0;
    }
    for (const auto& part : job.parts) {
        const double length = part.length.AsDouble(), width = part.width.AsDouble();
        if (!std::isfinite(length) || !std::isfinite(width) || length <= 0 || width < -1e-6 ||
            length > kLargestScaledSize + 1 || part.quantity < 1)
            std::abort();
    }
    return 0;
}

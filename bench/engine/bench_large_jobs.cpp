// Large jobs of distinct parts through the facade: time and peak memory per job size.
// Each job runs in its own child process so that its peak memory is its own.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "engine/stavora_2d.h"
#include "util/random.h"

namespace {

// `count` parts of different sizes (one piece each) and sheets enough for all of them.
void Gather(int count, parts_array_2d& parts, stock_array_2d& stock)
{
    stv::RandomSeed(static_cast<uint32_t>(count));
    std::set<std::pair<int, int>> sizes;
    while (static_cast<int>(sizes.size()) < count)
        sizes.insert({100 + stv::RandomBelow(900), 60 + stv::RandomBelow(640)});
    int k = 0;
    for (const auto& [length, width] : sizes) {
        part_as_number_2d p;
        p.length = static_cast<double>(length);
        p.width = static_cast<double>(width);
        p.quantity = 1;
        p.label = (L"P" + std::to_wstring(++k)).c_str();
        parts.Append(p);
    }
    stock_as_number_2d s;
    s.length = 2800.0;
    s.width = 2070.0;
    s.quantity = count;
    s.label = L"board";
    stock.Append(s);
}

void RunJob(int count)
{
    parts_array_2d parts;
    stock_array_2d stock;
    Gather(count, parts, stock);
    stavora_2d facade;
    facade.Gather([&](parts_array_2d& p) { p = parts; }, [&](stock_array_2d& s) { s = stock; },
                  [](parameters_as_number_2d& p) { p.cutter_thickness = 3.0; });
    facade.decimal_input = true;
    const auto start = std::chrono::steady_clock::now();
    const run_result result = facade.Run({});
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    double piece_area = 0.0;
    for (const auto& p : parts) piece_area += p.length.AsDouble() * p.width.AsDouble();
    const int bound = static_cast<int>(std::ceil(piece_area / (2800.0 * 2070.0) - 1e-9));
    int sheets = 0, placed = 0;
    for (const auto& l : facade.solutions_2d) {
        sheets += l->repetitions;
        placed += l->piece_count() * l->repetitions;
    }
    rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    // The machine is shared: processor time (user + system, every thread) beside the wall time.
    const double cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                       static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
    std::printf("%7d distinct parts  status %d  %9.2f s  cpu %9.2f s  sheets %5d  bound %5d  placed %7d  peak memory "
                "%7.1f MB\n",
                count, result.status, seconds, cpu, sheets, bound, placed, usage.ru_maxrss / 1024.0);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<int> counts;
    for (int i = 1; i < argc; ++i) counts.push_back(std::atoi(argv[i]));
    if (counts.empty()) counts = {1000, 2000, 20000, 100000};
    std::printf("Distinct parts, one piece each (kerf 3, seed 0, optimisation level 100)\n");
    std::fflush(stdout);
    for (int count : counts) {
        const pid_t child = ::fork();
        if (child == 0) {
            RunJob(count);
            std::_Exit(0);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
    }
    return 0;
}

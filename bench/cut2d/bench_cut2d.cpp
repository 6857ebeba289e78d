// Times the sheet optimiser on generated jobs (and, with --classes DIR, on the standard bin packing classes)
// and checks every layout it reports.
#include <chrono>
#include <ctime>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <algorithm>
#include <iterator>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "cut2d/guillotine_decoder.h"
#include "layout_checker.h"

namespace {

struct run_figures : result_figures {
    double seconds = 0.0;
    int32_t lower_bound = 0;
    int64_t decodes = 0;
    size_t violations = 0;
    std::string first_violation;
};

// The start method, effort and threads every job is run with.
void (TCut2D::*g_start)() = &TCut2D::StartGuillotine;
cut2d_effort g_effort = cut2d_effort::normal;
int32_t g_threads = 0;
bool g_verbose = false;
// Processor time of the thread that starts the runs: on a shared machine, what a free one would take at most
// apart from waits for the other threads.
double g_caller_seconds = 0.0;

double ThreadSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

run_figures RunJob(const cut_job& job)
{
    run_figures f;
    TCut2D cut;
    LoadJob(cut, job);
    cut.set_Effort(g_effort);
    cut.set_Threads(g_threads);
    cut.set_OnRunEnd([&] {
        static_cast<result_figures&>(f) = MeasureResult(cut, job);
        f.lower_bound = cut.GetSheetLowerBound();
        const auto v = CheckResult(cut, job);
        f.violations = v.size();
        if (!v.empty()) f.first_violation = v.front();
        if (!v.empty() && std::getenv("CUT2D_DUMP")) std::fprintf(stderr, "%s", DescribeResult(cut).c_str());
    });
    const int64_t d0 = GuillotineDecodeCount();
    const auto t0 = std::chrono::steady_clock::now();
    const double c0 = ThreadSeconds();
    (cut.*g_start)();
    g_caller_seconds += ThreadSeconds() - c0;
    f.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    f.decodes = GuillotineDecodeCount() - d0;
    return f;
}

cut_job GeneratedJob(int pieces, int mix, int sheet_sizes, uint32_t seed)
{
    std::mt19937 rng(seed);
    auto in = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    cut_job job;
    job.kerf = 3;
    job.seed = static_cast<int32_t>(seed);
    job.optimization_level = 100;
    const int kinds = std::max(2, pieces / (mix == 2 ? 10 : 3));
    std::vector<job_piece> kind;
    for (int k = 0; k < kinds; ++k) {
        job_piece p;
        if (mix == 0) {  // small parts
            p.length = in(50, 400);
            p.width = in(40, 300);
        } else if (mix == 1) {  // mixed sizes
            p.length = in(80, 1600);
            p.width = in(60, 900);
        } else {  // few large sizes, many repeats
            p.length = in(300, 1200);
            p.width = in(200, 700);
        }
        p.may_rotate = in(0, 4) == 0 ? 0 : 1;
        kind.push_back(p);
    }
    double area = 0.0;
    for (int i = 0; i < pieces; ++i) {
        job.pieces.push_back(kind[static_cast<size_t>(in(0, kinds - 1))]);
        area += static_cast<double>(job.pieces.back().length) * job.pieces.back().width;
    }
    const int sizes[3][2] = {{2800, 2070}, {2440, 1220}, {3050, 1830}};
    for (int s = 0; s < sheet_sizes; ++s) {
        job_stock st;
        st.length = sizes[s][0];
        st.width = sizes[s][1];
        const int quantity = static_cast<int>(std::ceil(area / (st.length * double(st.width)))) * 2 + 3;
        for (int q = 0; q < quantity; ++q) job.stock.push_back(st);
    }
    return job;
}

// The standard job sizes; a job keeps its seed when it is run alone.
const int kDefault[5] = {20, 50, 100, 200, 500};

int GeneratedBenchmark(int only_pieces)
{
    const char* mix_name[3] = {"small", "mixed", "repeats"};
    if (g_start != &TCut2D::StartGuillotine) std::printf("(decodes/s counts guillotine decodes only)\n");
    std::printf("%-6s %-8s %-6s %9s %12s %7s %7s %8s %s\n", "pieces", "mix", "sizes", "time[s]", "decodes/s",
                "sheets", "bound", "util[%]", "checker");
    int failures = 0;
    std::vector<int> counts = {20, 50, 100, 200, 500};
    if (only_pieces > 0) counts = {only_pieces};
    const int jobs = static_cast<int>(counts.size());
    std::vector<double> worst(counts.size(), 0.0);
    for (int ci = 0; ci < jobs; ++ci) {
        for (int mix = 0; mix < 3; ++mix) {
            for (int sizes : {1, 3}) {
                const int index = static_cast<int>(
                    std::find(std::begin(kDefault), std::end(kDefault), counts[static_cast<size_t>(ci)]) -
                    std::begin(kDefault));
                const cut_job job = GeneratedJob(counts[static_cast<size_t>(ci)], mix, sizes, 1000u + static_cast<uint32_t>(index * 10 + mix));
                const run_figures f = RunJob(job);
                double area = 0.0;
                for (const job_piece& p : job.pieces) area += static_cast<double>(p.length) * p.width;
                double largest = 0.0;
                for (const job_stock& s : job.stock) largest = std::max(largest, static_cast<double>(s.length) * s.width);
                const int bound = static_cast<int>(std::ceil(area / largest - 1e-9));
                const double util = f.sheet_area > 0 ? 100.0 * f.placed_area / f.sheet_area : 0.0;
                std::printf("%-6d %-8s %-6d %9.3f %12.0f %7d %7d %8.2f %s\n", counts[static_cast<size_t>(ci)], mix_name[mix], sizes,
                            f.seconds, f.seconds > 0 ? f.decodes / f.seconds : 0.0, f.sheets, bound, util,
                            f.violations == 0 ? "ok" : f.first_violation.c_str());
                std::fflush(stdout);
                if (f.violations) ++failures;
                worst[static_cast<size_t>(ci)] = std::max(worst[static_cast<size_t>(ci)], f.seconds);
            }
        }
    }
    for (int ci = 0; ci < jobs; ++ci)
        std::printf("slowest %d-piece job: %.3f s\n", counts[static_cast<size_t>(ci)], worst[static_cast<size_t>(ci)]);
    std::printf("layouts failing the checker: %d\n", failures);
    return failures == 0 ? 0 : 1;
}

// A cabinet-like workshop job: 10 to 40 part types, quantities 1 to 8, 30 % of the types grained,
// kerf 4; stock 2800 x 2070 trimmed by 10 on every edge and 2440 x 1220, both grained.
cut_job WorkshopJob(uint32_t seed, bool large_sheet_only)
{
    std::mt19937 rng(seed);
    auto in = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    cut_job job;
    job.kerf = 4;
    job.seed = static_cast<int32_t>(seed);
    job.optimization_level = 100;
    const int kinds = in(10, 40);
    double area = 0.0;
    for (int k = 0; k < kinds; ++k) {
        job_piece p;
        p.length = in(100, 2400);
        p.width = in(50, 1200);
        p.grain = in(0, 9) < 3 ? 1 : 0;
        const int quantity = in(1, 8);
        for (int q = 0; q < quantity; ++q) job.pieces.push_back(p);
        area += static_cast<double>(p.length) * p.width * quantity;
    }
    const job_stock sizes[2] = {{2800, 2070, 10, 10, 10, 10, 0, 1}, {2440, 1220, 0, 0, 0, 0, 0, 1}};
    for (int s = 0; s < (large_sheet_only ? 1 : 2); ++s) {
        const job_stock& st = sizes[s];
        const int quantity = static_cast<int>(std::ceil(area / (st.length * double(st.width)))) * 2 + 3;
        for (int q = 0; q < quantity; ++q) job.stock.push_back(st);
    }
    return job;
}

int WorkshopBenchmark()
{
    int failures = 0;
    for (bool large_only : {false, true}) {
        std::printf("%s\n", large_only ? "workshop jobs, 2800 x 2070 alone" : "workshop jobs, 2800 x 2070 and 2440 x 1220");
        std::printf("%-4s %6s %9s %7s %7s %7s %12s %12s %s\n", "job", "pieces", "time[s]", "sheets", "bound", "lower",
                    "stock[m2]", "parts[m2]", "checker");
        int total_sheets = 0, total_bound = 0, total_lower = 0;
        double total_stock = 0.0, total_parts = 0.0, total_time = 0.0;
        for (uint32_t j = 0; j < 20; ++j) {
            const cut_job job = WorkshopJob(7000u + j, large_only);
            const run_figures f = RunJob(job);
            double area = 0.0, largest = 0.0;
            for (const job_piece& p : job.pieces) area += static_cast<double>(p.length) * p.width;
            for (const job_stock& s : job.stock) largest = std::max(largest, static_cast<double>(s.length) * s.width);
            const int bound = static_cast<int>(std::ceil(area / largest - 1e-9));
            std::printf("%-4u %6zu %9.3f %7d %7d %7d %12.3f %12.3f %s\n", j, job.pieces.size(), f.seconds, f.sheets, bound,
                        f.lower_bound, f.sheet_area * 1e-6, f.placed_area * 1e-6,
                        f.violations == 0 && f.placed == static_cast<int>(job.pieces.size()) ? "ok" : f.first_violation.c_str());
            std::fflush(stdout);
            if (f.violations || f.placed != static_cast<int>(job.pieces.size())) ++failures;
            total_sheets += f.sheets;
            total_bound += bound;
            total_lower += f.lower_bound;
            total_stock += f.sheet_area;
            total_parts += f.placed_area;
            total_time += f.seconds;
        }
        std::printf("%-4s %6s %9.3f %7d %7d %7d %12.3f %12.3f\n", "all", "", total_time, total_sheets, total_bound,
                    total_lower, total_stock * 1e-6, total_parts * 1e-6);
    }
    std::printf("layouts failing (unplaced piece or checker): %d\n", failures);
    return failures == 0 ? 0 : 1;
}

std::map<std::string, int> ReadBest(const std::string& file)
{
    std::map<std::string, int> best;
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
        const size_t comma = line.rfind(',');
        const size_t slash = line.find('/');
        if (comma == std::string::npos) continue;
        const std::string key = line.substr(slash == std::string::npos ? 0 : slash + 1, comma - (slash + 1));
        best[key] = std::atoi(line.c_str() + comma + 1);
    }
    return best;
}

int ClassBenchmark(const std::string& dir, const std::vector<int>& only_classes)
{
    const auto three_stage = ReadBest(dir + "/data_bin_packing_3nhr.csv");
    const auto free_form = ReadBest(dir + "/data_bin_packing_rotation.csv");
    std::printf("%-6s %6s %8s %8s %7s %9s %s\n", "class", "ours", "3-stage", "non-guil", "bound", "time[s]", "checker");
    int total_bound = 0;
    int total_ours = 0, total_three = 0, total_free = 0, failures = 0;
    double total_time = 0.0;
    for (int cls = 1; cls <= 10; ++cls) {
        if (!only_classes.empty() && std::find(only_classes.begin(), only_classes.end(), cls) == only_classes.end()) continue;
        char name[32];
        std::snprintf(name, sizeof name, "Class_%02d.2bp", cls);
        std::ifstream in(dir + "/" + name);
        if (!in) {
            std::printf("%s: cannot open\n", name);
            continue;
        }
        int ours = 0, three = 0, free_best = 0, bound = 0;
        double seconds = 0.0;
        int instances = 0;
        for (;;) {
            std::string line;
            int problem_class = 0, n = 0, rel = 0, abs_no = 0, hbin = 0, wbin = 0;
            // Skip blank lines, then read the instance header.
            while (std::getline(in, line) && line.find_first_not_of(" \t\r") == std::string::npos) {
            }
            if (!in) break;
            problem_class = std::atoi(line.c_str());
            std::getline(in, line);
            n = std::atoi(line.c_str());
            std::getline(in, line);
            std::istringstream(line) >> rel >> abs_no;
            std::getline(in, line);
            std::istringstream(line) >> hbin >> wbin;
            cut_job job;
            job.kerf = 0;
            job.optimization_level = 100;
            for (int i = 0; i < n; ++i) {
                std::getline(in, line);
                int h = 0, w = 0;
                std::istringstream(line) >> h >> w;
                job.pieces.push_back(job_piece{w, h, 1, -1});
            }
            for (int i = 0; i < n; ++i) job.stock.push_back(job_stock{wbin, hbin, 0, 0, 0, 0, 0, -1});
            (void)problem_class;
            const run_figures f = RunJob(job);
            char key[64];
            std::snprintf(key, sizeof key, "%s_%d_%d", name, n, rel);
            ours += f.sheets;
            bound += f.lower_bound;
            seconds += f.seconds;
            if (f.placed != n) ++failures;
            if (f.violations) {
                ++failures;
                std::printf("  %s: %s\n", key, f.first_violation.c_str());
            }
            auto t = three_stage.find(key);
            auto g = free_form.find(key);
            if (g_verbose)
                std::printf("  %-24s %4d %4d %4d %7.2f\n", key, f.sheets, t == three_stage.end() ? 0 : t->second,
                            f.lower_bound, f.seconds);
            three += t == three_stage.end() ? 0 : t->second;
            free_best += g == free_form.end() ? 0 : g->second;
            // A bound above a known layout is no bound.
            if ((g != free_form.end() && f.lower_bound > g->second) || f.lower_bound > f.sheets) {
                ++failures;
                std::printf("  %s: bound %d above a known layout\n", key, f.lower_bound);
            }
            ++instances;
        }
        std::printf("%-6d %6d %8d %8d %7d %9.1f %s\n", cls, ours, three, free_best, bound, seconds, instances == 50 ? "" : "(incomplete)");
        std::fflush(stdout);
        total_ours += ours;
        total_three += three;
        total_free += free_best;
        total_time += seconds;
        total_bound += bound;
    }
    std::printf("%-6s %6d %8d %8d %7d %9.1f\n", "total", total_ours, total_three, total_free, total_bound, total_time);
    if (total_three > 0)
        std::printf("ours against the three-stage best known: %+.2f %%\n", 100.0 * (total_ours - total_three) / total_three);
    std::printf("instances failing (unplaced piece, checker or bound): %d\n", failures);
    return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string classes;
    bool workshop = false;
    std::vector<int> only_classes;
    int only_pieces = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--classes") == 0 && i + 1 < argc)
            classes = argv[++i];
        else if (std::strcmp(argv[i], "--class") == 0 && i + 1 < argc)
            for (const char* c = argv[++i]; *c;) {  // one class or a list: 3,7,8
                only_classes.push_back(std::atoi(c));
                while (*c && *c != ',') ++c;
                if (*c) ++c;
            }
        else if (std::strcmp(argv[i], "--effort") == 0 && i + 1 < argc) {
            const std::string e = argv[++i];
            if (e == "quick")
                g_effort = cut2d_effort::quick;
            else if (e == "thorough")
                g_effort = cut2d_effort::thorough;
            else if (e != "normal") {
                std::fprintf(stderr, "unknown effort %s\n", e.c_str());
                return 2;
            }
        }
        else if (std::strcmp(argv[i], "--threads") == 0 && i + 1 < argc)
            g_threads = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--verbose") == 0)
            g_verbose = true;
        else if (std::strcmp(argv[i], "--workshop") == 0)
            workshop = true;
        else if (std::strcmp(argv[i], "--pieces") == 0 && i + 1 < argc)
            only_pieces = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--start") == 0 && i + 1 < argc) {
            const std::string m = argv[++i];
            if (m == "staged")
                g_start = &TCut2D::StartStaged;
            else if (m == "nested")
                g_start = &TCut2D::StartNested;
            else if (m != "guillotine") {
                std::fprintf(stderr, "unknown start method %s\n", m.c_str());
                return 2;
            }
        }
        else {
            std::fprintf(stderr, "usage: bench_cut2d [--start guillotine|staged|nested] [--effort quick|normal|thorough] [--threads N] [--pieces N] [--workshop] [--classes DIR [--class N[,N...]] [--verbose]]\n");
            return 2;
        }
    }
    const int status = workshop          ? WorkshopBenchmark()
                       : classes.empty() ? GeneratedBenchmark(only_pieces)
                                         : ClassBenchmark(classes, only_classes);
    std::printf("processor time of the calling thread: %.1f s\n", g_caller_seconds);
    return status;
}

// Bar optimiser benchmark: generated cutting-stock jobs against the length bound, and standard
// instance sets against their known optima.
//   bench_cut1d [--generated] [--workshop] [--sets DIR] [--limit N] [--level L] [--verbose]
// DIR holds the unpacked instance folders (e.g. Falkenauer_CSP/Falkenauer_U) and Bounds.txt.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "bar_checker.h"
#include "cut1d/TCut1D.h"

namespace {

struct Job {
    std::vector<int32_t> pieces;
    std::vector<double> angles;  // per piece, both ends; empty: all square
    std::vector<int32_t> bars;
    int32_t kerf = 0;
    int32_t width = 0;  // profile width, for mitred ends
};

struct Outcome {
    int32_t barsUsed = 0;
    int64_t stockUsed = 0;
    int32_t placed = 0;
    int32_t problems = 0;  // findings of the bar-layout checker
    double seconds = 0.0;
    double cpuSeconds = 0.0;  // this process only: the machine is shared, wall time is noisy
};

int g_level = 100;
int64_t g_checked = 0, g_problems = 0;  // jobs checked by the bar-layout checker, findings
bool g_verbose = false;

Outcome Solve(const Job& job)
{
    TCut1D opt;
    opt.set_BladeWidth(job.kerf);
    opt.set_Width(job.width);
    opt.set_OptimizationLevel(g_level);
    opt.set_RandomSeed(1);
    opt.set_NumberOfDemandPieces(static_cast<int32_t>(job.pieces.size()));
    for (size_t i = 0; i < job.pieces.size(); ++i)
        opt.SetDemandPiece3(static_cast<int32_t>(i), job.pieces[i], job.angles.empty() ? 90.0 : job.angles[i],
                            job.angles.empty() ? 90.0 : 180.0 - job.angles[i], 0.0, 0, user_data{});
    opt.set_NumberOfRepositoryPieces(static_cast<int32_t>(job.bars.size()));
    for (size_t b = 0; b < job.bars.size(); ++b)
        opt.SetRepositoryPiece2(static_cast<int32_t>(b), job.bars[b], 0.0, 0, user_data{});
    Outcome out;
    BarJob checked;
    checked.kerf = job.kerf;
    checked.width = job.width;
    for (size_t i = 0; i < job.pieces.size(); ++i)
        checked.pieces.push_back({job.pieces[i], job.angles.empty() ? 90.0 : job.angles[i],
                                  job.angles.empty() ? 90.0 : 180.0 - job.angles[i]});
    checked.barLengths = job.bars;
    opt.set_OnFinished([&] {
        out.problems = static_cast<int32_t>(CheckLayouts(checked, CollectLayouts(opt)).size());
        out.barsUsed = opt.GetBarCount();
        out.placed = opt.GetTotalPieces();
        for (int32_t b = 0; b < opt.GetBarCount(); ++b) {
            const auto bar = opt.GetBar(b);
            const auto stock = opt.GetStock(bar->bar_number);
            out.stockUsed += stock->length;
        }
    });
    const auto start = std::chrono::steady_clock::now();
    const std::clock_t cpuStart = std::clock();
    opt.Run();
    out.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    out.cpuSeconds = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    ++g_checked;
    g_problems += out.problems;
    return out;
}

// Martello-Toth L2 lower bound on the bars of one length; a piece with its kerf takes l + kerf of
// a bar of length L + kerf.
int64_t BoundL2(const std::vector<int32_t>& pieces, int32_t L, int32_t kerf)
{
    const int64_t C = static_cast<int64_t>(L) + kerf;
    std::vector<int64_t> w;
    for (int32_t l : pieces) w.push_back(static_cast<int64_t>(l) + kerf);
    std::vector<int64_t> alphas{0};
    for (int64_t x : w)
        if (2 * x <= C) alphas.push_back(x);
    int64_t best = 0;
    for (int64_t a : alphas) {
        int64_t n1 = 0, n2 = 0, s2 = 0, s3 = 0;
        for (int64_t x : w) {
            if (x > C - a) ++n1;
            else if (2 * x > C) {
                ++n2;
                s2 += x;
            } else if (x >= a) s3 += x;
        }
        const int64_t free = n2 * C - s2;
        const int64_t extra = s3 > free ? (s3 - free + C - 1) / C : 0;
        best = std::max(best, n1 + n2 + extra);
    }
    return best;
}

void Generated(bool workshopOnly)
{
    if (!workshopOnly) {
        std::printf("Generated jobs (pieces uniform 20-100 %% of the bar, 10 jobs per row)\n");
        std::printf("one bar length: bars used against the length bound ceil(sum(l+k)/(L+k)) and the L2 bound\n");
    }
    if (!workshopOnly)
        std::printf("%-6s %-5s %-9s %8s %8s %8s %8s %12s %10s %9s\n", "pieces", "kerf", "bars", "used", "length", "L2",
                "over L2", "<=1 over L2", "max time", "avg time");
    const int32_t L = 6000;
    for (bool several : {false, true})
        for (int32_t kerf : {0, 3})
            if (!workshopOnly)
            for (int n : {50, 100, 200, 500, 1000}) {
                int64_t used = 0, bound = 0, boundL2 = 0;
                int withinOne = 0;
                double maxTime = 0.0, sumTime = 0.0;
                const int jobs = 10;
                for (int j = 0; j < jobs; ++j) {
                    std::mt19937 rng(static_cast<uint32_t>(n * 1000 + kerf * 100 + j + (several ? 50000 : 0)));
                    Job job;
                    job.kerf = kerf;
                    int64_t total = 0;
                    for (int i = 0; i < n; ++i) {
                        const int32_t l = std::uniform_int_distribution<int32_t>(L / 5, L)(rng);
                        job.pieces.push_back(l);
                        total += l + kerf;
                    }
                    if (!several) {
                        job.bars.assign(static_cast<size_t>(n), L);
                    } else {
                        // Plenty of the long bars and a few shorter ones.
                        for (int i = 0; i < n; ++i) job.bars.push_back(L);
                        for (int i = 0; i < n / 4; ++i) job.bars.push_back(L * 3 / 4);
                        for (int i = 0; i < n / 4; ++i) job.bars.push_back(L / 2);
                    }
                    const Outcome out = Solve(job);
                    if (!several) {
                        const int64_t lb = (total + L + kerf - 1) / (L + kerf);
                        const int64_t l2 = std::max(lb, BoundL2(job.pieces, L, kerf));
                        used += out.barsUsed;
                        bound += lb;
                        boundL2 += l2;
                        withinOne += out.barsUsed <= l2 + 1 ? 1 : 0;
                    } else {
                        // In lengths: stock used against the length of the pieces and their kerfs.
                        used += out.stockUsed;
                        bound += total;
                        withinOne += out.placed == n ? 1 : 0;
                    }
                    maxTime = std::max(maxTime, out.seconds);
                    sumTime += out.seconds;
                }
                if (!several)
                    std::printf("%-6d %-5d %-9s %8lld %8lld %8lld %8lld %9d/%-2d %9.3fs %8.3fs\n", n, kerf, "one",
                                (long long)used, (long long)bound, (long long)boundL2, (long long)(used - boundL2),
                                withinOne, jobs, maxTime, sumTime / jobs);
                else
                    std::printf("%-6d %-5d %-9s %8.3f %8s %8s %7d/%-2d %9.3fs %8.3fs   (stock used / piece length; all placed)\n",
                                n, kerf, "several", static_cast<double>(used) / bound, "1.000", "-", withinOne, jobs,
                                maxTime, sumTime / jobs);
                std::fflush(stdout);
            }

    // Workshop-sized jobs: many pieces of a few lengths.
    std::printf("\nWorkshop jobs: 250 pieces of 20-50 lengths, kerf 3, 10 jobs per row\n");
    std::printf("%-9s %12s %10s %10s %10s %10s\n", "bars", "stock used", "median", "max", "cpu median", "cpu max");
    for (bool several : {false, true}) {
        int64_t stock = 0;
        std::vector<double> wall, cpu;
        for (int j = 0; j < 10; ++j) {
            std::mt19937 rng(static_cast<uint32_t>(777 + j + (several ? 100 : 0)));
            Job job;
            job.kerf = 3;
            const int kinds = std::uniform_int_distribution<int>(20, 50)(rng);
            std::vector<int32_t> lengths;
            for (int k = 0; k < kinds; ++k) lengths.push_back(std::uniform_int_distribution<int32_t>(L / 10, L * 7 / 10)(rng));
            for (int i = 0; i < 250; ++i)
                job.pieces.push_back(lengths[static_cast<size_t>(std::uniform_int_distribution<int>(0, kinds - 1)(rng))]);
            for (int i = 0; i < 250; ++i) job.bars.push_back(L);
            if (several)
                for (int i = 0; i < 60; ++i) job.bars.push_back(i % 2 ? L * 3 / 4 : L / 2);
            const Outcome out = Solve(job);
            stock += out.stockUsed;
            wall.push_back(out.seconds);
            cpu.push_back(out.cpuSeconds);
        }
        std::sort(wall.begin(), wall.end());
        std::sort(cpu.begin(), cpu.end());
        std::printf("%-9s %12lld %9.3fs %9.3fs %9.3fs %9.3fs\n", several ? "several" : "one", (long long)stock, wall[5],
                    wall.back(), cpu[5], cpu.back());
        std::fflush(stdout);
    }

    // Mitred profiles: half the lengths cut at 45 degrees on both ends.
    std::printf("\nMitred jobs: 100 pieces of 10-30 lengths, half at 45 degrees, kerf 3, width 40, 10 jobs per row\n");
    std::printf("%-9s %12s %8s %10s %10s\n", "bars", "stock used", "placed", "cpu median", "cpu max");
    for (bool several : {false, true}) {
        int64_t stock = 0;
        int32_t placed = 0;
        std::vector<double> cpu;
        for (int j = 0; j < 10; ++j) {
            std::mt19937 rng(static_cast<uint32_t>(4242 + j + (several ? 100 : 0)));
            Job job;
            job.kerf = 3;
            job.width = 40;
            const int kinds = std::uniform_int_distribution<int>(10, 30)(rng);
            std::vector<int32_t> lengths;
            std::vector<double> angles;
            for (int k = 0; k < kinds; ++k) {
                lengths.push_back(std::uniform_int_distribution<int32_t>(L / 10, L * 7 / 10)(rng));
                angles.push_back(k % 2 ? 45.0 : 90.0);
            }
            for (int i = 0; i < 100; ++i) {
                const auto k = static_cast<size_t>(std::uniform_int_distribution<int>(0, kinds - 1)(rng));
                job.pieces.push_back(lengths[k]);
                job.angles.push_back(angles[k]);
            }
            for (int i = 0; i < 100; ++i) job.bars.push_back(L);
            if (several)
                for (int i = 0; i < 30; ++i) job.bars.push_back(i % 2 ? L * 3 / 4 : L / 2);
            const Outcome out = Solve(job);
            stock += out.stockUsed;
            placed += out.placed;
            cpu.push_back(out.cpuSeconds);
        }
        std::sort(cpu.begin(), cpu.end());
        std::printf("%-9s %12lld %8d %9.3fs %9.3fs\n", several ? "several" : "one", (long long)stock, placed, cpu[5],
                    cpu.back());
        std::fflush(stdout);
    }
}

std::map<std::string, std::pair<int, int>> ReadBounds(const std::filesystem::path& file)
{
    std::map<std::string, std::pair<int, int>> bounds;
    std::ifstream in(file);
    std::string name;
    int lo = 0, hi = 0;
    while (in >> name >> lo >> hi) bounds[name] = {lo, hi};
    return bounds;
}

bool ReadInstance(const std::filesystem::path& file, Job& job)
{
    std::ifstream in(file);
    int types = 0, capacity = 0;
    if (!(in >> types >> capacity)) return false;
    for (int t = 0; t < types; ++t) {
        int length = 0, demand = 0;
        if (!(in >> length >> demand)) return false;
        for (int d = 0; d < demand; ++d) job.pieces.push_back(length);
    }
    job.bars.assign(job.pieces.size(), capacity);
    return true;
}

void Set(const std::filesystem::path& dir, const std::map<std::string, std::pair<int, int>>& bounds, int limit)
{
    std::vector<std::filesystem::path> files;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        if (e.path().extension() == ".txt") files.push_back(e.path());
    std::sort(files.begin(), files.end());
    if (limit > 0 && static_cast<int>(files.size()) > limit) files.resize(static_cast<size_t>(limit));
    int optimal = 0, known = 0, worst = 0, overOne = 0;
    long long excess = 0;
    double total = 0.0, slowest = 0.0;
    std::vector<double> times, cpuTimes;
    std::string slowestName;
    double slowestCpu = -1.0;
    for (const auto& f : files) {
        Job job;
        if (!ReadInstance(f, job)) continue;
        const Outcome out = Solve(job);
        total += out.seconds;
        times.push_back(out.seconds);
        cpuTimes.push_back(out.cpuSeconds);
        slowest = std::max(slowest, out.seconds);
        if (out.cpuSeconds > slowestCpu) {
            slowestCpu = out.cpuSeconds;
            slowestName = f.stem().string();
        }
        const auto it = bounds.find(f.stem().string());
        if (it == bounds.end()) continue;
        ++known;
        const int best = it->second.second;  // best known; equals the optimum where both bounds agree
        const int over = out.barsUsed - best;
        if (over <= 0) ++optimal;
        if (over > 0 && g_verbose)
            std::printf("  %s: %d bars, best known %d, %.2fs (cpu %.2fs)\n", f.stem().string().c_str(), out.barsUsed,
                        best, out.seconds, out.cpuSeconds);
        if (over > 1) ++overOne;
        excess += std::max(over, 0);
        worst = std::max(worst, over);
    }
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v.empty() ? 0.0 : v[v.size() / 2];
    };
    const double cpuSlowest = cpuTimes.empty() ? 0.0 : *std::max_element(cpuTimes.begin(), cpuTimes.end());
    std::printf("%-22s %4zu instances  optimum %4d/%-4d (%5.1f %%)  excess bars %4lld  worst +%d  >1 over %d  "
                "time %7.2fs (median %.3fs, slowest %.2fs; cpu median %.3fs, slowest %.2fs: %s)\n",
                dir.filename().string().c_str(), files.size(), optimal, known, known ? 100.0 * optimal / known : 0.0,
                excess, worst, overOne, total, median(times), slowest, median(cpuTimes), cpuSlowest,
                slowestName.c_str());
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv)
{
    bool generated = false;
    bool workshop = false;  // only the workshop-sized and mitred jobs
    std::string sets;
    int limit = 0;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--generated")) generated = true;
        else if (!std::strcmp(argv[i], "--sets") && i + 1 < argc) sets = argv[++i];
        else if (!std::strcmp(argv[i], "--limit") && i + 1 < argc) limit = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--level") && i + 1 < argc) g_level = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--verbose")) g_verbose = true;
        else if (!std::strcmp(argv[i], "--workshop")) workshop = true;
    }
    if (!generated && !workshop && sets.empty()) generated = true;
    if (generated || workshop) Generated(workshop);
    if (!sets.empty()) {
        const std::filesystem::path root(sets);
        const auto bounds = ReadBounds(root / "Bounds.txt");
        for (const char* sub : {"Falkenauer_CSP/Falkenauer_U", "Falkenauer_CSP/Falkenauer_T", "Scholl_CSP/Scholl_1",
                                "Scholl_CSP/Scholl_2", "Scholl_CSP/Scholl_3", "Waescher_CSP", "Hard28_CSP"})
            if (std::filesystem::exists(root / sub)) Set(root / sub, bounds, limit);
    }
    std::printf("bar-layout checker: %lld jobs, %lld problems\n", static_cast<long long>(g_checked),
                static_cast<long long>(g_problems));
    return 0;
}

// Runs the guillotine, nested and staged (2 and 3 stages) modes on the same generated jobs and prints sheets,
// utilisation and time per mode; every layout goes through the layout checker (and the stage checker).
// Options: --pieces N (one job size), --variants (staged placement routine 1 as well), --level N.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "layout_checker.h"
#include "stage_checker.h"

namespace {

struct mode {
    const char* name;
    int run;  // 0 guillotine, 1 nested, 2 staged
    int stages = 2;
    int placement = 0;
};

struct figures : result_figures {
    double seconds = 0.0;
    std::string problem;
};

cut_job GeneratedJob(int pieces, int mix, uint32_t seed, int level)
{
    std::mt19937 rng(seed);
    auto in = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    cut_job job;
    job.kerf = 3;
    job.seed = static_cast<int32_t>(seed);
    job.optimization_level = level;
    const int kinds = std::max(2, pieces / 3);
    std::vector<job_piece> kind;
    for (int k = 0; k < kinds; ++k) {
        job_piece p;
        p.length = mix == 0 ? in(50, 400) : in(80, 1600);
        p.width = mix == 0 ? in(40, 300) : in(60, 900);
        p.may_rotate = in(0, 4) == 0 ? 0 : 1;
        kind.push_back(p);
    }
    double area = 0.0;
    for (int i = 0; i < pieces; ++i) {
        job.pieces.push_back(kind[static_cast<size_t>(in(0, kinds - 1))]);
        area += static_cast<double>(job.pieces.back().length) * job.pieces.back().width;
    }
    const int sizes[2][2] = {{2800, 2070}, {2440, 1220}};
    for (const auto& size : sizes) {
        job_stock st;
        st.length = size[0];
        st.width = size[1];
        const int quantity = static_cast<int>(std::ceil(area / (st.length * double(st.width)))) * 2 + 3;
        for (int q = 0; q < quantity; ++q) job.stock.push_back(st);
    }
    return job;
}

figures Run(const cut_job& job, const mode& m)
{
    figures f;
    TCut2D cut;
    LoadJob(cut, job);
    cut.set_NumberOfStages(m.stages);
    cut.set_FirstDirectionMultiStages(0);
    cut.set_StagedPlacementVariant(m.placement);
    cut.set_OnRunEnd([&] {
        static_cast<result_figures&>(f) = MeasureResult(cut, job);
        std::vector<std::string> v = CheckResult(cut, job);
        if (m.run == 2)
            for (const std::string& s : CheckStagedResult(cut, job, staged_rules_check{m.stages, 0, false, 0})) v.push_back(s);
        if (!v.empty()) f.problem = v.front();
    });
    const auto t0 = std::chrono::steady_clock::now();
    if (m.run == 0)
        cut.StartGuillotine();
    else if (m.run == 1)
        cut.StartNested();
    else
        cut.StartStaged();
    f.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    return f;
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<int> counts = {20, 50, 100, 200};
    bool variants = false;
    int level = 100;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--pieces") && i + 1 < argc)
            counts = {std::atoi(argv[++i])};
        else if (!std::strcmp(argv[i], "--variants"))
            variants = true;
        else if (!std::strcmp(argv[i], "--level") && i + 1 < argc)
            level = std::atoi(argv[++i]);
    }
    std::vector<mode> modes = {{"guillotine", 0}, {"nested", 1}, {"staged-2", 2, 2, 0}, {"staged-3", 2, 3, 0}};
    if (variants) {
        modes.push_back({"staged-2/r1", 2, 2, 1});
        modes.push_back({"staged-3/r1", 2, 3, 1});
        modes.push_back({"staged-4", 2, 4, 0});
    }
    const char* mix_name[2] = {"small", "mixed"};
    std::printf("%-6s %-6s %-12s %7s %7s %8s %9s %s\n", "pieces", "mix", "mode", "sheets", "placed", "util[%]",
                "time[s]", "checker");
    int failures = 0;
    for (int pieces : counts) {
        for (int mix = 0; mix < 2; ++mix) {
            const cut_job job = GeneratedJob(pieces, mix, 2000u + static_cast<uint32_t>(pieces * 10 + mix), level);
            for (const mode& m : modes) {
                const figures f = Run(job, m);
                const double util = f.sheet_area > 0 ? 100.0 * f.placed_area / f.sheet_area : 0.0;
                std::printf("%-6d %-6s %-12s %7d %7d %8.2f %9.3f %s\n", pieces, mix_name[mix], m.name, f.sheets, f.placed,
                            util, f.seconds, f.problem.empty() ? "ok" : f.problem.c_str());
                std::fflush(stdout);
                if (!f.problem.empty()) ++failures;
            }
        }
    }
    return failures == 0 ? 0 : 1;
}

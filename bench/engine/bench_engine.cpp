// Runs whole jobs through the facade, as the window and the tool do, and prints time, sheets,
// utilisation and the area lower bound.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/cut_sequence.h"
#include "engine/stavora_2d.h"
#include "util/random.h"

namespace {

struct job {
    std::string name;
    parts_array_2d parts;
    stock_array_2d stock;
};

job ExampleJob()
{
    job j;
    j.name = "example";
    stavora_2d facade;
    facade.LoadExample([&](const parts_array_2d& p) { j.parts = p; }, [&](const stock_array_2d& s) { j.stock = s; });
    return j;
}

// `kinds` part sizes between a tenth and a third of the sheet, `pieces` units in all.
job GeneratedJob(int pieces, int kinds, uint32_t seed)
{
    job j;
    j.name = std::to_string(pieces) + " pieces, " + std::to_string(kinds) + " sizes";
    stv::RandomSeed(seed);
    for (int k = 0; k < kinds; ++k) {
        part_as_number_2d p;
        p.length = 280.0 + stv::RandomBelow(650);
        p.width = 210.0 + stv::RandomBelow(500);
        p.quantity = pieces / kinds + (k < pieces % kinds ? 1 : 0);
        p.label = (L"P" + std::to_wstring(k + 1)).c_str();
        j.parts.Append(p);
    }
    stock_as_number_2d s;
    s.length = 2800.0;
    s.width = 2070.0;
    s.quantity = pieces;
    s.label = L"board";
    j.stock.Append(s);
    return j;
}

void RunJob(const job& j)
{
    stavora_2d facade;
    facade.Gather([&](parts_array_2d& p) { p = j.parts; }, [&](stock_array_2d& s) { s = j.stock; },
                  [](parameters_as_number_2d& p) { p.cutter_thickness = 3.0; });
    facade.decimal_input = true;
    const auto start = std::chrono::steady_clock::now();
    const run_result result = facade.Run({});
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    double piece_area = 0.0;
    for (const auto& p : j.parts) piece_area += p.length.AsDouble() * p.width.AsDouble() * p.quantity;
    double largest_sheet = 0.0;
    for (const auto& s : j.stock) largest_sheet = std::max(largest_sheet, s.length.AsDouble() * s.width.AsDouble());
    int sheets = 0;
    double sheet_area = 0.0, used_area = 0.0;
    for (const auto& l : facade.solutions_2d) {
        sheets += l->repetitions;
        sheet_area += l->sheet_length.AsDouble() * l->sheet_width.AsDouble() * l->repetitions;
        used_area += l->used_area.AsDouble() * l->repetitions;
    }
    const int bound = static_cast<int>(std::ceil(piece_area / largest_sheet - 1e-9));
    // The saw's order of every layout, as the report and the tool's result build it.
    const auto sequence_start = std::chrono::steady_clock::now();
    const cut_totals cuts = JobCutTotals(facade);
    const double sequence_ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - sequence_start).count();
    std::printf("%-28s status %d  %7.3f s  sheets %3d  bound %3d  layouts %3d  utilisation %6.2f %%  cuts %5lld  "
                "sequences %7.3f ms\n",
                j.name.c_str(), result.status, seconds, sheets, bound, facade.solutions_2d.Count(),
                sheet_area > 0 ? used_area * 100.0 / sheet_area : 0.0, static_cast<long long>(cuts.cut_count),
                sequence_ms);
}

}  // namespace

int main()
{
    std::printf("Whole jobs through the facade (kerf 3, seed 0, optimisation level 100)\n");
    RunJob(ExampleJob());
    for (const auto& [pieces, kinds] : std::vector<std::pair<int, int>>{{20, 4}, {50, 8}, {100, 12}, {200, 20}, {500, 30}})
        RunJob(GeneratedJob(pieces, kinds, static_cast<uint32_t>(pieces)));
    return 0;
}

#pragma once
// stavora_2d: the one facade through which a front end reaches the engine. It owns the input,
// the parameters, both optimisers and every result of the last run.
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/solution1d.h"
#include "engine/solution2d.h"
#include "model/input_records.h"
#include "model/list_files.h"
#include "util/tlista.h"

class TCut2D;
class TCut1D;
struct run_group;

using gather_parts_fn = std::function<void(parts_array_2d&)>;
using gather_stock_fn = std::function<void(stock_array_2d&)>;
using gather_parameters_fn = std::function<void(parameters_as_number_2d&)>;
using show_parts_fn = std::function<void(const parts_array_2d&)>;
using show_stock_fn = std::function<void(const stock_array_2d&)>;
using clear_grid_fn = std::function<void()>;
using idle_fn = std::function<void()>;

// Run status: every piece placed; a material no scale fits was skipped; not every piece placed;
// the job was refused before anything was cut (the result's message says why).
inline constexpr int32_t kRunAllPlaced = 0;
inline constexpr int32_t kRunNotScalable = 1;
inline constexpr int32_t kRunNotAllPlaced = 2;
inline constexpr int32_t kRunRefused = 3;

struct run_result {
    int32_t status = kRunAllPlaced;
    std::wstring message;  // the refusal, naming the row; empty unless refused
};

// What the optimisers last reported; readable from inside the idle callback.
struct run_progress {
    int32_t group_index = 0;    // material group being cut, counted from 0
    int32_t group_count = 0;    // groups with parts in this run
    int32_t passes_done = 0;    // construction passes of the sheet optimiser for this group
    int32_t passes_total = 0;
    std::wstring material;      // of the group being cut (may be empty)
    int32_t phase = 0;          // 0 construction, 1 improvement
    int32_t sheets_saved = 0;   // by the improvement of this group so far
};

class stavora_2d {
public:
    stavora_2d();
    ~stavora_2d();
    stavora_2d(const stavora_2d&) = delete;
    stavora_2d& operator=(const stavora_2d&) = delete;

    double scale = 1.0;
    int32_t decimals = 0;
    std::unique_ptr<TCut2D> optimizer_2d;
    std::unique_ptr<TCut1D> optimizer_1d;
    std::wstring version = L"3.0.0.0";
    idle_fn idle_callback;
    run_progress last_progress;
    int32_t placed_count_2d = 0;
    int32_t layout_count_2d = 0;
    int32_t sheet_lower_bound_2d = 0;  // of the last group run
    bool optimal_2d = false;
    int32_t placed_count_1d = 0;
    int32_t layout_count_1d = 0;
    parts_array_2d parts;
    stock_array_2d stock;
    parameters_as_number_2d parameters;
    TOwningList<Solution2D> solutions_2d;
    TOwningList<Solution1D> solutions_1d;
    stock_array_2d used_stock_2d;
    stock_array_2d used_stock_1d;
    parts_array_2d placed_parts_2d;
    parts_array_2d placed_parts_1d;
    garbage_waste_list garbage_waste_2d;
    garbage_waste_list garbage_waste_1d;
    reused_waste_list reused_waste_2d;
    reused_waste_list reused_waste_1d;
    material_utilization_list utilization_2d;
    material_utilization_list utilization_1d;
    bool decimal_input = false;   // every typed size was a plain decimal: results stay decimal
    bool fraction_input = false;  // set by the window; the engine does not read it

    void LoadExample(const show_parts_fn& show_parts, const show_stock_fn& show_stock);
    bool Gather(const gather_parts_fn& gather_parts, const gather_stock_fn& gather_stock,
                const gather_parameters_fn& gather_parameters);
    run_result Run(idle_fn idle);
    // Asks a run (from any thread) to end soon, keeping the best layouts found so far.
    void RequestStop();
    bool StopRequested() const { return stop_requested_; }
    void ResetResults();

    // List files (model/list_files.h). With `issues`, a file that does not read completely (a text
    // that is not a number, a CSV line refused) is not loaded: false, the arrays and the grid stay
    // as they were, and the texts are listed there. Without it a list is taken as far as it reads.
    bool SavePartListXml(const std::filesystem::path& path, const gather_parts_fn& gather_parts);
    bool OpenPartListXml(const std::filesystem::path& path, const clear_grid_fn& clear_parts_grid,
                         const show_parts_fn& show_parts, std::vector<list_file_issue>* issues = nullptr);
    bool SaveStockListXml(const std::filesystem::path& path, const gather_stock_fn& gather_stock);
    bool OpenStockListXml(const std::filesystem::path& path, const clear_grid_fn& clear_stock_grid,
                          const show_stock_fn& show_stock, std::vector<list_file_issue>* issues = nullptr);
    bool SavePartListCsv(const std::filesystem::path& path, wchar_t separator, const gather_parts_fn& gather_parts);
    bool OpenPartListCsv(const std::filesystem::path& path, wchar_t separator, const clear_grid_fn& clear_parts_grid,
                         const show_parts_fn& show_parts, std::vector<list_file_issue>* issues = nullptr);
    bool OpenStockListCsv(const std::filesystem::path& path, wchar_t separator,
                          const clear_grid_fn& clear_stock_grid, const show_stock_fn& show_stock,
                          std::vector<list_file_issue>* issues = nullptr);

private:
    std::atomic<bool> stop_requested_{false};
    int32_t RunPath2D();
    int32_t RunPath1D();
    void OnSolution2D();
    void OnSolution1D();
    void ForwardProgress();
    bool PrepareGroup(const run_group& group, int32_t& status);
    void ClearSummaries(stock_array_2d& used_stock, parts_array_2d& placed_parts, garbage_waste_list& garbage,
                        reused_waste_list& reused, material_utilization_list& utilization) const;
};

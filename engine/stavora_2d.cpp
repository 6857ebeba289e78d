#include "engine/stavora_2d.h"

#include "cut1d/TCut1D.h"
#include "cut2d/TCut2D.h"
#include "engine/run_group.h"
#include "engine/quantity_bounds.h"
#include "engine/scale_finder.h"
#include "model/list_files.h"

namespace {

// Reads a list into `target`. With `issues`, only a list that read completely replaces it.
template <class Array, class Reader>
bool ReadListWhole(Array& target, std::vector<list_file_issue>* issues, const Reader& read)
{
    if (!issues) return read(target, nullptr);
    Array read_list;
    if (!read(read_list, issues) || !issues->empty()) return false;
    target = std::move(read_list);
    return true;
}

}  // namespace

stavora_2d::stavora_2d()
    : optimizer_2d(std::make_unique<TCut2D>()), optimizer_1d(std::make_unique<TCut1D>())
{
    optimizer_2d->set_OnProgress([this](const cut2d_progress& progress) {
        last_progress.passes_done = progress.passes_done;
        last_progress.passes_total = progress.passes_total;
        last_progress.phase = progress.phase;
        last_progress.sheets_saved = progress.sheets_saved;
        ForwardProgress();
    });
    optimizer_2d->set_OnRunEnd([this] { OnSolution2D(); });
    optimizer_1d->set_OnProgressInner([this] { ForwardProgress(); });
    optimizer_1d->set_OnProgressOuter([this] { ForwardProgress(); });
    optimizer_1d->set_OnFinished([this] { OnSolution1D(); });
    optimizer_1d->set_OnUnused([] {});
}

stavora_2d::~stavora_2d() = default;

void stavora_2d::ForwardProgress()
{
    if (idle_callback) idle_callback();
}

void stavora_2d::LoadExample(const show_parts_fn& show_parts, const show_stock_fn& show_stock)
{
    struct example_row {
        double length, width;
        int32_t quantity;
        uint8_t grain;
        const wchar_t* label;
    };
    static const example_row example_parts[] = {
        {500, 800, 10, 1, L"john"}, {300, 700, 5, 1, L"mike"}, {800, 700, 2, 0, L"jenny"}};
    static const example_row example_stock[] = {{1000, 2000, 10, 2, L"window"}, {2000, 1500, 7, 2, L"window"}};

    parts.Clear();
    for (const auto& row : example_parts) {
        part_as_number_2d part;
        part.length = row.length;
        part.width = row.width;
        part.quantity = row.quantity;
        part.grain = row.grain;
        part.label = row.label;
        part.material = L"glass";
        parts.Append(part);
    }
    stock.Clear();
    for (const auto& row : example_stock) {
        stock_as_number_2d item;
        item.length = row.length;
        item.width = row.width;
        item.quantity = row.quantity;
        item.grain = row.grain;
        item.label = row.label;
        item.material = L"glass";
        stock.Append(item);
    }
    if (show_parts) show_parts(parts);
    if (show_stock) show_stock(stock);
}

bool stavora_2d::Gather(const gather_parts_fn& gather_parts, const gather_stock_fn& gather_stock,
                        const gather_parameters_fn& gather_parameters)
{
    parts.Clear();
    if (gather_parts) gather_parts(parts);
    stock.Clear();
    if (gather_stock) gather_stock(stock);
    // Fields the callback does not write keep their values.
    if (gather_parameters) gather_parameters(parameters);
    return true;
}

run_result stavora_2d::Run(idle_fn idle)
{
    idle_callback = std::move(idle);
    stop_requested_ = false;
    optimizer_2d->ClearStopRequest();
    optimizer_1d->ClearStopRequest();
    ResetResults();
    last_progress = run_progress{};
    run_result result;
    if (const auto refusal = FindOversizedQuantity(parts, stock)) {
        result.status = kRunRefused;
        result.message = RefusalText(*refusal);
        return result;
    }
    const int32_t status_2d = RunPath2D();
    const int32_t status_1d = RunPath1D();
    result.status = status_2d != kRunAllPlaced ? status_2d : status_1d;
    // A part that is neither a sheet piece nor a bar piece (a size too small to count, not zero)
    // is cut by no path: it stays unplaced.
    if (result.status == kRunAllPlaced)
        for (const auto& part : parts)
            if (part.useit && part.quantity > 0 && !part.IsFlatPiece() && !part.IsLinearPiece())
                result.status = kRunNotAllPlaced;
    return result;
}

void stavora_2d::RequestStop()
{
    stop_requested_ = true;
    optimizer_2d->RequestStop();
    optimizer_1d->RequestStop();
}

// A group with parts but no stock, or whose sizes no scale fits, is not cut and marks the status;
// otherwise the group's scale is set and the group is to be cut.
bool stavora_2d::PrepareGroup(const run_group& group, int32_t& status)
{
    if (group.parts.empty()) return false;
    if (group.stock_quantity <= 0) {
        if (group.part_quantity > 0) status = kRunNotAllPlaced;
        return false;
    }
    // Nothing demanded: the optimiser must not be started, it would cut the last group's pieces again.
    if (group.part_quantity <= 0) return false;
    group_scale found;
    if (!FindGroupScale(group.parts, group.stock, parameters, found)) {
        status = kRunNotScalable;
        return false;
    }
    scale = found.scale;
    decimals = found.decimals;
    return true;
}

// Each run path starts its own summaries afresh, with room for every input record.
void stavora_2d::ClearSummaries(stock_array_2d& used_stock, parts_array_2d& placed_parts, garbage_waste_list& garbage,
                                reused_waste_list& reused, material_utilization_list& utilization) const
{
    used_stock.Clear();
    used_stock.Reserve(stock.count());
    placed_parts.Clear();
    placed_parts.Reserve(parts.count());
    reused.Clear();
    garbage.Clear();
    utilization.Clear();
}

void stavora_2d::ResetResults()
{
    solutions_2d.Clear();
    solutions_1d.Clear();
}

bool stavora_2d::SavePartListXml(const std::filesystem::path& path, const gather_parts_fn& gather_parts)
{
    parts.Clear();
    if (gather_parts) gather_parts(parts);
    return WritePartsXml(parts, path);
}

bool stavora_2d::OpenPartListXml(const std::filesystem::path& path, const clear_grid_fn& clear_parts_grid,
                                 const show_parts_fn& show_parts, std::vector<list_file_issue>* issues)
{
    if (!ReadListWhole(parts, issues, [&](parts_array_2d& into, std::vector<list_file_issue>* found) {
            return ReadPartsXml(into, path, found);
        }))
        return false;
    if (clear_parts_grid) clear_parts_grid();
    if (show_parts) show_parts(parts);
    return true;
}

bool stavora_2d::SaveStockListXml(const std::filesystem::path& path, const gather_stock_fn& gather_stock)
{
    stock.Clear();
    if (gather_stock) gather_stock(stock);
    return WriteStockXml(stock, path);
}

bool stavora_2d::OpenStockListXml(const std::filesystem::path& path, const clear_grid_fn& clear_stock_grid,
                                  const show_stock_fn& show_stock, std::vector<list_file_issue>* issues)
{
    if (!ReadListWhole(stock, issues, [&](stock_array_2d& into, std::vector<list_file_issue>* found) {
            return ReadStockXml(into, path, found);
        }))
        return false;
    if (clear_stock_grid) clear_stock_grid();
    if (show_stock) show_stock(stock);
    return true;
}

bool stavora_2d::SavePartListCsv(const std::filesystem::path& path, wchar_t separator,
                                 const gather_parts_fn& gather_parts)
{
    parts.Clear();
    if (gather_parts) gather_parts(parts);
    return WritePartsCsv(parts, path, separator);
}

bool stavora_2d::OpenPartListCsv(const std::filesystem::path& path, wchar_t separator,
                                 const clear_grid_fn& clear_parts_grid, const show_parts_fn& show_parts,
                                 std::vector<list_file_issue>* issues)
{
    const bool read = ReadListWhole(parts, issues, [&](parts_array_2d& into, std::vector<list_file_issue>* found) {
        return ReadPartsCsv(into, path, separator, found);
    });
    if (!read && issues) return false;
    // Taken as far as it reads, the grid shows the array whatever the read did; a failed read left it unchanged.
    if (clear_parts_grid) clear_parts_grid();
    if (show_parts) show_parts(parts);
    return read;
}

bool stavora_2d::OpenStockListCsv(const std::filesystem::path& path, wchar_t separator,
                                  const clear_grid_fn& clear_stock_grid, const show_stock_fn& show_stock,
                                  std::vector<list_file_issue>* issues)
{
    const bool read = ReadListWhole(stock, issues, [&](stock_array_2d& into, std::vector<list_file_issue>* found) {
        return ReadStockCsv(into, path, separator, found);
    });
    if (!read && issues) return false;
    if (clear_stock_grid) clear_stock_grid();
    if (show_stock) show_stock(stock);
    return read;
}

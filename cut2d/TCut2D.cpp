#include "TCut2D.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <numeric>
#include <thread>

#include "construction_passes.h"
#include "construction_plan.h"
#include "genome_ops.h"
#include "improvement_search.h"
#include "layout_model.h"
#include "sheet_bound.h"

namespace {

enum class start_method { none, guillotine, nested, staged };

// Repack attempts after the construction: grows with the sheets, about ten times more when thorough.
int32_t ImprovementWork(cut2d_effort effort, int32_t sheets)
{
    if (effort == cut2d_effort::quick) return 0;
    const int32_t normal = std::clamp(sheets * 80, 640, 8000);
    return effort == cut2d_effort::thorough ? normal * 10 : normal;
}

}  // namespace

struct TCut2D::Impl {
    // Parameters.
    int32_t optimization_level = 100;
    int32_t blade_width = 0;
    int32_t random_seed = 0;
    int32_t min_width_breakage = -1;
    int32_t min_length_breakage = -1;
    int32_t max_cut_length = 1073741824;
    bool max_cut_set = false;
    int32_t first_direction = 0;
    int32_t same_height_strips = 0;
    int32_t height_tolerance = 0;
    int32_t stages = 2;
    int32_t minimal_useful_size = 0;
    int32_t prefer_large_remnant = 0;
    int32_t staged_placement = 0;
    int32_t staged_finish = 0;
    cut2d_effort effort = cut2d_effort::quick;
    int32_t threads = 0;
    double time_limit = 0.0;
    std::chrono::steady_clock::time_point run_start;
    int32_t lower_bound = 0;
    bool proven_optimal = false;

    // Input and its sorted working copies.
    part2d_array pieces;
    stock2d_array stock;
    std::vector<part2d> sorted_pieces;
    std::vector<stock2d> sorted_stock;
    std::vector<int32_t> stock_sorted_to_input, piece_sorted_to_input, piece_input_to_sorted;
    std::vector<int32_t> group_last;

    TGlobalSolution current, best;
    bool large_job = false;
    int32_t stall_limit = 5;
    int32_t placed_total = 0;
    start_method method = start_method::none;
    bool ready = true;
    cut2d_progress progress;
    std::function<void(const cut2d_progress&)> on_progress;
    std::atomic<bool> stop_requested{false};
    std::function<void()> on_run_end;

    void Start(start_method m);
    void Run();
    void Prepare();
    void Improve();
    // The rules every sheet search of this run follows.
    repack_rules Rules() const;
    remnant_rule SolutionRemnantRule() const;
    int32_t ThreadCount() const
    {
        return threads > 0 ? threads : static_cast<int32_t>(std::max(1u, std::thread::hardware_concurrency()));
    }
    const Chromosome* Sheet(int32_t s) const;
};

const Chromosome* TCut2D::Impl::Sheet(int32_t s) const { return ready ? current.sheets.Find(s) : nullptr; }

remnant_rule TCut2D::Impl::SolutionRemnantRule() const
{
    remnant_rule r;
    r.on = prefer_large_remnant == 1;
    r.staged_method = method == start_method::staged;
    // The sheets are cut with 0 in place of 2, so the remnant lies where direction 0 leaves it.
    r.first_direction = first_direction == 2 ? 0 : first_direction;
    return r;
}

void TCut2D::Impl::Start(start_method m)
{
    if (!ready) return;
    method = m;
    Run();
    method = start_method::none;
}

void TCut2D::Impl::Prepare()
{
    const int32_t ns = static_cast<int32_t>(stock.size());
    const int32_t np = static_cast<int32_t>(pieces.size());

    stock_sorted_to_input.resize(static_cast<size_t>(ns));
    std::iota(stock_sorted_to_input.begin(), stock_sorted_to_input.end(), 0);
    std::stable_sort(stock_sorted_to_input.begin(), stock_sorted_to_input.end(), [&](int32_t a, int32_t b) {
        const stock2d& x = stock[static_cast<size_t>(a)];
        const stock2d& y = stock[static_cast<size_t>(b)];
        if (x.priority != y.priority) return x.priority < y.priority;
        const int64_t ax = int64_t{x.length} * x.width, ay = int64_t{y.length} * y.width;
        if (ax != ay) return ax < ay;
        return a < b;
    });
    sorted_stock.clear();
    for (int32_t i : stock_sorted_to_input) sorted_stock.push_back(stock[static_cast<size_t>(i)]);

    // Stock items counted by size: a large job has as many items as pieces.
    std::vector<std::pair<std::pair<int32_t, int32_t>, int32_t>> stock_sizes;
    for (const stock2d& s : stock) stock_sizes.push_back({{s.length, s.width}, 1});
    std::sort(stock_sizes.begin(), stock_sizes.end());
    size_t kinds = 0;
    for (size_t i = 0; i < stock_sizes.size(); ++i)
        if (kinds > 0 && stock_sizes[kinds - 1].first == stock_sizes[i].first)
            ++stock_sizes[kinds - 1].second;
        else
            stock_sizes[kinds++] = stock_sizes[i];
    stock_sizes.resize(kinds);
    for (part2d& p : pieces) {
        p.fit_count = 0;
        for (const auto& [size, count] : stock_sizes)
            if ((size.first >= p.length && size.second >= p.width) || (size.first >= p.width && size.second >= p.length))
                p.fit_count += count;
    }
    piece_sorted_to_input.resize(static_cast<size_t>(np));
    std::iota(piece_sorted_to_input.begin(), piece_sorted_to_input.end(), 0);
    std::stable_sort(piece_sorted_to_input.begin(), piece_sorted_to_input.end(), [&](int32_t a, int32_t b) {
        const part2d& x = pieces[static_cast<size_t>(a)];
        const part2d& y = pieces[static_cast<size_t>(b)];
        if (x.priority != y.priority) return x.priority < y.priority;
        if (x.fit_count != y.fit_count) return x.fit_count < y.fit_count;
        return int64_t{x.length} * x.width > int64_t{y.length} * y.width;
    });
    // Jobs of many distinct sizes would spend most of their time on quadratic random run orders.
    std::vector<std::pair<int32_t, int32_t>> sizes;
    sizes.reserve(pieces.size());
    for (const part2d& p : pieces) sizes.emplace_back(p.length, p.width);
    std::sort(sizes.begin(), sizes.end());
    const auto distinct = std::unique(sizes.begin(), sizes.end()) - sizes.begin();
    large_job = distinct >= genome_operators::kShuffledRunCount;

    sorted_pieces.clear();
    piece_input_to_sorted.assign(static_cast<size_t>(np), 0);
    for (int32_t s = 0; s < np; ++s) {
        const int32_t i = piece_sorted_to_input[static_cast<size_t>(s)];
        sorted_pieces.push_back(pieces[static_cast<size_t>(i)]);
        piece_input_to_sorted[static_cast<size_t>(i)] = s;
    }

    group_last.clear();
    for (int32_t p = 0; p < ns; ++p)
        if (p + 1 == ns || sorted_stock[static_cast<size_t>(p + 1)].priority != sorted_stock[static_cast<size_t>(p)].priority)
            group_last.push_back(p);

    for (TGlobalSolution* s : {&current, &best}) {
        s->stock_count = ns;
        s->piece_total = np;
    }
}

void TCut2D::Impl::Run()
{
    ready = false;
    if (pieces.empty() || stock.empty()) {
        ready = true;
        return;
    }
    const int32_t saved_width_breakage = min_width_breakage, saved_length_breakage = min_length_breakage;
    if (min_width_breakage < 0 && min_length_breakage < 0)
        min_width_breakage = min_length_breakage = 0;
    else if (min_width_breakage < 0)
        min_width_breakage = min_length_breakage;
    else if (min_length_breakage < 0)
        min_length_breakage = min_width_breakage;

    run_start = std::chrono::steady_clock::now();
    Prepare();

    const construction_plan plan =
        PlanConstructionPasses(static_cast<int32_t>(pieces.size()), optimization_level, random_seed);
    stall_limit = plan.stall_limit;
    progress = cut2d_progress{};
    progress.passes_total = static_cast<int32_t>(plan.passes.size());

    current.Reset();
    best.Reset();
    construction_input in;
    in.pieces = &sorted_pieces;
    in.piece_input_to_sorted = &piece_input_to_sorted;
    in.stock = &sorted_stock;
    in.stock_sorted_to_input = &stock_sorted_to_input;
    in.group_last = &group_last;
    in.rules = Rules();
    in.large_job = large_job;
    in.solution_rule = SolutionRemnantRule();
    in.stop = &stop_requested;
    RunConstructionPasses(in, plan, ThreadCount(), best, [this](int32_t passes_done) {
        progress.passes_done = passes_done;
        if (on_progress) on_progress(progress);
    });
    Improve();

    current.CopyFrom(best);
    ready = true;
    placed_total = current.CountPlacedPieces();
    sorted_pieces.clear();
    sorted_stock.clear();
    if (on_run_end) on_run_end();
    current.Clear();
    best.Clear();
    pieces.clear();
    stock.clear();
    min_width_breakage = saved_width_breakage;
    min_length_breakage = saved_length_breakage;
}

void TCut2D::Impl::Improve()
{
    std::vector<part2d> placed;
    for (const part2d& p : sorted_pieces)
        if (best.piece_to_stock[static_cast<size_t>(p.index)] != -1) placed.push_back(p);
    lower_bound = SheetLowerBound(placed, sorted_stock, blade_width).best;
    bool one_size = true;
    for (const stock2d& s : sorted_stock) one_size = one_size && s.length == sorted_stock.front().length &&
                                                     s.width == sorted_stock.front().width;

    const int32_t sheets = best.sheets.count();
    // The time limit counts from the start of the run; the construction always completes.
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - run_start).count();
    const bool out_of_time = time_limit > 0.0 && elapsed >= time_limit;
    if (effort != cut2d_effort::quick && sheets > lower_bound && !out_of_time && !stop_requested) {
        const repack_rules r = Rules();
        improvement_settings s;
        s.work = ImprovementWork(effort, sheets);
        s.seed = static_cast<uint32_t>(random_seed);
        s.threads = ThreadCount();
        s.time_limit = time_limit > 0.0 ? time_limit - elapsed : 0.0;
        s.sheet_bound = lower_bound;
        s.one_stock_size = one_size;
        s.stop = &stop_requested;
        progress.phase = 1;
        progress.work_total = s.work;
        ImprovementSearch search;
        search.Run(best, sorted_pieces, sorted_stock, r, s, [this](const improvement_progress& p) {
            progress.work_done = p.work_done;
            progress.sheets_saved = p.sheets_saved;
            if (on_progress) on_progress(progress);
        });
    }
    // Proven least stock: as few sheets as the bound, each of the smallest stock area.
    double smallest = 0.0;
    for (const stock2d& s : sorted_stock) {
        const double a = static_cast<double>(s.length) * s.width;
        if (smallest == 0.0 || a < smallest) smallest = a;
    }
    proven_optimal = best.sheets.count() <= lower_bound;
    for (int32_t i = 0; i < best.sheets.count() && proven_optimal; ++i) {
        const Chromosome& c = *best.sheets.Find(i);
        proven_optimal = static_cast<double>(c.length) * c.width <= smallest;
    }
}

repack_rules TCut2D::Impl::Rules() const
{
    repack_rules r;
    r.strategy = method == start_method::nested  ? sheet_strategy::nested
                 : method == start_method::staged ? sheet_strategy::staged
                                                  : sheet_strategy::guillotine;
    r.kerf = blade_width;
    r.length_breakage = min_length_breakage;
    r.width_breakage = min_width_breakage;
    r.max_cut = max_cut_length;
    r.max_cut_set = max_cut_set;
    r.first_direction = first_direction;
    r.same_height_strips = same_height_strips;
    r.height_tolerance = height_tolerance;
    r.stages = stages;
    r.staged_placement = staged_placement;
    r.staged_finish = staged_finish;
    r.minimal_useful_size = minimal_useful_size;
    r.prefer_large_remnant = prefer_large_remnant;
    r.stall_limit = stall_limit;
    return r;
}

// ---------------------------------------------------------------------------------------------------------------

TCut2D::TCut2D() : impl_(std::make_unique<Impl>()) {}
TCut2D::~TCut2D() = default;

void TCut2D::set_OptimizationLevel(int32_t v)
{
    if (impl_->ready) impl_->optimization_level = v <= 0 ? 1 : v;
}
void TCut2D::set_BladeWidth(int32_t v)
{
    if (impl_->ready) impl_->blade_width = std::max(v, 0);
}
void TCut2D::set_RandomSeed(int32_t v)
{
    if (impl_->ready) impl_->random_seed = v;
}
void TCut2D::set_MinimalWidthBreakage(int32_t v)
{
    if (impl_->ready) impl_->min_width_breakage = std::max(v, 0);
}
void TCut2D::set_MinimalLengthBreakage(int32_t v)
{
    if (impl_->ready) impl_->min_length_breakage = std::max(v, 0);
}
void TCut2D::set_MaximalCutLength(int32_t v)
{
    if (!impl_->ready) return;
    impl_->max_cut_length = std::max(v, 0);
    if (v > 0) impl_->max_cut_set = true;
}
void TCut2D::set_FirstDirectionMultiStages(int32_t v)
{
    if (impl_->ready) impl_->first_direction = (v == 0 || v == 1 || v == 2) ? v : 2;
}
void TCut2D::set_OnlyPiecesOfTheSameHeightInAStrip(int32_t v)
{
    if (impl_->ready) impl_->same_height_strips = (v == 0 || v == 1) ? v : 0;
}
void TCut2D::set_HeightTolerance(int32_t v)
{
    if (impl_->ready) impl_->height_tolerance = std::max(v, 0);
}
void TCut2D::set_NumberOfStages(int32_t v)
{
    if (impl_->ready) impl_->stages = v <= 0 ? 2 : v;
}
void TCut2D::set_MinimalUsefulSize(int32_t v)
{
    if (impl_->ready) impl_->minimal_useful_size = v;
}
void TCut2D::set_PreferLargeRemnant(int32_t v)
{
    if (impl_->ready && (v == 0 || v == 1)) impl_->prefer_large_remnant = v;
}
void TCut2D::set_StagedPlacementVariant(int32_t v)
{
    if (impl_->ready && (v == 0 || v == 1)) impl_->staged_placement = v;
}
void TCut2D::set_StagedFinishVariant(int32_t v)
{
    if (impl_->ready && (v == 0 || v == 1)) impl_->staged_finish = v;
}

void TCut2D::set_Effort(cut2d_effort v)
{
    if (impl_->ready) impl_->effort = v;
}
void TCut2D::set_Threads(int32_t v)
{
    if (impl_->ready) impl_->threads = std::max(v, 0);
}
void TCut2D::set_TimeLimit(double seconds)
{
    if (impl_->ready) impl_->time_limit = seconds > 0.0 ? seconds : 0.0;
}

void TCut2D::set_NumberOfDemandPieces(int32_t n)
{
    if (!impl_->ready) return;
    impl_->pieces.assign(static_cast<size_t>(std::max(n, 0)), part2d{});
}

void TCut2D::SetDemandPiece(int32_t i, int32_t length, int32_t width, int32_t may_rotate, user_data data,
                            int32_t priority)
{
    if (!impl_->ready || i < 0 || i >= static_cast<int32_t>(impl_->pieces.size())) return;
    part2d& p = impl_->pieces[static_cast<size_t>(i)];
    p = part2d{};
    p.length = length;
    p.width = width;
    p.may_rotate = static_cast<int8_t>(may_rotate == 1 ? 1 : (may_rotate == 0 ? 0 : -1));
    p.data = data;
    p.priority = priority;
    p.index = i;
    p.turned = 0;
}

void TCut2D::SetDemandPieceWithGrain(int32_t i, int32_t length, int32_t width, int32_t grain, user_data data,
                                     int32_t priority)
{
    if (!impl_->ready || i < 0 || i >= static_cast<int32_t>(impl_->pieces.size())) return;
    part2d& p = impl_->pieces[static_cast<size_t>(i)];
    p = part2d{};
    p.length = length;
    p.width = width;
    p.grain = static_cast<int8_t>(std::clamp(grain, -1, 2));
    p.data = data;
    p.priority = priority;
    p.index = i;
}

void TCut2D::set_NumberOfRepositoryPieces(int32_t n)
{
    if (!impl_->ready) return;
    impl_->stock.assign(static_cast<size_t>(std::max(n, 0)), stock2d{});
}

void TCut2D::SetRepositoryPiece(int32_t i, int32_t length, int32_t width, int32_t trim_y0, int32_t trim_x0,
                                int32_t trim_yW, int32_t trim_xL, user_data data, int32_t priority,
                                int32_t holes_count, double value)
{
    SetRepositoryPieceWithGrain(i, length, width, trim_y0, trim_x0, trim_yW, trim_xL, data, priority, holes_count, -1,
                                value);
}

void TCut2D::SetRepositoryPieceWithGrain(int32_t i, int32_t length, int32_t width, int32_t trim_y0, int32_t trim_x0,
                                         int32_t trim_yW, int32_t trim_xL, user_data data, int32_t priority,
                                         int32_t holes_count, int32_t grain, double value)
{
    if (!impl_->ready || i < 0 || i >= static_cast<int32_t>(impl_->stock.size()) || holes_count < 0) return;
    stock2d& s = impl_->stock[static_cast<size_t>(i)];
    s = stock2d{};
    s.length = length;
    s.width = width;
    s.trim_y0 = std::max(trim_y0, 0);
    s.trim_x0 = std::max(trim_x0, 0);
    s.trim_yW = std::max(trim_yW, 0);
    s.trim_xL = std::max(trim_xL, 0);
    s.data = data;
    s.priority = priority;
    s.index = i;
    s.holes.assign(static_cast<size_t>(holes_count), hole2d{});
    s.grain = static_cast<int8_t>(std::clamp(grain, -1, 2));
    s.value = value;
}

void TCut2D::StartGuillotine() { impl_->Start(start_method::guillotine); }
void TCut2D::StartNested() { impl_->Start(start_method::nested); }
void TCut2D::StartStaged() { impl_->Start(start_method::staged); }

void TCut2D::RequestStop() { impl_->stop_requested = true; }

void TCut2D::ClearStopRequest() { impl_->stop_requested = false; }

void TCut2D::set_OnProgress(std::function<void(const cut2d_progress&)> callback)
{
    impl_->on_progress = std::move(callback);
}
void TCut2D::set_OnRunEnd(std::function<void()> callback) { impl_->on_run_end = std::move(callback); }

int32_t TCut2D::GetSheetCount() const { return impl_->ready ? impl_->current.sheets.count() : 0; }
int32_t TCut2D::GetPlacedPieceCount() const { return impl_->ready ? impl_->placed_total : 0; }
int32_t TCut2D::GetDemandPieceCount() const { return static_cast<int32_t>(impl_->pieces.size()); }
int32_t TCut2D::GetRepositoryPieceCount() const { return static_cast<int32_t>(impl_->stock.size()); }
int32_t TCut2D::GetSheetLowerBound() const { return impl_->ready ? impl_->lower_bound : 0; }
bool TCut2D::GetProvenOptimal() const { return impl_->ready && impl_->proven_optimal; }

std::optional<cut2d_demand_piece> TCut2D::GetDemandPiece(int32_t i) const
{
    if (i < 0 || i >= GetDemandPieceCount()) return std::nullopt;
    const part2d& p = impl_->pieces[static_cast<size_t>(i)];
    cut2d_demand_piece d;
    d.length = p.length;
    d.width = p.width;
    d.may_rotate = p.may_rotate;
    d.grain = p.grain;
    d.data = p.data;
    d.priority = p.priority;
    return d;
}

std::optional<cut2d_repository_piece> TCut2D::GetRepositoryPiece(int32_t i) const
{
    if (i < 0 || i >= GetRepositoryPieceCount()) return std::nullopt;
    const stock2d& s = impl_->stock[static_cast<size_t>(i)];
    cut2d_repository_piece r;
    r.length = s.length;
    r.width = s.width;
    r.trim_y0 = s.trim_y0;
    r.trim_x0 = s.trim_x0;
    r.trim_yW = s.trim_yW;
    r.trim_xL = s.trim_xL;
    r.data = s.data;
    r.priority = s.priority;
    r.holes_count = s.holes_count();
    r.grain = s.grain;
    r.value = s.value;
    return r;
}

std::optional<int32_t> TCut2D::GetSheetStockIndex(int32_t s) const
{
    const Chromosome* c = impl_->Sheet(s);
    if (!c) return std::nullopt;
    return c->stock_index;
}

std::optional<user_data> TCut2D::GetSheetData(int32_t s) const
{
    const Chromosome* c = impl_->Sheet(s);
    if (!c || c->stock_index < 0 || c->stock_index >= GetRepositoryPieceCount()) return std::nullopt;
    return impl_->stock[static_cast<size_t>(c->stock_index)].data;
}

int32_t TCut2D::GetSheetCutCount(int32_t s) const
{
    const Chromosome* c = impl_->Sheet(s);
    return c ? c->cut_count() : 0;
}
int32_t TCut2D::GetSheetPieceCount(int32_t s) const
{
    const Chromosome* c = impl_->Sheet(s);
    return c ? c->piece_count() : 0;
}
int32_t TCut2D::GetSheetWasteCount(int32_t s) const
{
    const Chromosome* c = impl_->Sheet(s);
    return c ? c->waste_count() : 0;
}
double TCut2D::GetSheetWasteArea(int32_t s) const
{
    const Chromosome* c = impl_->Sheet(s);
    return c ? c->waste_area : 0.0;
}
double TCut2D::GetSheetCutLength(int32_t s) const
{
    const Chromosome* c = impl_->Sheet(s);
    return c ? c->cut_length : 0.0;
}

std::optional<cut2d_sheet_piece> TCut2D::GetSheetPiece(int32_t s, int32_t j) const
{
    const Chromosome* c = impl_->Sheet(s);
    if (!c || j < 0 || j >= c->piece_count()) return std::nullopt;
    const placed_piece2d& p = c->pieces[static_cast<size_t>(j)];
    return cut2d_sheet_piece{p.x1, p.y1, p.x2, p.y2, p.turned, p.piece_index, p.data};
}

std::optional<cut2d_sheet_rect> TCut2D::GetSheetWaste(int32_t s, int32_t j) const
{
    const Chromosome* c = impl_->Sheet(s);
    if (!c || j < 0 || j >= c->waste_count()) return std::nullopt;
    const waste2d& w = c->wastes[static_cast<size_t>(j)];
    return cut2d_sheet_rect{w.x1, w.y1, w.x2, w.y2};
}

std::optional<cut2d_sheet_cut> TCut2D::GetSheetCut(int32_t s, int32_t j) const
{
    const Chromosome* c = impl_->Sheet(s);
    if (!c || j < 0 || j >= c->cut_count()) return std::nullopt;
    const cut2d& k = c->cuts[static_cast<size_t>(j)];
    return cut2d_sheet_cut{k.x1, k.y1, k.x2, k.y2, k.kerf, k.stage};
}

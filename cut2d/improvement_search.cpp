#include "improvement_search.h"

#include <algorithm>
#include <chrono>
#include <numeric>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "goal_search.h"
#include "sheet_geometry.h"
#include "util/stream_random.h"
#include "util/tolerance.h"

namespace {

// Repacks tried side by side in one round; fixed so that the result does not depend on the thread count.
constexpr int32_t kTasksPerRound = 4;
// Most sheets repacked together with the target.
constexpr int32_t kMostOthers = 3;
// Most sheets the target's pieces are moved into.
constexpr int32_t kMostAbsorbing = 8;
// An absorbing sheet must find its own layout again with more pieces: it searches longer than a repack.
constexpr int32_t kAbsorbIterations = 6;
// Pieces the goal search lays out per unit of work; about as long as the repacks would take.
constexpr int64_t kGoalWorkPerUnit = 1000;
// The goal search aims at one sheet fewer at a time; on jobs of hundreds of sheets the repacks gain more
// in the same work (20,000 distinct parts: 772 sheets against 759).
constexpr int32_t kGoalSearchMostSheets = 200;
// Lowers the priority of urgent pieces below every real one.
constexpr int32_t kUrgentShift = 1 << 24;

double SheetArea(const TSheet& s) { return static_cast<double>(s.length) * s.width; }
double StockArea(const stock2d& s) { return static_cast<double>(s.length) * s.width; }

int UtilisationOrder(const Chromosome& a, const Chromosome& b)
{
    int c = stv::CompareWithin(a.utilisation, b.utilisation, 0.01);
    if (c != 0) return c;
    if ((c = stv::CompareWithin(a.largest_waste, b.largest_waste, 0.01)) != 0) return c;
    if ((c = stv::CompareWithin(a.second_waste, b.second_waste, 0.01)) != 0) return c;
    if (a.waste_count() != b.waste_count()) return a.waste_count() < b.waste_count() ? 1 : -1;
    return 0;
}

int AreaOrder(const Chromosome& a, const Chromosome& b)
{
    int c = stv::CompareWithin(a.used_area, b.used_area, 0.01);
    if (c != 0) return c;
    if (a.length != b.length || a.width != b.width) return -1;
    if ((c = stv::CompareWithin(a.largest_waste, b.largest_waste, 0.01)) != 0) return c;
    if ((c = stv::CompareWithin(a.second_waste, b.second_waste, 0.01)) != 0) return c;
    if (a.waste_count() != b.waste_count()) return a.waste_count() < b.waste_count() ? 1 : -1;
    return 0;
}

// Lays pieces out on free stock items one sheet at a time, each sheet as the construction chooses it.
class SheetRepacker {
public:
    SheetRepacker(const std::vector<part2d>& pieces, const std::vector<stock2d>& stock, const repack_rules& rules)
        : pieces_(pieces), stock_(stock), rules_(rules), run_end_(stock.size())
    {
        for (size_t p = stock.size(); p-- > 0;)
            run_end_[p] = p + 1 < stock.size() && StocksIdentical(stock[p], stock[p + 1]) ? run_end_[p + 1] : p + 1;
        single_.set_OnProgress([this] {
            if (single_.Improved())
                stall_ = 0;
            else
                ++stall_;
            const int32_t limit = single_.LoadedCount() == 1 ? 2 : rules_.stall_limit;
            if (stall_ >= limit) {
                single_.Stop();
                stall_ = 0;
            }
        });
    }

    // Pieces marked urgent (per sorted position; empty: none) are laid out first on every sheet, so that
    // the awkward pieces of a weak sheet are not left for the last one again.
    void SetUrgent(const std::vector<uint8_t>* urgent) { urgent_ = urgent; }

    // Places every piece (sorted positions) on stock items marked free, taking them out of stock_free, in
    // no more stock area than area_limit; false when that cannot be done this way.
    bool Pack(const std::vector<int32_t>& positions, std::vector<uint8_t>& stock_free, double area_limit,
              uint32_t seed, int32_t strategy_index, int32_t compare_mode, int32_t iterations,
              std::vector<std::unique_ptr<Chromosome>>& out)
    {
        out.clear();
        placed_.assign(positions.size(), 0);
        size_t remaining = positions.size();
        double area = 0.0;
        while (remaining > 0) {
            std::unique_ptr<Chromosome> best;
            size_t best_stock = 0;
            const stock2d* last = nullptr;
            size_t p = 0;
            while (p < stock_.size()) {
                const int32_t priority = stock_[p].priority;
                bool produced = false;
                for (size_t next = p; p < stock_.size() && stock_[p].priority == priority; p = next) {
                    next = p + 1;
                    if (!stock_free[p]) continue;
                    // The rest of its run of identical items would give the same layout (a long walk on big jobs).
                    next = run_end_[p];
                    const stock2d& s = stock_[p];
                    if (last && StocksIdentical(*last, s)) continue;
                    last = &s;
                    if (area + StockArea(s) > area_limit + 0.5) continue;
                    Configure(s, seed, iterations);
                    if (Load(s, positions) == 0) continue;
                    stall_ = 0;
                    single_.Run(rules_.strategy, strategy_index);
                    std::unique_ptr<Chromosome> candidate = TakeLayout(s.index);
                    if (candidate->piece_count() == 0) continue;
                    produced = true;
                    const int c = best ? (compare_mode == 1 ? AreaOrder(*candidate, *best) : 0) : 1;
                    const bool better =
                        best ? (c != 0 ? c > 0 : UtilisationOrder(*candidate, *best) > 0) : true;
                    if (!better) continue;
                    best = std::move(candidate);
                    best_stock = p;
                    best_placed_.clear();
                    const Cut2DXChromosome& lay = single_.Layout();
                    for (size_t i = 0; i < loaded_position_.size(); ++i)
                        if (lay.repetition[i] == 0) best_placed_.push_back(loaded_position_[i]);
                }
                if (produced) break;
            }
            if (!best) return false;
            area += SheetArea(*best);
            stock_free[best_stock] = 0;
            for (int32_t i : best_placed_) placed_[static_cast<size_t>(i)] = 1;
            remaining -= best_placed_.size();
            out.push_back(std::move(best));
            if (remaining > 0 && area >= area_limit - 0.5) return false;
        }
        return true;
    }

    // Lays out on stock item p as much of the pieces (sorted positions) as fits; placed lists the indices
    // into positions that the layout holds.
    std::unique_ptr<Chromosome> PackOne(const std::vector<int32_t>& positions, size_t p, uint32_t seed,
                                        int32_t strategy_index, int32_t iterations, std::vector<int32_t>& placed)
    {
        placed_.assign(positions.size(), 0);
        placed.clear();
        const stock2d& s = stock_[p];
        Configure(s, seed, iterations);
        if (Load(s, positions) == 0) return nullptr;
        stall_ = 0;
        single_.Run(rules_.strategy, strategy_index);
        std::unique_ptr<Chromosome> sheet = TakeLayout(s.index);
        const Cut2DXChromosome& lay = single_.Layout();
        for (size_t i = 0; i < loaded_position_.size(); ++i)
            if (lay.repetition[i] == 0) placed.push_back(loaded_position_[i]);
        return sheet;
    }

private:
    void Configure(const stock2d& s, uint32_t seed, int32_t iterations)
    {
        ConfigureSheetSearch(single_, s, rules_, seed, iterations);
    }

    // Loads the unplaced pieces that fit on s, turned as grain and rotation demand.
    int32_t Load(const stock2d& s, const std::vector<int32_t>& positions)
    {
        single_.ClearPieces();
        loaded_position_.clear();
        loaded_priority_.clear();
        for (size_t i = 0; i < positions.size(); ++i) {
            if (placed_[i]) continue;
            const part2d& piece = pieces_[static_cast<size_t>(positions[i])];
            if (piece.length <= 0 || piece.width <= 0) continue;
            sheet_loading loading =
                LoadingOnSheet(s, piece, rules_.kerf, rules_.length_breakage, rules_.width_breakage);
            if (!loading.load) continue;
            if (urgent_ && (*urgent_)[static_cast<size_t>(positions[i])]) loading.piece.priority -= kUrgentShift;
            single_.LoadPiece(loading.piece);
            loaded_position_.push_back(static_cast<int32_t>(i));
            loaded_priority_.push_back(piece.priority);
        }
        return single_.LoadedCount();
    }

    std::unique_ptr<Chromosome> TakeLayout(int32_t stock_index) const
    {
        return SheetFromLayout(single_, stock_index, loaded_priority_, rules_.minimal_useful_size);
    }

    const std::vector<part2d>& pieces_;
    const std::vector<stock2d>& stock_;
    const repack_rules& rules_;
    TCutSingleSheet2D single_;
    int32_t stall_ = 0;
    std::vector<uint8_t> placed_;
    std::vector<int32_t> loaded_position_, best_placed_, loaded_priority_;
    std::vector<size_t> run_end_;  // per stock position: the end of its run of identical items
    const std::vector<uint8_t>* urgent_ = nullptr;
};

// One move: the sheets it reads (the target first) and what becomes of them.
struct repack_task {
    int32_t kind = 0;             // 0: the sheets repacked together; 1: the target's pieces moved into the others
    std::vector<int32_t> sheets;  // positions in the current list
    std::vector<int32_t> pieces;  // sorted piece positions: all of the sheets (kind 0) or the target's (kind 1)
    std::vector<uint8_t> stock_free;
    double old_area = 0.0, old_square = 0.0;
    uint32_t seed = 0;
    int32_t strategy_index = 0, compare_mode = 0, iterations = 1;
    bool urgent = false;  // the target's pieces go first
    bool packed = false;
    double new_area = 0.0, new_square = 0.0;
    std::vector<std::unique_ptr<Chromosome>> result;       // kind 0: the new sheets
    std::vector<std::unique_ptr<Chromosome>> replacement;  // kind 1: per sheet, its new layout or none
    std::vector<uint8_t> removed;                          // kind 1: per sheet, emptied
};

}  // namespace

namespace {

// Tries to empty the target by laying each other sheet out again with its own pieces and the target's;
// when the target cannot be emptied, what is left of its pieces must fit on its stock again.
void Absorb(repack_task& task, SheetRepacker& repacker, const std::vector<std::unique_ptr<Chromosome>>& sheets,
            const std::vector<int32_t>& piece_position, const std::vector<int32_t>& stock_position)
{
    const size_t m = task.sheets.size();
    task.replacement.clear();
    task.replacement.resize(m);
    task.removed.assign(m, 0);
    std::vector<int32_t> pool = task.pieces, positions, placed, rest;
    for (size_t j = 1; j < m && !pool.empty(); ++j) {
        const Chromosome& c = *sheets[static_cast<size_t>(task.sheets[j])];
        positions = pool;
        for (const placed_piece2d& pp : c.pieces) positions.push_back(piece_position[static_cast<size_t>(pp.piece_index)]);
        std::sort(positions.begin(), positions.end());
        std::unique_ptr<Chromosome> layout =
            repacker.PackOne(positions, static_cast<size_t>(stock_position[static_cast<size_t>(c.stock_index)]),
                             task.seed + static_cast<uint32_t>(j), task.strategy_index, task.iterations, placed);
        if (!layout || layout->used_area <= c.used_area + 0.5) continue;
        std::vector<uint8_t> in(positions.size(), 0);
        for (int32_t i : placed) in[static_cast<size_t>(i)] = 1;
        rest.clear();
        for (size_t i = 0; i < positions.size(); ++i)
            if (!in[i]) rest.push_back(positions[i]);
        pool.swap(rest);
        task.replacement[j] = std::move(layout);
    }
    const Chromosome& target = *sheets[static_cast<size_t>(task.sheets[0])];
    if (pool.empty()) {
        task.removed[0] = 1;
    } else {
        if (pool.size() == task.pieces.size()) return;
        std::unique_ptr<Chromosome> layout = repacker.PackOne(
            pool, static_cast<size_t>(stock_position[static_cast<size_t>(target.stock_index)]), task.seed,
            task.strategy_index, task.iterations, placed);
        if (!layout || placed.size() != pool.size()) return;
        task.replacement[0] = std::move(layout);
    }
    task.new_area = 0.0;
    task.new_square = 0.0;
    for (size_t j = 0; j < m; ++j) {
        if (task.removed[j]) continue;
        const Chromosome& c = task.replacement[j] ? *task.replacement[j] : *sheets[static_cast<size_t>(task.sheets[j])];
        task.new_area += SheetArea(c);
        task.new_square += c.used_area * c.used_area;
    }
    task.packed = true;
}

// Helper threads kept for the whole search: a round wakes them, each runs its share, the caller waits.
class round_workers {
public:
    round_workers(int32_t helpers, std::function<void(int32_t)> work) : work_(std::move(work))
    {
        for (int32_t w = 1; w <= helpers; ++w) threads_.emplace_back([this, w] { Loop(w); });
    }
    ~round_workers()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            quit_ = true;
        }
        wake_.notify_all();
        for (std::thread& t : threads_) t.join();
    }
    // Runs share 0 on this thread and the others on the helpers; returns when all are done.
    void Round()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ++generation_;
            busy_ = static_cast<int32_t>(threads_.size());
        }
        wake_.notify_all();
        work_(0);
        std::unique_lock<std::mutex> lock(mutex_);
        done_.wait(lock, [this] { return busy_ == 0; });
    }

private:
    void Loop(int32_t w)
    {
        uint64_t seen = 0;
        for (;;) {
            {
                std::unique_lock<std::mutex> lock(mutex_);
                wake_.wait(lock, [&] { return quit_ || generation_ != seen; });
                if (quit_) return;
                seen = generation_;
            }
            work_(w);
            {
                std::lock_guard<std::mutex> lock(mutex_);
                --busy_;
            }
            done_.notify_one();
        }
    }

    std::function<void(int32_t)> work_;
    std::vector<std::thread> threads_;
    std::mutex mutex_;
    std::condition_variable wake_, done_;
    uint64_t generation_ = 0;
    int32_t busy_ = 0;
    bool quit_ = false;
};

double UsedSquares(const std::vector<std::unique_ptr<Chromosome>>& sheets)
{
    double s = 0.0;
    for (const auto& c : sheets) s += c->used_area * c->used_area;
    return s;
}

}  // namespace

std::unique_ptr<Chromosome> SheetFromLayout(const TCutSingleSheet2D& single, int32_t stock_index,
                                            const std::vector<int32_t>& loaded_priority, int32_t minimal_useful_size)
{
    const Cut2DXChromosome& lay = single.Layout();
    auto sheet = std::make_unique<Chromosome>();
    sheet->length = lay.length;
    sheet->width = lay.width;
    sheet->capacity = lay.capacity;
    sheet->stock_index = stock_index;
    if (lay.pieces.empty() || lay.row_piece.empty()) return sheet;
    sheet->pieces = lay.pieces;
    for (size_t j = 0; j < sheet->pieces.size(); ++j) {
        const part2d& lp = single.LoadedPiece(lay.row_piece[0][j]);
        sheet->pieces[j].piece_index = lp.index;
        sheet->pieces[j].data = lp.data;
        sheet->pieces[j].turned = lay.row_turned[0][j];
    }
    sheet->cuts = lay.cuts;
    sheet->wastes = lay.wastes;
    sheet->used_length = lay.used_length;
    sheet->used_width = lay.used_width;
    for (size_t j = 0; j < sheet->pieces.size(); ++j) {
        const placed_piece2d& pp = sheet->pieces[j];
        sheet->profile.Add(loaded_priority[static_cast<size_t>(lay.row_piece[0][j])],
                           static_cast<double>(pp.x2 - pp.x1) * (pp.y2 - pp.y1));
    }
    sheet->used_area = lay.used_area;
    const double area = SheetArea(lay);
    sheet->utilisation = area > 0 ? lay.used_area * 100.0 / area : 0.0;
    sheet->largest_waste = lay.waste.largest;
    sheet->second_waste = lay.waste.second;
    sheet->third_waste = lay.waste.third;
    sheet->RecomputeTotals(minimal_useful_size);
    return sheet;
}

void ConfigureSheetSearch(TCutSingleSheet2D& single, const stock2d& s, const repack_rules& rules, uint32_t seed,
                          int32_t iterations)
{
    single.set_IterationCount(iterations);
    single.set_Sheet(s.length, s.width);
    single.set_BladeWidth(rules.kerf);
    single.set_FirstDirection(rules.first_direction == 2 ? 0 : rules.first_direction);
    if (rules.max_cut_set) single.set_MaximalCutLength(rules.max_cut);
    single.set_LengthBreakage(rules.length_breakage);
    single.set_WidthBreakage(rules.width_breakage);
    single.set_OnlyPiecesOfTheSameHeightInAStrip(rules.same_height_strips);
    single.set_HeightTolerance(rules.height_tolerance);
    single.set_NumberOfStages(rules.stages);
    single.set_StagedPlacementVariant(rules.staged_placement);
    single.set_StagedFinishVariant(rules.staged_finish);
    single.set_MinimalUsefulSize(rules.minimal_useful_size);
    single.set_PreferLargeRemnant(rules.prefer_large_remnant);
    single.set_Seed(seed);
    single.set_Trims(s.trim_y0, s.trim_x0, s.trim_yW, s.trim_xL);
    single.SetHoles(s.holes);
}

bool ImprovementSearch::Run(TGlobalSolution& solution, const std::vector<part2d>& pieces,
                            const std::vector<stock2d>& stock, const repack_rules& rules,
                            const improvement_settings& settings,
                            const std::function<void(const improvement_progress&)>& on_progress)
{
    const int32_t first_count = solution.sheets.count();
    if (first_count < 1 || settings.work <= 0) return false;
    std::vector<std::unique_ptr<Chromosome>> sheets;
    for (int32_t i = 0; i < first_count; ++i) sheets.push_back(std::make_unique<Chromosome>(*solution.sheets.Find(i)));
    std::vector<int32_t> stock_position(stock.size(), -1), piece_position(pieces.size(), -1);
    for (size_t p = 0; p < stock.size(); ++p) stock_position[static_cast<size_t>(stock[p].index)] = static_cast<int32_t>(p);
    for (size_t p = 0; p < pieces.size(); ++p) piece_position[static_cast<size_t>(pieces[p].index)] = static_cast<int32_t>(p);
    double first_area = 0.0;
    for (const auto& c : sheets) first_area += SheetArea(*c);
    int32_t old_work = settings.work;
    if (rules.strategy == sheet_strategy::guillotine && first_count <= kGoalSearchMostSheets) {
        // With one stock size the goal search does all the work; with several, repacks onto other sizes add to it.
        if (settings.one_stock_size) old_work = 0;
        goal_settings goal;
        goal.work = static_cast<int64_t>(settings.work) * kGoalWorkPerUnit;
        goal.seed = settings.seed;
        goal.threads = settings.threads;
        goal.time_limit = settings.time_limit;
        goal.sheet_bound = settings.one_stock_size ? settings.sheet_bound : 0;
        goal.stop = settings.stop;
        const int32_t share = settings.work - old_work;
        goal.on_epoch = [&](int64_t done, int32_t saved) {
            improvement_progress p;
            p.work_total = settings.work;
            p.work_done = static_cast<int32_t>(share * std::min<int64_t>(done, goal.work) / std::max<int64_t>(goal.work, 1));
            p.sheets_saved = saved;
            if (on_progress) on_progress(p);
        };
        GoalDrivenSearch(sheets, pieces, stock, rules, goal);
    }
    std::vector<uint8_t> stock_free(stock.size(), 1);
    for (const auto& c : sheets) stock_free[static_cast<size_t>(stock_position[static_cast<size_t>(c->stock_index)])] = 0;
    bool several_sizes = false;
    for (const stock2d& s : stock)
        if (s.length != stock.front().length || s.width != stock.front().width) several_sizes = true;

    const int32_t threads = std::clamp(settings.threads, 1, kTasksPerRound);
    std::vector<std::unique_ptr<SheetRepacker>> repackers;
    for (int32_t t = 0; t < threads; ++t) repackers.push_back(std::make_unique<SheetRepacker>(pieces, stock, rules));
    std::vector<repack_task> tasks(kTasksPerRound);
    std::vector<std::vector<uint8_t>> urgent(static_cast<size_t>(threads), std::vector<uint8_t>(pieces.size(), 0));
    const auto start = std::chrono::steady_clock::now();
    improvement_progress progress;
    progress.work_total = settings.work;
    progress.work_done = settings.work - old_work;
    progress.sheets_saved = first_count - static_cast<int32_t>(sheets.size());

    auto work = [&](int32_t worker) {
        SheetRepacker& repacker = *repackers[static_cast<size_t>(worker)];
        for (int32_t t = worker; t < kTasksPerRound; t += threads) {
            repack_task& task = tasks[static_cast<size_t>(t)];
            std::fill(urgent[static_cast<size_t>(worker)].begin(), urgent[static_cast<size_t>(worker)].end(), uint8_t{0});
            if (task.urgent)
                for (const placed_piece2d& pp : sheets[static_cast<size_t>(task.sheets[0])]->pieces)
                    urgent[static_cast<size_t>(worker)][static_cast<size_t>(piece_position[static_cast<size_t>(pp.piece_index)])] = 1;
            repacker.SetUrgent(task.urgent ? &urgent[static_cast<size_t>(worker)] : nullptr);
            if (task.kind == 1) {
                Absorb(task, repacker, sheets, piece_position, stock_position);
                continue;
            }
            task.packed = repacker.Pack(task.pieces, task.stock_free, task.old_area, task.seed,
                                        task.strategy_index, task.compare_mode, task.iterations, task.result);
            if (!task.packed) continue;
            task.new_area = 0.0;
            for (const auto& c : task.result) task.new_area += SheetArea(*c);
            task.new_square = UsedSquares(task.result);
        }
    };
    std::unique_ptr<round_workers> workers;
    if (threads > 1) workers = std::make_unique<round_workers>(threads - 1, work);

    for (uint32_t round = 0; progress.work_done < settings.work; ++round) {
        const int32_t n = static_cast<int32_t>(sheets.size());
        if (n < (several_sizes ? 1 : 2)) break;
        if (settings.one_stock_size && n <= settings.sheet_bound) break;
        if (settings.stop && settings.stop->load()) break;
        if (settings.time_limit > 0.0 &&
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() >= settings.time_limit)
            break;

        std::vector<int32_t> order(static_cast<size_t>(n));
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(), [&](int32_t a, int32_t b) {
            return sheets[static_cast<size_t>(a)]->utilisation < sheets[static_cast<size_t>(b)]->utilisation;
        });
        for (int32_t t = 0; t < kTasksPerRound; ++t) {
            repack_task& task = tasks[static_cast<size_t>(t)];
            stv::stream_random random((uint64_t{settings.seed} << 32) ^ (uint64_t{round} * kTasksPerRound + static_cast<uint64_t>(t)));
            const int32_t target = order[static_cast<size_t>(t < 2 ? 0 : random.Below(std::min(n, 4)))];
            task.kind = n >= 2 && t % 2 == 0 ? 1 : 0;
            const int32_t most = task.kind == 1 ? std::min(n - 1, kMostAbsorbing) : std::min(n - 1, kMostOthers);
            const int32_t others = several_sizes && task.kind == 0 ? random.Below(most + 1) : 1 + random.Below(most);
            task.sheets.assign(1, target);
            while (static_cast<int32_t>(task.sheets.size()) < others + 1) {
                const int32_t s = random.Below(n);
                if (std::find(task.sheets.begin(), task.sheets.end(), s) == task.sheets.end()) task.sheets.push_back(s);
            }
            task.pieces.clear();
            task.stock_free = stock_free;
            task.old_area = 0.0;
            task.old_square = 0.0;
            for (int32_t s : task.sheets) {
                const Chromosome& c = *sheets[static_cast<size_t>(s)];
                if (task.kind == 0 || s == target)
                    for (const placed_piece2d& pp : c.pieces)
                        task.pieces.push_back(piece_position[static_cast<size_t>(pp.piece_index)]);
                task.stock_free[static_cast<size_t>(stock_position[static_cast<size_t>(c.stock_index)])] = 1;
                task.old_area += SheetArea(c);
                task.old_square += c.used_area * c.used_area;
            }
            std::sort(task.pieces.begin(), task.pieces.end());
            task.seed = random.Next();
            task.strategy_index = random.Below(5);
            task.compare_mode = random.Below(2);
            task.iterations = settings.iterations;
            if (task.kind == 1) task.iterations *= kAbsorbIterations;
            task.urgent = random.Below(2) == 0;
            task.packed = false;
        }

        if (workers)
            workers->Round();
        else
            work(0);
        progress.work_done += kTasksPerRound;

        // Accept in task order the moves that use less stock, or the same stock with the waste gathered on
        // fewer sheets, as long as no earlier move of this round read their sheets.
        std::vector<int32_t> taken_by(static_cast<size_t>(n), -1);
        bool changed = false;
        for (int32_t t = 0; t < kTasksPerRound; ++t) {
            repack_task& task = tasks[static_cast<size_t>(t)];
            if (!task.packed) continue;
            const bool less = task.new_area < task.old_area - 0.5;
            const bool gathered =
                !less && task.new_area <= task.old_area + 0.5 && task.new_square > task.old_square * (1.0 + 1e-9);
            if (!less && !gathered) continue;
            bool free = true;
            for (int32_t s : task.sheets) free = free && taken_by[static_cast<size_t>(s)] < 0;
            if (!free) continue;
            for (int32_t s : task.sheets) taken_by[static_cast<size_t>(s)] = t;
            changed = true;
        }
        if (!changed) continue;
        std::vector<std::unique_ptr<Chromosome>> next;
        for (int32_t i = 0; i < n; ++i) {
            const int32_t t = taken_by[static_cast<size_t>(i)];
            if (t < 0) {
                next.push_back(std::move(sheets[static_cast<size_t>(i)]));
                continue;
            }
            repack_task& task = tasks[static_cast<size_t>(t)];
            if (task.kind == 1) {
                const size_t j = static_cast<size_t>(std::find(task.sheets.begin(), task.sheets.end(), i) - task.sheets.begin());
                if (task.removed[j]) continue;
                next.push_back(task.replacement[j] ? std::move(task.replacement[j]) : std::move(sheets[static_cast<size_t>(i)]));
                continue;
            }
            if (i != *std::min_element(task.sheets.begin(), task.sheets.end())) continue;
            for (auto& c : task.result) next.push_back(std::move(c));
        }
        sheets = std::move(next);
        std::fill(stock_free.begin(), stock_free.end(), uint8_t{1});
        for (const auto& c : sheets) stock_free[static_cast<size_t>(stock_position[static_cast<size_t>(c->stock_index)])] = 0;
        progress.sheets_saved = first_count - static_cast<int32_t>(sheets.size());
        if (on_progress) on_progress(progress);
    }

    double area = 0.0;
    for (const auto& c : sheets) area += SheetArea(*c);
    if (area >= first_area - 0.5) return false;
    solution.Reset();
    for (auto& c : sheets) {
        const int32_t number = solution.sheets.count();
        solution.stock_to_sheet[static_cast<size_t>(c->stock_index)] = number;
        for (const placed_piece2d& pp : c->pieces) solution.piece_to_stock[static_cast<size_t>(pp.piece_index)] = c->stock_index;
        solution.sheets.Append(std::move(c));
    }
    solution.Finalise(rules.minimal_useful_size);
    return true;
}

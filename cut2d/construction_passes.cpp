#include "construction_passes.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <numeric>
#include <thread>

#include "TCutSingleSheet2D.h"
#include "sheet_geometry.h"
#include "util/tolerance.h"

namespace {

// Statistics of one sheet layout as the step compares them.
struct sheet_record {
    int32_t piece_count = 0, cut_count = 0, waste_count = 0;
    double used_area = 0.0, utilisation = 0.0;
    double largest = 0.0, second = 0.0, third = 0.0;
    int32_t length = 0, width = 0;
    int32_t used_length = 0, used_width = 0;
};

// The state of one pass: owned by one thread, reused for every pass it runs.
class ConstructionWorker {
public:
    ConstructionWorker(const construction_input& input, std::function<void()> on_progress)
        : in_(input), on_progress_(std::move(on_progress))
    {
        single_.set_LargeJob(input.large_job);
        single_.set_OnProgress([this] { OnSheetProgress(); });
        single_.set_OnLayout([this] { OnSheetLayout(); });
        // Runs of identical stock items: a step tries the first free item of each run once.
        const std::vector<stock2d>& stock = *input.stock;
        int32_t first = 0;
        for (const int32_t last : *input.group_last) {
            for (int32_t p = first; p <= last; ++p)
                if (p == first ||
                    !StocksIdentical(stock[static_cast<size_t>(run_first_.back())], stock[static_cast<size_t>(p)]))
                    run_first_.push_back(p);
            first = last + 1;
        }
        run_first_.push_back(static_cast<int32_t>(stock.size()));
        run_cursor_.resize(run_first_.size());
        const size_t n = input.pieces->size();
        next_.resize(n + 1);
        prev_.resize(n + 1);
    }
    ConstructionWorker(const ConstructionWorker&) = delete;
    ConstructionWorker& operator=(const ConstructionWorker&) = delete;

    void set_Evaluator(parallel_evaluator* evaluator) { single_.set_Evaluator(evaluator); }
    // Lays out a whole solution into t (reset, sized for the job).
    void Run(const construction_pass& pass, TGlobalSolution& t);

private:
    int32_t LoadPieces(int32_t sorted_stock_pos, int32_t& considered);
    bool Load(const stock2d& s, int32_t sorted_piece_pos);
    // Takes the pieces and stock of the step's best layout out of the running.
    void CommitStep();
    void OnSheetProgress();
    void OnSheetLayout();
    int RemnantCompare(const sheet_record& a, const sheet_record& b) const;
    int UtilisationOrder(const sheet_record& a, const sheet_record& b) const;
    int AreaOrder(const sheet_record& a, const sheet_record& b) const;

    const construction_input& in_;
    std::function<void()> on_progress_;
    TCutSingleSheet2D single_;
    TGlobalSolution* building_ = nullptr;
    sheet_record step_best_;
    bool step_has_best_ = false;
    // The step's best layout so far holds these (input indices); they are free again if a better one comes.
    std::vector<int32_t> piece_taken_, stock_taken_;
    std::vector<int32_t> copy_stock_;
    // The pieces not yet on a committed sheet, a list in sorted order: node n is its head and tail.
    std::vector<int32_t> next_, prev_;
    int32_t remaining_ = 0;
    std::vector<int32_t> run_first_;   // sorted stock position where each run of identical items begins
    std::vector<int32_t> run_cursor_;  // per run: no committed item before it
    int32_t committed_ = 0;
    int32_t stock_position_ = 0;
    int32_t stall_ = 0;
    int32_t compare_mode_ = 0;
};

void ConstructionWorker::Run(const construction_pass& pass, TGlobalSolution& t)
{
    const std::vector<stock2d>& stock = *in_.stock;
    const std::vector<int32_t>& to_input = *in_.stock_sorted_to_input;
    const std::vector<int32_t>& group_last = *in_.group_last;
    building_ = &t;
    compare_mode_ = pass.compare_mode;
    const int32_t ns = static_cast<int32_t>(stock.size());
    const int32_t n = static_cast<int32_t>(in_.pieces->size());
    for (int32_t i = 0; i <= n; ++i) {
        next_[static_cast<size_t>(i)] = i == n ? (n > 0 ? 0 : n) : i + 1;
        prev_[static_cast<size_t>(i)] = i == 0 ? n : i - 1;
    }
    remaining_ = n;
    piece_taken_.clear();
    stock_taken_.clear();
    std::copy(run_first_.begin(), run_first_.end() - 1, run_cursor_.begin());
    committed_ = 0;
    auto used = [&](int32_t p) { return t.stock_to_sheet[static_cast<size_t>(to_input[static_cast<size_t>(p)])] != -1; };
    while (t.sheets.count() < ns) {
        step_has_best_ = false;
        step_best_ = sheet_record{};
        int32_t last_tried = -1;
        size_t r = 0;
        for (size_t g = 0; g < group_last.size(); ++g) {
            bool produced = false;
            for (; r + 1 < run_first_.size() && run_first_[r] <= group_last[g]; ++r) {
                const int32_t end = run_first_[r + 1];
                int32_t& cursor = run_cursor_[r];
                while (cursor < end && used(cursor) &&
                       t.stock_to_sheet[static_cast<size_t>(to_input[static_cast<size_t>(cursor)])] < committed_)
                    ++cursor;
                int32_t p = cursor;
                while (p < end && used(p)) ++p;
                if (p == end) continue;
                const stock2d& s = stock[static_cast<size_t>(p)];
                // Only a sheet identical in every respect would give the same layout again; one of the
                // same size with other trims, grain or holes may take pieces the last one could not.
                if (last_tried >= 0 && StocksIdentical(stock[static_cast<size_t>(last_tried)], s)) continue;
                last_tried = p;
                ConfigureSheetSearch(single_, s, in_.rules, static_cast<uint32_t>(pass.seed), pass.iterations);
                int32_t considered = 0;
                const int32_t loaded = LoadPieces(p, considered);
                if (loaded == 0) {
                    if (considered == 0) break;
                    continue;
                }
                stall_ = 0;
                stock_position_ = p;
                single_.Run(in_.rules.strategy, pass.strategy_index);
                // An empty layout (say, every cut longer than the longest allowed) is no candidate:
                // the stock of lower priority must still be tried.
                if (t.sheets.count() > committed_) produced = true;
            }
            // The runs left in this group (after a break) are not tried.
            while (r + 1 < run_first_.size() && run_first_[r] <= group_last[g]) ++r;
            if (produced) break;
        }
        if (t.sheets.count() == committed_) break;
        committed_ = t.sheets.count();
        CommitStep();
    }
    t.Finalise(in_.rules.minimal_useful_size);
    building_ = nullptr;
}

void ConstructionWorker::CommitStep()
{
    const std::vector<int32_t>& to_sorted = *in_.piece_input_to_sorted;
    for (const int32_t input : piece_taken_) {
        const int32_t k = to_sorted[static_cast<size_t>(input)];
        next_[static_cast<size_t>(prev_[static_cast<size_t>(k)])] = next_[static_cast<size_t>(k)];
        prev_[static_cast<size_t>(next_[static_cast<size_t>(k)])] = prev_[static_cast<size_t>(k)];
        --remaining_;
    }
    piece_taken_.clear();
    stock_taken_.clear();
}

bool ConstructionWorker::Load(const stock2d& s, int32_t k)
{
    const part2d& piece = (*in_.pieces)[static_cast<size_t>(k)];
    // A piece without extent fits nowhere.
    if (piece.length <= 0 || piece.width <= 0) return false;
    const repack_rules& r = in_.rules;
    const sheet_loading loading = LoadingOnSheet(s, piece, r.kerf, r.length_breakage, r.width_breakage);
    if (!loading.load) return false;
    single_.LoadPiece(loading.piece);
    return true;
}

int32_t ConstructionWorker::LoadPieces(int32_t p, int32_t& considered)
{
    const stock2d& s = (*in_.stock)[static_cast<size_t>(p)];
    const int32_t n = static_cast<int32_t>(in_.pieces->size());
    single_.ClearPieces();
    considered = remaining_;
    if (!in_.large_job) {
        for (int32_t k = next_[static_cast<size_t>(n)]; k != n; k = next_[static_cast<size_t>(k)]) Load(s, k);
        return single_.LoadedCount();
    }
    // The sheet's search sees only the first and the last pieces (TCutSingleSheet2D::set_LargeJob); loading
    // those alone, with a sheet area to spare at each end, keeps the work per sheet from growing with the job.
    const double sheet_area = static_cast<double>(s.length) * s.width;
    const double head_area = (TCutSingleSheet2D::kLargeJobHeadSheets + 1.0) * sheet_area;
    const double tail_area = (TCutSingleSheet2D::kLargeJobTailSheets + 1.0) * sheet_area;
    auto area = [&](int32_t k) {
        const part2d& q = (*in_.pieces)[static_cast<size_t>(k)];
        return static_cast<double>(q.length) * q.width;
    };
    int32_t tail = n;  // the first piece of the tail, n when empty
    double sum = 0.0;
    for (int32_t k = prev_[static_cast<size_t>(n)]; k != n && sum <= tail_area; k = prev_[static_cast<size_t>(k)]) {
        sum += area(k);
        tail = k;
    }
    sum = 0.0;
    int32_t k = next_[static_cast<size_t>(n)];
    for (; k != tail && sum <= head_area; k = next_[static_cast<size_t>(k)])
        if (Load(s, k)) sum += area(k);
    for (k = tail; k != n; k = next_[static_cast<size_t>(k)]) Load(s, k);
    return single_.LoadedCount();
}

void ConstructionWorker::OnSheetProgress()
{
    if (on_progress_) on_progress_();
    if (single_.Improved())
        stall_ = 0;
    else
        ++stall_;
    const int32_t limit = single_.LoadedCount() == 1 ? 2 : in_.rules.stall_limit;
    // A stopped run still completes its pass, each sheet with the best found at once.
    if (stall_ >= limit || (in_.stop && *in_.stop)) {
        single_.Stop();
        stall_ = 0;
    }
}

int ConstructionWorker::RemnantCompare(const sheet_record& a, const sheet_record& b) const
{
    if (in_.rules.prefer_large_remnant != 1) return 0;
    int32_t ea, eb;
    if (in_.rules.strategy == sheet_strategy::staged) {
        ea = in_.rules.first_direction != 1 ? a.used_width : a.used_length;
        eb = in_.rules.first_direction != 1 ? b.used_width : b.used_length;
    } else if (a.length > a.width) {
        ea = a.used_length;
        eb = b.used_length;
    } else if (a.length < a.width) {
        ea = a.used_width;
        eb = b.used_width;
    } else {
        ea = std::min(a.used_length, a.used_width);
        eb = std::min(b.used_length, b.used_width);
    }
    if (ea == eb) return 0;
    return ea < eb ? 1 : -1;
}

// 1: a wins, -1: b wins, 0: tie.
int ConstructionWorker::UtilisationOrder(const sheet_record& a, const sheet_record& b) const
{
    if (b.piece_count == 0) return 1;
    if (a.piece_count == 0) return -1;
    int c = stv::CompareWithin(a.utilisation, b.utilisation, 0.01);
    if (c != 0) return c;
    if ((c = RemnantCompare(a, b)) != 0) return c;
    if ((c = stv::CompareWithin(a.largest, b.largest, 0.01)) != 0) return c;
    if ((c = stv::CompareWithin(a.second, b.second, 0.01)) != 0) return c;
    if (a.waste_count != b.waste_count) return a.waste_count < b.waste_count ? 1 : -1;
    return 0;
}

int ConstructionWorker::AreaOrder(const sheet_record& a, const sheet_record& b) const
{
    if (b.piece_count == 0) return 1;
    if (a.piece_count == 0) return -1;
    int c = stv::CompareWithin(a.used_area, b.used_area, 0.01);
    if (c != 0) return c;
    if ((c = RemnantCompare(a, b)) != 0) return c;
    if (a.length != b.length || a.width != b.width) return -1;
    if ((c = stv::CompareWithin(a.largest, b.largest, 0.01)) != 0) return c;
    if ((c = stv::CompareWithin(a.second, b.second, 0.01)) != 0) return c;
    if (a.waste_count != b.waste_count) return a.waste_count < b.waste_count ? 1 : -1;
    return 0;
}

void ConstructionWorker::OnSheetLayout()
{
    TGlobalSolution& t = *building_;
    const std::vector<stock2d>& stock = *in_.stock;
    const std::vector<int32_t>& to_input = *in_.stock_sorted_to_input;
    const Cut2DXChromosome& lay = single_.Layout();
    sheet_record cand;
    cand.piece_count = lay.piece_count();
    cand.cut_count = lay.cut_count();
    cand.waste_count = lay.waste_count();
    cand.used_area = lay.used_area;
    const double sheet_area = static_cast<double>(single_.length()) * single_.width();
    cand.utilisation = sheet_area > 0 ? lay.used_area * 100.0 / sheet_area : 0.0;
    cand.largest = lay.waste.largest;
    cand.second = lay.waste.second;
    cand.third = lay.waste.third;
    cand.length = single_.length();
    cand.width = single_.width();
    cand.used_length = lay.used_length;
    cand.used_width = lay.used_width;

    const sheet_record& b = step_best_;
    bool better;
    if (!step_has_best_) {
        better = true;
    } else if (compare_mode_ == 1) {
        int c = AreaOrder(cand, b);
        if (c == 0) c = UtilisationOrder(cand, b);
        better = c > 0;
    } else {
        better = UtilisationOrder(cand, b) > 0;
    }
    if (!better) return;
    step_best_ = cand;
    step_has_best_ = true;
    if (cand.piece_count == 0) return;

    while (t.sheets.count() > committed_) t.sheets.Remove(t.sheets.count() - 1);
    for (const int32_t i : stock_taken_) t.stock_to_sheet[static_cast<size_t>(i)] = -1;
    for (const int32_t i : piece_taken_) t.piece_to_stock[static_cast<size_t>(i)] = -1;
    stock_taken_.clear();
    piece_taken_.clear();

    // The same layout goes on every identical free stock item that follows, as far as the pieces last.
    const int32_t repetitions = single_.RepetitionCount();
    const stock2d& here = stock[static_cast<size_t>(stock_position_)];
    int32_t copies = 0;
    for (int32_t p = stock_position_; p < static_cast<int32_t>(stock.size()) && copies < repetitions; ++p) {
        const int32_t input = to_input[static_cast<size_t>(p)];
        if (!StocksIdentical(stock[static_cast<size_t>(p)], here)) break;
        if (t.stock_to_sheet[static_cast<size_t>(input)] != -1) break;
        ++copies;
    }
    copy_stock_.assign(static_cast<size_t>(copies), 0);
    for (int32_t k = 0; k < copies; ++k) {
        const int32_t input = to_input[static_cast<size_t>(stock_position_ + k)];
        copy_stock_[static_cast<size_t>(k)] = input;
        auto sheet = std::make_unique<Chromosome>();
        sheet->length = lay.length;
        sheet->width = lay.width;
        sheet->capacity = lay.capacity;
        sheet->pieces = lay.pieces;
        for (size_t j = 0; j < sheet->pieces.size(); ++j) {
            const part2d& lp = single_.LoadedPiece(lay.row_piece[static_cast<size_t>(k)][j]);
            sheet->pieces[j].piece_index = lp.index;
            sheet->pieces[j].data = lp.data;
            sheet->pieces[j].turned = lay.row_turned[static_cast<size_t>(k)][j];
        }
        sheet->cuts = lay.cuts;
        sheet->wastes = lay.wastes;
        sheet->used_length = lay.used_length;
        sheet->used_width = lay.used_width;
        sheet->profile = lay.profile;
        sheet->used_area = lay.used_area;
        sheet->utilisation = cand.utilisation;
        sheet->largest_waste = lay.waste.largest;
        sheet->second_waste = lay.waste.second;
        sheet->third_waste = lay.waste.third;
        sheet->RecomputeTotals(in_.rules.minimal_useful_size);
        sheet->stock_index = input;
        t.sheets.Append(std::move(sheet));
        t.stock_to_sheet[static_cast<size_t>(input)] = t.sheets.count() - 1;
        stock_taken_.push_back(input);
    }
    for (int32_t i = 0; i < single_.LoadedCount(); ++i) {
        const int32_t r = lay.repetition[static_cast<size_t>(i)];
        if (r < 0 || r >= copies) continue;
        const size_t input = static_cast<size_t>(single_.LoadedPiece(i).index);
        t.piece_to_stock[input] = copy_stock_[static_cast<size_t>(r)];
        piece_taken_.push_back(static_cast<int32_t>(input));
    }
}

// The passes of one run and the threads running them. A worker without a pass of its own left helps the
// passes still running evaluate their generations.
class pass_pool final : public parallel_evaluator {
public:
    pass_pool(const construction_input& in, const construction_plan& plan, TGlobalSolution& best, int32_t workers)
        : in_(in), plan_(plan), best_(best), stock_count_(best.stock_count), piece_total_(best.piece_total),
          workers_(workers), done_(plan.passes.size())
    {
        // With helpers the longest passes begin first, so that none of them is left running alone at the end;
        // one thread keeps the plan order, so that the first passes end (and show) soon.
        order_.resize(plan.passes.size());
        std::iota(order_.begin(), order_.end(), 0);
        if (workers > 1)
            std::stable_sort(order_.begin(), order_.end(), [&](int32_t a, int32_t b) {
                return plan.passes[static_cast<size_t>(a)].iterations > plan.passes[static_cast<size_t>(b)].iterations;
            });
    }

    // Runs passes, then helps, until every pass has ended; report (the caller's thread only) keeps a window alive.
    void Work(const std::function<void()>& report)
    {
        ConstructionWorker worker(in_, report);
        if (workers_ > 1) worker.set_Evaluator(this);
        while (RunOnePass(worker)) {
        }
        Help(report);
    }

    // After a stop, passes never begun leave gaps; the others are compared in plan order all the same.
    void FoldTheRest()
    {
        for (size_t i = static_cast<size_t>(folded_); i < done_.size(); ++i)
            if (done_[i] && SolutionBetter(*done_[i], best_, in_.solution_rule)) std::swap(*done_[i], best_);
    }

    int32_t passes_done() const { return passes_done_.load(); }

    // The caller failed (out of memory): the helpers end after their current pass.
    void Abandon()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            abandoned_ = true;
        }
        wake_.notify_all();
    }

    void ForEach(int32_t count, void (*job)(void*, int32_t), void* context) override
    {
        batch b{job, context, count};
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (current_ || idle_ == 0) {
                b.count = 0;
            } else {
                current_ = &b;
            }
        }
        if (b.count == 0) {
            for (int32_t k = 0; k < count; ++k) job(context, k);
            return;
        }
        wake_.notify_all();
        Drain(b);
        std::unique_lock<std::mutex> lock(mutex_);
        current_ = nullptr;
        left_.wait(lock, [&] { return b.helpers == 0; });
    }

private:
    struct batch {
        void (*job)(void*, int32_t);
        void* context;
        int32_t count;
        std::atomic<int32_t> next{0};
        int32_t helpers = 0;
    };
    static void Drain(batch& b)
    {
        for (int32_t k; (k = b.next.fetch_add(1)) < b.count;) b.job(b.context, k);
    }
    bool NoPassLeft() const
    {
        return abandoned_ || next_ == static_cast<int32_t>(order_.size()) || (next_ > 0 && in_.stop && *in_.stop);
    }

    bool RunOnePass(ConstructionWorker& worker)
    {
        int32_t i;
        std::unique_ptr<TGlobalSolution> s;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (NoPassLeft()) return false;
            i = order_[static_cast<size_t>(next_++)];
            ++in_flight_;
            if (!spare_.empty()) {
                s = std::move(spare_.back());
                spare_.pop_back();
            }
        }
        if (!s) {
            s = std::make_unique<TGlobalSolution>();
            s->stock_count = stock_count_;
            s->piece_total = piece_total_;
            s->Reset();
        }
        worker.Run(plan_.passes[static_cast<size_t>(i)], *s);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done_[static_cast<size_t>(i)] = std::move(s);
            // Compares the finished passes in plan order as far as they are contiguous.
            while (folded_ < static_cast<int32_t>(done_.size()) && done_[static_cast<size_t>(folded_)]) {
                std::unique_ptr<TGlobalSolution>& f = done_[static_cast<size_t>(folded_)];
                if (SolutionBetter(*f, best_, in_.solution_rule)) std::swap(*f, best_);
                f->Reset();
                spare_.push_back(std::move(f));
                ++folded_;
            }
            --in_flight_;
            ++passes_done_;
        }
        wake_.notify_all();
        return true;
    }

    void Help(const std::function<void()>& report)
    {
        auto last_report = std::chrono::steady_clock::now();
        std::unique_lock<std::mutex> lock(mutex_);
        while (!abandoned_ && (!NoPassLeft() || in_flight_ > 0)) {
            if (current_ && current_->next.load() < current_->count) {
                batch& b = *current_;
                ++b.helpers;
                lock.unlock();
                Drain(b);
                lock.lock();
                if (--b.helpers == 0) left_.notify_all();
            } else {
                ++idle_;
                wake_.wait_for(lock, std::chrono::milliseconds(20));
                --idle_;
            }
            if (report && std::chrono::steady_clock::now() - last_report >= std::chrono::milliseconds(20)) {
                lock.unlock();
                report();
                lock.lock();
                last_report = std::chrono::steady_clock::now();
            }
        }
    }

    const construction_input& in_;
    const construction_plan& plan_;
    TGlobalSolution& best_;  // swapped under the lock only
    const int32_t stock_count_, piece_total_;
    const int32_t workers_;
    std::vector<int32_t> order_;
    std::mutex mutex_;
    std::condition_variable wake_, left_;
    int32_t next_ = 0, folded_ = 0, in_flight_ = 0, idle_ = 0;
    bool abandoned_ = false;
    batch* current_ = nullptr;
    std::atomic<int32_t> passes_done_{0};
    std::vector<std::unique_ptr<TGlobalSolution>> done_, spare_;
};

}  // namespace

void RunConstructionPasses(const construction_input& in, const construction_plan& plan, int32_t threads,
                           TGlobalSolution& best, const std::function<void(int32_t passes_done)>& on_progress)
{
    const int32_t count = static_cast<int32_t>(plan.passes.size());
    if (count == 0) return;
    const int32_t workers = std::max(threads, 1);
    pass_pool pool(in, plan, best, workers);
    std::vector<std::thread> helpers;
    helpers.reserve(static_cast<size_t>(workers - 1));
    for (int32_t h = 1; h < workers; ++h) helpers.emplace_back([&pool] { pool.Work(nullptr); });
    try {
        pool.Work([&] {
            if (on_progress) on_progress(pool.passes_done());
        });
    } catch (...) {
        pool.Abandon();
        for (std::thread& t : helpers) t.join();
        throw;
    }
    for (std::thread& t : helpers) t.join();
    pool.FoldTheRest();
}

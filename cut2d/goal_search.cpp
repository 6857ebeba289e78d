#include "goal_search.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <numeric>
#include <thread>

#include "guillotine_decoder.h"
#include "sheet_geometry.h"
#include "util/stream_random.h"

namespace {

// Chains searched side by side; fixed so that the result does not depend on the thread count.
constexpr int32_t kChains = 2;
// Work of every chain between two meetings, where all chains go on from the best one.
constexpr int64_t kEpoch = 12000;
// Most sheets one ruin touches, and most pieces it takes from one of them.
constexpr int32_t kMostRuined = 3;
constexpr int32_t kMostRemoved = 5;
// Most sheets that may lay themselves out again around a piece no free rectangle takes.
constexpr int32_t kMostRelaid = 1;
// Places tried in the order of a sheet that lays itself out again.
constexpr int32_t kRelayTries = 3;
// A move is also accepted when its pool is smaller than the one this many moves ago (late acceptance).
constexpr int32_t kLateAcceptance = 20;
// Percent of ruined sheets laid out afresh, and of those whose order changes a little.
constexpr uint32_t kReshufflePercent = 10;
constexpr uint32_t kPerturbPercent = 50;

// One size of stock, with every piece loaded as grain and turning allow on it.
struct stock_kind {
    sheet_geometry geometry;
    std::vector<part2d> loaded;  // per piece position
    std::vector<uint8_t> loadable;
    double area = 0.0;
};

// The largest free rectangles of a layout: a piece that none of them takes is not tried.
struct free_rects {
    static constexpr int32_t kKept = 8;
    int32_t count = 0;
    std::array<int32_t, kKept> x{}, y{};
    std::array<int64_t, kKept> area{};

    void Clear() { count = 0; }
    void Add(int32_t ex, int32_t ey)
    {
        const int64_t a = int64_t{ex} * ey;
        if (count == kKept && a <= area[kKept - 1]) return;
        int32_t i = count < kKept ? count++ : kKept - 1;
        for (; i > 0 && area[static_cast<size_t>(i - 1)] < a; --i) {
            x[static_cast<size_t>(i)] = x[static_cast<size_t>(i - 1)];
            y[static_cast<size_t>(i)] = y[static_cast<size_t>(i - 1)];
            area[static_cast<size_t>(i)] = area[static_cast<size_t>(i - 1)];
        }
        x[static_cast<size_t>(i)] = ex;
        y[static_cast<size_t>(i)] = ey;
        area[static_cast<size_t>(i)] = a;
    }
    bool MayTake(int32_t px, int32_t py, bool may_turn) const
    {
        const int64_t a = int64_t{px} * py;
        // Smaller rectangles were not kept: they may take it.
        if (count == kKept && a <= area[kKept - 1]) return true;
        for (int32_t i = 0; i < count; ++i) {
            const size_t k = static_cast<size_t>(i);
            if (area[k] < a) break;
            if ((px <= x[k] && py <= y[k]) || (may_turn && py <= x[k] && px <= y[k])) return true;
        }
        return false;
    }
};

// A sheet as the search keeps it: its pieces in decoding order with the genome that lays them all out.
struct goal_sheet {
    int32_t stock = -1, kind = 0;
    int32_t original = -1;   // input sheet while its layout is still the construction's own
    bool decodable = true;   // the genome lays every piece out
    std::vector<int32_t> items;
    std::vector<uint8_t> turn, dir;
    int32_t variant = 0;
    double used = 0.0;
    free_rects free;  // for a quick test before decoding
};

// What every chain reads.
struct goal_job {
    const std::vector<part2d>* pieces = nullptr;
    const std::vector<stock2d>* stock = nullptr;
    std::vector<stock_kind> kinds;
    std::vector<int32_t> kind_of;        // per stock position
    std::vector<double> piece_area;      // per piece position
    bool may_open = false;               // new stock may be taken (one priority for all stock)
    int32_t sheet_bound = 0;
};

class sheet_decoder {
public:
    int64_t work = 0;  // pieces decoded: the measure of the search's work
    // Lays the sheet out by its genome; true when every piece is placed. Updates its free extents.
    bool Decode(goal_sheet& s, const stock_kind& k)
    {
        work += static_cast<int64_t>(s.items.size()) + 1;
        const int32_t n = static_cast<int32_t>(s.items.size());
        if (n == 0) {
            s.free.Clear();
            s.free.Add(k.geometry.length, k.geometry.width);
            return true;
        }
        selected_.clear();
        for (int32_t q : s.items) selected_.push_back(k.loaded[static_cast<size_t>(q)]);
        input_.Build(selected_, n);
        ind_.Size(n, n, input_.group_count());
        ind_.length = k.geometry.length;
        ind_.width = k.geometry.width;
        std::iota(ind_.order.begin(), ind_.order.end(), 0);
        std::copy(s.turn.begin(), s.turn.end(), ind_.turn.begin());
        std::copy(s.dir.begin(), s.dir.end(), ind_.direction.begin());
        ind_.variant = s.variant;
        ind_.RecomputeRuns(selected_);
        DecodeGuillotine(ind_, input_, k.geometry);
        s.free.Clear();
        for (int32_t r = 0; r < ind_.rect_count; ++r) {
            const waste2d& w = ind_.rects[static_cast<size_t>(r)];
            if (w.extent_x > 0 && w.extent_y > 0) s.free.Add(w.extent_x, w.extent_y);
        }
        return ind_.piece_count == n;
    }
    bool Unplaced(size_t i) const { return ind_.unplaced[i] != 0; }

private:
    std::vector<part2d> selected_;
    decode_input input_;
    Cut2DXChromosomeGuillotine ind_;
};

struct chain_state {
    std::vector<goal_sheet> sheets;
    std::vector<int32_t> pool;  // pieces waiting for a place
    std::vector<uint8_t> stock_free;
    double pool_area = 0.0;
    double area = 0.0;  // stock area of the sheets that hold pieces
};

class goal_chain {
public:
    goal_chain(const goal_job& job, uint64_t seed) : job_(job), random_(seed) {}

    void Start(const chain_state& start)
    {
        state_ = start;
        best_ = start.sheets;
        best_area_ = start.area;
    }
    void CopyFrom(const goal_chain& o)
    {
        state_ = o.state_;
        best_ = o.best_;
        best_area_ = o.best_area_;
        done_ = o.done_;
        history_ = o.history_;
        move_count_ = o.move_count_;
    }
    // Moves until its work reaches the target; stops early at the bound or when nothing is left to try.
    void Run(int64_t target)
    {
        while (decoder_.work < target && !done_) Move();
    }
    bool done() const { return done_; }
    double best_area() const { return best_area_; }
    int32_t SheetsSaved(int32_t first) const
    {
        int32_t n = 0;
        for (const goal_sheet& s : best_) n += s.items.empty() ? 0 : 1;
        return first - n;
    }
    const std::vector<goal_sheet>& best() const { return best_; }
    // Orders chains: the best complete solution, then how close the current one is to its goal.
    bool Before(const goal_chain& o) const
    {
        if (best_area_ != o.best_area_) return best_area_ < o.best_area_;
        if (state_.pool_area != o.state_.pool_area) return state_.pool_area < o.state_.pool_area;
        return state_.area < o.state_.area;
    }

private:
    const stock_kind& KindOf(const goal_sheet& s) const { return job_.kinds[static_cast<size_t>(s.kind)]; }
    double Area(int32_t q) const { return job_.piece_area[static_cast<size_t>(q)]; }

    void Move();
    void Complete();
    void Ruin();
    void Recreate();
    // Decodes the sheet, sending what it cannot place to the pool.
    void Settle(goal_sheet& s);
    bool Fits(const goal_sheet& s, int32_t q) const;
    bool TryAppend(goal_sheet& s, int32_t q, uint8_t dir);
    bool TryRelay(goal_sheet& s, int32_t q);
    bool TryOpen(int32_t q);
    void SetUsed(goal_sheet& s) const;

    const goal_job& job_;
    stv::stream_random random_;
    chain_state state_, saved_;
    std::vector<goal_sheet> best_;
    double best_area_ = 0.0;
    bool done_ = false;
    std::vector<double> history_ = std::vector<double>(static_cast<size_t>(kLateAcceptance), 0.0);
    int64_t move_count_ = 0;
    sheet_decoder decoder_;
    std::vector<int32_t> order_, scratch_;
    std::vector<uint8_t> mark_;
    std::vector<double> keys_;
    std::vector<int32_t> candidates_;
};

struct free_extents {
    free_rects free;
    explicit free_extents(const goal_sheet& s) : free(s.free) {}
    void Restore(goal_sheet& s) const { s.free = free; }
};

// Moves the pieces `leaves` picks into `pool`; the others keep their order and genome.
template <class Picked>
void MoveToPool(goal_sheet& s, std::vector<int32_t>& pool, Picked leaves)
{
    size_t kept = 0;
    for (size_t i = 0; i < s.items.size(); ++i) {
        if (leaves(i)) {
            pool.push_back(s.items[i]);
            continue;
        }
        s.items[kept] = s.items[i];
        s.turn[kept] = s.turn[i];
        s.dir[kept] = s.dir[i];
        ++kept;
    }
    s.items.resize(kept);
    s.turn.resize(kept);
    s.dir.resize(kept);
}

void goal_chain::SetUsed(goal_sheet& s) const
{
    s.used = 0.0;
    for (int32_t q : s.items) s.used += Area(q);
}

void goal_chain::Settle(goal_sheet& s)
{
    s.original = -1;
    if (!s.decodable) {
        std::stable_sort(s.items.begin(), s.items.end(), [&](int32_t a, int32_t b) { return Area(a) > Area(b); });
        std::fill(s.turn.begin(), s.turn.end(), uint8_t{0});
        s.decodable = true;
    }
    while (!decoder_.Decode(s, KindOf(s))) {
        MoveToPool(s, state_.pool, [&](size_t i) { return decoder_.Unplaced(i); });
    }
    SetUsed(s);
}

bool goal_chain::Fits(const goal_sheet& s, int32_t q) const
{
    const stock_kind& k = KindOf(s);
    if (!k.loadable[static_cast<size_t>(q)] || !s.decodable) return false;
    const part2d& p = k.loaded[static_cast<size_t>(q)];
    return s.free.MayTake(p.length, p.width, p.may_rotate == 1);
}

bool goal_chain::TryAppend(goal_sheet& s, int32_t q, uint8_t dir)
{
    const free_extents before(s);
    s.items.push_back(q);
    s.turn.push_back(0);
    s.dir.push_back(dir);
    if (decoder_.Decode(s, KindOf(s))) return true;
    s.items.pop_back();
    s.turn.pop_back();
    s.dir.pop_back();
    before.Restore(s);
    return false;
}

bool goal_chain::TryRelay(goal_sheet& s, int32_t q)
{
    // The piece goes where its area puts it among the sheet's pieces, or anywhere, and the sheet is laid
    // out again.
    const double a = Area(q);
    const free_extents before(s);
    const int32_t variant = s.variant;
    for (int32_t attempt = 0; attempt < kRelayTries; ++attempt) {
        size_t at = 0;
        if (attempt == 0)
            while (at < s.items.size() && Area(s.items[at]) >= a) ++at;
        else
            at = static_cast<size_t>(random_.Below(static_cast<int32_t>(s.items.size()) + 1));
        s.items.insert(s.items.begin() + static_cast<std::ptrdiff_t>(at), q);
        // A turn flag turns the piece whatever its grain: only a piece free to turn gets one.
        const bool may_turn = KindOf(s).loaded[static_cast<size_t>(q)].may_rotate == 1;
        s.turn.insert(s.turn.begin() + static_cast<std::ptrdiff_t>(at),
                      static_cast<uint8_t>(attempt == 0 || !may_turn ? 0 : random_.Below(2)));
        s.dir.insert(s.dir.begin() + static_cast<std::ptrdiff_t>(at), static_cast<uint8_t>(random_.Below(2)));
        if (random_.Chance(30)) s.variant ^= 1;
        if (decoder_.Decode(s, KindOf(s))) return true;
        s.variant = variant;
        s.items.erase(s.items.begin() + static_cast<std::ptrdiff_t>(at));
        s.turn.erase(s.turn.begin() + static_cast<std::ptrdiff_t>(at));
        s.dir.erase(s.dir.begin() + static_cast<std::ptrdiff_t>(at));
    }
    before.Restore(s);
    return false;
}

bool goal_chain::TryOpen(int32_t q)
{
    // The smallest stock that takes the piece and keeps the stock area below the best.
    const std::vector<stock2d>& stock = *job_.stock;
    int32_t chosen = -1;
    for (size_t p = 0; p < stock.size(); ++p) {
        if (!state_.stock_free[p]) continue;
        const stock_kind& k = job_.kinds[static_cast<size_t>(job_.kind_of[p])];
        if (!k.loadable[static_cast<size_t>(q)] || state_.area + k.area >= best_area_ - 0.5) continue;
        if (chosen < 0 || k.area < job_.kinds[static_cast<size_t>(job_.kind_of[static_cast<size_t>(chosen)])].area)
            chosen = static_cast<int32_t>(p);
    }
    if (chosen < 0) return false;
    goal_sheet s;
    s.stock = chosen;
    s.kind = job_.kind_of[static_cast<size_t>(chosen)];
    s.items.push_back(q);
    s.turn.push_back(0);
    s.dir.push_back(static_cast<uint8_t>(random_.Below(2)));
    if (!decoder_.Decode(s, KindOf(s))) return false;
    SetUsed(s);
    state_.stock_free[static_cast<size_t>(chosen)] = 0;
    state_.area += KindOf(s).area;
    state_.sheets.push_back(std::move(s));
    return true;
}

void goal_chain::Complete()
{
    int32_t used = 0;
    for (const goal_sheet& s : state_.sheets) used += s.items.empty() ? 0 : 1;
    if (state_.area < best_area_ - 0.5) {
        best_ = state_.sheets;
        best_area_ = state_.area;
    }
    if (used <= 1 || (job_.sheet_bound > 0 && used <= job_.sheet_bound)) {
        done_ = true;
        return;
    }
    // The goal: one sheet fewer. The least used one gives its pieces to the pool.
    int32_t weakest = -1;
    double weakest_use = 0.0;
    for (size_t i = 0; i < state_.sheets.size(); ++i) {
        const goal_sheet& s = state_.sheets[i];
        const double use = s.used / KindOf(s).area;
        if (weakest < 0 || use < weakest_use) {
            weakest = static_cast<int32_t>(i);
            weakest_use = use;
        }
    }
    goal_sheet& w = state_.sheets[static_cast<size_t>(weakest)];
    for (int32_t q : w.items) {
        state_.pool.push_back(q);
        state_.pool_area += Area(q);
    }
    std::fill(history_.begin(), history_.end(), state_.pool_area);
    state_.area -= KindOf(w).area;
    state_.stock_free[static_cast<size_t>(w.stock)] = 1;
    state_.sheets.erase(state_.sheets.begin() + weakest);
}

void goal_chain::Ruin()
{
    const int32_t n = static_cast<int32_t>(state_.sheets.size());
    if (n == 0) return;
    const int32_t count = std::min(n, 1 + random_.Below(kMostRuined));
    for (int32_t r = 0; r < count; ++r) {
        goal_sheet& s = state_.sheets[static_cast<size_t>(random_.Below(n))];
        const int32_t m = static_cast<int32_t>(s.items.size());
        if (m == 0) continue;
        const int32_t take = random_.Chance(10) ? m : 1 + random_.Below(std::min(m, kMostRemoved));
        mark_.assign(static_cast<size_t>(m), 0);
        for (int32_t t = 0; t < take;) {
            const int32_t i = random_.Below(m);
            if (mark_[static_cast<size_t>(i)]) continue;
            mark_[static_cast<size_t>(i)] = 1;
            ++t;
        }
        MoveToPool(s, state_.pool, [&](size_t i) { return mark_[i] != 0; });
        const size_t kept = s.items.size();
        // The rest may also change its layout: laid out afresh, largest first with noise, or a little: two
        // pieces change places, a split or the variant flips.
        if (kept >= 2 && random_.Chance(kReshufflePercent)) {
            keys_.resize(kept);
            order_.resize(kept);
            for (size_t i = 0; i < kept; ++i) {
                keys_[i] = Area(s.items[i]) * (0.7 + 0.6 * (random_.Below(1000) / 1000.0));
                order_[i] = static_cast<int32_t>(i);
            }
            std::stable_sort(order_.begin(), order_.begin() + static_cast<std::ptrdiff_t>(kept),
                             [&](int32_t a, int32_t b) { return keys_[static_cast<size_t>(a)] > keys_[static_cast<size_t>(b)]; });
            scratch_.resize(kept);
            for (size_t i = 0; i < kept; ++i) scratch_[i] = s.items[static_cast<size_t>(order_[i])];
            for (size_t i = 0; i < kept; ++i) {
                s.items[i] = scratch_[i];
                const bool may_turn = KindOf(s).loaded[static_cast<size_t>(s.items[i])].may_rotate == 1;
                s.turn[i] = static_cast<uint8_t>(may_turn ? random_.Below(2) : 0);
                s.dir[i] = static_cast<uint8_t>(random_.Below(2));
            }
            s.variant = random_.Below(2);
        } else if (kept >= 2 && random_.Chance(kPerturbPercent)) {
            const size_t i = static_cast<size_t>(random_.Below(static_cast<int32_t>(kept)));
            const size_t j = static_cast<size_t>(random_.Below(static_cast<int32_t>(kept)));
            std::swap(s.items[i], s.items[j]);
            std::swap(s.turn[i], s.turn[j]);
            std::swap(s.dir[i], s.dir[j]);
        }
        if (kept >= 1 && random_.Chance(kPerturbPercent / 2))
            s.dir[static_cast<size_t>(random_.Below(static_cast<int32_t>(kept)))] ^= 1;
        if (random_.Chance(kPerturbPercent / 3)) s.variant ^= 1;
        Settle(s);
    }
}

void goal_chain::Recreate()
{
    // Largest first, by one of a few measures, with a little noise so that equal pieces change places.
    const int32_t key = random_.Below(4);
    scratch_.swap(state_.pool);
    state_.pool.clear();
    order_.resize(scratch_.size());
    std::iota(order_.begin(), order_.end(), 0);
    auto measure = [&](int32_t q) -> double {
        const part2d& p = (*job_.pieces)[static_cast<size_t>(q)];
        switch (key) {
        case 1:
            return std::max(p.length, p.width);
        case 2:
            return p.length + p.width;
        case 3:
            return std::min(p.length, p.width);
        default:
            return Area(q);
        }
    };
    std::vector<double>& keys = keys_;
    keys.resize(scratch_.size());
    for (size_t i = 0; i < scratch_.size(); ++i)
        keys[i] = measure(scratch_[i]) * (1.0 + 0.1 * (random_.Below(1000) / 1000.0));
    std::stable_sort(order_.begin(), order_.end(), [&](int32_t a, int32_t b) {
        return keys[static_cast<size_t>(a)] > keys[static_cast<size_t>(b)];
    });

    const int32_t n = static_cast<int32_t>(state_.sheets.size());
    for (int32_t o : order_) {
        const int32_t q = scratch_[static_cast<size_t>(o)];
        const double a = Area(q);
        // Best fit over the free rectangles: the fullest sheet that takes it. An empty sheet counts as
        // opened again.
        candidates_.clear();
        for (int32_t i = 0; i < n; ++i) {
            const goal_sheet& s = state_.sheets[static_cast<size_t>(i)];
            const stock_kind& k = KindOf(s);
            if (s.items.empty() && state_.area + k.area >= best_area_ - 0.5) continue;
            if (!Fits(s, q) || s.used + a > k.area) continue;
            candidates_.push_back(i);
        }
        std::stable_sort(candidates_.begin(), candidates_.end(), [&](int32_t x, int32_t y) {
            const goal_sheet& sx = state_.sheets[static_cast<size_t>(x)];
            const goal_sheet& sy = state_.sheets[static_cast<size_t>(y)];
            return (sx.used + a) / KindOf(sx).area > (sy.used + a) / KindOf(sy).area;
        });
        bool placed = false;
        for (int32_t i : candidates_) {
            if (random_.Chance(5)) continue;
            goal_sheet& s = state_.sheets[static_cast<size_t>(i)];
            const bool opened = s.items.empty();
            if (!TryAppend(s, q, static_cast<uint8_t>(random_.Below(2)))) continue;
            if (opened) state_.area += KindOf(s).area;
            s.original = -1;
            SetUsed(s);
            placed = true;
            break;
        }
        if (!placed) {
            // No free rectangle takes it: a few sheets with room enough lay themselves out again around it.
            candidates_.clear();
            for (int32_t i = 0; i < n; ++i) {
                const goal_sheet& s = state_.sheets[static_cast<size_t>(i)];
                const stock_kind& k = KindOf(s);
                if (!s.items.empty() && s.decodable && k.loadable[static_cast<size_t>(q)] && s.used + a <= k.area)
                    candidates_.push_back(i);
            }
            for (int32_t tries = 0; tries < kMostRelaid && !placed && !candidates_.empty(); ++tries) {
                const int32_t pick = random_.Below(static_cast<int32_t>(candidates_.size()));
                goal_sheet& s = state_.sheets[static_cast<size_t>(candidates_[static_cast<size_t>(pick)])];
                candidates_.erase(candidates_.begin() + pick);
                placed = TryRelay(s, q);
                if (placed) {
                    s.original = -1;
                    SetUsed(s);
                }
            }
        }
        if (!placed && job_.may_open) placed = TryOpen(q);
        if (!placed) state_.pool.push_back(q);
    }
    state_.pool_area = 0.0;
    for (int32_t q : state_.pool) state_.pool_area += Area(q);
}

void goal_chain::Move()
{
    ++decoder_.work;
    if (state_.pool.empty()) {
        Complete();
        if (done_) return;
    }
    saved_ = state_;
    Ruin();
    // The ruined sheets no longer count as stock while empty.
    state_.area = 0.0;
    for (const goal_sheet& s : state_.sheets)
        if (!s.items.empty()) state_.area += KindOf(s).area;
    Recreate();
    state_.area = 0.0;
    for (const goal_sheet& s : state_.sheets)
        if (!s.items.empty()) state_.area += KindOf(s).area;
    const double tolerance = 1e-9 * (saved_.pool_area + 1.0);
    const size_t slot = static_cast<size_t>(move_count_++ % history_.size());
    const bool accept = state_.pool_area < saved_.pool_area - tolerance ||
                        (state_.pool_area <= saved_.pool_area + tolerance && state_.area <= saved_.area + 0.5) ||
                        state_.pool_area < history_[slot] - tolerance;
    history_[slot] = accept ? state_.pool_area : saved_.pool_area;
    if (!accept) {
        std::swap(state_, saved_);
        return;
    }

    for (size_t i = state_.sheets.size(); i-- > 0;) {
        if (!state_.sheets[i].items.empty()) continue;
        state_.stock_free[static_cast<size_t>(state_.sheets[i].stock)] = 1;
        state_.sheets.erase(state_.sheets.begin() + static_cast<std::ptrdiff_t>(i));
    }
}

}  // namespace

bool GoalDrivenSearch(std::vector<std::unique_ptr<Chromosome>>& sheets, const std::vector<part2d>& pieces,
                      const std::vector<stock2d>& stock, const repack_rules& rules, const goal_settings& settings)
{
    if (sheets.size() < 2 || settings.work <= 0 || rules.strategy != sheet_strategy::guillotine) return false;
    const auto start = std::chrono::steady_clock::now();
    goal_job job;
    job.pieces = &pieces;
    job.stock = &stock;
    job.sheet_bound = settings.sheet_bound;
    job.kind_of.assign(stock.size(), -1);
    std::vector<int32_t> kind_first;
    TCutSingleSheet2D single;
    for (size_t p = 0; p < stock.size(); ++p) {
        for (size_t k = 0; k < kind_first.size() && job.kind_of[p] < 0; ++k)
            if (StocksIdentical(stock[static_cast<size_t>(kind_first[k])], stock[p])) job.kind_of[p] = static_cast<int32_t>(k);
        if (job.kind_of[p] >= 0) continue;
        job.kind_of[p] = static_cast<int32_t>(kind_first.size());
        kind_first.push_back(static_cast<int32_t>(p));
        const stock2d& s = stock[p];
        stock_kind kind;
        ConfigureSheetSearch(single, s, rules, 0, 1);
        kind.geometry = single.GuillotineGeometry();
        kind.area = static_cast<double>(s.length) * s.width;
        kind.loaded.resize(pieces.size());
        kind.loadable.assign(pieces.size(), 0);
        for (size_t q = 0; q < pieces.size(); ++q) {
            const part2d& piece = pieces[q];
            if (piece.length <= 0 || piece.width <= 0) continue;
            const sheet_loading loading =
                LoadingOnSheet(s, piece, rules.kerf, rules.length_breakage, rules.width_breakage);
            kind.loaded[q] = loading.piece;
            kind.loadable[q] = loading.load ? 1 : 0;
        }
        job.kinds.push_back(std::move(kind));
    }
    job.may_open = true;
    for (const stock2d& s : stock) job.may_open = job.may_open && s.priority == stock.front().priority;
    job.piece_area.resize(pieces.size());
    for (size_t q = 0; q < pieces.size(); ++q) {
        job.piece_area[q] = static_cast<double>(pieces[q].length) * pieces[q].width;
    }

    std::vector<int32_t> stock_position(stock.size(), -1), piece_position(pieces.size(), -1);
    for (size_t p = 0; p < stock.size(); ++p) stock_position[static_cast<size_t>(stock[p].index)] = static_cast<int32_t>(p);
    for (size_t p = 0; p < pieces.size(); ++p) piece_position[static_cast<size_t>(pieces[p].index)] = static_cast<int32_t>(p);

    // The construction's sheets, each with a genome that lays all its pieces out where one is found.
    chain_state first;
    first.stock_free.assign(stock.size(), 1);
    sheet_decoder decoder;
    for (size_t i = 0; i < sheets.size(); ++i) {
        const Chromosome& c = *sheets[i];
        goal_sheet s;
        s.stock = stock_position[static_cast<size_t>(c.stock_index)];
        s.kind = job.kind_of[static_cast<size_t>(s.stock)];
        s.original = static_cast<int32_t>(i);
        const stock_kind& kind = job.kinds[static_cast<size_t>(s.kind)];
        for (const placed_piece2d& pp : c.pieces) {
            const int32_t q = piece_position[static_cast<size_t>(pp.piece_index)];
            s.items.push_back(q);
            const part2d& loaded = kind.loaded[static_cast<size_t>(q)];
            s.turn.push_back(loaded.may_rotate == 1 ? static_cast<uint8_t>((pp.turned ^ loaded.turned) & 1) : uint8_t{0});
            s.dir.push_back(0);
            s.used += job.piece_area[static_cast<size_t>(q)];
        }
        bool laid = false;
        for (int32_t attempt = 0; attempt < 4 && !laid; ++attempt) {
            if (attempt == 2) {
                std::stable_sort(s.items.begin(), s.items.end(), [&](int32_t a, int32_t b) {
                    return job.piece_area[static_cast<size_t>(a)] > job.piece_area[static_cast<size_t>(b)];
                });
                std::fill(s.turn.begin(), s.turn.end(), uint8_t{0});
            }
            s.variant = attempt % 2;
            laid = decoder.Decode(s, kind);
        }
        if (!laid) {
            s.decodable = false;
            s.free.Clear();
        }
        first.stock_free[static_cast<size_t>(s.stock)] = 0;
        first.area += kind.area;
        first.sheets.push_back(std::move(s));
    }
    const double first_area = first.area;

    std::vector<std::unique_ptr<goal_chain>> chains;
    for (int32_t c = 0; c < kChains; ++c) {
        chains.push_back(std::make_unique<goal_chain>(job, (uint64_t{settings.seed} << 32) ^ (0xC0FFEEull + uint64_t(c))));
        chains.back()->Start(first);
    }
    const int32_t threads = std::clamp(settings.threads, 1, kChains);
    for (int64_t done = 0; done < settings.work;) {
        const int64_t epoch = done + std::min<int64_t>(kEpoch, settings.work - done);
        if (threads > 1) {
            std::vector<std::thread> helpers;
            for (int32_t t = 1; t < threads; ++t)
                helpers.emplace_back([&, t] {
                    for (int32_t c = t; c < kChains; c += threads) chains[static_cast<size_t>(c)]->Run(epoch);
                });
            for (int32_t c = 0; c < kChains; c += threads) chains[static_cast<size_t>(c)]->Run(epoch);
            for (std::thread& h : helpers) h.join();
        } else {
            for (auto& chain : chains) chain->Run(epoch);
        }
        done = epoch;
        size_t lead = 0;
        for (size_t c = 1; c < chains.size(); ++c)
            if (chains[c]->Before(*chains[lead])) lead = c;
        bool finished = chains[lead]->done();
        if (settings.on_epoch) settings.on_epoch(done, chains[lead]->SheetsSaved(static_cast<int32_t>(sheets.size())));
        for (size_t c = 0; c < chains.size(); ++c)
            if (c != lead) chains[c]->CopyFrom(*chains[lead]);
        if (finished) break;
        if (settings.stop && settings.stop->load()) break;
        if (settings.time_limit > 0.0 &&
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() >= settings.time_limit)
            break;
    }

    const goal_chain& winner = *chains.front();
    if (winner.best_area() >= first_area - 0.5) return false;
    std::vector<std::unique_ptr<Chromosome>> out;
    std::vector<int32_t> priority;
    for (const goal_sheet& s : winner.best()) {
        if (s.items.empty()) continue;
        if (s.original >= 0) {
            out.push_back(std::make_unique<Chromosome>(*sheets[static_cast<size_t>(s.original)]));
            continue;
        }
        const stock_kind& kind = job.kinds[static_cast<size_t>(s.kind)];
        const stock2d& st = stock[static_cast<size_t>(s.stock)];
        ConfigureSheetSearch(single, st, rules, 0, 1);
        single.ClearPieces();
        priority.clear();
        for (int32_t q : s.items) {
            single.LoadPiece(kind.loaded[static_cast<size_t>(q)]);
            priority.push_back(pieces[static_cast<size_t>(q)].priority);
        }
        single.RunGenome(s.turn, s.dir, s.variant);
        if (single.Layout().pieces.size() != s.items.size()) return false;
        out.push_back(SheetFromLayout(single, st.index, priority, rules.minimal_useful_size));
    }
    sheets = std::move(out);
    return true;
}

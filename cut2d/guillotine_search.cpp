#include "guillotine_search.h"

#include <algorithm>
#include <numeric>

#include "util/random.h"
#include "util/tolerance.h"

namespace {

int32_t RemnantExtent(const Cut2DXChromosomeGuillotine& a, const Cut2DXChromosomeGuillotine& of)
{
    if (a.length > a.width) return of.used_length;
    if (a.length < a.width) return of.used_width;
    return std::min(of.used_length, of.used_width);
}

// -1: a first; 1: b first; 0: equal, for a "larger is better" double within 0.01.
int LargerFirst(double a, double b)
{
    int c = stv::CompareWithin(a, b, 0.01);
    return c == 0 ? 0 : (c > 0 ? -1 : 1);
}

}  // namespace

bool GuillotineSearch::Better(const Cut2DXChromosomeGuillotine& a, const Cut2DXChromosomeGuillotine& b)
{
    const int32_t common = std::min(a.profile_count, b.profile_count);
    for (int32_t i = 0; i < common; ++i) {
        const size_t s = static_cast<size_t>(i);
        if (a.profile_key[s] != b.profile_key[s]) return a.profile_key[s] < b.profile_key[s];
        int c = stv::CompareWithin(a.profile_area[s], b.profile_area[s], 0.01);
        if (c != 0) return c > 0;
    }
    if (a.remnant_rule) {
        const int32_t ea = RemnantExtent(a, a), eb = RemnantExtent(a, b);
        if (ea != eb) return ea < eb;
    }
    if (a.rect_count != b.rect_count) return a.rect_count < b.rect_count;
    int c = LargerFirst(a.waste.largest, b.waste.largest);
    if (c == 0) c = LargerFirst(a.waste.second, b.waste.second);
    if (c == 0) c = LargerFirst(a.waste.third, b.waste.third);
    return c < 0;
}

int GuillotineSearch::SortOrder(const Cut2DXChromosomeGuillotine& a, const Cut2DXChromosomeGuillotine& b)
{
    if (a.profile_count == 0 || b.profile_count == 0) return 0;
    if (a.profile_key[0] != b.profile_key[0]) return a.profile_key[0] > b.profile_key[0] ? -1 : 1;
    int c = LargerFirst(a.profile_area[0], b.profile_area[0]);
    if (c != 0) return c;
    if (a.remnant_rule) {
        const int32_t ea = RemnantExtent(a, a), eb = RemnantExtent(a, b);
        if (ea != eb) return ea < eb ? -1 : 1;
    }
    c = LargerFirst(a.waste.largest, b.waste.largest);
    if (c == 0) c = LargerFirst(a.waste.second, b.waste.second);
    if (c == 0) c = LargerFirst(a.waste.third, b.waste.third);
    if (c != 0) return c;
    if (a.rect_count != b.rect_count) return a.rect_count < b.rect_count ? -1 : 1;
    return 0;
}

void GuillotineSearch::Evaluate(Cut2DXChromosomeGuillotine& ind) { DecodeGuillotine(ind, input_, *geometry_); }

void GuillotineSearch::Run(const std::vector<part2d>& selected, int32_t piece_bound, const sheet_geometry& geometry,
                           const guillotine_search_config& config, const std::function<void()>& on_generation)
{
    pieces_ = &selected;
    geometry_ = &geometry;
    const int32_t n = static_cast<int32_t>(selected.size());
    const int32_t c = std::max(config.iterations, 1);
    const int32_t population = 4 * c;
    const int32_t parents = 2 * c;
    const int32_t elite = std::min(parents, 5);
    input_.Build(selected, std::max(piece_bound, 1));

    if (static_cast<int32_t>(storage_.size()) < population) storage_.resize(static_cast<size_t>(population));
    slot_.resize(static_cast<size_t>(population));
    std::iota(slot_.begin(), slot_.end(), 0);
    sort_buffer_.resize(static_cast<size_t>(population));
    for (int32_t i = 0; i < population; ++i) {
        Cut2DXChromosomeGuillotine& ind = storage_[static_cast<size_t>(i)];
        ind.Size(n, input_.bound, input_.group_count());
        ind.length = geometry.length;
        ind.width = geometry.width;
        ind.remnant_rule = config.remnant_rule ? 1 : 0;
    }
    best_.Size(n, input_.bound, input_.group_count());
    best_.length = geometry.length;
    best_.width = geometry.width;
    best_.remnant_rule = config.remnant_rule ? 1 : 0;

    stop_ = false;
    stv::RandomSeed(config.seed);
    InitialiseParents(config);
    for (int32_t i = 0; i < parents; ++i) Evaluate(At(i));

    improved_ = true;
    int32_t first = 0;
    for (int32_t i = 1; i < parents; ++i)
        if (Better(At(i), At(first))) first = i;
    best_.CopyFrom(At(first));

    for (;;) {
        if (best_.waste.total <= 0.0001) break;
        if (on_generation) on_generation();
        if (stop_) break;
        for (int32_t i = 0; i < parents; ++i) {
            const int32_t child_pos = population - 1 - i;
            Cut2DXChromosomeGuillotine& child = At(child_pos);
            child.CopyGenomeFrom(At(i));
            Mutate(child, i, config.mutation_rate);
            Evaluate(child);
            if (i < elite && Better(child, At(i))) std::swap(slot_[static_cast<size_t>(i)], slot_[static_cast<size_t>(child_pos)]);
        }
        SortRange(elite, population - elite);
        int32_t gen_best = 0;
        const int32_t last = elite < parents ? elite : elite - 1;
        for (int32_t i = 1; i <= last; ++i)
            if (Better(At(i), At(gen_best))) gen_best = i;
        if (Better(At(gen_best), best_)) {
            best_.CopyFrom(At(gen_best));
            improved_ = true;
        } else {
            improved_ = false;
        }
    }
    stop_ = true;
}

void GuillotineSearch::SortRange(int32_t from, int32_t to)
{
    // Stable merge sort of the slots in [from, to): the order tolerates ties within its tolerances.
    if (to - from < 2) return;
    int32_t* a = slot_.data();
    int32_t* buf = sort_buffer_.data();
    for (int32_t width = 1; width < to - from; width *= 2) {
        for (int32_t lo = from; lo < to; lo += 2 * width) {
            const int32_t mid = std::min(lo + width, to), hi = std::min(lo + 2 * width, to);
            int32_t i = lo, j = mid, k = lo;
            while (i < mid && j < hi) {
                const auto& x = storage_[static_cast<size_t>(a[j])];
                const auto& y = storage_[static_cast<size_t>(a[i])];
                if (SortOrder(x, y) < 0)
                    buf[k++] = a[j++];
                else
                    buf[k++] = a[i++];
            }
            while (i < mid) buf[k++] = a[i++];
            while (j < hi) buf[k++] = a[j++];
        }
        std::copy(buf + from, buf + to, a + from);
    }
}

void GuillotineSearch::InitialiseParents(const guillotine_search_config& config)
{
    const std::vector<part2d>& P = *pieces_;
    const int32_t n = static_cast<int32_t>(P.size());
    const int32_t parents = 2 * std::max(config.iterations, 1);
    static const char kByStrategy[5] = {'A', 'B', 'C', 'D', 'E'};
    for (int32_t i = 0; i < parents; i += 2) {
        Cut2DXChromosomeGuillotine& ind = At(i);
        ind.variant = 0;
        std::iota(ind.order.begin(), ind.order.end(), 0);
        if (i <= 4) {
            for (int32_t j = 0; j < n; ++j) {
                const part2d& p = P[static_cast<size_t>(j)];
                ind.turn[static_cast<size_t>(j)] = (p.may_rotate != 0 && p.length < p.width) ? 1 : 0;
                ind.direction[static_cast<size_t>(j)] = static_cast<uint8_t>(stv::RandomDraw() % 2);
            }
            char which = 'A';
            if (i == 0)
                which = config.iterations <= 1 ? kByStrategy[std::clamp(config.strategy_index, 0, 4)] : 'A';
            else if (i == 2)
                which = 'C';
            else
                which = 'E';
            InitialOrder(ind, which);
        } else {
            for (int32_t j = 0; j < n; ++j) {
                const part2d& p = P[static_cast<size_t>(j)];
                ind.turn[static_cast<size_t>(j)] = p.may_rotate == 1 ? static_cast<uint8_t>(stv::RandomDraw() % 2) : 0;
                ind.direction[static_cast<size_t>(j)] = static_cast<uint8_t>(stv::RandomDraw() % 2);
            }
            RandomRunOrder(ind);
        }
        ind.RecomputeRuns(P);
        Cut2DXChromosomeGuillotine& twin = At(i + 1);
        twin.CopyGenomeFrom(ind);
        twin.variant = 1;
    }
}

void GuillotineSearch::InitialOrder(Cut2DXChromosomeGuillotine& ind, char which)
{
    const std::vector<part2d>& P = *pieces_;
    auto piece = [&](int32_t i) -> const part2d& { return P[static_cast<size_t>(i)]; };
    auto area = [&](int32_t i) { return int64_t{piece(i).length} * piece(i).width; };
    auto head = [&](int32_t a, int32_t b, int& c) {
        const part2d& x = piece(a);
        const part2d& y = piece(b);
        if (x.priority != y.priority) { c = x.priority < y.priority ? -1 : 1; return true; }
        if (x.fit_count != y.fit_count) { c = x.fit_count < y.fit_count ? -1 : 1; return true; }
        return false;
    };
    if (which == 'A' || which == 'D' || which == 'E') {
        std::stable_sort(ind.order.begin(), ind.order.end(), [&](int32_t a, int32_t b) {
            int c = 0;
            if (head(a, b, c)) return c < 0;
            const part2d& x = piece(a);
            const part2d& y = piece(b);
            if (which == 'A') return area(a) > area(b);
            if (which == 'D') return std::max(x.length, x.width) > std::max(y.length, y.width);
            return std::min(x.length, x.width) > std::min(y.length, y.width);
        });
        return;
    }
    // B and C: runs of identical pieces inside each priority group, sorted as whole blocks.
    const int32_t n = static_cast<int32_t>(P.size());
    scratch_order_.clear();
    for (int32_t g = 0; g < input_.group_count(); ++g) {
        run_start_.clear();
        run_length_.clear();
        for (int32_t i = input_.group_start[static_cast<size_t>(g)]; i < input_.group_end[static_cast<size_t>(g)]; ++i) {
            if (!run_start_.empty()) {
                const part2d& f = piece(run_start_.back());
                if (f.length == piece(i).length && f.width == piece(i).width) {
                    ++run_length_.back();
                    continue;
                }
            }
            run_start_.push_back(i);
            run_length_.push_back(1);
        }
        std::vector<int32_t> runs(run_start_.size());
        std::iota(runs.begin(), runs.end(), 0);
        std::stable_sort(runs.begin(), runs.end(), [&](int32_t a, int32_t b) {
            const int64_t ra = area(run_start_[static_cast<size_t>(a)]) * run_length_[static_cast<size_t>(a)];
            const int64_t rb = area(run_start_[static_cast<size_t>(b)]) * run_length_[static_cast<size_t>(b)];
            if (which == 'B' && run_length_[static_cast<size_t>(a)] != run_length_[static_cast<size_t>(b)])
                return run_length_[static_cast<size_t>(a)] > run_length_[static_cast<size_t>(b)];
            return ra > rb;
        });
        for (int32_t r : runs)
            for (int32_t j = 0; j < run_length_[static_cast<size_t>(r)]; ++j)
                scratch_order_.push_back(run_start_[static_cast<size_t>(r)] + j);
    }
    if (static_cast<int32_t>(scratch_order_.size()) == n) std::copy(scratch_order_.begin(), scratch_order_.end(), ind.order.begin());
}

void GuillotineSearch::RandomRunOrder(Cut2DXChromosomeGuillotine& ind)
{
    const std::vector<part2d>& P = *pieces_;
    scratch_order_.clear();
    for (int32_t g = 0; g < input_.group_count(); ++g) {
        run_start_.clear();
        run_length_.clear();
        for (int32_t i = input_.group_start[static_cast<size_t>(g)]; i < input_.group_end[static_cast<size_t>(g)]; ++i) {
            if (!run_start_.empty()) {
                const part2d& f = P[static_cast<size_t>(run_start_.back())];
                if (f.length == P[static_cast<size_t>(i)].length && f.width == P[static_cast<size_t>(i)].width) {
                    ++run_length_.back();
                    continue;
                }
            }
            run_start_.push_back(i);
            run_length_.push_back(1);
        }
        const int32_t runs = static_cast<int32_t>(run_start_.size());
        if (runs > 1) {
            const int64_t swaps = int64_t{runs} * (runs - 1) / 2;
            for (int64_t s = 0; s < swaps; ++s) {
                const size_t j = static_cast<size_t>(stv::RandomDraw() % (runs - 1));
                std::swap(run_start_[j], run_start_[j + 1]);
                std::swap(run_length_[j], run_length_[j + 1]);
            }
        }
        for (int32_t r = 0; r < runs; ++r)
            for (int32_t j = 0; j < run_length_[static_cast<size_t>(r)]; ++j)
                scratch_order_.push_back(run_start_[static_cast<size_t>(r)] + j);
    }
    if (scratch_order_.size() == ind.order.size()) std::copy(scratch_order_.begin(), scratch_order_.end(), ind.order.begin());
}

void GuillotineSearch::Mutate(Cut2DXChromosomeGuillotine& child, int32_t parent_index, double rate)
{
    const std::vector<part2d>& P = *pieces_;
    const int32_t n = static_cast<int32_t>(P.size());
    if (n == 0) return;
    const int32_t moves = static_cast<int32_t>(n * rate) + 1;
    for (int32_t m = 0; m < moves; ++m) {
        if (parent_index > 9 && input_.group_count() > 0) {
            const int32_t g = stv::RandomDraw() % input_.group_count();
            const int32_t start = input_.group_start[static_cast<size_t>(g)];
            const int32_t size = input_.group_end[static_cast<size_t>(g)] - start;
            const int32_t q1 = stv::RandomDraw() % size;
            int32_t q2 = stv::RandomDraw() % size;
            if (!input_.group_identical[static_cast<size_t>(g)]) {
                const part2d& ref = P[static_cast<size_t>(start + q1)];
                auto differs = [&](int32_t q) {
                    const part2d& p = P[static_cast<size_t>(start + q)];
                    return p.length != ref.length || p.width != ref.width;
                };
                int32_t found = -1;
                for (int32_t q = q2; q < size && found < 0; ++q)
                    if (differs(q)) found = q;
                for (int32_t q = q2; q >= 0 && found < 0; --q)
                    if (differs(q)) found = q;
                if (found >= 0) q2 = found;
            }
            std::swap(child.order[static_cast<size_t>(start + q1)], child.order[static_cast<size_t>(start + q2)]);
        }
        const int32_t t = stv::RandomDraw() % n;
        if (P[static_cast<size_t>(t)].may_rotate == 1) child.turn[static_cast<size_t>(t)] ^= 1;
        const int32_t d = stv::RandomDraw() % n;
        child.direction[static_cast<size_t>(d)] ^= 1;
    }
    child.RecomputeRuns(P);
}

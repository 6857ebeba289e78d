#include "genome_ops.h"

#include <algorithm>
#include <numeric>

#include "util/random.h"

void genome_operators::Bind(const std::vector<part2d>& pieces, const decode_input& input, equal_keys equal)
{
    pieces_ = &pieces;
    input_ = &input;
    equal_ = equal;
    const size_t n = pieces.size();
    run_start_.reserve(n);
    run_length_.reserve(n);
    runs_.reserve(n);
    scratch_.reserve(n);
}

void genome_operators::FormRuns(int32_t g)
{
    const std::vector<part2d>& P = *pieces_;
    run_start_.clear();
    run_length_.clear();
    for (int32_t i = input_->group_start[static_cast<size_t>(g)]; i < input_->group_end[static_cast<size_t>(g)]; ++i) {
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
}

void genome_operators::Initialise(Cut2DXChromosomeGuillotine& ind, int32_t i, int32_t iterations,
                                  int32_t strategy_index)
{
    const std::vector<part2d>& P = *pieces_;
    const size_t n = P.size();
    static const char kByStrategy[5] = {'A', 'B', 'C', 'D', 'E'};
    std::iota(ind.order.begin(), ind.order.end(), 0);
    if (i <= 4) {
        for (size_t j = 0; j < n; ++j) {
            const part2d& p = P[j];
            ind.turn[j] = (p.may_rotate != 0 && p.length < p.width) ? 1 : 0;
            ind.direction[j] = static_cast<uint8_t>(stv::RandomDraw() % 2);
        }
        char which = 'E';
        if (i == 0)
            which = iterations <= 1 ? kByStrategy[std::clamp(strategy_index, 0, 4)] : 'A';
        else if (i == 2)
            which = 'C';
        InitialOrder(ind, which);
    } else {
        for (size_t j = 0; j < n; ++j) {
            ind.turn[j] = P[j].may_rotate == 1 ? static_cast<uint8_t>(stv::RandomDraw() % 2) : 0;
            ind.direction[j] = static_cast<uint8_t>(stv::RandomDraw() % 2);
        }
        RandomRunOrder(ind);
    }
    ind.RecomputeRuns(P);
}

void genome_operators::InitialOrder(Cut2DXChromosomeGuillotine& ind, char which)
{
    const std::vector<part2d>& P = *pieces_;
    auto piece = [&](int32_t i) -> const part2d& { return P[static_cast<size_t>(i)]; };
    auto area = [&](int32_t i) { return int64_t{piece(i).length} * piece(i).width; };
    if (which == 'A' || which == 'D' || which == 'E') {
        auto before = [&](int32_t a, int32_t b) {
            const part2d& x = piece(a);
            const part2d& y = piece(b);
            if (x.priority != y.priority) return x.priority < y.priority;
            if (x.fit_count != y.fit_count) return x.fit_count < y.fit_count;
            if (which == 'A') return area(a) > area(b);
            if (which == 'D') return std::max(x.length, x.width) > std::max(y.length, y.width);
            return std::min(x.length, x.width) > std::min(y.length, y.width);
        };
        if (equal_ == equal_keys::keep_order)
            std::stable_sort(ind.order.begin(), ind.order.end(), before);
        else
            std::sort(ind.order.begin(), ind.order.end(), before);
        return;
    }
    // B and C move whole runs of identical pieces inside each priority group.
    scratch_.clear();
    for (int32_t g = 0; g < input_->group_count(); ++g) {
        FormRuns(g);
        runs_.resize(run_start_.size());
        std::iota(runs_.begin(), runs_.end(), 0);
        auto run_area = [&](int32_t r) {
            return area(run_start_[static_cast<size_t>(r)]) * run_length_[static_cast<size_t>(r)];
        };
        // Bubbling whole runs past each other only on a strict difference is a stable sort of the runs,
        // larger first: by (count, area) for B, by area for C.
        std::stable_sort(runs_.begin(), runs_.end(), [&](int32_t a, int32_t b) {
            const int32_t la = run_length_[static_cast<size_t>(a)], lb = run_length_[static_cast<size_t>(b)];
            return (which == 'B' && la != lb) ? la > lb : run_area(a) > run_area(b);
        });
        for (int32_t r : runs_)
            for (int32_t j = 0; j < run_length_[static_cast<size_t>(r)]; ++j)
                scratch_.push_back(run_start_[static_cast<size_t>(r)] + j);
    }
    if (scratch_.size() == ind.order.size()) std::copy(scratch_.begin(), scratch_.end(), ind.order.begin());
}

void genome_operators::RandomRunOrder(Cut2DXChromosomeGuillotine& ind)
{
    scratch_.clear();
    for (int32_t g = 0; g < input_->group_count(); ++g) {
        FormRuns(g);
        const int32_t runs = static_cast<int32_t>(run_start_.size());
        if (shuffle_runs_ && runs > 1) {
            // The draws give 15 bits each.
            for (int32_t r = runs - 1; r > 0; --r) {
                const int32_t draw = stv::RandomDraw() << 15 | stv::RandomDraw();
                const size_t j = static_cast<size_t>(draw % (r + 1));
                std::swap(run_start_[static_cast<size_t>(r)], run_start_[j]);
                std::swap(run_length_[static_cast<size_t>(r)], run_length_[j]);
            }
        } else if (runs > 1) {
            const int64_t swaps = int64_t{runs} * (runs - 1) / 2;
            for (int64_t s = 0; s < swaps; ++s) {
                const size_t j = static_cast<size_t>(stv::RandomDraw() % (runs - 1));
                std::swap(run_start_[j], run_start_[j + 1]);
                std::swap(run_length_[j], run_length_[j + 1]);
            }
        }
        for (int32_t r = 0; r < runs; ++r)
            for (int32_t j = 0; j < run_length_[static_cast<size_t>(r)]; ++j)
                scratch_.push_back(run_start_[static_cast<size_t>(r)] + j);
    }
    if (scratch_.size() == ind.order.size()) std::copy(scratch_.begin(), scratch_.end(), ind.order.begin());
}

void genome_operators::Mutate(Cut2DXChromosomeGuillotine& child, int32_t parent_index, int32_t swap_after,
                              double rate)
{
    const std::vector<part2d>& P = *pieces_;
    const int32_t n = static_cast<int32_t>(P.size());
    if (n == 0) return;
    const int32_t moves = static_cast<int32_t>(n * rate) + 1;
    for (int32_t m = 0; m < moves; ++m) {
        if (parent_index > swap_after && input_->group_count() > 0) {
            const int32_t g = stv::RandomDraw() % input_->group_count();
            const int32_t start = input_->group_start[static_cast<size_t>(g)];
            const int32_t size = input_->group_end[static_cast<size_t>(g)] - start;
            const int32_t q1 = stv::RandomDraw() % size;
            int32_t q2 = stv::RandomDraw() % size;
            if (!input_->group_identical[static_cast<size_t>(g)]) {
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

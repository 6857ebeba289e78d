#include "cut1d/bin_completion.h"

#include <algorithm>
#include <limits>

namespace {

// A node offers at most this many completions of its bar; more would only deepen a hopeless search.
constexpr size_t kMaxCompletions = 4000;
// Sums the pieces reach are kept in bit rows while the table stays this small.
constexpr size_t kMaxReachWords = 1 << 20;
constexpr double kPriceTolerance = 1e-7;

class Packer {
public:
    Packer(const BinCompletionJob& job, int64_t& work)
        : w_(job.weights), count_(job.counts), capacity_(job.capacity), binsLeft_(job.bins), work_(work),
          limit_(work + job.workLimit)
    {
        const size_t n = w_.size();
        int64_t total = 0;
        for (size_t i = 0; i < n; ++i) total += w_[i] * count_[i];
        budget_ = static_cast<int64_t>(job.bins) * capacity_ - total;
        price_ = job.prices.size() == n ? job.prices : std::vector<double>(n, 0.0);
        priceBudget_ = job.bins;
        for (size_t i = 0; i < n; ++i) priceBudget_ -= price_[i] * count_[i];
        ratio_.assign(n + 1, 0.0);
        taken_.assign(n, 0);
        suffix_.assign(n + 1, 0);
        levels_.resize(static_cast<size_t>(std::max(job.bins, 0)));
        chosen_.assign(levels_.size(), 0);
        const auto words = static_cast<size_t>(capacity_ / 64 + 1);
        if ((n + 1) * words <= kMaxReachWords) {
            words_ = words;
            reach_.assign((n + 1) * words, 0);
        }
    }

    bool Impossible() const { return impossible_; }

    std::vector<std::vector<int32_t>> Run()
    {
        std::vector<std::vector<int32_t>> bins;
        if (budget_ < 0 || priceBudget_ < -kPriceTolerance) {
            impossible_ = true;  // not even their length (or their worth) fits
            return bins;
        }
        if (!Search(0, 0)) {
            impossible_ = work_ <= limit_ && !capped_;
            return bins;
        }
        for (size_t d = 0; d < depth_; ++d) {
            const Level& level = levels_[d];
            std::vector<int32_t> counts(w_.size(), 0);
            ++counts[level.first];
            const size_t c = chosen_[d];
            for (int32_t k = level.starts[c]; k < level.starts[c + 1]; k += 2)
                counts[static_cast<size_t>(level.flat[static_cast<size_t>(k)])] += level.flat[static_cast<size_t>(k) + 1];
            bins.push_back(std::move(counts));
        }
        return bins;
    }

private:
    // The completions of one bar: (type, count) pairs, one run per completion.
    struct Level {
        size_t first = 0;  // the type of the piece that opens the bar
        std::vector<int32_t> flat;
        std::vector<int32_t> starts;
        std::vector<int64_t> waste;
        std::vector<double> slack;   // 1 - worth of the bar's pieces
        std::vector<size_t> order;   // the completions, least slack first
    };

    bool Search(size_t first, size_t depth)
    {
        const size_t n = w_.size();
        while (first < n && count_[first] == 0) ++first;
        if (first == n) {
            depth_ = depth;
            return true;
        }
        if (binsLeft_ <= 0 || ++work_ > limit_) return false;
        // Pieces longer than half a bar need a bar each.
        int64_t big = 0;
        for (size_t k = first; k < n && 2 * w_[k] > capacity_; ++k) big += count_[k];
        if (big > binsLeft_) return false;

        Prepare();
        // The bar opens with the piece that has the fewest ways to complete it: a piece with none
        // ends the branch, a piece with one is forced.
        size_t open = first;
        size_t fewest = std::numeric_limits<size_t>::max();
        for (size_t k = first; k < n && fewest > 1; ++k) {
            if (count_[k] == 0) continue;
            --count_[k];
            const size_t ways = Count(k, capacity_ - w_[k], fewest);
            ++count_[k];
            if (ways < fewest) {
                fewest = ways;
                open = k;
            }
            if (work_ > limit_) return false;
        }
        if (fewest == 0) return false;

        Level& level = levels_[depth];
        level.first = open;
        --count_[open];
        Generate(level, open, capacity_ - w_[open]);
        const size_t options = level.waste.size();
        level.order.resize(options);
        for (size_t c = 0; c < options; ++c) level.order[c] = c;
        std::stable_sort(level.order.begin(), level.order.end(),
                         [&](size_t a, size_t b) { return level.slack[a] < level.slack[b] - kPriceTolerance; });
        --binsLeft_;
        for (size_t o = 0; o < options && work_ <= limit_; ++o) {
            const size_t c = level.order[o];
            Apply(level, c, -1);
            budget_ -= level.waste[c];
            priceBudget_ -= level.slack[c];
            chosen_[depth] = c;
            if (Search(first, depth + 1)) return true;
            priceBudget_ += level.slack[c];
            budget_ += level.waste[c];
            Apply(level, c, +1);
        }
        ++binsLeft_;
        ++count_[open];
        return false;
    }

    void Apply(const Level& level, size_t c, int32_t sign)
    {
        for (int32_t k = level.starts[c]; k < level.starts[c + 1]; k += 2)
            count_[static_cast<size_t>(level.flat[static_cast<size_t>(k)])] +=
                sign * level.flat[static_cast<size_t>(k) + 1];
    }

    // The ways to fill the rest of a bar, up to `cap` of them.
    size_t Count(size_t open, int64_t room, size_t cap)
    {
        out_ = nullptr;
        found_ = 0;
        cap_ = cap;
        if (const size_t k = ExactFit(room)) return 1.0 - price_[open] - price_[k - 1] <= priceBudget_ + kPriceTolerance ? 1 : 0;
        Extend(0, room, std::numeric_limits<int64_t>::max(), price_[open]);
        return found_;
    }

    // Every way to fill the rest of a bar that wastes at most the budget and leaves no piece that
    // still fits, larger pieces first.
    void Generate(Level& level, size_t open, int64_t room)
    {
        level.flat.clear();
        level.starts.assign(1, 0);
        level.waste.clear();
        level.slack.clear();
        out_ = &level;
        found_ = 0;
        cap_ = kMaxCompletions;
        if (const size_t k = ExactFit(room)) {
            const double slack = 1.0 - price_[open] - price_[k - 1];
            if (slack > priceBudget_ + kPriceTolerance) return;
            level.flat.push_back(static_cast<int32_t>(k - 1));
            level.flat.push_back(1);
            level.starts.push_back(2);
            level.waste.push_back(0);
            level.slack.push_back(slack);
            return;
        }
        Extend(0, room, std::numeric_limits<int64_t>::max(), price_[open]);
    }

    // What the pieces left can fill from each type on: their length, and (when the table is small)
    // every sum they reach.
    void Prepare()
    {
        const size_t n = w_.size();
        for (size_t k = n; k-- > 0;) {
            suffix_[k] = suffix_[k + 1] + w_[k] * count_[k];
            ratio_[k] = count_[k] > 0 ? std::max(ratio_[k + 1], price_[k] / static_cast<double>(w_[k])) : ratio_[k + 1];
        }
        if (words_ == 0) return;
        uint64_t* last = reach_.data() + n * words_;
        std::fill(last, last + words_, 0);
        last[0] = 1;
        for (size_t k = n; k-- > 0;) {
            uint64_t* row = reach_.data() + k * words_;
            std::copy(row + words_, row + 2 * words_, row);
            int32_t left = count_[k];
            for (int32_t chunk = 1; left > 0; chunk *= 2) {
                const int32_t take = std::min(chunk, left);
                left -= take;
                ShiftOr(row, w_[k] * take);
            }
            work_ += static_cast<int64_t>(words_) / 8 + 1;
        }
    }

    void ShiftOr(uint64_t* row, int64_t by) const
    {
        if (by > capacity_) return;
        const auto wordShift = static_cast<size_t>(by / 64);
        const auto bitShift = static_cast<unsigned>(by % 64);
        for (size_t i = words_; i-- > wordShift;) {
            uint64_t v = row[i - wordShift] << bitShift;
            if (bitShift && i > wordShift) v |= row[i - wordShift - 1] >> (64 - bitShift);
            row[i] |= v;
        }
    }

    // Whether the pieces from type k on reach some sum in [lo, hi].
    bool Reaches(size_t k, int64_t lo, int64_t hi) const
    {
        if (words_ == 0 || lo <= 0) return true;
        const uint64_t* row = reach_.data() + k * words_;
        for (int64_t b = lo; b <= hi;) {
            const auto word = static_cast<size_t>(b / 64);
            const auto bit = static_cast<unsigned>(b % 64);
            uint64_t v = row[word] >> bit;
            const int64_t span = std::min<int64_t>(64 - bit, hi - b + 1);
            if (span < 64) v &= (uint64_t{1} << span) - 1;
            if (v) return true;
            b += span;
        }
        return false;
    }

    // A piece that fills the bar exactly is as good as any other completion: one past its type, or 0.
    size_t ExactFit(int64_t room) const
    {
        for (size_t k = 0; k < w_.size(); ++k)
            if (count_[k] > 0 && w_[k] <= room) return w_[k] == room ? k + 1 : 0;
        return 0;
    }

    void Extend(size_t k, int64_t room, int64_t skipped, double worth)
    {
        if (++work_ > limit_) return;
        if (1.0 - worth - ratio_[k] * static_cast<double>(room) > priceBudget_ + kPriceTolerance) return;
        if (found_ >= cap_) {
            if (out_) capped_ = true;
            return;
        }
        if (room - suffix_[k] > budget_) return;  // even every piece left cannot fill it enough
        if (!Reaches(k, room - budget_, room)) return;
        const size_t n = w_.size();
        while (k < n && (count_[k] == 0 || w_[k] > room)) ++k;
        if (k == n) {
            if (room > budget_ || room >= skipped || 1.0 - worth > priceBudget_ + kPriceTolerance) return;
            ++found_;
            if (!out_) return;
            for (size_t t = 0; t < n; ++t)
                if (taken_[t] > 0) {
                    out_->flat.push_back(static_cast<int32_t>(t));
                    out_->flat.push_back(taken_[t]);
                }
            out_->starts.push_back(static_cast<int32_t>(out_->flat.size()));
            out_->waste.push_back(room);
            out_->slack.push_back(1.0 - worth);
            return;
        }
        const auto most = static_cast<int32_t>(std::min<int64_t>(count_[k], room / w_[k]));
        for (int32_t a = most; a >= 0; --a) {
            taken_[k] = a;
            Extend(k + 1, room - a * w_[k], a < count_[k] ? std::min(skipped, w_[k]) : skipped, worth + a * price_[k]);
        }
        taken_[k] = 0;
    }

    const std::vector<int64_t>& w_;
    std::vector<int32_t> count_;
    int64_t capacity_;
    int64_t budget_ = 0;  // waste the bars still to fill may have in all
    std::vector<double> price_;
    double priceBudget_ = 0.0;  // slack the bars still to fill may have in all
    std::vector<double> ratio_;  // best price per length among the pieces left from each type on
    int32_t binsLeft_;
    int64_t& work_;
    int64_t limit_;
    std::vector<int32_t> taken_;
    std::vector<int64_t> suffix_;  // length of the pieces left from each type on
    std::vector<Level> levels_;
    std::vector<size_t> chosen_;
    size_t depth_ = 0;
    bool capped_ = false;  // some bar was offered only part of its completions
    bool impossible_ = false;
    size_t words_ = 0;  // per row of the reach table; 0: no table
    std::vector<uint64_t> reach_;
    Level* out_ = nullptr;  // where completions go; none: only counted
    size_t found_ = 0;
    size_t cap_ = 0;
};

}  // namespace

BinCompletionResult PackIntoBins(const BinCompletionJob& job, int64_t& work)
{
    BinCompletionResult result;
    if (job.bins <= 0 || job.weights.size() != job.counts.size()) return result;
    Packer packer(job, work);
    result.bins = packer.Run();
    result.impossible = result.bins.empty() && packer.Impossible();
    return result;
}

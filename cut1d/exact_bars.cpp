#include "cut1d/exact_bars.h"

#include <ClpSimplex.hpp>
#include <CbcModel.hpp>
#include <CoinPackedMatrix.hpp>
#include <OsiClpSolverInterface.hpp>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <map>
#include <numeric>
#include <set>
#include <vector>

#include "cut1d/bin_completion.h"
#include "cut1d/greedy_bars.h"

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
// Knapsacks larger than this many cells are searched by branch and bound instead.
constexpr int64_t kMaxDynamicCells = 40000000;
constexpr int64_t kBranchNodes = 200000;
// Jobs with at most this many maximal patterns get them all, which makes the integer program exact.
constexpr size_t kMaxEnumerated = 1000;
// The rounding search branches on its first levels only, with at most this many detours in all.
constexpr int32_t kBranchDepth = 6;
constexpr int32_t kDiscrepancies = 3;
// Pricing rounds per rounding step: its relaxation need not be optimal to be rounded well.
constexpr int32_t kDiveRounds = 20;
// Bin completion: its steps, and what one step counts in the work limit.
constexpr int64_t kPackingWork = 300000;
constexpr int64_t kPackingStepWork = 3;
// A dive hands what is left to bin completion once this few pieces are left.
constexpr int64_t kPackingPieces = 120;
constexpr int64_t kPackingRestWork = 500000;
// All bin completion searches of a job together: on jobs with much waste to share they rarely end.
constexpr int64_t kPackingTotal = 6000000;
// Gathering a layout's waste into one bar.
constexpr int64_t kGatherWork = 500000;
// Weight of the best prices so far in the prices handed to pricing.
constexpr double kSmoothing = 0.7;

struct PieceType {
    int32_t length = 0;
    int64_t weight = 0;            // length plus kerf, over the factor all lengths share
    double penalty = 0.0;          // price of leaving one out
    std::vector<int32_t> numbers;  // the pieces of this length; their count is the demand
};

struct BarType {
    int32_t length = 0;
    int64_t capacity = 0;          // length plus kerf, over the same factor
    double cost = 0.0;
    std::vector<int32_t> numbers;  // in the caller's order
};

struct Pattern {
    int32_t bar = 0;
    std::vector<int32_t> counts;  // per piece type
};

struct Residual {
    std::vector<int32_t> demand;  // per piece type
    std::vector<int32_t> supply;  // per bar type
};

struct Relaxation {
    bool solved = false;
    bool proven = false;  // pricing found nothing better: the value is the relaxation's optimum
    double bound = -kInfinity;  // a proven lower bound on every integer layout
    bool slack = false;   // some demand is left out even in the relaxation
    double value = 0.0;
    std::vector<std::pair<int32_t, double>> levels;  // pool index, level > 0
    std::vector<double> duals;  // per piece type, of the last relaxation solved
};

// One layout: a pattern per cut bar.
struct Plan {
    std::vector<Pattern> bars;
    double objective = kInfinity;
};

class ExactSolver {
public:
    ExactSolver(const part1d_array& pieces, const stock1d_array& bars, int32_t kerf, const ExactBarsLimits& limits);
    bool Run(SolutionCut1D& solution);

private:
    bool Exhausted() const;
    double RoundUp(double value) const;
    double Objective(const Plan& plan) const;
    Pattern Capped(const Pattern& p, const std::vector<int32_t>& demand) const;
    int32_t AddToPool(const Pattern& p);
    bool Price(int32_t bar, const std::vector<double>& duals, const std::vector<int32_t>& demand, Pattern& out,
               double& value, bool& exact);
    bool DynamicKnapsack(const std::vector<double>& value, const std::vector<int32_t>& bound, int64_t capacity,
                         std::vector<int32_t>& counts, double& best);
    bool BranchKnapsack(const std::vector<double>& value, const std::vector<int32_t>& bound, int64_t capacity,
                        std::vector<int32_t>& counts, double& best);
    void InitialMaster();
    void AddColumn(const Pattern& p);
    Relaxation Relax(const Residual& r, int32_t maxRounds);
    bool EnumeratePatterns(size_t limit);
    struct DiveState {
        Residual r;
        Plan plan;
        double committed = 0.0;
    };
    bool Reached() const { return best_.objective <= bound_ + 1e-6; }
    bool Commit(DiveState& state, const Pattern& p, int32_t copies) const;
    void Dive(DiveState state, std::vector<int32_t> barred, int32_t discrepancies, int32_t depth);
    void Finish(DiveState state);
    void IntegerMaster();
    bool PackRest(DiveState& state, double lowerBound, int64_t limit);
    void GatherWaste();
    void SetPrices(const std::vector<double>& duals);
    void Fill(SolutionCut1D& solution) const;

    int32_t kerf_ = 0;
    ExactBarsLimits limits_;
    std::chrono::steady_clock::time_point start_;
    int64_t work_ = 0;
    std::vector<PieceType> types_;  // longest first
    std::vector<BarType> barTypes_;
    std::vector<Pattern> pool_;
    std::map<std::vector<int32_t>, int32_t> poolIndex_;  // counts followed by the bar type
    double costStep_ = 0.0;  // every layout's cost is a multiple of this (0: no such step)
    ClpSimplex lp_;  // the relaxation over every pattern in the pool, kept warm between solves
    bool masterReady_ = false;
    Plan best_;
    double bound_ = -kInfinity;
    int64_t packingSteps_ = 0;  // bin completion steps spent so far
    std::vector<double> prices_;  // per piece type, for bin completion; empty: none

    // Knapsack work space, kept between calls.
    struct Item {
        int32_t type;
        int32_t copies;
        int64_t weight;
        double value;
    };
    std::vector<Item> items_;
    std::vector<double> table_;
    std::vector<uint8_t> taken_;
};

ExactSolver::ExactSolver(const part1d_array& pieces, const stock1d_array& bars, int32_t kerf,
                         const ExactBarsLimits& limits)
    : kerf_(kerf), limits_(limits), start_(std::chrono::steady_clock::now())
{
    for (const auto& s : bars) {
        auto it = std::find_if(barTypes_.begin(), barTypes_.end(), [&](const BarType& t) {
            return t.length == s.length && std::fabs(t.cost - s.cost) <= 1e-6;
        });
        if (it == barTypes_.end()) {
            BarType t;
            t.length = s.length;
            t.capacity = static_cast<int64_t>(s.length) + kerf;
            t.cost = s.cost;
            barTypes_.push_back(t);
            it = barTypes_.end() - 1;
        }
        it->numbers.push_back(s.number);
    }
    int64_t longest = 0;
    double ratio = 0.0;
    bool integral = true;
    int64_t step = 0;
    for (const auto& t : barTypes_) {
        longest = std::max(longest, t.capacity);
        ratio = std::max(ratio, t.cost / std::max<int32_t>(t.length, 1));
        const double rounded = std::round(t.cost);
        if (std::fabs(rounded - t.cost) > 1e-9 || rounded < 1.0) integral = false;
        else step = std::gcd(step, static_cast<int64_t>(rounded));
    }
    costStep_ = integral ? static_cast<double>(step) : 0.0;

    part1d_array sorted = pieces;
    std::stable_sort(sorted.begin(), sorted.end(), [](const part1d& a, const part1d& b) { return a.length > b.length; });
    for (const auto& p : sorted) {
        const int64_t weight = static_cast<int64_t>(p.length) + kerf;
        if (p.length <= 0 || weight > longest) continue;  // no bar takes it
        if (types_.empty() || types_.back().length != p.length) {
            PieceType t;
            t.length = p.length;
            t.weight = weight;
            // Leaving a piece out must cost far more than any bar its length could save.
            t.penalty = 1000.0 * ratio * std::max<int32_t>(p.length, 1) + 1.0;
            types_.push_back(t);
        }
        types_.back().numbers.push_back(p.number);
    }
    // Lengths in fine units share a factor; dividing it out shrinks every knapsack table.
    int64_t common = 0;
    for (const auto& t : types_) common = std::gcd(common, t.weight);
    for (const auto& t : barTypes_) common = std::gcd(common, t.capacity);
    if (common > 1) {
        for (auto& t : types_) t.weight /= common;
        for (auto& t : barTypes_) t.capacity /= common;
    }
}

bool ExactSolver::Exhausted() const
{
    if (work_ > limits_.work) return true;
    if (limits_.stop && limits_.stop->load()) return true;
    if (limits_.seconds > 0.0) {
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
        if (elapsed > limits_.seconds) return true;
    }
    return false;
}

double ExactSolver::RoundUp(double value) const
{
    if (costStep_ <= 0.0) return value;
    return costStep_ * std::ceil(value / costStep_ - 1e-6);
}

double ExactSolver::Objective(const Plan& plan) const
{
    std::vector<int64_t> placed(types_.size(), 0);
    double objective = 0.0;
    for (const auto& p : plan.bars) {
        objective += barTypes_[static_cast<size_t>(p.bar)].cost;
        for (size_t i = 0; i < types_.size(); ++i) placed[i] += p.counts[i];
    }
    for (size_t i = 0; i < types_.size(); ++i) {
        const int64_t missing = static_cast<int64_t>(types_[i].numbers.size()) - placed[i];
        if (missing > 0) objective += static_cast<double>(missing) * types_[i].penalty;
    }
    return objective;
}

Pattern ExactSolver::Capped(const Pattern& p, const std::vector<int32_t>& demand) const
{
    Pattern c = p;
    for (size_t i = 0; i < c.counts.size(); ++i) c.counts[i] = std::min(c.counts[i], demand[i]);
    return c;
}

int32_t ExactSolver::AddToPool(const Pattern& p)
{
    std::vector<int32_t> key = p.counts;
    key.push_back(p.bar);
    const auto [it, inserted] = poolIndex_.emplace(std::move(key), static_cast<int32_t>(pool_.size()));
    if (inserted) {
        pool_.push_back(p);
        if (masterReady_) AddColumn(p);
    }
    return it->second;
}

bool ExactSolver::DynamicKnapsack(const std::vector<double>& value, const std::vector<int32_t>& bound,
                                  int64_t capacity, std::vector<int32_t>& counts, double& best)
{
    items_.clear();
    int64_t reach = 0;
    for (size_t i = 0; i < types_.size(); ++i) {
        int32_t left = bound[i];
        for (int32_t chunk = 1; left > 0; chunk *= 2) {
            const int32_t copies = std::min(chunk, left);
            items_.push_back({static_cast<int32_t>(i), copies, copies * types_[i].weight, copies * value[i]});
            reach += copies * types_[i].weight;
            left -= copies;
        }
    }
    reach = std::min(reach, capacity);
    const auto width = static_cast<size_t>(reach + 1);
    const int64_t cells = static_cast<int64_t>(items_.size()) * (reach + 1);
    if (cells > kMaxDynamicCells) return false;
    work_ += cells;
    table_.assign(width, 0.0);
    taken_.assign(items_.size() * width, 0);
    for (size_t t = 0; t < items_.size(); ++t) {
        const Item& item = items_[t];
        uint8_t* row = taken_.data() + t * width;
        for (int64_t c = reach; c >= item.weight; --c) {
            const double candidate = table_[static_cast<size_t>(c - item.weight)] + item.value;
            if (candidate > table_[static_cast<size_t>(c)] + 1e-12) {
                table_[static_cast<size_t>(c)] = candidate;
                row[c] = 1;
            }
        }
    }
    best = table_[static_cast<size_t>(reach)];
    std::fill(counts.begin(), counts.end(), 0);
    int64_t c = reach;
    for (size_t t = items_.size(); t-- > 0;) {
        if (taken_[t * width + static_cast<size_t>(c)]) {
            counts[static_cast<size_t>(items_[t].type)] += items_[t].copies;
            c -= items_[t].weight;
        }
    }
    return true;
}

bool ExactSolver::BranchKnapsack(const std::vector<double>& value, const std::vector<int32_t>& bound,
                                 int64_t capacity, std::vector<int32_t>& counts, double& best)
{
    std::vector<int32_t> order;
    for (size_t i = 0; i < types_.size(); ++i)
        if (bound[i] > 0) order.push_back(static_cast<int32_t>(i));
    std::sort(order.begin(), order.end(), [&](int32_t a, int32_t b) {
        return value[static_cast<size_t>(a)] / static_cast<double>(types_[static_cast<size_t>(a)].weight) >
               value[static_cast<size_t>(b)] / static_cast<double>(types_[static_cast<size_t>(b)].weight);
    });
    std::vector<int32_t> current(types_.size(), 0);
    best = 0.0;
    std::fill(counts.begin(), counts.end(), 0);
    int64_t nodes = 0;
    bool complete = true;
    auto upper = [&](size_t k, int64_t room, double sum) {
        for (; k < order.size() && room > 0; ++k) {
            const auto i = static_cast<size_t>(order[k]);
            const int64_t take = std::min<int64_t>(bound[i], room / types_[i].weight);
            sum += static_cast<double>(take) * value[i];
            room -= take * types_[i].weight;
            if (take < bound[i]) return sum + value[i] * static_cast<double>(room) / static_cast<double>(types_[i].weight);
        }
        return sum;
    };
    auto search = [&](auto&& self, size_t k, int64_t room, double sum) -> void {
        if (sum > best + 1e-12) {
            best = sum;
            counts = current;
        }
        if (k == order.size() || !complete) return;
        if (++nodes > kBranchNodes) {
            complete = false;
            return;
        }
        if (upper(k, room, sum) <= best + 1e-12) return;
        const auto i = static_cast<size_t>(order[k]);
        for (int64_t a = std::min<int64_t>(bound[i], room / types_[i].weight); a >= 0; --a) {
            current[i] = static_cast<int32_t>(a);
            self(self, k + 1, room - a * types_[i].weight, sum + static_cast<double>(a) * value[i]);
        }
        current[i] = 0;
    };
    search(search, 0, capacity, 0.0);
    work_ += nodes * static_cast<int64_t>(order.size());
    return complete;
}

bool ExactSolver::Price(int32_t bar, const std::vector<double>& duals, const std::vector<int32_t>& demand,
                        Pattern& out, double& value, bool& exact)
{
    const BarType& t = barTypes_[static_cast<size_t>(bar)];
    std::vector<int32_t> bound(types_.size(), 0);
    for (size_t i = 0; i < types_.size(); ++i)
        if (duals[i] > 1e-9 && types_[i].weight <= t.capacity)
            bound[i] = static_cast<int32_t>(std::min<int64_t>(demand[i], t.capacity / types_[i].weight));
    out.bar = bar;
    out.counts.assign(types_.size(), 0);
    if (!DynamicKnapsack(duals, bound, t.capacity, out.counts, value))
        exact = BranchKnapsack(duals, bound, t.capacity, out.counts, value) && exact;
    return std::any_of(out.counts.begin(), out.counts.end(), [](int32_t c) { return c > 0; });
}

void ExactSolver::AddColumn(const Pattern& p)
{
    const size_t m = types_.size();
    std::vector<int> index;
    std::vector<double> element;
    for (size_t i = 0; i < m; ++i)
        if (p.counts[i] > 0) {
            index.push_back(static_cast<int>(i));
            element.push_back(p.counts[i]);
        }
    index.push_back(static_cast<int>(m) + p.bar);
    element.push_back(1.0);
    lp_.addColumn(static_cast<int>(index.size()), index.data(), element.data(), 0.0, COIN_DBL_MAX,
                  barTypes_[static_cast<size_t>(p.bar)].cost);
}

void ExactSolver::InitialMaster()
{
    const size_t m = types_.size();
    const int rows = static_cast<int>(m + barTypes_.size());
    lp_.setLogLevel(0);
    lp_.resize(rows, 0);
    for (size_t i = 0; i < m; ++i) {
        lp_.setRowLower(static_cast<int>(i), static_cast<double>(types_[i].numbers.size()));
        lp_.setRowUpper(static_cast<int>(i), COIN_DBL_MAX);
    }
    for (size_t j = 0; j < barTypes_.size(); ++j) {
        lp_.setRowLower(static_cast<int>(m + j), -COIN_DBL_MAX);
        lp_.setRowUpper(static_cast<int>(m + j), static_cast<double>(barTypes_[j].numbers.size()));
    }
    // Column i < m leaves pieces of type i out; pool pattern p is column m + p.
    for (size_t i = 0; i < m; ++i) {
        const int row = static_cast<int>(i);
        const double one = 1.0;
        lp_.addColumn(1, &row, &one, 0.0, static_cast<double>(types_[i].numbers.size()), types_[i].penalty);
    }
    masterReady_ = true;
    // One single-length pattern per type and bar type gives the first relaxation something to use.
    for (size_t i = 0; i < m; ++i)
        for (size_t j = 0; j < barTypes_.size(); ++j) {
            if (types_[i].weight > barTypes_[j].capacity) continue;
            Pattern p;
            p.bar = static_cast<int32_t>(j);
            p.counts.assign(m, 0);
            p.counts[i] = static_cast<int32_t>(std::min<int64_t>(static_cast<int64_t>(types_[i].numbers.size()),
                                                                 barTypes_[j].capacity / types_[i].weight));
            AddToPool(p);
        }
}

Relaxation ExactSolver::Relax(const Residual& r, int32_t maxRounds)
{
    Relaxation result;
    const size_t m = types_.size();
    bool anyDemand = false;
    for (size_t i = 0; i < m; ++i) {
        lp_.setRowLower(static_cast<int>(i), r.demand[i]);
        lp_.setColumnUpper(static_cast<int>(i), r.demand[i]);
        anyDemand = anyDemand || r.demand[i] > 0;
    }
    for (size_t j = 0; j < barTypes_.size(); ++j) lp_.setRowUpper(static_cast<int>(m + j), r.supply[j]);
    if (!anyDemand) return result;

    std::vector<double> duals(m, 0.0), lpDuals(m, 0.0), center;
    // Smoothing pays at the first relaxation; a rounding step starts near its optimum already.
    const bool smooth = maxRounds == std::numeric_limits<int32_t>::max();
    bool exact = true;
    bool first = true;
    Pattern priced;
    const int64_t rows = static_cast<int64_t>(m + barTypes_.size());
    for (int32_t round = 0;; ++round) {
        // Bounds changed: the basis stays dual feasible. New columns: it stays primal feasible.
        if (first) lp_.dual();
        else lp_.primal(1);
        first = false;
        work_ += static_cast<int64_t>(lp_.numberIterations()) * rows;
        if (lp_.status() != 0) {
            lp_.primal();
            if (lp_.status() != 0) return result;
        }
        const double* y = lp_.dualRowSolution();
        for (size_t i = 0; i < m; ++i) lpDuals[i] = r.demand[i] > 0 ? std::max(0.0, y[i]) : 0.0;
        bool added = false;
        // Prices are smoothed towards the best point so far, which saves most of the degenerate
        // iterations; when the smoothed prices yield nothing, the plain ones decide.
        for (int attempt = center.empty() || !smooth ? 1 : 0; attempt < 2; ++attempt) {
            const double alpha = attempt == 0 ? kSmoothing : 0.0;
            for (size_t i = 0; i < m; ++i) duals[i] = alpha * (center.empty() ? 0.0 : center[i]) + (1.0 - alpha) * lpDuals[i];
            exact = true;
            // Lagrangian bound at these prices: valid for every integer layout, whatever the
            // relaxation does.
            double lagrangian = 0.0;
            for (size_t i = 0; i < m; ++i)
                lagrangian += r.demand[i] * (duals[i] + std::min(0.0, types_[i].penalty - duals[i]));
            for (size_t j = 0; j < barTypes_.size(); ++j) {
                if (r.supply[j] <= 0) continue;
                double value = 0.0;
                if (!Price(static_cast<int32_t>(j), duals, r.demand, priced, value, exact)) value = 0.0;
                lagrangian += r.supply[j] * std::min(0.0, barTypes_[j].cost - value);
                double lpValue = 0.0;
                bool any = false;
                for (size_t i = 0; i < m; ++i) {
                    lpValue += lpDuals[i] * priced.counts[i];
                    any = any || priced.counts[i] > 0;
                }
                if (!any) continue;
                const double reduced = barTypes_[j].cost - std::min(0.0, y[m + j]) - lpValue;
                if (reduced >= -1e-7 * std::max(1.0, barTypes_[j].cost)) continue;
                const size_t before = pool_.size();
                AddToPool(priced);
                added = added || pool_.size() > before;
            }
            if (exact && lagrangian > result.bound) {
                result.bound = lagrangian;
                center = duals;
            }
            if (!added && attempt == 0) exact = false;  // a smoothed miss proves nothing
        }
        if (!added) break;
        // The rounded bound can no longer move, or a rounding step has priced enough: the rest of
        // the tail is not worth its time.
        if ((costStep_ > 0.0 && result.bound > -kInfinity && RoundUp(result.bound) >= lp_.objectiveValue() - 1e-6) ||
            round + 1 >= maxRounds) {
            exact = false;
            lp_.primal(1);
            if (lp_.status() != 0) return result;
            break;
        }
        if (Exhausted()) {
            exact = false;
            lp_.primal(1);
            if (lp_.status() != 0) return result;
            break;
        }
    }
    result.solved = true;
    result.proven = exact;
    result.duals = lpDuals;
    result.value = lp_.objectiveValue();
    if (exact) result.bound = std::max(result.bound, result.value);
    const double* x = lp_.primalColumnSolution();
    for (size_t i = 0; i < m; ++i)
        if (x[i] > 1e-9) result.slack = true;
    for (size_t p = 0; p < pool_.size(); ++p)
        if (x[m + p] > 1e-9) result.levels.emplace_back(static_cast<int32_t>(p), x[m + p]);
    return result;
}

// Every pattern that no further piece fits, when there are few: the integer program then holds them all.
bool ExactSolver::EnumeratePatterns(size_t limit)
{
    const size_t m = types_.size();
    std::vector<Pattern> found;
    Pattern current;
    current.counts.assign(m, 0);
    bool overflow = false;
    for (size_t j = 0; j < barTypes_.size() && !overflow; ++j) {
        current.bar = static_cast<int32_t>(j);
        auto visit = [&](auto&& self, size_t i, int64_t room) -> void {
            if (overflow) return;
            if (i == m) {
                for (size_t k = 0; k < m; ++k)
                    if (current.counts[k] < static_cast<int32_t>(types_[k].numbers.size()) && types_[k].weight <= room)
                        return;  // another piece still fits: a larger pattern covers this one
                if (std::none_of(current.counts.begin(), current.counts.end(), [](int32_t c) { return c > 0; })) return;
                if (found.size() >= limit) {
                    overflow = true;
                    return;
                }
                found.push_back(current);
                return;
            }
            const int64_t most = std::min<int64_t>(static_cast<int64_t>(types_[i].numbers.size()), room / types_[i].weight);
            for (int64_t a = most; a >= 0 && !overflow; --a) {
                current.counts[i] = static_cast<int32_t>(a);
                self(self, i + 1, room - a * types_[i].weight);
            }
            current.counts[i] = 0;
        };
        visit(visit, 0, barTypes_[j].capacity);
        work_ += static_cast<int64_t>(found.size()) * static_cast<int64_t>(m);
    }
    if (overflow) return false;
    for (const auto& p : found) AddToPool(p);
    return true;
}

bool ExactSolver::Commit(DiveState& state, const Pattern& p, int32_t copies) const
{
    bool any = false;
    for (int32_t k = 0; k < copies; ++k) {
        if (state.r.supply[static_cast<size_t>(p.bar)] <= 0) break;
        Pattern c = Capped(p, state.r.demand);
        if (std::none_of(c.counts.begin(), c.counts.end(), [](int32_t v) { return v > 0; })) break;
        for (size_t i = 0; i < c.counts.size(); ++i) state.r.demand[i] -= c.counts[i];
        --state.r.supply[static_cast<size_t>(c.bar)];
        state.committed += barTypes_[static_cast<size_t>(c.bar)].cost;
        state.plan.bars.push_back(std::move(c));
        any = true;
    }
    return any;
}

// Rounds the relaxation step by step: whole levels are cut as they stand, then the level nearest
// to the next whole number goes up. The top levels also try the next few choices (limited
// discrepancy), each child barred from the choices its elder siblings made.
void ExactSolver::Dive(DiveState state, std::vector<int32_t> barred, int32_t discrepancies, int32_t depth)
{
    if (Reached()) return;
    if (Exhausted()) {
        Finish(std::move(state));
        return;
    }
    const Relaxation rel = Relax(state.r, kDiveRounds);
    if (!rel.solved || rel.levels.empty()) {
        Finish(std::move(state));
        return;
    }
    if (!rel.slack && state.committed + RoundUp(rel.bound) >= best_.objective - 1e-6) return;  // cannot improve
    int64_t left = 0;
    for (const int32_t d : state.r.demand) left += d;
    if (!rel.slack && left <= kPackingPieces) {
        if (!PackRest(state, rel.bound, kPackingRestWork)) return;
        if (Reached()) return;
    }
    std::vector<std::pair<double, int32_t>> fractional;  // distance to the next whole number, pool index
    bool whole = false;
    for (const auto& [p, level] : rel.levels) {
        const double up = std::ceil(level - 1e-6) - level;
        if (up < 1e-6) {
            whole = Commit(state, pool_[static_cast<size_t>(p)], static_cast<int32_t>(std::lround(level))) || whole;
        } else if (std::find(barred.begin(), barred.end(), p) == barred.end()) {
            fractional.emplace_back(up, p);
        }
    }
    if (fractional.empty()) {
        if (whole) Dive(std::move(state), std::move(barred), discrepancies, depth);
        else Finish(std::move(state));
        return;
    }
    std::stable_sort(fractional.begin(), fractional.end());
    const size_t children = depth < kBranchDepth ? std::min<size_t>(fractional.size(), discrepancies + 1) : 1;
    for (size_t k = 0; k < children; ++k) {
        DiveState child = state;
        const auto p = static_cast<size_t>(fractional[k].second);
        double level = 0.0;
        for (const auto& [q, l] : rel.levels)
            if (static_cast<size_t>(q) == p) level = l;
        if (!Commit(child, pool_[p], static_cast<int32_t>(std::ceil(level - 1e-6)))) continue;
        std::vector<int32_t> childBarred = barred;
        for (size_t e = 0; e < k; ++e) childBarred.push_back(fractional[e].second);
        Dive(std::move(child), std::move(childBarred), discrepancies - static_cast<int32_t>(k), depth + 1);
        if (Reached() || Exhausted()) return;
    }
}

// Whatever a dive left is cut by first fit decreasing, on its bars and then on the bars still free.
void ExactSolver::Finish(DiveState state)
{
    Plan& plan = state.plan;
    Residual& r = state.r;
    std::vector<std::pair<int64_t, int32_t>> left;  // weight, type
    for (size_t i = 0; i < types_.size(); ++i)
        for (int32_t k = 0; k < r.demand[i]; ++k) left.emplace_back(types_[i].weight, static_cast<int32_t>(i));
    std::vector<int64_t> room;
    for (size_t b = 0; b < plan.bars.size(); ++b) {
        int64_t used = 0;
        for (size_t i = 0; i < types_.size(); ++i) used += plan.bars[b].counts[i] * types_[i].weight;
        room.push_back(barTypes_[static_cast<size_t>(plan.bars[b].bar)].capacity - used);
    }
    for (const auto& [weight, type] : left) {
        size_t b = 0;
        while (b < room.size() && room[b] < weight) ++b;
        if (b == room.size()) {
            // A new bar: the cheapest that holds the piece.
            int32_t chosen = -1;
            for (size_t j = 0; j < barTypes_.size(); ++j)
                if (r.supply[j] > 0 && barTypes_[j].capacity >= weight &&
                    (chosen < 0 || barTypes_[j].cost < barTypes_[static_cast<size_t>(chosen)].cost))
                    chosen = static_cast<int32_t>(j);
            if (chosen < 0) continue;
            Pattern p;
            p.bar = chosen;
            p.counts.assign(types_.size(), 0);
            --r.supply[static_cast<size_t>(chosen)];
            plan.bars.push_back(p);
            room.push_back(barTypes_[static_cast<size_t>(chosen)].capacity);
        }
        ++plan.bars[b].counts[static_cast<size_t>(type)];
        room[b] -= weight;
    }
    plan.objective = Objective(plan);
    for (const auto& p : plan.bars) AddToPool(p);
    if (plan.objective < best_.objective - 1e-6) best_ = std::move(plan);
}

// One bar type: what a dive leaves is a packing into as few bars as would beat the best layout,
// which bin completion searches completely when few pieces are left. Returns false when it proves
// that the branch cannot beat the best.
bool ExactSolver::PackRest(DiveState& state, double lowerBound, int64_t limit)
{
    if (barTypes_.size() != 1) return true;
    const BarType& bar = barTypes_[0];
    if (bar.cost <= 0.0 || (best_.objective >= kInfinity && lowerBound <= -kInfinity)) return true;
    limit = std::min(limit, kPackingTotal - packingSteps_);
    if (limit <= 0) return true;
    const double step = costStep_ > 0.0 ? costStep_ : bar.cost;
    double bins = best_.objective < kInfinity ? std::floor((best_.objective - step - state.committed) / bar.cost + 1e-9)
                                              : std::ceil(lowerBound / bar.cost - 1e-9);
    bins = std::min(bins, static_cast<double>(state.r.supply[0]));
    if (bins < 1.0) return false;
    BinCompletionJob job;
    for (size_t i = 0; i < types_.size(); ++i) {
        job.weights.push_back(types_[i].weight);
        job.counts.push_back(state.r.demand[i]);
    }
    job.capacity = bar.capacity;
    job.bins = static_cast<int32_t>(bins);
    job.workLimit = limit;
    job.prices = prices_;
    int64_t steps = 0;
    const BinCompletionResult packed = PackIntoBins(job, steps);
    work_ += steps * kPackingStepWork;
    packingSteps_ += steps;
    if (packed.impossible) return false;
    if (packed.bins.empty()) return true;
    Plan plan = state.plan;
    for (const auto& counts : packed.bins) plan.bars.push_back(Pattern{0, counts});
    plan.objective = Objective(plan);
    for (size_t b = state.plan.bars.size(); b < plan.bars.size(); ++b) AddToPool(plan.bars[b]);
    if (plan.objective < best_.objective - 1e-6) best_ = std::move(plan);
    return true;
}

// The relaxation's prices, scaled so that no bar holds more than 1: bin completion then knows what
// share of a bar every layout at a given count may leave unused.
void ExactSolver::SetPrices(const std::vector<double>& duals)
{
    if (barTypes_.size() != 1 || barTypes_[0].cost <= 0.0) return;
    std::vector<int32_t> bound(types_.size(), 0), counts(types_.size(), 0);
    for (size_t i = 0; i < types_.size(); ++i)
        if (duals[i] > 0.0)
            bound[i] = static_cast<int32_t>(std::min<int64_t>(static_cast<int64_t>(types_[i].numbers.size()),
                                                              barTypes_[0].capacity / types_[i].weight));
    double most = 0.0;
    if (!DynamicKnapsack(duals, bound, barTypes_[0].capacity, counts, most)) return;
    const double scale = std::max(most, barTypes_[0].cost) * (1.0 + 1e-9);
    prices_.clear();
    for (const double y : duals) prices_.push_back(std::max(0.0, y) / scale);
}

// One bar type: the same bars with all their waste in one bar leave one offcut instead of many. A
// stand-in piece as long as the waste, and a packing with none, give that layout.
void ExactSolver::GatherWaste()
{
    if (barTypes_.size() != 1 || best_.bars.empty()) return;
    const int64_t capacity = barTypes_[0].capacity;
    int64_t waste = 0;
    int32_t wasteful = 0;
    for (const auto& p : best_.bars) {
        int64_t used = 0;
        for (size_t i = 0; i < types_.size(); ++i) used += p.counts[i] * types_[i].weight;
        waste += capacity - used;
        wasteful += capacity > used ? 1 : 0;
    }
    if (wasteful <= 1 || waste >= capacity || Objective(best_) >= kInfinity) return;
    for (size_t i = 0; i < types_.size(); ++i) {
        int32_t placed = 0;
        for (const auto& p : best_.bars) placed += p.counts[i];
        if (placed != static_cast<int32_t>(types_[i].numbers.size())) return;
    }
    // The stand-in goes where its length belongs: the search wants the longest first.
    BinCompletionJob job;
    size_t standIn = 0;
    while (standIn < types_.size() && types_[standIn].weight >= waste) ++standIn;
    for (size_t i = 0; i <= types_.size(); ++i) {
        if (i == standIn) {
            job.weights.push_back(waste);
            job.counts.push_back(1);
            if (!prices_.empty()) job.prices.push_back(0.0);
        }
        if (i < types_.size()) {
            job.weights.push_back(types_[i].weight);
            job.counts.push_back(static_cast<int32_t>(types_[i].numbers.size()));
            if (!prices_.empty()) job.prices.push_back(prices_[i]);
        }
    }
    job.capacity = capacity;
    job.bins = static_cast<int32_t>(best_.bars.size());
    job.workLimit = kGatherWork;
    int64_t steps = 0;
    const BinCompletionResult packed = PackIntoBins(job, steps);
    work_ += steps * kPackingStepWork;
    packingSteps_ += steps;
    if (packed.bins.size() != best_.bars.size()) return;
    Plan plan;
    for (const auto& counts : packed.bins) {
        Pattern p{0, counts};
        p.counts.erase(p.counts.begin() + static_cast<std::ptrdiff_t>(standIn));
        if (std::any_of(p.counts.begin(), p.counts.end(), [](int32_t c) { return c > 0; }))
            plan.bars.push_back(std::move(p));
    }
    plan.objective = Objective(plan);
    if (plan.objective <= best_.objective + 1e-6 && plan.bars.size() == best_.bars.size()) best_ = std::move(plan);
}

// The patterns found so far as an integer program; looks only for layouts better than the best.
void ExactSolver::IntegerMaster()
{
    const size_t m = types_.size();
    const int rows = static_cast<int>(m + barTypes_.size());
    std::vector<double> rowLower(static_cast<size_t>(rows)), rowUpper(static_cast<size_t>(rows));
    for (size_t i = 0; i < m; ++i) {
        rowLower[i] = static_cast<double>(types_[i].numbers.size());
        rowUpper[i] = COIN_DBL_MAX;
    }
    for (size_t j = 0; j < barTypes_.size(); ++j) {
        rowLower[m + j] = -COIN_DBL_MAX;
        rowUpper[m + j] = static_cast<double>(barTypes_[j].numbers.size());
    }
    CoinPackedMatrix matrix(true, 0, 0);
    matrix.setDimensions(rows, 0);
    std::vector<double> lower, upper, cost;
    std::vector<int32_t> columnPool;
    std::vector<int> index;
    std::vector<double> element;
    for (size_t i = 0; i < m; ++i) {
        const int row = static_cast<int>(i);
        const double one = 1.0;
        matrix.appendCol(1, &row, &one);
        lower.push_back(0.0);
        upper.push_back(static_cast<double>(types_[i].numbers.size()));
        cost.push_back(types_[i].penalty);
        columnPool.push_back(-1);
    }
    std::vector<int32_t> demand;
    for (const auto& t : types_) demand.push_back(static_cast<int32_t>(t.numbers.size()));
    std::set<std::vector<int32_t>> present;
    const size_t poolSize = pool_.size();
    for (size_t p = 0; p < poolSize; ++p) {
        const Pattern capped = Capped(pool_[p], demand);
        std::vector<int32_t> key = capped.counts;
        key.push_back(capped.bar);
        if (!present.insert(key).second) continue;
        index.clear();
        element.clear();
        for (size_t i = 0; i < m; ++i)
            if (capped.counts[i] > 0) {
                index.push_back(static_cast<int>(i));
                element.push_back(capped.counts[i]);
            }
        if (index.empty()) continue;
        index.push_back(static_cast<int>(m) + capped.bar);
        element.push_back(1.0);
        matrix.appendCol(static_cast<int>(index.size()), index.data(), element.data());
        lower.push_back(0.0);
        upper.push_back(static_cast<double>(barTypes_[static_cast<size_t>(capped.bar)].numbers.size()));
        cost.push_back(barTypes_[static_cast<size_t>(capped.bar)].cost);
        columnPool.push_back(AddToPool(capped));
    }
    OsiClpSolverInterface osi;
    osi.messageHandler()->setLogLevel(0);
    osi.loadProblem(matrix, lower.data(), upper.data(), cost.data(), rowLower.data(), rowUpper.data());
    for (int c = 0; c < osi.getNumCols(); ++c) osi.setInteger(c);
    CbcModel model(osi);
    model.setLogLevel(0);
    model.messageHandler()->setLogLevel(0);
    model.setMaximumNodes(limits_.mipNodes);
    if (limits_.seconds > 0.0) {
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
        model.setMaximumSeconds(std::max(0.05, limits_.seconds - elapsed));
    }
    if (best_.objective < kInfinity) {
        const double step = costStep_ > 0.0 ? costStep_ : 1e-6;
        model.setCutoff(best_.objective - step + 1e-6);
    }
    model.branchAndBound();
    const double* x = model.bestSolution();
    if (!x) return;
    Plan plan;
    std::vector<int32_t> left = demand;
    for (size_t c = 0; c < columnPool.size(); ++c) {
        if (columnPool[c] < 0) continue;
        const auto copies = static_cast<int32_t>(std::lround(x[c]));
        for (int32_t k = 0; k < copies; ++k) {
            Pattern p = Capped(pool_[static_cast<size_t>(columnPool[c])], left);
            for (size_t i = 0; i < m; ++i) left[i] -= p.counts[i];
            if (std::any_of(p.counts.begin(), p.counts.end(), [](int32_t v) { return v > 0; }))
                plan.bars.push_back(std::move(p));
        }
    }
    // Bar supply is a row of the program, so the plan never uses more bars than exist.
    plan.objective = Objective(plan);
    if (plan.objective < best_.objective - 1e-6) best_ = std::move(plan);
}

void ExactSolver::Fill(SolutionCut1D& solution) const
{
    std::vector<size_t> nextPiece(types_.size(), 0), nextBar(barTypes_.size(), 0);
    for (const auto& p : best_.bars) {
        const BarType& t = barTypes_[static_cast<size_t>(p.bar)];
        if (nextBar[static_cast<size_t>(p.bar)] >= t.numbers.size()) continue;
        BarUtilization bar;
        bar.barNumber = t.numbers[nextBar[static_cast<size_t>(p.bar)]];
        bar.barLength = t.length;
        for (size_t i = 0; i < types_.size(); ++i)
            for (int32_t k = 0; k < p.counts[i] && nextPiece[i] < types_[i].numbers.size(); ++k) {
                BarCut cut;
                cut.piece = types_[i].numbers[nextPiece[i]++];
                bar.cuts.push_back(cut);
                bar.usedLength += types_[i].length;
            }
        if (bar.cuts.empty()) continue;
        ++nextBar[static_cast<size_t>(p.bar)];
        const int64_t left = static_cast<int64_t>(t.length) - bar.usedLength -
                             static_cast<int64_t>(kerf_) * static_cast<int64_t>(bar.cuts.size());
        bar.waste = static_cast<double>(std::max<int64_t>(left, 0));
        solution.AddBar(std::move(bar));
    }
}

bool ExactSolver::Run(SolutionCut1D& solution)
{
    if (types_.empty() || barTypes_.empty()) return false;
    InitialMaster();
    const bool complete = EnumeratePatterns(kMaxEnumerated);
    Residual all;
    for (const auto& t : types_) all.demand.push_back(static_cast<int32_t>(t.numbers.size()));
    for (const auto& t : barTypes_) all.supply.push_back(static_cast<int32_t>(t.numbers.size()));
    const Relaxation root = Relax(all, std::numeric_limits<int32_t>::max());
    if (root.solved && !root.slack && root.bound > -kInfinity) bound_ = RoundUp(root.bound);
    if (root.solved && !root.slack) SetPrices(root.duals);
    if (root.solved && !root.slack && bound_ > -kInfinity) {
        DiveState whole;
        whole.r = all;
        // No packing at the bound: the best layout needs at least one bar more.
        if (!PackRest(whole, bound_, kPackingWork)) bound_ += costStep_ > 0.0 ? costStep_ : 0.0;
    }
    DiveState first;
    first.r = all;
    Dive(first, {}, kDiscrepancies, 0);
    if (!Reached() && (complete || !Exhausted())) IntegerMaster();
    GatherWaste();
    Fill(solution);
    return Reached();
}

}  // namespace

bool ExactBars(SolutionCut1D& solution, const part1d_array& pieces, const stock1d_array& bars, int32_t kerf,
               const ExactBarsLimits& limits)
{
    ExactSolver solver(pieces, bars, kerf, limits);
    const bool proven = solver.Run(solution);

    // Pieces the layout left out go on the free bars by first fit.
    part1d_array left;
    for (const auto& p : pieces)
        if (p.number >= 0 && p.number < solution.pieceCount && solution.pieceToBar[static_cast<size_t>(p.number)] == -1)
            left.push_back(p);
    stock1d_array free;
    for (const auto& s : bars)
        if (s.number >= 0 && s.number < solution.barCount && solution.barToIndex[static_cast<size_t>(s.number)] == -1)
            free.push_back(s);
    if (!left.empty() && !free.empty()) {
        std::stable_sort(left.begin(), left.end(), [](const part1d& a, const part1d& b) { return a.length > b.length; });
        SolutionCut1D rest;
        rest.Reset(solution.barCount, solution.pieceCount);
        FirstFit(rest, left, free, 0, kerf);
        solution.Append(rest);
    }
    return proven && left.empty();
}

#include "staged_search.h"

#include <algorithm>
#include <numeric>

#include "guillotine_search.h"
#include "slot_sort.h"
#include "util/random.h"
#include "util/tolerance.h"

namespace {

// -1: a first; 1: b first; 0: equal, for a "larger is better" double within t.
int LargerFirst(double a, double b, double t)
{
    const int c = stv::CompareWithin(a, b, t);
    return c == 0 ? 0 : (c > 0 ? -1 : 1);
}

}  // namespace

void line_population::Start(const std::vector<part2d>& selected, const decode_input& input,
                            const sheet_geometry& geometry, const line_search_config& config, int32_t parents)
{
    pieces_ = &selected;
    input_ = &input;
    geometry_ = &geometry;
    config_ = config;
    parents_ = std::max(parents, 1);
    size_ = 2 * parents_;
    elite_ = std::min(parents_, 5);
    const int32_t n = input.count();
    ops_.Bind(selected, input, genome_operators::equal_keys::any_order);
    ops_.set_ShuffleRuns(config.shuffle_runs);
    if (static_cast<int32_t>(storage_.size()) < size_) storage_.resize(static_cast<size_t>(size_));
    slot_.resize(static_cast<size_t>(size_));
    std::iota(slot_.begin(), slot_.end(), 0);
    sort_buffer_.resize(static_cast<size_t>(size_));
    auto prepare = [&](Cut2DXChromosomeNStages& ind) {
        ind.SizeStaged(n, input.bound, input.group_count());
        ind.length = geometry.length;
        ind.width = geometry.width;
        ind.remnant_rule = config.remnant_rule ? 1 : 0;
    };
    for (int32_t i = 0; i < size_; ++i) prepare(At(i));
    prepare(best_);

    for (int32_t i = 0; i < parents_; i += 2) {
        Cut2DXChromosomeNStages& ind = At(i);
        ops_.Initialise(ind, i, config.iterations, config.strategy_index);
        ind.variant = 0;
        if (i + 1 < parents_) {
            Cut2DXChromosomeNStages& twin = At(i + 1);
            twin.CopyGenomeFrom(ind);
            twin.variant = config.routine_pairs ? 1 : 0;
        }
    }
    if (config_.evaluator && parents_ >= kParallelChildren) {
        first_evaluated_ = 0;
        config_.evaluator->ForEach(parents_, &line_population::EvaluateChild, this);
    } else {
        for (int32_t i = 0; i < parents_; ++i) Evaluate(At(i));
    }
    int32_t first = 0;
    for (int32_t i = 1; i < parents_; ++i)
        if (Better(At(i), At(first))) first = i;
    best_.CopyFrom(At(first));
}

void line_population::Evaluate(Cut2DXChromosomeNStages& ind)
{
    if (config_.routine_pairs) {
        staged_rules rules = config_.rules;
        rules.routine = ind.variant;
        DecodeStaged(ind, *input_, *geometry_, rules);
    } else {
        DecodeStaged(ind, *input_, *geometry_, config_.rules);
    }
}

void line_population::EvaluateChild(void* self, int32_t k)
{
    auto* population = static_cast<line_population*>(self);
    population->Evaluate(population->At(population->first_evaluated_ + k));
}

bool line_population::Generation()
{
    // The decoder draws no random numbers: the children may be decoded after all mutations, side by side.
    const bool parallel = config_.evaluator && parents_ >= kParallelChildren;
    for (int32_t i = 0; i < parents_; ++i) {
        const int32_t child_pos = size_ - 1 - i;
        Cut2DXChromosomeNStages& child = At(child_pos);
        child.CopyGenomeFrom(At(i));
        ops_.Mutate(child, i, config_.swap_after, config_.mutation_rate);
        if (parallel) continue;
        Evaluate(child);
        if (i < elite_ && Better(child, At(i))) std::swap(slot_[static_cast<size_t>(i)], slot_[static_cast<size_t>(child_pos)]);
    }
    if (parallel) {
        first_evaluated_ = size_ - parents_;
        config_.evaluator->ForEach(parents_, &line_population::EvaluateChild, this);
        for (int32_t i = 0; i < elite_; ++i) {
            const int32_t child_pos = size_ - 1 - i;
            if (Better(At(child_pos), At(i))) std::swap(slot_[static_cast<size_t>(i)], slot_[static_cast<size_t>(child_pos)]);
        }
    }
    SortRange(elite_, size_ - elite_);
    int32_t gen_best = 0;
    const int32_t last = elite_ < parents_ ? elite_ : elite_ - 1;
    for (int32_t i = 1; i <= last; ++i)
        if (Better(At(i), At(gen_best))) gen_best = i;
    if (!Better(At(gen_best), best_)) return false;
    best_.CopyFrom(At(gen_best));
    return true;
}

int32_t line_population::RemnantExtent(const Cut2DXChromosomeNStages& shape, const Cut2DXChromosomeNStages& of) const
{
    if (config_.staged_order) return config_.rules.first_direction == 0 ? of.used_width : of.used_length;
    if (shape.length > shape.width) return of.used_length;
    if (shape.length < shape.width) return of.used_width;
    return std::min(of.used_length, of.used_width);
}

bool line_population::Better(const Cut2DXChromosomeNStages& a, const Cut2DXChromosomeNStages& b) const
{
    if (!config_.staged_order) return GuillotineSearch::Better(a, b);
    const int32_t common = std::min(a.profile_count, b.profile_count);
    for (int32_t i = 0; i < common; ++i) {
        const size_t s = static_cast<size_t>(i);
        if (a.profile_key[s] != b.profile_key[s]) return a.profile_key[s] < b.profile_key[s];
        const int c = stv::CompareWithin(a.profile_area[s], b.profile_area[s], 0.01);
        if (c != 0) return c > 0;
    }
    if (a.remnant_rule) {
        const int32_t ea = RemnantExtent(a, a), eb = RemnantExtent(a, b);
        if (ea != eb) return ea < eb;
    }
    int c = LargerFirst(a.waste.largest, b.waste.largest, 0.01);
    if (c == 0) c = LargerFirst(a.waste.second, b.waste.second, 0.01);
    if (c == 0) c = LargerFirst(a.waste.third, b.waste.third, 0.01);
    return c < 0;
}

int line_population::SortOrder(const Cut2DXChromosomeNStages& a, const Cut2DXChromosomeNStages& b) const
{
    if (!config_.staged_order) return GuillotineSearch::SortOrder(a, b);
    if (a.profile_count == 0 || b.profile_count == 0) return 0;
    if (a.profile_key[0] != b.profile_key[0]) return a.profile_key[0] > b.profile_key[0] ? -1 : 1;
    int c = LargerFirst(a.profile_area[0], b.profile_area[0], 0.01);
    if (c != 0) return c;
    if (a.remnant_rule) {
        const int32_t ea = RemnantExtent(a, a), eb = RemnantExtent(a, b);
        if (ea != eb) return ea < eb ? -1 : 1;
    }
    c = LargerFirst(a.waste.largest, b.waste.largest, 0.0);
    if (c == 0) c = LargerFirst(a.waste.second, b.waste.second, 0.0);
    if (c == 0) c = LargerFirst(a.waste.third, b.waste.third, 0.0);
    if (c != 0) return c;
    if (a.rect_count != b.rect_count) return a.rect_count < b.rect_count ? -1 : 1;
    return 0;
}

void line_population::SortRange(int32_t from, int32_t to)
{
    MergeSortSlots(slot_.data(), sort_buffer_.data(), from, to, [this](int32_t a, int32_t b) {
        return SortOrder(storage_[static_cast<size_t>(a)], storage_[static_cast<size_t>(b)]) < 0;
    });
}

void StagedSearch::Run(const std::vector<part2d>& selected, int32_t piece_bound, const sheet_geometry& geometry,
                       const line_search_config& config, const std::function<void()>& on_generation)
{
    input_.Build(selected, std::max(piece_bound, 1));
    stop_ = false;
    stv::RandomSeed(config.seed);
    population_.Start(selected, input_, geometry, config, 2 * std::max(config.iterations, 1));
    improved_ = true;
    for (;;) {
        if (on_generation) on_generation();
        if (stop_) break;
        improved_ = population_.Generation();
    }
    stop_ = true;
}

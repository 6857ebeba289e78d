#include "guillotine_search.h"

#include <algorithm>
#include <numeric>

#include "slot_sort.h"
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
// Order swaps start with the parent after this index.
constexpr int32_t kSwapAfter = 9;

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

void GuillotineSearch::EvaluateChild(void* self, int32_t k)
{
    auto* search = static_cast<GuillotineSearch*>(self);
    search->Evaluate(search->At(search->first_child_ + k));
}

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
    ops_.Bind(selected, input_, genome_operators::equal_keys::keep_order);
    ops_.set_ShuffleRuns(config.shuffle_runs);

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
    if (config.seed_generator) stv::RandomSeed(config.seed);
    InitialiseParents(config);
    if (config.evaluator && parents >= kParallelChildren) {
        first_child_ = 0;
        config.evaluator->ForEach(parents, &GuillotineSearch::EvaluateChild, this);
    } else {
        for (int32_t i = 0; i < parents; ++i) Evaluate(At(i));
    }

    improved_ = true;
    int32_t first = 0;
    for (int32_t i = 1; i < parents; ++i)
        if (Better(At(i), At(first))) first = i;
    best_.CopyFrom(At(first));

    for (;;) {
        if (config.stop_without_waste && best_.waste.total <= 0.0001) break;
        if (on_generation) on_generation();
        if (stop_) break;
        // The decoder draws no random numbers: the children may be decoded after all mutations, side by side.
        const bool parallel = config.evaluator && parents >= kParallelChildren;
        for (int32_t i = 0; i < parents; ++i) {
            const int32_t child_pos = population - 1 - i;
            Cut2DXChromosomeGuillotine& child = At(child_pos);
            child.CopyGenomeFrom(At(i));
            ops_.Mutate(child, i, kSwapAfter, config.mutation_rate);
            if (parallel) continue;
            Evaluate(child);
            if (i < elite && Better(child, At(i))) std::swap(slot_[static_cast<size_t>(i)], slot_[static_cast<size_t>(child_pos)]);
        }
        if (parallel) {
            first_child_ = population - parents;
            config.evaluator->ForEach(parents, &GuillotineSearch::EvaluateChild, this);
            for (int32_t i = 0; i < elite; ++i) {
                const int32_t child_pos = population - 1 - i;
                if (Better(At(child_pos), At(i))) std::swap(slot_[static_cast<size_t>(i)], slot_[static_cast<size_t>(child_pos)]);
            }
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
    MergeSortSlots(slot_.data(), sort_buffer_.data(), from, to, [this](int32_t a, int32_t b) {
        return SortOrder(storage_[static_cast<size_t>(a)], storage_[static_cast<size_t>(b)]) < 0;
    });
}

void GuillotineSearch::InitialiseParents(const guillotine_search_config& config)
{
    const int32_t parents = 2 * std::max(config.iterations, 1);
    for (int32_t i = 0; i < parents; i += 2) {
        Cut2DXChromosomeGuillotine& ind = At(i);
        ind.variant = 0;
        ops_.Initialise(ind, i, config.iterations, config.strategy_index);
        Cut2DXChromosomeGuillotine& twin = At(i + 1);
        twin.CopyGenomeFrom(ind);
        twin.variant = 1;
    }
}

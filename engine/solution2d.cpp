#include "engine/solution2d.h"

#include <cmath>
#include <vector>

namespace {

bool SamePiece(const TFractionalPiece2D& a, const TFractionalPiece2D& b)
{
    return a.x1.EqualValue(b.x1) && a.y1.EqualValue(b.y1) && a.x2.EqualValue(b.x2) && a.y2.EqualValue(b.y2) &&
           a.edge_band.SameNames(b.edge_band) && a.label.EqualsIgnoreCase(b.label) &&
           a.grinding.SameThicknesses(b.grinding) && a.customer.EqualsIgnoreCase(b.customer);
}

bool SameCut(const TFractionalCut& a, const TFractionalCut& b)
{
    return a.x1.EqualValue(b.x1) && a.y1.EqualValue(b.y1) && a.x2.EqualValue(b.x2) && a.y2.EqualValue(b.y2);
}

// Every item of `mine` is matched to a distinct item of `theirs`, taking the first unmatched candidate.
template <class Item, class Same>
bool MatchAll(const std::vector<Item>& mine, const std::vector<Item>& theirs, Same same)
{
    std::vector<bool> taken(theirs.size(), false);
    for (const Item& item : mine) {
        bool found = false;
        for (size_t j = 0; j < theirs.size(); ++j) {
            if (!taken[j] && same(item, theirs[j])) {
                taken[j] = true;
                found = true;
                break;
            }
        }
        if (!found) return false;
    }
    return true;
}

constexpr double kZeroWidth = 0.000001;

bool BelongsToReused2D(const fractional_double& length, const fractional_double& width,
                       const fractional_double& minimal)
{
    return length >= minimal && (width >= minimal || width <= kZeroWidth);
}

bool BelongsToGarbage2D(const fractional_double& length, const fractional_double& width,
                        const fractional_double& minimal)
{
    return length < minimal || (width < minimal && width > kZeroWidth);
}

// Raises the total of an equal entry; false when there is none.
bool MergeInto(const TOwningList<statistical_waste>& list, waste_entry_index& index, const fractional_double& length,
               const fractional_double& width, const my_w_string& material, int32_t count)
{
    statistical_waste* entry = index.Find(list, length, width, material);
    if (entry) entry->total += count;
    return entry != nullptr;
}

// Sizes that are equal as records (whole parts within the tolerance) fall into the same or a neighbouring bucket.
int64_t SizeBucket(double whole)
{
    const double q = std::floor(whole / (4.0 * fractional_double::kTolerance));
    constexpr double kEnd = 4e15;
    if (q > -kEnd && q < kEnd) return static_cast<int64_t>(q);
    return q >= kEnd ? static_cast<int64_t>(kEnd) : -static_cast<int64_t>(kEnd);  // and NaN
}

uint64_t Mix(uint64_t h, uint64_t v) { return h ^ (v + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2)); }

uint64_t SizeKey(int64_t length_bucket, const fractional_double& length, int64_t width_bucket,
                 const fractional_double& width)
{
    uint64_t h = Mix(0, static_cast<uint64_t>(length_bucket));
    h = Mix(h, static_cast<uint64_t>(length.numerator));
    h = Mix(h, static_cast<uint64_t>(length.denominator));
    h = Mix(h, static_cast<uint64_t>(width_bucket));
    h = Mix(h, static_cast<uint64_t>(width.numerator));
    return Mix(h, static_cast<uint64_t>(width.denominator));
}

void Append(TOwningList<statistical_waste>& list, const fractional_double& length, const fractional_double& width,
            const my_w_string& material, int32_t count)
{
    statistical_waste& entry = list.Emplace();
    entry.length = length;
    entry.width = width;
    entry.total = count;
    entry.material = material;
}

}  // namespace

bool Solution2D::SameLayout(const Solution2D& other) const
{
    // Each stock record is charged for its own sheets: layouts of two records never merge.
    if (sheet_source_index != other.sheet_source_index) return false;
    if (!sheet_length.EqualValue(other.sheet_length) || !sheet_width.EqualValue(other.sheet_width)) return false;
    if (piece_count() != other.piece_count() || cut_count() != other.cut_count()) return false;
    if (!material.EqualsIgnoreCase(other.material) || !stock_label.EqualsIgnoreCase(other.stock_label)) return false;
    return MatchAll(pieces, other.pieces, SamePiece) && MatchAll(cuts, other.cuts, SameCut);
}

statistical_waste* waste_entry_index::Find(const TOwningList<statistical_waste>& list,
                                           const fractional_double& length, const fractional_double& width,
                                           const my_w_string& material)
{
    if (list.Count() < indexed_) {
        buckets_.clear();
        indexed_ = 0;
    }
    // The entries appended since the last look-up are the last ones.
    auto it = list.end();
    for (int32_t k = list.Count(); k > indexed_; --k) --it;
    for (; it != list.end(); ++it, ++indexed_) {
        const statistical_waste& e = **it;
        buckets_.emplace(SizeKey(SizeBucket(e.length.whole), e.length, SizeBucket(e.width.whole), e.width),
                         std::make_pair(indexed_, it->get()));
    }
    const int64_t lb = SizeBucket(length.whole), wb = SizeBucket(width.whole);
    std::pair<int32_t, statistical_waste*> first{-1, nullptr};
    for (int64_t dl = -1; dl <= 1; ++dl)
        for (int64_t dw = -1; dw <= 1; ++dw) {
            const auto range = buckets_.equal_range(SizeKey(lb + dl, length, wb + dw, width));
            for (auto c = range.first; c != range.second; ++c) {
                const statistical_waste& e = *c->second.second;
                if ((first.second && c->second.first > first.first) || !e.material.EqualsIgnoreCase(material) ||
                    !e.length.RecordEquals(length) || !e.width.RecordEquals(width))
                    continue;
                first = c->second;
            }
        }
    return first.second;
}

void garbage_waste_list::Offer2D(const fractional_double& length, const fractional_double& width,
                                 const my_w_string& material, const fractional_double& minimal_useful_size,
                                 int32_t count)
{
    if (MergeInto(*this, index_, length, width, material, count)) return;
    if (BelongsToGarbage2D(length, width, minimal_useful_size)) Append(*this, length, width, material, count);
}

void garbage_waste_list::Offer1D(const fractional_double& length, const my_w_string& material,
                                 const fractional_double& minimal_useful_size, int32_t count)
{
    const fractional_double no_width;
    if (MergeInto(*this, index_, length, no_width, material, count)) return;
    if (length < minimal_useful_size && length >= kZeroWidth) Append(*this, length, no_width, material, count);
}

void reused_waste_list::Offer2D(const fractional_double& length, const fractional_double& width,
                                const my_w_string& material, const fractional_double& minimal_useful_size,
                                int32_t count)
{
    if (MergeInto(*this, index_, length, width, material, count)) return;
    if (BelongsToReused2D(length, width, minimal_useful_size)) Append(*this, length, width, material, count);
}

void reused_waste_list::Offer1D(const fractional_double& length, const my_w_string& material,
                                const fractional_double& minimal_useful_size, int32_t count)
{
    const fractional_double no_width;
    if (MergeInto(*this, index_, length, no_width, material, count)) return;
    if (length >= minimal_useful_size && length >= kZeroWidth) Append(*this, length, no_width, material, count);
}

material_utilization& material_utilization_list::EntryFor(const my_w_string& material)
{
    for (auto& entry : *this)
        if (entry->material.EqualsIgnoreCase(material)) return *entry;
    material_utilization& entry = Emplace();
    entry.material = material;
    return entry;
}

void material_utilization_list::AddLayout(const Solution2D& layout)
{
    material_utilization& entry = EntryFor(layout.material);
    const int32_t n = layout.repetitions;
    entry.used_area_total += layout.used_area * n;
    entry.waste_area_total += layout.waste_area * n;
    entry.sheet_area_total += Product(layout.sheet_length, layout.sheet_width) * n;
    entry.cut_length_total += layout.cut_length * n;
    entry.cost_total += layout.cost * n;
    entry.piece_total += layout.piece_count() * n;
}

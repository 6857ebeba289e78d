#include "engine/solution2d.h"

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
bool MergeInto(TOwningList<statistical_waste>& list, const fractional_double& length,
               const fractional_double& width, const my_w_string& material, int32_t count)
{
    for (auto& entry : list) {
        if (entry->material.EqualsIgnoreCase(material) && entry->length.RecordEquals(length) &&
            entry->width.RecordEquals(width)) {
            entry->total += count;
            return true;
        }
    }
    return false;
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

void garbage_waste_list::Offer2D(const fractional_double& length, const fractional_double& width,
                                 const my_w_string& material, const fractional_double& minimal_useful_size,
                                 int32_t count)
{
    if (MergeInto(*this, length, width, material, count)) return;
    if (BelongsToGarbage2D(length, width, minimal_useful_size)) Append(*this, length, width, material, count);
}

void garbage_waste_list::Offer1D(const fractional_double& length, const my_w_string& material,
                                 const fractional_double& minimal_useful_size, int32_t count)
{
    const fractional_double no_width;
    if (MergeInto(*this, length, no_width, material, count)) return;
    if (length < minimal_useful_size && length >= kZeroWidth) Append(*this, length, no_width, material, count);
}

void reused_waste_list::Offer2D(const fractional_double& length, const fractional_double& width,
                                const my_w_string& material, const fractional_double& minimal_useful_size,
                                int32_t count)
{
    if (MergeInto(*this, length, width, material, count)) return;
    if (BelongsToReused2D(length, width, minimal_useful_size)) Append(*this, length, width, material, count);
}

void reused_waste_list::Offer1D(const fractional_double& length, const my_w_string& material,
                                const fractional_double& minimal_useful_size, int32_t count)
{
    const fractional_double no_width;
    if (MergeInto(*this, length, no_width, material, count)) return;
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

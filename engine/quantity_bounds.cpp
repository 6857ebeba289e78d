#include "engine/quantity_bounds.h"

#include <vector>

#include "i18n/quantity_texts.h"

namespace {

struct material_total {
    my_w_string material;
    int64_t total = 0;
};

// Totals by material ignoring case; int64 sums cannot overflow from int32 rows below the bound.
template <class Record>
std::optional<int32_t> FirstOversizedRow(const record_array<Record>& records)
{
    std::vector<material_total> totals;
    for (int32_t j = 0; j < records.count(); ++j) {
        const Record& r = records[j];
        if (!r.useit || r.quantity <= 0) continue;
        material_total* entry = nullptr;
        for (auto& t : totals)
            if (t.material.EqualsIgnoreCase(r.material)) entry = &t;
        if (!entry) entry = &totals.emplace_back(material_total{r.material, 0});
        entry->total += r.quantity;
        if (entry->total > kMaxPiecesPerMaterial) return j;
    }
    return std::nullopt;
}

template <class Record>
int32_t RowNumber(const Record& r, int32_t position)
{
    return r.row_index >= 0 ? r.row_index + 1 : position + 1;
}

void Replace(std::wstring& text, std::wstring_view mark, const std::wstring& value)
{
    const size_t at = text.find(mark);
    if (at != std::wstring::npos) text.replace(at, mark.size(), value);
}

}  // namespace

std::optional<quantity_refusal> FindOversizedQuantity(const parts_array_2d& parts, const stock_array_2d& stock)
{
    if (const auto j = FirstOversizedRow(parts))
        return quantity_refusal{false, RowNumber(parts[*j], *j), parts[*j].quantity};
    if (const auto j = FirstOversizedRow(stock))
        return quantity_refusal{true, RowNumber(stock[*j], *j), stock[*j].quantity};
    return std::nullopt;
}

std::wstring RefusalText(const quantity_refusal& refusal)
{
    std::wstring text(Translated(QuantityTextRow(quantity_text::QuantityTooLarge)));
    const quantity_text list = refusal.stock ? quantity_text::StockList : quantity_text::PartsList;
    Replace(text, L"%1", std::wstring(Translated(QuantityTextRow(list))));
    Replace(text, L"%2", std::to_wstring(refusal.row));
    Replace(text, L"%3", std::to_wstring(refusal.quantity));
    Replace(text, L"%4", std::to_wstring(kMaxPiecesPerMaterial));
    return text;
}

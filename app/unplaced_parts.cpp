#include "app/unplaced_parts.h"

#include <map>

#include "app/locale_stv.h"
#include "engine/stavora_2d.h"
#include "i18n/window_texts.h"

namespace {

QString Text(window_text entry) { return ToQString(WindowText(entry)); }

QString Size(const fractional_double& value) { return ToQString(value.FormatDisplay(LocaleDecimalSeparator())); }

enum class fit { fits, only_turned_against_grain, too_large };

// Plain size test of a part on one sheet, ignoring kerf and trims: the reason is told, not re-checked.
fit FitOnSheet(const part_as_number_2d& part, const stock_as_number_2d& sheet)
{
    const double l = part.length.AsDouble(), w = part.width.AsDouble();
    const double sl = sheet.length.AsDouble(), sw = sheet.width.AsDouble();
    const bool unturned = l <= sl && w <= sw;
    const bool turned = w <= sl && l <= sw;
    // With a grain on both, the part lies along the sheet's grain; otherwise it may turn.
    const bool grain_fixed = part.grain != 0 && sheet.grain != 0;
    const bool turned_allowed = !grain_fixed ? true : part.grain != sheet.grain;
    const bool unturned_allowed = !grain_fixed ? true : part.grain == sheet.grain;
    if ((unturned && unturned_allowed) || (turned && turned_allowed)) return fit::fits;
    if (unturned || turned) return fit::only_turned_against_grain;
    return fit::too_large;
}

QString Reason(const stavora_2d& engine, const part_as_number_2d& part)
{
    bool any_sheet = false, against_grain = false, fits = false;
    for (int32_t i = 0; i < engine.stock.count(); ++i) {
        const stock_as_number_2d& sheet = engine.stock[i];
        if (!sheet.IsSheet() || !(sheet.material == part.material)) continue;
        any_sheet = true;
        switch (FitOnSheet(part, sheet)) {
        case fit::fits: fits = true; break;
        case fit::only_turned_against_grain: against_grain = true; break;
        case fit::too_large: break;
        }
    }
    if (!any_sheet) return Text(window_text::ReasonNoStock).arg(ToQString(part.material.str()));
    if (fits) return Text(window_text::ReasonNotEnough);
    return Text(against_grain ? window_text::ReasonGrain : window_text::ReasonTooLarge);
}

}  // namespace

std::vector<unplaced_part> UnplacedParts(const stavora_2d& engine)
{
    // Pieces placed per part record, over every layout and its repetitions.
    std::map<int32_t, int64_t> placed;
    for (int32_t k = 0; k < engine.solutions_2d.Count(); ++k) {
        const Solution2D& layout = *engine.solutions_2d.Get(k);
        for (const TFractionalPiece2D& piece : layout.pieces) placed[piece.source_index] += layout.repetitions;
    }
    std::vector<unplaced_part> parts;
    for (int32_t i = 0; i < engine.parts.count(); ++i) {
        const part_as_number_2d& part = engine.parts[i];
        if (!part.IsFlatPiece() || placed[i] >= part.quantity) continue;
        parts.push_back({part.row_index + 1, ToQString(part.label.str()),
                         Size(part.length) + QStringLiteral(" \u00d7 ") + Size(part.width), part.quantity - placed[i],
                         Reason(engine, part)});
    }
    return parts;
}

QStringList UnplacedPartLines(const stavora_2d& engine, const QString& grid_title)
{
    QStringList lines;
    for (const unplaced_part& part : UnplacedParts(engine)) {
        const QString name = part.label.isEmpty() ? part.size : part.label + QStringLiteral(", ") + part.size;
        lines << Text(window_text::NotPlacedLine).arg(grid_title, QString::number(part.row), name, part.reason);
    }
    return lines;
}

#include "app/run_summary.h"

#include <algorithm>
#include <tuple>

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QTextDocument>

#include "engine/stavora_2d.h"
#include "i18n/report_texts.h"
#include "i18n/summary_texts.h"
#include "i18n/ui_texts.h"
#include "render/draw_layout.h"

namespace {

QString Text(report_text entry) { return QString::fromStdWString(std::wstring(ReportText(entry))); }
QString Text(summary_text entry) { return QString::fromStdWString(std::wstring(SummaryText(entry))); }
QString Text(ui_text entry) { return QString::fromStdWString(UiText(entry)); }

QString Percent(const fractional_double& part, const fractional_double& whole)
{
    const double total = whole.AsDouble();
    return WastePercentText(total > 0.0 ? part.AsDouble() * 100.0 / total : 0.0) + QStringLiteral(" %");
}

QString Cell(const QString& text, bool number = false)
{
    return (number ? QStringLiteral("<td align=\"right\">") : QStringLiteral("<td>")) + text.toHtmlEscaped() +
           QStringLiteral("</td>");
}

// In <thead>, so that a table going on over a page shows its headers again.
QString HeaderRow(const QStringList& headers)
{
    QString row = QStringLiteral("<thead><tr>");
    for (const QString& header : headers)
        row += QStringLiteral("<th align=\"left\">") + header.toHtmlEscaped() + QStringLiteral("</th>");
    return row + QStringLiteral("</tr></thead>");
}

QString StockCells(const summary_stock_row& row)
{
    return Cell(QString::number(row.sheets), true) + Cell(Percent(row.used_area, row.sheet_area), true) +
           Cell(SizeText(row.waste_area) + QStringLiteral(" (") + Percent(row.waste_area, row.sheet_area) +
                    QStringLiteral(")"),
                true) +
           Cell(SizeText(row.cut_length), true);
}

}  // namespace

run_summary SummarizeRun(const stavora_2d& engine)
{
    run_summary summary;
    // One row per material (ignoring case, as the engine groups them) and stock record.
    struct key {
        my_w_string material;
        int32_t record;
        size_t material_rank;  // order of the material's first layout
    };
    std::vector<key> keys;
    for (int32_t k = 0; k < engine.solutions_2d.Count(); ++k) {
        const Solution2D& layout = *engine.solutions_2d.Get(k);
        auto same_material = [&](const key& other) { return other.material.EqualsIgnoreCase(layout.material); };
        auto found = std::find_if(keys.begin(), keys.end(), [&](const key& other) {
            return other.record == layout.sheet_source_index && same_material(other);
        });
        if (found == keys.end()) {
            const auto material = std::find_if(keys.begin(), keys.end(), same_material);
            const size_t rank = material == keys.end() ? keys.size() : material->material_rank;
            keys.push_back({layout.material, layout.sheet_source_index, rank});
            summary_stock_row row;
            row.material = QString::fromStdWString(layout.material.str());
            row.label = QString::fromStdWString(layout.stock_label.str());
            row.size = SizeText(layout.sheet_length) + QStringLiteral(" \u00d7 ") + SizeText(layout.sheet_width);
            summary.stock.push_back(row);
            found = keys.end() - 1;
        }
        summary_stock_row& row = summary.stock[static_cast<size_t>(found - keys.begin())];
        const int32_t n = layout.repetitions;
        row.sheets += n;
        row.sheet_area += Product(layout.sheet_length, layout.sheet_width) * n;
        row.used_area += layout.used_area * n;
        row.waste_area += layout.waste_area * n;
        row.cut_length += layout.cut_length * n;
    }
    // The rows of one material stand together, in the order of the stock list.
    std::vector<size_t> order(keys.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return std::tie(keys[a].material_rank, keys[a].record) < std::tie(keys[b].material_rank, keys[b].record);
    });
    std::vector<summary_stock_row> sorted;
    for (size_t i : order) sorted.push_back(summary.stock[i]);
    summary.stock = std::move(sorted);
    summary.unplaced = UnplacedParts(engine);
    return summary;
}

QString SummaryHtml(const run_summary& summary)
{
    const QString table = QStringLiteral(
        "<table cellspacing=\"0\" cellpadding=\"4\" border=\"1\" style=\"border-collapse: collapse\">");
    QString html =
        QStringLiteral("<html><body><h2>") + Text(summary_text::Summary).toHtmlEscaped() + QStringLiteral("</h2>");
    html += QStringLiteral("<h3>") + Text(report_text::StockUsed).toHtmlEscaped() + QStringLiteral("</h3>") + table;
    // The window's grids give no material: the column shows only when a list named one.
    const bool materials = std::any_of(summary.stock.begin(), summary.stock.end(),
                                       [](const summary_stock_row& row) { return !row.material.isEmpty(); });
    QStringList headers = {Text(ui_text::Label), Text(report_text::Size), Text(report_text::Sheets),
                           Text(report_text::Utilization), Text(ui_text::Waste), Text(report_text::CutLength)};
    if (materials) headers.prepend(Text(report_text::Material));
    html += HeaderRow(headers);
    summary_stock_row total;
    for (const summary_stock_row& row : summary.stock) {
        html += QStringLiteral("<tr>") + (materials ? Cell(row.material) : QString()) + Cell(row.label) +
                Cell(row.size) + StockCells(row) + QStringLiteral("</tr>");
        total.sheets += row.sheets;
        total.sheet_area += row.sheet_area;
        total.used_area += row.used_area;
        total.waste_area += row.waste_area;
        total.cut_length += row.cut_length;
    }
    if (summary.stock.size() > 1)
        html += QStringLiteral("<tr><th align=\"left\" colspan=\"%1\">").arg(materials ? 3 : 2) +
                Text(report_text::Total).toHtmlEscaped() + QStringLiteral("</th>") + StockCells(total) + QStringLiteral("</tr>");
    html += QStringLiteral("</table>");

    html += QStringLiteral("<h3>") + Text(report_text::PartsNotPlaced).toHtmlEscaped();
    if (summary.unplaced.empty())
        return html + QStringLiteral(": ") + Text(report_text::None).toHtmlEscaped() +
               QStringLiteral("</h3></body></html>");
    html += QStringLiteral("</h3>") + table;
    html += HeaderRow({Text(summary_text::Row), Text(ui_text::Label), Text(report_text::Size), Text(report_text::Count),
                       Text(summary_text::Reason)});
    for (const unplaced_part& part : summary.unplaced)
        html += QStringLiteral("<tr>") + Cell(QString::number(part.row), true) + Cell(part.label) + Cell(part.size) +
                Cell(QString::number(part.missing), true) + Cell(part.reason) + QStringLiteral("</tr>");
    return html + QStringLiteral("</table></body></html>");
}

bool DrawSummaryPages(QPainter& painter, const QRect& area, const QString& html,
                      const std::function<bool()>& next_page)
{
    QTextDocument document;
    // Laid out for the device it is drawn on, so the text and the tables match on paper too; the page
    // size makes the layout break between lines and table rows, not through them.
    document.documentLayout()->setPaintDevice(painter.device());
    document.setDefaultFont(painter.font());
    document.setHtml(html);
    document.setPageSize(QSizeF(area.size()));
    const int pages = std::max(1, document.pageCount());
    for (int k = 0; k < pages; ++k) {
        if (k > 0 && !next_page()) return false;
        const QRectF shown(0, static_cast<double>(k) * area.height(), area.width(), area.height());
        painter.save();
        painter.translate(area.left(), area.top() - shown.top());
        document.drawContents(&painter, shown);
        painter.restore();
    }
    return true;
}

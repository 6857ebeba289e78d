#include "render/job_report.h"

#include <algorithm>
#include <cmath>
#include <map>

#include <QFontMetrics>
#include <QLocale>
#include <QPageLayout>
#include <QPainter>
#include <QBuffer>
#include <QFile>
#include <QPdfWriter>

#include "engine/cut_sequence.h"
#include "i18n/report_texts.h"
#include "i18n/ui_texts.h"
#include "util/safe_file.h"

namespace {

constexpr int kResolution = 300;
constexpr double kMarginMm = 12.0;

QString R(report_text t) { return QString::fromStdWString(std::wstring(ReportText(t))); }
QString U(ui_text t) { return QString::fromStdWString(UiText(t)); }
QString W(const my_w_string& s) { return QString::fromStdWString(s.str()); }
QString Money(double v) { return QLocale().toString(v, 'f', 2); }
QString Percent(double part, double whole)
{
    return whole > 0.0 ? QLocale().toString(part * 100.0 / whole, 'f', 2) + QStringLiteral(" %") : QStringLiteral("0 %");
}

struct table {
    QString title;
    QStringList headers;
    std::vector<QStringList> rows;
    std::vector<bool> right;  // numbers are aligned right
};

// Draws a table in `area`, flowing into as many columns as its rows need, at the largest font
// size from the body size down that fits; returns the height used.
int DrawTable(QPainter& p, const QRect& area, const table& t, const QFont& body)
{
    QFont font = body;
    const double largest = body.pointSizeF();
    for (double size = largest; size >= 4.0; size -= 0.5) {
        font.setPointSizeF(size);
        const QFontMetrics fm(font, p.device());
        QFont bold_font = font;
        bold_font.setBold(true);
        const QFontMetrics bold_fm(bold_font, p.device());
        const int h = fm.height();
        const int pad = fm.horizontalAdvance(QStringLiteral("  "));
        const int title_h = t.title.isEmpty() ? 0 : h + h / 3;
        const int rows_per_column = std::max(1, (area.height() - title_h) / h - 1);
        const int columns = std::max<int>(1, static_cast<int>((t.rows.size() + rows_per_column - 1) / rows_per_column));
        std::vector<int> widths(static_cast<size_t>(t.headers.size()), 0);
        for (int c = 0; c < t.headers.size(); ++c) widths[static_cast<size_t>(c)] = bold_fm.horizontalAdvance(t.headers[c]) + pad;
        for (const QStringList& row : t.rows)
            for (int c = 0; c < row.size() && c < t.headers.size(); ++c)
                widths[static_cast<size_t>(c)] = std::max(widths[static_cast<size_t>(c)], fm.horizontalAdvance(row[c]) + pad);
        int needed = 0;
        for (int w : widths) needed += w;
        const int column_width = area.width() / columns;
        const bool last_try = size - 0.5 < 4.0;
        if ((needed > column_width - pad || (columns > 1 && area.height() < title_h + 2 * h)) && !last_try) continue;
        p.save();
        p.setFont(font);
        int y = area.top();
        if (!t.title.isEmpty()) {
            QFont bold = font;
            bold.setBold(true);
            p.setFont(bold);
            p.drawText(QRect(area.left(), y, area.width(), h), Qt::AlignLeft | Qt::AlignVCenter, t.title);
            p.setFont(font);
            y += title_h;
        }
        const int top = y;
        int used_rows = 0;
        for (int col = 0; col < columns; ++col) {
            const int left = area.left() + col * column_width;
            int x = left;
            QFont bold = font;
            bold.setBold(true);
            p.setFont(bold);
            for (int c = 0; c < t.headers.size(); ++c) {
                const int w = widths[static_cast<size_t>(c)];
                const bool right = static_cast<size_t>(c) < t.right.size() && t.right[static_cast<size_t>(c)];
                p.drawText(QRect(x, top, w - pad / 2, h), (right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter,
                           t.headers[c]);
                x += w;
            }
            p.setFont(font);
            p.drawLine(left, top + h, std::min(x, left + column_width - pad), top + h);
            for (int r = 0; r < rows_per_column; ++r) {
                const size_t i = static_cast<size_t>(col * rows_per_column + r);
                if (i >= t.rows.size()) break;
                x = left;
                for (int c = 0; c < t.rows[i].size() && c < t.headers.size(); ++c) {
                    const int w = widths[static_cast<size_t>(c)];
                    const bool right = static_cast<size_t>(c) < t.right.size() && t.right[static_cast<size_t>(c)];
                    p.drawText(QRect(x, top + (r + 1) * h, w - pad / 2, h),
                               (right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter, t.rows[i][c]);
                    x += w;
                }
                used_rows = std::max(used_rows, r + 1);
            }
        }
        p.restore();
        return top - area.top() + (used_rows + 1) * h;
    }
    return 0;
}

// The height a table needs in one column at the body font.
int TableHeight(const QPaintDevice* device, const table& t, const QFont& body)
{
    const int h = QFontMetrics(body, device).height();
    return (t.title.isEmpty() ? 0 : h + h / 3) + static_cast<int>(t.rows.size() + 1) * h;
}

struct unplaced {
    QString label;
    int64_t count = 0;
};

std::vector<unplaced> UnplacedParts(const stavora_2d& facade)
{
    std::map<int32_t, int64_t> placed;
    for (const auto& layout : facade.solutions_2d)
        for (const auto& piece : layout->pieces) placed[piece.source_index] += layout->repetitions;
    for (const auto& layout : facade.solutions_1d)
        for (const auto& piece : layout->pieces) placed[piece.partIndex] += layout->repeat;
    std::vector<unplaced> out;
    for (int32_t i = 0; i < facade.parts.count(); ++i) {
        const part_as_number_2d& part = facade.parts[i];
        if (part.useit && part.quantity > placed[i]) out.push_back({W(part.label), part.quantity - placed[i]});
    }
    return out;
}

class report_writer {
public:
    report_writer(QPdfWriter& writer, QPainter& painter, const stavora_2d& facade, const report_options& options)
        : w_(writer), p_(painter), f_(facade), o_(options), pages_(ReportPageCount(facade))
    {
    }

    bool Write()
    {
        JobPage();
        int sheet = 1;
        int64_t sheets = 0;
        for (const auto& layout : f_.solutions_2d) sheets += layout->repetitions;
        for (const auto& layout : f_.solutions_2d) {
            if (!NewPage(layout->sheet_length.AsDouble() >= layout->sheet_width.AsDouble())) return false;
            LayoutPage(*layout, sheet, sheets);
            sheet += layout->repetitions;
        }
        if (!NewPage(false)) return false;
        OffcutPage();
        return true;
    }

private:
    QRect Body() const
    {
        const int footer = QFontMetrics(o_.font, &w_).height() * 2;
        return QRect(0, 0, w_.width(), w_.height() - footer);
    }

    bool NewPage(bool landscape)
    {
        w_.setPageLayout(PageLayout(landscape));
        if (!w_.newPage()) return false;
        Footer();
        return true;
    }

    QPageLayout PageLayout(bool landscape) const
    {
        const QPageSize::PageSizeId paper = o_.paper.value_or(PaperOfLocale(QLocale()));
        return QPageLayout(QPageSize(paper), landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                           QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm), QPageLayout::Millimeter);
    }

    void Footer()
    {
        ++page_;
        p_.setFont(o_.font);
        const int h = QFontMetrics(o_.font, &w_).height();
        p_.drawText(QRect(0, w_.height() - h, w_.width(), h), Qt::AlignCenter,
                    R(report_text::PageOf).arg(page_).arg(pages_));
    }

    // A bold heading; returns its height.
    int Heading(int y, const QString& text, double scale = 1.0)
    {
        QFont bold = o_.font;
        bold.setBold(true);
        bold.setPointSizeF(o_.font.pointSizeF() * scale);
        p_.setFont(bold);
        const int h = QFontMetrics(bold, &w_).height();
        p_.drawText(QRect(0, y, w_.width(), h), Qt::AlignLeft | Qt::AlignVCenter, text);
        p_.setFont(o_.font);
        return h + h / 4;
    }

    int Line(int y, const QString& text)
    {
        p_.setFont(o_.font);
        const int h = QFontMetrics(o_.font, &w_).height();
        p_.drawText(QRect(0, y, w_.width(), h), Qt::AlignLeft | Qt::AlignVCenter, text);
        return h;
    }

    QString Size(const fractional_double& v) const { return SizeText(v); }
    QString Times(const fractional_double& a, const fractional_double& b) const
    {
        return Size(a) + QStringLiteral(" × ") + Size(b);
    }
    QString Colon(const QString& name, const QString& value) const
    {
        return name + (QLocale().language() == QLocale::French ? QStringLiteral(" : ") : QStringLiteral(": ")) + value;
    }

    void JobPage()
    {
        w_.setPageLayout(PageLayout(false));
        Footer();
        int y = 0;
        y += Heading(y, QStringLiteral("Stavora — ") + R(report_text::JobReport), 1.6);
        y += Line(y, Colon(R(report_text::PartsFile), o_.parts_file));
        y += Line(y, Colon(R(report_text::Date), QLocale().toString(o_.date, QLocale::LongFormat)));
        const parameters_as_number_2d& pr = f_.parameters;
        y += Line(y, Colon(U(ui_text::CuttingThickness), Size(pr.cutter_thickness)));
        y += Line(y, Colon(U(ui_text::MinimalRuptureSize), Size(pr.minimal_break_size)));
        y += Line(y, Colon(U(ui_text::MaximalCutLength), Size(pr.maximal_cut_length)));
        y += Line(y, Colon(R(report_text::OptimizationLevel), QString::number(pr.iterations)));
        const int h = QFontMetrics(o_.font, &w_).height();
        y += h;

        for (const auto& u : f_.utilization_2d) {
            y += Heading(y, Colon(R(report_text::Material), W(u->material)), 1.2);
            // Stock used, by stock record.
            struct used {
                QString label, size;
                int64_t count = 0;
                fractional_double area;
                double cost = 0.0;
            };
            std::map<int32_t, used> by_record;
            for (const auto& l : f_.solutions_2d) {
                if (!l->material.EqualsIgnoreCase(u->material)) continue;
                used& e = by_record[l->sheet_source_index];
                e.label = W(l->stock_label);
                e.size = Times(l->sheet_length, l->sheet_width);
                e.count += l->repetitions;
                e.area = e.area + Product(l->sheet_length, l->sheet_width) * l->repetitions;
                e.cost += l->cost * l->repetitions;
            }
            table t;
            t.title = R(report_text::StockUsed);
            t.headers = {U(ui_text::Label), R(report_text::Size), R(report_text::Sheets), R(report_text::Area),
                         R(report_text::Cost)};
            t.right = {false, false, true, true, true};
            for (const auto& [record, e] : by_record)
                t.rows.push_back({e.label, e.size, QString::number(e.count), Size(e.area), Money(e.cost)});
            y += DrawTable(p_, QRect(0, y, w_.width(), Body().height() - y), t, o_.font) + h / 2;
            const cut_totals c = MaterialCutTotals(f_, u->material);
            const double sheet_area = u->sheet_area_total.AsDouble();
            y += Line(y, Colon(R(report_text::Sheets), QString::number(c.sheet_count)) + QStringLiteral("    ") +
                             Colon(R(report_text::Pieces), QString::number(u->piece_total)) + QStringLiteral("    ") +
                             Colon(R(report_text::Area), Size(u->sheet_area_total)));
            y += Line(y, Colon(R(report_text::Utilization), Percent(u->used_area_total.AsDouble(), sheet_area)) +
                             QStringLiteral("    ") + Colon(U(ui_text::Waste), Size(u->waste_area_total)) +
                             QStringLiteral(" (") + Percent(u->waste_area_total.AsDouble(), sheet_area) +
                             QStringLiteral(")    ") + Colon(R(report_text::Cost), Money(u->cost_total)));
            y += Line(y, R(report_text::CutTotals).arg(c.cut_count).arg(Size(c.cut_length)));
            y += h;
        }
        if (f_.utilization_2d.Count() > 1) {
            const cut_totals c = JobCutTotals(f_);
            y += Heading(y, R(report_text::Total), 1.2);
            y += Line(y, Colon(R(report_text::Sheets), QString::number(c.sheet_count)) + QStringLiteral("    ") +
                             R(report_text::CutTotals).arg(c.cut_count).arg(Size(c.cut_length)));
            y += h;
        }
        const std::vector<unplaced> missing = UnplacedParts(f_);
        if (missing.empty()) {
            y += Line(y, Colon(R(report_text::PartsNotPlaced), R(report_text::None)));
        } else {
            table t;
            t.title = R(report_text::PartsNotPlaced);
            t.headers = {U(ui_text::Label), R(report_text::Count)};
            t.right = {false, true};
            for (const unplaced& m : missing) t.rows.push_back({m.label, QString::number(m.count)});
            DrawTable(p_, QRect(0, y, w_.width(), Body().height() - y), t, o_.font);
        }
    }

    void LayoutPage(const Solution2D& l, int first_sheet, int64_t sheets)
    {
        const layout_cut_sequence s = CutSequenceOf(f_, l);
        const QString which = l.repetitions > 1
                                  ? R(report_text::SheetsOf).arg(first_sheet).arg(first_sheet + l.repetitions - 1).arg(sheets)
                                  : R(report_text::SheetOf).arg(first_sheet).arg(sheets);
        QStringList head{which};
        if (!l.stock_label.empty()) head << W(l.stock_label);
        if (!l.material.empty()) head << W(l.material);
        head << Times(l.sheet_length, l.sheet_width) << U(ui_text::Quantity) + QStringLiteral(" = ") + QString::number(l.repetitions);
        int y = Heading(0, head.join(QStringLiteral(" — ")), 1.2);
        y += Line(y, R(report_text::CutTotals).arg(s.cuts.size()).arg(Size(s.cut_length)));

        const int body_height = Body().height();
        const int gap = QFontMetrics(o_.font, &w_).height();
        // Landscape: the drawing on the left, the tables beside it; portrait: the tables below.
        const bool landscape = w_.pageLayout().orientation() == QPageLayout::Landscape;
        // Long lists take room from the drawing.
        const bool long_lists = l.pieces.size() + s.cuts.size() > 60;
        const QRect drawing = landscape ? QRect(0, y, w_.width() * (long_lists ? 1 : 3) / (long_lists ? 2 : 5), body_height - y)
                                        : QRect(0, y, w_.width(), (body_height - y) * 9 / 20);
        layout_display_flags flags = o_.flags;
        flags.show_cut_numbers = true;
        flags.cut_sequence_of = [&s](const Solution2D&) { return s; };
        p_.save();
        p_.translate(drawing.topLeft());
        DrawLayoutOnPage(p_, l, drawing.width(), drawing.height(), flags, o_.font);
        p_.restore();
        const QRect tables = landscape ? QRect(drawing.right() + gap, y, w_.width() - drawing.width() - gap, body_height - y)
                                       : QRect(0, drawing.bottom() + gap, w_.width(), body_height - drawing.bottom() - gap);

        const std::vector<int32_t> order = PiecesInCuttingOrder(l, s);
        std::vector<int32_t> number_of(l.pieces.size(), 0);
        table pieces;
        pieces.title = R(report_text::Pieces);
        pieces.headers = {R(report_text::Number), U(ui_text::Label), R(report_text::Size), R(report_text::Turned)};
        pieces.right = {true, false, false, false};
        for (size_t n = 0; n < order.size(); ++n) {
            const TFractionalPiece2D& piece = l.pieces[static_cast<size_t>(order[n])];
            number_of[static_cast<size_t>(order[n])] = static_cast<int32_t>(n + 1);
            pieces.rows.push_back({QString::number(n + 1), W(piece.label), Times(piece.horizontal_size, piece.vertical_size),
                                   piece.rotated ? R(report_text::Yes) : QString()});
        }
        table cuts;
        cuts.title = R(report_text::CuttingSequence);
        cuts.headers = {R(report_text::Number), R(report_text::Stage), R(report_text::Direction), R(report_text::Position),
                        R(report_text::Length), R(report_text::Frees)};
        cuts.right = {true, false, false, true, true, false};
        for (const sequence_cut& c : s.cuts) {
            QStringList frees;
            for (int32_t p : c.freed_pieces) frees << QString::number(number_of[static_cast<size_t>(p)]);
            if (!c.freed_wastes.empty()) frees << R(report_text::Offcut);
            cuts.rows.push_back({QString::number(c.number), c.trim ? R(report_text::Trim) : QString::number(c.stage),
                                 c.direction == cut_direction::rip ? R(report_text::Rip) : R(report_text::CrossCut),
                                 Size(c.position), Size(c.length), frees.join(QStringLiteral(", "))});
        }
        // The two tables share the space by their row counts.
        const double share = std::clamp(static_cast<double>(pieces.rows.size() + 4) /
                                            static_cast<double>(pieces.rows.size() + cuts.rows.size() + 8), 0.25, 0.45);
        if (landscape) {
            const int wanted = TableHeight(&w_, pieces, o_.font);
            const int split = wanted + TableHeight(&w_, cuts, o_.font) + gap <= tables.height()
                                  ? wanted
                                  : static_cast<int>(tables.height() * share);
            const int used = DrawTable(p_, QRect(tables.left(), tables.top(), tables.width(), split), pieces, o_.font);
            DrawTable(p_, QRect(tables.left(), tables.top() + used + gap, tables.width(), tables.height() - used - gap), cuts,
                      o_.font);
        } else {
            const int split = static_cast<int>(tables.width() * share);
            DrawTable(p_, QRect(tables.left(), tables.top(), split - gap, tables.height()), pieces, o_.font);
            DrawTable(p_, QRect(tables.left() + split, tables.top(), tables.width() - split, tables.height()), cuts, o_.font);
        }
    }

    void OffcutPage()
    {
        int y = Heading(0, R(report_text::OffcutsToKeep), 1.4);
        if (f_.reused_waste_2d.Count() == 0) {
            Line(y, R(report_text::None));
            return;
        }
        table t;
        t.headers = {R(report_text::Material), R(report_text::Length), R(report_text::Width), R(report_text::Count)};
        t.right = {false, true, true, true};
        for (const auto& w : f_.reused_waste_2d)
            t.rows.push_back({W(w->material), Size(w->length), Size(w->width), QString::number(w->total)});
        DrawTable(p_, QRect(0, y, w_.width(), Body().height() - y), t, o_.font);
    }

    QPdfWriter& w_;
    QPainter& p_;
    const stavora_2d& f_;
    const report_options& o_;
    const int pages_;
    int page_ = 0;
};

}  // namespace

QPageSize::PageSizeId PaperOfLocale(const QLocale& locale)
{
    if (locale.measurementSystem() == QLocale::ImperialUSSystem) return QPageSize::Letter;
    switch (locale.territory()) {
    case QLocale::Canada:
    case QLocale::Mexico:
    case QLocale::Philippines:
    case QLocale::Chile:
    case QLocale::Colombia:
    case QLocale::Venezuela:
        return QPageSize::Letter;
    default:
        return QPageSize::A4;
    }
}

int ReportPageCount(const stavora_2d& facade) { return 2 + static_cast<int>(facade.solutions_2d.Count()); }

bool WriteJobReportPdf(const QString& file_name, const stavora_2d& facade, const report_options& options)
{
    // Drawn in memory and saved whole, so a failed write leaves no half document.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly)) return false;
    QPdfWriter writer(&buffer);
    writer.setResolution(kResolution);
    writer.setTitle(QStringLiteral("Stavora - ") + QString::fromStdWString(std::wstring(ReportText(report_text::JobReport))));
    writer.setCreator(QStringLiteral("Stavora"));
    writer.setPageLayout(QPageLayout(QPageSize(options.paper.value_or(PaperOfLocale(QLocale()))), QPageLayout::Portrait,
                                     QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm), QPageLayout::Millimeter));
    QPainter painter;
    if (!painter.begin(&writer)) return false;
    // Without shaping no ligatures are made, so a reader finds "file" as typed.
    report_options plain = options;
    plain.font.setStyleStrategy(QFont::PreferNoShaping);
    report_writer report(writer, painter, facade, plain);
    const bool ok = report.Write();
    if (!painter.end() || !ok) return false;
    buffer.close();
    return static_cast<bool>(SafeSave(QFile::encodeName(file_name).toStdString(),
                                      std::string_view(bytes.constData(), static_cast<size_t>(bytes.size()))));
}

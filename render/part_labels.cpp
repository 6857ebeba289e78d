#include "render/part_labels.h"

#include <qrencode.h>

#include <algorithm>
#include <memory>

#include <QFontMetrics>
#include <QPageLayout>
#include <QPageSize>
#include <QBuffer>
#include <QFile>
#include <QPdfWriter>

#include "engine/cut_sequence.h"
#include "i18n/report_texts.h"
#include "i18n/ui_texts.h"
#include "render/draw_layout.h"
#include "util/safe_file.h"

namespace {

constexpr int kPdfResolution = 300;

struct sheet_geometry {
    QPageSize::PageSizeId paper;
    int columns, rows;
    double left_mm, top_mm;      // first label's corner
    double width_mm, height_mm;  // one label
    double pitch_x_mm, pitch_y_mm;
};

sheet_geometry Geometry(label_sheet sheet)
{
    constexpr double kInch = 25.4;
    if (sheet == label_sheet::letter_3x10)  // 2 5/8" x 1", as the common address labels
        return {QPageSize::Letter, 3, 10, 0.1875 * kInch, 0.5 * kInch, 2.625 * kInch, 1.0 * kInch, 2.75 * kInch, 1.0 * kInch};
    return {QPageSize::A4, 3, 8, 0.0, 0.5, 70.0, 37.0, 70.0, 37.0};
}

QString W(const my_w_string& s) { return QString::fromStdWString(s.str()); }

void PaintQr(QPainter& p, const QRectF& box, const QString& text)
{
    const QByteArray data = text.toUtf8();
    std::unique_ptr<QRcode, decltype(&QRcode_free)> code(
        QRcode_encodeString8bit(data.constData(), 0, QR_ECLEVEL_M), &QRcode_free);
    if (!code) return;
    const int n = code->width;
    const double module = std::min(box.width(), box.height()) / (n + 4);  // two modules of quiet zone each side
    const double left = box.left() + (box.width() - module * n) / 2.0;
    const double top = box.top() + (box.height() - module * n) / 2.0;
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x)
            if (code->data[y * n + x] & 1)
                p.fillRect(QRectF(left + x * module, top + y * module, module, module), Qt::black);
}

void PaintGrainArrow(QPainter& p, const QRectF& box, int grain)
{
    const QPointF c = box.center();
    const double half = (grain == 1 ? box.width() : box.height()) * 0.45;
    const double head = std::min(box.width(), box.height()) * 0.25;
    const QPointF a = grain == 1 ? QPointF(c.x() - half, c.y()) : QPointF(c.x(), c.y() - half);
    const QPointF b = grain == 1 ? QPointF(c.x() + half, c.y()) : QPointF(c.x(), c.y() + half);
    p.drawLine(a, b);
    const QPointF across = grain == 1 ? QPointF(0, head) : QPointF(head, 0);
    const QPointF along = grain == 1 ? QPointF(head, 0) : QPointF(0, head);
    p.drawLine(a, a + along + across);
    p.drawLine(a, a + along - across);
    p.drawLine(b, b - along + across);
    p.drawLine(b, b - along - across);
}

}  // namespace

std::vector<part_label> MakePartLabels(const stavora_2d& facade)
{
    std::vector<part_label> labels;
    int sheet = 0;
    for (const auto& layout : facade.solutions_2d) {
        const layout_cut_sequence sequence = CutSequenceOf(facade, *layout);
        const std::vector<int32_t> order = PiecesInCuttingOrder(*layout, sequence);
        for (int32_t r = 0; r < layout->repetitions; ++r) {
            ++sheet;
            int number = 0;
            for (int32_t i : order) {
                const TFractionalPiece2D& piece = layout->pieces[static_cast<size_t>(i)];
                part_label l;
                l.label = W(piece.label);
                // The part's own length and width, whichever way it lies on the sheet.
                const fractional_double& length = piece.rotated ? piece.vertical_size : piece.horizontal_size;
                const fractional_double& width = piece.rotated ? piece.horizontal_size : piece.vertical_size;
                l.size = SizeText(length) + QStringLiteral(" × ") + SizeText(width);
                l.material = W(layout->material);
                l.where = QString::fromStdWString(std::wstring(ReportText(report_text::SheetPiece))).arg(sheet).arg(++number);
                if (piece.source_index >= 0 && piece.source_index < facade.parts.count())
                    l.grain = facade.parts[piece.source_index].grain;
                QStringList lines{l.label, l.size, l.material, l.where};
                if (l.grain == 1 || l.grain == 2)
                    lines << QString::fromStdWString(std::wstring(ReportText(report_text::Grain))) + QStringLiteral(": ") +
                                 QString::fromStdWString(std::wstring(GrainWord(CurrentLanguageIndex(), l.grain)));
                l.qr_text = lines.join(QLatin1Char('\n'));
                labels.push_back(std::move(l));
            }
        }
    }
    return labels;
}

int LabelsPerSheet(label_sheet sheet)
{
    const sheet_geometry g = Geometry(sheet);
    return g.columns * g.rows;
}

int LabelSheetCount(label_sheet sheet, size_t labels)
{
    const size_t per = static_cast<size_t>(LabelsPerSheet(sheet));
    return static_cast<int>((labels + per - 1) / per);
}

void PaintPartLabel(QPainter& p, const QRectF& box, const part_label& label, double dots_per_mm)
{
    p.save();
    const double pad = 2.0 * dots_per_mm;
    const QRectF inner = box.adjusted(pad, pad, -pad, -pad);
    const double qr_side = std::min(inner.height(), inner.width() * 0.36);
    PaintQr(p, QRectF(inner.right() - qr_side, inner.top(), qr_side, qr_side), label.qr_text);
    const QRectF text_box(inner.left(), inner.top(), inner.width() - qr_side - pad, inner.height());
    // Five lines of text at most: the label larger and bold.
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleStrategy(QFont::PreferNoShaping);
    int pixels = static_cast<int>(text_box.height() / 6.2);
    font.setPixelSize(std::max(4, pixels));
    {
        // Smaller when the longest line would not fit the width.
        const QFontMetricsF fm(font, p.device());
        double widest = 1.25 * fm.horizontalAdvance(label.label);
        for (const QString& t : {label.size, label.material, label.where}) widest = std::max(widest, fm.horizontalAdvance(t));
        if (widest > text_box.width()) pixels = static_cast<int>(pixels * text_box.width() / widest);
        font.setPixelSize(std::max(4, pixels));
    }
    QFont bold = font;
    bold.setBold(true);
    bold.setPixelSize(static_cast<int>(font.pixelSize() * 1.25));
    p.setPen(Qt::black);
    double y = text_box.top();
    const auto line = [&](const QFont& f, const QString& text) {
        p.setFont(f);
        const QFontMetricsF fm(f, p.device());
        p.drawText(QRectF(text_box.left(), y, text_box.width(), fm.height()), Qt::AlignLeft | Qt::AlignVCenter,
                   fm.elidedText(text, Qt::ElideRight, text_box.width()));
        y += fm.height();
    };
    line(bold, label.label);
    line(font, label.size);
    line(font, label.material);
    line(font, label.where);
    if (label.grain == 1 || label.grain == 2) {
        const double side = std::min(text_box.bottom() - y, text_box.width() / 3.0);
        p.setPen(QPen(Qt::black, std::max(1.0, 0.3 * dots_per_mm)));
        if (side > 0) PaintGrainArrow(p, QRectF(text_box.left(), y, label.grain == 1 ? side * 2 : side, side), label.grain);
    }
    p.restore();
}

namespace {

void PaintPage(QPainter& p, const std::vector<part_label>& labels, label_sheet sheet, int page, double dots_per_mm)
{
    const sheet_geometry g = Geometry(sheet);
    const int per = g.columns * g.rows;
    for (int i = 0; i < per; ++i) {
        const size_t k = static_cast<size_t>(page * per + i);
        if (k >= labels.size()) break;
        const int row = i / g.columns, column = i % g.columns;
        const QRectF box((g.left_mm + column * g.pitch_x_mm) * dots_per_mm, (g.top_mm + row * g.pitch_y_mm) * dots_per_mm,
                         g.width_mm * dots_per_mm, g.height_mm * dots_per_mm);
        PaintPartLabel(p, box, labels[k], dots_per_mm);
    }
}

}  // namespace

QImage RenderLabelPage(const std::vector<part_label>& labels, label_sheet sheet, int page, int dpi)
{
    const QSizeF mm = QPageSize(Geometry(sheet).paper).size(QPageSize::Millimeter);
    const double dots_per_mm = dpi / 25.4;
    QImage image(static_cast<int>(mm.width() * dots_per_mm), static_cast<int>(mm.height() * dots_per_mm),
                 QImage::Format_RGB32);
    image.fill(Qt::white);
    image.setDotsPerMeterX(static_cast<int>(dots_per_mm * 1000));
    image.setDotsPerMeterY(static_cast<int>(dots_per_mm * 1000));
    QPainter p(&image);
    PaintPage(p, labels, sheet, page, dots_per_mm);
    return image;
}

bool WritePartLabelsPdf(const QString& file_name, const std::vector<part_label>& labels, label_sheet sheet)
{
    // Drawn in memory and saved whole, so a failed write leaves no half document.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly)) return false;
    QPdfWriter writer(&buffer);
    writer.setResolution(kPdfResolution);
    writer.setTitle(QString::fromStdWString(std::wstring(ReportText(report_text::PartLabelsPdf))));
    writer.setCreator(QStringLiteral("Stavora"));
    // Label sheets are printed edge to edge: the page has no margins of its own.
    writer.setPageLayout(QPageLayout(QPageSize(Geometry(sheet).paper), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0),
                                     QPageLayout::Millimeter, QMarginsF(0, 0, 0, 0)));
    QPainter p;
    if (!p.begin(&writer)) return false;
    const int pages = std::max(1, LabelSheetCount(sheet, labels.size()));
    for (int page = 0; page < pages; ++page) {
        if (page > 0 && !writer.newPage()) return false;
        PaintPage(p, labels, sheet, page, kPdfResolution / 25.4);
    }
    if (!p.end()) return false;
    buffer.close();
    return static_cast<bool>(SafeSave(QFile::encodeName(file_name).toStdString(),
                                      std::string_view(bytes.constData(), static_cast<size_t>(bytes.size()))));
}

#include "render/draw_bar.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include <QFontMetrics>
#include <QPolygon>

#include "i18n/ui_texts.h"

namespace {

QString Word(ui_text entry) { return QString::fromStdWString(UiText(entry)); }

void TextAt(QPainter& canvas, int x, int y, const QString& text)
{
    canvas.drawText(x, y + canvas.fontMetrics().ascent(), text);
}

// Half the horizontal run of a mitred end across a bar drawn `height` pixels high, measured
// from the end's position at mid-height; square ends give 0.
int MitreRun(double angle, int height, int limit)
{
    if (std::fabs(angle - 90.0) < 1e-6 || angle <= 0.0 || angle >= 180.0) return 0;
    const double run = 0.5 * height / std::tan(angle * std::numbers::pi / 180.0);
    return static_cast<int>(std::clamp(run, -static_cast<double>(limit), static_cast<double>(limit)));
}

// Leftovers of bars cut with mitres carry float digits; two decimals are plenty on a drawing.
fractional_double ShownLength(fractional_double v)
{
    if (v.numerator == 0) v.whole = std::round(v.whole * 100.0) / 100.0;
    return v;
}

}  // namespace

int BarLayoutHeight(const QPainter& canvas)
{
    const int h = canvas.fontMetrics().height();
    return 6 * h;
}

void DrawBarLayout(QPainter& canvas, const Solution1D& bar, int left, int top, int width, const QImage* hatch,
                   const layout_display_flags& flags)
{
    const QFontMetrics metrics = canvas.fontMetrics();
    const int h = metrics.height();
    const double bar_length = bar.barLength.AsDouble();
    if (!(bar_length > 0.0) || width <= 0) return;
    const double s = width / bar_length;
    const int bar_top = top + h + h / 2;
    const int bar_height = 2 * h + h / 2;
    auto x_of = [&](double v) { return left + static_cast<int>(std::trunc(std::clamp(v, 0.0, bar_length) * s)); };

    canvas.save();
    canvas.setBackgroundMode(Qt::TransparentMode);
    QString title = Word(ui_text::Quantity) + " = " + QString::number(bar.repeat) + "; ";
    if (!bar.stockLabel.empty()) title += QString::fromStdWString(bar.stockLabel.str()) + "; ";
    title += SizeText(bar.barLength);
    if (!bar.stockLength.EqualValue(bar.barLength)) title += " (" + SizeText(bar.stockLength) + ")";
    TextAt(canvas, left, top, title);

    // Pieces from the left in cutting order; what the kerfs take is spread between them.
    double piece_total = 0.0;
    for (const auto& piece : bar.pieces) piece_total += piece.length.AsDouble();
    const double waste = std::max(0.0, bar.waste.AsDouble());
    const int n = bar.pieceCount();
    const double gap = n > 0 ? std::max(0.0, (bar_length - waste - piece_total) / n) : 0.0;

    canvas.setPen(QPen(Qt::black, 1));
    auto run_of = [&](int i, bool front) {
        if (i < 0 || i >= n) return 0;
        const auto& piece = bar.pieces[static_cast<size_t>(i)];
        const int x1 = x_of(0.0), x2 = x_of(piece.length.AsDouble());
        return MitreRun(front ? piece.angle1 : piece.angle2, bar_height, std::max(0, (x2 - x1) / 3));
    };
    double position = 0.0;
    for (int i = 0; i < n; ++i) {
        const auto& piece = bar.pieces[static_cast<size_t>(i)];
        const double length = piece.length.AsDouble();
        int x1 = x_of(position), x2 = x_of(position + length);
        // Each end passes through its position at mid-height, so neighbours that share a mitre cut
        // share the drawn line; beside a square end (or the bar's end) the mitre starts at the boundary.
        const int front = run_of(i, true);
        const int back = run_of(i, false);
        if (front != 0 && run_of(i - 1, false) == 0) x1 += std::abs(front);
        if (back != 0 && run_of(i + 1, true) == 0) x2 -= std::abs(back);
        QPolygon outline;
        outline << QPoint(x1 + front, bar_top) << QPoint(x2 - back, bar_top) << QPoint(x2 + back, bar_top + bar_height)
                << QPoint(x1 - front, bar_top + bar_height);
        canvas.setBrush(Qt::white);
        canvas.drawPolygon(outline);

        QStringList lines;
        if (flags.show_part_sizes) lines << SizeText(piece.length);
        if (flags.show_part_labels && !piece.label.empty()) lines << QString::fromStdWString(piece.label.str());
        int y = bar_top + (bar_height - static_cast<int>(lines.size()) * h) / 2;
        for (const QString& line : lines) {
            const int w = metrics.horizontalAdvance(line);
            if (w < x2 - x1) TextAt(canvas, (x1 + x2 - w) / 2, y, line);
            y += h;
        }
        position += length + gap;
    }

    if (waste > 0.0) {
        const int x1 = x_of(bar_length - waste), x2 = x_of(bar_length);
        if (x2 > x1 + 1) {
            if (hatch) {
                QImage tile = hatch->convertToFormat(QImage::Format_RGB32);
                canvas.fillRect(QRect(x1 + 1, bar_top + 1, x2 - x1 - 2, bar_height - 2), QBrush(tile));
            } else {
                for (int y = bar_top + 2; y < bar_top + bar_height - 2; y += 4)
                    for (int x = x1 + 2; x < x2 - 2; x += 6) canvas.drawPoint(x, y);
            }
            canvas.setBrush(Qt::NoBrush);
            canvas.drawRect(x1, bar_top, x2 - x1 - 1, bar_height - 1);
        }
    }
    canvas.setBrush(Qt::NoBrush);
    canvas.setPen(QPen(Qt::black, 2));
    canvas.drawRect(left, bar_top, x_of(bar_length) - left, bar_height);

    TextAt(canvas, left, bar_top + bar_height + h / 2, Word(ui_text::Waste) + " = " + SizeText(ShownLength(bar.waste)));
    canvas.restore();
}

std::optional<QImage> DrawBarLayoutPicture(const Solution1D& bar, int width, const QImage& hatch,
                                           const layout_display_flags& flags, const QFont& font)
{
    if (!(bar.barLength.AsDouble() > 0.0) || width <= 0) return std::nullopt;
    QImage probe(1, 1, QImage::Format_RGB32);
    QPainter measure(&probe);
    measure.setFont(font);
    const int margin = static_cast<int>(1.1 * measure.fontMetrics().height());
    const int height = BarLayoutHeight(measure) + 2 * margin;
    measure.end();

    QImage picture(width, height, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter canvas(&picture);
    canvas.setFont(font);
    DrawBarLayout(canvas, bar, margin, margin, width - 2 * margin, &hatch, flags);
    canvas.end();
    return picture;
}

#include "render/draw_layout.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <QBrush>
#include <QBuffer>
#include <QFile>
#include <QFontMetrics>
#include <QLocale>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QPen>

#include "i18n/ui_texts.h"
#include "render/draw_bar.h"
#include "util/safe_file.h"

namespace {

constexpr int kPdfResolution = 300;
constexpr double kPdfMarginMm = 10.0;

int Half(int n) { return n / 2; }

// Truncation toward zero, held inside the int range so absurd sizes cannot overflow.
int TruncToInt(double v)
{
    if (std::isnan(v)) return 0;
    constexpr double kLimit = 1 << 30;
    return static_cast<int>(std::trunc(std::clamp(v, -kLimit, kLimit)));
}

double Mid(const fractional_double& a, const fractional_double& b) { return 0.5 * a.AsDouble() + 0.5 * b.AsDouble(); }

QString Word(ui_text entry) { return QString::fromStdWString(UiText(entry)); }

int TextWidth(const QPainter& canvas, const QString& text) { return canvas.fontMetrics().horizontalAdvance(text); }
int TextHeight(const QPainter& canvas) { return canvas.fontMetrics().height(); }

// (x, y) is the top-left of the text cell; QPainter places text by its baseline.
void TextOut(QPainter& canvas, int x, int y, const QString& text)
{
    canvas.drawText(x, y + canvas.fontMetrics().ascent(), text);
}

// A rectangle outline whose pen, like the whole figure, covers columns a..c-1 and rows b..d-1:
// the pen lies inside the frame, drawn as filled strips so every device gets the same pixels.
void OutlineRectangle(QPainter& canvas, int a, int b, int c, int d, const QColor& colour, int pen_width)
{
    const int w = c - a;
    const int h = d - b;
    if (w <= 0 || h <= 0) return;
    const int pw = std::min({pen_width, w, h});
    canvas.fillRect(a, b, w, pw, colour);
    canvas.fillRect(a, d - pw, w, pw, colour);
    canvas.fillRect(a, b, pw, h, colour);
    canvas.fillRect(c - pw, b, pw, h, colour);
}

// A 1-pixel line that, like a move-to/line-to pair, leaves out its end point.
void Line(QPainter& canvas, int x1, int y1, int x2, int y2, const QColor& colour)
{
    if (x1 == x2 && y1 == y2) return;
    if (y1 == y2) {
        const int left = x1 < x2 ? x1 : x2 + 1;
        canvas.fillRect(left, y1, std::abs(x2 - x1), 1, colour);
    } else if (x1 == x2) {
        const int top = y1 < y2 ? y1 : y2 + 1;
        canvas.fillRect(x1, top, 1, std::abs(y2 - y1), colour);
    } else {
        canvas.save();
        canvas.setPen(QPen(colour, 0));
        canvas.drawLine(x1, y1, x2, y2);
        canvas.restore();
    }
}

// Fills columns left..right-1 and rows top..bottom-1.
void FillRectangle(QPainter& canvas, int left, int top, int right, int bottom, const QBrush& brush)
{
    if (right <= left || bottom <= top) return;
    canvas.fillRect(left, top, right - left, bottom - top, brush);
}

QImage ColourTile(const QImage& hatch)
{
    // A monochrome QImage as brush would be painted as a stencil; the tile is meant opaque.
    return hatch.convertToFormat(QImage::Format_RGB32);
}

bool SheetHasArea(const Solution2D& solution)
{
    return solution.sheet_length.AsDouble() > 0.0 && solution.sheet_width.AsDouble() > 0.0;
}

double FitScale(const Solution2D& solution, int width, int height, int m)
{
    const double sx = (width - 2 * m - 5) / solution.sheet_length.AsDouble();
    const double sy = (height - 4 * m - 5) / solution.sheet_width.AsDouble();
    return std::min(sx, sy);
}

bool UsableScale(double s) { return std::isfinite(s) && s > 0.0; }

int Margin(const QPainter& canvas) { return TruncToInt(1.1 * TextHeight(canvas)); }

}  // namespace

QImage MakeHatchPattern()
{
    QImage tile(8, 8, QImage::Format_Mono);
    tile.setColor(0, qRgb(255, 255, 255));
    tile.setColor(1, qRgb(0, 0, 0));
    tile.fill(0);
    for (int i = 0; i < 8; ++i) {
        tile.setPixel(i, i, 1);
        tile.setPixel(7 - i, i, 1);
    }
    return tile;
}

int ScaleCoordinate(double v, int m, double s) { return m + TruncToInt(v * s); }

void TextOutRotated(int x, int y, const QString& text, QPainter& canvas, int angle)
{
    // The rotated face keeps family, size, bold and italic only, as a freshly built font would.
    QFont rotated_font = canvas.font();
    rotated_font.setWeight(rotated_font.bold() ? QFont::Bold : QFont::Normal);
    rotated_font.setUnderline(false);
    rotated_font.setStrikeOut(false);

    canvas.save();
    canvas.setFont(rotated_font);
    canvas.translate(x, y);
    canvas.rotate(-angle);  // positive angles turn clockwise on a y-down surface
    TextOut(canvas, 0, 0, text);
    canvas.restore();
}

QString SizeText(const fractional_double& size)
{
    const QString point = QLocale().decimalPoint();
    const wchar_t separator = point.isEmpty() ? L'.' : static_cast<wchar_t>(point.at(0).unicode());
    return QString::fromStdWString(size.FormatDisplay(separator));
}

QString WastePercentText(double percent)
{
    if (!std::isfinite(percent)) return QStringLiteral("0");
    const double cut = std::trunc(percent * 100.0) * 0.01;
    // 15 significant digits: the float error of the cut (22.500000000000004) is not shown.
    return QString::number(cut, 'g', 15);
}

std::array<QString, 3> LayoutStatisticsLines(const Solution2D& solution)
{
    QString quantity = Word(ui_text::Quantity) + " = " + QString::number(solution.repetitions) + "; ";
    if (!solution.stock_label.empty()) quantity += QString::fromStdWString(solution.stock_label.str()) + "; ";

    const double sheet_area = solution.sheet_width.AsDouble() * solution.sheet_length.AsDouble();
    const double percent = solution.waste_area.AsDouble() * 100.0 / sheet_area;
    QString waste = Word(ui_text::Waste) + " = " + SizeText(solution.waste_area) + " (" + WastePercentText(percent) +
                    "%)  ";

    QString used = Word(ui_text::AreaOfUtilizedParts) + " = " + SizeText(solution.used_area);
    return {quantity, waste, used};
}

bool DrawLayout(QPainter& canvas, const Solution2D& solution, int width, int height, int m, double s,
                const QImage* hatch, const layout_display_flags& flags)
{
    canvas.save();
    canvas.setRenderHint(QPainter::Antialiasing, false);
    canvas.setBackgroundMode(Qt::TransparentMode);
    canvas.setBrush(Qt::NoBrush);
    const QColor black(Qt::black);
    auto sc = [m, s](double v) { return ScaleCoordinate(v, m, s); };

    OutlineRectangle(canvas, 0, 0, width, height, Qt::white, 1);

    const int X = sc(solution.sheet_length.AsDouble());
    const int Y = sc(solution.sheet_width.AsDouble());
    OutlineRectangle(canvas, m, m, X, Y, black, 2);
    canvas.setPen(QPen(black, 1));

    const int h = TextHeight(canvas);
    {
        const QString t = SizeText(solution.sheet_length);
        TextOut(canvas, Half(X - TextWidth(canvas, t)) + Half(m), m - h, t);
    }
    {
        const QString t = SizeText(solution.sheet_width);
        TextOutRotated(m - h + 1, Half(Y + TextWidth(canvas, t)) + Half(m), t, canvas, 90);
    }

    const std::array<QString, 3> lines = LayoutStatisticsLines(solution);
    // A line wider than the sheet stays whole on the surface instead of centred under the sheet.
    auto keep_on_surface = [&](int x, const QString& line) {
        return std::max(0, std::min(x, width - TextWidth(canvas, line)));
    };
    TextOut(canvas, keep_on_surface(TruncToInt(0.5 * X - Half(TextWidth(canvas, lines[0])) + Half(m)), lines[0]), Y + 1,
            lines[0]);
    for (int i = 1; i < 3; ++i)
        TextOut(canvas, keep_on_surface(Half(X) - Half(TextWidth(canvas, lines[i])) + Half(m), lines[i]), Y + i * h,
                lines[i]);

    for (const TFractionalCut& cut : solution.cuts)
        Line(canvas, sc(cut.x1.AsDouble()), sc(cut.y1.AsDouble()), sc(cut.x2.AsDouble()), sc(cut.y2.AsDouble()), black);

    // A text that does not fit its piece is left out rather than drawn across its neighbours.
    auto fits = [&](const QString& text, int room_along, int room_across) {
        return TextWidth(canvas, text) <= room_along && h <= room_across;
    };
    for (const TFractionalPiece2D& piece : solution.pieces) {
        const int mid_x = sc(Mid(piece.x1, piece.x2));
        const int mid_y = sc(Mid(piece.y1, piece.y2));
        const int piece_width = sc(piece.x2.AsDouble()) - sc(piece.x1.AsDouble());
        const int piece_height = sc(piece.y2.AsDouble()) - sc(piece.y1.AsDouble());
        if (flags.show_part_sizes) {
            const QString across = SizeText(piece.horizontal_size);
            if (fits(across, piece_width, piece_height))
                TextOut(canvas, mid_x - Half(TextWidth(canvas, across)), sc(piece.y1.AsDouble()), across);
            const QString down = SizeText(piece.vertical_size);
            if (fits(down, piece_height, piece_width))
                TextOutRotated(sc(piece.x1.AsDouble()), mid_y + Half(TextWidth(canvas, down)), down, canvas, 90);
        }
        if (flags.show_part_labels && !piece.label.empty()) {
            const QString label = QString::fromStdWString(piece.label.str());
            const int a = Half(TextWidth(canvas, label));
            const int b = Half(h);
            if (piece.horizontal_size > piece.vertical_size) {
                if (fits(label, piece_width, piece_height)) TextOut(canvas, mid_x - a, mid_y - b, label);
            } else if (mid_x - b >= sc(piece.x1.AsDouble()) && mid_x - b + 2 * a <= sc(piece.x2.AsDouble())
                       && mid_y - a >= sc(piece.y1.AsDouble()) && mid_y - a + h <= sc(piece.y2.AsDouble())) {
                TextOut(canvas, mid_x - b, mid_y - a, label);
            }
        }
    }

    if (flags.show_cut_numbers) {
        const layout_cut_sequence sequence =
            flags.cut_sequence_of ? flags.cut_sequence_of(solution) : BuildCutSequence(solution, sheet_trims{});
        DrawCutNumbers(canvas, solution, sequence, m, s);
    }

    const QBrush pattern = hatch ? QBrush(ColourTile(*hatch)) : QBrush();
    const QString dot = QStringLiteral(".");
    const int dot_width = TextWidth(canvas, dot);
    // Wastes along the sheet edge would otherwise hatch over the inner pixel of its outline.
    const QRect inside_outline(m + 2, m + 2, X - m - 4, Y - m - 4);
    for (const TFractionalWaste& waste : solution.wastes) {
        const int left = sc(waste.x1.AsDouble());
        const int top = sc(waste.y1.AsDouble());
        if (hatch) {
            canvas.save();
            canvas.setClipRect(inside_outline);
            FillRectangle(canvas, left + 1, top + 1, sc(waste.x2.AsDouble()) - 1, sc(waste.y2.AsDouble()) - 1, pattern);
            canvas.restore();
        } else if (dot_width > 0 && h > 0) {
            const int nx = TruncToInt(waste.horizontal_size.AsDouble() * s) / dot_width;
            const int ny = TruncToInt(waste.vertical_size.AsDouble() * s) / h;
            for (int r = 0; r < ny; ++r)
                for (int c = 1; c < nx; c += 3) TextOut(canvas, left + c * dot_width, top + r * h, dot);
        }
        if (flags.show_waste_sizes) {
            const int waste_width = sc(waste.x2.AsDouble()) - left;
            const int waste_height = sc(waste.y2.AsDouble()) - top;
            const QString across = SizeText(waste.horizontal_size);
            if (fits(across, waste_width, waste_height))
                TextOut(canvas, sc(Mid(waste.x1, waste.x2)) - Half(TextWidth(canvas, across)), top + 1, across);
            const QString down = SizeText(waste.vertical_size);
            if (fits(down, waste_height, waste_width))
                TextOutRotated(left + 1, sc(Mid(waste.y1, waste.y2)) + Half(TextWidth(canvas, down)), down, canvas, 90);
        }
    }

    canvas.restore();
    return true;
}

void DrawCutNumbers(QPainter& canvas, const Solution2D& solution, const layout_cut_sequence& sequence, int m, double s)
{
    canvas.save();
    QFont font = canvas.font();
    if (font.pixelSize() > 0) font.setPixelSize(std::max(6, font.pixelSize() * 3 / 4));
    else font.setPointSizeF(std::max(4.0, font.pointSizeF() * 0.75));
    canvas.setFont(font);
    const QFontMetrics metrics = canvas.fontMetrics();
    for (const sequence_cut& c : sequence.cuts) {
        if (c.cut_index < 0 || c.cut_index >= solution.cut_count()) continue;
        const TFractionalCut& k = solution.cuts[static_cast<size_t>(c.cut_index)];
        // A quarter along the line: the middle is where the sizes of the parts are written.
        const int x = ScaleCoordinate(0.75 * k.x1.AsDouble() + 0.25 * k.x2.AsDouble(), m, s);
        const int y = ScaleCoordinate(0.75 * k.y1.AsDouble() + 0.25 * k.y2.AsDouble(), m, s);
        const QString text = QString::number(c.number);
        const int w = metrics.horizontalAdvance(text) + 4;
        const int h = metrics.height();
        // Kept inside the sheet so tags on edge cuts stay whole.
        const int right = ScaleCoordinate(solution.sheet_length.AsDouble(), m, s) - w - 1;
        const int bottom = ScaleCoordinate(solution.sheet_width.AsDouble(), m, s) - h - 1;
        const QRect tag(std::max(m + 1, std::min(x - w / 2, right)), std::max(m + 1, std::min(y - h / 2, bottom)), w, h);
        canvas.fillRect(tag, Qt::white);
        canvas.setPen(QPen(Qt::black, 0));
        canvas.drawRect(tag.adjusted(0, 0, -1, -1));
        canvas.drawText(tag, Qt::AlignCenter, text);
    }
    canvas.restore();
}

std::optional<QImage> DrawLayoutPicture(const Solution2D& solution, int box_width, int box_height,
                                        const QImage& hatch, const layout_display_flags& flags, const QFont& font)
{
    if (!SheetHasArea(solution)) return std::nullopt;

    int m = 0;
    int widest_line = 0;
    {
        QImage probe(1, 1, QImage::Format_RGB32);  // same resolution as the picture
        QPainter canvas(&probe);
        canvas.setFont(font);
        m = Margin(canvas);
        for (const QString& line : LayoutStatisticsLines(solution))
            widest_line = std::max(widest_line, TextWidth(canvas, line));
    }
    const double s = FitScale(solution, box_width, box_height, m);
    if (!UsableScale(s)) return std::nullopt;

    // The picture is at least as wide as its statistics lines.
    const int width = std::max(2 * m + TruncToInt((solution.sheet_length * s).AsDouble()) + 1, widest_line + 1);
    const int height = 4 * m + TruncToInt((solution.sheet_width * s).AsDouble()) + 1;
    QImage picture(width, height, QImage::Format_RGB32);
    if (picture.isNull()) return std::nullopt;
    picture.fill(Qt::white);  // a new bitmap starts white; the surface outline alone does not clear it

    QPainter canvas(&picture);
    canvas.setFont(font);
    DrawLayout(canvas, solution, width, height, m, s, &hatch, flags);
    canvas.end();
    return picture;
}

void DrawLayoutOnPage(QPainter& painter, const Solution2D& solution, int page_width, int page_height,
                      const layout_display_flags& flags, const QFont& font)
{
    painter.setFont(font);
    const int m = Margin(painter);
    // A sheet without area or a page smaller than the margins has no usable scale: leave the page blank.
    if (!SheetHasArea(solution)) return;
    const double s = FitScale(solution, page_width, page_height, m);
    if (!UsableScale(s)) return;
    DrawLayout(painter, solution, page_width, page_height, m, s, nullptr, flags);
}

bool WriteLayoutsPdf(const QString& file_name, const TOwningList<Solution2D>& solutions,
                     const layout_display_flags& flags, const QFont& font)
{
    return WriteLayoutsPdf(file_name, solutions, TOwningList<Solution1D>{}, flags, font);
}

std::optional<QByteArray> LayoutsPdf(const TOwningList<Solution2D>& solutions, const TOwningList<Solution1D>& bars,
                                     const layout_display_flags& flags, const QFont& font)
{
    auto layout_for = [](const Solution2D* solution) {
        const bool portrait =
            solution && solution->sheet_width.AsDouble() > solution->sheet_length.AsDouble();
        return QPageLayout(QPageSize(QPageSize::A4), portrait ? QPageLayout::Portrait : QPageLayout::Landscape,
                           QMarginsF(kPdfMarginMm, kPdfMarginMm, kPdfMarginMm, kPdfMarginMm),
                           QPageLayout::Millimeter);
    };

    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly)) return std::nullopt;
    QPdfWriter writer(&buffer);
    writer.setResolution(kPdfResolution);
    writer.setTitle(QStringLiteral("Stavora - Results"));
    writer.setCreator(QStringLiteral("Stavora"));
    writer.setPageLayout(layout_for(solutions.Get(0)));

    QPainter painter;
    if (!painter.begin(&writer)) return std::nullopt;
    bool first = true;
    for (const auto& solution : solutions) {
        if (!first) {
            writer.setPageLayout(layout_for(solution.get()));
            if (!writer.newPage()) return std::nullopt;
        }
        first = false;
        DrawLayoutOnPage(painter, *solution, writer.width(), writer.height(), flags, font);
    }

    // Bars are long and thin: they share landscape pages.
    painter.setFont(font);
    const int block = BarLayoutHeight(painter);
    int y = writer.height();
    for (const auto& bar : bars) {
        if (y + block > writer.height()) {
            if (!first) {
                writer.setPageLayout(layout_for(nullptr));
                if (!writer.newPage()) return std::nullopt;
            }
            first = false;
            y = 0;
        }
        DrawBarLayout(painter, *bar, 0, y, writer.width(), nullptr, flags);
        y += block;
    }
    if (!painter.end()) return std::nullopt;
    buffer.close();
    return bytes;
}

bool WriteLayoutsPdf(const QString& file_name, const TOwningList<Solution2D>& solutions,
                     const TOwningList<Solution1D>& bars, const layout_display_flags& flags, const QFont& font)
{
    const auto pdf = LayoutsPdf(solutions, bars, flags, font);
    return pdf && SafeSave(QFile::encodeName(file_name).toStdString(),
                           std::string_view(pdf->constData(), static_cast<size_t>(pdf->size())));
}

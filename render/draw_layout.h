#pragma once
// Drawing of one sheet layout to scale on any QPainter surface: screen picture, printer page, PDF.
#include <array>
#include <functional>
#include <optional>

#include <QByteArray>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QString>

#include "engine/cut_sequence.h"
#include "engine/solution1d.h"
#include "engine/solution2d.h"
#include "util/tlista.h"

struct layout_display_flags {
    bool show_part_sizes = true;
    bool show_waste_sizes = false;
    bool show_part_labels = true;
    bool show_cut_numbers = false;  // the saw order, written on the cut lines
    // The sequence the numbers follow (it knows the sheet's trims); without one, built from the layout alone.
    std::function<layout_cut_sequence(const Solution2D&)> cut_sequence_of = {};
};

// Small numbered tags on the cut lines, in saw order.
void DrawCutNumbers(QPainter& canvas, const Solution2D& solution, const layout_cut_sequence& sequence, int m, double s);

// The 8x8 monochrome tile with both diagonals black on white, used to hatch wastes on screen.
QImage MakeHatchPattern();

// m + trunc(v * s).
int ScaleCoordinate(double v, int m, double s);

// Draws text rotated counter-clockwise by `angle` degrees (reading upward for 90) with (x, y) the
// top-left of the unrotated text cell, in the painter's font and pen colour.
void TextOutRotated(int x, int y, const QString& text, QPainter& canvas, int angle);

// Draws the layout with margin m and scale s (pixels per size unit) on a surface of width x height.
// With a hatch the wastes are filled with it; without one (printing) they are dotted.
bool DrawLayout(QPainter& canvas, const Solution2D& solution, int width, int height, int m, double s,
                const QImage* hatch, const layout_display_flags& flags);

// The on-screen picture for a view of box_width x box_height pixels; nullopt when the scale would
// not be positive (the caller then keeps its previous picture).
std::optional<QImage> DrawLayoutPicture(const Solution2D& solution, int box_width, int box_height,
                                        const QImage& hatch, const layout_display_flags& flags, const QFont& font);

// One layout filling a printer or PDF page (margin from the font on that device, dotted wastes).
void DrawLayoutOnPage(QPainter& painter, const Solution2D& solution, int page_width, int page_height,
                      const layout_display_flags& flags, const QFont& font);

// The size as shown in drawings ("12 3/16", "12.5"), with the locale's decimal separator.
QString SizeText(const fractional_double& size);

// A waste percentage cut (not rounded) to two decimals in its shortest form: 22.5 -> "22.5",
// 12.349 -> "12.34"; "0" when the value is not finite.
QString WastePercentText(double percent);

// The three statistics lines under the sheet: quantity and stock label, waste, utilised area.
std::array<QString, 3> LayoutStatisticsLines(const Solution2D& solution);

// Every layout as one page of a PDF file (A4, landscape unless the sheet is taller than long,
// 300 dots per inch, 10 mm margins); false when the file cannot be written.
bool WriteLayoutsPdf(const QString& file_name, const TOwningList<Solution2D>& solutions,
                     const layout_display_flags& flags, const QFont& font);
// The same, followed by the bar layouts, as many to a landscape page as fit. The file is replaced
// only by a complete document (see SafeSave).
bool WriteLayoutsPdf(const QString& file_name, const TOwningList<Solution2D>& solutions,
                     const TOwningList<Solution1D>& bars, const layout_display_flags& flags, const QFont& font);
// The PDF document of WriteLayoutsPdf in memory; nothing when drawing fails.
std::optional<QByteArray> LayoutsPdf(const TOwningList<Solution2D>& solutions, const TOwningList<Solution1D>& bars,
                                     const layout_display_flags& flags, const QFont& font);

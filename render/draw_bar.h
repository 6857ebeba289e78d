#pragma once
// Drawing of one bar layout: the bar to scale with its pieces in cutting order, their lengths,
// labels and mitred ends, and the hatched leftover.
#include <optional>

#include <QFont>
#include <QImage>
#include <QPainter>

#include "engine/solution1d.h"
#include "render/draw_layout.h"

// Height in pixels of one drawn bar layout (title, bar, leftover line) in the painter's font.
int BarLayoutHeight(const QPainter& canvas);

// Draws the bar layout in the band (left, top, width) of the painter, in the painter's font; with a
// hatch the leftover is hatched, otherwise dotted.
void DrawBarLayout(QPainter& canvas, const Solution1D& bar, int left, int top, int width, const QImage* hatch,
                   const layout_display_flags& flags);

// The picture of one bar layout, `width` pixels wide; nullopt when the bar has no length.
std::optional<QImage> DrawBarLayoutPicture(const Solution1D& bar, int width, const QImage& hatch,
                                           const layout_display_flags& flags, const QFont& font);

// Bar layouts as a person sees them: pieces in cutting order to scale, the leftover hatched.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "render/draw_bar.h"

namespace {

Solution1D Bar(std::initializer_list<double> lengths, double waste)
{
    Solution1D bar;
    bar.barLength = 6000.0;
    bar.stockLength = 6000.0;
    bar.waste = waste;
    for (double length : lengths) {
        TFractionalPiece1D piece;
        piece.length = length;
        piece.label = L"rail";
        bar.pieces.push_back(piece);
    }
    return bar;
}

int DarkPixels(const QImage& image, int x1, int x2, int y1, int y2)
{
    int dark = 0;
    for (int y = y1; y < y2; ++y)
        for (int x = x1; x < x2; ++x)
            if (qGray(image.pixel(x, y)) < 128) ++dark;
    return dark;
}

QFont BarFont()
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(14);
    return font;
}

}  // namespace

TEST(BarPicture, PiecesToScaleAndTheLeftoverHatched)
{
    const Solution1D bar = Bar({2000.0, 2000.0}, 2000.0);
    const auto picture = DrawBarLayoutPicture(bar, 1200, MakeHatchPattern(), layout_display_flags{}, BarFont());
    ASSERT_TRUE(picture);
    const int h = QFontMetrics(BarFont()).height();
    const int margin = static_cast<int>(1.1 * h);
    const double s = (1200 - 2 * margin) / 6000.0;
    const int bar_top = margin + h + h / 2;
    const int bar_bottom = bar_top + 2 * h + h / 2;
    auto x = [&](double v) { return margin + static_cast<int>(v * s); };
    // The last third is the leftover: hatched throughout, while the middle of a piece holds only its texts.
    const int waste_dark = DarkPixels(*picture, x(4000) + 4, x(6000) - 4, bar_top + 3, bar_bottom - 3);
    const int area = (x(6000) - x(4000) - 8) * (bar_bottom - bar_top - 6);
    EXPECT_GT(waste_dark, area / 5);
    EXPECT_EQ(DarkPixels(*picture, x(100), x(500), bar_top + 3, bar_bottom - 3), 0);
    // A cut line where the first piece ends.
    EXPECT_GT(DarkPixels(*picture, x(2000) - 1, x(2000) + 2, bar_top + 2, bar_bottom - 2), bar_bottom - bar_top - 6);
    EXPECT_FALSE(DrawBarLayoutPicture(Bar({}, 0.0), 0, MakeHatchPattern(), {}, BarFont()));
}

TEST(BarPdf, BarsShareLandscapePagesAfterTheSheets)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TOwningList<Solution1D> bars;
    for (int i = 0; i < 30; ++i) bars.Emplace(Bar({1000.0, 1500.0}, 3500.0));
    const QString file = dir.filePath(QStringLiteral("bars.pdf"));
    ASSERT_TRUE(WriteLayoutsPdf(file, TOwningList<Solution2D>{}, bars, {}, BarFont()));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray pdf = f.readAll();
    int count = 0;
    for (qsizetype at = pdf.indexOf("/Type /Page"); at >= 0; at = pdf.indexOf("/Type /Page", at + 1))
        if (pdf.mid(at, 12) != "/Type /Pages") ++count;
    EXPECT_GE(count, 2);   // thirty bars do not fit one page
    EXPECT_LE(count, 10);  // but many share a page
}

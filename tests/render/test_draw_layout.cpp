// Layout drawing checked the way a person looks at it: where the lines, hatch, dots and texts land.
#include <cmath>
#include <limits>
#include <memory>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "i18n/ui_texts.h"
#include "render/draw_layout.h"

namespace {

Solution2D Sheet(double length, double width)
{
    Solution2D s;
    s.sheet_length = length;
    s.sheet_width = width;
    return s;
}

void AddPiece(Solution2D& s, double x1, double y1, double x2, double y2, const wchar_t* label = L"")
{
    TFractionalPiece2D p;
    p.x1 = x1;
    p.y1 = y1;
    p.x2 = x2;
    p.y2 = y2;
    p.horizontal_size = x2 - x1;
    p.vertical_size = y2 - y1;
    p.label = label;
    s.pieces.push_back(p);
}

void AddWaste(Solution2D& s, double x1, double y1, double x2, double y2)
{
    TFractionalWaste w;
    w.x1 = x1;
    w.y1 = y1;
    w.x2 = x2;
    w.y2 = y2;
    w.horizontal_size = x2 - x1;
    w.vertical_size = y2 - y1;
    s.wastes.push_back(w);
}

void AddCut(Solution2D& s, double x1, double y1, double x2, double y2)
{
    TFractionalCut c;
    c.x1 = x1;
    c.y1 = y1;
    c.x2 = x2;
    c.y2 = y2;
    s.cuts.push_back(c);
}

int PictureTextHeight(const QFont& font)
{
    QImage probe(1, 1, QImage::Format_RGB32);
    QPainter p(&probe);
    p.setFont(font);
    return p.fontMetrics().height();
}

// A font whose text height is 16 pixels when one exists, as in the worked example.
QFont TestFont()
{
    QFont font(QStringLiteral("DejaVu Sans"));
    for (int px = 10; px <= 24; ++px) {
        font.setPixelSize(px);
        if (PictureTextHeight(font) == 16) return font;
    }
    font.setPixelSize(13);
    return font;
}

bool Black(const QImage& img, int x, int y) { return img.pixel(x, y) == qRgb(0, 0, 0); }
bool White(const QImage& img, int x, int y) { return img.pixel(x, y) == qRgb(255, 255, 255); }
bool Ink(const QImage& img, int x, int y) { return qGray(img.pixel(x, y)) < 200; }

// Bounding box of the inked pixels inside `area`; empty when there are none.
QRect InkBox(const QImage& img, const QRect& area)
{
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (Ink(img, x, y)) box |= QRect(x, y, 1, 1);
    return box;
}

bool HatchPixel(int x, int y) { return x % 8 == y % 8 || x % 8 == 7 - y % 8; }

layout_display_flags NoTexts() { return {false, false, false}; }

QImage BlankSurface(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::white);
    return img;
}

struct drawn {
    QImage image;
    int m;
    double s;
    int sc(double v) const { return ScaleCoordinate(v, m, s); }
};

drawn Draw(const Solution2D& solution, int w, int h, int m, double s, const QImage* hatch,
           const layout_display_flags& flags, const QFont& font)
{
    drawn d{BlankSurface(w, h), m, s};
    QPainter p(&d.image);
    p.setFont(font);
    EXPECT_TRUE(DrawLayout(p, solution, w, h, m, s, hatch, flags));
    return d;
}

TEST(HatchPattern, IsAnEightByEightCross)
{
    const QImage tile = MakeHatchPattern().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(tile.size(), QSize(8, 8));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_EQ(Black(tile, x, y), HatchPixel(x, y)) << x << "," << y;
}

TEST(ScaleCoordinate, AddsMarginToTruncatedProduct)
{
    struct scale_case {
        double v;
        int m;
        double s;
        int expected;
    };
    const scale_case cases[] = {
        {0, 17, 0.4805, 17},     {2000, 17, 961.0 / 2000, 978}, {1000, 17, 961.0 / 2000, 497},
        {10.99, 5, 1.0, 15},     {-1.5, 10, 1.0, 9},            {1e300, 0, 1e300, 1 << 30},
        {std::nan(""), 3, 1, 3},
    };
    for (const scale_case& c : cases) EXPECT_EQ(ScaleCoordinate(c.v, c.m, c.s), c.expected) << c.v;
}

TEST(WastePercentText, CutsToTwoDecimalsInShortestForm)
{
    const std::pair<double, const char*> cases[] = {
        {22.5, "22.5"},  {12.349, "12.34"}, {12.3499999, "12.34"}, {0.005, "0"},
        {100.0, "100"}, {33.333333, "33.33"}, {0.0, "0"},
        {std::numeric_limits<double>::infinity(), "0"}, {std::nan(""), "0"},
    };
    for (const auto& [percent, text] : cases) EXPECT_EQ(WastePercentText(percent), QString(text)) << percent;
}

TEST(Statistics, ThreeLinesInTheLoadedLanguage)
{
    Solution2D s = Sheet(100, 20);
    s.repetitions = 3;
    s.stock_label = L"Board A";
    s.waste_area = 450;
    s.used_area = fractional_double(1549, 3, 16);
    const auto lines = LayoutStatisticsLines(s);
    EXPECT_EQ(lines[0], "Quantity = 3; Board A; ");
    EXPECT_EQ(lines[1], "Waste = 450 (22.5%)  ");
    EXPECT_EQ(lines[2], "Area of utilized parts = 1549 3/16");

    s.stock_label = L"";
    s.waste_area = 246.98;  // 12.349 %
    EXPECT_EQ(LayoutStatisticsLines(s)[0], "Quantity = 3; ");
    EXPECT_EQ(LayoutStatisticsLines(s)[1], "Waste = 246.98 (12.34%)  ");
}

TEST(Picture, WorkedExampleScaleAndSheetOutline)
{
    const QFont font = TestFont();
    const int m = static_cast<int>(1.1 * PictureTextHeight(font));
    const double s = std::min((1000.0 - 2 * m - 5) / 2000, (600.0 - 4 * m - 5) / 1000);
    const int X = m + static_cast<int>(2000 * s);
    const int Y = m + static_cast<int>(1000 * s);
    if (PictureTextHeight(font) == 16) {
        EXPECT_EQ(m, 17);
        EXPECT_DOUBLE_EQ(s, 0.4805);
        EXPECT_EQ(X, 978);
        EXPECT_EQ(Y, 497);
    }

    const auto picture = DrawLayoutPicture(Sheet(2000, 1000), 1000, 600, MakeHatchPattern(), NoTexts(), font);
    ASSERT_TRUE(picture.has_value());
    const QImage& img = *picture;
    EXPECT_EQ(img.width(), X + m + 1);
    EXPECT_EQ(img.height(), Y + 3 * m + 1);

    const int mid_x = (m + X) / 2;
    const int mid_y = (m + Y) / 2;
    // The 2-pixel outline lies on columns m, m+1 and X-2, X-1 (rows likewise).
    for (int d : {0, 1}) {
        EXPECT_TRUE(Black(img, m + d, mid_y));
        EXPECT_TRUE(Black(img, X - 1 - d, mid_y));
        EXPECT_TRUE(Black(img, mid_x, m + d));
        EXPECT_TRUE(Black(img, mid_x, Y - 1 - d));
    }
    EXPECT_TRUE(White(img, m - 1, mid_y));
    EXPECT_TRUE(White(img, m + 2, mid_y));
    EXPECT_TRUE(White(img, X, mid_y));
    EXPECT_TRUE(White(img, X - 3, mid_y));
    EXPECT_TRUE(White(img, mid_x, m - 1));
    EXPECT_TRUE(White(img, mid_x, Y));
    EXPECT_TRUE(InkBox(img, QRect(m + 2, m + 2, X - m - 4, Y - m - 4)).isEmpty()) << "an empty sheet stays white";
}

TEST(Picture, NothingWhenTheScaleIsNotPositive)
{
    const QFont font = TestFont();
    const QImage hatch = MakeHatchPattern();
    EXPECT_FALSE(DrawLayoutPicture(Sheet(2000, 1000), 30, 600, hatch, {}, font).has_value());
    EXPECT_FALSE(DrawLayoutPicture(Sheet(2000, 1000), 1000, 60, hatch, {}, font).has_value());
    EXPECT_FALSE(DrawLayoutPicture(Sheet(2000, 0), 1000, 600, hatch, {}, font).has_value());
    EXPECT_FALSE(DrawLayoutPicture(Sheet(0, 0), 1000, 600, hatch, {}, font).has_value());
}

// A part on the left half, a waste on the right half, one cut between them.
Solution2D PartAndWaste()
{
    Solution2D s = Sheet(2000, 1000);
    AddPiece(s, 0, 0, 1000, 1000, L"P1");
    AddWaste(s, 1000, 0, 2000, 1000);
    AddCut(s, 1000, 0, 1000, 1000);
    s.used_area = 1000000;
    s.waste_area = 1000000;
    return s;
}

TEST(Picture, CutLineAndHatchInsideTheWasteOnly)
{
    const QFont font = TestFont();
    const QImage hatch = MakeHatchPattern();
    const drawn d = Draw(PartAndWaste(), 1000, 600, 17, 0.45, &hatch, NoTexts(), font);
    const int cut_x = d.sc(1000);
    const int top = d.sc(0), bottom = d.sc(1000), right = d.sc(2000);

    for (int y = top; y < bottom; ++y) ASSERT_TRUE(Black(d.image, cut_x, y)) << y;
    EXPECT_TRUE(White(d.image, cut_x, bottom)) << "the line leaves out its end point";

    // Hatch from one pixel right of the cut up to the sheet outline.
    for (int y = top + 2; y < bottom - 2; ++y)
        for (int x = cut_x + 1; x <= right - 3; ++x)
            ASSERT_EQ(Black(d.image, x, y), HatchPixel(x, y)) << x << "," << y;
    for (int y = top + 2; y < bottom - 2; ++y) {
        EXPECT_TRUE(Black(d.image, right - 1, y)) << "outline kept";
        EXPECT_TRUE(Black(d.image, right - 2, y)) << "outline kept";
    }
    for (int x = cut_x + 1; x < right; ++x) {
        EXPECT_TRUE(Black(d.image, x, top + 1)) << "outline kept";
        EXPECT_TRUE(Black(d.image, x, bottom - 2)) << "outline kept";
    }

    EXPECT_TRUE(InkBox(d.image, QRect(top + 2, top + 2, cut_x - top - 2, bottom - top - 4)).isEmpty())
        << "parts are neither filled nor outlined";
}

TEST(Picture, HatchFillsFromOnePixelInsideToOnePixelShortOfTheFarEdges)
{
    Solution2D s = Sheet(2000, 1000);
    AddWaste(s, 500, 250, 1500, 750);
    const QImage hatch = MakeHatchPattern();
    const drawn d = Draw(s, 1000, 600, 17, 0.45, &hatch, NoTexts(), TestFont());
    const int x1 = d.sc(500), y1 = d.sc(250), x2 = d.sc(1500), y2 = d.sc(750);
    for (int y = y1 - 1; y <= y2; ++y)
        for (int x = x1 - 1; x <= x2; ++x) {
            const bool filled = x > x1 && x < x2 - 1 && y > y1 && y < y2 - 1;
            ASSERT_EQ(Black(d.image, x, y), filled && HatchPixel(x, y)) << x << "," << y;
        }
}

TEST(Page, DotsInsteadOfHatchWithoutAHatchImage)
{
    const QFont font = TestFont();
    Solution2D s = Sheet(2000, 1000);
    AddWaste(s, 500, 250, 1500, 750);
    const drawn d = Draw(s, 1000, 600, 17, 0.45, nullptr, NoTexts(), font);

    QImage probe(1, 1, QImage::Format_RGB32);
    QPainter p(&probe);
    p.setFont(font);
    const int tw = p.fontMetrics().horizontalAdvance(QStringLiteral("."));
    const int th = p.fontMetrics().height();
    p.end();
    const int nx = static_cast<int>(1000 * d.s) / tw;
    const int ny = static_cast<int>(500 * d.s) / th;
    ASSERT_GT(nx, 4);
    ASSERT_GT(ny, 2);

    const int x0 = d.sc(500), y0 = d.sc(250);
    int dots = 0;
    for (int r = 0; r <= ny; ++r)
        for (int c = 0; c <= nx; ++c) {
            const bool inked = !InkBox(d.image, QRect(x0 + c * tw, y0 + r * th, tw, th)).isEmpty();
            const bool expected = r < ny && c < nx && c % 3 == 1;
            EXPECT_EQ(inked, expected) << "cell " << c << "," << r;
            dots += inked;
        }
    EXPECT_EQ(dots, ny * ((nx + 1) / 3));
}

TEST(Page, DrawnToFillThePageWithDottedWastes)
{
    const QFont font = TestFont();
    QImage page = BlankSurface(1200, 800);
    QPainter p(&page);
    DrawLayoutOnPage(p, PartAndWaste(), page.width(), page.height(), NoTexts(), font);
    const int m = static_cast<int>(1.1 * p.fontMetrics().height());
    p.end();
    const double s = std::min((1200.0 - 2 * m - 5) / 2000, (800.0 - 4 * m - 5) / 1000);
    const int X = ScaleCoordinate(2000, m, s), Y = ScaleCoordinate(1000, m, s), cut = ScaleCoordinate(1000, m, s);
    EXPECT_TRUE(Black(page, m, (m + Y) / 2));
    EXPECT_TRUE(Black(page, X - 1, (m + Y) / 2));
    EXPECT_TRUE(White(page, X, (m + Y) / 2));
    EXPECT_TRUE(Black(page, cut, (m + Y) / 2));

    // The waste half carries dots, not the hatch: far fewer inked pixels than the cross tile.
    int inked = 0, area = 0;
    for (int y = m + 2; y < Y - 2; ++y)
        for (int x = cut + 1; x < X - 2; ++x, ++area) inked += Ink(page, x, y);
    EXPECT_GT(inked, 0);
    EXPECT_LT(inked * 10, area);
}

TEST(Labels, PlacementByProportion)
{
    const QFont font = TestFont();
    struct label_case {
        double x2, y2;     // piece from (0, 0)
        bool wide;         // horizontal size exceeds vertical size
    };
    const label_case cases[] = {{1600, 800, true}, {800, 800, false}, {600, 900, false}};
    for (const label_case& c : cases) {
        Solution2D s = Sheet(2000, 1000);
        AddPiece(s, 0, 0, c.x2, c.y2, L"WWWWWWWW");
        const drawn d = Draw(s, 1000, 600, 17, 0.45, nullptr, {false, false, true}, font);

        QImage probe(1, 1, QImage::Format_RGB32);
        QPainter p(&probe);
        p.setFont(font);
        const int a = p.fontMetrics().horizontalAdvance(QStringLiteral("WWWWWWWW")) / 2;
        const int b = p.fontMetrics().height() / 2;
        p.end();
        const int mid_x = d.sc(0.5 * c.x2), mid_y = d.sc(0.5 * c.y2);
        const QRect cell = c.wide ? QRect(mid_x - a, mid_y - b, 2 * a + 1, 2 * b + 1)
                                  : QRect(mid_x - b, mid_y - a, 2 * a + 1, 2 * b + 1);
        const QRect ink = InkBox(d.image, QRect(d.m + 2, d.m + 2, d.sc(2000) - d.m - 4, d.sc(1000) - d.m - 4));
        ASSERT_FALSE(ink.isEmpty());
        EXPECT_TRUE(cell.adjusted(-1, -1, 1, 1).contains(ink)) << c.x2 << "x" << c.y2;
        EXPECT_GT(ink.width(), ink.height()) << "written horizontally in both placements";
        EXPECT_LE(std::abs(ink.left() - cell.left()), 3);
    }
}

TEST(Picture, NarrowSheetKeepsItsTextsWholeAndInsideTheirPieces)
{
    LoadLanguage(L"English");
    const QFont font = TestFont();
    Solution2D s = Sheet(300, 2000);
    AddPiece(s, 0, 0, 300, 150, L"A label far too long for the piece");
    AddPiece(s, 0, 150, 300, 2000, L"");
    AddCut(s, 0, 150, 300, 150);
    s.used_area = fractional_double(300.0 * 2000.0);
    const QImage hatch = MakeHatchPattern();
    const std::optional<QImage> picture = DrawLayoutPicture(s, 1000, 600, hatch, {true, true, true}, font);
    ASSERT_TRUE(picture.has_value());

    QImage probe(1, 1, QImage::Format_RGB32);
    QPainter p(&probe);
    p.setFont(font);
    const int m = static_cast<int>(1.1 * p.fontMetrics().height());
    int widest = 0;
    for (const QString& line : LayoutStatisticsLines(s)) widest = std::max(widest, p.fontMetrics().horizontalAdvance(line));
    p.end();
    EXPECT_GE(picture->width(), widest) << "the statistics lines are not cut at the picture's edge";

    // Beside the sheet, level with it, nothing is drawn: the label was left out.
    const double scale = std::min((1000.0 - 2 * m - 5) / 300.0, (600.0 - 4 * m - 5) / 2000.0);
    const int right = ScaleCoordinate(300, m, scale);
    const int bottom = ScaleCoordinate(2000, m, scale);
    ASSERT_LT(right + 2, picture->width());
    EXPECT_TRUE(InkBox(*picture, QRect(right + 2, m, picture->width() - right - 2, bottom - m)).isEmpty());
    // The statistics lines have ink near the left and the right edge of the picture.
    const QRect statistics = InkBox(*picture, QRect(0, bottom + 1, picture->width(), picture->height() - bottom - 1));
    ASSERT_FALSE(statistics.isEmpty());
    EXPECT_GE(statistics.left(), 0);
    EXPECT_LT(statistics.right(), picture->width());
    EXPECT_GE(statistics.width(), widest - 4);
}

TEST(Texts, RotatedTextReadsUpwardFromItsCorner)
{
    const QFont font = TestFont();
    QImage img = BlankSurface(200, 200);
    QPainter p(&img);
    p.setFont(font);
    p.setPen(Qt::black);
    const QString text = QStringLiteral("12345");
    const int w = p.fontMetrics().horizontalAdvance(text);
    const int h = p.fontMetrics().height();
    TextOutRotated(50, 150, text, p, 90);
    p.end();
    const QRect ink = InkBox(img, img.rect());
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_TRUE(QRect(50, 150 - w, h, w).adjusted(-1, -1, 1, 1).contains(ink)) << ink.x() << "," << ink.y();
    EXPECT_GT(ink.height(), 2 * ink.width());
}

TEST(Texts, SheetDimensionsOutsideTheSheetAndCentred)
{
    const QFont font = TestFont();
    const drawn d = Draw(Sheet(2000, 1000), 1000, 600, 17, 0.45, nullptr, {}, font);
    const int X = d.sc(2000), Y = d.sc(1000);

    const QRect above = InkBox(d.image, QRect(0, 0, d.image.width(), d.m));
    ASSERT_FALSE(above.isEmpty());
    EXPECT_LE(std::abs(above.center().x() - (d.m + X) / 2), 3);
    EXPECT_GT(above.width(), above.height());

    const QRect left = InkBox(d.image, QRect(0, d.m, d.m, Y - d.m));
    ASSERT_FALSE(left.isEmpty());
    EXPECT_LE(std::abs(left.center().y() - (d.m + Y) / 2), 3);
    EXPECT_GT(left.height(), left.width());

    const QRect below = InkBox(d.image, QRect(0, Y, d.image.width(), d.image.height() - Y));
    ASSERT_FALSE(below.isEmpty()) << "statistics under the sheet";
    EXPECT_LE(std::abs(below.center().x() - (d.m + X) / 2), 6);
    EXPECT_GT(below.height(), 2 * PictureTextHeight(font));
}

TEST(Texts, PartAndWasteSizesJustInsideTheirEdges)
{
    const QFont font = TestFont();
    Solution2D s = Sheet(2000, 1000);
    AddPiece(s, 0, 0, 1000, 1000);
    AddWaste(s, 1000, 0, 2000, 1000);
    const drawn only_parts = Draw(s, 1000, 600, 17, 0.45, nullptr, {true, false, false}, font);
    const drawn none = Draw(s, 1000, 600, 17, 0.45, nullptr, NoTexts(), font);
    const int top = only_parts.sc(0), mid = only_parts.sc(500), cut = only_parts.sc(1000);
    const int h = PictureTextHeight(font);

    const QRect across = InkBox(only_parts.image, QRect(top + 2, top + 2, cut - top - 4, h));
    ASSERT_FALSE(across.isEmpty());
    EXPECT_LE(std::abs(across.center().x() - mid), 3);
    const QRect down = InkBox(only_parts.image, QRect(top + 2, top + h + 2, h, cut - top - 2 * h));
    ASSERT_FALSE(down.isEmpty());
    EXPECT_LE(std::abs(down.center().y() - mid), 3);
    EXPECT_GT(down.height(), down.width());
    EXPECT_TRUE(InkBox(none.image, QRect(top + 2, top + 2, cut - top - 4, h)).isEmpty());
}

int CountPages(const QByteArray& pdf)
{
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?![a-zA-Z])"));
    int n = 0;
    for (auto it = page.globalMatch(QString::fromLatin1(pdf)); it.hasNext(); it.next()) ++n;
    return n;
}

TEST(Pdf, OnePagePerLayout)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TOwningList<Solution2D> layouts;
    layouts.Emplace(PartAndWaste());
    layouts.Emplace(Sheet(1000, 2000));  // taller than long: a portrait page
    layouts.Emplace(Sheet(2500, 1250));
    const QString file = dir.filePath(QStringLiteral("layouts.pdf"));
    ASSERT_TRUE(WriteLayoutsPdf(file, layouts, {}, TestFont()));

    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray pdf = f.readAll();
    EXPECT_TRUE(pdf.startsWith("%PDF"));
    EXPECT_EQ(CountPages(pdf), 3);
}

TEST(Pdf, FalseWhenTheFileCannotBeWritten)
{
    TOwningList<Solution2D> layouts;
    layouts.Emplace(PartAndWaste());
    EXPECT_FALSE(WriteLayoutsPdf(QStringLiteral("/nonexistent-folder/x/layouts.pdf"), layouts, {}, TestFont()));
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    LoadLanguage(L"English");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

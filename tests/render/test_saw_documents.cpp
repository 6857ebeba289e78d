// For the saw and the bench: cut numbers on the drawing and the part labels with their QR codes.
#include <cstdlib>

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "render/draw_layout.h"
#include "render/part_labels.h"

namespace {

int PdfPages(const QString& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return -1;
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?![a-zA-Z])"));
    int n = 0;
    for (auto it = page.globalMatch(QString::fromLatin1(f.readAll())); it.hasNext(); it.next()) ++n;
    return n;
}

// 40 pieces of 400 x 300, four to a 1000 x 700 sheet: one layout cut ten times.
void RunTenSheets(stavora_2d& facade)
{
    part_as_number_2d part;
    part.length = 400.0;
    part.width = 300.0;
    part.quantity = 40;
    part.grain = 1;
    part.label = L"Lid";
    part.material = L"Birch";
    stock_as_number_2d sheet;
    sheet.length = 1000.0;
    sheet.width = 700.0;
    sheet.quantity = 20;
    sheet.material = L"Birch";
    facade.parameters.cutter_thickness = 4.0;
    facade.Gather([&](parts_array_2d& p) { p.Append(part); }, [&](stock_array_2d& s) { s.Append(sheet); }, {});
    facade.decimal_input = true;
    facade.Run({});
}

}  // namespace

TEST(CutNumbers, AreDrawnOnlyWhenAskedAndOnTheCutLines)
{
    Solution2D layout;
    layout.sheet_length = 200.0;
    layout.sheet_width = 100.0;
    layout.cuts.push_back(TFractionalCut{100.0, 0.0, 100.0, 100.0, 0.0});
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(14);
    const QImage hatch = MakeHatchPattern();
    layout_display_flags flags;
    const auto plain = DrawLayoutPicture(layout, 600, 400, hatch, flags, font);
    flags.show_cut_numbers = true;
    const auto numbered = DrawLayoutPicture(layout, 600, 400, hatch, flags, font);
    ASSERT_TRUE(plain && numbered);
    ASSERT_EQ(plain->size(), numbered->size());
    // The tag sits on the cut, a quarter along it; elsewhere the pictures are the same.
    int changed = 0, changed_away = 0;
    const QImage a = plain->convertToFormat(QImage::Format_RGB32), b = numbered->convertToFormat(QImage::Format_RGB32);
    const int cut_x = [&] {
        for (int x = 0; x < a.width(); ++x)
            if (qGray(a.pixel(x, a.height() / 3)) < 128 && x > a.width() / 4) return x;
        return -1;
    }();
    ASSERT_GT(cut_x, 0);
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y)) {
                ++changed;
                if (std::abs(x - cut_x) > 30) ++changed_away;
            }
    EXPECT_GT(changed, 20);
    EXPECT_EQ(changed_away, 0);
}

TEST(PartLabels, OnePerPieceCutInSawOrderOnEitherSheet)
{
    stavora_2d facade;
    RunTenSheets(facade);
    ASSERT_EQ(facade.solutions_2d.Count(), 1);
    ASSERT_EQ(facade.solutions_2d.Get(0)->repetitions, 10);
    const std::vector<part_label> labels = MakePartLabels(facade);
    ASSERT_EQ(labels.size(), 40u);
    EXPECT_EQ(labels.front().where, QStringLiteral("Sheet 1, piece 1"));
    EXPECT_EQ(labels.back().where, QStringLiteral("Sheet 10, piece 4"));
    EXPECT_EQ(labels.front().size, QStringLiteral("400 × 300"));
    EXPECT_EQ(labels.front().grain, 1);
    EXPECT_TRUE(labels.front().qr_text.startsWith(QStringLiteral("Lid\n400 × 300\nBirch\nSheet 1, piece 1")));

    QTemporaryDir dir;
    struct sheet_case {
        label_sheet sheet;
        int pages;
    };
    for (const sheet_case& c : {sheet_case{label_sheet::a4_3x8, 2}, sheet_case{label_sheet::letter_3x10, 2}}) {
        const QString file = dir.filePath(QStringLiteral("labels.pdf"));
        ASSERT_TRUE(WritePartLabelsPdf(file, labels, c.sheet));
        EXPECT_EQ(PdfPages(file), c.pages);
        EXPECT_EQ(LabelSheetCount(c.sheet, labels.size()), c.pages);
    }
    EXPECT_FALSE(WritePartLabelsPdf(QStringLiteral("/nonexistent-folder/x/labels.pdf"), labels, label_sheet::a4_3x8));
}

TEST(PartLabels, QrCodesReadBackAsTheirLabelsText)
{
    const QString zbarimg = QStandardPaths::findExecutable(QStringLiteral("zbarimg"));
    if (zbarimg.isEmpty()) GTEST_SKIP() << "zbarimg is not installed";
    stavora_2d facade;
    RunTenSheets(facade);
    const std::vector<part_label> labels = MakePartLabels(facade);
    QTemporaryDir dir;
    for (label_sheet sheet : {label_sheet::a4_3x8, label_sheet::letter_3x10}) {
        const QString png = dir.filePath(QStringLiteral("page.png"));
        ASSERT_TRUE(RenderLabelPage(labels, sheet, 1, 150).save(png));
        QProcess zbar;
        zbar.start(zbarimg, {QStringLiteral("-q"), png});
        ASSERT_TRUE(zbar.waitForFinished(60000));
        const QString decoded = QString::fromUtf8(zbar.readAllStandardOutput());
        // Page 2 holds the labels after the first sheet's worth.
        const int per = LabelsPerSheet(sheet);
        int expected = 0;
        for (size_t i = static_cast<size_t>(per); i < labels.size() && i < static_cast<size_t>(2 * per); ++i, ++expected)
            EXPECT_TRUE(decoded.contains(QStringLiteral("QR-Code:") + labels[i].qr_text + QLatin1Char('\n')))
                << labels[i].qr_text.toStdString();
        EXPECT_EQ(decoded.count(QStringLiteral("QR-Code:")), expected);
    }
}

// The Start command: checks before a run, the run itself and the results tabs, pictures and printing.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QWheelEvent>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTextBrowser>
#include <QToolButton>
#include <QToolTip>

#include "app/Callbacks_stv.h"
#include "app/locale_stv.h"
#include "app/results_view.h"
#include "app/run_summary.h"
#include "app/technical_settings_stv.h"
#include "app_test_support.h"
#include "i18n/ui_texts.h"
#include "i18n/window_texts.h"

namespace {

constexpr int kRunWait = 120000;  // ms; a safety net against a hang, not a speed target

}  // namespace

class RunTest : public QObject {
    Q_OBJECT

    std::unique_ptr<temporary_environment> place_;
    prompt_recorder prompts_;
    std::unique_ptr<Tf2D> window_;

    QTableWidget& Parts() { return *window_->sgParts; }
    QTableWidget& Stock() { return *window_->sgStock; }
    QString File(const char* name) const { return place_->File(QString::fromLatin1(name)); }

    // Start, and wait for the run when one was started; false when the checks refused it.
    bool Start()
    {
        QSignalSpy finished(window_.get(), &Tf2D::RunFinished);
        QTest::mouseClick(window_->tbStart, Qt::LeftButton);
        if (!window_->IsRunning()) return finished.count() > 0;
        if (!finished.wait(kRunWait)) return false;
        return true;
    }

    // Three sheets of different sizes, each filled by one part: three layouts.
    void FillThreeLayoutJob()
    {
        FillRow(Parts(), 1, {"1000", "1000", "1", "", "big"});
        FillRow(Parts(), 2, {"500", "500", "2", "", "middle"});
        FillRow(Parts(), 3, {"300", "300", "1", "", "small"});
        FillRow(Stock(), 1, {"1000", "1000", "1", "", "A"});
        FillRow(Stock(), 2, {"500", "500", "2", "", "B"});
        FillRow(Stock(), 3, {"300", "300", "1", "", "C"});
    }

    // Two stock records, one part larger than every sheet.
    void FillJobWithALeftOver()
    {
        FillRow(Parts(), 1, {"1000", "1000", "2", "", "big"});
        FillRow(Parts(), 2, {"500", "250", "2", "", "half"});
        FillRow(Parts(), 3, {"3000", "100", "1", "", "long"});
        FillRow(Stock(), 1, {"1000", "1000", "2", "", "A"});
        FillRow(Stock(), 2, {"500", "500", "1", "", "B"});
        window_->TechnicalSettings().cbRoundFractionsTo->setCurrentIndex(0);
    }

    int PdfPages(const QString& file)
    {
        QFile pdf(file);
        if (!pdf.open(QIODevice::ReadOnly)) return -1;
        const QByteArray content = pdf.readAll();
        return int(content.count("/Type /Page\n") + content.count("/Type /Page ") + content.count("/Type /Page>") +
                   content.count("/Type /Page/"));
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void init()
    {
        place_ = std::make_unique<temporary_environment>();
        prompts_ = prompt_recorder{};
        prompts_.Install();
        LoadLanguage(L"English");
        window_ = std::make_unique<Tf2D>(place_->Environment());
        window_->resize(1400, 900);
        window_->show();
        window_->Callbacks().clear_parts_grid();
        window_->Callbacks().clear_stock_grid();
    }

    void cleanup() { window_.reset(); }

    void sizesMustBePositive()
    {
        FillRow(Parts(), 1, {"0", "100", "1", "", ""});
        FillRow(Stock(), 1, {"1000", "1000", "1", "", ""});
        window_->TechnicalSettings().leCutterThickness->setText(QStringLiteral("0"));
        QVERIFY(!Start());
        QCOMPARE(prompts_.messages, QStringList{QStringLiteral("Parts, row 1, Width: '0' is not a valid number")});
        FillRow(Parts(), 1, {"10", "100", "1", "", ""});
        prompts_.messages.clear();
        QVERIFY(Start());  // zero is a valid cutter thickness
        QVERIFY2(prompts_.messages.isEmpty(), qPrintable(prompts_.messages.join('|')));
    }

    void incompleteRowsAreEmptied()
    {
        FillRow(Parts(), 1, {"", "", "", "", "label only"});
        FillRow(Parts(), 2, {" 200 ", "", "3", "", ""});
        FillRow(Parts(), 3, {"200", "100", "", "Horizontal", " x "});
        FillRow(Stock(), 1, {"1000", "1000", "abc", "", ""});
        QVERIFY(Start());
        QCOMPARE(RowTexts(Parts(), 1), QStringList({"", "", "", "", ""}));
        QCOMPARE(RowTexts(Parts(), 2), QStringList({"", "", "", "", ""}));
        QCOMPARE(RowTexts(Parts(), 3), QStringList({"200", "100", "1", "Horizontal", "x"}));  // empty quantity: 1
        QCOMPARE(CellText(Stock(), 2, 1), QStringLiteral("1"));
        QCOMPARE(window_->pcResults->count(), 2);  // the summary and one layout
    }

    void badQuantitiesAreAllNamed()
    {
        FillRow(Parts(), 1, {"100", "100", "0", "", ""});
        FillRow(Parts(), 2, {"100", "100", "-1", "", ""});
        FillRow(Stock(), 1, {"1000", "1000", "1", "", ""});
        // One message names every bad cell, in both grids.
        FillRow(Stock(), 3, {"1000", "abc", "1", "", ""});
        QVERIFY(!Start());
        QCOMPARE(prompts_.messages,
                 QStringList{QStringLiteral("Parts, row 1, Quantity: '0' is not a whole number of at least 1\n"
                                            "Parts, row 2, Quantity: '-1' is not a whole number of at least 1\n"
                                            "Stock, row 3, Height: 'abc' is not a valid number")});
        QCOMPARE(window_->pcResults->count(), 0);
    }

    void settingsAreCheckedAndRounded()
    {
        FillRow(Parts(), 1, {"100", "100", "1", "", ""});
        FillRow(Stock(), 1, {"1000", "1000", "1", "", ""});
        TfTechnicalSettings& settings = window_->TechnicalSettings();
        settings.cbRoundFractionsTo->setCurrentIndex(1);
        settings.leCutterThickness->setText(QStringLiteral(" "));
        settings.leMinimalBreakSize->setText(QStringLiteral("-4"));
        QVERIFY(!Start());
        QCOMPARE(prompts_.messages, QStringList{QStringLiteral("Invalid number:-4")});
        QCOMPARE(settings.leCutterThickness->text(), QStringLiteral("0"));
        settings.leMinimalBreakSize->setText(QStringLiteral("1 1/3"));
        settings.eLungimeMaximaTaietura->setText(QStringLiteral("3000 1/3"));
        prompts_.messages.clear();
        QVERIFY(Start());
        QCOMPARE(settings.leMinimalBreakSize->text(), QStringLiteral("1 1/2"));
        QCOMPARE(settings.eLungimeMaximaTaietura->text(), QStringLiteral("3000 1/4"));
    }

    void numberModes_data()
    {
        QTest::addColumn<QStringList>("sizes");  // width, height of up to three parts
        QTest::addColumn<bool>("refused");
        QTest::addColumn<bool>("all_real");
        QTest::addColumn<bool>("all_fraction");
        QTest::newRow("decimal and fraction") << QStringList{"500", "30.5", "10 1/2", "400"} << true << false << false;
        QTest::newRow("whole and fraction") << QStringList{"500", "10 1/2"} << false << false << true;
        QTest::newRow("whole and decimal") << QStringList{"500", "30.5"} << false << true << false;
        QTest::newRow("whole only") << QStringList{"500", "300"} << false << true << true;
    }

    void numberModes()
    {
        QFETCH(QStringList, sizes);
        QFETCH(bool, refused);
        QFETCH(bool, all_real);
        QFETCH(bool, all_fraction);
        for (int i = 0; i + 1 < sizes.size(); i += 2) FillRow(Parts(), 1 + i / 2, {sizes[i], sizes[i + 1], "1", "", ""});
        FillRow(Stock(), 1, {"2000", "1000", "5", "", ""});
        window_->TechnicalSettings().cbRoundFractionsTo->setCurrentIndex(3);
        const bool ran = Start();
        if (refused) {
            QVERIFY(!ran);
            QCOMPARE(prompts_.messages, QStringList{QStringLiteral("You cannot mix fractional values with real values!")});
            return;
        }
        QVERIFY(ran);
        QCOMPARE(window_->AllRealInput(), all_real);
        QCOMPARE(window_->AllFractionInput(), all_fraction);
        QCOMPARE(window_->Engine().decimal_input, all_real);
        QCOMPARE(window_->Engine().fraction_input, all_fraction);
    }

    void threeLayoutsGiveThreeTabs()
    {
        FillThreeLayoutJob();
        QVERIFY(Start());
        QVERIFY2(prompts_.messages.isEmpty(), qPrintable(prompts_.messages.join('|')));
        QTabWidget& tabs = *window_->pcResults;
        // The summary, then one tab per layout; the first layout is shown.
        QCOMPARE(tabs.count(), window_->Engine().solutions_2d.Count() + 1);
        QCOMPARE(tabs.count(), 4);
        QCOMPARE(tabs.tabText(0), QStringLiteral("Summary"));
        for (int k = 0; k < 3; ++k) QCOMPARE(tabs.tabText(k + 1), QStringLiteral("Sheet #%1").arg(k + 1));
        QCOMPARE(tabs.currentIndex(), 1);
        QVERIFY(window_->ResultsScrollBox());
        QCOMPARE(window_->ResultsScrollBox()->parentWidget(), tabs.widget(1));
        QVERIFY(!window_->ResultsImage()->pixmap().isNull());

        tabs.setCurrentIndex(2);
        QCOMPARE(window_->ResultsScrollBox()->parentWidget(), tabs.widget(2));

        const QRect second = tabs.tabBar()->tabRect(2);
        QTest::mouseMove(tabs.tabBar(), second.center());
        QTRY_VERIFY(QToolTip::isVisible());
        const int repetitions = window_->Engine().solutions_2d.Get(1)->repetitions;
        QCOMPARE(QToolTip::text(), QStringLiteral("Quantity=%1").arg(repetitions));

        window_->cbLanguage->setCurrentIndex(window_->cbLanguage->findText(QStringLiteral("Spanish")));
        window_->cbLanguageChange();
        QCOMPARE(tabs.tabText(0), QStringLiteral("Resumen"));
        for (int k = 0; k < 3; ++k)
            QCOMPARE(tabs.tabText(k + 1), ToQString(UiText(ui_text::Sheet)) + QStringLiteral(" #%1").arg(k + 1));

        // Any change of the data discards the results.
        TypeIntoCell(Parts(), 4, 1, QStringLiteral("changed"));
        QCOMPARE(tabs.count(), 0);
        QCOMPARE(window_->Engine().solutions_2d.Count(), 0);
    }

    void redrawFollowsTheCheckBoxes()
    {
        FillThreeLayoutJob();
        QVERIFY(Start());
        const QImage with_labels = window_->ResultsImage()->pixmap().toImage();
        QTest::mouseClick(window_->cbShowPartLabel, Qt::LeftButton);
        QVERIFY(!window_->cbShowPartLabel->isChecked());
        QVERIFY(window_->ResultsImage()->pixmap().toImage() != with_labels);
    }

    void partsThatDoNotFitAreReported()
    {
        FillRow(Parts(), 1, {"3000", "3000", "1", "", ""});
        FillRow(Stock(), 1, {"1000", "1000", "1", "", ""});
        QVERIFY(Start());
        QCOMPARE(prompts_.messages, QStringList{ToQString(UiText(ui_text::NotAllOptimized)) +
                                                QStringLiteral("\n\nParts, row 1 (3000 \u00d7 3000): larger than every sheet")});
        QCOMPARE(window_->pcResults->count(), 0);
    }

    void theMessageSaysWhyEachPartWasLeftOut()
    {
        FillRow(Parts(), 1, {"900", "400", "1", "Horizontal", "door"});   // fits only turned: grain
        FillRow(Parts(), 2, {"500", "500", "3", "", "square"});           // one sheet holds one: stock runs out
        FillRow(Parts(), 3, {"100", "100", "1", "", ""});
        FillRow(Stock(), 1, {"600", "1000", "1", "Horizontal", "A"});
        QVERIFY(Start());
        QCOMPARE(prompts_.messages.size(), 1);
        const QString message = prompts_.messages[0];
        QVERIFY2(message.contains(QStringLiteral("Parts, row 1 (door, 900 \u00d7 400): fits only turned, which its grain does not allow")),
                 qPrintable(message));
        QVERIFY2(message.contains(QStringLiteral("Parts, row 2 (square, 500 \u00d7 500): not enough stock")), qPrintable(message));
        QVERIFY(!message.contains(QStringLiteral("row 3")));
    }

    void sizesThatCannotBeCutExactlyAreReported()
    {
        FillRow(Parts(), 1, {"300000000", "400", "1", "", ""});
        FillRow(Stock(), 1, {"400000000", "1000", "1", "", ""});
        QVERIFY(Start());
        QCOMPARE(prompts_.messages.size(), 1);
        QVERIFY(prompts_.messages.front().contains(QStringLiteral("too large")));
        QCOMPARE(window_->pcResults->count(), 0);
    }

    void absurdQuantitiesAreRefusedNamingTheRow()
    {
        FillRow(Parts(), 1, {"600", "400", "2000000000", "", ""});
        FillRow(Stock(), 1, {"1000", "1000", "1", "", ""});
        QVERIFY(Start());
        QCOMPARE(prompts_.messages.size(), 1);
        QVERIFY2(prompts_.messages.front().startsWith(QStringLiteral("Parts, row 1: quantity 2000000000")),
                 qPrintable(prompts_.messages.front()));
        QCOMPARE(window_->pcResults->count(), 0);
    }

    void controlsWaitDuringTheRun()
    {
        FillThreeLayoutJob();
        QSignalSpy finished(window_.get(), &Tf2D::RunFinished);
        QTest::mouseClick(window_->tbStart, Qt::LeftButton);
        if (window_->IsRunning()) {
            for (QWidget* control : std::initializer_list<QWidget*>{window_->tbOpenParts, window_->tbClearStock,
                                                                     window_->sgParts, window_->sgStock,
                                                                     window_->tbSettings})
                QVERIFY(!control->isEnabled());
            QCOMPARE(window_->tbStart->text(), QStringLiteral("Stop"));  // Start becomes Stop
            QVERIFY(window_->tbStart->isEnabled());
            QVERIFY(finished.wait(kRunWait));
        }
        QCOMPARE(window_->tbStart->text(), QStringLiteral("Start"));
        QVERIFY(window_->tbStart->isEnabled());
        QVERIFY(window_->sgParts->isEnabled());
        QCOMPARE(window_->pcResults->count(), 4);
    }

    // Many parts of different sizes: a run of many passes.
    void FillLongJob()
    {
        for (int r = 1; r <= 120; ++r)
            FillRow(Parts(), r, {QString::number(97 + (r * 37) % 401), QString::number(53 + (r * 71) % 307), "2", "",
                                 QStringLiteral("p%1").arg(r)});
        FillRow(Stock(), 1, {"2800", "2070", "40", "", "board"});
    }

    void stopKeepsTheBestLayoutsSoFar_data()
    {
        QTest::addColumn<bool>("by_key");
        QTest::newRow("Stop button") << false;
        QTest::newRow("Esc") << true;
    }

    void stopKeepsTheBestLayoutsSoFar()
    {
        QFETCH(bool, by_key);
        FillLongJob();
        window_->TechnicalSettings().cbRoundFractionsTo->setCurrentIndex(0);
        window_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
        QSignalSpy finished(window_.get(), &Tf2D::RunFinished);
        QTest::keyClick(window_.get(), Qt::Key_F5);
        QVERIFY2(prompts_.messages.isEmpty(), qPrintable(prompts_.messages.join('|')));
        QVERIFY(window_->IsRunning());
        QTRY_VERIFY(window_->Engine().last_progress.passes_done >= 1 || !window_->IsRunning());
        QVERIFY2(window_->IsRunning(), "the job ended before it could be stopped");
        if (by_key)
            QTest::keyClick(window_.get(), Qt::Key_Escape);
        else
            QTest::mouseClick(window_->tbStart, Qt::LeftButton);
        QVERIFY(finished.wait(kRunWait));
        QVERIFY2(prompts_.messages.isEmpty(), qPrintable(prompts_.messages.join('|')));
        QVERIFY(window_->Engine().last_progress.passes_done < window_->Engine().last_progress.passes_total);
        QVERIFY(window_->pcResults->count() > 0);
        QCOMPARE(window_->pcResults->count(), window_->Engine().solutions_2d.Count() + 1);
        QVERIFY(!window_->ResultsImage()->pixmap().isNull());
    }

    void closingDuringARunWaitsForItsEnd()
    {
        FillThreeLayoutJob();
        QSignalSpy finished(window_.get(), &Tf2D::RunFinished);
        QTest::mouseClick(window_->tbStart, Qt::LeftButton);
        QVERIFY(window_->IsRunning());
        window_->close();
        QVERIFY(window_->isVisible());
        QVERIFY(finished.wait(kRunWait));
        QVERIFY(!window_->isVisible());
        QVERIFY(QFileInfo::exists(QDir(place_->DataFolder()).filePath(QStringLiteral("stock.xml"))));
    }

    void fontButtonRedrawsWithTheChosenFont()
    {
        FillThreeLayoutJob();
        QVERIFY(Start());
        const QImage before = window_->ResultsImage()->pixmap().toImage();
        Prompts().choose_font = [](QWidget*, const QFont&) { return std::optional<QFont>(QFont("Courier", 20)); };
        QTest::mouseClick(window_->bbFont, Qt::LeftButton);
        QCOMPARE(window_->bbFont->text(), window_->DrawingFont().family() + QStringLiteral(", 20"));
        QVERIFY(window_->ResultsImage()->pixmap().toImage() != before);
    }

    void savePictureProposesTheSheetName()
    {
        FillThreeLayoutJob();
        QVERIFY(Start());
        window_->pcResults->setCurrentIndex(2);
        QString proposed;
        const QString file = File("picture.png");  // written as BMP whatever the extension
        Prompts().save_file = [&proposed, file](QWidget*, const file_prompt& prompt) {
            proposed = prompt.file_name;
            return file;
        };
        QTest::mouseClick(window_->tbSaveResults, Qt::LeftButton);
        QCOMPARE(proposed, QStringLiteral("Sheet2"));
        QFile picture(file);
        QVERIFY(picture.open(QIODevice::ReadOnly));
        QCOMPARE(picture.read(2), QByteArray("BM"));
        QImage saved(file, "BMP");
        QCOMPARE(saved.size(), window_->ResultsImage()->pixmap().size());
    }

    void saveResultsWritesTheChosenFormat_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("start");
        QTest::newRow("PNG") << "PNG (*.png)" << "sheet.png" << QByteArray("\x89PNG");
        QTest::newRow("BMP") << "Bitmaps (*.bmp)" << "sheet.bmp" << QByteArray("BM");
        QTest::newRow("PDF") << "PDF (*.pdf)" << "sheet.pdf" << QByteArray("%PDF");
    }

    void saveResultsWritesTheChosenFormat()
    {
        QFETCH(QString, filter);
        QFETCH(QString, name);
        QFETCH(QByteArray, start);
        FillThreeLayoutJob();
        QVERIFY(Start());
        const QString file = place_->File(name);
        QStringList offered;
        Prompts().save_file = [&](QWidget*, const file_prompt& prompt) {
            offered = prompt.filter.split(QStringLiteral(";;"));
            if (prompt.selected_filter) *prompt.selected_filter = filter;
            return file;
        };
        QTest::mouseClick(window_->tbSaveResults, Qt::LeftButton);
        QVERIFY(offered.contains(filter));
        QFile written(file);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.read(start.size()), start);
    }

    void resultsZoomAndFit()
    {
        FillThreeLayoutJob();
        QVERIFY(Start());
        const QSize fitted = window_->ResultsImage()->size();
        QWidget* view = window_->ResultsScrollBox()->viewport();
        const QPoint centre = view->rect().center();
        QWheelEvent wheel(centre, view->mapToGlobal(centre), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::ControlModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(view, &wheel);
        QVERIFY(window_->ResultsImage()->width() > fitted.width());
        QScrollArea& box = *window_->ResultsScrollBox();
        QTRY_VERIFY(box.horizontalScrollBar()->maximum() + box.verticalScrollBar()->maximum() > 0);  // it pans
        QTest::mouseClick(window_->tbZoomFit, Qt::LeftButton);
        QCOMPARE(window_->ResultsImage()->size(), fitted);
    }

    void printingTurnsThePageToTheSheet()
    {
        FillRow(Parts(), 1, {"2000", "300", "1", "", "long"});
        FillRow(Parts(), 2, {"300", "2000", "1", "", "tall"});
        FillRow(Stock(), 1, {"2100", "400", "1", "", "wide"});
        FillRow(Stock(), 2, {"400", "2100", "1", "", "high"});
        window_->TechnicalSettings().cbRoundFractionsTo->setCurrentIndex(0);
        QVERIFY(Start());
        QCOMPARE(window_->pcResults->count(), 3);
        const QString file = File("turned.pdf");
        prompts_.run_modal = [file](QDialog& dialog) {
            QPrinter* printer = static_cast<QPrintDialog&>(dialog).printer();
            printer->setOutputFormat(QPrinter::PdfFormat);
            printer->setOutputFileName(file);
            printer->setPrintRange(QPrinter::AllPages);
            return int(QDialog::Accepted);
        };
        QTest::mouseClick(window_->tbPrintResults, Qt::LeftButton);
        QFile pdf(file);
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        const QString content = QString::fromLatin1(pdf.readAll());
        QStringList shapes;
        const QRegularExpression box(QStringLiteral("/MediaBox \\[\\s*0 0 ([0-9.]+) ([0-9.]+)"));
        for (auto it = box.globalMatch(content); it.hasNext();) {
            const QRegularExpressionMatch match = it.next();
            shapes << (match.captured(1).toDouble() > match.captured(2).toDouble() ? "landscape" : "portrait");
        }
        QList<bool> tall;
        for (int k = 0; k < window_->Engine().solutions_2d.Count(); ++k) {
            const Solution2D& layout = *window_->Engine().solutions_2d.Get(k);
            tall << (layout.sheet_width.AsDouble() > layout.sheet_length.AsDouble());
        }
        // All pages: the summary (upright), then the sheets.
        QCOMPARE(shapes.size(), 3);
        QCOMPARE(shapes[0], QStringLiteral("portrait"));
        for (int k = 0; k < 2; ++k) QCOMPARE(shapes[k + 1], QString::fromLatin1(tall[k] ? "portrait" : "landscape"));
    }

    void summaryTabComesBeforeTheSheets()
    {
        FillJobWithALeftOver();
        QVERIFY(Start());
        const stavora_2d& engine = window_->Engine();
        QTabWidget& tabs = *window_->pcResults;
        QCOMPARE(tabs.count(), engine.solutions_2d.Count() + 1);
        QCOMPARE(tabs.tabText(0), QStringLiteral("Summary"));
        QCOMPARE(tabs.currentIndex(), 1);

        const run_summary summary = SummarizeRun(engine);
        struct expected_row {
            const char* label;
            const char* size;
            int sheets;
        };
        const std::vector<expected_row> rows = {{"A", "1000 \u00d7 1000", 2}, {"B", "500 \u00d7 500", 1}};
        QCOMPARE(summary.stock.size(), rows.size());
        for (size_t i = 0; i < rows.size(); ++i) {
            QCOMPARE(summary.stock[i].label, QString::fromLatin1(rows[i].label));
            QCOMPARE(summary.stock[i].size, QString::fromUtf8(rows[i].size));
            QCOMPARE(summary.stock[i].sheets, rows[i].sheets);
        }
        // The rows add up to the engine's totals of the material.
        QCOMPARE(engine.utilization_2d.Count(), 1);
        const material_utilization& total = *engine.utilization_2d.Get(0);
        double sheet_area = 0, used_area = 0, waste_area = 0, cut_length = 0;
        for (const summary_stock_row& row : summary.stock) {
            sheet_area += row.sheet_area.AsDouble();
            used_area += row.used_area.AsDouble();
            waste_area += row.waste_area.AsDouble();
            cut_length += row.cut_length.AsDouble();
        }
        QCOMPARE(sheet_area, total.sheet_area_total.AsDouble());
        QCOMPARE(used_area, total.used_area_total.AsDouble());
        QCOMPARE(waste_area, total.waste_area_total.AsDouble());
        QCOMPARE(cut_length, total.cut_length_total.AsDouble());
        QCOMPARE(summary.unplaced.size(), size_t{1});
        QCOMPARE(summary.unplaced[0].row, 3);
        QCOMPARE(summary.unplaced[0].label, QStringLiteral("long"));
        QCOMPARE(summary.unplaced[0].missing, 1);
        QCOMPARE(summary.unplaced[0].reason, QStringLiteral("larger than every sheet"));

        // The page shows them; it has no tab hint and leaves the picture alone.
        const QImage picture = window_->ResultsImage()->pixmap().toImage();
        tabs.setCurrentIndex(0);
        QTextBrowser* page = window_->Results().Summary();
        QVERIFY(page);
        QCOMPARE(tabs.currentWidget(), page);
        const QString text = page->toPlainText();
        for (const char* shown : {"Stock used", "1000 \u00d7 1000", "500 \u00d7 500", "100 %", "Parts not placed",
                                  "3000 \u00d7 100", "larger than every sheet", "Total"})
            QVERIFY2(text.contains(QString::fromUtf8(shown)), shown);
        QVERIFY(!text.contains(QStringLiteral("Material")));  // the grids give no material
        QTest::mouseMove(tabs.tabBar(), tabs.tabBar()->tabRect(0).center());
        QTest::qWait(50);
        QVERIFY(!QToolTip::isVisible());
        QCOMPARE(window_->ResultsImage()->pixmap().toImage(), picture);

        // Ctrl+wheel and the zoom buttons zoom its text.
        const double before = page->document()->defaultFont().pointSizeF();
        QWidget* view = page->viewport();
        const QPoint centre = view->rect().center();
        QWheelEvent wheel(centre, view->mapToGlobal(centre), QPoint(), QPoint(0, 120), Qt::NoButton,
                          Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view, &wheel);
        QVERIFY(page->document()->defaultFont().pointSizeF() > before);
        QTest::mouseClick(window_->tbZoomFit, Qt::LeftButton);
        QCOMPARE(page->document()->defaultFont().pointSizeF(), before);
        QTest::mouseClick(window_->tbZoomOut, Qt::LeftButton);
        QVERIFY(page->document()->defaultFont().pointSizeF() < before);

        // A language switch translates it.
        window_->cbLanguage->setCurrentIndex(window_->cbLanguage->findText(QStringLiteral("German")));
        window_->cbLanguageChange();
        QCOMPARE(tabs.tabText(0), QStringLiteral("\u00dcbersicht"));
        QCOMPARE(tabs.tabText(1), QStringLiteral("Platte #1"));
        QVERIFY(page->toPlainText().contains(QStringLiteral("gr\u00f6\u00dfer als jede Platte")));
    }

    // On the summary tab Save Results writes the whole result and printing offers every page.
    void summaryTabSavesAndPrintsTheWholeResult()
    {
        FillJobWithALeftOver();
        QVERIFY(Start());
        const int layouts = window_->Engine().solutions_2d.Count();
        window_->pcResults->setCurrentIndex(0);
        const QString saved = File("result.pdf");
        QString filter, proposed;
        Prompts().save_file = [&](QWidget*, const file_prompt& prompt) {
            filter = prompt.filter;
            proposed = prompt.file_name;
            return saved;
        };
        QTest::mouseClick(window_->tbSaveResults, Qt::LeftButton);
        QCOMPARE(filter, QStringLiteral("PDF (*.pdf)"));
        QCOMPARE(proposed, QStringLiteral("Summary"));
        QCOMPARE(PdfPages(saved), layouts + 1);

        const QString printed = File("printed.pdf");
        int proposed_range = -1;
        prompts_.run_modal = [&](QDialog& dialog) {
            QPrinter* printer = static_cast<QPrintDialog&>(dialog).printer();
            proposed_range = int(printer->printRange());
            printer->setOutputFormat(QPrinter::PdfFormat);
            printer->setOutputFileName(printed);
            printer->setPrintRange(QPrinter::Selection);
            return int(QDialog::Accepted);
        };
        QTest::mouseClick(window_->tbPrintResults, Qt::LeftButton);
        QCOMPARE(proposed_range, int(QPrinter::AllPages));
        QCOMPARE(PdfPages(printed), 1);  // the shown tab: the summary
        QVERIFY2(prompts_.messages.size() == 1, qPrintable(prompts_.messages.join('|')));  // only the not-all-placed one
    }

    // A summary longer than a page goes on over as many pages as it needs, every row whole.
    void longSummaryGoesOnOverPages()
    {
        FillRow(Parts(), 1, {"500", "500", "1", "", "fits"});
        constexpr int kLeftOut = 150;
        for (int r = 2; r <= kLeftOut + 1; ++r)
            FillRow(Parts(), r, {"3000", QString::number(100 + r), "1", "", QStringLiteral("long%1").arg(r)});
        FillRow(Stock(), 1, {"1000", "1000", "1", "", "A"});
        window_->TechnicalSettings().cbRoundFractionsTo->setCurrentIndex(0);
        QVERIFY(Start());
        QCOMPARE(SummarizeRun(window_->Engine()).unplaced.size(), size_t{kLeftOut});
        window_->pcResults->setCurrentIndex(0);
        const QString saved = File("long.pdf");
        Prompts().save_file = [&](QWidget*, const file_prompt&) { return saved; };
        QTest::mouseClick(window_->tbSaveResults, Qt::LeftButton);
        const int layouts = window_->Engine().solutions_2d.Count();
        QVERIFY2(PdfPages(saved) >= layouts + 2, qPrintable(QString::number(PdfPages(saved))));
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()) return;
        QProcess text;
        text.start(QStringLiteral("pdftotext"),
                   {QStringLiteral("-enc"), QStringLiteral("UTF-8"), saved, QStringLiteral("-")});
        QVERIFY(text.waitForFinished(30000));
        const QString content = QString::fromUtf8(text.readAllStandardOutput());
        for (int r = 2; r <= kLeftOut + 1; ++r)
            QVERIFY2(content.contains(QStringLiteral("long%1").arg(r)), qPrintable(QString::number(r)));
    }

    // Printing to a file writes like every other writer: through a symlink, never over a read-only
    // file, never a partial file, and no temporary file left beside it.
    void printToFileIsSavedSafely_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("written");
        QTest::newRow("new file") << "new" << true;
        QTest::newRow("existing file") << "existing" << true;
        QTest::newRow("symlink") << "symlink" << true;
        QTest::newRow("read-only file") << "read-only" << false;
        QTest::newRow("missing folder") << "missing folder" << false;
    }

    void printToFileIsSavedSafely()
    {
        QFETCH(QString, kind);
        QFETCH(bool, written);
        FillThreeLayoutJob();
        QVERIFY(Start());
        const QString folder = place_->File(QStringLiteral("out"));
        QVERIFY(QDir().mkpath(folder));
        QString target = folder + QStringLiteral("/printed.pdf");
        const QString real = folder + QStringLiteral("/real.pdf");
        const QByteArray old_content("old content");
        auto write = [&](const QString& file) {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(old_content);
        };
        if (kind == QLatin1String("existing") || kind == QLatin1String("read-only")) write(target);
        if (kind == QLatin1String("read-only"))
            QVERIFY(QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::ReadUser));
        if (kind == QLatin1String("symlink")) {
            write(real);
            QVERIFY(QFile::link(real, target));
        }
        if (kind == QLatin1String("missing folder")) target = folder + QStringLiteral("/none/printed.pdf");
        prompts_.run_modal = [&](QDialog& dialog) {
            QPrinter* printer = static_cast<QPrintDialog&>(dialog).printer();
            printer->setOutputFormat(QPrinter::PdfFormat);
            printer->setOutputFileName(target);
            printer->setPrintRange(QPrinter::AllPages);
            return int(QDialog::Accepted);
        };
        QTest::mouseClick(window_->tbPrintResults, Qt::LeftButton);
        const QString read_from = kind == QLatin1String("symlink") ? real : target;
        QFile result(read_from);
        if (written) {
            QVERIFY2(prompts_.messages.isEmpty(), qPrintable(prompts_.messages.join('|')));
            QVERIFY(result.open(QIODevice::ReadOnly));
            QVERIFY(result.readAll().startsWith("%PDF"));
            QCOMPARE(PdfPages(read_from), window_->Engine().solutions_2d.Count() + 1);
            if (kind == QLatin1String("symlink")) QVERIFY(QFileInfo(target).isSymLink());
        } else {
            QCOMPARE(prompts_.messages.size(), 1);
            QVERIFY(prompts_.messages[0].startsWith(ToQString(WindowText(window_text::FileNotWritten))));
            QVERIFY(prompts_.messages[0].contains(QDir::toNativeSeparators(target)));
            if (kind == QLatin1String("read-only")) {
                QVERIFY(result.open(QIODevice::ReadOnly));
                QCOMPARE(result.readAll(), old_content);
            } else {
                QVERIFY(!QFileInfo::exists(target));
            }
        }
        const QStringList left = QDir(folder).entryList(QDir::Files | QDir::System | QDir::Hidden);
        for (const QString& name : left) QVERIFY2(!name.contains(QStringLiteral(".tmp")), qPrintable(name));
    }

    void printRangesPickTheLayouts_data()
    {
        QTest::addColumn<int>("range");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<int>("pages");
        QTest::newRow("selection") << int(QPrinter::Selection) << 1 << 1 << 1;
        QTest::newRow("pages 2 to 9") << int(QPrinter::PageRange) << 2 << 9 << 2;
        QTest::newRow("all, the summary first") << int(QPrinter::AllPages) << 0 << 0 << 4;
    }

    void printRangesPickTheLayouts()
    {
        QFETCH(int, range);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(int, pages);
        FillThreeLayoutJob();
        QVERIFY(Start());
        window_->pcResults->setCurrentIndex(3);
        const QString file = File("layouts.pdf");
        int proposed_from = -1, proposed_to = -1, proposed_range = -1;
        QString title;
        prompts_.run_modal = [&](QDialog& dialog) {
            QPrinter* printer = static_cast<QPrintDialog&>(dialog).printer();
            proposed_range = int(printer->printRange());
            proposed_from = printer->fromPage();
            proposed_to = printer->toPage();
            title = printer->docName();
            printer->setOutputFormat(QPrinter::PdfFormat);
            printer->setOutputFileName(file);
            printer->setPrintRange(QPrinter::PrintRange(range));
            printer->setFromTo(from, to);
            return int(QDialog::Accepted);
        };
        QTest::mouseClick(window_->tbPrintResults, Qt::LeftButton);
        QCOMPARE(proposed_range, int(QPrinter::PageRange));
        QCOMPARE(proposed_from, 1);
        QCOMPARE(proposed_to, 3);
        QCOMPARE(title, QStringLiteral("Stavora - Results"));
        QFile pdf(file);
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        const QByteArray content = pdf.readAll();
        QCOMPARE(int(content.count("/Type /Page\n") + content.count("/Type /Page ") + content.count("/Type /Page>")
                     + content.count("/Type /Page/")),
                 pages);
    }
};

QTEST_MAIN(RunTest)
#include "test_run.moc"

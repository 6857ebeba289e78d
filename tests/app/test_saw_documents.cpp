// The window's saw documents: cut numbers on the drawing, the report and labels of Save Results,
// and the cut totals in the status bar.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLocale>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include "app/Callbacks_stv.h"
#include "app/report_commands.h"
#include "app_test_support.h"
#include "engine/cut_sequence.h"
#include "i18n/ui_texts.h"

namespace {

constexpr int kRunWait = 120000;  // ms; a safety net against a hang, not a speed target

int PdfPages(const QString& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return -1;
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?![a-zA-Z])"));
    int n = 0;
    for (auto it = page.globalMatch(QString::fromLatin1(f.readAll())); it.hasNext(); it.next()) ++n;
    return n;
}

}  // namespace

class SawDocumentsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<temporary_environment> place_;
    prompt_recorder prompts_;
    std::unique_ptr<Tf2D> window_;

    report_commands& Commands() { return *window_->findChild<report_commands*>(); }

    bool Start()
    {
        FillRow(*window_->sgParts, 1, {"400", "300", "6", "", "Lid"});
        FillRow(*window_->sgParts, 2, {"250", "120", "4", "", "Rail"});
        FillRow(*window_->sgStock, 1, {"1000", "700", "5", "", "Board"});
        QSignalSpy finished(window_.get(), &Tf2D::RunFinished);
        QTest::mouseClick(window_->tbStart, Qt::LeftButton);
        return !window_->IsRunning() ? finished.count() > 0 : finished.wait(kRunWait);
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

    void cutNumbersAreAFourthBoxOffByDefault()
    {
        QCheckBox* box = window_->findChild<QCheckBox*>(QStringLiteral("cbShowCutNumbers"));
        QVERIFY(box);
        QVERIFY(!box->isChecked());
        QCOMPARE(box->text(), QStringLiteral("Show cut numbers"));
        QVERIFY(Start());
        const QImage plain = window_->ResultsImage()->pixmap().toImage();
        QTest::mouseClick(box, Qt::LeftButton);
        QVERIFY(box->isChecked());
        QVERIFY(window_->ResultsImage()->pixmap().toImage() != plain);
        QTest::mouseClick(box, Qt::LeftButton);
        QCOMPARE(window_->ResultsImage()->pixmap().toImage(), plain);

        window_->cbLanguage->setCurrentIndex(window_->cbLanguage->findText(QStringLiteral("German")));
        window_->cbLanguageChange();
        QCOMPARE(box->text(), QStringLiteral("Schnittnummern anzeigen"));
    }

    void statusBarShowsTheJobsCutTotals()
    {
        QLabel* totals = window_->findChild<QLabel*>(QStringLiteral("lCutTotals"));
        QVERIFY(totals);
        QVERIFY(totals->text().isEmpty());
        QVERIFY(Start());
        const cut_totals t = JobCutTotals(window_->Engine());
        QVERIFY(t.cut_count > 0);
        QCOMPARE(totals->text(), QStringLiteral("Cuts: %1; cut length: %2")
                                     .arg(t.cut_count)
                                     .arg(QString::fromStdWString(t.cut_length.FormatDisplay(L'.'))));
        TypeIntoCell(*window_->sgParts, 4, 1, QStringLiteral("changed"));
        QVERIFY(totals->text().isEmpty());
    }

    void saveResultsWritesTheReportAndTheLabels()
    {
        QVERIFY(Start());
        // The button's own click still saves the picture; the documents are in its menu.
        QVERIFY(window_->tbSaveResults->menu());
        const QString report = place_->File(QStringLiteral("report.pdf"));
        prompts_.save_names.push_back(report);
        Commands().miReportPdf->trigger();
        QCOMPARE(PdfPages(report), 1 + window_->Engine().solutions_2d.Count() + 1);

        const QString labels = place_->File(QStringLiteral("labels.pdf"));
        prompts_.save_names.push_back(labels);
        Commands().miLabelsLetter->trigger();
        QCOMPARE(PdfPages(labels), 1);  // ten labels on one sheet of thirty
        QVERIFY(prompts_.messages.isEmpty());

        // Cancelled: nothing written, nothing said.
        Commands().miReportPdf->trigger();
        QCOMPARE(prompts_.save_dialogs, 3);
        QVERIFY(prompts_.messages.isEmpty());
    }
};

QTEST_MAIN(SawDocumentsTest)
#include "test_saw_documents.moc"

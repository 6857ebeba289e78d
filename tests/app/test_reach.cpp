// Every command of the window is on screen, whole and working, in every language and at narrow widths;
// a screenshot per language is written for a look by eye.
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QSplitter>
#include <QTest>
#include <QToolButton>

#include "app/locale_stv.h"
#include "app_test_support.h"
#include "i18n/ui_texts.h"

namespace {

// The controls that carry a command or an option.
QList<QWidget*> Commands(const Tf2D& w)
{
    return {w.tbClearParts, w.tbOpenParts,     w.tbSaveParts, w.tbSavePartsAs,  w.tbUndo,         w.tbRedo,
            w.tbClearStock, w.tbStart,         w.tbSaveResults, w.tbPrintResults, w.tbSettings,   w.tbHelp,
            w.tbAbout,      w.cbLanguage,      w.cbShowPartSize, w.cbShowWasteSize, w.cbShowPartLabel, w.bbFont,
            w.tbZoomIn,     w.tbZoomOut,       w.tbZoomFit};
}

// Why the widget is not whole on screen, or the empty text.
QString Fault(const Tf2D& window, QWidget* widget)
{
    const QString name = widget->objectName();
    if (!widget->isVisible()) return name + QStringLiteral(" hidden");
    const QRect in_window(widget->mapTo(&window, QPoint(0, 0)), widget->size());
    if (!window.rect().contains(in_window)) return name + QStringLiteral(" outside the window");
    if (widget->parentWidget() && !widget->parentWidget()->rect().contains(widget->geometry()))
        return name + QStringLiteral(" outside its bar");
    if (widget->width() < widget->sizeHint().width())
        return name + QStringLiteral(" clipped: %1 < %2").arg(widget->width()).arg(widget->sizeHint().width());
    return {};
}

}  // namespace

class ReachTest : public QObject {
    Q_OBJECT

    std::unique_ptr<temporary_environment> place_;
    prompt_recorder prompts_;
    std::unique_ptr<Tf2D> window_;

    void ChooseLanguage(int index)
    {
        window_->cbLanguage->setCurrentIndex(index);
        window_->cbLanguageChange();
        // Bars that wrap anew take two rounds of layout.
        for (int round = 0; round < 3; ++round) QApplication::processEvents();
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void init()
    {
        place_ = std::make_unique<temporary_environment>();
        prompts_ = prompt_recorder{};
        prompts_.Install();
        window_ = std::make_unique<Tf2D>(place_->Environment());
    }

    void cleanup() { window_.reset(); }

    void everyCommandIsWholeAtEveryWidth_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("panel");
        QTest::newRow("900 wide, standard panel") << 900 << 325;
        QTest::newRow("700 wide, narrow panel") << 700 << 200;
        QTest::newRow("1400 wide, wide panel") << 1400 << 600;
    }

    void everyCommandIsWholeAtEveryWidth()
    {
        QFETCH(int, width);
        QFETCH(int, panel);
        window_->resize(width, 800);
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        window_->SetDataPanelWidth(panel);
        QStringList faults;
        for (int language = 0; language < kLanguageCount; ++language) {
            ChooseLanguage(language);
            for (QWidget* widget : Commands(*window_))
                if (const QString fault = Fault(*window_, widget); !fault.isEmpty())
                    faults << window_->cbLanguage->currentText() + QStringLiteral(": ") + fault;
        }
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
    }

    void commandsAtTheNarrowestWidthStillWork()
    {
        window_->resize(600, 700);
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        window_->SetDataPanelWidth(200);
        ChooseLanguage(0);  // Afrikaans has long captions
        QApplication::processEvents();
        QVERIFY(window_->tbSavePartsAs->isVisible());
        QTest::mouseClick(window_->tbSavePartsAs, Qt::LeftButton);
        QCOMPARE(prompts_.save_dialogs, 1);
    }

    void noCaptionIsClippedInAnyLanguage()
    {
        window_->resize(1400, 900);
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        const QString folder = QDir::current().filePath(QStringLiteral("screenshots"));
        QDir().mkpath(folder);
        QStringList faults;
        for (int language = 0; language < kLanguageCount; ++language) {
            ChooseLanguage(language);
            const QString name = window_->cbLanguage->currentText();
            window_->grab().save(QDir(folder).filePath(name + QStringLiteral(".png")));
            for (QWidget* widget : window_->findChildren<QWidget*>()) {
                if (!widget->isVisible()) continue;
                QString text;
                int room = widget->width();
                if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
                    text = button->text();
                    room = widget->width() - (widget->sizeHint().width() - widget->fontMetrics().horizontalAdvance(text));
                } else if (auto* label = qobject_cast<QLabel*>(widget); label && !label->wordWrap()) {
                    text = label->text();
                    room = label->contentsRect().width();
                }
                if (text.isEmpty() || text.contains(QLatin1Char('<'))) continue;
                if (widget->fontMetrics().horizontalAdvance(text) > room)
                    faults << name + QStringLiteral(": '") + text + QStringLiteral("' in ") + widget->objectName();
            }
            for (QTableWidget* grid : {window_->sgParts, window_->sgStock})
                for (int c = 0; c < kGridColumnCount; ++c) {
                    const QString text = CellText(*grid, c, 0);
                    const int needed = grid->horizontalHeader()->fontMetrics().horizontalAdvance(text) + 6;
                    if (needed > grid->horizontalHeader()->sectionSize(c))
                        faults << name + QStringLiteral(": header '") + text + QStringLiteral("'");
                }
        }
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
    }
};

QTEST_MAIN(ReachTest)
#include "test_reach.moc"

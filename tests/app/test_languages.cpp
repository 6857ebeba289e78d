// Switching the interface language of the main window.
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QLabel>
#include <QLocale>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include "app/locale_stv.h"
#include "app/technical_settings_stv.h"
#include "app_test_support.h"
#include "i18n/ui_texts.h"

namespace {

QString Text(ui_text entry) { return ToQString(UiText(entry)); }

// The captions that follow the language, in a fixed order.
QStringList Captions(const Tf2D& window)
{
    QStringList captions;
    for (int c = 0; c < kGridColumnCount; ++c) captions << CellText(*window.sgParts, c, 0) << CellText(*window.sgStock, c, 0);
    captions << window.lParts->text() << window.lStock->text();
    for (QToolButton* button : {window.tbClearParts, window.tbOpenParts, window.tbSaveParts, window.tbSavePartsAs,
                                window.tbClearStock, window.tbStart, window.tbSaveResults, window.tbPrintResults,
                                window.tbSettings, window.tbHelp, window.tbAbout})
        captions << button->text();
    for (QCheckBox* box : {window.cbShowPartSize, window.cbShowWasteSize, window.cbShowPartLabel})
        captions << box->text();
    captions << window.cbPartGrain->itemText(1) << window.cbStockGrain->itemText(2);
    captions << const_cast<Tf2D&>(window).TechnicalSettings().windowTitle();
    return captions;
}

}  // namespace

class LanguagesTest : public QObject {
    Q_OBJECT

    std::unique_ptr<temporary_environment> place_;
    prompt_recorder prompts_;
    std::unique_ptr<Tf2D> window_;

    // Picks a language in the combo with the keyboard, as a user would.
    void ChooseLanguage(const QString& name)
    {
        QComboBox& combo = *window_->cbLanguage;
        const int target = combo.findText(name);
        QVERIFY(target >= 0);
        while (combo.currentIndex() != target)
            QTest::keyClick(&combo, combo.currentIndex() < target ? Qt::Key_Down : Qt::Key_Up);
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void init()
    {
        place_ = std::make_unique<temporary_environment>();
        prompts_ = prompt_recorder{};
        prompts_.Install();
        window_ = std::make_unique<Tf2D>(place_->Environment());
        window_->show();
    }

    void cleanup() { window_.reset(); }

    void englishCaptions()
    {
        QCOMPARE(window_->lParts->text(), QStringLiteral("PARTS"));
        QCOMPARE(window_->tbClearStock->text(), QStringLiteral("Clear"));
        QCOMPARE(window_->tbSavePartsAs->text(), QStringLiteral("Save as"));
        QCOMPARE(window_->cbShowWasteSize->text(), QStringLiteral("Show size of the wastes"));
        QCOMPARE(window_->TechnicalSettings().lRoundAllFractionsTo->text(),
                 QStringLiteral("The fractional values must be rounded to:"));
        QCOMPARE(CellText(*window_->sgStock, 2, 0), QStringLiteral("Quantity"));
    }

    void standardDialogsSpeakTheLanguage_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("cancel");
        QTest::newRow("German") << "German" << "Abbrechen";
        QTest::newRow("French") << "French" << "Annuler";
        QTest::newRow("Polish") << "Polish" << "Anuluj";
        QTest::newRow("Afrikaans: Qt has none") << "Afrikaans" << "Cancel";
    }

    void standardDialogsSpeakTheLanguage()
    {
        QFETCH(QString, language);
        QFETCH(QString, cancel);
        ChooseLanguage(QStringLiteral("German"));
        ChooseLanguage(language);
        QDialogButtonBox buttons(QDialogButtonBox::Cancel);
        QCOMPARE(buttons.button(QDialogButtonBox::Cancel)->text().remove(QLatin1Char('&')), cancel);
    }

    void frenchAndBackRestoresEveryCaption()
    {
        const QStringList english = Captions(*window_);
        ChooseLanguage(QStringLiteral("French"));
        const QStringList french = Captions(*window_);
        QVERIFY(french != english);
        QCOMPARE(window_->tbStart->text(), QStringLiteral("Start"));
        QCOMPARE(window_->lParts->text(), Text(ui_text::Parts));
        QCOMPARE(CellText(*window_->sgParts, 3, 1), Text(ui_text::Horizontal));  // example row re-translated
        ChooseLanguage(QStringLiteral("English"));
        QCOMPARE(Captions(*window_), english);
        QCOMPARE(CellText(*window_->sgParts, 3, 1), QStringLiteral("Horizontal"));
    }

    void germanRetranslatesGrainCells()
    {
        FillRow(*window_->sgStock, 4, {"1", "1", "1", "Horizontal", ""});
        FillRow(*window_->sgStock, 5, {"1", "1", "1", "Вертикально", ""});
        FillRow(*window_->sgStock, 6, {"1", "1", "1", "H", ""});
        ChooseLanguage(QStringLiteral("German"));
        QCOMPARE(CellText(*window_->sgStock, 3, 4), Text(ui_text::Horizontal));
        QCOMPARE(CellText(*window_->sgStock, 3, 5), Text(ui_text::Vertical));
        QCOMPARE(CellText(*window_->sgStock, 3, 6), QStringLiteral("H"));
        QCOMPARE(window_->cbStockGrain->itemText(2), Text(ui_text::Vertical));
        QCOMPARE(GrainFromWord(ToWide(Text(ui_text::Horizontal))), 1);
    }

    void everyLanguageKeepsItsGrainWordsReadable()
    {
        for (std::wstring_view name : LanguageNames()) {
            LoadLanguage(name);
            QCOMPARE(GrainFromWord(UiText(ui_text::Horizontal)), 1);
            QCOMPARE(GrainFromWord(UiText(ui_text::Vertical)), 2);
        }
        LoadLanguage(L"English");
    }

    void resultTabsAreRecaptioned()
    {
        for (int k = 0; k < 3; ++k) window_->pcResults->addTab(new QWidget, QString());
        ChooseLanguage(QStringLiteral("Italian"));
        for (int k = 0; k < 3; ++k)
            QCOMPARE(window_->pcResults->tabText(k), Text(ui_text::Sheet) + QStringLiteral(" #") + QString::number(k + 1));
        ChooseLanguage(QStringLiteral("English"));
        QCOMPARE(window_->pcResults->tabText(2), QStringLiteral("Sheet #3"));
    }

    void storedLanguageComesBackAtStart()
    {
        ChooseLanguage(QStringLiteral("Polish"));
        const QString polish_parts = window_->lParts->text();
        window_->close();
        window_.reset();
        LoadLanguage(L"English");
        window_ = std::make_unique<Tf2D>(place_->Environment());
        window_->show();
        QCOMPARE(window_->cbLanguage->currentText(), QStringLiteral("Polish"));
        QCOMPARE(window_->lParts->text(), polish_parts);
        ChooseLanguage(QStringLiteral("English"));
    }
};

QTEST_MAIN(LanguagesTest)
#include "test_languages.moc"

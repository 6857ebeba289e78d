// Stored settings and the technical settings dialog.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QToolButton>

#include "app/Utils_interface_stv.h"
#include "app/technical_settings_stv.h"
#include "app_test_support.h"
#include "i18n/ui_texts.h"

class SettingsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<temporary_environment> place_;
    prompt_recorder prompts_;

    std::unique_ptr<QSettings> Store() const
    {
        return std::make_unique<QSettings>(place_->SettingsFile(), QSettings::IniFormat);
    }

private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale::c());
        LoadLanguage(L"English");
    }

    void init()
    {
        place_ = std::make_unique<temporary_environment>();
        prompts_ = prompt_recorder{};
        prompts_.Install();
    }

    void missingKeyGivesDefaultsAndEnglish()
    {
        parameters_as_number_2d parameters;
        interface_layout layout;
        int32_t language = 3;
        int32_t marker = -1;
        QFont font(QStringLiteral("Tahoma"), 12);
        LoadSettings(*Store(), QStringLiteral("2"), parameters, layout, language, marker, font);
        QCOMPARE(language, 6);
        QCOMPARE(marker, -1);
        QCOMPARE(double(parameters.maximal_cut_length.Value()), 5000.0);
        QCOMPARE(parameters.round_fractions_to, 3);
        QCOMPARE(layout.parts_height, 262);
        QCOMPARE(layout.data_width, 425);
    }

    void roundTrip()
    {
        parameters_as_number_2d written;
        written.cutter_thickness = fractional_double(3.0, 1, 8);
        written.minimal_break_size = 12.5;
        written.maximal_cut_length = 2800.0;
        written.round_fractions_to = 1;
        written.effort = 2;
        interface_layout layout;
        layout.parts_column_widths = {40, 41, 42, 43, 44};
        layout.stock_column_widths = {50, 51, 52, 53, 54};
        layout.parts_height = 300;
        layout.data_width = 510;
        QFont font(QStringLiteral("Courier"), 14);
        font.setItalic(true);
        SaveSettings(*Store(), QStringLiteral("2"), written, layout, 17, QStringLiteral("2.1.1.2"), font);

        parameters_as_number_2d read;
        interface_layout read_layout;
        int32_t language = 6;
        int32_t marker = -1;
        QFont read_font(QStringLiteral("Tahoma"), 12);
        LoadSettings(*Store(), QStringLiteral("2"), read, read_layout, language, marker, read_font);
        QCOMPARE(read.cutter_thickness.whole, 3.0);
        QCOMPARE(read.cutter_thickness.numerator, int64_t(1));
        QCOMPARE(read.cutter_thickness.denominator, int64_t(8));
        QCOMPARE(double(read.minimal_break_size.Value()), 12.5);
        QCOMPARE(double(read.maximal_cut_length.Value()), 2800.0);
        QCOMPARE(read.round_fractions_to, 1);
        QCOMPARE(int(read.effort), 2);
        QCOMPARE(language, 17);
        QCOMPARE(marker, 1);
        QCOMPARE(read_layout.parts_column_widths, layout.parts_column_widths);
        QCOMPARE(read_layout.stock_column_widths, layout.stock_column_widths);
        QCOMPARE(read_layout.parts_height, 300);
        QCOMPARE(read_layout.data_width, 510);
        QCOMPARE(read_font.family(), QStringLiteral("Courier"));
        QCOMPARE(read_font.pointSize(), 14);
        QVERIFY(read_font.italic());
        QVERIFY(!read_font.bold());

        auto store = Store();
        QCOMPARE(store->value(QStringLiteral("2/Version")).toString(), QStringLiteral("2.1.1.2"));
        QCOMPARE(store->value(QStringLiteral("2/Minimal useful size")).toString(), QStringLiteral("0"));
    }

    void minimumsApplyOnReading()
    {
        {
            interface_layout layout;
            SaveSettings(*Store(), QStringLiteral("2"), parameters_as_number_2d{}, layout, 6, QStringLiteral("2.1.1.2"),
                         QFont());
            auto store = Store();
            store->setValue(QStringLiteral("2/PartsColSize2"), 10);
            store->setValue(QStringLiteral("2/StockColSize0"), 29);
            store->setValue(QStringLiteral("2/PartsHeight"), 99);
            store->setValue(QStringLiteral("2/DataWidth"), 150);
        }
        parameters_as_number_2d parameters;
        interface_layout layout;
        int32_t language = 6, marker = -1;
        QFont font;
        LoadSettings(*Store(), QStringLiteral("2"), parameters, layout, language, marker, font);
        QCOMPARE(layout.parts_column_widths[2], 30);
        QCOMPARE(layout.stock_column_widths[0], 30);
        QCOMPARE(layout.parts_column_widths[1], 75);
        QCOMPARE(layout.parts_height, 100);
        QCOMPARE(layout.data_width, 200);
    }

    void readingStopsAtAMissingInteger()
    {
        {
            auto store = Store();
            store->setValue(QStringLiteral("2/Cutter thickness"), QStringLiteral("4"));
            store->setValue(QStringLiteral("2/Version"), QStringLiteral("2.1.1.2"));
            store->setValue(QStringLiteral("2/Language Index"), 9);
            store->setValue(QStringLiteral("2/Round all fractions to"), QStringLiteral("abc"));
            store->setValue(QStringLiteral("2/DataWidth"), 600);
        }
        parameters_as_number_2d parameters;
        interface_layout layout;
        int32_t language = 6, marker = -1;
        QFont font;
        LoadSettings(*Store(), QStringLiteral("2"), parameters, layout, language, marker, font);
        QCOMPARE(double(parameters.cutter_thickness.Value()), 4.0);
        QCOMPARE(parameters.round_fractions_to, 3);
        QCOMPARE(language, 6);
        QCOMPARE(layout.data_width, 425);
    }

    void okRoundsOrRefuses_data()
    {
        QTest::addColumn<int>("rounding");
        QTest::addColumn<QString>("cutter");
        QTest::addColumn<QString>("maximal");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("cutter_after");
        QTest::addColumn<QString>("maximal_after");
        QTest::addColumn<int>("messages");
        QTest::newRow("decimal kept") << 1 << "3.3" << "5000" << true << "3.3" << "5000" << 0;
        QTest::newRow("fraction up, length down") << 1 << "3 1/3" << "10 1/3" << true << "3 1/2" << "10 1/4" << 0;
        QTest::newRow("empty is zero") << 3 << " " << "" << true << "0" << "0" << 0;
        QTest::newRow("two bad values") << 3 << "-1" << "abc" << false << "-1" << "abc" << 2;
    }

    void okRoundsOrRefuses()
    {
        QFETCH(int, rounding);
        QFETCH(QString, cutter);
        QFETCH(QString, maximal);
        QFETCH(bool, accepted);
        QFETCH(QString, cutter_after);
        QFETCH(QString, maximal_after);
        QFETCH(int, messages);
        TfTechnicalSettings dialog;
        dialog.cbRoundFractionsTo->setCurrentIndex(rounding);
        dialog.show();
        dialog.leCutterThickness->setText(cutter);
        dialog.eLungimeMaximaTaietura->setText(maximal);
        dialog.leCutterThicknessLabel->setText(QStringLiteral("Cutting thickness"));
        QTest::mouseClick(dialog.bbOk, Qt::LeftButton);
        QCOMPARE(dialog.isVisible(), !accepted);
        QCOMPARE(dialog.result() == QDialog::Accepted, accepted);
        QCOMPARE(dialog.leCutterThickness->text(), cutter_after);
        QCOMPARE(dialog.eLungimeMaximaTaietura->text(), maximal_after);
        QCOMPARE(prompts_.messages.size(), messages);
        if (messages > 0)
            QCOMPARE(prompts_.messages.first(), QStringLiteral("Invalid number ( Cutting thickness ): -1"));
    }

    void cancelRestoresTheShownValues()
    {
        TfTechnicalSettings dialog;
        dialog.leCutterThickness->setText(QStringLiteral("4"));
        dialog.cbRoundFractionsTo->setCurrentIndex(2);
        dialog.show();
        dialog.leCutterThickness->setText(QStringLiteral("9"));
        dialog.cbRoundFractionsTo->setCurrentIndex(0);
        dialog.cbSearchEffort->setCurrentIndex(2);
        QTest::mouseClick(dialog.bbCancel, Qt::LeftButton);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(dialog.leCutterThickness->text(), QStringLiteral("4"));
        QCOMPARE(dialog.cbRoundFractionsTo->currentIndex(), 2);
        QCOMPARE(dialog.cbSearchEffort->currentIndex(), 1);
    }

    void firstStartShowsDefaultsAndExample()
    {
        Tf2D window(place_->Environment());
        window.show();
        TfTechnicalSettings& dialog = window.TechnicalSettings();
        QCOMPARE(dialog.leCutterThickness->text(), QStringLiteral("0"));
        QCOMPARE(dialog.leMinimalBreakSize->text(), QStringLiteral("0"));
        QCOMPARE(dialog.eLungimeMaximaTaietura->text(), QStringLiteral("5000"));
        QCOMPARE(dialog.cbRoundFractionsTo->currentText(), QStringLiteral("1/16"));
        QCOMPARE(window.cbLanguage->currentText(), QStringLiteral("English"));
        QCOMPARE(RowTexts(*window.sgParts, 1), QStringList({"500", "800", "10", "Horizontal", "john"}));
        QCOMPARE(RowTexts(*window.sgParts, 3), QStringList({"800", "700", "2", "", "jenny"}));
        QCOMPARE(RowTexts(*window.sgStock, 2), QStringList({"2000", "1500", "7", "Vertical", "window"}));
        QCOMPARE(window.bbFont->text(), QStringLiteral("Tahoma, 12 ..."));
    }

    void closingStoresStockAndSettingsForTheNextStart()
    {
        {
            Tf2D window(place_->Environment());
            window.show();
            window.TechnicalSettings().leCutterThickness->setText(QStringLiteral("4"));
            window.sgParts->setColumnWidth(1, 90);
            SetCellText(*window.sgStock, 0, 3, QStringLiteral("1200"));
            SetCellText(*window.sgStock, 1, 3, QStringLiteral("600"));
            SetCellText(*window.sgStock, 2, 3, QStringLiteral("1"));
            window.close();
        }
        QVERIFY(QFileInfo::exists(QDir(place_->DataFolder()).filePath(QStringLiteral("stock.xml"))));
        QCOMPARE(Store()->value(QStringLiteral("2/Started")).toInt(), 1);

        Tf2D again(place_->Environment());
        again.show();
        QCOMPARE(again.TechnicalSettings().leCutterThickness->text(), QStringLiteral("4"));
        // The width given, widened in proportion when the grid has room to spare.
        QCOMPARE(qobject_cast<data_grid_view*>(again.sgParts)->UserColumnWidth(1), 90);
        QVERIFY(again.sgParts->columnWidth(1) >= 90);
        QCOMPARE(CellText(*again.sgParts, 0, 1), QString());  // parts are not restored
        QCOMPARE(RowTexts(*again.sgStock, 1), QStringList({"1000", "2000", "10", "Vertical", "window"}));
        QCOMPARE(RowTexts(*again.sgStock, 3), QStringList({"1200", "600", "1", "", ""}));
    }

    void layoutIsAppliedAndCollected()
    {
        Tf2D window(place_->Environment());
        window.resize(1400, 900);
        window.show();
        interface_layout layout;
        layout.parts_column_widths = {60, 61, 62, 63, 64};
        layout.stock_column_widths = {70, 71, 72, 73, 74};
        layout.parts_height = 300;
        layout.data_width = 500;
        ApplyLayout(window, layout);
        QCoreApplication::processEvents();
        interface_layout collected;
        CollectLayout(window, collected);
        QCOMPARE(collected.parts_column_widths, layout.parts_column_widths);
        QCOMPARE(collected.stock_column_widths, layout.stock_column_widths);
        QCOMPARE(collected.parts_height, 300);
        QCOMPARE(collected.data_width, 500);
    }

    void stockBesideTheProgramIsReadWhenNoneWasSaved()
    {
        SaveSettings(*Store(), QStringLiteral("2"), parameters_as_number_2d{}, interface_layout{}, 6,
                     QStringLiteral("2.1.1.2"), QFont());
        QDir().mkpath(place_->ProgramFolder());
        QFile csv(place_->ProgramFolder() + QStringLiteral("stock.csv"));
        QVERIFY(csv.open(QIODevice::WriteOnly));
        csv.write("2440,1220,5,0,board\n");
        csv.close();
        Tf2D window(place_->Environment());
        window.show();
        QCOMPARE(RowTexts(*window.sgStock, 1), QStringList({"2440", "1220", "5", "", "board"}));
        QCOMPARE(CellText(*window.sgParts, 0, 1), QString());
        window.close();

        Tf2D again(place_->Environment());
        again.show();
        QCOMPARE(RowTexts(*again.sgStock, 1), QStringList({"2440", "1220", "5", "", "board"}));
    }

    void settingsCommandReroundsBothGrids()
    {
        Tf2D window(place_->Environment());
        window.show();
        FillRow(*window.sgParts, 1, {"10 1/16", "20", "1", "", ""});
        FillRow(*window.sgStock, 1, {"10 3/4", "7.25", "1", "", ""});
        FillRow(*window.sgStock, 2, {"abc", "", "", "", ""});
        prompts_.run_modal = [](QDialog& dialog) {
            auto& settings = static_cast<TfTechnicalSettings&>(dialog);
            settings.show();
            settings.cbRoundFractionsTo->setCurrentIndex(0);
            QTest::mouseClick(settings.bbOk, Qt::LeftButton);
            return settings.result();
        };
        QTest::mouseClick(window.tbSettings, Qt::LeftButton);
        QVERIFY(window.TechnicalSettings().eLatimeMinimaUtilizabila->isHidden());
        QCOMPARE(CellText(*window.sgParts, 0, 1), QStringLiteral("10 1/2"));
        QCOMPARE(CellText(*window.sgStock, 0, 1), QStringLiteral("10 1/2"));
        QCOMPARE(CellText(*window.sgStock, 1, 1), QStringLiteral("7.25"));
        QCOMPARE(CellText(*window.sgStock, 0, 2), QStringLiteral("abc"));
        window.close();
    }
};

QTEST_MAIN(SettingsTest)
#include "test_settings.moc"

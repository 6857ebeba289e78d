// Grid rows to engine records and back.
#include <QLocale>
#include <QTableWidget>
#include <QTest>

#include <QComboBox>

#include "app/Callbacks_stv.h"
#include "app/data_grid.h"
#include "app/locale_stv.h"
#include "app/technical_settings_stv.h"
#include "app_test_support.h"
#include "i18n/ui_texts.h"

class CallbacksTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTableWidget> parts_grid_;
    std::unique_ptr<QTableWidget> stock_grid_;
    std::unique_ptr<TfTechnicalSettings> settings_;
    int language_ = kEnglishLanguageIndex;
    std::unique_ptr<Callbacks_stv> callbacks_;

private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale::c());
        LoadLanguage(L"English");
    }

    void init()
    {
        parts_grid_ = std::make_unique<QTableWidget>();
        stock_grid_ = std::make_unique<QTableWidget>();
        SetupDataGrid(*parts_grid_);
        SetupDataGrid(*stock_grid_);
        settings_ = std::make_unique<TfTechnicalSettings>();
        language_ = kEnglishLanguageIndex;
        callbacks_ = std::make_unique<Callbacks_stv>(*parts_grid_, *stock_grid_, *settings_, [this] { return language_; });
    }

    void gridHasNineHundredNinetyNineDataRows()
    {
        QCOMPARE(RowCount(*parts_grid_), 1000);
        SetCellText(*parts_grid_, 0, 999, QStringLiteral("5"));
        QCOMPARE(parts_grid_->item(998, 0)->text(), QStringLiteral("5"));
    }

    void skippedRowsKeepTheirGridRowIndex()
    {
        FillRow(*parts_grid_, 1, {"100", "50", "2", "Horizontal", " a "});
        FillRow(*parts_grid_, 2, {"100", "", "2", "", "no height"});
        FillRow(*parts_grid_, 3, {"3/8", "40", "1", "", ""});
        FillRow(*parts_grid_, 5, {"   ", "40", "1", "", "blank width"});
        FillRow(*parts_grid_, 7, {" 7 1/2 ", "12.5", "4", "Vertical", "last"});
        parts_array_2d parts;
        callbacks_->gather_parts(parts);
        QCOMPARE(parts.count(), 3);
        QCOMPARE(parts[0].row_index, 0);
        QCOMPARE(parts[1].row_index, 2);
        QCOMPARE(parts[2].row_index, 6);
        QCOMPARE(parts[0].label.str(), std::wstring(L"a"));
        QCOMPARE(parts[0].grain, uint8_t(1));
        QCOMPARE(parts[2].grain, uint8_t(2));
        QCOMPARE(parts[1].length.whole, 0.0);
        QCOMPARE(parts[1].length.numerator, int64_t(3));
        QCOMPARE(parts[1].length.denominator, int64_t(8));
        QCOMPARE(double(parts[2].width.Value()), 12.5);
        QCOMPARE(parts[2].quantity, 4);
    }

    void noQualifyingRowGivesNoRecords()
    {
        FillRow(*stock_grid_, 1, {"", "", "3", "Vertical", "label only"});
        stock_array_2d stock;
        stock.Append(stock_as_number_2d{});
        callbacks_->gather_stock(stock);
        QCOMPARE(stock.count(), 0);
    }

    void badQuantityAbandonsTheGatherAndNamesTheRow()
    {
        FillRow(*parts_grid_, 1, {"100", "50", "2", "", ""});
        FillRow(*parts_grid_, 4, {"100", "50", "two", "", ""});
        parts_array_2d parts;
        parts.Append(part_as_number_2d{});
        try {
            callbacks_->gather_parts(parts);
            QFAIL("no conversion error");
        } catch (const conversion_error& error) {
            const QString message = QString::fromStdString(error.what());
            QVERIFY2(message.contains(QStringLiteral("row 4")), qPrintable(message));
            QVERIFY(message.contains(QStringLiteral("two")));
        }
        QCOMPARE(parts.count(), 1);  // nothing half-filled
    }

    void grainWords_data()
    {
        QTest::addColumn<QString>("word");
        QTest::addColumn<int>("grain");
        QTest::newRow("English") << QStringLiteral("Horizontal") << 1;
        QTest::newRow("capitals") << QStringLiteral("HORIZONTAL") << 1;
        QTest::newRow("Hungarian") << QStringLiteral("Vízszintes") << 1;
        QTest::newRow("Russian") << QStringLiteral("Горизонтально") << 1;
        QTest::newRow("German vertical") << QStringLiteral("Vertikal") << 2;
        QTest::newRow("Polish vertical, blanks") << QStringLiteral("  Pionowy ") << 2;
        QTest::newRow("letter") << QStringLiteral("H") << 0;
        QTest::newRow("Ukrainian") << QStringLiteral("горизонтальний") << 0;
        QTest::newRow("empty") << QString() << 0;
    }

    void grainWords()
    {
        QFETCH(QString, word);
        QFETCH(int, grain);
        QCOMPARE(GrainFromWord(word), grain);
        FillRow(*parts_grid_, 1, {"10", "10", "1", word, ""});
        parts_array_2d parts;
        callbacks_->gather_parts(parts);
        QCOMPARE(int(parts[0].grain), grain);
        QCOMPARE(CellText(*parts_grid_, 3, 1), word);  // the cell is not rewritten
    }

    void showWritesGrainWordsOfTheChosenLanguage()
    {
        language_ = 9;  // French
        parts_array_2d parts;
        part_as_number_2d part;
        part.length = fractional_double(12.0, 3, 16);
        part.width = fractional_double(30.5);
        part.quantity = 3;
        part.grain = 1;
        part.label = L"door";
        parts.Append(part);
        part.grain = 2;
        parts.Append(part);
        part.grain = 0;
        parts.Append(part);
        FillRow(*parts_grid_, 4, {"untouched"});
        callbacks_->show_parts(parts);
        QCOMPARE(RowTexts(*parts_grid_, 1), QStringList({"12 3/16", "30.5", "3", "Horizontal", "door"}));
        QCOMPARE(CellText(*parts_grid_, 3, 2), QStringLiteral("Verticale"));
        QCOMPARE(CellText(*parts_grid_, 3, 3), QString());
        QCOMPARE(CellText(*parts_grid_, 0, 4), QStringLiteral("untouched"));
    }

    void showGrowsTheGridForLongLists()
    {
        stock_array_2d stock;
        stock_as_number_2d item;
        item.length = 100.0;
        item.width = 50.0;
        item.quantity = 1;
        for (int i = 0; i < 1200; ++i) stock.Append(item);
        callbacks_->show_stock(stock);
        QCOMPARE(RowCount(*stock_grid_), 1201);
        QCOMPARE(CellText(*stock_grid_, 0, 1200), QStringLiteral("100"));
        stock_array_2d back;
        callbacks_->gather_stock(back);
        QCOMPARE(back.count(), 1200);
        callbacks_->clear_stock_grid();
        QCOMPARE(RowCount(*stock_grid_), 1000);
        QCOMPARE(CellText(*stock_grid_, 0, 1), QString());
    }

    void clearKeepsTheHeaderRow()
    {
        SetCellText(*parts_grid_, 0, 0, QStringLiteral("Width"));
        FillRow(*parts_grid_, 998, {"1", "2", "3", "Vertical", "x"});
        callbacks_->clear_parts_grid();
        QCOMPARE(CellText(*parts_grid_, 0, 0), QStringLiteral("Width"));
        QCOMPARE(RowTexts(*parts_grid_, 998), QStringList({"", "", "", "", ""}));
    }

    void gatherParametersWritesFourFields()
    {
        settings_->leCutterThickness->setText(QStringLiteral("3 1/2"));
        settings_->leMinimalBreakSize->setText(QStringLiteral(" "));
        settings_->eLungimeMaximaTaietura->setText(QStringLiteral("2500"));
        settings_->cbRoundFractionsTo->setCurrentIndex(1);
        parameters_as_number_2d parameters;
        parameters.minimal_useful_size = 7.0;
        parameters.iterations = 55;
        callbacks_->gather_parameters(parameters);
        QCOMPARE(double(parameters.cutter_thickness.Value()), 3.5);
        QCOMPARE(double(parameters.minimal_break_size.Value()), 0.0);
        QCOMPARE(double(parameters.maximal_cut_length.Value()), 2500.0);
        QCOMPARE(parameters.round_fractions_to, 1);
        QCOMPARE(double(parameters.minimal_useful_size.Value()), 7.0);
        QCOMPARE(parameters.iterations, 55);
    }

    void listSeparatorFollowsTheDecimalSeparator()
    {
        QCOMPARE(LocaleListSeparator(), L',');
        QLocale::setDefault(QLocale(QLocale::German));
        QCOMPARE(LocaleDecimalSeparator(), L',');
        QCOMPARE(LocaleListSeparator(), L';');
        QLocale::setDefault(QLocale::c());
    }
};

QTEST_MAIN(CallbacksTest)
#include "test_callbacks.moc"

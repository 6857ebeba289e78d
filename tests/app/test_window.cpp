// The main window's grids: validation, rounding, grain choice and the parts and stock list commands.
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include <QCheckBox>

#include "app/Callbacks_stv.h"
#include "app/about_stv.h"
#include "app/locale_stv.h"
#include "app/technical_settings_stv.h"
#include "app_test_support.h"
#include "i18n/ui_texts.h"
#include "model/list_files.h"

class WindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<temporary_environment> place_;
    prompt_recorder prompts_;
    std::unique_ptr<Tf2D> window_;

    QTableWidget& Parts() { return *window_->sgParts; }
    QTableWidget& Stock() { return *window_->sgStock; }
    QTableWidget& Grid(bool parts) { return parts ? Parts() : Stock(); }
    void SetRounding(int index) { window_->TechnicalSettings().cbRoundFractionsTo->setCurrentIndex(index); }
    // A page standing in for a result, to see ClearResults at work.
    void AddResultPage() { window_->pcResults->addTab(new QWidget, QStringLiteral("Sheet #1")); }
    QString File(const char* name) const { return place_->File(QString::fromLatin1(name)); }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void init()
    {
        place_ = std::make_unique<temporary_environment>();
        prompts_ = prompt_recorder{};
        prompts_.Install();
        window_ = std::make_unique<Tf2D>(place_->Environment());
        QVERIFY(ShowWithEmptyGrids(*window_));
    }

    void cleanup()
    {
        window_.reset();  // closing is tested separately; destroying does not save
        ResetPrompts();
    }

    void windowHasItsComponents()
    {
        for (const char* name : {"sgParts", "sgStock", "ToolBar2", "lParts", "tbClearParts", "tbOpenParts",
                                 "tbSaveParts", "tbSavePartsAs", "tInventory", "lStock", "tbClearStock", "Splitter1",
                                 "Splitter2", "tControl", "tbStart", "tbSaveResults", "tbPrintResults", "tbSettings",
                                 "tbHelp", "tbAbout", "cbLanguage", "tbInterfaceOptions", "cbShowPartSize",
                                 "cbShowWasteSize", "cbShowPartLabel", "bbFont", "pcResults", "StatusBar1",
                                 "cbPartGrain", "cbStockGrain"})
            QVERIFY2(window_->findChild<QWidget*>(QString::fromLatin1(name)), name);
        QCOMPARE(window_->objectName(), QStringLiteral("f2D"));
        QCOMPARE(window_->cbLanguage->count(), 26);
        QCOMPARE(RowCount(Parts()), 1000);
        QCOMPARE(Parts().columnCount(), 5);
        QVERIFY(window_->cbShowPartSize->isChecked());
        QVERIFY(!window_->cbShowWasteSize->isChecked());
        QVERIFY(window_->cbShowPartLabel->isChecked());
        QCOMPARE(CellText(Parts(), 3, 0), QStringLiteral("Fiber"));
    }

    void leavingACellValidatesIt_data()
    {
        QTest::addColumn<bool>("parts");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("letters in Width") << true << 0 << "abc" << false;
        QTest::newRow("negative Height") << false << 1 << "-3" << false;
        QTest::newRow("zero Width") << true << 0 << "0" << true;
        QTest::newRow("fraction Width") << false << 0 << "3/8" << true;
        QTest::newRow("junk in a mixed number") << true << 0 << "5x 3/4" << false;
        QTest::newRow("sign inside a mixed number") << false << 1 << "10 -1/2" << false;
        QTest::newRow("zero Quantity") << true << 2 << "0" << false;
        QTest::newRow("negative Quantity") << false << 2 << "-2" << false;
        QTest::newRow("fraction Quantity") << true << 2 << "1.5" << false;
        QTest::newRow("Quantity 7") << true << 2 << "7" << true;
        QTest::newRow("blank Quantity") << true << 2 << "   " << true;
        QTest::newRow("anything as Label") << true << 4 << "x/y" << true;
    }

    void leavingACellValidatesIt()
    {
        QFETCH(bool, parts);
        QFETCH(int, column);
        QFETCH(QString, typed);
        QFETCH(bool, accepted);
        QTableWidget& grid = Grid(parts);
        TypeIntoCell(grid, column, 2, typed);
        PressTab(grid);
        if (accepted) {
            QVERIFY2(prompts_.messages.isEmpty(), qPrintable(prompts_.messages.join('|')));
            QCOMPARE(grid.currentColumn(), (column + 1) % kGridColumnCount);
        } else {
            QCOMPARE(prompts_.messages, QStringList{QStringLiteral("Invalid number:") + typed});
            QCOMPARE(grid.currentColumn(), column);
            QCOMPARE(grid.currentRow(), 1);
            QCOMPARE(CellText(grid, column, 2), typed);
            const grid_cell last = parts ? window_->LastPartsCell() : window_->LastStockCell();
            QCOMPARE(last.column, column);
            QCOMPARE(last.row, 2);
        }
    }

    void clickingAnotherCellIsRefusedToo()
    {
        TypeIntoCell(Parts(), 1, 2, QStringLiteral("1/0x"));
        const QRect target = Parts().visualRect(Parts().model()->index(5, 3));
        QTest::mouseClick(Parts().viewport(), Qt::LeftButton, {}, target.center());
        QCoreApplication::processEvents();
        QCOMPARE(prompts_.messages, QStringList{QStringLiteral("Invalid number:1/0x")});
        QCOMPARE(Parts().currentRow(), 1);
        QCOMPARE(Parts().currentColumn(), 1);
        QVERIFY(!window_->cbPartGrain->isVisible());
        QCOMPARE(Parts().selectedItems().size() <= 1, true);
    }

    void leavingTheGridEmptiesAnInvalidCell()
    {
        TypeIntoCell(Parts(), 0, 1, QStringLiteral("abc"));
        window_->cbLanguage->setFocus();
        QCOMPARE(prompts_.messages, QStringList{QStringLiteral("Invalid number:abc")});
        QCOMPARE(CellText(Parts(), 0, 1), QString());
    }

    void leavingACellRoundsItsSize_data()
    {
        QTest::addColumn<bool>("parts");
        QTest::addColumn<int>("rounding");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("part up to 1/8") << true << 2 << "10 1/3" << "10 3/8";
        QTest::newRow("stock down to 1/8") << false << 2 << "10 1/3" << "10 1/4";
        QTest::newRow("part up to 1/16") << true << 3 << "2 1/3" << "2 3/8";
        QTest::newRow("stock down to 1/16") << false << 3 << "2 1/3" << "2 5/16";
        QTest::newRow("decimal unchanged") << true << 2 << "3.5" << "3.5";
        QTest::newRow("zero unchanged") << false << 2 << "0" << "0";
        QTest::newRow("blanks trimmed") << true << 4 << "  12  " << "12";
    }

    void leavingACellRoundsItsSize()
    {
        QFETCH(bool, parts);
        QFETCH(int, rounding);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        SetRounding(rounding);
        QTableWidget& grid = Grid(parts);
        TypeIntoCell(grid, 1, 5, typed);
        PressTab(grid);
        QVERIFY(prompts_.messages.isEmpty());
        QCOMPARE(CellText(grid, 1, 5), shown);
    }

    void typingMarksThePartsModifiedAndDiscardsResults()
    {
        AddResultPage();
        TypeIntoCell(Stock(), 4, 1, QStringLiteral("oak"));
        QVERIFY(!window_->PartsModified());
        QCOMPARE(window_->pcResults->count(), 0);
        AddResultPage();
        TypeIntoCell(Parts(), 4, 1, QStringLiteral("door"));
        QVERIFY(window_->PartsModified());
        QCOMPARE(window_->pcResults->count(), 0);
        QCOMPARE(CellText(Parts(), 4, 1), QStringLiteral("door"));  // the cell follows every keystroke
    }

    void typingIntoTheFiberColumnNeverLeavesText()
    {
        SetCellText(Parts(), 3, 4, QStringLiteral("Horizontal"));
        Parts().setCurrentCell(3, 3);
        QTest::keyClicks(&Parts(), QStringLiteral("xq"));  // no grain word starts so: nothing changes
        QVERIFY(!Parts().indexWidget(Parts().currentIndex()));
        QCOMPARE(CellText(Parts(), 3, 4), QStringLiteral("Horizontal"));
        QTest::keyClick(&Parts(), Qt::Key_V);  // the first letter chooses
        QCOMPARE(CellText(Parts(), 3, 4), QStringLiteral("Vertical"));
        QCOMPARE(Parts().currentRow(), 3);
        QVERIFY(window_->PartsModified());
    }

    void grainComboSitsOverTheFiberCell()
    {
        SetCellText(Parts(), 3, 2, QStringLiteral("Vertical"));
        Parts().setCurrentCell(1, 3);
        QComboBox* combo = window_->cbPartGrain;
        QVERIFY(combo->isVisible());
        QCOMPARE(combo->geometry(), Parts().visualRect(Parts().model()->index(1, 3)));
        QCOMPARE(combo->currentIndex(), 2);
        QCOMPARE(combo->itemText(1), QStringLiteral("Horizontal"));
        AddResultPage();
        QTest::keyClick(combo, Qt::Key_Up);
        QCOMPARE(CellText(Parts(), 3, 2), QStringLiteral("Horizontal"));
        QVERIFY(window_->PartsModified());
        QCOMPARE(window_->pcResults->count(), 0);
        QTest::keyClick(combo, Qt::Key_Up);
        QCOMPARE(CellText(Parts(), 3, 2), QString());  // the empty item clears the grain
        Parts().setCurrentCell(1, 4);
        QVERIFY(!combo->isVisible());
    }

    void stockGrainComboLeavesThePartsUnmodified()
    {
        Stock().setCurrentCell(0, 3);
        QComboBox* combo = window_->cbStockGrain;
        QVERIFY(combo->isVisible());
        QTest::keyClick(combo, Qt::Key_Down);
        QCOMPARE(CellText(Stock(), 3, 1), QStringLiteral("Horizontal"));
        QVERIFY(!window_->PartsModified());
    }

    void clearStockAsksFirst()
    {
        FillRow(Stock(), 1, {"1000", "500", "1", "", ""});
        prompts_.answers = {false};
        QTest::mouseClick(window_->tbClearStock, Qt::LeftButton);
        QCOMPARE(prompts_.questions, QStringList{QStringLiteral("You want to delete the data?")});
        QCOMPARE(CellText(Stock(), 0, 1), QStringLiteral("1000"));
        prompts_.answers = {true};
        QTest::mouseClick(window_->tbClearStock, Qt::LeftButton);
        QCOMPARE(CellText(Stock(), 0, 1), QString());
    }

    void clearPartsOffersToSaveModifiedParts()
    {
        TypeIntoCell(Parts(), 0, 1, QStringLiteral("100"));
        SetCellText(Parts(), 1, 1, QStringLiteral("50"));
        SetCellText(Parts(), 2, 1, QStringLiteral("1"));
        prompts_.answers = {true};
        prompts_.save_names = {File("offered")};  // no extension: .xml is added
        QTest::mouseClick(window_->tbClearParts, Qt::LeftButton);
        QCOMPARE(prompts_.questions, QStringList{QStringLiteral("Do you want to save the parts?")});
        QVERIFY(QFileInfo::exists(File("offered.xml")));
        QCOMPARE(CellText(Parts(), 0, 1), QString());
        QVERIFY(!window_->PartsModified());
        QVERIFY(window_->PartsFileName().isEmpty());
    }

    void saveAndOpenRoundTrip_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("decimal");  // as typed and shown in this locale
        QTest::addColumn<QString>("content");  // a piece of the saved file
        QTest::newRow("xml") << "parts.xml" << "C" << "30.5" << "<width>12 3/16</width>";
        QTest::newRow("csv") << "parts.csv" << "C" << "30.5" << "500,12 3/16,10,1,john,\n30.5,700,5,2,left door,\n";
        QTest::newRow("csv, decimal comma") << "parts.csv" << "de_DE" << "30,5"
                                            << "500;12 3/16;10;1;john;\n30,5;700;5;2;left door;\n";
    }

    void saveAndOpenRoundTrip()
    {
        QFETCH(QString, name);
        QFETCH(QString, locale);
        QFETCH(QString, decimal);
        QFETCH(QString, content);
        QLocale::setDefault(QLocale(locale));
        const QStringList first{"500", "12 3/16", "10", "Horizontal", "john"};
        const QStringList second{decimal, "700", "5", "Vertical", "left door"};
        FillRow(Parts(), 1, first);
        FillRow(Parts(), 3, second);
        const QString file = place_->File(name);
        prompts_.save_names = {file};
        QTest::mouseClick(window_->tbSavePartsAs, Qt::LeftButton);
        QVERIFY(QFileInfo::exists(file));
        QCOMPARE(window_->PartsFileName(), file);
        QFile saved(file);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QVERIFY2(QString::fromUtf8(saved.readAll()).contains(content), qPrintable(file));

        window_->Callbacks().clear_parts_grid();
        AddResultPage();
        prompts_.open_names = {file};
        QTest::mouseClick(window_->tbOpenParts, Qt::LeftButton);
        QLocale::setDefault(QLocale::c());
        QVERIFY2(prompts_.messages.isEmpty(), qPrintable(prompts_.messages.join('|')));
        QCOMPARE(RowTexts(Parts(), 1), first);
        QCOMPARE(RowTexts(Parts(), 2), second);  // a file keeps no empty rows
        QCOMPARE(window_->pcResults->count(), 0);
        QVERIFY(!window_->PartsModified());
        QCOMPARE(window_->PartsFileName(), file);
    }

    // A list with a text that does not read is refused whole: the message names the line or row
    // and the field, and the grid, its file name and its modified mark stay.
    void listThatDoesNotReadIsRefused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");
        QTest::newRow("csv size") << "bad.csv" << QByteArray("600,400,1,0,A,\n600,abc,2,1,B,\n")
                                  << "Line 2, Height: not a number: abc";
        QTest::newRow("csv missing length") << "bad.csv" << QByteArray(",400,2,1,B,\n") << "Line 1, Width: missing";
        QTest::newRow("csv quantity") << "bad.csv" << QByteArray("600,400,99999999999,1,Q,\n")
                                      << "Line 1, Quantity: not a whole number: 99999999999";
        QTest::newRow("csv mixed number") << "bad.csv" << QByteArray("10 -1/2,400,1,0,A,\n")
                                          << "Line 1, Width: not a number: 10 -1/2";
        QTest::newRow("xml size") << "bad.xml"
                                  << QByteArray("<data><parts><row><length>600</length><width>400</width></row>"
                                                "<row><length>600</length><width>abc</width></row></parts></data>")
                                  << "Row 2, width: not a number: abc";
    }

    void listThatDoesNotReadIsRefused()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        QFile bad(place_->File(name));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write(bytes);
        bad.close();
        FillRow(Parts(), 1, {"100", "200", "3", "", "a"});
        TypeIntoCell(Parts(), 4, 1, QStringLiteral("b"));
        AddResultPage();
        prompts_.open_names = {place_->File(name)};
        QTest::mouseClick(window_->tbOpenParts, Qt::LeftButton);  // modified: the question is answered No
        QCOMPARE(prompts_.messages.size(), 1);
        QVERIFY2(prompts_.messages[0].startsWith("The file was not opened:\n"), qPrintable(prompts_.messages[0]));
        QVERIFY2(prompts_.messages[0].contains(QDir::toNativeSeparators(place_->File(name))), qPrintable(prompts_.messages[0]));
        QVERIFY2(prompts_.messages[0].endsWith(message), qPrintable(prompts_.messages[0]));
        QCOMPARE(RowTexts(Parts(), 1), QStringList({"100", "200", "3", "", "b"}));
        QVERIFY(window_->PartsModified());
        QVERIFY(window_->PartsFileName().isEmpty());
        QCOMPARE(window_->pcResults->count(), 1);
    }

    void saveAfterOpenWritesWithoutAsking()
    {
        FillRow(Parts(), 1, {"100", "200", "3", "", "a"});
        parts_array_2d parts;
        window_->Callbacks().gather_parts(parts);
        QVERIFY(WritePartsXml(parts, ToPath(File("kept.xml"))));
        prompts_.open_names = {File("kept.xml")};
        QTest::mouseClick(window_->tbOpenParts, Qt::LeftButton);

        TypeIntoCell(Parts(), 4, 1, QStringLiteral("b"));
        QTest::mouseClick(window_->tbSaveParts, Qt::LeftButton);
        QCOMPARE(prompts_.save_dialogs, 0);
        QVERIFY(!window_->PartsModified());
        parts_array_2d read;
        QVERIFY(ReadPartsXml(read, ToPath(File("kept.xml"))));
        QCOMPARE(read[0].label.str(), std::wstring(L"b"));

        QTest::mouseClick(window_->tbSaveParts, Qt::LeftButton);  // cancelled: nothing written
        QCOMPARE(prompts_.save_dialogs, 1);
    }

    void openWithAnotherExtensionReadsNothing()
    {
        FillRow(Parts(), 1, {"100", "200", "3", "", "a"});
        TypeIntoCell(Parts(), 4, 1, QStringLiteral("b"));
        QFile other(File("notes.txt"));
        QVERIFY(other.open(QIODevice::WriteOnly));
        other.write("600,400,2,1,Door\n");
        other.close();
        AddResultPage();
        prompts_.open_names = {File("notes.txt")};
        QTest::mouseClick(window_->tbOpenParts, Qt::LeftButton);  // modified: the question is answered No
        QCOMPARE(prompts_.questions.size(), 1);
        QCOMPARE(RowTexts(Parts(), 1), QStringList({"100", "200", "3", "", "b"}));
        QVERIFY(!window_->PartsModified());
        QCOMPARE(window_->PartsFileName(), File("notes.txt"));
        QCOMPARE(window_->pcResults->count(), 0);
        QTest::mouseClick(window_->tbSaveParts, Qt::LeftButton);  // no list format: nothing written
        QCOMPARE(QFileInfo(File("notes.txt")).size(), qint64(17));
    }

    void unreadableFileIsNotTakenOver()
    {
        QFile broken(File("broken.xml"));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("<data><parts><row>");
        broken.close();
        FillRow(Parts(), 1, {"100", "200", "3", "", "a"});
        prompts_.open_names = {File("broken.xml")};
        QTest::mouseClick(window_->tbOpenParts, Qt::LeftButton);
        QCOMPARE(prompts_.messages.size(), 1);
        QCOMPARE(CellText(Parts(), 4, 1), QStringLiteral("a"));
        QVERIFY(window_->PartsFileName().isEmpty());
    }

    void badQuantityStopsTheSave()
    {
        FillRow(Parts(), 1, {"100", "200", "3", "", "a"});
        FillRow(Parts(), 6, {"100", "200", "many", "", "b"});
        TypeIntoCell(Parts(), 4, 1, QStringLiteral("c"));
        prompts_.save_names = {File("never.xml")};
        QTest::mouseClick(window_->tbSavePartsAs, Qt::LeftButton);
        QCOMPARE(prompts_.messages.size(), 1);
        QVERIFY2(prompts_.messages.first().contains(QStringLiteral("row 6")), qPrintable(prompts_.messages.first()));
        QVERIFY(!QFileInfo::exists(File("never.xml")));
        QVERIFY(window_->PartsModified());

        prompts_.answers = {true};
        prompts_.save_names = {File("never.xml")};
        QTest::mouseClick(window_->tbClearParts, Qt::LeftButton);  // the failed save abandons the Clear
        QCOMPARE(CellText(Parts(), 4, 1), QStringLiteral("c"));
    }

    void longListGrowsTheGrid()
    {
        parts_array_2d parts;
        part_as_number_2d part;
        part.length = 10.0;
        part.width = 20.0;
        part.quantity = 1;
        for (int i = 0; i < 1500; ++i) {
            part.label = std::to_wstring(i);
            parts.Append(part);
        }
        QVERIFY(WritePartsXml(parts, ToPath(File("long.xml"))));
        prompts_.open_names = {File("long.xml")};
        QTest::mouseClick(window_->tbOpenParts, Qt::LeftButton);
        QCOMPARE(RowCount(Parts()), 1501);
        QCOMPARE(CellText(Parts(), 4, 1500), QStringLiteral("1499"));
        QTest::mouseClick(window_->tbClearParts, Qt::LeftButton);
        QCOMPARE(RowCount(Parts()), 1000);
    }

    void helpAndAboutUseTheMakersAddresses()
    {
        QList<QUrl> opened;
        Prompts().open_url = [&opened](const QUrl& url) { opened << url; };
        QTest::mouseClick(window_->tbHelp, Qt::LeftButton);
        int about_result = -1;
        prompts_.run_modal = [&about_result](QDialog& dialog) {
            dialog.show();
            about_result = dialog.objectName() == QStringLiteral("fAbout") ? 1 : 0;
            dialog.accept();
            return dialog.result();
        };
        QTest::mouseClick(window_->tbAbout, Qt::LeftButton);
        QCOMPARE(about_result, 1);
        window_->About().lEmailAddressClick();
        QCOMPARE(opened.size(), 2);
        QCOMPARE(opened[0].scheme(), QStringLiteral("https"));
        QCOMPARE(opened[1].scheme(), QStringLiteral("mailto"));
    }
};

QTEST_MAIN(WindowTest)
#include "test_window.moc"

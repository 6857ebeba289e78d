// The window as a list editor: the cursor after a refused move, keyboard grain choice, spreadsheet
// keys, undo and redo, saving under a foreign name, the title and the keys of the commands.
#include <cmath>

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLocale>
#include <QMouseEvent>
#include <QScrollArea>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QUndoStack>

#include "app/Callbacks_stv.h"
#include "app/file_commands.h"
#include "app/grid_editing.h"
#include "app/Utils_interface_stv.h"
#include "app/technical_settings_stv.h"
#include "app_test_support.h"

class EditingTest : public QObject {
    Q_OBJECT

    std::unique_ptr<temporary_environment> place_;
    prompt_recorder prompts_;
    std::unique_ptr<Tf2D> window_;

    QTableWidget& Parts() { return *window_->sgParts; }
    QTableWidget& Stock() { return *window_->sgStock; }
    QString File(const char* name) const { return place_->File(QString::fromLatin1(name)); }
    void Key(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::keyClick(target, key, modifiers);
    }
    // Keys go where the focus is, as they would for a user.
    QWidget* Focus() { return QApplication::focusWidget(); }
    void Undo() { Key(window_.get(), Qt::Key_Z, Qt::ControlModifier); }
    void Redo() { Key(window_.get(), Qt::Key_Y, Qt::ControlModifier); }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void init()
    {
        place_ = std::make_unique<temporary_environment>();
        prompts_ = prompt_recorder{};
        prompts_.Install();
        window_ = std::make_unique<Tf2D>(place_->Environment());
        QVERIFY(ShowWithEmptyGrids(*window_));
        window_->UndoStack().clear();
    }

    void cleanup()
    {
        window_.reset();
        ResetPrompts();
    }

    void typingAfterARefusedMoveGoesToTheRefusedCell_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("Tab") << int(Qt::Key_Tab);
        QTest::newRow("Enter") << int(Qt::Key_Return);
    }

    void typingAfterARefusedMoveGoesToTheRefusedCell()
    {
        QFETCH(int, key);
        FillRow(Parts(), 3, {"", "keep", "", "", "keep"});
        FillRow(Parts(), 2, {"", "keep", "", "", ""});
        TypeIntoCell(Parts(), 0, 2, QStringLiteral("abc"));
        Key(Focus(), Qt::Key(key));
        QTRY_COMPARE(prompts_.messages, QStringList{QStringLiteral("Invalid number:abc")});
        QCOMPARE(Parts().currentRow(), 1);
        QCOMPARE(Parts().currentColumn(), 0);
        QTest::keyClicks(Focus(), QStringLiteral("9"));
        QVERIFY(CellText(Parts(), 0, 2).endsWith(QLatin1Char('9')));
        QCOMPARE(CellText(Parts(), 1, 2), QStringLiteral("keep"));
        QCOMPARE(CellText(Parts(), 0, 3), QString());
    }

    void clickingIntoTheResultsEmptiesAnInvalidCell()
    {
        TypeIntoCell(Parts(), 1, 4, QStringLiteral("x1"));
        QTest::mouseClick(window_->pcResults, Qt::LeftButton, {}, window_->pcResults->rect().center());
        QCOMPARE(prompts_.messages, QStringList{QStringLiteral("Invalid number:x1")});
        QCOMPARE(CellText(Parts(), 1, 4), QString());
    }

    void grainIsChosenByKeyboard_data()
    {
        QTest::addColumn<int>("open_key");
        QTest::addColumn<int>("modifiers");
        QTest::newRow("F2") << int(Qt::Key_F2) << int(Qt::NoModifier);
        QTest::newRow("Space") << int(Qt::Key_Space) << int(Qt::NoModifier);
        QTest::newRow("Alt+Down") << int(Qt::Key_Down) << int(Qt::AltModifier);
    }

    void grainIsChosenByKeyboard()
    {
        QFETCH(int, open_key);
        QFETCH(int, modifiers);
        TypeIntoCell(Parts(), 2, 2, QStringLiteral("4"));
        Key(Focus(), Qt::Key_Tab);  // into the grain column: the combo, no text editor
        QCOMPARE(Parts().currentColumn(), kGrainColumn);
        QComboBox& combo = *window_->cbPartGrain;
        QVERIFY(combo.isVisible());
        QVERIFY(!Parts().indexWidget(Parts().currentIndex()));
        Key(&Parts(), Qt::Key(open_key), Qt::KeyboardModifiers(modifiers));
        QTRY_VERIFY(combo.view()->isVisible());
        Key(combo.view(), Qt::Key_Down);
        Key(combo.view(), Qt::Key_Down);
        Key(combo.view(), Qt::Key_Return);
        QTRY_COMPARE(CellText(Parts(), kGrainColumn, 2), QStringLiteral("Vertical"));
        QTRY_VERIFY(Parts().hasFocus());
        Key(&Parts(), Qt::Key_H);  // the first letter chooses at once
        QCOMPARE(CellText(Parts(), kGrainColumn, 2), QStringLiteral("Horizontal"));
        QCOMPARE(CellText(Parts(), 2, 2), QStringLiteral("4"));
        // Leaving the list with Esc keeps the grain; Tab then goes on in the grid.
        Key(&Parts(), Qt::Key_F2);
        QTRY_VERIFY(combo.view()->isVisible());
        Key(combo.view(), Qt::Key_Escape);
        QTRY_VERIFY(!combo.view()->isVisible());
        Key(Focus(), Qt::Key_Tab);
        QTRY_VERIFY(Parts().hasFocus());
        QCOMPARE(Parts().currentColumn(), kGrainColumn + 1);
        QCOMPARE(CellText(Parts(), kGrainColumn, 2), QStringLiteral("Horizontal"));
    }

    void gridEditsAreUndoneAndRedone()
    {
        TypeIntoCell(Parts(), 0, 1, QStringLiteral("120"));
        Key(Focus(), Qt::Key_Return);  // Enter moves down
        QTRY_COMPARE(Parts().currentRow(), 1);
        QCOMPARE(Parts().currentColumn(), 0);
        QCOMPARE(CellText(Parts(), 0, 1), QStringLiteral("120"));
        Undo();
        QCOMPARE(CellText(Parts(), 0, 1), QString());
        Redo();
        QCOMPARE(CellText(Parts(), 0, 1), QStringLiteral("120"));
    }

    void clearAndOpenAreUndone()
    {
        FillRow(Parts(), 1, {"100", "200", "3", "", "door"});
        prompts_.answers = {false};  // do not save
        window_->PartsFiles().SetModified(true);
        QTest::mouseClick(window_->tbClearParts, Qt::LeftButton);
        QCOMPARE(RowTexts(Parts(), 1), QStringList({"", "", "", "", ""}));
        Undo();
        QCOMPARE(RowTexts(Parts(), 1), QStringList({"100", "200", "3", "", "door"}));

        QFile list(File("other.csv"));
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write("600,400,2,1,Shelf\n");
        list.close();
        prompts_.open_names = {File("other.csv")};
        QTest::mouseClick(window_->tbOpenParts, Qt::LeftButton);
        QCOMPARE(CellText(Parts(), 4, 1), QStringLiteral("Shelf"));
        Undo();
        QCOMPARE(RowTexts(Parts(), 1), QStringList({"100", "200", "3", "", "door"}));
        QVERIFY(window_->PartsModified());
        // The rows before the Open are not the opened file's: a Save must not write them over it.
        QCOMPARE(window_->PartsFiles().SaveName(), QString());
        QVERIFY(!window_->windowTitle().contains(QStringLiteral("other.csv")));
        Redo();
        QCOMPARE(CellText(Parts(), 4, 1), QStringLiteral("Shelf"));
        QCOMPARE(window_->PartsFiles().SaveName(), File("other.csv"));
        QVERIFY(window_->windowTitle().startsWith(QStringLiteral("other.csv")));
    }

    void rangesAreCopiedAndPastedTabSeparated()
    {
        FillRow(Parts(), 1, {"100", "200", "3", "Horizontal", "door"});
        FillRow(Parts(), 2, {"50", "60", "1", "", "shelf"});
        Parts().setCurrentCell(0, 0);
        Parts().setRangeSelected(QTableWidgetSelectionRange(0, 0, 1, 4), true);
        Key(&Parts(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("100\t200\t3\tHorizontal\tdoor\n50\t60\t1\t\tshelf\n"));

        QApplication::clipboard()->setText(QStringLiteral("700\t300\t2\tvertical\tside\r\n80\t90\r\n"));
        Parts().clearSelection();
        Parts().setCurrentCell(4, 0);
        Key(&Parts(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(RowTexts(Parts(), 5), QStringList({"700", "300", "2", "Vertical", "side"}));
        QCOMPARE(RowTexts(Parts(), 6), QStringList({"80", "90", "", "", ""}));
        QVERIFY(window_->PartsModified());
        Undo();
        QCOMPARE(RowTexts(Parts(), 5), QStringList({"", "", "", "", ""}));
        QCOMPARE(RowTexts(Parts(), 1), QStringList({"100", "200", "3", "Horizontal", "door"}));
    }

    void deleteClearsCellsAndRowsMove()
    {
        FillRow(Parts(), 1, {"1", "1", "1", "", "a"});
        FillRow(Parts(), 2, {"2", "2", "2", "", "b"});
        FillRow(Parts(), 3, {"3", "3", "3", "", "c"});
        Parts().setCurrentCell(0, 0);
        Parts().setRangeSelected(QTableWidgetSelectionRange(0, 0, 0, 1), true);
        Key(&Parts(), Qt::Key_Delete);
        QCOMPARE(RowTexts(Parts(), 1), QStringList({"", "", "1", "", "a"}));
        Parts().clearSelection();
        Parts().setCurrentCell(1, 0);
        Key(&Parts(), Qt::Key_Insert, Qt::ControlModifier);
        QCOMPARE(RowTexts(Parts(), 2), QStringList({"", "", "", "", ""}));
        QCOMPARE(RowTexts(Parts(), 3), QStringList({"2", "2", "2", "", "b"}));
        Parts().setCurrentCell(0, 0);
        Key(&Parts(), Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(RowTexts(Parts(), 1), QStringList({"", "", "", "", ""}));
        QCOMPARE(RowTexts(Parts(), 2), QStringList({"2", "2", "2", "", "b"}));
        QCOMPARE(RowTexts(Parts(), 3), QStringList({"3", "3", "3", "", "c"}));
        Undo();
        Undo();
        Undo();
        QCOMPARE(RowTexts(Parts(), 1), QStringList({"1", "1", "1", "", "a"}));
        QCOMPARE(RowTexts(Parts(), 2), QStringList({"2", "2", "2", "", "b"}));
    }

    void saveUnderAForeignNameWritesXmlBesideIt_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("written");
        QTest::addColumn<bool>("told");
        QTest::newRow("no extension") << "list" << "list.xml" << false;
        QTest::newRow("csv") << "list.csv" << "list.csv" << false;
        QTest::newRow("txt") << "list.txt" << "list.txt.xml" << true;
        QTest::newRow("upper case XML") << "LIST.XML" << "LIST.XML" << false;
    }

    void saveUnderAForeignNameWritesXmlBesideIt()
    {
        QFETCH(QString, typed);
        QFETCH(QString, written);
        QFETCH(bool, told);
        FillRow(Parts(), 1, {"100", "200", "3", "", "door"});
        window_->PartsFiles().SetModified(true);
        prompts_.save_names = {place_->File(typed)};
        QTest::mouseClick(window_->tbSavePartsAs, Qt::LeftButton);
        QVERIFY(QFileInfo::exists(place_->File(written)));
        if (typed != written) QVERIFY(!QFileInfo::exists(place_->File(typed)));
        QCOMPARE(prompts_.messages.size(), told ? 1 : 0);
        if (told) QVERIFY(prompts_.messages[0].contains(written));
        QVERIFY(!window_->PartsModified());
        QVERIFY(window_->windowTitle().startsWith(written));
    }

    void titleShowsTheFileAndUnsavedChanges()
    {
        QVERIFY(!window_->isWindowModified());
        TypeIntoCell(Parts(), 4, 1, QStringLiteral("x"));
        QVERIFY(window_->isWindowModified());
        prompts_.save_names = {File("named.xml")};
        QTest::mouseClick(window_->tbSavePartsAs, Qt::LeftButton);
        QVERIFY(!window_->isWindowModified());
        QCOMPARE(window_->windowTitle(), QStringLiteral("named.xml[*] - Stavora"));
    }

    // After a save, a sequence of steps: P types into the parts (p leaves the cell open), S into the stock,
    // u undoes, r redoes.
    void undoingBackToTheSavedListIsUnmodified_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<bool>("modified");
        QTest::newRow("parts edit undone") << "P u" << false;
        QTest::newRow("and redone") << "P u r" << true;
        QTest::newRow("undo past the save") << "u" << true;
        QTest::newRow("redo back to the save") << "u r" << false;
        QTest::newRow("stock edit") << "S" << false;
        QTest::newRow("stock edit and the save undone") << "S u u" << true;
        QTest::newRow("parts and stock edits undone") << "P S u u" << false;
        QTest::newRow("new edit after undoing past the save") << "u P u" << true;
        QTest::newRow("typing still open undone") << "p u" << false;
        QTest::newRow("typing still open") << "p" << true;
    }

    void undoingBackToTheSavedListIsUnmodified()
    {
        QFETCH(QString, steps);
        QFETCH(bool, modified);
        int row = 1;
        auto type = [&](QTableWidget& grid, bool close = true) {
            TypeIntoCell(grid, 4, row, QStringLiteral("text %1").arg(row));
            ++row;
            if (!close) return;
            Key(Focus(), Qt::Key_Return);
            QTRY_COMPARE(grid.currentRow(), row - 1);  // Enter closed the cell and moved down
        };
        type(Parts());
        prompts_.save_names = {File("saved.xml")};
        QTest::mouseClick(window_->tbSavePartsAs, Qt::LeftButton);
        QVERIFY(!window_->PartsModified());
        const grid_snapshot saved = TakeSnapshot(Parts());
        for (const QString& step : steps.split(QLatin1Char(' '))) {
            if (step == QLatin1String("P")) type(Parts());
            if (step == QLatin1String("p")) type(Parts(), false);
            if (step == QLatin1String("S")) type(Stock());
            if (step == QLatin1String("u")) Undo();
            if (step == QLatin1String("r")) Redo();
        }
        QCOMPARE(window_->PartsModified(), modified);
        QCOMPARE(window_->isWindowModified(), modified);
        QCOMPARE(window_->windowTitle(), QStringLiteral("saved.xml[*] - Stavora"));
        if (!modified) QVERIFY(TakeSnapshot(Parts()).rows == saved.rows);  // unmodified is what was saved
    }

    void closingWithNothingToSaveDoesNotAsk()
    {
        window_->close();
        QVERIFY(prompts_.questions.isEmpty());
    }

    void commandsTellTheirKeys_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QKeySequence>("keys");
        QTest::newRow("Open") << "tbOpenParts" << QKeySequence(QKeySequence::Open);
        QTest::newRow("Save") << "tbSaveParts" << QKeySequence(QKeySequence::Save);
        QTest::newRow("Save as") << "tbSavePartsAs" << QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S);
        QTest::newRow("Print") << "tbPrintResults" << QKeySequence(QKeySequence::Print);
        QTest::newRow("Start") << "tbStart" << QKeySequence(Qt::Key_F5);
        QTest::newRow("Undo") << "tbUndo" << QKeySequence(QKeySequence::Undo);
        QTest::newRow("Redo") << "tbRedo" << QKeySequence(Qt::CTRL | Qt::Key_Y);
    }

    void commandsTellTheirKeys()
    {
        QFETCH(QString, button);
        QFETCH(QKeySequence, keys);
        auto* widget = window_->findChild<QToolButton*>(button);
        QVERIFY(widget);
        QVERIFY2(widget->toolTip().contains(keys.toString(QKeySequence::NativeText)), qPrintable(widget->toolTip()));
    }

    void keysRunTheCommands()
    {
        prompts_.open_names = {};
        int opened = 0;
        Prompts().open_file = [&opened](QWidget*, const file_prompt&) {
            ++opened;
            return QString();
        };
        Key(window_.get(), Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(opened, 1);
        Key(window_.get(), Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(prompts_.save_dialogs, 1);
    }

    void sizeColumnsSayTheUnitIsTheUsers()
    {
        for (QTableWidget* grid : {&Parts(), &Stock()})
            for (int c = 0; c < 2; ++c)
                QVERIFY(grid->model()->headerData(c, Qt::Horizontal, Qt::ToolTipRole).toString().contains(
                    QStringLiteral("your own unit")));
    }

    void columnsStretchWithThePanel()
    {
        auto view = [](QTableWidget& grid) { return qobject_cast<data_grid_view*>(&grid); };
        QVERIFY(view(Parts()) && view(Stock()));
        window_->SetDataPanelWidth(800);
        QApplication::processEvents();
        interface_layout layout;
        CollectLayout(*window_, layout);
        for (QTableWidget* grid : {&Parts(), &Stock()}) {
            int total = 0, user_total = 0;
            for (int c = 0; c < kGridColumnCount; ++c) {
                total += grid->columnWidth(c);
                user_total += view(*grid)->UserColumnWidth(c);
            }
            QCOMPARE(total, grid->viewport()->width());
            // Every column takes its share, not the label column alone.
            for (int c = 0; c < kGridColumnCount; ++c) {
                const double share = double(view(*grid)->UserColumnWidth(c)) / user_total;
                QVERIFY2(std::abs(grid->columnWidth(c) - share * total) <= 1.0, qPrintable(QString::number(c)));
                QVERIFY(grid->columnWidth(c) > view(*grid)->UserColumnWidth(c));
            }
        }
        for (int c = 0; c < kGridColumnCount; ++c)  // the widths the user gave are kept
            QCOMPARE(layout.parts_column_widths[static_cast<size_t>(c)], view(Parts())->UserColumnWidth(c));
        window_->SetDataPanelWidth(250);
        QApplication::processEvents();
        for (int c = 0; c < kGridColumnCount; ++c)
            QCOMPARE(Parts().columnWidth(c), layout.parts_column_widths[static_cast<size_t>(c)]);

        // A divider dragged with the mouse changes that column's share; the columns still fill the grid.
        window_->SetDataPanelWidth(800);
        QApplication::processEvents();
        QHeaderView& header = *Parts().horizontalHeader();
        const int before = Parts().columnWidth(0);
        const QPoint divider(header.sectionViewportPosition(0) + header.sectionSize(0) - 1, header.height() / 2);
        QTest::mousePress(header.viewport(), Qt::LeftButton, {}, divider);
        const QPointF to(divider + QPoint(60, 0));
        QMouseEvent move(QEvent::MouseMove, to, header.viewport()->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(header.viewport(), &move);
        QTest::mouseRelease(header.viewport(), Qt::LeftButton, {}, to.toPoint());
        QVERIFY(Parts().columnWidth(0) > before);
        QVERIFY(view(Parts())->UserColumnWidth(0) > layout.parts_column_widths[0]);
        int total = 0;
        for (int c = 0; c < kGridColumnCount; ++c) total += Parts().columnWidth(c);
        QCOMPARE(total, Parts().viewport()->width());
    }

    void settingsDialogOpensOnItsFirstField()
    {
        QWidget* focused = nullptr;
        prompts_.run_modal = [&focused](QDialog& dialog) {
            dialog.show();
            QApplication::processEvents();
            focused = dialog.focusWidget();
            dialog.hide();
            return int(QDialog::Rejected);
        };
        QTest::mouseClick(window_->tbSettings, Qt::LeftButton);
        QCOMPARE(focused, window_->TechnicalSettings().leCutterThickness);
    }
};

QTEST_MAIN(EditingTest)
#include "test_editing.moc"

#pragma once
// Editing of one data grid: cell checks and rounding, the grain combo, spreadsheet keys and undo.
#include <functional>
#include <vector>

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTableWidget>
#include <QUndoCommand>
#include <QUndoStack>

class QComboBox;
class QLineEdit;

// A grid position: column, and row counted with the header row as 0.
struct grid_cell {
    int column = 0;
    int row = 1;
};

// The rows of a grid as texts, with its row count; what an undo of a whole-grid change restores.
struct grid_snapshot {
    int row_count = 0;  // header row included
    std::vector<QStringList> rows;  // data rows 1 .. up to the last non-empty one
};
grid_snapshot TakeSnapshot(const QTableWidget& grid);
void RestoreSnapshot(QTableWidget& grid, const grid_snapshot& snapshot);

// The cell test of a grid: empty, or a size that is not negative (columns 0, 1), or a quantity of at least 1.
bool CellIsValid(const QTableWidget& grid, int column, int row);

// A change of a grid's cells, done before it is pushed; undo and redo swap the two snapshots.
class grid_edit_command : public QUndoCommand {
public:
    grid_edit_command(QTableWidget& grid, grid_snapshot before, grid_snapshot after, const QString& text,
                      std::function<void()> changed);
    void undo() override;
    void redo() override;
    const QTableWidget& Grid() const { return grid_; }

private:
    QTableWidget& grid_;
    grid_snapshot before_;
    grid_snapshot after_;
    std::function<void()> changed_;
    bool done_ = true;  // the change is already in the grid when the command is pushed
};

// The parts or stock grid: moves are asked first, grain cells open the grain combo, spreadsheet keys.
class data_grid_view : public QTableWidget {
    Q_OBJECT
public:
    explicit data_grid_view(QWidget* parent = nullptr);

    // Told before the cursor leaves the current cell by keyboard; false keeps it there.
    std::function<bool()> may_leave_cell;
    // Told of a key or an edit request on a grain cell; true when it was taken.
    std::function<bool(QKeyEvent* key)> grain_key;
    // Spreadsheet keys outside an editor; true when taken.
    std::function<bool(QKeyEvent* key)> grid_key;

    // A column's width as the user (or the stored settings) set it. When the grid is wider than these
    // together, every column is widened in proportion to fill it; a narrower grid scrolls.
    int UserColumnWidth(int column) const;
    // Closes an open cell editor, keeping its text, as leaving the cell would.
    void FinishEditing();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    void StretchColumns();
    // The factor by which the shown widths exceed the user's (1 when the grid is not stretched).
    double StretchFactor() const;
    std::vector<int> user_widths_;
    bool stretching_ = false;
    // A divider dragged with the mouse is taken when the button is released.
    bool dragging_ = false;
    bool dragged_ = false;
    double drag_factor_ = 1.0;
};

class grid_editor : public QObject {
    Q_OBJECT
public:
    // `rounds_up`: parts are rounded up, stock down; `denominator` gives D of the settings; `name` the
    // grid's title (for messages); `changed` is told of every change of the grid's data by the user.
    grid_editor(QTableWidget& grid, QComboBox& grain_combo, bool rounds_up, QUndoStack& undo,
                std::function<int()> denominator, std::function<QString()> name, QWidget& message_parent,
                std::function<void()> changed);

    QTableWidget& Grid() const { return grid_; }
    QComboBox& GrainCombo() const { return combo_; }
    grid_cell LastCell() const { return last_; }

    // Called with the cell about to be entered; false refuses the move (message shown).
    bool SelectCell(int column, int row);
    // Leaving the grid: an invalid last cell is emptied after the message.
    void Exit();
    // Every keystroke in a cell.
    void SetEditText(int column, int row, QLineEdit& editor);
    // The grain combo's choice goes into the current cell.
    void GrainChosen();
    void RoundCell(int column, int row);
    void RoundGrid();
    // The message naming a cell: grid, row, column and the text.
    QString CellMessage(int column, int row) const;

    // Spreadsheet commands on the selection or the current row; each is one undo step.
    void ClearSelectedCells();
    void InsertRow();
    void DeleteRows();
    void CopySelection() const;
    void Paste();
    // Runs `change` (which rewrites the grid) as one undo step. Returns the step, or null when the grid
    // did not change; steps made children of it are undone and redone with it.
    QUndoCommand* RecordChange(const QString& text, const std::function<void()>& change);
    // The typing in an open editor so far becomes an undo step now (before the list is saved, so that
    // the saved state is a step of its own); the editor stays open.
    void CommitEditStep();
    // Closes an open editor; its typing becomes an undo step (before an undo or redo of the stack).
    void FinishEditing();

protected:
    // Keys on the grain combo that end its use hand the keyboard back to the grid.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnCurrentCellChanged(int table_row, int column);
    void PlaceGrainCombo(int row);
    bool TakeGrainKey(QKeyEvent* key);
    bool TakeGridKey(QKeyEvent* key);
    void EditorOpened(int column, int row);
    void EditorClosed();

    QTableWidget& grid_;
    QComboBox& combo_;
    bool rounds_up_;
    QPointer<QUndoStack> undo_;  // gone before the grid when the window closes
    std::function<int()> denominator_;
    std::function<QString()> name_;
    QWidget& message_parent_;
    std::function<void()> changed_;
    grid_cell last_;
    bool restoring_cell_ = false;
    // The grid as it was when the open editor was opened.
    bool editing_ = false;
    grid_snapshot before_edit_;
};

#include "app/grid_editing.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QUndoStack>

#include "app/Callbacks_stv.h"
#include "app/data_grid.h"
#include "app/locale_stv.h"
#include "app/ui_prompts.h"
#include "i18n/ui_texts.h"
#include "i18n/window_texts.h"
#include "model/Utils_fractions_vcl.h"

namespace {

QString Text(ui_text entry) { return ToQString(UiText(entry)); }
QString Text(window_text entry) { return ToQString(WindowText(entry)); }

const ui_text kColumnNames[kGridColumnCount] = {ui_text::Width, ui_text::Height, ui_text::Quantity, ui_text::Fiber,
                                                 ui_text::Label};

// Hands every keystroke of a cell editor to the grid's editor at once, as the cell's new text.
class grid_delegate : public QStyledItemDelegate {
public:
    using edit_handler = std::function<void(int column, int row, QLineEdit& editor)>;

    grid_delegate(QObject* parent, edit_handler on_edit, std::function<void(int, int)> on_open,
                  std::function<void()> on_close)
        : QStyledItemDelegate(parent), on_edit_(std::move(on_edit)), on_open_(std::move(on_open)),
          on_close_(std::move(on_close))
    {
    }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (on_open_) on_open_(index.column(), index.row() + 1);
        if (auto* line = qobject_cast<QLineEdit*>(editor)) {
            const QPersistentModelIndex cell(index);
            connect(line, &QLineEdit::textEdited, this, [this, line, cell] {
                if (!cell.isValid()) return;
                emit const_cast<grid_delegate*>(this)->commitData(line);
                if (on_edit_) on_edit_(cell.column(), cell.row() + 1, *line);
            });
        }
        return editor;
    }

    void destroyEditor(QWidget* editor, const QModelIndex& index) const override
    {
        QStyledItemDelegate::destroyEditor(editor, index);
        if (on_close_) on_close_();
    }

    // Keeps the caret where it is when the cell is written back while it is being edited.
    void setEditorData(QWidget* editor, const QModelIndex& index) const override
    {
        if (auto* line = qobject_cast<QLineEdit*>(editor); line && line->text() == index.data(Qt::EditRole).toString())
            return;
        QStyledItemDelegate::setEditorData(editor, index);
    }

private:
    edit_handler on_edit_;
    std::function<void(int, int)> on_open_;
    std::function<void()> on_close_;
};

// The grain code of a pasted or typed text: a grain word of any language, or the first letter of
// the current language's words.
int GrainOfText(const QString& text)
{
    if (const int grain = GrainFromWord(text)) return grain;
    const QString trimmed = text.trimmed();
    if (trimmed.size() != 1) return 0;
    for (int grain : {1, 2}) {
        const QString word = Text(grain == 1 ? ui_text::Horizontal : ui_text::Vertical);
        if (!word.isEmpty() && word.at(0).toLower() == trimmed.at(0).toLower()) return grain;
    }
    return 0;
}

QString GrainText(int grain)
{
    if (grain == 1) return Text(ui_text::Horizontal);
    if (grain == 2) return Text(ui_text::Vertical);
    return {};
}

}  // namespace

// ---- Snapshots and the undo command ----

grid_snapshot TakeSnapshot(const QTableWidget& grid)
{
    grid_snapshot snapshot;
    snapshot.row_count = RowCount(grid);
    int last = 0;
    for (int r = 1; r < snapshot.row_count; ++r)
        for (int c = 0; c < kGridColumnCount; ++c)
            if (!CellText(grid, c, r).isEmpty()) last = r;
    snapshot.rows.reserve(last);
    for (int r = 1; r <= last; ++r) {
        QStringList row;
        for (int c = 0; c < kGridColumnCount; ++c) row << CellText(grid, c, r);
        snapshot.rows.push_back(row);
    }
    return snapshot;
}

void RestoreSnapshot(QTableWidget& grid, const grid_snapshot& snapshot)
{
    const int rows = static_cast<int>(snapshot.rows.size());
    const int old_count = RowCount(grid);
    grid.setRowCount(std::max(snapshot.row_count, rows + 1) - 1);
    for (int r = 1; r < std::min(old_count, RowCount(grid)); ++r)
        for (int c = 0; c < kGridColumnCount; ++c)
            SetCellText(grid, c, r, r <= rows ? snapshot.rows[r - 1].value(c) : QString());
    for (int r = old_count; r <= rows; ++r)
        for (int c = 0; c < kGridColumnCount; ++c) SetCellText(grid, c, r, snapshot.rows[r - 1].value(c));
}

grid_edit_command::grid_edit_command(QTableWidget& grid, grid_snapshot before, grid_snapshot after,
                                     const QString& text, std::function<void()> changed)
    : QUndoCommand(text), grid_(grid), before_(std::move(before)), after_(std::move(after)),
      changed_(std::move(changed))
{
}

void grid_edit_command::undo()
{
    RestoreSnapshot(grid_, before_);
    done_ = false;
    QUndoCommand::undo();  // steps hung below this one
    if (changed_) changed_();
}

void grid_edit_command::redo()
{
    if (done_) return;
    RestoreSnapshot(grid_, after_);
    done_ = true;
    QUndoCommand::redo();
    if (changed_) changed_();
}

// ---- The grid widget ----

data_grid_view::data_grid_view(QWidget* parent) : QTableWidget(parent)
{
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column, int, int size) {
        if (stretching_ || column < 0) return;
        if (dragging_) {
            dragged_ = true;
            return;
        }
        if (user_widths_.size() != static_cast<size_t>(columnCount())) user_widths_.clear();
        if (user_widths_.empty())
            for (int c = 0; c < columnCount(); ++c) user_widths_.push_back(columnWidth(c));
        user_widths_[static_cast<size_t>(column)] = size;
        StretchColumns();
    });
    horizontalHeader()->viewport()->installEventFilter(this);
}

int data_grid_view::UserColumnWidth(int column) const
{
    if (column >= 0 && static_cast<size_t>(column) < user_widths_.size())
        return user_widths_[static_cast<size_t>(column)];
    return columnWidth(column);
}

double data_grid_view::StretchFactor() const
{
    int shown = 0, user = 0;
    for (int c = 0; c < columnCount(); ++c) {
        shown += columnWidth(c);
        user += UserColumnWidth(c);
    }
    return user > 0 && shown > user ? static_cast<double>(shown) / user : 1.0;
}

bool data_grid_view::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == horizontalHeader()->viewport()) {
        if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
            dragging_ = true;
            dragged_ = false;
            drag_factor_ = StretchFactor();
        } else if (event->type() == QEvent::MouseButtonRelease && dragging_) {
            dragging_ = false;
            if (dragged_) {
                // The shown widths, taken back by the stretch they had, are the user's new widths.
                user_widths_.clear();
                for (int c = 0; c < columnCount(); ++c)
                    user_widths_.push_back(std::max(1, static_cast<int>(std::lround(columnWidth(c) / drag_factor_))));
                StretchColumns();
            }
        }
    }
    return QTableWidget::eventFilter(watched, event);
}

void data_grid_view::resizeEvent(QResizeEvent* event)
{
    QTableWidget::resizeEvent(event);
    StretchColumns();
}

void data_grid_view::StretchColumns()
{
    const int count = columnCount();
    if (count <= 0 || dragging_) return;
    if (user_widths_.size() != static_cast<size_t>(count)) {
        user_widths_.clear();
        for (int c = 0; c < count; ++c) user_widths_.push_back(columnWidth(c));
    }
    int64_t user_total = 0;
    for (int width : user_widths_) user_total += width;
    const int room = viewport()->width();
    stretching_ = true;
    int64_t before = 0;
    int placed = 0;
    for (int c = 0; c < count; ++c) {
        const int user = user_widths_[static_cast<size_t>(c)];
        before += user;
        int width = user;
        // Edges at their share of the room, so that the columns fill it exactly.
        if (room > user_total && user_total > 0) width = static_cast<int>(before * room / user_total) - placed;
        placed += width;
        if (columnWidth(c) != width) setColumnWidth(c, width);
    }
    stretching_ = false;
}

QModelIndex data_grid_view::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers)
{
    const QModelIndex next = QTableWidget::moveCursor(action, modifiers);
    // A refused move keeps the cursor, so an editor opened after it opens on the refused cell.
    if (next.isValid() && next != currentIndex() && may_leave_cell && !may_leave_cell()) return currentIndex();
    return next;
}

bool data_grid_view::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event)
{
    if (index.isValid() && index.column() == kGrainColumn && trigger != NoEditTriggers) {
        // The grain is chosen with the combo: an edit request opens or feeds it instead of a text editor.
        if (grain_key) {
            QKeyEvent* key = event && event->type() == QEvent::KeyPress ? static_cast<QKeyEvent*>(event) : nullptr;
            if (key || trigger == EditKeyPressed) grain_key(key);
        }
        return false;
    }
    return QTableWidget::edit(index, trigger, event);
}

void data_grid_view::keyPressEvent(QKeyEvent* event)
{
    if (state() != EditingState) {
        const bool printable = !event->text().isEmpty() && event->text().at(0).isPrint()
                               && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
        if (currentColumn() == kGrainColumn && grain_key
            && (printable || event->key() == Qt::Key_F2
                || (event->key() == Qt::Key_Down && (event->modifiers() & Qt::AltModifier)))) {
            grain_key(event);
            return;
        }
        if (grid_key && grid_key(event)) return;
    }
    QTableWidget::keyPressEvent(event);
}

void data_grid_view::FinishEditing()
{
    if (state() != EditingState) return;
    QWidget* editor = indexWidget(currentIndex());
    // The cursor may have moved on before a queued close of the editor ran.
    if (QWidget* focus = QApplication::focusWidget(); !editor && focus && focus->parentWidget() == viewport())
        editor = focus;
    if (editor) {
        commitData(editor);
        QTableWidget::closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

void data_grid_view::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint)
{
    QTableWidget::closeEditor(editor, hint);
    // Enter in a cell moves down, as in a spreadsheet.
    if (hint == QAbstractItemDelegate::SubmitModelCache && currentRow() + 1 < rowCount()) {
        if (may_leave_cell && !may_leave_cell()) return;
        setCurrentCell(currentRow() + 1, currentColumn());
    }
}

// ---- The editor ----

bool CellIsValid(const QTableWidget& grid, int column, int row)
{
    const QString text = CellText(grid, column, row).trimmed();
    if (text.isEmpty()) return true;
    if (column == 0 || column == 1) {
        fractional_double value;
        if (!value.ParseWide(ToWide(text), LocaleDecimalSeparator())) return false;
        return value.Value() >= -fractional_double::kTolerance;
    }
    if (column == 2) {
        const auto quantity = ParseInteger(text);
        return quantity && *quantity >= 1;
    }
    return true;
}

grid_editor::grid_editor(QTableWidget& grid, QComboBox& grain_combo, bool rounds_up, QUndoStack& undo,
                         std::function<int()> denominator, std::function<QString()> name, QWidget& message_parent,
                         std::function<void()> changed)
    : QObject(&grid), grid_(grid), combo_(grain_combo), rounds_up_(rounds_up), undo_(&undo),
      denominator_(std::move(denominator)), name_(std::move(name)), message_parent_(message_parent),
      changed_(std::move(changed))
{
    grid.setItemDelegate(new grid_delegate(
        &grid, [this](int column, int row, QLineEdit& editor) { SetEditText(column, row, editor); },
        [this](int column, int row) { EditorOpened(column, row); }, [this] { EditorClosed(); }));
    connect(&grid, &QTableWidget::currentCellChanged, this,
            [this](int row, int column, int, int) { OnCurrentCellChanged(row, column); });
    // The grain combo follows its cell when the grid scrolls.
    auto follow = [this] {
        if (combo_.isVisible() && grid_.currentRow() >= 0) PlaceGrainCombo(grid_.currentRow() + 1);
    };
    connect(grid.verticalScrollBar(), &QScrollBar::valueChanged, this, follow);
    connect(grid.horizontalScrollBar(), &QScrollBar::valueChanged, this, follow);
    connect(grid.horizontalHeader(), &QHeaderView::sectionResized, this, follow);
    if (auto* view = qobject_cast<data_grid_view*>(&grid)) {
        view->may_leave_cell = [this] {
            if (CellIsValid(grid_, last_.column, last_.row)) return true;
            Inform(&message_parent_, Text(ui_text::InvalidNumber) + QStringLiteral(":") + CellText(grid_, last_.column, last_.row));
            return false;
        };
        view->grain_key = [this](QKeyEvent* key) { return TakeGrainKey(key); };
        view->grid_key = [this](QKeyEvent* key) { return TakeGridKey(key); };
    }
    combo_.installEventFilter(this);
    restoring_cell_ = true;
    grid.setCurrentCell(0, 0);
    restoring_cell_ = false;
}

bool grid_editor::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &combo_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
        case Qt::Key_Escape:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            grid_.setFocus();
            return true;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            grid_.setFocus();
            QCoreApplication::sendEvent(&grid_, event);
            return true;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

QString grid_editor::CellMessage(int column, int row) const
{
    return ToQString(WindowText(column == 2 ? window_text::CellNotQuantity : window_text::CellNotNumber))
        .arg(name_(), QString::number(row), Text(kColumnNames[std::clamp(column, 0, kGridColumnCount - 1)]),
             CellText(grid_, column, row).trimmed());
}

void grid_editor::RoundCell(int column, int row)
{
    if (column != 0 && column != 1) return;
    const QString text = CellText(grid_, column, row).trimmed();
    if (text.isEmpty()) return;
    const wchar_t separator = LocaleDecimalSeparator();
    fractional_double value = grid_text_to_fraction(ToWide(text), separator);
    if (rounds_up_)
        value.RoundUpTo(denominator_());
    else
        value.RoundDownTo(denominator_());
    SetCellText(grid_, column, row, ToQString(value.FormatDisplay(separator)));
}

void grid_editor::RoundGrid()
{
    const wchar_t separator = LocaleDecimalSeparator();
    const int row_count = RowCount(grid_);
    for (int r = 1; r < row_count; ++r)
        for (int c = 0; c < 2; ++c) {
            // A cell that is not a number is left for the validation to name.
            const QString text = CellText(grid_, c, r).trimmed();
            if (!text.isEmpty() && grid_text_is_number(ToWide(text), separator)) RoundCell(c, r);
        }
}

bool grid_editor::SelectCell(int column, int row)
{
    if (!CellIsValid(grid_, last_.column, last_.row)) {
        Inform(&message_parent_, Text(ui_text::InvalidNumber) + QStringLiteral(":") + CellText(grid_, last_.column, last_.row));
        return false;
    }
    RoundCell(last_.column, last_.row);
    if (column == kGrainColumn && row > 0)
        PlaceGrainCombo(row);
    else
        combo_.hide();
    last_ = grid_cell{column, row};
    return true;
}

void grid_editor::OnCurrentCellChanged(int table_row, int column)
{
    if (restoring_cell_ || table_row < 0 || column < 0) return;
    if (SelectCell(column, table_row + 1)) return;
    // The move has already happened in the table: put the cursor back on the refused cell.
    const grid_cell last = last_;
    restoring_cell_ = true;
    grid_.setCurrentCell(last.row - 1, last.column);
    restoring_cell_ = false;
    // A mouse press selects the clicked cell after this signal; select the refused cell again.
    QPointer<QTableWidget> guarded(&grid_);
    QTimer::singleShot(0, this, [this, guarded, last] {
        if (!guarded) return;
        restoring_cell_ = true;
        guarded->setCurrentCell(last.row - 1, last.column);
        restoring_cell_ = false;
    });
}

void grid_editor::Exit()
{
    if (!CellIsValid(grid_, last_.column, last_.row)) {
        Inform(&message_parent_, Text(ui_text::InvalidNumber) + QStringLiteral(":") + CellText(grid_, last_.column, last_.row));
        SetCellText(grid_, last_.column, last_.row, QString());
        return;
    }
    RoundCell(last_.column, last_.row);
}

void grid_editor::SetEditText(int column, int row, QLineEdit& editor)
{
    // The grain is chosen with the combo only.
    if (column == kGrainColumn) {
        editor.clear();
        SetCellText(grid_, column, row, QString());
    }
    if (changed_) changed_();
}

void grid_editor::EditorOpened(int, int)
{
    editing_ = true;
    before_edit_ = TakeSnapshot(grid_);
}

void grid_editor::EditorClosed()
{
    if (!editing_) return;
    editing_ = false;
    grid_snapshot after = TakeSnapshot(grid_);
    if (after.rows == before_edit_.rows || !undo_) return;
    undo_->push(new grid_edit_command(grid_, std::move(before_edit_), std::move(after), Text(window_text::Undo),
                                     changed_));
}

void grid_editor::FinishEditing()
{
    if (auto* view = qobject_cast<data_grid_view*>(&grid_)) view->FinishEditing();
}

void grid_editor::CommitEditStep()
{
    if (!editing_ || !undo_) return;
    grid_snapshot after = TakeSnapshot(grid_);
    grid_snapshot before = std::exchange(before_edit_, after);
    if (after.rows == before.rows) return;
    undo_->push(new grid_edit_command(grid_, std::move(before), std::move(after), Text(window_text::Undo), changed_));
}

QUndoCommand* grid_editor::RecordChange(const QString& text, const std::function<void()>& change)
{
    // Typing so far is a step of its own, and an editor left open goes on from the changed grid.
    CommitEditStep();
    grid_snapshot before = TakeSnapshot(grid_);
    change();
    grid_snapshot after = TakeSnapshot(grid_);
    if (editing_) before_edit_ = after;
    if (after.rows == before.rows && after.row_count == before.row_count) return nullptr;
    QUndoCommand* step = nullptr;
    if (undo_) {
        step = new grid_edit_command(grid_, std::move(before), std::move(after), text, changed_);
        undo_->push(step);
    }
    if (changed_) changed_();
    return step;
}

void grid_editor::PlaceGrainCombo(int row)
{
    const QRect cell = grid_.visualRect(grid_.model()->index(row - 1, kGrainColumn));
    combo_.setGeometry(cell.left(), cell.top(), cell.width(), cell.height());
    combo_.setCurrentIndex(combo_.findText(CellText(grid_, kGrainColumn, row), Qt::MatchExactly | Qt::MatchCaseSensitive));
    combo_.show();
    combo_.raise();
}

void grid_editor::GrainChosen()
{
    if (grid_.currentRow() < 0 || grid_.currentColumn() < 0) return;
    const int row = grid_.currentRow() + 1;
    const QString text = combo_.currentText();
    if (CellText(grid_, grid_.currentColumn(), row) == text) {
        if (changed_) changed_();
        return;
    }
    const int column = grid_.currentColumn();
    RecordChange(Text(ui_text::Fiber), [&] { SetCellText(grid_, column, row, text); });
}

bool grid_editor::TakeGrainKey(QKeyEvent* key)
{
    if (grid_.currentRow() < 0) return false;
    if (!combo_.isVisible()) PlaceGrainCombo(grid_.currentRow() + 1);
    // A letter picks the grain word that starts with it; any other request opens the list.
    if (key && !key->text().trimmed().isEmpty() && key->key() != Qt::Key_Space) {
        const int grain = GrainOfText(key->text());
        if (grain != 0 || key->key() == Qt::Key_Minus) {
            combo_.setCurrentIndex(grain);
            GrainChosen();
        }
        return true;
    }
    combo_.setFocus();
    combo_.showPopup();
    return true;
}

bool grid_editor::TakeGridKey(QKeyEvent* key)
{
    if (key->matches(QKeySequence::Delete) || key->key() == Qt::Key_Backspace) {
        ClearSelectedCells();
        return true;
    }
    if (key->matches(QKeySequence::Copy)) {
        CopySelection();
        return true;
    }
    if (key->matches(QKeySequence::Paste)) {
        Paste();
        return true;
    }
    if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && key->modifiers() == Qt::NoModifier) {
        if (grid_.currentRow() + 1 < grid_.rowCount()) grid_.setCurrentCell(grid_.currentRow() + 1, grid_.currentColumn());
        return true;
    }
    return false;
}

namespace {

// The rectangle covering the selected cells, or the current cell; table rows and columns.
QRect SelectedRange(const QTableWidget& grid)
{
    const QList<QTableWidgetSelectionRange> ranges = grid.selectedRanges();
    if (ranges.isEmpty())
        return grid.currentRow() < 0 ? QRect() : QRect(grid.currentColumn(), grid.currentRow(), 1, 1);
    QRect area;
    for (const QTableWidgetSelectionRange& range : ranges)
        area |= QRect(range.leftColumn(), range.topRow(), range.columnCount(), range.rowCount());
    return area;
}

}  // namespace

void grid_editor::ClearSelectedCells()
{
    QModelIndexList cells = grid_.selectionModel()->selectedIndexes();
    if (cells.isEmpty() && grid_.currentIndex().isValid()) cells << grid_.currentIndex();
    if (cells.isEmpty()) return;
    RecordChange(Text(window_text::ClearCells), [&] {
        for (const QModelIndex& cell : cells) SetCellText(grid_, cell.column(), cell.row() + 1, QString());
    });
    if (combo_.isVisible()) PlaceGrainCombo(grid_.currentRow() + 1);
}

void grid_editor::InsertRow()
{
    const int at = grid_.currentRow();
    if (at < 0) return;
    RecordChange(Text(window_text::InsertRow), [&] {
        grid_snapshot snapshot = TakeSnapshot(grid_);
        if (at < static_cast<int>(snapshot.rows.size()))
            snapshot.rows.insert(snapshot.rows.begin() + at, QStringList(QList<QString>(kGridColumnCount)));
        snapshot.row_count = std::max(snapshot.row_count, static_cast<int>(snapshot.rows.size()) + 1);
        RestoreSnapshot(grid_, snapshot);
    });
}

void grid_editor::DeleteRows()
{
    const QRect area = SelectedRange(grid_);
    if (area.isEmpty()) return;
    RecordChange(Text(window_text::DeleteRow), [&] {
        grid_snapshot snapshot = TakeSnapshot(grid_);
        const int first = std::min(area.top(), static_cast<int>(snapshot.rows.size()));
        const int last = std::min(area.bottom() + 1, static_cast<int>(snapshot.rows.size()));
        snapshot.rows.erase(snapshot.rows.begin() + first, snapshot.rows.begin() + last);
        RestoreSnapshot(grid_, snapshot);
    });
}

void grid_editor::CopySelection() const
{
    const QRect area = SelectedRange(grid_);
    if (area.isEmpty()) return;
    QStringList lines;
    for (int r = area.top(); r <= area.bottom(); ++r) {
        QStringList cells;
        for (int c = area.left(); c <= area.right(); ++c) cells << CellText(grid_, c, r + 1);
        lines << cells.join(QLatin1Char('\t'));
    }
    QApplication::clipboard()->setText(lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
}

void grid_editor::Paste()
{
    const int top = grid_.currentRow();
    const int left = grid_.currentColumn();
    if (top < 0 || left < 0) return;
    QString text = QApplication::clipboard()->text();
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (text.endsWith(QLatin1Char('\n'))) text.chop(1);
    if (text.isEmpty()) return;
    const QStringList lines = text.split(QLatin1Char('\n'));
    RecordChange(Text(window_text::Paste), [&] {
        EnsureRowCount(grid_, top + static_cast<int>(lines.size()) + 1);
        for (int i = 0; i < lines.size(); ++i) {
            const QStringList cells = lines[i].split(QLatin1Char('\t'));
            for (int j = 0; j < cells.size() && left + j < kGridColumnCount; ++j) {
                const int column = left + j;
                const QString cell = cells[j].trimmed();
                SetCellText(grid_, column, top + i + 1, column == kGrainColumn ? GrainText(GrainOfText(cell)) : cell);
            }
        }
    });
}

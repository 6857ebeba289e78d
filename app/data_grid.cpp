#include "app/data_grid.h"

#include <QAbstractItemView>
#include <QHeaderView>
#include <QTableWidget>

void SetupDataGrid(QTableWidget& grid)
{
    grid.setColumnCount(kGridColumnCount);
    grid.setRowCount(kGridRowCount - 1);
    for (int c = 0; c < kGridColumnCount; ++c) grid.setHorizontalHeaderItem(c, new QTableWidgetItem);
    grid.verticalHeader()->hide();
    grid.verticalHeader()->setDefaultSectionSize(20);
    grid.verticalHeader()->setMinimumSectionSize(20);
    grid.horizontalHeader()->setDefaultSectionSize(75);
    grid.horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    grid.horizontalHeader()->setHighlightSections(false);
    grid.setSelectionMode(QAbstractItemView::SingleSelection);
    grid.setSelectionBehavior(QAbstractItemView::SelectItems);
    grid.setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                         | QAbstractItemView::AnyKeyPressed);
    grid.setTabKeyNavigation(true);
    grid.setShowGrid(true);
    grid.setWordWrap(false);
}

int RowCount(const QTableWidget& grid) { return grid.rowCount() + 1; }

void EnsureRowCount(QTableWidget& grid, int row_count)
{
    if (RowCount(grid) < row_count) grid.setRowCount(row_count - 1);
}

QString CellText(const QTableWidget& grid, int column, int row)
{
    const QTableWidgetItem* item = row == 0 ? grid.horizontalHeaderItem(column) : grid.item(row - 1, column);
    return item ? item->text() : QString();
}

void SetCellText(QTableWidget& grid, int column, int row, const QString& text)
{
    if (column < 0 || column >= grid.columnCount() || row < 0 || row >= RowCount(grid)) return;
    if (row == 0) {
        QTableWidgetItem* header = grid.horizontalHeaderItem(column);
        if (!header) grid.setHorizontalHeaderItem(column, header = new QTableWidgetItem);
        header->setText(text);
        return;
    }
    QTableWidgetItem* item = grid.item(row - 1, column);
    if (item) {
        if (item->text() != text) item->setText(text);
    } else if (!text.isEmpty()) {
        grid.setItem(row - 1, column, new QTableWidgetItem(text));
    }
}

void ClearDataRows(QTableWidget& grid)
{
    grid.clearContents();
    if (RowCount(grid) > kGridRowCount) grid.setRowCount(kGridRowCount - 1);
}

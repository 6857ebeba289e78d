#pragma once
// Text access to a parts or stock grid: row 0 is the header row (the table's horizontal header),
// rows 1 .. RowCount-1 hold the data (table row r-1).
#include <QString>

class QTableWidget;

inline constexpr int kGridRowCount = 1000;  // header row included
inline constexpr int kGridColumnCount = 5;  // Width, Height, Quantity, Fiber, Label
inline constexpr int kGrainColumn = 3;

// Column count, default sizes, edit triggers and Tab navigation of both grids.
void SetupDataGrid(QTableWidget& grid);

int RowCount(const QTableWidget& grid);
void EnsureRowCount(QTableWidget& grid, int row_count);
QString CellText(const QTableWidget& grid, int column, int row);
void SetCellText(QTableWidget& grid, int column, int row, const QString& text);
// Empties rows 1 .. RowCount-1 and brings the grid back to its standard size.
void ClearDataRows(QTableWidget& grid);

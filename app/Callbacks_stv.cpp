#include "app/Callbacks_stv.h"

#include <QTableWidget>

#include "app/Utils_interface_stv.h"
#include "app/data_grid.h"
#include "app/locale_stv.h"
#include "i18n/ui_texts.h"
#include "model/Utils_fractions_vcl.h"

int GrainFromWord(const QString& text) { return ::GrainFromWord(ToWide(text)); }

bool RowQualifies(const QTableWidget& grid, int row)
{
    return !CellText(grid, 0, row).trimmed().isEmpty() && !CellText(grid, 1, row).trimmed().isEmpty();
}

namespace {

int32_t QuantityOfRow(const QTableWidget& grid, int row, const QString& grid_name)
{
    const QString text = CellText(grid, 2, row).trimmed();
    if (auto quantity = ParseInteger(text)) return *quantity;
    const QString message = QStringLiteral("%1, row %2: '%3' is not a valid integer value").arg(grid_name).arg(row).arg(text);
    throw conversion_error(message.toStdString());
}

// The grid is read into a new array that replaces the given one only when every row converted.
template <class Record>
void GatherRows(const QTableWidget& grid, record_array<Record>& records, const QString& grid_name)
{
    const wchar_t separator = LocaleDecimalSeparator();
    const int row_count = RowCount(grid);
    int qualifying = 0;
    for (int r = 1; r < row_count; ++r)
        if (RowQualifies(grid, r)) ++qualifying;

    record_array<Record> gathered;
    gathered.Reserve(qualifying);
    for (int r = 1; r < row_count; ++r) {
        if (!RowQualifies(grid, r)) continue;
        Record record;
        record.length = grid_text_to_fraction(ToWide(CellText(grid, 0, r)), separator);
        record.width = grid_text_to_fraction(ToWide(CellText(grid, 1, r)), separator);
        record.quantity = QuantityOfRow(grid, r, grid_name);
        record.grain = static_cast<uint8_t>(GrainFromWord(CellText(grid, kGrainColumn, r)));
        record.label = ToWide(CellText(grid, 4, r).trimmed());
        record.material = L"";
        record.row_index = r - 1;
        gathered.Append(record);
    }
    records = std::move(gathered);
}

template <class Record>
void ShowRows(QTableWidget& grid, const record_array<Record>& records, int language_index)
{
    const wchar_t separator = LocaleDecimalSeparator();
    // A list longer than the grid grows the grid rather than losing its last entries.
    EnsureRowCount(grid, records.count() + 1);
    for (int32_t i = 0; i < records.count(); ++i) {
        const Record& record = records[i];
        const int row = i + 1;
        SetCellText(grid, 0, row, ToQString(record.length.FormatDisplay(separator)));
        SetCellText(grid, 1, row, ToQString(record.width.FormatDisplay(separator)));
        SetCellText(grid, 2, row, QString::number(record.quantity));
        SetCellText(grid, kGrainColumn, row, ToQString(GrainWord(language_index, record.grain)));
        SetCellText(grid, 4, row, ToQString(record.label.str()));
    }
}

}  // namespace

void GatherGrid(const QTableWidget& grid, parts_array_2d& parts, const QString& grid_name)
{
    GatherRows(grid, parts, grid_name);
}
void GatherGrid(const QTableWidget& grid, stock_array_2d& stock, const QString& grid_name)
{
    GatherRows(grid, stock, grid_name);
}
void ShowGrid(QTableWidget& grid, const parts_array_2d& parts, int language_index)
{
    ShowRows(grid, parts, language_index);
}
void ShowGrid(QTableWidget& grid, const stock_array_2d& stock, int language_index)
{
    ShowRows(grid, stock, language_index);
}

Callbacks_stv::Callbacks_stv(QTableWidget& parts_grid, QTableWidget& stock_grid, const TfTechnicalSettings& settings,
                             std::function<int()> language_index)
    : parts_grid_(parts_grid), stock_grid_(stock_grid), settings_(settings), language_index_(std::move(language_index))
{
}

void Callbacks_stv::gather_parts(parts_array_2d& parts) const
{
    GatherGrid(parts_grid_, parts, ToQString(UiText(ui_text::Parts)));
}
void Callbacks_stv::gather_stock(stock_array_2d& stock) const
{
    GatherGrid(stock_grid_, stock, ToQString(UiText(ui_text::Stock)));
}
void Callbacks_stv::gather_parameters(parameters_as_number_2d& parameters) const
{
    CollectParameters(settings_, parameters);
}
void Callbacks_stv::show_parts(const parts_array_2d& parts) const { ShowGrid(parts_grid_, parts, language_index_()); }
void Callbacks_stv::show_stock(const stock_array_2d& stock) const { ShowGrid(stock_grid_, stock, language_index_()); }
void Callbacks_stv::clear_parts_grid() const { ClearDataRows(parts_grid_); }
void Callbacks_stv::clear_stock_grid() const { ClearDataRows(stock_grid_); }
void Callbacks_stv::report_progress() const
{
    if (progress_) progress_();
}

gather_parts_fn Callbacks_stv::GatherParts() const { return [this](parts_array_2d& a) { gather_parts(a); }; }
gather_stock_fn Callbacks_stv::GatherStock() const { return [this](stock_array_2d& a) { gather_stock(a); }; }
gather_parameters_fn Callbacks_stv::GatherParameters() const
{
    return [this](parameters_as_number_2d& p) { gather_parameters(p); };
}
show_parts_fn Callbacks_stv::ShowParts() const { return [this](const parts_array_2d& a) { show_parts(a); }; }
show_stock_fn Callbacks_stv::ShowStock() const { return [this](const stock_array_2d& a) { show_stock(a); }; }
clear_grid_fn Callbacks_stv::ClearPartsGrid() const { return [this] { clear_parts_grid(); }; }
clear_grid_fn Callbacks_stv::ClearStockGrid() const { return [this] { clear_stock_grid(); }; }
idle_fn Callbacks_stv::ReportProgress() const { return [this] { report_progress(); }; }

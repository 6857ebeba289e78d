#pragma once
// The functions through which the engine facade reads the grids and the settings and fills the grids.
#include <functional>
#include <stdexcept>
#include <string>

#include <QString>

#include "engine/stavora_2d.h"
#include "model/input_records.h"

class QTableWidget;
class TfTechnicalSettings;

// A quantity cell of a row to be read is not a whole number; the command that read it is abandoned.
class conversion_error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// 1 horizontal, 2 vertical when the trimmed text is a grain word of one of the 26 languages, else 0.
int GrainFromWord(const QString& text);

// A grid row is read when its Width and Height cells, trimmed, are both non-empty.
bool RowQualifies(const QTableWidget& grid, int row);

// Rows to records and back; `grid_name` names the grid in a conversion error.
void GatherGrid(const QTableWidget& grid, parts_array_2d& parts, const QString& grid_name);
void GatherGrid(const QTableWidget& grid, stock_array_2d& stock, const QString& grid_name);
void ShowGrid(QTableWidget& grid, const parts_array_2d& parts, int language_index);
void ShowGrid(QTableWidget& grid, const stock_array_2d& stock, int language_index);

class Callbacks_stv {
public:
    // `language_index` gives the item index of the language list; `progress` is told of every
    // progress report of a run (it may be called from the thread that runs the engine).
    Callbacks_stv(QTableWidget& parts_grid, QTableWidget& stock_grid, const TfTechnicalSettings& settings,
                  std::function<int()> language_index);

    void gather_parts(parts_array_2d& parts) const;
    void gather_stock(stock_array_2d& stock) const;
    void gather_parameters(parameters_as_number_2d& parameters) const;
    void show_parts(const parts_array_2d& parts) const;
    void show_stock(const stock_array_2d& stock) const;
    void clear_parts_grid() const;
    void clear_stock_grid() const;
    void report_progress() const;

    void set_progress_listener(std::function<void()> listener) { progress_ = std::move(listener); }

    // The same, in the form the facade takes.
    gather_parts_fn GatherParts() const;
    gather_stock_fn GatherStock() const;
    gather_parameters_fn GatherParameters() const;
    show_parts_fn ShowParts() const;
    show_stock_fn ShowStock() const;
    clear_grid_fn ClearPartsGrid() const;
    clear_grid_fn ClearStockGrid() const;
    idle_fn ReportProgress() const;

private:
    QTableWidget& parts_grid_;
    QTableWidget& stock_grid_;
    const TfTechnicalSettings& settings_;
    std::function<int()> language_index_;
    std::function<void()> progress_;
};

#pragma once
// Tf2D: the main window with the parts and stock grids, the list commands and the results tabs.
#include <functional>
#include <memory>
#include <vector>

#include <QFont>
#include <QFutureWatcher>
#include <QImage>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QStringList>

#include "app/grid_editing.h"
#include "engine/stavora_2d.h"
#include "render/draw_layout.h"

class QAction;
class QCheckBox;
class QProgressBar;
class QComboBox;
class QLabel;
class QLineEdit;
class QPrinter;
class QPushButton;
class QScrollArea;
class QSettings;
class QSplitter;
class QStatusBar;
class QTabWidget;
class QTableWidget;
class QToolButton;
class QUndoStack;
class report_commands;
class Callbacks_stv;
class flow_bar;
class parts_file_commands;
class results_view;
class TfAbout;
class TfTechnicalSettings;
class TPartsRecovery;

// Where the window keeps its settings and the stock list; tests point these at temporary places.
struct app_environment {
    std::function<std::unique_ptr<QSettings>()> open_settings;
    QString program_directory;  // ends with '/'
    QString data_directory;     // the stock list is written here
};

// The folder of the program file, ending with '/'.
QString ProgramDirectory();
// The user's own settings, the program folder and the user's data folder.
app_environment DefaultEnvironment();

// What a run in the worker thread hands back.
struct run_outcome {
    run_result result;
    QString error;  // an exception that ended the run
};

class Tf2D : public QMainWindow {
    Q_OBJECT
public:
    explicit Tf2D(app_environment environment = DefaultEnvironment(), QWidget* parent = nullptr);
    ~Tf2D() override;

    // Components, by their form names.
    QWidget* pData = nullptr;
    flow_bar* ToolBar2 = nullptr;
    QLabel* lParts = nullptr;
    QToolButton* tbClearParts = nullptr;
    QToolButton* tbOpenParts = nullptr;
    QToolButton* tbSaveParts = nullptr;
    QToolButton* tbSavePartsAs = nullptr;
    QToolButton* tbUndo = nullptr;
    QToolButton* tbRedo = nullptr;
    QTableWidget* sgParts = nullptr;
    QSplitter* Splitter2 = nullptr;
    flow_bar* tInventory = nullptr;
    QLabel* lStock = nullptr;
    QToolButton* tbClearStock = nullptr;
    QTableWidget* sgStock = nullptr;
    QComboBox* cbPartGrain = nullptr;
    QComboBox* cbStockGrain = nullptr;
    QSplitter* Splitter1 = nullptr;
    QWidget* pResults = nullptr;
    flow_bar* tControl = nullptr;
    QToolButton* tbStart = nullptr;
    QToolButton* tbSaveResults = nullptr;
    QToolButton* tbPrintResults = nullptr;
    QToolButton* tbSettings = nullptr;
    QToolButton* tbHelp = nullptr;
    QToolButton* tbAbout = nullptr;
    QComboBox* cbLanguage = nullptr;
    flow_bar* tbInterfaceOptions = nullptr;
    QCheckBox* cbShowPartSize = nullptr;
    QCheckBox* cbShowWasteSize = nullptr;
    QCheckBox* cbShowPartLabel = nullptr;
    QPushButton* bbFont = nullptr;
    QToolButton* tbZoomIn = nullptr;
    QToolButton* tbZoomOut = nullptr;
    QToolButton* tbZoomFit = nullptr;
    QTabWidget* pcResults = nullptr;
    QStatusBar* StatusBar1 = nullptr;

    stavora_2d& Engine() { return *engine_; }
    TfTechnicalSettings& TechnicalSettings() { return *fTechnicalSettings_; }
    TfAbout& About() { return *fAbout_; }
    const Callbacks_stv& Callbacks() const { return *callbacks_; }
    bool PartsModified() const;
    // The file name the next Save writes to without asking (empty: Save asks).
    const QString& PartsFileName() const;
    parts_file_commands& PartsFiles() { return *parts_files_; }
    grid_editor& PartsEditor() { return *parts_editor_; }
    grid_editor& StockEditor() { return *stock_editor_; }
    results_view& Results() { return *results_; }
    QUndoStack& UndoStack() { return *undo_stack_; }
    // The window's commands with their keys, by name (e.g. "actOpen"); the buttons show them.
    QAction* Action(const char* name) const;
    const QFont& DrawingFont() const { return drawing_font_; }
    const QString& VersionText() const { return version_text_; }
    grid_cell LastPartsCell() const { return parts_editor_->LastCell(); }
    grid_cell LastStockCell() const { return stock_editor_->LastCell(); }
    // The number-mode check of the last Start: every size a plain decimal, every size a fraction form.
    bool AllRealInput() const { return all_real_; }
    bool AllFractionInput() const { return all_fraction_; }
    bool IsRunning() const { return running_; }
    QScrollArea* ResultsScrollBox() const;
    QLabel* ResultsImage() const;

    // Discards the results of the last run and their tabs.
    void ClearResults();
    bool CellIsValid(const QTableWidget& grid, int column, int row) const;
    // The rounding denominator D of the settings dialog's choice.
    int RoundingDenominator() const;
    // Puts the current language's texts into the windows.
    void ApplyTexts();

    int PartsGridHeight() const;
    void SetPartsGridHeight(int height);
    int DataPanelWidth() const;
    void SetDataPanelWidth(int width);

    // Cell handlers, called with the cell about to be entered; false refuses the move.
    bool sgPartsSelectCell(int column, int row);
    bool sgStockSelectCell(int column, int row);
    void sgPartsExit();
    void sgStockExit();
    void sgPartsSetEditText(int column, int row, QLineEdit& editor);
    void sgStockSetEditText(int column, int row, QLineEdit& editor);

    // Start: each check shows its own message and gives false on the first fault.
    // Without `problems` the faults are shown at once; with it they are added for one message.
    bool CheckGrid(QTableWidget& grid, bool round_up, QStringList* problems = nullptr);
    bool CheckSettings();
    bool CheckRealNumbers(int32_t& decimal_use_mark) const;
    bool CheckFractions(int32_t& fraction_use_mark) const;
    void AddResultTab();
    void CreateResultsView();
    void pcResultsMouseMove(const QPoint& position);
    void pcResultsMouseLeave();

signals:
    // A run started by Start has ended and its tabs are shown.
    void RunFinished();

public slots:
    void FormShow();
    void tbClearPartsClick();
    void tbOpenPartsClick();
    void tbSavePartsClick();
    void tbSavePartsAsClick();
    void tbClearStockClick();
    void cbPartGrainChange();
    void cbStockGrainChange();
    void cbPartGrainExit();
    void tbStartClick();
    void tbSaveResultsClick();
    void tbPrintResultsClick();
    void tbSettingsClick();
    void tbHelpClick();
    void tbAboutClick();
    void cbLanguageChange();
    void bbFontClick();
    void cbShowPartSizeClick();
    void pcResultsChange(int index);
    void RedrawLayout();
    void FormResize();
    // Start, or Stop while a run is going.
    void tbStartOrStop();
    void StopRun();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildWindow();
    void BuildDataPanel();
    void BuildResultsPanel();
    void BuildActions();
    void FormClose();
    void OnFocusChanged(QWidget* old_focus, QWidget* new_focus);
    void WidenCheckBoxes();
    void WidenColumns();
    void ShowFontCaption(const QString& suffix);
    void UpdateTitle();
    void ShowStartCaption();
    // The editor of the grid that has the focus (the parts grid when neither has it).
    grid_editor& FocusedEditor();
    void GridChanged(bool parts);

    // Commands that may be abandoned by an exception; `Guarded` shows its message.
    void Guarded(const std::function<void()>& command);
    void ReadStockAtStart();

    // The run in the worker thread and its end on this thread.
    void StartRun();
    void RunEnded(const run_outcome& outcome);
    void SetRunning(bool running);
    void ShowProgress(const run_progress& progress);
    void ShowSheetBound();
    layout_display_flags DisplayFlags() const;

    app_environment environment_;
    // Window state besides the controls.
    const QString registry_key_ = QStringLiteral("2");
    const QString version_text_ = QStringLiteral("2.1.1.2");
    QFont drawing_font_;
    bool all_real_ = false;
    bool all_fraction_ = false;
    int32_t decimal_use_mark_ = 0;
    int32_t fraction_use_mark_ = 0;
    QProgressBar* run_progress_bar_ = nullptr;
    QLabel* run_progress_label_ = nullptr;
    QFutureWatcher<run_outcome>* run_watcher_ = nullptr;
    run_progress last_posted_progress_;  // touched by the worker thread only, while it runs

    std::unique_ptr<stavora_2d> engine_;
    TfTechnicalSettings* fTechnicalSettings_ = nullptr;
    TfAbout* fAbout_ = nullptr;
    TPartsRecovery* recovery_ = nullptr;  // unsaved parts kept in the data folder
    std::unique_ptr<Callbacks_stv> callbacks_;
    QUndoStack* undo_stack_ = nullptr;
    grid_editor* parts_editor_ = nullptr;
    grid_editor* stock_editor_ = nullptr;
    results_view* results_ = nullptr;
    std::unique_ptr<parts_file_commands> parts_files_;

    bool shown_ = false;
    bool closed_ = false;
    bool running_ = false;
    bool stopping_ = false;
    bool close_requested_ = false;
    report_commands* report_commands_ = nullptr;  // the saw documents' controls
    friend class report_commands;
};

#include "app/mainform_stv.h"

#include <stdexcept>

#include <QApplication>
#include <QProgressBar>
#include <QRegularExpression>
#include <QScrollArea>
#include <QtConcurrent/QtConcurrentRun>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSplitter>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolBar>
#include <QToolButton>
#include <QAction>
#include <QIcon>
#include <QKeySequence>
#include <QUndoStack>
#include <QUrl>
#include <QVBoxLayout>

#include "app/Callbacks_stv.h"
#include "app/Utils_interface_stv.h"
#include "app/recovery_stv.h"
#include "app/safe_save_qt.h"
#include "app/about_stv.h"
#include "app/data_grid.h"
#include "app/file_commands.h"
#include "app/flow_bar.h"
#include "app/results_view.h"
#include "app/list_file_open.h"
#include "app/locale_stv.h"
#include "app/qt_translations.h"
#include "app/report_commands.h"
#include "app/technical_settings_stv.h"
#include "app/ui_prompts.h"
#include "app/unplaced_parts.h"
#include "i18n/search_texts.h"
#include "i18n/ui_texts.h"
#include "i18n/window_texts.h"
#include "model/Ufractions_long.h"
#include "model/Utils_fractions_vcl.h"

namespace {

QString Text(ui_text entry) { return ToQString(UiText(entry)); }

// A grid's title as a word in a sentence: "PARTS" becomes "Parts".
QString GridTitle(ui_text entry)
{
    const QString title = Text(entry);
    return title.left(1).toUpper() + title.mid(1).toLower();
}

QToolButton* MakeButton(flow_bar* bar, const char* name, QStyle::StandardPixmap icon)
{
    auto* button = new QToolButton(bar);
    button->setObjectName(QString::fromLatin1(name));
    button->setIcon(bar->style()->standardIcon(icon));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setAutoRaise(true);
    bar->addWidget(button);
    return button;
}

// Zoom buttons show the theme's icon where there is one, else a sign.
QToolButton* MakeZoomButton(flow_bar* bar, const char* name, const char* icon, const char* sign)
{
    auto* button = new QToolButton(bar);
    button->setObjectName(QString::fromLatin1(name));
    const QIcon themed = QIcon::fromTheme(QString::fromLatin1(icon));
    if (themed.isNull())
        button->setText(QString::fromUtf8(sign));
    else
        button->setIcon(themed);
    button->setAutoRaise(true);
    bar->addWidget(button);
    return button;
}

// A command's caption with its keys, for tool tips: "Open (Ctrl+O)".
QString WithKeys(const QString& caption, const QAction& action)
{
    QString text = caption;
    text.remove(QLatin1Char('&'));
    const QList<QKeySequence> keys = action.shortcuts();
    if (keys.isEmpty()) return text;
    QStringList names;
    for (const QKeySequence& key : keys) names << key.toString(QKeySequence::NativeText);
    return text + QStringLiteral(" (") + names.join(QStringLiteral(", ")) + QStringLiteral(")");
}

QComboBox* MakeGrainCombo(QTableWidget& grid, const char* name)
{
    auto* combo = new QComboBox(grid.viewport());
    combo->setObjectName(QString::fromLatin1(name));
    combo->addItems({QString(), QString(), QString()});
    combo->hide();
    return combo;
}

bool Within(const QWidget* widget, const QWidget* container)
{
    return widget && (widget == container || container->isAncestorOf(widget));
}

}  // namespace

QString ProgramDirectory()
{
    QString dir = QDir::cleanPath(QCoreApplication::applicationDirPath());
    if (!dir.endsWith(QLatin1Char('/'))) dir += QLatin1Char('/');
    return dir;
}

app_environment DefaultEnvironment()
{
    app_environment environment;
    environment.open_settings = [] {
        return std::make_unique<QSettings>(QStringLiteral("Brennick"), QStringLiteral("Stavora"));
    };
    environment.program_directory = ProgramDirectory();
    environment.data_directory = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    return environment;
}

Tf2D::Tf2D(app_environment environment, QWidget* parent)
    : QMainWindow(parent), environment_(std::move(environment)), drawing_font_(QStringLiteral("Tahoma"), 12)
{
    setObjectName(QStringLiteral("f2D"));
    setWindowTitle(QStringLiteral("Stavora"));
    QFont window_font(QStringLiteral("Tahoma"));
    window_font.setPointSize(8);
    setFont(window_font);

    engine_ = std::make_unique<stavora_2d>();
    fTechnicalSettings_ = new TfTechnicalSettings(this);
    fAbout_ = new TfAbout(this);
    BuildWindow();
    callbacks_ = std::make_unique<Callbacks_stv>(*sgParts, *sgStock, *fTechnicalSettings_,
                                                 [this] { return cbLanguage->currentIndex(); });
    undo_stack_ = new QUndoStack(this);
    auto denominator = [this] { return RoundingDenominator(); };
    parts_editor_ = new grid_editor(*sgParts, *cbPartGrain, true, *undo_stack_, denominator,
                                    [] { return GridTitle(ui_text::Parts); }, *this, [this] { GridChanged(true); });
    stock_editor_ = new grid_editor(*sgStock, *cbStockGrain, false, *undo_stack_, denominator,
                                    [] { return GridTitle(ui_text::Stock); }, *this, [this] { GridChanged(false); });
    results_ = new results_view(*pcResults, *engine_, [this] { return DisplayFlags(); }, drawing_font_, *this);
    parts_files_ = std::make_unique<parts_file_commands>(
        *this, *engine_, *callbacks_, *parts_editor_, *undo_stack_, [this] { ClearResults(); },
        [this] { UpdateTitle(); });
    BuildActions();
    connect(qApp, &QApplication::focusChanged, this, &Tf2D::OnFocusChanged);
    run_watcher_ = new QFutureWatcher<run_outcome>(this);
    connect(run_watcher_, &QFutureWatcher<run_outcome>::finished, this,
            [this] { RunEnded(run_watcher_->future().result()); });
}

Tf2D::~Tf2D()
{
    // The worker uses the facade; it has to be done before the facade goes.
    if (run_watcher_ && run_watcher_->isRunning()) run_watcher_->waitForFinished();
    if (running_) QApplication::restoreOverrideCursor();
    // Its commands point into the grids; it goes first, quietly.
    undo_stack_->disconnect();
    delete undo_stack_;
}

void Tf2D::BuildWindow()
{
    Splitter1 = new QSplitter(Qt::Horizontal, this);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setChildrenCollapsible(false);
    BuildDataPanel();
    BuildResultsPanel();
    Splitter1->addWidget(pData);
    Splitter1->addWidget(pResults);
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({325, 700});
    setCentralWidget(Splitter1);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    setStatusBar(StatusBar1);
    run_progress_label_ = new QLabel(StatusBar1);
    run_progress_bar_ = new QProgressBar(StatusBar1);
    run_progress_bar_->setMaximumWidth(240);
    run_progress_bar_->setFormat(QStringLiteral("%v / %m"));
    StatusBar1->addPermanentWidget(run_progress_label_);
    StatusBar1->addPermanentWidget(run_progress_bar_);
    run_progress_label_->hide();
    run_progress_bar_->hide();
    report_commands_ = new report_commands(*this);
}

void Tf2D::BuildDataPanel()
{
    pData = new QWidget(this);
    pData->setObjectName(QStringLiteral("pData"));
    Splitter2 = new QSplitter(Qt::Vertical, pData);
    Splitter2->setObjectName(QStringLiteral("Splitter2"));
    Splitter2->setHandleWidth(4);
    Splitter2->setChildrenCollapsible(false);

    QFont title_font(QStringLiteral("Tahoma"));
    title_font.setPointSize(14);
    title_font.setBold(true);

    auto* parts_section = new QWidget(Splitter2);
    ToolBar2 = new flow_bar(parts_section);
    ToolBar2->setObjectName(QStringLiteral("ToolBar2"));
    lParts = new QLabel(ToolBar2);
    lParts->setObjectName(QStringLiteral("lParts"));
    lParts->setFont(title_font);
    ToolBar2->addWidget(lParts);
    tbClearParts = MakeButton(ToolBar2, "tbClearParts", QStyle::SP_DialogResetButton);
    tbOpenParts = MakeButton(ToolBar2, "tbOpenParts", QStyle::SP_DialogOpenButton);
    tbSaveParts = MakeButton(ToolBar2, "tbSaveParts", QStyle::SP_DialogSaveButton);
    tbSavePartsAs = MakeButton(ToolBar2, "tbSavePartsAs", QStyle::SP_DriveFDIcon);
    tbUndo = MakeButton(ToolBar2, "tbUndo", QStyle::SP_ArrowBack);
    tbRedo = MakeButton(ToolBar2, "tbRedo", QStyle::SP_ArrowForward);
    for (QToolButton* button : {tbUndo, tbRedo}) button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    sgParts = new data_grid_view(parts_section);
    sgParts->setObjectName(QStringLiteral("sgParts"));
    SetupDataGrid(*sgParts);
    auto* parts_layout = new QVBoxLayout(parts_section);
    parts_layout->setContentsMargins(0, 0, 0, 0);
    parts_layout->setSpacing(0);
    parts_layout->addWidget(ToolBar2);
    parts_layout->addWidget(sgParts, 1);

    auto* stock_section = new QWidget(Splitter2);
    tInventory = new flow_bar(stock_section);
    tInventory->setObjectName(QStringLiteral("tInventory"));
    lStock = new QLabel(tInventory);
    lStock->setObjectName(QStringLiteral("lStock"));
    lStock->setFont(title_font);
    tInventory->addWidget(lStock);
    tbClearStock = MakeButton(tInventory, "tbClearStock", QStyle::SP_DialogResetButton);
    sgStock = new data_grid_view(stock_section);
    sgStock->setObjectName(QStringLiteral("sgStock"));
    SetupDataGrid(*sgStock);
    sgStock->setFrameShape(QFrame::NoFrame);
    auto* stock_layout = new QVBoxLayout(stock_section);
    stock_layout->setContentsMargins(0, 0, 0, 0);
    stock_layout->setSpacing(0);
    stock_layout->addWidget(tInventory);
    stock_layout->addWidget(sgStock, 1);

    Splitter2->addWidget(parts_section);
    Splitter2->addWidget(stock_section);
    Splitter2->setStretchFactor(0, 0);
    Splitter2->setStretchFactor(1, 1);

    auto* data_layout = new QVBoxLayout(pData);
    data_layout->setContentsMargins(0, 0, 0, 0);
    data_layout->addWidget(Splitter2);

    cbPartGrain = MakeGrainCombo(*sgParts, "cbPartGrain");
    cbStockGrain = MakeGrainCombo(*sgStock, "cbStockGrain");
    connect(cbPartGrain, &QComboBox::activated, this, &Tf2D::cbPartGrainChange);
    connect(cbStockGrain, &QComboBox::activated, this, &Tf2D::cbStockGrainChange);

    connect(tbClearParts, &QToolButton::clicked, this, &Tf2D::tbClearPartsClick);
    connect(tbOpenParts, &QToolButton::clicked, this, &Tf2D::tbOpenPartsClick);
    connect(tbSaveParts, &QToolButton::clicked, this, &Tf2D::tbSavePartsClick);
    connect(tbSavePartsAs, &QToolButton::clicked, this, &Tf2D::tbSavePartsAsClick);
    connect(tbClearStock, &QToolButton::clicked, this, &Tf2D::tbClearStockClick);
}

void Tf2D::BuildResultsPanel()
{
    pResults = new QWidget(this);
    pResults->setObjectName(QStringLiteral("pResults"));
    // A click into the results takes the focus from a grid, so that its last cell is checked.
    pResults->setFocusPolicy(Qt::ClickFocus);

    tControl = new flow_bar(pResults);
    tControl->setObjectName(QStringLiteral("tControl"));
    tbStart = MakeButton(tControl, "tbStart", QStyle::SP_MediaPlay);
    tbSaveResults = MakeButton(tControl, "tbSaveResults", QStyle::SP_DialogSaveButton);
    tbPrintResults = MakeButton(tControl, "tbPrintResults", QStyle::SP_FileDialogContentsView);
    tbSettings = MakeButton(tControl, "tbSettings", QStyle::SP_FileDialogDetailedView);
    tbHelp = MakeButton(tControl, "tbHelp", QStyle::SP_DialogHelpButton);
    tbAbout = MakeButton(tControl, "tbAbout", QStyle::SP_MessageBoxInformation);
    for (QToolButton* button : {tbStart, tbSaveResults, tbPrintResults, tbSettings, tbHelp, tbAbout}) {
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setIconSize(QSize(32, 32));
    }
    cbLanguage = new QComboBox(tControl);
    cbLanguage->setObjectName(QStringLiteral("cbLanguage"));
    for (std::wstring_view name : LanguageNames()) cbLanguage->addItem(ToQString(name));
    cbLanguage->setCurrentIndex(kEnglishLanguageIndex);
    tControl->addWidget(cbLanguage);

    tbInterfaceOptions = new flow_bar(pResults);
    tbInterfaceOptions->setObjectName(QStringLiteral("tbInterfaceOptions"));
    cbShowPartSize = new QCheckBox(tbInterfaceOptions);
    cbShowPartSize->setObjectName(QStringLiteral("cbShowPartSize"));
    cbShowPartSize->setChecked(true);
    cbShowWasteSize = new QCheckBox(tbInterfaceOptions);
    cbShowWasteSize->setObjectName(QStringLiteral("cbShowWasteSize"));
    cbShowWasteSize->setChecked(false);
    cbShowPartLabel = new QCheckBox(tbInterfaceOptions);
    cbShowPartLabel->setObjectName(QStringLiteral("cbShowPartLabel"));
    cbShowPartLabel->setChecked(true);
    bbFont = new QPushButton(tbInterfaceOptions);
    bbFont->setObjectName(QStringLiteral("bbFont"));
    for (QWidget* option : std::initializer_list<QWidget*>{cbShowPartSize, cbShowWasteSize, cbShowPartLabel, bbFont})
        tbInterfaceOptions->addWidget(option);
    tbZoomIn = MakeZoomButton(tbInterfaceOptions, "tbZoomIn", "zoom-in", "+");
    tbZoomOut = MakeZoomButton(tbInterfaceOptions, "tbZoomOut", "zoom-out", "\u2212");
    tbZoomFit = MakeZoomButton(tbInterfaceOptions, "tbZoomFit", "zoom-fit-best", "\u2922");

    pcResults = new QTabWidget(pResults);
    pcResults->setObjectName(QStringLiteral("pcResults"));

    auto* layout = new QVBoxLayout(pResults);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(tControl);
    layout->addWidget(tbInterfaceOptions);
    layout->addWidget(pcResults, 1);

    connect(tbStart, &QToolButton::clicked, this, &Tf2D::tbStartOrStop);
    connect(tbSaveResults, &QToolButton::clicked, this, &Tf2D::tbSaveResultsClick);
    connect(tbPrintResults, &QToolButton::clicked, this, &Tf2D::tbPrintResultsClick);
    connect(tbSettings, &QToolButton::clicked, this, &Tf2D::tbSettingsClick);
    connect(tbHelp, &QToolButton::clicked, this, &Tf2D::tbHelpClick);
    connect(tbAbout, &QToolButton::clicked, this, &Tf2D::tbAboutClick);
    connect(cbLanguage, &QComboBox::activated, this, &Tf2D::cbLanguageChange);
    connect(bbFont, &QPushButton::clicked, this, &Tf2D::bbFontClick);
    for (QCheckBox* box : {cbShowPartSize, cbShowWasteSize, cbShowPartLabel})
        connect(box, &QCheckBox::clicked, this, &Tf2D::cbShowPartSizeClick);
    connect(pcResults, &QTabWidget::currentChanged, this, &Tf2D::pcResultsChange);
}

// ---- Commands and their keys ----

QAction* Tf2D::Action(const char* name) const { return findChild<QAction*>(QString::fromLatin1(name)); }

grid_editor& Tf2D::FocusedEditor()
{
    return Within(QApplication::focusWidget(), sgStock) ? *stock_editor_ : *parts_editor_;
}

void Tf2D::BuildActions()
{
    auto make = [this](const char* name, QList<QKeySequence> keys, auto slot) {
        auto* action = new QAction(this);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcuts(keys);
        addAction(action);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    make("actOpen", {QKeySequence::Open}, &Tf2D::tbOpenPartsClick);
    make("actSave", {QKeySequence::Save}, &Tf2D::tbSavePartsClick);
    make("actSaveAs", {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)}, &Tf2D::tbSavePartsAsClick);
    make("actPrint", {QKeySequence::Print}, &Tf2D::tbPrintResultsClick);
    make("actStart", {QKeySequence(Qt::Key_F5)}, &Tf2D::tbStartClick);
    make("actStop", {QKeySequence(Qt::Key_Escape)}, &Tf2D::StopRun)->setEnabled(false);
    make("actHelp", {QKeySequence::HelpContents}, &Tf2D::tbHelpClick);
    // Typing still in an open cell is the latest step: it is closed into the stack first.
    auto step = [this](void (QUndoStack::*move)()) {
        return [this, move] {
            parts_editor_->FinishEditing();
            stock_editor_->FinishEditing();
            (undo_stack_->*move)();
        };
    };
    make("actUndo", {QKeySequence::Undo}, step(&QUndoStack::undo))->setEnabled(false);
    make("actRedo", {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)},
         step(&QUndoStack::redo))
        ->setEnabled(false);
    make("actZoomIn", {QKeySequence::ZoomIn, QKeySequence(Qt::CTRL | Qt::Key_Equal)}, [this] { results_->ZoomIn(); });
    make("actZoomOut", {QKeySequence::ZoomOut}, [this] { results_->ZoomOut(); });
    make("actZoomFit", {QKeySequence(Qt::CTRL | Qt::Key_0)}, [this] { results_->FitToWindow(); });
    connect(undo_stack_, &QUndoStack::canUndoChanged, this, [this](bool can) {
        Action("actUndo")->setEnabled(can && !running_);
        tbUndo->setEnabled(can && !running_);
    });
    connect(undo_stack_, &QUndoStack::canRedoChanged, this, [this](bool can) {
        Action("actRedo")->setEnabled(can && !running_);
        tbRedo->setEnabled(can && !running_);
    });
    tbUndo->setEnabled(false);
    tbRedo->setEnabled(false);
    connect(tbUndo, &QToolButton::clicked, Action("actUndo"), &QAction::trigger);
    connect(tbRedo, &QToolButton::clicked, Action("actRedo"), &QAction::trigger);
    connect(tbZoomIn, &QToolButton::clicked, this, [this] { results_->ZoomIn(); });
    connect(tbZoomOut, &QToolButton::clicked, this, [this] { results_->ZoomOut(); });
    connect(tbZoomFit, &QToolButton::clicked, this, [this] { results_->FitToWindow(); });

    // The spreadsheet commands, in the grids' context menus and on their keys while a grid has the focus.
    auto grid_action = [this](const char* name, QList<QKeySequence> keys, std::function<void(grid_editor&)> command) {
        auto* action = new QAction(this);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WidgetShortcut);
        connect(action, &QAction::triggered, this, [this, command] { command(FocusedEditor()); });
        for (QTableWidget* grid : {sgParts, sgStock}) grid->addAction(action);
        return action;
    };
    grid_action("actCopy", {QKeySequence::Copy}, [](grid_editor& editor) { editor.CopySelection(); });
    grid_action("actPaste", {QKeySequence::Paste}, [](grid_editor& editor) { editor.Paste(); });
    grid_action("actClearCells", {QKeySequence::Delete}, [](grid_editor& editor) { editor.ClearSelectedCells(); });
    grid_action("actInsertRow", {QKeySequence(Qt::CTRL | Qt::Key_Insert)}, [](grid_editor& editor) { editor.InsertRow(); });
    grid_action("actDeleteRow", {QKeySequence(Qt::CTRL | Qt::Key_Delete)}, [](grid_editor& editor) { editor.DeleteRows(); });
    for (QTableWidget* grid : {sgParts, sgStock}) grid->setContextMenuPolicy(Qt::ActionsContextMenu);
}

// ---- Grid cells ----

int Tf2D::RoundingDenominator() const { return fTechnicalSettings_->RoundingDenominator(); }

bool Tf2D::CellIsValid(const QTableWidget& grid, int column, int row) const { return ::CellIsValid(grid, column, row); }

bool Tf2D::sgPartsSelectCell(int column, int row) { return parts_editor_->SelectCell(column, row); }
bool Tf2D::sgStockSelectCell(int column, int row) { return stock_editor_->SelectCell(column, row); }
void Tf2D::sgPartsExit() { parts_editor_->Exit(); }
void Tf2D::sgStockExit() { stock_editor_->Exit(); }
void Tf2D::sgPartsSetEditText(int column, int row, QLineEdit& editor) { parts_editor_->SetEditText(column, row, editor); }
void Tf2D::sgStockSetEditText(int column, int row, QLineEdit& editor) { stock_editor_->SetEditText(column, row, editor); }

void Tf2D::GridChanged(bool parts)
{
    if (parts) parts_files_->SetModified(true);
    ClearResults();
}

void Tf2D::OnFocusChanged(QWidget* old_focus, QWidget* new_focus)
{
    // Leaving a grid means focus going to another control of this window, not to a dialog or nowhere.
    if (!new_focus || new_focus->window() != window()) return;
    if (Within(old_focus, sgParts) && !Within(new_focus, sgParts)) sgPartsExit();
    if (Within(old_focus, sgStock) && !Within(new_focus, sgStock)) sgStockExit();
}

void Tf2D::cbPartGrainChange()
{
    parts_editor_->GrainChosen();
    cbPartGrainExit();
}

void Tf2D::cbStockGrainChange()
{
    stock_editor_->GrainChosen();
    sgStock->setFocus();  // keyboard work goes on in the grid, as for the parts
}

void Tf2D::cbPartGrainExit() { sgParts->setFocus(); }

// ---- Results ----

void Tf2D::ClearResults()
{
    engine_->ResetResults();
    results_->RemoveTabs();
    if (report_commands_) report_commands_->ShowCutTotals();
    StatusBar1->clearMessage();  // the sheet bound belongs to the results just cleared
}

// ---- Start ----

bool Tf2D::CheckGrid(QTableWidget& grid, bool round_up, QStringList* problems)
{
    // Every bad cell is named, in one message; a size that is not a number leaves its row as it is.
    QStringList found;
    const grid_editor& editor = &grid == sgStock ? *stock_editor_ : *parts_editor_;
    const wchar_t separator = LocaleDecimalSeparator();
    const int denominator = RoundingDenominator();
    const int row_count = RowCount(grid);
    for (int r = 1; r < row_count; ++r) {
        for (int c = 0; c < kGridColumnCount; ++c) SetCellText(grid, c, r, CellText(grid, c, r).trimmed());
        if (CellText(grid, 0, r).isEmpty() || CellText(grid, 1, r).isEmpty()) {
            for (int c = 0; c < kGridColumnCount; ++c) SetCellText(grid, c, r, QString());
            continue;
        }
        bool sizes_valid = true;
        for (int c = 0; c < 2; ++c) {
            fractional_double value;
            if (!value.ParseWide(ToWide(CellText(grid, c, r)), separator) || value.Value() <= fractional_double::kTolerance) {
                found << editor.CellMessage(c, r);
                sizes_valid = false;
            }
        }
        for (int c = 0; c < 2 && sizes_valid; ++c) {
            const QString text = CellText(grid, c, r);
            fractional_double value;
            value.ParseWide(ToWide(text), separator);
            if (round_up)
                value.RoundUpTo(denominator);
            else
                value.RoundDownTo(denominator);
            SetCellText(grid, c, r, ToQString(value.FormatDisplay(separator)));
        }
        const QString quantity_text = CellText(grid, 2, r);
        const std::optional<int32_t> quantity = ParseInteger(quantity_text);
        if (!quantity) {
            SetCellText(grid, 2, r, QStringLiteral("1"));
            continue;
        }
        if (*quantity < 1) found << editor.CellMessage(2, r);
    }
    if (found.isEmpty()) return true;
    if (problems)
        *problems << found;
    else
        Inform(this, found.join(QLatin1Char('\n')));
    return false;
}

bool Tf2D::CheckSettings()
{
    const wchar_t separator = LocaleDecimalSeparator();
    const int denominator = RoundingDenominator();
    const std::pair<QLineEdit*, bool> edits[] = {{fTechnicalSettings_->leCutterThickness, true},
                                                 {fTechnicalSettings_->leMinimalBreakSize, true},
                                                 {fTechnicalSettings_->eLungimeMaximaTaietura, false}};
    for (const auto& [edit, round_up] : edits) {
        QString text = edit->text().trimmed();
        if (text.isEmpty()) text = QStringLiteral("0");
        fractional_double value;
        if (!value.ParseWide(ToWide(text), separator) || value.Value() < -fractional_double::kTolerance) {
            Inform(this, Text(ui_text::InvalidNumber) + QStringLiteral(":") + text);
            return false;
        }
        if (round_up)
            value.RoundUpTo(denominator);
        else
            value.RoundDownTo(denominator);
        edit->setText(ToQString(value.FormatDisplay(separator)));
    }
    return true;
}

namespace {

// Every size text the number-mode checks look at, with its mark, in their order.
struct numbered_text {
    QString text;
    int32_t mark;
};

std::vector<numbered_text> SizeTexts(const QTableWidget& parts, const QTableWidget& stock,
                                     const TfTechnicalSettings& settings)
{
    std::vector<numbered_text> texts;
    auto add_grid = [&texts](const QTableWidget& grid, int32_t offset) {
        const int row_count = RowCount(grid);
        for (int r = 1; r < row_count; ++r)
            for (int c = 0; c < 2; ++c) {
                const QString text = CellText(grid, c, r).trimmed();
                if (!text.isEmpty()) texts.push_back({text, offset + r + 1});
            }
    };
    add_grid(parts, 0);
    add_grid(stock, RowCount(parts));
    const int32_t settings_base = RowCount(parts) + RowCount(stock);
    texts.push_back({settings.leCutterThickness->text().trimmed(), settings_base + 2});
    texts.push_back({settings.eLungimeMaximaTaietura->text().trimmed(), settings_base + 3});
    texts.push_back({settings.leMinimalBreakSize->text().trimmed(), settings_base + 4});
    return texts;
}

// A number in plain decimal notation with the given separator (sign, digits, decimals, exponent).
bool IsPlainDecimal(const QString& text, QChar separator)
{
    const QString pattern = QStringLiteral("^[+-]?(\\d+(%1\\d*)?|%1\\d+)([eE][+-]?\\d+)?$")
                                .arg(QRegularExpression::escape(QString(separator)));
    return QRegularExpression(pattern).match(text).hasMatch();
}

}  // namespace

bool Tf2D::CheckRealNumbers(int32_t& decimal_use_mark) const
{
    const QChar separator(static_cast<char16_t>(LocaleDecimalSeparator()));
    bool result = true;
    decimal_use_mark = 0;
    for (const numbered_text& entry : SizeTexts(*sgParts, *sgStock, *fTechnicalSettings_)) {
        if (!IsPlainDecimal(entry.text, separator)) {
            result = false;
            continue;
        }
        if (entry.text.contains(separator)) decimal_use_mark = entry.mark;
    }
    return result;
}

bool Tf2D::CheckFractions(int32_t& fraction_use_mark) const
{
    bool result = true;
    fraction_use_mark = 0;
    for (const numbered_text& entry : SizeTexts(*sgParts, *sgStock, *fTechnicalSettings_)) {
        fractional_long number;
        if (!number.Parse(ToWide(entry.text))) {
            result = false;
            continue;
        }
        if (number.numerator != 0) fraction_use_mark = entry.mark;
    }
    return result;
}

void Tf2D::tbStartClick()
{
    if (running_) return;
    QStringList problems;
    const bool parts_valid = CheckGrid(*sgParts, true, &problems);
    const bool stock_valid = CheckGrid(*sgStock, false, &problems);
    if (!parts_valid || !stock_valid) {
        Inform(this, problems.join(QLatin1Char('\n')));
        return;
    }
    if (!CheckSettings()) return;
    all_real_ = CheckRealNumbers(decimal_use_mark_);
    all_fraction_ = CheckFractions(fraction_use_mark_);
    if (decimal_use_mark_ != 0 && fraction_use_mark_ != 0) {
        Inform(this, Text(ui_text::CannotMix));
        return;
    }
    ClearResults();
    Guarded([this] {
        engine_->Gather(callbacks_->GatherParts(), callbacks_->GatherStock(), callbacks_->GatherParameters());
        engine_->fraction_input = all_fraction_;
        engine_->decimal_input = all_real_;
        StartRun();
    });
}

void Tf2D::tbStartOrStop()
{
    if (running_)
        StopRun();
    else
        tbStartClick();
}

void Tf2D::StopRun()
{
    if (!running_ || stopping_) return;
    stopping_ = true;
    engine_->RequestStop();
    tbStart->setEnabled(false);  // the run ends at the end of its current pass
}

void Tf2D::ShowStartCaption()
{
    tbStart->setText(running_ ? ToQString(WindowText(window_text::Stop)) : QStringLiteral("Start"));
    tbStart->setIcon(style()->standardIcon(running_ ? QStyle::SP_MediaStop : QStyle::SP_MediaPlay));
    tbStart->setToolTip(running_ ? WithKeys(tbStart->text(), *Action("actStop"))
                                 : WithKeys(tbStart->text(), *Action("actStart")));
    tbStart->setEnabled(true);
}

void Tf2D::StartRun()
{
    // The input is complete in the facade; until the run ends nothing on this thread touches it
    // (the commands that would are disabled and the redraws wait).
    SetRunning(true);
    last_posted_progress_ = run_progress{};
    callbacks_->set_progress_listener([this] {
        const run_progress& last = engine_->last_progress;  // written on this same worker thread
        const run_progress& posted = last_posted_progress_;
        if (last.group_index == posted.group_index && last.group_count == posted.group_count
            && last.passes_done == posted.passes_done && last.passes_total == posted.passes_total
            && last.phase == posted.phase && last.sheets_saved == posted.sheets_saved)
            return;
        const run_progress now = last;
        last_posted_progress_ = now;
        QMetaObject::invokeMethod(this, [this, now] { ShowProgress(now); }, Qt::QueuedConnection);
    });
    stavora_2d* engine = engine_.get();
    idle_fn idle = callbacks_->ReportProgress();
    run_watcher_->setFuture(QtConcurrent::run([engine, idle] {
        run_outcome outcome;
        try {
            outcome.result = engine->Run(idle);
        } catch (const std::exception& error) {
            outcome.error = QString::fromStdString(error.what());
        }
        return outcome;
    }));
}

void Tf2D::ShowProgress(const run_progress& progress)
{
    if (!running_) return;
    run_progress_bar_->setMaximum(std::max(1, progress.passes_total));
    run_progress_bar_->setValue(std::clamp(progress.passes_done, 0, std::max(1, progress.passes_total)));
    const QString done = QString::number(progress.passes_done);
    const QString total = QString::number(progress.passes_total);
    QString text = progress.material.empty() ? ToQString(WindowText(window_text::ProgressPasses)).arg(done, total)
                                             : ToQString(WindowText(window_text::ProgressMaterial))
                                                   .arg(ToQString(progress.material), done, total);
    if (progress.phase == 1)
        text += QStringLiteral("  ") + ToQString(SearchText(search_text::Improving)).arg(progress.sheets_saved);
    run_progress_label_->setText(text);
}

void Tf2D::SetRunning(bool running)
{
    running_ = running;
    stopping_ = false;
    for (QWidget* control : std::initializer_list<QWidget*>{tbClearParts, tbOpenParts, tbSaveParts, tbSavePartsAs,
                                                             tbUndo, tbRedo, tbClearStock, sgParts, sgStock,
                                                             tbSettings, tbSaveResults, tbPrintResults})
        control->setEnabled(!running);
    for (QAction* action : actions()) action->setEnabled(!running);
    Action("actStop")->setEnabled(running);
    if (!running) {
        Action("actUndo")->setEnabled(undo_stack_->canUndo());
        Action("actRedo")->setEnabled(undo_stack_->canRedo());
        tbUndo->setEnabled(undo_stack_->canUndo());
        tbRedo->setEnabled(undo_stack_->canRedo());
    }
    results_->SetBlocked(running);
    ShowStartCaption();
    run_progress_bar_->setValue(0);
    run_progress_bar_->setVisible(running);
    run_progress_label_->clear();
    run_progress_label_->setVisible(running);
    if (running)
        QApplication::setOverrideCursor(Qt::BusyCursor);
    else
        QApplication::restoreOverrideCursor();
}

void Tf2D::RunEnded(const run_outcome& outcome)
{
    callbacks_->set_progress_listener({});
    SetRunning(false);
    results_->ShowLayouts();
    ShowSheetBound();
    if (!outcome.error.isEmpty())
        Inform(this, outcome.error);
    else if (outcome.result.status == kRunRefused)
        Inform(this, QString::fromStdWString(outcome.result.message));
    else if (outcome.result.status == kRunNotAllPlaced) {
        // The message names the parts that were left out and why.
        const QStringList left_out = UnplacedPartLines(*engine_, GridTitle(ui_text::Parts));
        Inform(this, left_out.isEmpty() ? Text(ui_text::NotAllOptimized)
                                        : Text(ui_text::NotAllOptimized) + QStringLiteral("\n\n") + left_out.join(QLatin1Char('\n')));
    }
    else if (outcome.result.status == kRunNotScalable)
        // A material that was skipped must not look like a finished job.
        Inform(this, QStringLiteral("Some pieces were not optimized: their sizes are too large, or have too many "
                                    "decimal places, to be cut exactly."));
    emit RunFinished();
    if (close_requested_) close();
}

void Tf2D::ShowSheetBound()
{
    // Per material: proven optimal, or how many sheets a better layout could save at most.
    QStringList parts;
    for (const auto& u : engine_->utilization_2d) {
        if (u->sheet_total <= 0) continue;
        const QString verdict = u->optimal ? ToQString(SearchText(search_text::Optimal))
                                : u->sheet_total <= u->sheet_lower_bound
                                    ? ToQString(SearchText(search_text::FewestSheets))
                                    : ToQString(SearchText(search_text::CouldBeSaved))
                                          .arg(u->sheet_total - u->sheet_lower_bound);
        parts << (engine_->utilization_2d.Count() > 1 ? ToQString(u->material.c_str()) + QStringLiteral(": ") + verdict
                                                     : verdict);
    }
    if (parts.isEmpty())
        StatusBar1->clearMessage();
    else
        StatusBar1->showMessage(parts.join(QStringLiteral("; ")));
}

// ---- Results view ----

QScrollArea* Tf2D::ResultsScrollBox() const { return results_->ScrollBox(); }
QLabel* Tf2D::ResultsImage() const { return results_->Image(); }
void Tf2D::AddResultTab() { results_->AddResultTab(); }
void Tf2D::CreateResultsView() { results_->CreateResultsView(); }

layout_display_flags Tf2D::DisplayFlags() const
{
    layout_display_flags flags;
    flags.show_part_sizes = cbShowPartSize->isChecked();
    flags.show_waste_sizes = cbShowWasteSize->isChecked();
    flags.show_part_labels = cbShowPartLabel->isChecked();
    if (report_commands_) report_commands_->AddFlags(flags);
    return flags;
}

void Tf2D::pcResultsChange(int) { RedrawLayout(); }
void Tf2D::RedrawLayout() { results_->Redraw(); }
void Tf2D::cbShowPartSizeClick() { RedrawLayout(); }

void Tf2D::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    FormResize();
}

void Tf2D::FormResize()
{
    if (pcResults && pcResults->count() > 0) RedrawLayout();
}

void Tf2D::pcResultsMouseMove(const QPoint& position) { results_->ShowTabHint(position); }
void Tf2D::pcResultsMouseLeave() { results_->HideTabHint(); }
void Tf2D::tbSaveResultsClick() { results_->SavePicture(); }
void Tf2D::tbPrintResultsClick() { results_->Print(); }

// ---- Commands ----

void Tf2D::Guarded(const std::function<void()>& command)
{
    try {
        command();
    } catch (const std::exception& error) {
        Inform(this, QString::fromStdString(error.what()));
    }
}

bool Tf2D::PartsModified() const { return parts_files_->Modified(); }
const QString& Tf2D::PartsFileName() const { return parts_files_->SaveName(); }

void Tf2D::tbSavePartsClick()
{
    Guarded([this] { parts_files_->Save(); });
}

void Tf2D::tbSavePartsAsClick()
{
    Guarded([this] { parts_files_->SaveAs(); });
}

void Tf2D::tbClearPartsClick()
{
    Guarded([this] { parts_files_->Clear(); });
}

void Tf2D::tbOpenPartsClick()
{
    Guarded([this] { parts_files_->Open(); });
}

void Tf2D::tbClearStockClick()
{
    if (!Confirm(this, Text(ui_text::DeleteData))) return;
    stock_editor_->RecordChange(Text(ui_text::ClearStock), [this] { callbacks_->clear_stock_grid(); });
    ClearResults();
}

void Tf2D::tbSettingsClick()
{
    fTechnicalSettings_->eLatimeMinimaUtilizabila->hide();
    fTechnicalSettings_->lLatimeUtilizabila->hide();
    fTechnicalSettings_->leCutterThickness->setFocus();
    fTechnicalSettings_->leCutterThickness->selectAll();
    if (Prompts().run_modal(*fTechnicalSettings_) != QDialog::Accepted) return;
    ClearResults();
    parts_editor_->RoundGrid();
    stock_editor_->RoundGrid();
}

void Tf2D::tbHelpClick() { Prompts().open_url(QUrl(QString::fromLatin1(kMakerWebPage))); }

void Tf2D::tbAboutClick() { Prompts().run_modal(*fAbout_); }

void Tf2D::cbLanguageChange()
{
    LoadLanguage(ToWide(cbLanguage->currentText()));
    LoadQtTranslation(cbLanguage->currentIndex());
    ApplyTexts();
    WidenCheckBoxes();
}

void Tf2D::ShowFontCaption(const QString& suffix)
{
    bbFont->setText(drawing_font_.family() + QStringLiteral(", ") + QString::number(drawing_font_.pointSize()) + suffix);
}

void Tf2D::bbFontClick()
{
    const std::optional<QFont> font = Prompts().choose_font(this, drawing_font_);
    if (!font) return;
    drawing_font_ = *font;
    bbFont->setFont(drawing_font_);
    ShowFontCaption(QString());
    RedrawLayout();
}

void Tf2D::WidenColumns()
{
    // A column is at least as wide as its header, and the grain column as its words in the combo.
    for (QTableWidget* grid : {sgParts, sgStock}) {
        QHeaderView& header = *grid->horizontalHeader();
        const QFontMetrics metrics(header.font());
        for (int c = 0; c < kGridColumnCount; ++c) {
            int needed = metrics.horizontalAdvance(CellText(*grid, c, 0)) + 12;
            if (c == kGrainColumn) {
                const QComboBox& combo = grid == sgParts ? *cbPartGrain : *cbStockGrain;
                for (int i = 1; i < combo.count(); ++i)
                    needed = std::max(needed, combo.fontMetrics().horizontalAdvance(combo.itemText(i)) + 28);
            }
            // Measured against the width the user gave: a stretched column may be narrower in a smaller window.
            const auto* view = qobject_cast<const data_grid_view*>(grid);
            if ((view ? view->UserColumnWidth(c) : header.sectionSize(c)) < needed) header.resizeSection(c, needed);
        }
    }
}

void Tf2D::WidenCheckBoxes()
{
    const QFontMetrics metrics(font());
    for (QCheckBox* box : {cbShowPartSize, cbShowWasteSize, cbShowPartLabel})
        box->setFixedWidth(metrics.horizontalAdvance(box->text()) + 30);
}

void Tf2D::ApplyTexts()
{
    const ui_text headers[kGridColumnCount] = {ui_text::Width, ui_text::Height, ui_text::Quantity, ui_text::Fiber,
                                               ui_text::Label};
    for (QTableWidget* grid : {sgParts, sgStock})
        for (int c = 0; c < kGridColumnCount; ++c) SetCellText(*grid, c, 0, Text(headers[c]));

    lParts->setText(Text(ui_text::Parts));
    tbClearParts->setText(Text(ui_text::ClearParts));
    tbOpenParts->setText(Text(ui_text::Open));
    tbSaveParts->setText(Text(ui_text::Save));
    tbSavePartsAs->setText(Text(ui_text::SaveAs));
    ShowStartCaption();
    tbSaveResults->setText(Text(ui_text::SaveResults));
    tbPrintResults->setText(Text(ui_text::Print));
    tbHelp->setText(Text(ui_text::Help));
    tbAbout->setText(Text(ui_text::About));
    tbSettings->setText(Text(ui_text::Settings));
    lStock->setText(Text(ui_text::Stock));
    tbClearStock->setText(Text(ui_text::ClearStock));
    const std::pair<const char*, QString> action_texts[] = {
        {"actOpen", Text(ui_text::Open)},
        {"actSave", Text(ui_text::Save)},
        {"actSaveAs", Text(ui_text::SaveAs)},
        {"actPrint", Text(ui_text::Print)},
        {"actStart", QStringLiteral("Start")},
        {"actStop", ToQString(WindowText(window_text::Stop))},
        {"actHelp", Text(ui_text::Help)},
        {"actUndo", ToQString(WindowText(window_text::Undo))},
        {"actRedo", ToQString(WindowText(window_text::Redo))},
        {"actZoomIn", ToQString(WindowText(window_text::ZoomIn))},
        {"actZoomOut", ToQString(WindowText(window_text::ZoomOut))},
        {"actZoomFit", ToQString(WindowText(window_text::FitToWindow))},
        {"actCopy", ToQString(WindowText(window_text::Copy))},
        {"actPaste", ToQString(WindowText(window_text::Paste))},
        {"actClearCells", ToQString(WindowText(window_text::ClearCells))},
        {"actInsertRow", ToQString(WindowText(window_text::InsertRow))},
        {"actDeleteRow", ToQString(WindowText(window_text::DeleteRow))}};
    for (const auto& [name, text] : action_texts) Action(name)->setText(text);
    // Buttons tell their keys in their tool tips.
    const std::pair<QAbstractButton*, const char*> keyed[] = {
        {tbOpenParts, "actOpen"},  {tbSaveParts, "actSave"},       {tbSavePartsAs, "actSaveAs"},
        {tbPrintResults, "actPrint"}, {tbHelp, "actHelp"},         {tbUndo, "actUndo"},
        {tbRedo, "actRedo"},       {tbZoomIn, "actZoomIn"},        {tbZoomOut, "actZoomOut"},
        {tbZoomFit, "actZoomFit"}};
    for (const auto& [button, name] : keyed) button->setToolTip(WithKeys(Action(name)->text(), *Action(name)));
    WidenColumns();
    for (QTableWidget* grid : {sgParts, sgStock})
        for (int c = 0; c < 2; ++c)
            if (QTableWidgetItem* header = grid->horizontalHeaderItem(c))
                header->setToolTip(ToQString(WindowText(window_text::UnitsNote)));

    fTechnicalSettings_->leCutterThicknessLabel->setText(Text(ui_text::CuttingThickness));
    fTechnicalSettings_->leMinimalBreakSizeLabel->setText(Text(ui_text::MinimalRuptureSize));
    fTechnicalSettings_->lRoundAllFractionsTo->setText(Text(ui_text::RoundFractionsTo));
    fTechnicalSettings_->lLungimeMaximaTaietura->setText(Text(ui_text::MaximalCutLength));
    fTechnicalSettings_->setWindowTitle(Text(ui_text::Settings));

    cbShowPartSize->setText(Text(ui_text::ShowPartSize));
    cbShowWasteSize->setText(Text(ui_text::ShowWasteSize));
    cbShowPartLabel->setText(Text(ui_text::ShowPartLabel));

    results_->RetitleTabs();

    for (QComboBox* combo : {cbPartGrain, cbStockGrain}) {
        combo->setItemText(1, Text(ui_text::Horizontal));
        combo->setItemText(2, Text(ui_text::Vertical));
    }

    for (QTableWidget* grid : {sgParts, sgStock}) {
        const int row_count = RowCount(*grid);
        for (int r = 1; r < row_count; ++r) {
            const QString text = CellText(*grid, kGrainColumn, r).trimmed();
            if (text.isEmpty()) continue;
            const int grain = GrainFromWord(text);
            if (grain == 1) SetCellText(*grid, kGrainColumn, r, Text(ui_text::Horizontal));
            if (grain == 2) SetCellText(*grid, kGrainColumn, r, Text(ui_text::Vertical));
        }
    }

    pcResultsChange(pcResults->currentIndex());
    if (report_commands_) report_commands_->ApplyTexts();
}

void Tf2D::UpdateTitle()
{
    const QString name = parts_files_->ListName();
    setWindowTitle((name.isEmpty() ? ToQString(WindowText(window_text::Untitled)) : QFileInfo(name).fileName())
                   + QStringLiteral("[*] - Stavora"));
    setWindowModified(parts_files_->Modified());
}

// ---- Window sizes ----

int Tf2D::PartsGridHeight() const { return sgParts->height(); }

void Tf2D::SetPartsGridHeight(int height)
{
    const QList<int> sizes = Splitter2->sizes();
    const int total = sizes.size() == 2 && sizes[0] + sizes[1] > 0 ? sizes[0] + sizes[1] : 1000;
    const int top = height + ToolBar2->sizeHint().height();
    Splitter2->setSizes({top, std::max(1, total - top)});
}

int Tf2D::DataPanelWidth() const { return pData->width(); }

void Tf2D::SetDataPanelWidth(int width)
{
    const QList<int> sizes = Splitter1->sizes();
    const int total = sizes.size() == 2 && sizes[0] + sizes[1] > 0 ? sizes[0] + sizes[1] : 1400;
    Splitter1->setSizes({width, std::max(1, total - width)});
}

// ---- Start-up and closing ----

void Tf2D::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (shown_) return;
    shown_ = true;
    FormShow();
}

void Tf2D::FormShow()
{
    parameters_as_number_2d parameters;
    interface_layout layout;
    int32_t language_index = kEnglishLanguageIndex;
    int32_t first_start_marker = -1;
    if (std::unique_ptr<QSettings> store = environment_.open_settings())
        LoadSettings(*store, registry_key_, parameters, layout, language_index, first_start_marker, drawing_font_);

    bbFont->setFont(drawing_font_);
    ShowFontCaption(QStringLiteral(" ..."));
    ApplyParameters(*fTechnicalSettings_, parameters);
    ApplyLayout(*this, layout);

    fAbout_->lVersion->setText(version_text_);
    // A stored index outside the list would leave every caption empty: English instead.
    if (language_index < 0 || language_index >= cbLanguage->count()) language_index = kEnglishLanguageIndex;
    cbLanguage->setCurrentIndex(language_index);
    LoadLanguage(ToWide(cbLanguage->currentText()));
    LoadQtTranslation(language_index);
    ApplyTexts();
    WidenCheckBoxes();

    if (first_start_marker == -1)
        engine_->LoadExample(callbacks_->ShowParts(), callbacks_->ShowStock());
    else
        ReadStockAtStart();

    EnsureRowCount(*sgParts, kGridRowCount);
    EnsureRowCount(*sgStock, kGridRowCount);

    recovery_ = new TPartsRecovery(this, environment_.data_directory, sgParts->model(),
        {[this] { return parts_files_->Modified(); },
         [this](const QString& file) { return engine_->SavePartListXml(ToPath(file), callbacks_->GatherParts()); },
         [this](const QString& file) {
             const bool read =
                 engine_->OpenPartListXml(ToPath(file), callbacks_->ClearPartsGrid(), callbacks_->ShowParts());
             EnsureRowCount(*sgParts, kGridRowCount);
             if (read)
                 parts_files_->MarkChangedOutsideUndo();
             else
                 parts_files_->SetModified(false);
             return read;
         }});
    QTimer::singleShot(0, recovery_, &TPartsRecovery::OfferRestore);
}

void Tf2D::ReadStockAtStart()
{
    const QString saved = QDir(environment_.data_directory).filePath(QStringLiteral("stock.xml"));
    const QString beside_xml = environment_.program_directory + QStringLiteral("stock.xml");
    const QString beside_csv = environment_.program_directory + QStringLiteral("stock.csv");
    if (!environment_.data_directory.isEmpty() && QFileInfo::exists(saved))
        engine_->OpenStockListXml(ToPath(saved), callbacks_->ClearStockGrid(), callbacks_->ShowStock());
    else if (QFileInfo::exists(beside_xml))
        engine_->OpenStockListXml(ToPath(beside_xml), callbacks_->ClearStockGrid(), callbacks_->ShowStock());
    else if (QFileInfo::exists(beside_csv))
        engine_->OpenStockListCsv(ToPath(beside_csv), LocaleListSeparator(), callbacks_->ClearStockGrid(),
                                  callbacks_->ShowStock());
    EnsureRowCount(*sgStock, kGridRowCount);
}

void Tf2D::closeEvent(QCloseEvent* event)
{
    // The facade is busy in the worker: close as soon as the run has ended.
    if (running_) {
        close_requested_ = true;
        event->ignore();
        return;
    }
    if (!closed_) {
        closed_ = true;
        FormClose();
    }
    event->accept();
}

void Tf2D::FormClose()
{
    Guarded([this] {
        if (environment_.data_directory.isEmpty()) return;
        QDir().mkpath(environment_.data_directory);
        const QString file_name = QDir(environment_.data_directory).filePath(QStringLiteral("stock.xml"));
        if (!engine_->SaveStockListXml(ToPath(file_name), callbacks_->GatherStock()))
            ThrowFileError(ToQString(WindowText(window_text::FileNotWritten)), file_name);
    });
    Guarded([this] { parts_files_->OfferToSave(); });
    if (recovery_) recovery_->Discard();

    parameters_as_number_2d parameters;
    CollectParameters(*fTechnicalSettings_, parameters);
    interface_layout layout;
    CollectLayout(*this, layout);
    if (std::unique_ptr<QSettings> store = environment_.open_settings())
        SaveSettings(*store, registry_key_, parameters, layout, cbLanguage->currentIndex(), version_text_,
                     drawing_font_);
}

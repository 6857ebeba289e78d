#include "app/mainform_stv.h"

#include <stdexcept>

#include <QAbstractItemDelegate>
#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressBar>
#include <QRegularExpression>
#include <QScrollArea>
#include <QTabBar>
#include <QToolTip>
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
#include <QScrollBar>
#include <QSettings>
#include <QSplitter>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include "app/Callbacks_stv.h"
#include "app/Utils_interface_stv.h"
#include "app/recovery_stv.h"
#include "app/safe_save_qt.h"
#include "app/about_stv.h"
#include "app/data_grid.h"
#include "app/locale_stv.h"
#include "app/technical_settings_stv.h"
#include "app/ui_prompts.h"
#include "i18n/ui_texts.h"
#include "model/Ufractions_long.h"
#include "model/Utils_fractions_vcl.h"

namespace {

QString Text(ui_text entry) { return ToQString(UiText(entry)); }

// A file could not be read or written; the command stops with this message.
class file_error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

[[noreturn]] void ThrowFileError(const char* what, const QString& file_name)
{
    throw file_error((QString::fromLatin1(what) + QStringLiteral("\n") + QDir::toNativeSeparators(file_name))
                         .toStdString());
}

// Hands every keystroke of a cell editor to the window at once, as the cell's new text.
class grid_delegate : public QStyledItemDelegate {
public:
    using edit_handler = std::function<void(int column, int row, QLineEdit& editor)>;

    grid_delegate(QObject* parent, edit_handler on_edit) : QStyledItemDelegate(parent), on_edit_(std::move(on_edit)) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
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

    // Keeps the caret where it is when the cell is written back while it is being edited.
    void setEditorData(QWidget* editor, const QModelIndex& index) const override
    {
        if (auto* line = qobject_cast<QLineEdit*>(editor); line && line->text() == index.data(Qt::EditRole).toString())
            return;
        QStyledItemDelegate::setEditorData(editor, index);
    }

private:
    edit_handler on_edit_;
};

QToolButton* MakeButton(QToolBar* bar, const char* name, QStyle::StandardPixmap icon)
{
    auto* button = new QToolButton(bar);
    button->setObjectName(QString::fromLatin1(name));
    button->setIcon(bar->style()->standardIcon(icon));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setAutoRaise(true);
    bar->addWidget(button);
    return button;
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
    sd_parts_file_name_.clear();
    od_parts_file_name_.clear();
    parts_modified_ = false;
    last_stock_cell_ = grid_cell{0, 1};
    last_parts_cell_ = grid_cell{0, 1};
    connect(qApp, &QApplication::focusChanged, this, &Tf2D::OnFocusChanged);
    pattern_ = MakeHatchPattern();
    pcResults->tabBar()->setMouseTracking(true);
    pcResults->tabBar()->installEventFilter(this);
    run_watcher_ = new QFutureWatcher<run_outcome>(this);
    connect(run_watcher_, &QFutureWatcher<run_outcome>::finished, this,
            [this] { RunEnded(run_watcher_->future().result()); });
}

Tf2D::~Tf2D()
{
    // The worker uses the facade; it has to be done before the facade goes.
    if (run_watcher_ && run_watcher_->isRunning()) run_watcher_->waitForFinished();
    if (running_) QApplication::restoreOverrideCursor();
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
    ToolBar2 = new QToolBar(parts_section);
    ToolBar2->setObjectName(QStringLiteral("ToolBar2"));
    lParts = new QLabel(ToolBar2);
    lParts->setObjectName(QStringLiteral("lParts"));
    lParts->setFont(title_font);
    ToolBar2->addWidget(lParts);
    tbClearParts = MakeButton(ToolBar2, "tbClearParts", QStyle::SP_DialogResetButton);
    tbOpenParts = MakeButton(ToolBar2, "tbOpenParts", QStyle::SP_DialogOpenButton);
    tbSaveParts = MakeButton(ToolBar2, "tbSaveParts", QStyle::SP_DialogSaveButton);
    tbSavePartsAs = MakeButton(ToolBar2, "tbSavePartsAs", QStyle::SP_DriveFDIcon);
    sgParts = new QTableWidget(parts_section);
    sgParts->setObjectName(QStringLiteral("sgParts"));
    SetupDataGrid(*sgParts);
    auto* parts_layout = new QVBoxLayout(parts_section);
    parts_layout->setContentsMargins(0, 0, 0, 0);
    parts_layout->setSpacing(0);
    parts_layout->addWidget(ToolBar2);
    parts_layout->addWidget(sgParts, 1);

    auto* stock_section = new QWidget(Splitter2);
    tInventory = new QToolBar(stock_section);
    tInventory->setObjectName(QStringLiteral("tInventory"));
    lStock = new QLabel(tInventory);
    lStock->setObjectName(QStringLiteral("lStock"));
    lStock->setFont(title_font);
    tInventory->addWidget(lStock);
    tbClearStock = MakeButton(tInventory, "tbClearStock", QStyle::SP_DialogResetButton);
    sgStock = new QTableWidget(stock_section);
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

    ConnectGrid(*sgParts);
    ConnectGrid(*sgStock);

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

    tControl = new QToolBar(pResults);
    tControl->setObjectName(QStringLiteral("tControl"));
    tControl->setIconSize(QSize(32, 32));
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

    tbInterfaceOptions = new QToolBar(pResults);
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

    pcResults = new QTabWidget(pResults);
    pcResults->setObjectName(QStringLiteral("pcResults"));

    auto* layout = new QVBoxLayout(pResults);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(tControl);
    layout->addWidget(tbInterfaceOptions);
    layout->addWidget(pcResults, 1);

    connect(tbStart, &QToolButton::clicked, this, &Tf2D::tbStartClick);
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

void Tf2D::ConnectGrid(QTableWidget& grid)
{
    QTableWidget* g = &grid;
    grid.setItemDelegate(new grid_delegate(&grid, [this, g](int column, int row, QLineEdit& editor) {
        SetEditText(*g, column, row, editor);
    }));
    connect(&grid, &QTableWidget::currentCellChanged, this,
            [this, g](int row, int column, int, int) { OnCurrentCellChanged(*g, row, column); });
    // The grain combo follows its cell when the grid scrolls.
    auto follow = [this, g] {
        QComboBox* combo = g == sgParts ? cbPartGrain : cbStockGrain;
        if (combo->isVisible() && g->currentRow() >= 0) PlaceGrainCombo(*g, *combo, g->currentRow() + 1);
    };
    connect(grid.verticalScrollBar(), &QScrollBar::valueChanged, this, follow);
    connect(grid.horizontalScrollBar(), &QScrollBar::valueChanged, this, follow);
    connect(grid.horizontalHeader(), &QHeaderView::sectionResized, this, follow);
    restoring_cell_ = true;
    grid.setCurrentCell(0, 0);
    restoring_cell_ = false;
}

// ---- Grid cells ----

int Tf2D::RoundingDenominator() const { return fTechnicalSettings_->RoundingDenominator(); }

bool Tf2D::CellIsValid(const QTableWidget& grid, int column, int row) const
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

void Tf2D::RoundCell(QTableWidget& grid, int column, int row)
{
    if (column != 0 && column != 1) return;
    const QString text = CellText(grid, column, row).trimmed();
    if (text.isEmpty()) return;
    const wchar_t separator = LocaleDecimalSeparator();
    fractional_double value = grid_text_to_fraction(ToWide(text), separator);
    if (RoundsUp(grid))
        value.RoundUpTo(RoundingDenominator());
    else
        value.RoundDownTo(RoundingDenominator());
    SetCellText(grid, column, row, ToQString(value.FormatDisplay(separator)));
}

void Tf2D::RoundGrid(QTableWidget& grid)
{
    const wchar_t separator = LocaleDecimalSeparator();
    const int row_count = RowCount(grid);
    for (int r = 1; r < row_count; ++r)
        for (int c = 0; c < 2; ++c) {
            // A cell that is not a number is left for the validation to name.
            const QString text = CellText(grid, c, r).trimmed();
            if (!text.isEmpty() && grid_text_is_number(ToWide(text), separator)) RoundCell(grid, c, r);
        }
}

bool Tf2D::SelectCell(QTableWidget& grid, grid_cell& last, int column, int row)
{
    if (!CellIsValid(grid, last.column, last.row)) {
        Inform(this, Text(ui_text::InvalidNumber) + QStringLiteral(":") + CellText(grid, last.column, last.row));
        return false;
    }
    RoundCell(grid, last.column, last.row);
    QComboBox& combo = &grid == sgParts ? *cbPartGrain : *cbStockGrain;
    if (column == kGrainColumn && row > 0)
        PlaceGrainCombo(grid, combo, row);
    else
        combo.hide();
    last = grid_cell{column, row};
    return true;
}

bool Tf2D::sgPartsSelectCell(int column, int row) { return SelectCell(*sgParts, last_parts_cell_, column, row); }
bool Tf2D::sgStockSelectCell(int column, int row) { return SelectCell(*sgStock, last_stock_cell_, column, row); }

void Tf2D::OnCurrentCellChanged(QTableWidget& grid, int table_row, int column)
{
    if (restoring_cell_ || table_row < 0 || column < 0) return;
    const bool allowed = &grid == sgParts ? sgPartsSelectCell(column, table_row + 1)
                                          : sgStockSelectCell(column, table_row + 1);
    if (allowed) return;
    // The move has already happened in the table: put the cursor back on the refused cell.
    const grid_cell last = &grid == sgParts ? last_parts_cell_ : last_stock_cell_;
    restoring_cell_ = true;
    grid.setCurrentCell(last.row - 1, last.column);
    restoring_cell_ = false;
    // A mouse press selects the clicked cell after this signal; select the refused cell again.
    QPointer<QTableWidget> guarded(&grid);
    QTimer::singleShot(0, this, [this, guarded, last] {
        if (!guarded) return;
        restoring_cell_ = true;
        guarded->setCurrentCell(last.row - 1, last.column);
        restoring_cell_ = false;
    });
}

void Tf2D::ExitGrid(QTableWidget& grid, const grid_cell& last)
{
    if (!CellIsValid(grid, last.column, last.row)) {
        Inform(this, Text(ui_text::InvalidNumber) + QStringLiteral(":") + CellText(grid, last.column, last.row));
        SetCellText(grid, last.column, last.row, QString());
        return;
    }
    RoundCell(grid, last.column, last.row);
}

void Tf2D::sgPartsExit() { ExitGrid(*sgParts, last_parts_cell_); }
void Tf2D::sgStockExit() { ExitGrid(*sgStock, last_stock_cell_); }

void Tf2D::OnFocusChanged(QWidget* old_focus, QWidget* new_focus)
{
    // Leaving a grid means focus going to another control of this window, not to a dialog or nowhere.
    if (!new_focus || new_focus->window() != window()) return;
    if (Within(old_focus, sgParts) && !Within(new_focus, sgParts)) sgPartsExit();
    if (Within(old_focus, sgStock) && !Within(new_focus, sgStock)) sgStockExit();
}

void Tf2D::SetEditText(QTableWidget& grid, int column, int row, QLineEdit& editor)
{
    // The grain is chosen with the combo only.
    if (column == kGrainColumn) {
        editor.clear();
        SetCellText(grid, column, row, QString());
    }
    if (&grid == sgParts) parts_modified_ = true;
    ClearResults();
}

void Tf2D::sgPartsSetEditText(int column, int row, QLineEdit& editor) { SetEditText(*sgParts, column, row, editor); }
void Tf2D::sgStockSetEditText(int column, int row, QLineEdit& editor) { SetEditText(*sgStock, column, row, editor); }

void Tf2D::PlaceGrainCombo(QTableWidget& grid, QComboBox& combo, int row)
{
    const QRect cell = grid.visualRect(grid.model()->index(row - 1, kGrainColumn));
    combo.setGeometry(cell.left(), cell.top(), cell.width(), cell.height());
    combo.setCurrentIndex(combo.findText(CellText(grid, kGrainColumn, row), Qt::MatchExactly | Qt::MatchCaseSensitive));
    combo.show();
    combo.raise();
}

void Tf2D::GrainChosen(QTableWidget& grid, QComboBox& combo)
{
    if (grid.currentRow() >= 0 && grid.currentColumn() >= 0)
        SetCellText(grid, grid.currentColumn(), grid.currentRow() + 1, combo.currentText());
    if (&grid == sgParts) parts_modified_ = true;
    ClearResults();
}

void Tf2D::cbPartGrainChange()
{
    GrainChosen(*sgParts, *cbPartGrain);
    cbPartGrainExit();
}

void Tf2D::cbStockGrainChange()
{
    GrainChosen(*sgStock, *cbStockGrain);
    sgStock->setFocus();  // keyboard work goes on in the grid, as for the parts
}

void Tf2D::cbPartGrainExit() { sgParts->setFocus(); }

// ---- Results ----

void Tf2D::ClearResults()
{
    engine_->ResetResults();
    while (pcResults->count() > 0) {
        QWidget* page = pcResults->widget(0);
        pcResults->removeTab(0);
        delete page;
    }
}

// ---- Start ----

bool Tf2D::CheckGrid(QTableWidget& grid, bool round_up)
{
    const wchar_t separator = LocaleDecimalSeparator();
    const int denominator = RoundingDenominator();
    bool result = true;
    const int row_count = RowCount(grid);
    for (int r = 1; r < row_count; ++r) {
        for (int c = 0; c < kGridColumnCount; ++c) SetCellText(grid, c, r, CellText(grid, c, r).trimmed());
        if (CellText(grid, 0, r).isEmpty() || CellText(grid, 1, r).isEmpty()) {
            for (int c = 0; c < kGridColumnCount; ++c) SetCellText(grid, c, r, QString());
            continue;
        }
        for (int c = 0; c < 2; ++c) {
            const QString text = CellText(grid, c, r);
            fractional_double value;
            if (!value.ParseWide(ToWide(text), separator) || value.Value() <= fractional_double::kTolerance) {
                Inform(this, Text(ui_text::InvalidNumber) + QStringLiteral(":") + text);
                return false;
            }
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
        if (*quantity < 1) {
            Inform(this, Text(ui_text::InvalidNumber) + QStringLiteral(":") + quantity_text);
            result = false;
        }
    }
    return result;
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
    if (!CheckGrid(*sgParts, true) || !CheckGrid(*sgStock, false) || !CheckSettings()) return;
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

void Tf2D::StartRun()
{
    // The input is complete in the facade; until the run ends nothing on this thread touches it
    // (the commands that would are disabled and the redraws wait).
    SetRunning(true);
    last_posted_progress_ = run_progress{};
    callbacks_->set_progress_listener([this] {
        const run_progress now = engine_->last_progress;  // written on this same worker thread
        const run_progress& posted = last_posted_progress_;
        if (now.group_index == posted.group_index && now.group_count == posted.group_count
            && now.passes_done == posted.passes_done && now.passes_total == posted.passes_total)
            return;
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
    run_progress_label_->setText(progress.group_count > 1
                                     ? QStringLiteral("%1 / %2").arg(progress.group_index + 1).arg(progress.group_count)
                                     : QString());
}

void Tf2D::SetRunning(bool running)
{
    running_ = running;
    for (QWidget* control : std::initializer_list<QWidget*>{tbStart, tbClearParts, tbOpenParts, tbSaveParts,
                                                             tbSavePartsAs, tbClearStock, sgParts, sgStock, tbSettings,
                                                             tbSaveResults, tbPrintResults})
        control->setEnabled(!running);
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
    for (int32_t k = 0; k < engine_->solutions_2d.Count(); ++k) {
        AddResultTab();
        if (k == 0) CreateResultsView();
    }
    pcResults->setCurrentIndex(pcResults->count() > 0 ? 0 : -1);
    // The new pages get their sizes from pending layout requests; the first picture needs them.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    RedrawLayout();
    if (!outcome.error.isEmpty())
        Inform(this, outcome.error);
    else if (outcome.result.status == kRunNotAllPlaced)
        Inform(this, Text(ui_text::NotAllOptimized));
    else if (outcome.result.status == kRunNotScalable)
        // A material that was skipped must not look like a finished job.
        Inform(this, QStringLiteral("Some pieces were not optimized: their sizes are too large, or have too many "
                                    "decimal places, to be cut exactly."));
    emit RunFinished();
    if (close_requested_) close();
}

// ---- Results view ----

QScrollArea* Tf2D::ResultsScrollBox() const { return results_scroll_box_; }
QLabel* Tf2D::ResultsImage() const { return results_image_; }

void Tf2D::AddResultTab()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    const int index = pcResults->addTab(page, QString());
    pcResults->setTabText(index, Text(ui_text::Sheet) + QStringLiteral(" #") + QString::number(index + 1));
}

void Tf2D::CreateResultsView()
{
    QWidget* page = pcResults->currentWidget();
    if (!page) return;
    auto* box = new QScrollArea(page);
    box->setObjectName(QStringLiteral("ResultsScrollBox"));
    box->setWidgetResizable(false);
    box->setBackgroundRole(QPalette::Base);
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Window, Qt::white);
    box->setPalette(palette);
    box->setAutoFillBackground(true);
    auto* image = new QLabel;
    image->setObjectName(QStringLiteral("ResultsImage"));
    image->setCursor(Qt::CrossCursor);
    image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    box->setWidget(image);
    page->layout()->addWidget(box);
    // Window, splitter and tab resizing all reach the picture through its box.
    box->installEventFilter(this);
    results_scroll_box_ = box;
    results_image_ = image;
}

layout_display_flags Tf2D::DisplayFlags() const
{
    layout_display_flags flags;
    flags.show_part_sizes = cbShowPartSize->isChecked();
    flags.show_waste_sizes = cbShowWasteSize->isChecked();
    flags.show_part_labels = cbShowPartLabel->isChecked();
    return flags;
}

void Tf2D::pcResultsChange(int) { RedrawLayout(); }

void Tf2D::RedrawLayout()
{
    if (running_ || redrawing_ || !results_scroll_box_ || !results_image_) return;
    const int index = pcResults->currentIndex();
    const Solution2D* solution = engine_->solutions_2d.Get(index);
    QWidget* page = pcResults->widget(index);
    if (!solution || !page) return;
    redrawing_ = true;
    if (results_scroll_box_->parentWidget() != page) {
        page->layout()->addWidget(results_scroll_box_);
        results_scroll_box_->show();
    }
    // The box fills its page; a page that was not shown yet has not laid it out.
    results_scroll_box_->setGeometry(page->contentsRect());
    const QSize box = results_scroll_box_->maximumViewportSize();
    if (std::optional<QImage> picture =
            DrawLayoutPicture(*solution, box.width(), box.height(), pattern_, DisplayFlags(), drawing_font_)) {
        results_image_->setPixmap(QPixmap::fromImage(*picture));
        results_image_->resize(picture->size());
    }
    redrawing_ = false;
}

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

bool Tf2D::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == results_scroll_box_ && event->type() == QEvent::Resize) {
        QTimer::singleShot(0, this, &Tf2D::RedrawLayout);
    } else if (watched == pcResults->tabBar()) {
        if (event->type() == QEvent::MouseMove)
            pcResultsMouseMove(static_cast<QMouseEvent*>(event)->position().toPoint());
        else if (event->type() == QEvent::Leave)
            pcResultsMouseLeave();
    }
    return QMainWindow::eventFilter(watched, event);
}

void Tf2D::pcResultsMouseMove(const QPoint& position)
{
    QTabBar* bar = pcResults->tabBar();
    const int index = bar->tabAt(position);
    const Solution2D* solution = running_ ? nullptr : engine_->solutions_2d.Get(index);
    if (index < 0 || !solution) {
        QToolTip::hideText();
        return;
    }
    const QString hint = Text(ui_text::Quantity) + QStringLiteral("=") + QString::number(solution->repetitions);
    QToolTip::showText(bar->mapToGlobal(position), hint, bar, bar->tabRect(index));
}

void Tf2D::pcResultsMouseLeave() { QToolTip::hideText(); }

// ---- Pictures and printing ----

void Tf2D::tbSaveResultsClick()
{
    const int index = pcResults->currentIndex();
    if (running_ || pcResults->count() == 0 || index < 0 || index >= engine_->solutions_2d.Count() || !results_image_)
        return;
    file_prompt prompt;
    prompt.caption = Text(ui_text::SaveResults);
    prompt.file_name = Text(ui_text::Sheet) + QString::number(index + 1);
    prompt.filter = QStringLiteral("Bitmaps (*.bmp)");
    prompt.default_suffix = QStringLiteral("bmp");
    prompt.confirm_overwrite = true;
    const QString name = Prompts().save_file(this, prompt);
    if (name.isEmpty()) return;
    if (!SaveImageSafely(results_image_->pixmap().toImage(), name, "BMP"))
        Inform(this, QStringLiteral("The file could not be written:\n") + QDir::toNativeSeparators(name));
}

std::vector<const Solution2D*> Tf2D::LayoutsToPrint(QPrinter& printer) const
{
    const int solutions = engine_->solutions_2d.Count();
    const int tabs = pcResults->count();
    std::vector<const Solution2D*> layouts;
    auto add = [&](int number) {  // counted from 1
        if (number >= 1 && number <= solutions) layouts.push_back(engine_->solutions_2d.Get(number - 1));
    };
    switch (printer.printRange()) {
    case QPrinter::Selection:
        add(pcResults->currentIndex() + 1);
        break;
    case QPrinter::PageRange: {
        const int last = std::min(printer.toPage(), solutions);
        for (int i = std::max(printer.fromPage(), 1); i <= last; ++i) add(i);
        break;
    }
    default:
        for (int i = 1; i <= tabs; ++i) add(i);
        break;
    }
    return layouts;
}

void Tf2D::PrintLayouts(QPrinter& printer, const std::vector<const Solution2D*>& layouts)
{
    const layout_display_flags flags = DisplayFlags();
    // Separate jobs to one file would each replace the last: a file gets one page per layout instead.
    const bool to_file = !printer.outputFileName().isEmpty();
    QPainter painter;
    bool first = true;
    for (const Solution2D* solution : layouts) {
        printer.setDocName(QStringLiteral("Stavora - Results"));
        if (!to_file || first) {
            if (!painter.begin(&printer)) {
                Inform(this, QStringLiteral("The printer could not be started."));
                return;
            }
        } else {
            printer.newPage();
        }
        first = false;
        DrawLayoutOnPage(painter, *solution, painter.device()->width(), painter.device()->height(), flags,
                         drawing_font_);
        if (!to_file) painter.end();
    }
    if (painter.isActive()) painter.end();
}

void Tf2D::tbPrintResultsClick()
{
    const int tabs = pcResults->count();
    if (running_ || tabs == 0) return;
    const int solutions = engine_->solutions_2d.Count();
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("Stavora - Results"));
    QPrintDialog dialog(&printer, this);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, true);
    dialog.setMinMax(1, tabs);
    if (pcResults->currentIndex() < solutions) {
        printer.setPrintRange(QPrinter::PageRange);
        printer.setFromTo(1, solutions);
    } else {
        printer.setPrintRange(QPrinter::Selection);
        printer.setFromTo(1, tabs);
    }
    if (Prompts().run_modal(dialog) != QDialog::Accepted) return;
    PrintLayouts(printer, LayoutsToPrint(printer));
}

// ---- Commands ----

void Tf2D::Guarded(const std::function<void()>& command)
{
    try {
        command();
    } catch (const std::exception& error) {
        Inform(this, QString::fromStdString(error.what()));
    }
}

void Tf2D::OfferToSaveParts()
{
    if (parts_modified_ && Confirm(this, Text(ui_text::SaveParts))) SavePartsNow();
}

QString Tf2D::AskPartsSaveName()
{
    file_prompt prompt;
    prompt.directory = parts_dialog_directory_;
    prompt.file_name = sd_parts_file_name_;
    prompt.filter = QStringLiteral("xml (*.xml)");
    prompt.default_suffix = QStringLiteral("xml");
    QString name = Prompts().save_file(this, prompt);
    if (!name.isEmpty() && QFileInfo(name).suffix().isEmpty()) name += QStringLiteral(".xml");
    return name;
}

void Tf2D::WritePartsFile(const QString& file_name)
{
    const QString extension = QFileInfo(file_name).suffix().toLower();
    bool written = false;
    if (extension == QLatin1String("csv"))
        written = engine_->SavePartListCsv(ToPath(file_name), LocaleListSeparator(), callbacks_->GatherParts());
    else if (extension == QLatin1String("xml"))
        written = engine_->SavePartListXml(ToPath(file_name), callbacks_->GatherParts());
    else
        return;  // no list format: nothing written, the parts stay modified
    if (!written) ThrowFileError("The file could not be written:", file_name);
    parts_modified_ = false;
}

void Tf2D::SavePartsNow()
{
    if (sd_parts_file_name_.isEmpty()) {
        const QString name = AskPartsSaveName();
        if (name.isEmpty()) return;
        sd_parts_file_name_ = name;
    }
    WritePartsFile(sd_parts_file_name_);
    sd_parts_file_name_.clear();
}

void Tf2D::tbSavePartsClick()
{
    Guarded([this] { SavePartsNow(); });
}

void Tf2D::tbSavePartsAsClick()
{
    Guarded([this] {
        const QString name = AskPartsSaveName();
        if (name.isEmpty()) return;
        sd_parts_file_name_ = name;
        WritePartsFile(name);
    });
}

void Tf2D::tbClearPartsClick()
{
    Guarded([this] {
        OfferToSaveParts();
        callbacks_->clear_parts_grid();
        parts_modified_ = false;
        sd_parts_file_name_.clear();
        ClearResults();
    });
}

void Tf2D::tbOpenPartsClick()
{
    Guarded([this] {
        OfferToSaveParts();
        file_prompt prompt;
        prompt.directory = parts_dialog_directory_;
        prompt.file_name = od_parts_file_name_;
        prompt.filter = QStringLiteral("xml (*.xml);;comma separated (*.csv)");
        prompt.default_suffix = QStringLiteral("xml");
        const QString name = Prompts().open_file(this, prompt);
        if (name.isEmpty()) return;
        od_parts_file_name_ = name;

        const QString extension = QFileInfo(name).suffix().toLower();
        bool read = true;
        if (extension == QLatin1String("csv"))
            read = engine_->OpenPartListCsv(ToPath(name), LocaleListSeparator(), callbacks_->ClearPartsGrid(),
                                            callbacks_->ShowParts());
        else if (extension == QLatin1String("xml"))
            read = engine_->OpenPartListXml(ToPath(name), callbacks_->ClearPartsGrid(), callbacks_->ShowParts());
        EnsureRowCount(*sgParts, kGridRowCount);
        ClearResults();
        // A Save must not overwrite a file that could not be read with other parts.
        if (!read) ThrowFileError("The file could not be read:", name);
        sd_parts_file_name_ = name;
        parts_modified_ = false;
    });
}

void Tf2D::tbClearStockClick()
{
    if (!Confirm(this, Text(ui_text::DeleteData))) return;
    callbacks_->clear_stock_grid();
    ClearResults();
}

void Tf2D::tbSettingsClick()
{
    fTechnicalSettings_->eLatimeMinimaUtilizabila->hide();
    fTechnicalSettings_->lLatimeUtilizabila->hide();
    if (Prompts().run_modal(*fTechnicalSettings_) != QDialog::Accepted) return;
    ClearResults();
    RoundGrid(*sgParts);
    RoundGrid(*sgStock);
}

void Tf2D::tbHelpClick() { Prompts().open_url(QUrl(QString::fromLatin1(kMakerWebPage))); }

void Tf2D::tbAboutClick() { Prompts().run_modal(*fAbout_); }

void Tf2D::cbLanguageChange()
{
    LoadLanguage(ToWide(cbLanguage->currentText()));
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
    tbStart->setText(QStringLiteral("Start"));
    tbSaveResults->setText(Text(ui_text::SaveResults));
    tbPrintResults->setText(Text(ui_text::Print));
    tbHelp->setText(Text(ui_text::Help));
    tbAbout->setText(Text(ui_text::About));
    tbSettings->setText(Text(ui_text::Settings));
    lStock->setText(Text(ui_text::Stock));
    tbClearStock->setText(Text(ui_text::ClearStock));

    fTechnicalSettings_->leCutterThicknessLabel->setText(Text(ui_text::CuttingThickness));
    fTechnicalSettings_->leMinimalBreakSizeLabel->setText(Text(ui_text::MinimalRuptureSize));
    fTechnicalSettings_->lRoundAllFractionsTo->setText(Text(ui_text::RoundFractionsTo));
    fTechnicalSettings_->lLungimeMaximaTaietura->setText(Text(ui_text::MaximalCutLength));
    fTechnicalSettings_->setWindowTitle(Text(ui_text::Settings));

    cbShowPartSize->setText(Text(ui_text::ShowPartSize));
    cbShowWasteSize->setText(Text(ui_text::ShowWasteSize));
    cbShowPartLabel->setText(Text(ui_text::ShowPartLabel));

    for (int k = 0; k < pcResults->count(); ++k)
        pcResults->setTabText(k, Text(ui_text::Sheet) + QStringLiteral(" #") + QString::number(k + 1));

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
    ApplyTexts();
    WidenCheckBoxes();

    if (first_start_marker == -1)
        engine_->LoadExample(callbacks_->ShowParts(), callbacks_->ShowStock());
    else
        ReadStockAtStart();

    parts_dialog_directory_ = QDir::currentPath();
    EnsureRowCount(*sgParts, kGridRowCount);
    EnsureRowCount(*sgStock, kGridRowCount);

    recovery_ = new TPartsRecovery(this, environment_.data_directory, sgParts->model(),
        {[this] { return parts_modified_; },
         [this](const QString& file) { return engine_->SavePartListXml(ToPath(file), callbacks_->GatherParts()); },
         [this](const QString& file) {
             parts_modified_ =
                 engine_->OpenPartListXml(ToPath(file), callbacks_->ClearPartsGrid(), callbacks_->ShowParts());
             EnsureRowCount(*sgParts, kGridRowCount);
             return parts_modified_;
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
            ThrowFileError("The file could not be written:", file_name);
    });
    Guarded([this] { OfferToSaveParts(); });
    if (recovery_) recovery_->Discard();

    parameters_as_number_2d parameters;
    CollectParameters(*fTechnicalSettings_, parameters);
    interface_layout layout;
    CollectLayout(*this, layout);
    if (std::unique_ptr<QSettings> store = environment_.open_settings())
        SaveSettings(*store, registry_key_, parameters, layout, cbLanguage->currentIndex(), version_text_,
                     drawing_font_);
}

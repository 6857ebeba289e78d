#include "app/results_view.h"

#include <algorithm>

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPdfWriter>
#include <QPixmap>
#include <QPrintDialog>
#include <QPrinter>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "app/locale_stv.h"
#include "app/run_summary.h"
#include "app/safe_save_qt.h"
#include "app/ui_prompts.h"
#include "i18n/summary_texts.h"
#include "i18n/ui_texts.h"
#include "i18n/window_texts.h"

namespace {

QString Text(ui_text entry) { return ToQString(UiText(entry)); }
QString Text(window_text entry) { return ToQString(WindowText(entry)); }
QString Text(summary_text entry) { return ToQString(SummaryText(entry)); }

const QString kResultsTitle = QStringLiteral("Stavora - Results");
constexpr double kSavedPdfMarginMm = 10.0;
constexpr int kSavedPdfResolution = 300;

// Portrait for a sheet taller than long and for the summary.
QPageLayout::Orientation PageOrientation(const Solution2D* page)
{
    const bool tall = !page || page->sheet_width.Value() > page->sheet_length.Value();
    return tall ? QPageLayout::Portrait : QPageLayout::Landscape;
}

constexpr double kMinimalZoom = 0.25;
constexpr double kMaximalZoom = 16.0;

}  // namespace

results_view::results_view(QTabWidget& tabs, const stavora_2d& engine, std::function<layout_display_flags()> flags,
                           const QFont& font, QWidget& dialog_parent)
    : QObject(&tabs), tabs_(tabs), engine_(engine), flags_(std::move(flags)), font_(font),
      dialog_parent_(dialog_parent), pattern_(MakeHatchPattern())
{
    tabs_.tabBar()->setMouseTracking(true);
    tabs_.tabBar()->installEventFilter(this);
}

void results_view::RemoveTabs()
{
    while (tabs_.count() > 0) {
        QWidget* page = tabs_.widget(0);
        tabs_.removeTab(0);
        delete page;
    }
    zoom_ = 1.0;
}

int results_view::FirstSheetTab() const
{
    return summary_ && tabs_.indexOf(summary_) == 0 ? 1 : 0;
}

bool results_view::SummaryShown() const { return summary_ && tabs_.currentWidget() == summary_; }

const Solution2D* results_view::SolutionOfTab(int index) const
{
    const int layout = index - FirstSheetTab();
    if (index < 0 || index >= tabs_.count() || layout < 0) return nullptr;
    return engine_.solutions_2d.Get(layout);
}

void results_view::ShowLayouts()
{
    if (engine_.solutions_2d.Count() > 0) AddSummaryTab();
    for (int32_t k = 0; k < engine_.solutions_2d.Count(); ++k) {
        AddResultTab();
        if (k == 0) {
            tabs_.setCurrentIndex(FirstSheetTab());
            CreateResultsView();
        }
    }
    tabs_.setCurrentIndex(tabs_.count() > 0 ? FirstSheetTab() : -1);
    // The new pages get their sizes from pending layout requests; the first picture needs them.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    Redraw();
}

QString results_view::SummaryDocument() const { return SummaryHtml(SummarizeRun(engine_)); }

void results_view::AddSummaryTab()
{
    auto* page = new QTextBrowser;
    page->setObjectName(QStringLiteral("ResultsSummary"));
    page->setOpenLinks(false);
    page->setHtml(SummaryDocument());
    tabs_.insertTab(0, page, Text(summary_text::Summary));
    summary_ = page;
}

void results_view::AddResultTab()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    const int index = tabs_.addTab(page, QString());
    tabs_.setTabText(index, ToQString(SheetTabCaption(index - FirstSheetTab())));
}

void results_view::RetitleTabs()
{
    const int first = FirstSheetTab();
    if (first > 0) {
        tabs_.setTabText(0, Text(summary_text::Summary));
        if (!blocked_) summary_->setHtml(SummaryDocument());
    }
    for (int k = first; k < tabs_.count(); ++k) tabs_.setTabText(k, ToQString(SheetTabCaption(k - first)));
}

void results_view::CreateResultsView()
{
    QWidget* page = tabs_.currentWidget();
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
    box->setToolTip(Text(window_text::ZoomHint));
    auto* image = new QLabel;
    image->setObjectName(QStringLiteral("ResultsImage"));
    image->setCursor(Qt::CrossCursor);
    image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    box->setWidget(image);
    page->layout()->addWidget(box);
    // Window, splitter and tab resizing all reach the picture through its box.
    box->installEventFilter(this);
    box->viewport()->installEventFilter(this);
    scroll_box_ = box;
    image_ = image;
}

void results_view::Redraw()
{
    if (blocked_ || redrawing_ || !scroll_box_ || !image_) return;
    const int index = tabs_.currentIndex();
    const Solution2D* solution = SolutionOfTab(index);
    QWidget* page = tabs_.widget(index);
    if (!solution || !page) return;
    redrawing_ = true;
    if (scroll_box_->parentWidget() != page) {
        page->layout()->addWidget(scroll_box_);
        scroll_box_->show();
    }
    // The box fills its page; a page that was not shown yet has not laid it out.
    scroll_box_->setGeometry(page->contentsRect());
    const QSize box = scroll_box_->maximumViewportSize();
    const int width = static_cast<int>(box.width() * zoom_);
    const int height = static_cast<int>(box.height() * zoom_);
    if (std::optional<QImage> picture = DrawLayoutPicture(*solution, width, height, pattern_, flags_(), font_)) {
        image_->setPixmap(QPixmap::fromImage(*picture));
        image_->resize(picture->size());
    }
    redrawing_ = false;
}

void results_view::ZoomIn()
{
    if (SummaryShown())
        summary_->zoomIn(1);
    else
        SetZoom(zoom_ * 1.25);
}

void results_view::ZoomOut()
{
    if (SummaryShown())
        summary_->zoomOut(1);
    else
        SetZoom(zoom_ / 1.25);
}

void results_view::FitToWindow()
{
    if (SummaryShown())
        summary_->setFont(QFont());  // back to the inherited size
    else
        SetZoom(1.0);
}

void results_view::SetZoom(double zoom)
{
    zoom = std::clamp(zoom, kMinimalZoom, kMaximalZoom);
    if (zoom == zoom_) return;
    // The point in the middle of the view stays in the middle.
    double x_share = 0.5, y_share = 0.5;
    if (scroll_box_ && image_ && image_->width() > 0 && image_->height() > 0) {
        const QSize view = scroll_box_->viewport()->size();
        x_share = (scroll_box_->horizontalScrollBar()->value() + view.width() / 2.0) / image_->width();
        y_share = (scroll_box_->verticalScrollBar()->value() + view.height() / 2.0) / image_->height();
    }
    zoom_ = zoom;
    Redraw();
    if (scroll_box_ && image_) {
        const QSize view = scroll_box_->viewport()->size();
        scroll_box_->horizontalScrollBar()->setValue(static_cast<int>(x_share * image_->width() - view.width() / 2.0));
        scroll_box_->verticalScrollBar()->setValue(static_cast<int>(y_share * image_->height() - view.height() / 2.0));
    }
}

bool results_view::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == scroll_box_ && event->type() == QEvent::Resize) {
        QTimer::singleShot(0, this, &results_view::Redraw);
    } else if (scroll_box_ && watched == scroll_box_->viewport()) {
        switch (event->type()) {
        case QEvent::Wheel: {
            auto* wheel = static_cast<QWheelEvent*>(event);
            if (!(wheel->modifiers() & Qt::ControlModifier)) break;
            if (wheel->angleDelta().y() > 0) ZoomIn();
            if (wheel->angleDelta().y() < 0) ZoomOut();
            return true;
        }
        case QEvent::MouseButtonPress: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() != Qt::LeftButton && mouse->button() != Qt::MiddleButton) break;
            dragging_ = true;
            drag_from_ = mouse->globalPosition().toPoint();
            break;
        }
        case QEvent::MouseMove:
            if (dragging_) {
                const QPoint now = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
                const QPoint moved = now - drag_from_;
                drag_from_ = now;
                scroll_box_->horizontalScrollBar()->setValue(scroll_box_->horizontalScrollBar()->value() - moved.x());
                scroll_box_->verticalScrollBar()->setValue(scroll_box_->verticalScrollBar()->value() - moved.y());
            }
            break;
        case QEvent::MouseButtonRelease:
            dragging_ = false;
            break;
        default:
            break;
        }
    } else if (watched == tabs_.tabBar()) {
        if (event->type() == QEvent::MouseMove)
            ShowTabHint(static_cast<QMouseEvent*>(event)->position().toPoint());
        else if (event->type() == QEvent::Leave)
            HideTabHint();
    }
    return QObject::eventFilter(watched, event);
}

void results_view::ShowTabHint(const QPoint& position)
{
    QTabBar* bar = tabs_.tabBar();
    const int index = bar->tabAt(position);
    const Solution2D* solution = blocked_ ? nullptr : SolutionOfTab(index);
    if (index < 0 || !solution) {
        QToolTip::hideText();
        return;
    }
    const QString hint = Text(ui_text::Quantity) + QStringLiteral("=") + QString::number(solution->repetitions);
    QToolTip::showText(bar->mapToGlobal(position), hint, bar, bar->tabRect(index));
}

void results_view::HideTabHint() { QToolTip::hideText(); }

// ---- Pictures and printing ----

void results_view::TellNotWritten(const QString& file) const
{
    Inform(&dialog_parent_, Text(window_text::FileNotWritten) + QStringLiteral("\n") + QDir::toNativeSeparators(file));
}

void results_view::SavePicture()
{
    if (blocked_) return;
    const QString pdf = QStringLiteral("PDF (*.pdf)");
    file_prompt prompt;
    prompt.caption = Text(ui_text::SaveResults);
    prompt.confirm_overwrite = true;
    if (SummaryShown()) {
        // The whole result: the summary, then every layout.
        prompt.file_name = Text(summary_text::Summary);
        prompt.filter = pdf;
        prompt.default_suffix = QStringLiteral("pdf");
        const QString name = Prompts().save_file(&dialog_parent_, prompt);
        if (name.isEmpty()) return;
        std::vector<const Solution2D*> pages{nullptr};
        for (int32_t k = 0; k < engine_.solutions_2d.Count(); ++k) pages.push_back(engine_.solutions_2d.Get(k));
        const QPageLayout a4(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                             QMarginsF(kSavedPdfMarginMm, kSavedPdfMarginMm, kSavedPdfMarginMm, kSavedPdfMarginMm),
                             QPageLayout::Millimeter);
        const std::optional<QByteArray> bytes = PagesPdf(pages, a4, kSavedPdfResolution);
        if (!bytes || !SaveBytesSafely(name, *bytes))
            TellNotWritten(name);
        return;
    }
    const int index = tabs_.currentIndex();
    const Solution2D* solution = SolutionOfTab(index);
    if (!solution || !image_) return;
    const QString png = QStringLiteral("PNG (*.png)");
    QString chosen_filter;
    prompt.file_name = Text(ui_text::Sheet) + QString::number(index - FirstSheetTab() + 1);
    prompt.filter = QStringLiteral("Bitmaps (*.bmp);;") + png + QStringLiteral(";;") + pdf;
    prompt.default_suffix = QStringLiteral("bmp");
    prompt.selected_filter = &chosen_filter;
    const QString name = Prompts().save_file(&dialog_parent_, prompt);
    if (name.isEmpty()) return;
    bool written = false;
    if (chosen_filter == pdf) {
        TOwningList<Solution2D> shown;
        shown.Add(std::make_unique<Solution2D>(*solution));
        written = WriteLayoutsPdf(name, shown, flags_(), font_);
    } else {
        written = SaveImageSafely(image_->pixmap().toImage(), name, chosen_filter == png ? "PNG" : "BMP");
    }
    if (!written) TellNotWritten(name);
}

std::vector<const Solution2D*> results_view::LayoutsToPrint(QPrinter& printer) const
{
    const int solutions = engine_.solutions_2d.Count();
    std::vector<const Solution2D*> layouts;
    auto add = [&](int number) {  // counted from 1, as the tabs
        if (number >= 1 && number <= solutions) layouts.push_back(engine_.solutions_2d.Get(number - 1));
    };
    switch (printer.printRange()) {
    case QPrinter::Selection:
        if (SummaryShown())
            layouts.push_back(nullptr);
        else
            add(tabs_.currentIndex() - FirstSheetTab() + 1);
        break;
    case QPrinter::PageRange: {
        const int last = std::min(printer.toPage(), solutions);
        for (int i = std::max(printer.fromPage(), 1); i <= last; ++i) add(i);
        break;
    }
    default:
        if (FirstSheetTab() > 0) layouts.push_back(nullptr);
        for (int i = 1; i <= solutions; ++i) add(i);
        break;
    }
    return layouts;
}

bool results_view::DrawPage(QPainter& painter, const Solution2D* page, int width, int height,
                            const std::function<bool()>& next_page) const
{
    if (page) {
        DrawLayoutOnPage(painter, *page, width, height, flags_(), font_);
        return true;
    }
    painter.setFont(QApplication::font());
    return DrawSummaryPages(painter, QRect(0, 0, width, height), SummaryDocument(), next_page);
}

std::optional<QByteArray> results_view::PagesPdf(const std::vector<const Solution2D*>& pages, QPageLayout page,
                                                 int resolution) const
{
    if (pages.empty()) return std::nullopt;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly)) return std::nullopt;
    QPdfWriter writer(&buffer);
    writer.setResolution(resolution);
    writer.setTitle(kResultsTitle);
    writer.setCreator(QStringLiteral("Stavora"));
    page.setOrientation(PageOrientation(pages.front()));
    writer.setPageLayout(page);
    QPainter painter;
    if (!painter.begin(&writer)) return std::nullopt;
    bool first = true;
    for (const Solution2D* each : pages) {
        if (!first) {
            page.setOrientation(PageOrientation(each));
            writer.setPageLayout(page);
            if (!writer.newPage()) return std::nullopt;
        }
        first = false;
        if (!DrawPage(painter, each, writer.width(), writer.height(), [&writer] { return writer.newPage(); }))
            return std::nullopt;
    }
    if (!painter.end()) return std::nullopt;
    buffer.close();
    return bytes;
}

void results_view::PrintLayouts(QPrinter& printer, const std::vector<const Solution2D*>& layouts)
{
    if (layouts.empty()) return;
    const QString file = printer.outputFileName();
    if (!file.isEmpty()) {
        // A file gets one document, replaced only when complete, like every file we write.
        const std::optional<QByteArray> bytes = PagesPdf(layouts, printer.pageLayout(), printer.resolution());
        if (!bytes || !SaveBytesSafely(file, *bytes))
            TellNotWritten(file);
        return;
    }
    // One printer job per page.
    for (const Solution2D* page : layouts) {
        printer.setDocName(kResultsTitle);
        printer.setPageOrientation(PageOrientation(page));
        QPainter painter;
        if (!painter.begin(&printer)) {
            Inform(&dialog_parent_, Text(window_text::PrinterNotStarted));
            return;
        }
        DrawPage(painter, page, painter.device()->width(), painter.device()->height(),
                 [&printer] { return printer.newPage(); });
        painter.end();
    }
}

void results_view::Print()
{
    const int tabs = tabs_.count();
    if (blocked_ || tabs == 0) return;
    const int solutions = engine_.solutions_2d.Count();
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(kResultsTitle);
    QPrintDialog dialog(&printer, &dialog_parent_);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, true);
    // Page numbers are the sheets' tab numbers.
    dialog.setMinMax(1, std::max(solutions, 1));
    if (SummaryShown()) {
        printer.setPrintRange(QPrinter::AllPages);
    } else if (solutions > 0) {
        printer.setPrintRange(QPrinter::PageRange);
        printer.setFromTo(1, solutions);
    } else {
        printer.setPrintRange(QPrinter::Selection);
    }
    if (Prompts().run_modal(dialog) != QDialog::Accepted) return;
    PrintLayouts(printer, LayoutsToPrint(printer));
}

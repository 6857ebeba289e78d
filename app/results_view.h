#pragma once
// The results tabs: a summary page, then one page per sheet layout; the zoomable picture of the shown
// layout, saving and printing.
#include <functional>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QPageLayout>

#include <QFont>
#include <QImage>
#include <QLabel>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QScrollArea>
#include <QTextBrowser>

#include "engine/stavora_2d.h"
#include "render/draw_layout.h"

class QPainter;
class QPrinter;
class QTabWidget;

class QWidget;

class results_view : public QObject {
    Q_OBJECT
public:
    // `flags` and `font` are read at every drawing; `dialog_parent` owns the messages and dialogs.
    results_view(QTabWidget& tabs, const stavora_2d& engine, std::function<layout_display_flags()> flags,
                 const QFont& font, QWidget& dialog_parent);

    QScrollArea* ScrollBox() const { return scroll_box_; }
    QLabel* Image() const { return image_; }
    QTextBrowser* Summary() const { return summary_; }

    // Frees every tab (the facade's results are the caller's).
    void RemoveTabs();
    // The summary tab, then one tab per layout of the facade; the first layout is shown.
    void ShowLayouts();
    void AddSummaryTab();
    void AddResultTab();
    void CreateResultsView();
    // Captions (and the summary) in the loaded language.
    void RetitleTabs();
    // The solution shown by tab `index`, or none (the summary, or no such tab). Every mapping of
    // tabs to layouts goes through here and FirstSheetTab.
    const Solution2D* SolutionOfTab(int index) const;
    // The tab of layout 0: 1 after the summary, 0 while there is none.
    int FirstSheetTab() const;
    bool SummaryShown() const;

    // While a run writes into the facade nothing is drawn.
    void SetBlocked(bool blocked) { blocked_ = blocked; }
    void Redraw();
    // Zoom factor of the picture relative to fitting the view; 1 fits.
    double Zoom() const { return zoom_; }
    void SetZoom(double zoom);
    // On the summary tab these zoom its text instead.
    void ZoomIn();
    void ZoomOut();
    void FitToWindow();

    void ShowTabHint(const QPoint& position);
    void HideTabHint();

    // Save Results: the shown layout as PNG, BMP or PDF by the chosen filter; on the summary tab a PDF
    // of the summary and every layout. Print: the chosen pages.
    void SavePicture();
    void Print();
    // Pages to print; a null entry is the summary (one page or more). All pages: the summary, then every layout;
    // a page range: the layouts numbered as their tabs; the selection: the shown tab.
    std::vector<const Solution2D*> LayoutsToPrint(QPrinter& printer) const;
    void PrintLayouts(QPrinter& printer, const std::vector<const Solution2D*>& layouts);
    // The pages as one PDF document, each turned to its sheet's shape; nothing when drawing fails.
    std::optional<QByteArray> PagesPdf(const std::vector<const Solution2D*>& pages, QPageLayout page,
                                       int resolution) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // A layout's page, or the summary's pages (null `page`); false when a new page could not be started.
    bool DrawPage(QPainter& painter, const Solution2D* page, int width, int height,
                  const std::function<bool()>& next_page) const;
    QString SummaryDocument() const;
    void TellNotWritten(const QString& file) const;

    QTabWidget& tabs_;
    const stavora_2d& engine_;
    std::function<layout_display_flags()> flags_;
    const QFont& font_;
    QWidget& dialog_parent_;
    QImage pattern_;
    QPointer<QScrollArea> scroll_box_;
    QPointer<QLabel> image_;
    QPointer<QTextBrowser> summary_;
    bool blocked_ = false;
    bool redrawing_ = false;
    double zoom_ = 1.0;
    bool dragging_ = false;
    QPoint drag_from_;
};

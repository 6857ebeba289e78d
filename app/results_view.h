#pragma once
// The results tabs: one page per sheet layout, the zoomable picture of the shown one, saving and printing.
#include <functional>
#include <vector>

#include <QFont>
#include <QImage>
#include <QLabel>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QScrollArea>

#include "engine/stavora_2d.h"
#include "render/draw_layout.h"

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

    // Frees every tab (the facade's results are the caller's).
    void RemoveTabs();
    // One tab per layout of the facade, the first one shown.
    void ShowLayouts();
    void AddResultTab();
    void CreateResultsView();
    void RetitleTabs();
    // The solution shown by tab `index`, or none.
    const Solution2D* SolutionOfTab(int index) const;

    // While a run writes into the facade nothing is drawn.
    void SetBlocked(bool blocked) { blocked_ = blocked; }
    void Redraw();
    // Zoom factor of the picture relative to fitting the view; 1 fits.
    double Zoom() const { return zoom_; }
    void SetZoom(double zoom);
    void ZoomIn() { SetZoom(zoom_ * 1.25); }
    void ZoomOut() { SetZoom(zoom_ / 1.25); }
    void FitToWindow() { SetZoom(1.0); }

    void ShowTabHint(const QPoint& position);
    void HideTabHint();

    // Save Results: PNG, BMP or PDF by the chosen filter; Print: the chosen pages.
    void SavePicture();
    void Print();
    std::vector<const Solution2D*> LayoutsToPrint(QPrinter& printer) const;
    void PrintLayouts(QPrinter& printer, const std::vector<const Solution2D*>& layouts);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTabWidget& tabs_;
    const stavora_2d& engine_;
    std::function<layout_display_flags()> flags_;
    const QFont& font_;
    QWidget& dialog_parent_;
    QImage pattern_;
    QPointer<QScrollArea> scroll_box_;
    QPointer<QLabel> image_;
    bool blocked_ = false;
    bool redrawing_ = false;
    double zoom_ = 1.0;
    bool dragging_ = false;
    QPoint drag_from_;
};

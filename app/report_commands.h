#pragma once
// The window's saw documents: the "Show cut numbers" box, the report and label commands of Save
// Results, and the cut totals in the status bar.
#include <QObject>
#include <QString>

#include "render/draw_layout.h"

class QAction;
class QCheckBox;
class QLabel;
class QMenu;
class Tf2D;

class report_commands : public QObject {
    Q_OBJECT
public:
    // Adds its controls to the window's option bar, Save Results button and status bar.
    explicit report_commands(Tf2D& window);

    QCheckBox* cbShowCutNumbers = nullptr;
    QMenu* pmSaveResults = nullptr;
    QAction* miSavePicture = nullptr;
    QAction* miReportPdf = nullptr;
    QAction* miLabelsA4 = nullptr;
    QAction* miLabelsLetter = nullptr;
    QLabel* lCutTotals = nullptr;

    // The cut numbers and the saw order they follow.
    void AddFlags(layout_display_flags& flags) const;
    void ApplyTexts();
    // The totals of the last run; empty without results.
    void ShowCutTotals();

    void miReportPdfClick();
    void miLabelsClick(bool letter);

private:
    bool HasResults() const;
    Tf2D& window_;
};

#pragma once
// Part labels for the bench: one per piece cut, in cutting order, on standard label sheets.
#include <vector>

#include <QImage>
#include <QPainter>
#include <QString>

#include "engine/stavora_2d.h"

enum class label_sheet { a4_3x8, letter_3x10 };

struct part_label {
    QString label;     // the part's label
    QString size;      // length x width of the part, in the job's form
    QString material;
    QString where;     // sheet and piece number
    int grain = 0;     // the part's grain: 0 none, 1 along its length, 2 along its width
    QString qr_text;   // what the QR code holds: the lines above
};

// Every piece of the last run, sheet by sheet (repetitions included), each sheet in saw order.
std::vector<part_label> MakePartLabels(const stavora_2d& facade);

int LabelsPerSheet(label_sheet sheet);
int LabelSheetCount(label_sheet sheet, size_t labels);

// One label drawn in `box` (device pixels; `dots_per_mm` for the QR module size).
void PaintPartLabel(QPainter& painter, const QRectF& box, const part_label& label, double dots_per_mm);
// Page `page` of the labels (from 0) on a white image of the sheet's paper at `dpi`.
QImage RenderLabelPage(const std::vector<part_label>& labels, label_sheet sheet, int page, int dpi);

// The labels as PDF, false when the file cannot be written.
bool WritePartLabelsPdf(const QString& file_name, const std::vector<part_label>& labels, label_sheet sheet);

#pragma once
// The summary of a run, shown before the sheets: stock used per material and stock record, and the parts left out.
#include <cstdint>
#include <functional>
#include <vector>

#include <QRect>
#include <QString>

#include "app/unplaced_parts.h"
#include "model/Ufractions_double.h"

class QPainter;
class stavora_2d;

struct summary_stock_row {
    QString material;
    QString label;  // of the stock record
    QString size;   // "2800 × 2070"
    int64_t sheets = 0;
    fractional_double sheet_area, used_area, waste_area, cut_length;
};

struct run_summary {
    std::vector<summary_stock_row> stock;  // materials in the order of their first layout
    std::vector<unplaced_part> unplaced;
};

run_summary SummarizeRun(const stavora_2d& engine);
// The summary as a rich-text document in the loaded language, for the page on screen and on paper.
QString SummaryHtml(const run_summary& summary);
// Draws the document in `area` of as many pages as it needs; `next_page` starts the next one (false stops).
bool DrawSummaryPages(QPainter& painter, const QRect& area, const QString& html,
                      const std::function<bool()>& next_page);

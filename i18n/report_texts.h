#pragma once
// Texts of the saw documents (cutting sequence, job report, part labels) in every language.
#include <string_view>

#include "i18n/ui_texts.h"

// %1, %2, %3 in a text stand for numbers the caller fills in.
enum class report_text : int {
    JobReport,
    PartsFile,
    Date,
    OptimizationLevel,
    Material,
    StockUsed,
    Sheets,
    Area,
    Cost,
    Utilization,
    Cuts,
    CutLength,
    PartsNotPlaced,
    None,
    SheetOf,
    SheetsOf,
    Size,
    Turned,
    Pieces,
    CuttingSequence,
    Number,
    Stage,
    Trim,
    Rip,
    CrossCut,
    Direction,
    Position,
    Length,
    Width,
    Frees,
    Offcut,
    OffcutsToKeep,
    Count,
    PageOf,
    Total,
    SheetPiece,
    Grain,
    ShowCutNumbers,
    ReportPdf,
    PartLabelsPdf,
    CutTotals,
    Yes,
    LabelSheet,
    Count_
};

// The text in the language loaded last.
std::wstring_view ReportText(report_text entry);
// All languages of one text.
const text_row& ReportTextRow(report_text entry);

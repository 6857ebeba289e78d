#pragma once
// Texts of the main window's editing, keyboard, run and results commands, in every listed language.
#include <string_view>

enum class window_text : int {
    Stop,
    ProgressMaterial,  // "Material %1: pass %2 of %3"
    ProgressPasses,    // "Pass %1 of %2"
    CellNotNumber,     // "%1, row %2, %3: '%4' is not a valid number"
    CellNotQuantity,   // "%1, row %2, %3: '%4' is not a whole number of at least 1"
    SavedAsXml,
    FileNotWritten,
    FileNotRead,
    PrinterNotStarted,
    Undo,
    Redo,
    Copy,
    Paste,
    ClearCells,
    InsertRow,
    DeleteRow,
    ZoomIn,
    ZoomOut,
    FitToWindow,
    ZoomHint,
    UnitsNote,
    Untitled,
    NotPlacedLine,    // "%1, row %2 (%3): %4"
    ReasonTooLarge,
    ReasonGrain,
    ReasonNoStock,    // "no stock of material '%1'"
    ReasonNotEnough,
    Count_
};

// The text in the language loaded last (English where a translation is missing).
std::wstring_view WindowText(window_text entry);

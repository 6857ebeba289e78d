#pragma once
// Opening a parts list file from the window, and the message that says why one was not opened.
#include <vector>

#include <QString>

#include "engine/stavora_2d.h"
#include "model/list_files.h"

struct list_open_outcome {
    bool read = true;   // false: the file could not be read at all (missing, not a list)
    QString refusal;    // not empty: the file was read but not loaded; the message for the user
};

// Opens a parts list by its extension (".csv" with `list_separator`, ".xml"); another extension
// reads nothing. A list that does not read completely is not loaded and the grid stays.
list_open_outcome OpenPartsListFile(stavora_2d& engine, const QString& file_name, wchar_t list_separator,
                                    const clear_grid_fn& clear_parts_grid, const show_parts_fn& show_parts);

// Names the file and, for each text that did not read (the first few), its CSV line or XML row,
// its field (as the grid heads its column, for CSV) and the text.
QString ListFileIssueMessage(const QString& file_name, const std::vector<list_file_issue>& issues, bool csv);

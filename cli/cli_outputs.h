#pragma once
// Where the tool's results go: never over an input file, and each file whole or not at all.
#include <string>
#include <string_view>

#include "cli/cli_options.h"

// Refuses, before anything runs, an output that is one of the input files (or would put a picture
// over one), two outputs on one file, and targets that cannot be written (folders, devices,
// read-only files, missing folders). `error` names the file and the reason.
bool CheckOutputPaths(const cli_options& options, std::string& error);

// Replaces `file` by `bytes` through the safe-save routine; `error` names the file and the reason.
bool SaveOutputFile(const std::string& file, std::string_view bytes, std::string& error);

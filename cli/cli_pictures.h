#pragma once
// Pictures and PDF of a finished run, drawn as the window draws them, without a display.
#include <string>

#include "cli/cli_options.h"
#include "engine/stavora_2d.h"

// Writes what the options ask for (--pdf, --png, --bmp); false with a one-line message.
bool WritePictures(const cli_options& options, const stavora_2d& facade, std::string& error);

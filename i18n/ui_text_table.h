#pragma once
// Write access to the UI text table, for the language loaders only.
#include "i18n/ui_texts.h"

#include <initializer_list>

struct ui_translation {
    ui_text entry;
    const wchar_t* text;
};

// Overwrites the listed entries; entries not listed keep their text.
void WriteUiTexts(std::initializer_list<ui_translation> texts);

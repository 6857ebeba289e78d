#pragma once
// Qt's own translations (standard buttons, file and print dialogs) for the chosen interface language.

// Replaces the loaded Qt translation with the one of the language list's entry `language_index`;
// false when Qt has none for that language (its dialogs then speak English).
bool LoadQtTranslation(int language_index);

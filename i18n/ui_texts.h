#pragma once
// The table of interface texts in the current language, the language loaders, and the fixed
// table of grain words of every language.
#include <array>
#include <string>
#include <string_view>

// Entries of the text table that this program shows, named by their English text.
enum class ui_text : int {
    Width,
    Height,
    Quantity,
    Fiber,
    Label,
    Parts,          // "PARTS"
    ClearParts,     // "Clear" (first entry of that text)
    Open,
    Save,
    SaveAs,
    SaveResults,
    Print,
    Help,
    About,
    Settings,
    Stock,          // "STOCK"
    ClearStock,     // "Clear" (second entry)
    ShowPartSize,   // "Show size of the pieces"
    ShowWasteSize,  // "Show size of the wastes"
    ShowPartLabel,  // "Show piece label"
    Sheet,
    Horizontal,
    Vertical,
    CuttingThickness,
    MinimalRuptureSize,
    RoundFractionsTo,   // "The fractional values must be rounded to:"
    MaximalCutLength,
    InvalidNumber,
    CannotMix,          // "You cannot mix fractional values with real values!"
    NotAllOptimized,    // "Not all pieces have been optimized. Possible causes: ..."
    DeleteData,         // "You want to delete the data?"
    SaveParts,          // "Do you want to save the parts?"
    Waste,
    AreaOfUtilizedParts,
    Count_
};

inline constexpr int kUiTextCount = static_cast<int>(ui_text::Count_);
inline constexpr int kLanguageCount = 26;          // entries of the language list
inline constexpr int kGrainWordRows = 27;          // the list plus Ukrainian
inline constexpr int kEnglishLanguageIndex = 6;

// The text of an entry in the language loaded last (empty before the first load).
const std::wstring& UiText(ui_text entry);

// The 26 language names of the list, in order ("Afrikaans" .. "Turkish").
const std::array<std::wstring_view, kLanguageCount>& LanguageNames();

// Runs the loader whose name equals `name` exactly; "Ukrainian" and unknown names do nothing.
void LoadLanguage(std::wstring_view name);

// Index in the language list of the language loaded last; English before the first load.
int CurrentLanguageIndex();

// One text in every language of the list, in list order. Texts added after the original table
// live in tables of these rows, one file per feature, so that each feature's texts can be read
// and translated together.
using text_row = std::array<const wchar_t*, kLanguageCount>;

// The row's text in the current language (its English text where that one is missing).
std::wstring_view Translated(const text_row& row);

// Grain word of a grain-table row (0..26) for grain code 0, 1 or 2 ("" for 0 or out of range).
std::wstring_view GrainWord(int row, int grain);

// 1 or 2 when `text` (trimmed) equals, ignoring case, a horizontal or vertical word of one of the
// first 26 rows; otherwise 0.
int GrainFromWord(std::wstring_view text);

// Caption of results tab `tab_index` (0-based): the word for "Sheet", " #", then tab_index + 1.
std::wstring SheetTabCaption(int tab_index);

// The grain cell text after a language switch: the current "Horizontal" or "Vertical" text when
// the cell holds a grain word of any listed language, otherwise the cell unchanged.
std::wstring RetranslateGrainCell(std::wstring_view cell);

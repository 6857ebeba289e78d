#include "i18n/ui_texts.h"

#include "i18n/language_loaders.h"
#include "i18n/ui_text_table.h"
#include "util/my_w_string.h"

namespace {

using ui_text_table = std::array<std::wstring, kUiTextCount>;

// Function-local so that the table exists before any static initialiser could load a language.
ui_text_table& Table()
{
    static ui_text_table table;
    return table;
}

int& LoadedLanguage()
{
    static int index = kEnglishLanguageIndex;
    return index;
}

bool IsValidEntry(ui_text entry)
{
    const int index = static_cast<int>(entry);
    return index >= 0 && index < kUiTextCount;
}

struct language_entry {
    std::wstring_view name;
    void (*load)();
};

// Order is the order of the language list; a grain-table row is the same index.
constexpr std::array<language_entry, kLanguageCount> kLanguages{{
    {L"Afrikaans", LoadAfrikaans},   {L"Albanian", LoadAlbanian},
    {L"Croatian", LoadCroatian},     {L"Czech", LoadCzech},
    {L"Danish", LoadDanish},         {L"Dutch", LoadDutch},
    {L"English", LoadEnglish},       {L"Estonian", LoadEstonian},
    {L"Finnish", LoadFinnish},       {L"French", LoadFrench},
    {L"German", LoadGerman},         {L"Hungarian", LoadHungarian},
    {L"Indonesian", LoadIndonesian}, {L"Italian", LoadItalian},
    {L"Latvian", LoadLatvian},       {L"Lithuanian", LoadLithuanian},
    {L"Norwegian", LoadNorwegian},   {L"Polish", LoadPolish},
    {L"Portuguese", LoadPortuguese}, {L"Romana", LoadRomana},
    {L"Russian", LoadRussian},       {L"Slovak", LoadSlovak},
    {L"Slovenian", LoadSlovenian},   {L"Spanish", LoadSpanish},
    {L"Swedish", LoadSwedish},       {L"Turkish", LoadTurkish},
}};

// Row = language index (26 is Ukrainian, which the list does not offer); column = grain code.
constexpr std::array<std::array<std::wstring_view, 3>, kGrainWordRows> kGrainWords{{
    {L"", L"Horisontale", L"Vertikale"},
    {L"", L"Horizontal", L"Vertikal"},
    {L"", L"Vodoravan", L"Vertikalna"},
    {L"", L"Horizontální", L"Vertikální"},
    {L"", L"Vandret", L"Lodret"},
    {L"", L"Horizontaal", L"Verticaal"},
    {L"", L"Horizontal", L"Vertical"},
    {L"", L"Horisontaalne", L"Vertikaalne"},
    {L"", L"Vaakasuora", L"Pystysuora"},
    {L"", L"Horizontal", L"Verticale"},
    {L"", L"Horizontal", L"Vertikal"},
    {L"", L"Vízszintes", L"Függőleges"},
    {L"", L"Horisontal", L"Vertikal"},
    {L"", L"Orizzontale", L"Verticale"},
    {L"", L"Horizontāls", L"Vertikāls"},
    {L"", L"Horizontalus", L"Vertikalus"},
    {L"", L"Horisontal", L"Vertikal"},
    {L"", L"Poziomy", L"Pionowy"},
    {L"", L"Horizontal", L"Vertical"},
    {L"", L"Orizontala", L"Vertical"},
    {L"", L"Горизонтально", L"Вертикально"},
    {L"", L"Horizontálne", L"Vertikálny"},
    {L"", L"Vodoravno", L"Vertikalno"},
    {L"", L"Horizontal", L"Vertical"},
    {L"", L"Horisontell", L"Vertikal"},
    {L"", L"Yatay", L"Dikey"},
    {L"", L"горизонтальний", L"вертикальний"},
}};

bool IsBlank(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\v' || c == L'\f' ||
           c == L'\u00A0';
}

std::wstring_view Trimmed(std::wstring_view text)
{
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

bool MatchesGrainWord(std::wstring_view text, int grain)
{
    for (int row = 0; row < kLanguageCount; ++row)
        if (my_w_string::EqualIgnoreCase(text, kGrainWords[row][grain])) return true;
    return false;
}

}  // namespace

void WriteUiTexts(std::initializer_list<ui_translation> texts)
{
    for (const ui_translation& t : texts)
        if (IsValidEntry(t.entry) && t.text) Table()[static_cast<int>(t.entry)] = t.text;
}

const std::wstring& UiText(ui_text entry)
{
    static const std::wstring empty;
    return IsValidEntry(entry) ? Table()[static_cast<int>(entry)] : empty;
}

const std::array<std::wstring_view, kLanguageCount>& LanguageNames()
{
    static const std::array<std::wstring_view, kLanguageCount> names = [] {
        std::array<std::wstring_view, kLanguageCount> result;
        for (int i = 0; i < kLanguageCount; ++i) result[i] = kLanguages[i].name;
        return result;
    }();
    return names;
}

void LoadLanguage(std::wstring_view name)
{
    for (int i = 0; i < kLanguageCount; ++i) {
        if (kLanguages[i].name == name) {
            kLanguages[i].load();
            LoadedLanguage() = i;
            return;
        }
    }
}

int CurrentLanguageIndex()
{
    return LoadedLanguage();
}

std::wstring_view Translated(const text_row& row)
{
    const wchar_t* text = row[LoadedLanguage()];
    if (!text || !*text) text = row[kEnglishLanguageIndex];
    return text ? std::wstring_view(text) : std::wstring_view();
}

std::wstring_view GrainWord(int row, int grain)
{
    if (row < 0 || row >= kGrainWordRows || grain < 0 || grain > 2) return {};
    return kGrainWords[row][grain];
}

int GrainFromWord(std::wstring_view text)
{
    const std::wstring_view word = Trimmed(text);
    if (word.empty()) return 0;
    if (MatchesGrainWord(word, 1)) return 1;
    if (MatchesGrainWord(word, 2)) return 2;
    return 0;
}

std::wstring SheetTabCaption(int tab_index)
{
    return UiText(ui_text::Sheet) + L" #" + std::to_wstring(static_cast<long long>(tab_index) + 1);
}

std::wstring RetranslateGrainCell(std::wstring_view cell)
{
    switch (GrainFromWord(cell)) {
    case 1: return UiText(ui_text::Horizontal);
    case 2: return UiText(ui_text::Vertical);
    default: return std::wstring(cell);
    }
}

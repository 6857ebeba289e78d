#include "i18n/summary_texts.h"

#include <array>

namespace {

// Languages in list order: af sq hr cs da nl en et fi fr de hu id it lv lt no pl pt-BR ro ru sk sl es sv tr.
const std::array<text_row, static_cast<int>(summary_text::Count_)> kRows = {{
    // Summary
    {L"Opsomming", L"Përmbledhje", L"Sažetak", L"Souhrn", L"Oversigt", L"Overzicht", L"Summary", L"Kokkuvõte",
     L"Yhteenveto", L"Résumé", L"Übersicht", L"Összesítés", L"Ringkasan", L"Riepilogo", L"Kopsavilkums",
     L"Santrauka", L"Oversikt", L"Podsumowanie", L"Resumo", L"Rezumat", L"Сводка", L"Súhrn", L"Povzetek",
     L"Resumen", L"Sammanfattning", L"Özet"},
    // Row
    {L"Ry", L"Rreshti", L"Redak", L"Řádek", L"Række", L"Rij", L"Row", L"Rida", L"Rivi", L"Ligne", L"Zeile", L"Sor",
     L"Baris", L"Riga", L"Rinda", L"Eilutė", L"Rad", L"Wiersz", L"Linha", L"Rând", L"Строка", L"Riadok",
     L"Vrstica", L"Fila", L"Rad", L"Satır"},
    // Reason
    {L"Rede", L"Arsyeja", L"Razlog", L"Důvod", L"Årsag", L"Reden", L"Reason", L"Põhjus", L"Syy", L"Raison",
     L"Grund", L"Ok", L"Alasan", L"Motivo", L"Iemesls", L"Priežastis", L"Årsak", L"Przyczyna", L"Motivo",
     L"Motiv", L"Причина", L"Dôvod", L"Razlog", L"Motivo", L"Orsak", L"Neden"},
}};

}  // namespace

const text_row& SummaryTextRow(summary_text entry) { return kRows[static_cast<size_t>(entry)]; }

std::wstring_view SummaryText(summary_text entry)
{
    const int index = static_cast<int>(entry);
    if (index < 0 || index >= static_cast<int>(kRows.size())) return {};
    return Translated(kRows[static_cast<size_t>(index)]);
}

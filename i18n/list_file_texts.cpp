#include "i18n/list_file_texts.h"

#include <array>

#include "i18n/ui_texts.h"

namespace {

// Afrikaans, Albanian, Croatian, Czech, Danish, Dutch, English, Estonian, Finnish, French, German,
// Hungarian, Indonesian, Italian, Latvian, Lithuanian, Norwegian, Polish, Portuguese (Brazilian),
// Romanian, Russian, Slovak, Slovenian, Spanish, Swedish, Turkish.
const std::array<text_row, static_cast<size_t>(list_file_text::Count_)> kRows = {{
    {L"Die lêer is nie oopgemaak nie:", L"Skedari nuk u hap:", L"Datoteka nije otvorena:",
     L"Soubor nebyl otevřen:", L"Filen blev ikke åbnet:", L"Het bestand is niet geopend:",
     L"The file was not opened:", L"Faili ei avatud:", L"Tiedostoa ei avattu:",
     L"Le fichier n'a pas été ouvert :", L"Die Datei wurde nicht geöffnet:", L"A fájl nem lett megnyitva:",
     L"Berkas tidak dibuka:", L"Il file non è stato aperto:", L"Fails netika atvērts:",
     L"Failas nebuvo atidarytas:", L"Filen ble ikke åpnet:", L"Plik nie został otwarty:",
     L"O arquivo não foi aberto:", L"Fișierul nu a fost deschis:", L"Файл не открыт:",
     L"Súbor nebol otvorený:", L"Datoteka ni bila odprta:", L"El archivo no se abrió:",
     L"Filen öppnades inte:", L"Dosya açılmadı:"},
    {L"Reël", L"Rreshti", L"Redak", L"Řádek", L"Linje", L"Regel", L"Line", L"Rida", L"Rivi", L"Ligne",
     L"Zeile", L"Sor", L"Baris", L"Riga", L"Rinda", L"Eilutė", L"Linje", L"Wiersz", L"Linha", L"Linia",
     L"Строка", L"Riadok", L"Vrstica", L"Línea", L"Rad", L"Satır"},
    {L"Ry", L"Rreshti", L"Red", L"Řádek", L"Række", L"Rij", L"Row", L"Rida", L"Rivi", L"Ligne", L"Zeile",
     L"Sor", L"Baris", L"Riga", L"Rinda", L"Eilutė", L"Rad", L"Wiersz", L"Linha", L"Rândul", L"Строка",
     L"Riadok", L"Vrstica", L"Fila", L"Rad", L"Satır"},
    {L"nie 'n getal nie", L"nuk është numër", L"nije broj", L"není číslo", L"ikke et tal", L"geen getal",
     L"not a number", L"pole arv", L"ei ole luku", L"n'est pas un nombre", L"keine Zahl", L"nem szám",
     L"bukan angka", L"non è un numero", L"nav skaitlis", L"ne skaičius", L"ikke et tall",
     L"nie jest liczbą", L"não é um número", L"nu este un număr", L"не число", L"nie je číslo",
     L"ni število", L"no es un número", L"inte ett tal", L"sayı değil"},
    {L"nie 'n heelgetal nie", L"nuk është numër i plotë", L"nije cijeli broj", L"není celé číslo",
     L"ikke et heltal", L"geen geheel getal", L"not a whole number", L"pole täisarv", L"ei ole kokonaisluku",
     L"n'est pas un nombre entier", L"keine ganze Zahl", L"nem egész szám", L"bukan bilangan bulat",
     L"non è un numero intero", L"nav vesels skaitlis", L"ne sveikasis skaičius", L"ikke et heltall",
     L"nie jest liczbą całkowitą", L"não é um número inteiro", L"nu este un număr întreg", L"не целое число",
     L"nie je celé číslo", L"ni celo število", L"no es un número entero", L"inte ett heltal",
     L"tam sayı değil"},
    {L"ontbreek", L"mungon", L"nedostaje", L"chybí", L"mangler", L"ontbreekt", L"missing", L"puudub",
     L"puuttuu", L"manquant", L"fehlt", L"hiányzik", L"tidak ada", L"mancante", L"trūkst", L"trūksta",
     L"mangler", L"brak", L"ausente", L"lipsește", L"отсутствует", L"chýba", L"manjka", L"falta", L"saknas",
     L"eksik"},
}};

}  // namespace

std::wstring_view ListFileText(list_file_text text)
{
    return Translated(kRows[static_cast<size_t>(text)]);
}

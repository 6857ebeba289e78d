#include "i18n/search_texts.h"

#include <array>

namespace {

// Afrikaans, Albanian, Croatian, Czech, Danish, Dutch, English, Estonian, Finnish, French, German, Hungarian,
// Indonesian, Italian, Latvian, Lithuanian, Norwegian, Polish, Portuguese (Brazilian), Romanian, Russian,
// Slovak, Slovenian, Spanish, Swedish, Turkish.
const std::array<text_row, static_cast<size_t>(search_text::Count_)> kRows = {{
    {L"Soekinspanning", L"Përpjekja e kërkimit", L"Trud pretraživanja", L"Úsilí hledání", L"Søgeindsats",
     L"Zoekinspanning", L"Search effort", L"Otsingu põhjalikkus", L"Haun perusteellisuus", L"Effort de recherche",
     L"Suchaufwand", L"Keresési ráfordítás", L"Upaya pencarian", L"Impegno di ricerca", L"Meklēšanas apjoms",
     L"Paieškos pastangos", L"Søkeinnsats", L"Nakład wyszukiwania", L"Esforço de busca", L"Efort de căutare",
     L"Глубина поиска", L"Úsilie hľadania", L"Obseg iskanja", L"Esfuerzo de búsqueda", L"Sökinsats",
     L"Arama çabası"},
    {L"Vinnig", L"I shpejtë", L"Brzo", L"Rychlé", L"Hurtig", L"Snel", L"Quick", L"Kiire", L"Nopea", L"Rapide",
     L"Schnell", L"Gyors", L"Cepat", L"Rapido", L"Ātri", L"Greita", L"Rask", L"Szybko", L"Rápido", L"Rapid",
     L"Быстро", L"Rýchle", L"Hitro", L"Rápido", L"Snabb", L"Hızlı"},
    {L"Normaal", L"Normal", L"Normalno", L"Normální", L"Normal", L"Normaal", L"Normal", L"Tavaline", L"Normaali",
     L"Normal", L"Normal", L"Normál", L"Normal", L"Normale", L"Parasti", L"Įprasta", L"Normal", L"Normalnie",
     L"Normal", L"Normal", L"Обычно", L"Normálne", L"Običajno", L"Normal", L"Normal", L"Normal"},
    {L"Deeglik", L"I plotë", L"Temeljito", L"Důkladné", L"Grundig", L"Grondig", L"Thorough", L"Põhjalik",
     L"Perusteellinen", L"Approfondi", L"Gründlich", L"Alapos", L"Menyeluruh", L"Approfondito", L"Rūpīgi",
     L"Išsami", L"Grundig", L"Dokładnie", L"Minucioso", L"Amănunțit", L"Тщательно", L"Dôkladné", L"Temeljito",
     L"Exhaustivo", L"Grundlig", L"Kapsamlı"},
    {L"optimaal", L"optimale", L"optimalno", L"optimální", L"optimal", L"optimaal", L"optimal", L"optimaalne",
     L"optimaalinen", L"optimal", L"optimal", L"optimális", L"optimal", L"ottimale", L"optimāli", L"optimalu",
     L"optimal", L"optymalnie", L"ótimo", L"optim", L"оптимально", L"optimálne", L"optimalno", L"óptimo",
     L"optimal", L"optimal"},
    {L"hoogstens %1 plaat/plate kan bespaar word", L"mund të kursehen më së shumti %1 pllaka",
     L"može se uštedjeti najviše %1 ploča", L"lze ušetřit nejvýše %1 desek", L"højst %1 plade(r) kan spares",
     L"hoogstens %1 plaat/platen kan worden bespaard", L"at most %1 sheet(s) could be saved",
     L"säästa saab kõige rohkem %1 plaati", L"enintään %1 levyä voitaisiin säästää",
     L"au plus %1 panneau(x) pourrai(en)t être économisé(s)", L"höchstens %1 Platte(n) ließe(n) sich sparen",
     L"legfeljebb %1 tábla takarítható meg", L"paling banyak %1 lembar dapat dihemat",
     L"si potrebbero risparmiare al massimo %1 pannelli", L"varētu ietaupīt ne vairāk kā %1 plātnes",
     L"būtų galima sutaupyti ne daugiau kaip %1 plokščių", L"høyst %1 plate(r) kunne spares",
     L"można by zaoszczędzić najwyżej %1 płyt", L"no máximo %1 chapa(s) poderia(m) ser economizada(s)",
     L"s-ar putea economisi cel mult %1 plăci", L"можно сэкономить не более %1 лист(ов)",
     L"dalo by sa ušetriť najviac %1 dosiek", L"prihraniti bi se dalo največ %1 plošč",
     L"se podrían ahorrar como máximo %1 tablero(s)", L"högst %1 skiva/skivor skulle kunna sparas",
     L"en fazla %1 levha tasarruf edilebilir"},
    {L"Verbeter: %1 plaat/plate bespaar", L"Përmirësim: u kursyen %1 pllaka", L"Poboljšanje: ušteđeno ploča: %1",
     L"Zlepšování: ušetřeno desek: %1", L"Forbedrer: %1 plade(r) sparet", L"Verbeteren: %1 plaat/platen bespaard",
     L"Improving: %1 sheet(s) saved", L"Parandamine: säästetud plaate %1", L"Parannetaan: säästetty %1 levyä",
     L"Amélioration : %1 panneau(x) économisé(s)", L"Verbesserung: %1 Platte(n) gespart",
     L"Javítás: %1 tábla megtakarítva", L"Memperbaiki: %1 lembar dihemat", L"Miglioramento: %1 pannelli risparmiati",
     L"Uzlabošana: ietaupītas plātnes: %1", L"Gerinimas: sutaupyta plokščių: %1", L"Forbedrer: %1 plate(r) spart",
     L"Ulepszanie: zaoszczędzono płyt: %1", L"Melhorando: %1 chapa(s) economizada(s)",
     L"Îmbunătățire: %1 plăci economisite", L"Улучшение: сэкономлено листов: %1", L"Zlepšovanie: ušetrené dosky: %1",
     L"Izboljševanje: prihranjenih plošč: %1", L"Mejorando: %1 tablero(s) ahorrado(s)",
     L"Förbättrar: %1 skiva/skivor sparade", L"İyileştirme: %1 levha tasarruf edildi"},
}};

}  // namespace

std::wstring_view SearchText(search_text entry)
{
    const auto i = static_cast<size_t>(entry);
    return i < kRows.size() ? Translated(kRows[i]) : std::wstring_view{};
}

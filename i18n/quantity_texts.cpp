#include "i18n/quantity_texts.h"

namespace {

// Language-list order: Afrikaans .. Turkish.
const text_row kRows[] = {
    {L"Onderdele", L"Pjesët", L"Dijelovi", L"Díly", L"Emner", L"Onderdelen", L"Parts", L"Detailid", L"Osat",
     L"Pièces", L"Teile", L"Alkatrészek", L"Bagian", L"Pezzi", L"Detaļas", L"Detalės", L"Deler", L"Elementy",
     L"Peças", L"Piese", L"Детали", L"Diely", L"Deli", L"Piezas", L"Delar", L"Parçalar"},
    {L"Voorraad", L"Stoku", L"Zaliha", L"Sklad", L"Lager", L"Voorraad", L"Stock", L"Laovaru", L"Varasto", L"Stock",
     L"Lager", L"Készlet", L"Stok", L"Magazzino", L"Krājumi", L"Atsargos", L"Lager", L"Magazyn", L"Estoque",
     L"Stoc", L"Склад", L"Sklad", L"Zaloga", L"Existencias", L"Lager", L"Stok"},
    {L"%1, ry %2: hoeveelheid %3 is te groot; een materiaal neem hoogstens %4 stukke.",
     L"%1, rreshti %2: sasia %3 është shumë e madhe; një material merr të shumtën %4 copë.",
     L"%1, redak %2: količina %3 je prevelika; jedan materijal prima najviše %4 komada.",
     L"%1, řádek %2: množství %3 je příliš velké; jeden materiál pojme nejvýše %4 kusů.",
     L"%1, række %2: antallet %3 er for stort; ét materiale kan højst have %4 stykker.",
     L"%1, rij %2: aantal %3 is te groot; één materiaal neemt hoogstens %4 stuks.",
     L"%1, row %2: quantity %3 is too large; one material takes at most %4 pieces.",
     L"%1, rida %2: kogus %3 on liiga suur; üks materjal mahutab kõige rohkem %4 tükki.",
     L"%1, rivi %2: määrä %3 on liian suuri; yhdelle materiaalille enintään %4 kappaletta.",
     L"%1, ligne %2 : la quantité %3 est trop grande ; un matériau admet au plus %4 pièces.",
     L"%1, Zeile %2: Anzahl %3 ist zu groß; ein Material fasst höchstens %4 Stück.",
     L"%1, %2. sor: a(z) %3 mennyiség túl nagy; egy anyaghoz legfeljebb %4 darab tartozhat.",
     L"%1, baris %2: jumlah %3 terlalu besar; satu bahan paling banyak %4 potong.",
     L"%1, riga %2: la quantità %3 è troppo grande; un materiale ammette al massimo %4 pezzi.",
     L"%1, %2. rinda: daudzums %3 ir pārāk liels; vienam materiālam ne vairāk kā %4 gabali.",
     L"%1, %2 eilutė: kiekis %3 per didelis; vienai medžiagai ne daugiau kaip %4 vnt.",
     L"%1, rad %2: antallet %3 er for stort; ett materiale kan ha høyst %4 stykker.",
     L"%1, wiersz %2: ilość %3 jest za duża; jeden materiał mieści najwyżej %4 sztuk.",
     L"%1, linha %2: a quantidade %3 é grande demais; um material comporta no máximo %4 peças.",
     L"%1, rândul %2: cantitatea %3 este prea mare; un material primește cel mult %4 bucăți.",
     L"%1, строка %2: количество %3 слишком велико; на один материал не более %4 шт.",
     L"%1, riadok %2: množstvo %3 je príliš veľké; jeden materiál pojme najviac %4 kusov.",
     L"%1, vrstica %2: količina %3 je prevelika; en material sprejme največ %4 kosov.",
     L"%1, fila %2: la cantidad %3 es demasiado grande; un material admite como máximo %4 piezas.",
     L"%1, rad %2: antalet %3 är för stort; ett material rymmer högst %4 stycken.",
     L"%1, satır %2: %3 adet çok fazla; bir malzeme en fazla %4 parça alabilir."},
};

static_assert(std::size(kRows) == static_cast<size_t>(quantity_text::Count_));

}  // namespace

const text_row& QuantityTextRow(quantity_text text) { return kRows[static_cast<size_t>(text)]; }

#include "i18n/recovery_texts.h"

#include "i18n/ui_texts.h"

namespace {

const text_row kRestoreOffer = {
    L"Die onderdelelys is nie gestoor toe Stavora laas gesluit het nie. Herstel die ongestoorde onderdele?",
    L"Lista e pjesëve nuk u ruajt kur Stavora u mbyll herën e fundit. Të rikthehen pjesët e paruajtura?",
    L"Popis dijelova nije spremljen kad je Stavora zadnji put zatvorena. Vratiti nespremljene dijelove?",
    L"Seznam dílů nebyl uložen, když byla Stavora naposledy ukončena. Obnovit neuložené díly?",
    L"Delelisten blev ikke gemt, da Stavora sidst blev lukket. Gendan de ikke-gemte dele?",
    L"De onderdelenlijst is niet opgeslagen toen Stavora de laatste keer werd afgesloten. "
    L"Niet-opgeslagen onderdelen herstellen?",
    L"The parts list was not saved when Stavora last closed. Restore the unsaved parts?",
    L"Detailide loendit ei salvestatud, kui Stavora viimati suleti. Kas taastada salvestamata detailid?",
    L"Osaluetteloa ei tallennettu, kun Stavora viimeksi suljettiin. Palautetaanko tallentamattomat osat?",
    L"La liste des pièces n’a pas été enregistrée à la dernière fermeture de Stavora. "
    L"Restaurer les pièces non enregistrées\u00A0?",
    L"Die Teileliste wurde beim letzten Beenden von Stavora nicht gespeichert. "
    L"Die nicht gespeicherten Teile wiederherstellen?",
    L"Az alkatrészlista nem lett mentve, amikor a Stavora legutóbb bezárult. "
    L"Visszaállítja a nem mentett alkatrészeket?",
    L"Daftar komponen tidak disimpan saat Stavora terakhir ditutup. Pulihkan komponen yang belum disimpan?",
    L"L’elenco dei pezzi non è stato salvato all’ultima chiusura di Stavora. Ripristinare i pezzi non salvati?",
    L"Detaļu saraksts netika saglabāts, kad Stavora pēdējo reizi tika aizvērta. Atjaunot nesaglabātās detaļas?",
    L"Detalių sąrašas nebuvo išsaugotas, kai Stavora paskutinį kartą buvo uždaryta. "
    L"Atkurti neišsaugotas detales?",
    L"Delelisten ble ikke lagret da Stavora sist ble lukket. Gjenopprette de ulagrede delene?",
    L"Lista elementów nie została zapisana przy ostatnim zamknięciu programu Stavora. "
    L"Przywrócić niezapisane elementy?",
    L"A lista de peças não foi salva quando o Stavora foi fechado pela última vez. Restaurar as peças não salvas?",
    L"Lista de piese nu a fost salvata la ultima inchidere a Stavora. Restaurati piesele nesalvate?",
    L"Список деталей не был сохранён при последнем закрытии Stavora. Восстановить несохранённые детали?",
    L"Zoznam dielov nebol uložený, keď bola Stavora naposledy zatvorená. Obnoviť neuložené diely?",
    L"Seznam delov ni bil shranjen, ko se je Stavora nazadnje zaprla. Želite obnoviti neshranjene dele?",
    L"La lista de piezas no se guardó la última vez que se cerró Stavora. ¿Restaurar las piezas no guardadas?",
    L"Dellistan sparades inte när Stavora senast stängdes. Återställa de osparade delarna?",
    L"Stavora son kapatıldığında parça listesi kaydedilmemişti. Kaydedilmemiş parçalar geri yüklensin mi?",
};

}  // namespace

std::wstring_view RecoveryText(recovery_text text)
{
    switch (text) {
    case recovery_text::RestoreOffer: break;
    }
    return Translated(kRestoreOffer);
}

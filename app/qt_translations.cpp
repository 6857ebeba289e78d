#include "app/qt_translations.h"

#include <array>

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include "i18n/ui_texts.h"

namespace {

// Qt's file suffix per entry of the language list; null where Qt ships no translation.
constexpr std::array<const char*, kLanguageCount> kQtLanguages = {
    nullptr, nullptr, "hr", "cs", "da", "nl", "en", nullptr, "fi", "fr", "de", "hu", nullptr,
    "it",    "lv",    nullptr, "nn", "pl", "pt_BR", nullptr, "ru", "sk", nullptr, "es", nullptr, "tr"};

}  // namespace

bool LoadQtTranslation(int language_index)
{
    static QTranslator* translator = nullptr;
    if (translator) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
        translator = nullptr;
    }
    if (language_index < 0 || language_index >= kLanguageCount || !kQtLanguages[language_index]) return false;
    auto* loaded = new QTranslator;
    if (!loaded->load(QStringLiteral("qtbase_") + QString::fromLatin1(kQtLanguages[language_index]),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete loaded;
        return false;
    }
    QCoreApplication::installTranslator(loaded);
    translator = loaded;
    return true;
}

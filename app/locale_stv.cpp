#include "app/locale_stv.h"

#include <QFile>
#include <QLocale>

wchar_t LocaleDecimalSeparator()
{
    const QString point = QLocale().decimalPoint();
    return point.isEmpty() ? L'.' : static_cast<wchar_t>(point.at(0).unicode());
}

wchar_t LocaleListSeparator() { return LocaleDecimalSeparator() == L',' ? L';' : L','; }

std::optional<int32_t> ParseInteger(const QString& text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    if (!ok) return std::nullopt;
    return static_cast<int32_t>(value);
}

QString ToQString(std::wstring_view text)
{
    return QString::fromWCharArray(text.data(), static_cast<qsizetype>(text.size()));
}

std::wstring ToWide(const QString& text) { return text.toStdWString(); }

std::filesystem::path ToPath(const QString& file_name)
{
    return std::filesystem::path(QFile::encodeName(file_name).toStdString());
}

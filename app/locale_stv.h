#pragma once
// The user's number conventions and the text conversions between Qt and the engine.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include <QString>

// Decimal separator of the default locale.
wchar_t LocaleDecimalSeparator();
// Field separator of CSV lists: ';' where the decimal separator is ',', else ','.
wchar_t LocaleListSeparator();

// Whole decimal number with an optional sign, within 32 bits; nullopt otherwise (empty text included).
std::optional<int32_t> ParseInteger(const QString& text);

QString ToQString(std::wstring_view text);
std::wstring ToWide(const QString& text);
std::filesystem::path ToPath(const QString& file_name);

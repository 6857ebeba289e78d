#include "app/safe_save_qt.h"

#include <QBuffer>
#include <QFile>

#include "util/safe_file.h"

bool SaveBytesSafely(const QString& file, const QByteArray& bytes)
{
    return static_cast<bool>(SafeSave(QFile::encodeName(file).toStdString(),
                                      std::string_view(bytes.constData(), static_cast<size_t>(bytes.size()))));
}

bool SaveImageSafely(const QImage& image, const QString& file, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, format)) return false;
    buffer.close();
    return SaveBytesSafely(file, bytes);
}

#pragma once
// The engine's safe-save routine for Qt strings, bytes and pictures.
#include <QByteArray>
#include <QImage>
#include <QString>

// Replaces `file` by `bytes` only when the whole content is written (see SafeSave).
bool SaveBytesSafely(const QString& file, const QByteArray& bytes);
// The picture encoded in `format` (e.g. "BMP") in memory, then saved as above.
bool SaveImageSafely(const QImage& image, const QString& file, const char* format);

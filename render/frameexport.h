#pragma once

#include <QByteArray>

class QImage;
class QString;

// The image format name of the first installed encoder whose MIME type is exactly
// mimeType, or an empty name when there is none.
QByteArray FindEncoder(const QByteArray& mimeType);

// Writes image to path (a PathText) in format through a temporary file beside it that
// replaces the file only when complete. False when there is no format or the file cannot
// be written.
// quality is the writer's (-1: the format's default; for PNG, higher means faster and larger).
bool SaveImageFile(const QImage& image, const QString& path, const QByteArray& format,
                   int quality = -1);

#pragma once

#include <QImage>
#include <QString>

// Writes an image as a GIF89a file (Qt reads GIF but cannot write it). Meant for small
// pictures with few colours, such as flags: the palette holds the first 256 distinct
// colours, later colours take the nearest entry, and fully transparent pixels become the
// transparent index. Returns false when the file cannot be written.
bool WriteGif(const QImage& image, const QString& path);

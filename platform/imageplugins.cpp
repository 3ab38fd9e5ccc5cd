#include "platform/imageplugins.h"

#include <QImageReader>
#include <QImageWriter>

void LoadImagePluginsOnce() {
    // Listing the formats asks every plugin for its capabilities, which loads them all.
    static const bool loaded = [] {
        QImageReader::supportedImageFormats();
        QImageWriter::supportedImageFormats();
        return true;
    }();
    static_cast<void>(loaded);
}

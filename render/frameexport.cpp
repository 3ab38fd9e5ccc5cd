#include "render/frameexport.h"

#include <cstddef>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageWriter>
#include <QRectF>
#include <QString>

#include "base/outputpath.h"
#include "base/pathutil.h"
#include "platform/imageplugins.h"

#include "render/imagefile.h"
#include "render/maprendererimpl.h"
#include "render/paintercanvas.h"

QByteArray FindEncoder(const QByteArray& mimeType) {
    LoadImagePluginsOnce();
    for (const QByteArray& supported : QImageWriter::supportedMimeTypes()) {
        if (supported != mimeType) continue;
        const QList<QByteArray> formats = QImageWriter::imageFormatsForMimeType(mimeType);
        if (!formats.isEmpty()) return formats.front();
    }
    return QByteArray();
}

bool SaveImageFile(const QImage& image, const QString& path, const QByteArray& format,
                   int quality) {
    if (format.isEmpty()) return false;
    LoadImagePluginsOnce();
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    if (!writer.write(image)) return false;
    // By the path's bytes: Qt's own file classes would open another name when it is not UTF-8.
    return WriteFileReplacing(PathBytes(path), encoded);
}

QImage MapRendererImpl::ComposeExportImage(std::int32_t width, std::int32_t height) {
    QImage image = NewImage(width, height);
    if (image.isNull()) return image;
    PainterCanvas canvas(image);
    canvas.SetAntialiasing(true);
    const bool cached = currentFrame >= 0 &&
                        static_cast<std::size_t>(currentFrame) < frameCache.size() &&
                        !frameCache[static_cast<std::size_t>(currentFrame)].isNull();
    if (cached) {
        canvas.DrawImage(frameCache[static_cast<std::size_t>(currentFrame)],
                         QRectF(0, 0, width, height));
    }
    DrawOverlay(canvas);
    return image;
}

bool MapRendererImpl::ExportJpeg(std::int32_t width, std::int32_t height, const std::string& path) {
    const QImage image = ComposeExportImage(width, height);
    if (image.isNull()) return false;
    return SaveImageFile(image, PathText(path), FindEncoder("image/jpeg"));
}

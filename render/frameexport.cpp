#include "render/frameexport.h"

#include <cstddef>

#include <QByteArray>
#include <QImage>
#include <QImageWriter>
#include <QRectF>
#include <QSaveFile>
#include <QString>

#include "render/imagefile.h"
#include "render/maprendererimpl.h"
#include "render/paintercanvas.h"

QByteArray FindEncoder(const QByteArray& mimeType) {
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
    // The picture goes to a temporary file beside the target and replaces it only when
    // complete, so a failed export never leaves a broken file under the chosen name.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    QImageWriter writer(&file, format);
    writer.setQuality(quality);
    if (!writer.write(image)) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
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
    return SaveImageFile(image, QString::fromStdString(path), FindEncoder("image/jpeg"));
}

#include "render/imagefile.h"

#include "base/pathutil.h"
#include "base/regularfile.h"
#include "platform/imagememory.h"
#include "platform/imageplugins.h"

#include <QColorSpace>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QSize>

namespace {

// Images from this size on get memory of their own in huge pages: frames and views.
constexpr std::size_t kLargeImageBytes = std::size_t{4} << 20;

}  // namespace

bool ImageFitsLimit(std::int64_t width, std::int64_t height) {
    if (width <= 0 || height <= 0) return false;
    // Checked in steps so that the product cannot overflow.
    constexpr std::int64_t kMaxPixels = kMaxImageBytes / 4;
    return width <= kMaxPixels && height <= kMaxPixels / width;
}

QImage NewImage(std::int32_t width, std::int32_t height, std::uint32_t pixel) {
    if (!ImageFitsLimit(width, height)) return QImage();
    const qsizetype bytesPerLine = qsizetype{width} * 4;
    const auto bytes = static_cast<std::size_t>(bytesPerLine) * static_cast<std::size_t>(height);
    if (bytes >= kLargeImageBytes) {
        if (LargeImageMemory* memory = AllocateLargeImageMemory(bytes)) {
            QImage image(memory->data, width, height, bytesPerLine, QImage::Format_ARGB32_Premultiplied,
                         &FreeLargeImageMemory, memory);
            if (image.isNull()) {
                FreeLargeImageMemory(memory);
                return image;
            }
            // Memory fresh from the system is already zero, which is transparent black.
            if (!memory->zero || pixel != 0) image.fill(pixel);
            return image;
        }
    }
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    if (!image.isNull()) image.fill(pixel);
    return image;
}

QImage ReadImageFile(const QString& path) {
    LoadImagePluginsOnce();
    QFile file;
    if (!OpenRegularFile(PathBytes(path), file)) return QImage();
    // The name's extension picks the decoder, as a reader opened by name would; without
    // it every image plugin would be loaded to probe the file.
    QImageReader reader(&file, QFileInfo(path).suffix().toLatin1());
    const QSize size = reader.size();
    if (size.isValid() && !ImageFitsLimit(size.width(), size.height())) return QImage();
    QImage image = reader.read();
    if (image.isNull()) return image;
    if (image.format() != QImage::Format_ARGB32_Premultiplied) {
        image.convertTo(QImage::Format_ARGB32_Premultiplied);
    }
    const QColorSpace space = image.colorSpace();
    if (space.isValid() && space != QColorSpace(QColorSpace::SRgb)) {
        image.convertToColorSpace(QColorSpace::SRgb);
    }
    return image;
}

#pragma once

#include <cstdint>

#include <QImage>
#include <QString>

// The largest image the renderer creates or decodes: a frame, view, export or decoded
// picture beyond it is refused rather than allocated.
constexpr std::int64_t kMaxImageBytes = std::int64_t{512} << 20;

// True when a 32-bit image of width x height is positive in both directions and within
// kMaxImageBytes.
bool ImageFitsLimit(std::int64_t width, std::int64_t height);

// A new 32-bit premultiplied image with every pixel set to pixel (premultiplied ARGB;
// fully transparent by default), or a null image when the size is refused or the memory
// cannot be had.
QImage NewImage(std::int32_t width, std::int32_t height, std::uint32_t pixel = 0);

// Decodes an image file, named by its PathText, with its embedded colour profile applied
// and premultiplied so that drawing it needs no conversion (its size is read from the header
// first). A null image when the file is missing, unreadable, not a regular file or too large.
QImage ReadImageFile(const QString& path);

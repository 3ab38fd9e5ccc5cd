#pragma once

#include <string>

#include <QImage>

#include "base/unknown.h"

// One decoded image file and its path, shared by the tile grid and the renderer's flag and
// unit image caches. The image is null when decoding failed.
class Tile : public Unknown {
public:
    explicit Tile(std::string path, QImage image);
    const std::string& Path() const { return path; }
    const QImage& Image() const { return image; }
    virtual ~Tile() = default;

private:
    std::string path;
    QImage image;
};

// Creates a tile and hands the caller its one reference. Returns 0.
HResult CreateTile(std::string path, QImage image, Tile** out);

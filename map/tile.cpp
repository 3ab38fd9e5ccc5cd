#include "map/tile.h"

#include <utility>

#include "base/refcounted.h"

Tile::Tile(std::string path, QImage image) : path(std::move(path)), image(std::move(image)) {}

HResult CreateTile(std::string path, QImage image, Tile** out) {
    Tile* tile = new RefCounted<Tile>(std::move(path), std::move(image));
    tile->AddRef();
    *out = tile;
    return kResultOk;
}

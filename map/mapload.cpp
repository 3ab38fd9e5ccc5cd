#include "map/mapload.h"

#include "map/mapproperties.h"
#include "map/placementsfile.h"
#include "map/polygonsfile.h"
#include "map/tileset.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace {

// cells x tileLength - margin, kept within 32 bits for any tile size the settings allow.
std::int32_t PresetLength(std::int32_t cells, std::int32_t tileLength, std::int32_t margin) {
    const std::int64_t length = std::int64_t{cells} * tileLength - margin;
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(length, std::numeric_limits<std::int32_t>::min(),
                                 std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

bool LoadMapData(MapData& mapData) {
    // columns, rows and reliefLoaded keep their values; a load that finds no tile set
    // leaves the grid size of the last one that was read.
    mapData.tiles.clear();
    mapData.territories.clear();
    mapData.PlayerColours.clear();

    LoadTileSet(mapData, "baseTiles");
    if (mapData.useRelief && LoadTileSet(mapData, "reliefTiles")) mapData.reliefLoaded = true;

    // The size that the tile grid suggests; "map.properties" usually overrides it.
    mapData.mapWidth = PresetLength(mapData.columns, mapData.tileWidth, 85);
    mapData.mapHeight = PresetLength(mapData.rows, mapData.tileHeight, 49);

    // Territories come only from "polygons.txt", so it is read before the files that
    // attach points to them.
    if (!ReadPolygons(mapData)) return false;
    if (!ReadPlacements(mapData)) return false;
    if (!ReadMapProperties(mapData)) return false;
    ReadCapitals(mapData);
    return true;
}

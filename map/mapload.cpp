#include "map/mapload.h"

#include "map/mapfile.h"
#include "map/mapproperties.h"
#include "map/placementsfile.h"
#include "map/polygonsfile.h"
#include "map/tileset.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <utility>

namespace {

// cells x tileLength - margin, kept within 32 bits for any tile size the settings allow.
std::int32_t PresetLength(std::int32_t cells, std::int32_t tileLength, std::int32_t margin) {
    const std::int64_t length = std::int64_t{cells} * tileLength - margin;
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(length, std::numeric_limits<std::int32_t>::min(),
                                 std::numeric_limits<std::int32_t>::max()));
}

MapLoadMemory::TextFilesRead StampTextFiles(const MapData& mapData) {
    MapLoadMemory::TextFilesRead read;
    for (const char* name : {"polygons.txt", "place.txt", "map.properties", "capitols.txt"}) {
        std::string path = MapTextFilePath(mapData, QString::fromLatin1(name));
        FileStamp stamp = StampOfFile(path);
        read.files.emplace_back(std::move(path), stamp);
    }
    read.presetWidth = mapData.mapWidth;
    read.presetHeight = mapData.mapHeight;
    return read;
}

// Reads the territory table, the colours and the map size from the text files.
bool ReadTextFiles(MapData& mapData) {
    mapData.territories.clear();
    mapData.PlayerColours.clear();
    // Territories come only from "polygons.txt", so it is read before the files that
    // attach points to them.
    if (!ReadPolygons(mapData)) return false;
    if (!ReadPlacements(mapData)) return false;
    if (!ReadMapProperties(mapData)) return false;
    ReadCapitals(mapData);
    return true;
}

}  // namespace

bool LoadMapData(MapData& mapData) {
    // columns, rows and reliefLoaded keep their values; a load that finds no tile set
    // leaves the grid size of the last one that was read.
    mapData.tiles.clear();
    MapLoadMemory& memory = mapData.loadMemory;
    memory.previousTiles = std::move(memory.tiles);
    memory.tiles.clear();
    LoadTileSet(mapData, "baseTiles");
    if (mapData.useRelief && LoadTileSet(mapData, "reliefTiles")) mapData.reliefLoaded = true;
    memory.previousTiles.clear();  // what is left was changed or removed on disk

    // The size that the tile grid suggests; "map.properties" usually overrides it.
    mapData.mapWidth = PresetLength(mapData.columns, mapData.tileWidth, 85);
    mapData.mapHeight = PresetLength(mapData.rows, mapData.tileHeight, 49);

    // Unchanged text files would give the same territories, colours and size again; the
    // outlines the renderer built from the territories are kept with them.
    MapLoadMemory::TextFilesRead textFiles = StampTextFiles(mapData);
    if (!memory.textFiles.files.empty() && textFiles == memory.textFiles) {
        mapData.mapWidth = memory.mapWidth;
        mapData.mapHeight = memory.mapHeight;
        return true;
    }
    memory.textFiles = MapLoadMemory::TextFilesRead();
    if (!ReadTextFiles(mapData)) return false;
    memory.textFiles = std::move(textFiles);
    memory.mapWidth = mapData.mapWidth;
    memory.mapHeight = mapData.mapHeight;
    return true;
}

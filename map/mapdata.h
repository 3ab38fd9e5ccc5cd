#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <QPointF>
#include <QSize>

#include "base/filestamp.h"
#include "base/ref.h"
#include "map/tile.h"

// A point in map pixels: origin top left, y downwards.
struct MapPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
    friend bool operator==(const MapPoint& a, const MapPoint& b) { return a.x == b.x && a.y == b.y; }
};

// One polygon of a territory: points[first] up to but not including points[end].
struct PolygonRange {
    std::int32_t first = 0;
    std::int32_t end = 0;
    friend bool operator==(const PolygonRange& a, const PolygonRange& b) {
        return a.first == b.first && a.end == b.end;
    }
};

struct Territory {
    bool isSea = false;  // the name contains "Sea Zone"
    std::string name;
    std::vector<MapPoint> points;  // every vertex of every polygon, in file order
    bool isCapital = false;
    MapPoint capital;  // where the owner's flag goes on a capital
    std::vector<PolygonRange> polygons;
    // One slot per polygon: its closed outline, filled the first time it is drawn.
    std::vector<std::vector<QPointF>> outlineCache;
    std::vector<MapPoint> placements;  // unit positions; the label goes at the first
};

// What a load read, kept for the next load so that it reads again only what changed on disk.
struct MapLoadMemory {
    struct DecodedTile {
        FileStamp stamp;
        QSize size;  // the tile size asked for when it was decoded
        Ref<Tile> tile;
    };
    // The tiles decoded by the last load, by path; during a load, those of the load before
    // are in previousTiles until the tile sets have been read.
    std::map<std::string, DecodedTile> tiles;
    std::map<std::string, DecodedTile> previousTiles;

    // The text files that the territory table, colours and map size were read from, with
    // the map size preset they were read over and the size they gave. Empty when the last
    // load did not read them all.
    struct TextFilesRead {
        std::vector<std::pair<std::string, FileStamp>> files;
        std::int32_t presetWidth = 0;
        std::int32_t presetHeight = 0;
        friend bool operator==(const TextFilesRead& a, const TextFilesRead& b) {
            return a.files == b.files && a.presetWidth == b.presetWidth &&
                   a.presetHeight == b.presetHeight;
        }
    };
    TextFilesRead textFiles;
    std::int32_t mapWidth = 0;
    std::int32_t mapHeight = 0;
};

// One map folder's contents. The inputs are set through the renderer; everything else is
// refilled by each load, except columns, rows and reliefLoaded, which can outlive one.
struct MapData {
    // Inputs.
    std::string mapFolder;
    std::int32_t tileWidth = 256;
    std::int32_t tileHeight = 256;
    bool useRelief = true;

    // Filled by a load.
    std::int32_t columns = 0;
    std::int32_t rows = 0;
    std::vector<Ref<Tile>> tiles;  // cell (x, y) is element x + columns * y; may be empty
    std::map<std::string, Territory> territories;
    std::map<std::string, std::uint32_t> PlayerColours;  // player name to ARGB
    std::int32_t mapWidth = 0;
    std::int32_t mapHeight = 0;
    bool reliefLoaded = false;

    MapLoadMemory loadMemory;
};

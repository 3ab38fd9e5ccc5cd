#pragma once

#include "map/mapdata.h"

#include <string>

// Reads the tile set folder folderName ("baseTiles" or "reliefTiles") of the map folder into
// the tile grid. Tiles are named "<column>_<row>.png" (extension in any letter case); the
// largest numbers size the grid, existing cells keep their index, and every tile decoded at
// exactly tileWidth x tileHeight replaces what its cell held. True when the folder held a
// tile name in a column above 0 and one in a row above 0; otherwise false with the grid,
// columns and rows unchanged.
bool LoadTileSet(MapData& mapData, const std::string& folderName);

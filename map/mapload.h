#pragma once

#include "map/mapdata.h"

// Empties mapData and reads the whole map folder (mapData.mapFolder) into it again:
// polygons, placements, capitals, map properties and the tile sets. Returns false when a
// required file is missing or unreadable.
bool LoadMapData(MapData& mapData);

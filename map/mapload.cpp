#include "map/mapload.h"

bool LoadMapData(MapData& /*mapData*/) { return false; }

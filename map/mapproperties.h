#pragma once

#include "map/mapdata.h"

// Reads "map.properties" of the map folder: "color.<player>=RRGGBB" lines into PlayerColours
// (opaque ARGB) and "map.width=<n>" and "map.height=<n>" into the map size. Each line is
// trimmed; comments ("#"), malformed lines and a last line without a line feed are skipped,
// and a later line for the same player or key wins. False only when the file cannot be read.
bool ReadMapProperties(MapData& mapData);

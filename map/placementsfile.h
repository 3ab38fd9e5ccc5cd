#pragma once

#include "map/mapdata.h"

#include <QStringView>

#include <cstdint>
#include <string>

// Reads "place.txt" of the map folder: per line a territory name up to the first "(", then
// points read by ReadPoint, appended to the placements of the territory of that name (a
// repeated name appends). Points for names without a territory are dropped. False when the
// file cannot be read or a point runs into the end of the text.
bool ReadPlacements(MapData& mapData);

// Reads "capitols.txt" of the map folder, one ReadNamedPoint line per capital; the named
// territory becomes a capital at that point (a later line for it wins). False only when the
// file cannot be read.
bool ReadCapitals(MapData& mapData);

// Reads the line starting at position, written name "(" x "," y ")", and leaves position
// after its line feed (or at the end of the text, when the line has none; such a line is
// not read). The trimmed line must split at "(" into exactly two pieces and end with ")",
// and the pair between must split at "," into exactly two pieces, each read like atoi. The
// name is the first piece without its surrounding blanks and tabs. False for a line that
// does not fit, for an empty line and at the end of the text.
bool ReadNamedPoint(QStringView text, qsizetype& position, std::string& name, std::int32_t& x,
                    std::int32_t& y);

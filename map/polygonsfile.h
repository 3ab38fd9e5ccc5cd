#pragma once

#include "map/mapdata.h"

#include <QStringView>

#include <cstdint>

// Reads one point written "(" x "," y ")", starting with position on the "(". Reads up to
// the next ")" or the end of the text and leaves position there. True, with both numbers
// read like atoi, when the text between the parentheses holds exactly one ",".
bool ReadPoint(QStringView text, qsizetype& position, std::int32_t& x, std::int32_t& y);

// Collects the text from position up to the first end character or the end of the text,
// line feeds included, leaves position there and returns the text trimmed with TrimSpace.
// So the line feed that ended the previous line and blank lines vanish, and a line without
// the end character runs on into the next name.
QString ReadName(QStringView text, qsizetype& position, char16_t end);

// Reads "polygons.txt" of the map folder into the territory table: one territory per line,
// its name up to "<", then points, each polygon closed by ">". A line is stored when its
// line feed is met; the last line with a name wins. False when the file cannot be read or a
// point runs into the end of the text.
bool ReadPolygons(MapData& mapData);

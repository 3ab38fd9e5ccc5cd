#pragma once

#include <ostream>

#include "game/gamehistory.h"
#include "map/mapdata.h"

// Prints a game history, one item per line, fields separated by one tab:
//   frames N / frame i caption player / territory name owner production /
//   unit type owner quantity
void DumpHistory(const GameHistory& history, std::ostream& out);

// Prints what a map folder load gave:
//   map loaded width height columns rows tiles relief / colour player AARRGGBB /
//   territory name sea polygons points placements capital x y
void DumpMap(const MapData& mapData, bool loaded, std::ostream& out);

#pragma once

#include <string>

#include "game/gamehistory.h"

// Reads frame 0 (territories, starting owners, units and production values) from a
// TripleA game definition file.
void ReadGameDefinition(GameHistory& history, const std::string& path);

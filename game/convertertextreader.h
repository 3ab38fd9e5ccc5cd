#pragma once

#include <string>

#include "game/gamehistory.h"

// Reads every frame of a game from the text the save-game converter writes.
void ReadConverterText(GameHistory& history, const std::string& path);

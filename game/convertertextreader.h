#pragma once

#include <string>
#include <string_view>

#include "game/gamehistory.h"

// Reads every frame of a game from the text the save-game converter writes.
void ReadConverterText(GameHistory& history, const std::string& path);

// Reads the same text from memory, as a saved game read by Quelm itself hands it over.
void ReadConverterTextInMemory(GameHistory& history, std::string_view text);

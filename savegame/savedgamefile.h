#pragma once

#include <string>

#include "savegame/javastream.h"
#include "savegame/savedgame.h"
#include "savegame/savedhistory.h"
#include "savegame/tripleagame.h"

// The steps of reading a saved game one by one, for the readers above and for tests.

// Unpacks the gzip'd save at path into bytes, within the reader's limit.
bool UnpackSavedGame(const std::string& path, std::string& bytes, SavedGameError& error);

// Reads the game and its history tree from the unpacked stream in graph.bytes; path only
// names the save in messages.
bool ReadSavedGameBytes(const std::string& path, javastream::Graph& graph, tripleagame::Game& game,
                        savedhistory::Tree& tree, SavedGameError& error);

// Both steps.
bool ReadSavedGameFile(const std::string& path, tripleagame::Game& game, savedhistory::Tree& tree,
                       SavedGameError& error);

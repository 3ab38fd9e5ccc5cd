#pragma once

#include <string>

#include "game/gamehistory.h"

// Clears the units of the history and unpacks a gzip-compressed saved game into a scratch
// file beside it, which is deleted again.
void UnpackSaveGame(GameHistory& history, const std::string& path);

#include "game/savegameunpacker.h"

void UnpackSaveGame(GameHistory& /*history*/, const std::string& /*path*/) {}

#include "game/convertertextreader.h"

void ReadConverterText(GameHistory& /*history*/, const std::string& /*path*/) {}

#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "base/ref.h"
#include "game/territorystate.h"

// One frame: territory name to that territory's state. std::string orders its keys byte by
// byte as unsigned characters, shorter first on a common prefix, which is the order frames
// are iterated and drawn in.
using HistoryFrame = std::map<std::string, Ref<TerritoryState>>;

// The frames of a game and a caption and player name per frame. The three sequences grow
// independently; the frame count is the length of frames alone.
struct GameHistory {
    std::vector<HistoryFrame> frames;
    std::vector<std::string> captions;
    std::vector<std::string> players;
    // The territories that the last game definition read marks as water (sea zones).
    std::set<std::string> waterTerritories;
};

// Empties the unit stacks of every territory of every frame, frames in index order and
// territories in key order. Both readers start with this; owners, names, productions,
// captions and players stay until the new input overwrites them.
void ClearAllUnits(GameHistory& history);

// Writes a caption or player name by frame index: appended when index equals the number
// held, replaced below it, ignored otherwise.
void SetIndexedText(std::vector<std::string>& texts, std::int32_t index, const std::string& text);

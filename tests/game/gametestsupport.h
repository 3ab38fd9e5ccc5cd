#pragma once

#include <fstream>
#include <sstream>
#include <string>

#include "base/ref.h"
#include "game/gameloader.h"

// A territory of a frame as one comparable text: "owner|production|type/owner/quantity,...",
// or "absent" when the frame has no such territory.
inline std::string Board(GameLoader& loader, std::int32_t frame, const std::string& name) {
    Ref<TerritoryState> territory;
    if (!loader.FindTerritory(frame, name, territory.Receive())) return "absent";
    std::string owner;
    std::string production;
    territory->GetOwner(owner);
    territory->GetProduction(production);
    std::string text = owner + "|" + production + "|";
    for (std::int32_t i = 0; i < territory->GetUnitCount(nullptr); ++i) {
        Ref<UnitStack> stack;
        territory->GetUnit(i, stack.Receive());
        std::string type;
        std::string stackOwner;
        std::string quantity;
        stack->GetType(type);
        stack->GetOwner(stackOwner);
        stack->GetQuantity(quantity);
        text += (i > 0 ? "," : "") + type + "/" + stackOwner + "/" + quantity;
    }
    return text;
}

inline std::string Caption(GameLoader& loader, std::int32_t frame) {
    std::string caption = "none";
    loader.GetFrameCaption(frame, caption);
    return caption;
}

inline std::string Player(GameLoader& loader, std::int32_t frame) {
    std::string player = "none";
    loader.GetFramePlayer(frame, player);
    return player;
}

inline std::string TestDataFile(const std::string& name) {
    return std::string(QUELM_TEST_DATA_DIR) + "/game/" + name;
}

inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

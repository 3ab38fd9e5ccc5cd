#pragma once

#include <string>

#include "game/gamehistory.h"
#include "game/gameloader.h"

// The loader's state. The readers fill history directly; everyone else goes through the
// GameLoader interface.
class GameLoaderImpl : public GameLoader {
public:
    void SetGameFile(const std::string& path) override;
    void SetSaveGame(const std::string& path) override;
    void SetConverterOutput(const std::string& path) override;
    std::int32_t GetFrameCount(std::int32_t* count) override;
    void SetFrameCaption(std::int32_t frame, const std::string& caption) override;
    bool GetFrameCaption(std::int32_t frame, std::string& out) override;
    void SetFramePlayer(std::int32_t frame, const std::string& player) override;
    bool GetFramePlayer(std::int32_t frame, std::string& out) override;
    bool FindTerritory(std::int32_t frame, const std::string& name,
                       TerritoryState** out) override;
    bool IsWater(const std::string& territory) override;

    GameHistory history;
    std::string gameFilePath;
    std::string saveGamePath;
    std::string converterOutputPath;
};

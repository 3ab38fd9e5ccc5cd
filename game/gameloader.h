#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/unknown.h"
#include "game/territorystate.h"

// Owns the game history and fills it from a game definition and a converter text.
class GameLoader : public Unknown {
public:
    // Reads the game definition unless path is the one already stored.
    virtual void SetGameFile(const std::string& path) = 0;
    // Unpacks the saved game unless path is the one already stored.
    virtual void SetSaveGame(const std::string& path) = 0;
    // Stores path and reads the converter text from it, every time; "" reads nothing.
    virtual void SetConverterOutput(const std::string& path) = 0;
    // Stores the number of frames in *count (when given) and returns it.
    virtual std::int32_t GetFrameCount(std::int32_t* count) = 0;
    virtual void SetFrameCaption(std::int32_t frame, const std::string& caption) = 0;
    virtual bool GetFrameCaption(std::int32_t frame, std::string& out) = 0;
    virtual void SetFramePlayer(std::int32_t frame, const std::string& player) = 0;
    virtual bool GetFramePlayer(std::int32_t frame, std::string& out) = 0;
    virtual bool FindTerritory(std::int32_t frame, const std::string& name,
                               TerritoryState** out) = 0;
    // True when the game definition marks the territory as water, whatever its name.
    virtual bool IsWater(const std::string& territory) = 0;
    virtual ~GameLoader() = default;
};

// Creates a loader with an empty history and hands the caller its one reference. Returns 0.
HResult CreateGameLoader(GameLoader** out);

// Reads a converter text held in memory into the loader's history, as SetConverterOutput reads
// one from a file: a saved game read by Quelm itself arrives this way. The stored paths stay.
void SetConverterText(GameLoader& loader, std::string_view text);

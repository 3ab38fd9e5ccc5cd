#include "game/gameloader.h"

#include <vector>

#include "base/refcounted.h"
#include "game/convertertextreader.h"
#include "game/gamedefinitionreader.h"
#include "game/gameloaderimpl.h"
#include "game/savegameunpacker.h"

namespace {

bool GetIndexedText(const std::vector<std::string>& texts, std::int32_t index, std::string& out) {
    if (index < 0 || static_cast<std::size_t>(index) >= texts.size()) return false;
    out = texts[static_cast<std::size_t>(index)];
    return true;
}

}  // namespace

void GameLoaderImpl::SetGameFile(const std::string& path) {
    if (path == gameFilePath) return;
    gameFilePath = path;
    ReadGameDefinition(history, gameFilePath);
}

void GameLoaderImpl::SetSaveGame(const std::string& path) {
    if (path == saveGamePath) return;
    saveGamePath = path;
    UnpackSaveGame(history, saveGamePath);
}

void GameLoaderImpl::SetConverterOutput(const std::string& path) {
    converterOutputPath = path;
    if (!converterOutputPath.empty()) ReadConverterText(history, converterOutputPath);
}

std::int32_t GameLoaderImpl::GetFrameCount(std::int32_t* count) {
    const auto size = static_cast<std::int32_t>(history.frames.size());
    if (count) *count = size;
    return size;
}

void GameLoaderImpl::SetFrameCaption(std::int32_t frame, const std::string& caption) {
    SetIndexedText(history.captions, frame, caption);
}

bool GameLoaderImpl::GetFrameCaption(std::int32_t frame, std::string& out) {
    return GetIndexedText(history.captions, frame, out);
}

void GameLoaderImpl::SetFramePlayer(std::int32_t frame, const std::string& player) {
    SetIndexedText(history.players, frame, player);
}

bool GameLoaderImpl::GetFramePlayer(std::int32_t frame, std::string& out) {
    return GetIndexedText(history.players, frame, out);
}

bool GameLoaderImpl::FindTerritory(std::int32_t frame, const std::string& name,
                                   TerritoryState** out) {
    if (frame < 0 || static_cast<std::size_t>(frame) >= history.frames.size()) return false;
    const HistoryFrame& table = history.frames[static_cast<std::size_t>(frame)];
    const auto found = table.find(name);
    if (found == table.end()) return false;
    found->second.CopyTo(out);
    return true;
}

bool GameLoaderImpl::IsWater(const std::string& territory) {
    return history.waterTerritories.count(territory) != 0;
}

HResult CreateGameLoader(GameLoader** out) {
    GameLoader* loader = new RefCounted<GameLoaderImpl>();
    loader->AddRef();
    *out = loader;
    return kResultOk;
}

void SetConverterText(GameLoader& loader, std::string_view text) {
    auto* ours = dynamic_cast<GameLoaderImpl*>(&loader);
    if (ours) ReadConverterTextInMemory(ours->history, text);
}

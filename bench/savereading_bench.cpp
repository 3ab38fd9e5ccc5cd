// Reading a TripleA saved game with Quelm's own reader, and the frames it gives: the save
// named by QUELM_BENCH_SAVE (a 10-round game of quelm_play_ai_game, say) with the game
// definition named by QUELM_BENCH_GAME, or else the shared 2-round save of ww2v2.xml.

#include <cstdlib>
#include <string>

#include <benchmark/benchmark.h>

#include "base/ref.h"
#include "game/gameloader.h"
#include "savegame/savedgame.h"

namespace {

std::string Setting(const char* variable, const std::string& fallback) {
    const char* value = std::getenv(variable);
    return value && *value ? std::string(value) : fallback;
}

std::string SavePath() {
    return Setting("QUELM_BENCH_SAVE",
                   std::string(QUELM_SHARED_DIR) + "/triplea/saves/ww2v2_hard_2rounds.tsvg");
}

std::string GamePath() {
    return Setting("QUELM_BENCH_GAME",
                   std::string(QUELM_SHARED_DIR) +
                       "/triplea/downloadedMaps/world_war_ii_revised/map/games/ww2v2.xml");
}

// The save to converter text: unpacking, the object stream, the history and every frame.
void BM_ReadSavedGameText(benchmark::State& state) {
    const std::string save = SavePath();
    std::string text;
    for (auto _ : state) {
        SavedGameError error;
        if (!ReadSavedGameText(save, text, error)) {
            state.SkipWithError(error.message.c_str());
            return;
        }
        benchmark::DoNotOptimize(text.data());
    }
    state.counters["text_bytes"] = static_cast<double>(text.size());
}
BENCHMARK(BM_ReadSavedGameText)->Unit(benchmark::kMillisecond);

// The whole way from the save to the loader's frames, as quelm_render --save and the
// import go; the game definition is read before, as the programs read it first.
void BM_SavedGameToFrames(benchmark::State& state) {
    const std::string save = SavePath();
    std::int32_t frames = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Ref<GameLoader> loader;
        CreateGameLoader(loader.Receive());
        loader->SetGameFile(GamePath());
        state.ResumeTiming();
        std::string text;
        SavedGameError error;
        if (!ReadSavedGameText(save, text, error)) {
            state.SkipWithError(error.message.c_str());
            return;
        }
        SetConverterText(*loader, text);
        frames = loader->GetFrameCount(nullptr);
        state.PauseTiming();
        loader.Reset();
        state.ResumeTiming();
    }
    state.counters["frames"] = frames;
}
BENCHMARK(BM_SavedGameToFrames)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

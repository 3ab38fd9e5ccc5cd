// Reading speed of the game data: the converter text of a long game, generated here, and
// TripleA's revised.xml game definition.

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>

#include <benchmark/benchmark.h>

#include <malloc.h>

#include "game/convertertextreader.h"
#include "game/gamedefinitionreader.h"
#include "game/gamehistory.h"
#include "historytext.h"

namespace fs = std::filesystem;

namespace {

// The generated texts, written once per shape into the temporary folder and removed when
// the program ends.
class GeneratedTexts {
public:
    ~GeneratedTexts() {
        std::error_code error;
        for (const auto& entry : paths) fs::remove(entry.second, error);
    }

    const std::string& PathFor(const HistoryShape& shape) {
        const std::string name = "quelm-bench-history-" + std::to_string(shape.frames) + "x" +
                                 std::to_string(shape.territories) + "x" +
                                 std::to_string(shape.stacks) + ".txt";
        auto found = paths.find(name);
        if (found != paths.end()) return found->second;
        const std::string path = (fs::temp_directory_path() / name).string();
        std::ofstream out(path, std::ios::binary);
        WriteHistoryText(out, shape);
        return paths.emplace(name, path).first->second;
    }

private:
    std::map<std::string, std::string> paths;
};

GeneratedTexts generatedTexts;

// Arguments: frames; 150 territories per frame with 6 stacks each, one unit per stack.
void BM_ReadConverterText(benchmark::State& state) {
    HistoryShape shape;
    shape.frames = state.range(0);
    const std::string& path = generatedTexts.PathFor(shape);
    for (auto _ : state) {
        auto history = std::make_unique<GameHistory>();
        ReadConverterText(*history, path);
        benchmark::DoNotOptimize(history->frames.size());
        state.PauseTiming();
        history.reset();
        // Memory goes back to the system, so that every reading starts as the viewer's
        // first one does, paying for its fresh pages.
        malloc_trim(0);
        state.ResumeTiming();
    }
    const auto lines = HistoryTextLineCount(shape);
    state.SetItemsProcessed(state.iterations() * lines);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(fs::file_size(path)));
    state.counters["lines"] = static_cast<double>(lines);
}
BENCHMARK(BM_ReadConverterText)->Arg(500)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond);

void BM_ReadGameDefinitionRevised(benchmark::State& state) {
    const std::string path =
        std::string(QUELM_SHARED_DIR) + "/triplea/triplea_0_8_2_1/games/revised.xml";
    if (!fs::exists(path)) {
        state.SkipWithError("shared TripleA files not found");
        return;
    }
    for (auto _ : state) {
        GameHistory history;
        ReadGameDefinition(history, path);
        benchmark::DoNotOptimize(history.frames.front().size());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(fs::file_size(path)));
}
BENCHMARK(BM_ReadGameDefinitionRevised)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

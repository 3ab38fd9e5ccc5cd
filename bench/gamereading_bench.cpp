// Reading speed of the game data: the converter text of a long game, generated here, and
// TripleA's revised.xml game definition.

#include <cstdint>
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

    // The file mark followed by bytes of a fixed pseudo-random sequence.
    const std::string& NoisePath(std::int64_t bytes) {
        const std::string name = "quelm-bench-history-noise-" + std::to_string(bytes) + ".txt";
        auto found = paths.find(name);
        if (found != paths.end()) return found->second;
        const std::string path = (fs::temp_directory_path() / name).string();
        std::ofstream out(path, std::ios::binary);
        out << "TrevoConvert\n";
        std::uint32_t seed = 1;
        for (std::int64_t i = 0; i < bytes; ++i) {
            seed = seed * 1103515245u + 12345u;
            out.put(static_cast<char>(seed >> 24));
        }
        return paths.emplace(name, path).first->second;
    }

private:
    std::map<std::string, std::string> paths;
};

GeneratedTexts generatedTexts;

// Reads the text once per iteration into an empty history, counting lines.
void TimeReadings(benchmark::State& state, const std::string& path, std::int64_t lines) {
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
    state.SetItemsProcessed(state.iterations() * lines);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(fs::file_size(path)));
    state.counters["lines"] = static_cast<double>(lines);
}

// Arguments: frames; 150 territories per frame with 6 stacks each, one unit per stack.
void BM_ReadConverterText(benchmark::State& state) {
    HistoryShape shape;
    shape.frames = state.range(0);
    TimeReadings(state, generatedTexts.PathFor(shape), HistoryTextLineCount(shape));
}
BENCHMARK(BM_ReadConverterText)->Arg(500)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond);

// Texts of unusual shapes, each read from an empty history; the lines counted are line
// feeds (a line longer than 255 bytes is read as several pieces).
//   0: one frame, one territory, 300,000 unit lines of 50,000 types (6 units each)
//   1: one frame, 200,000 territories of one unit each
//   2: 20 MB of bytes from a fixed pseudo-random sequence after the file mark
void BM_ReadConverterTextShape(benchmark::State& state) {
    static std::map<std::int64_t, std::string> paths;
    std::string& path = paths[state.range(0)];
    if (path.empty()) {
        const HistoryShape shape =
            state.range(0) == 0 ? HistoryShape{1, 1, 50000, 6} : HistoryShape{1, 200000, 1, 1};
        path = state.range(0) == 2 ? generatedTexts.NoisePath(std::int64_t{20} << 20)
                                   : generatedTexts.PathFor(shape);
    }
    std::int64_t lines = 0;
    {
        std::ifstream in(path, std::ios::binary);
        std::string line;
        while (std::getline(in, line)) ++lines;
    }
    TimeReadings(state, path, lines);
}
BENCHMARK(BM_ReadConverterTextShape)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

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

#include "map/mapload.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <string>

namespace {

// The real maps of TripleA 0.8.2.1, beside the project (or under QUELM_SHARED).
std::string MapFolder(const char* map) {
    const char* shared = std::getenv("QUELM_SHARED");
    const std::string folder = shared && *shared ? shared : QUELM_SHARED_DIR;
    return folder + "/triplea/triplea_0_8_2_1/maps/" + map;
}

// One load of the map folder: with reuse 0 a whole first load, with reuse 1 a load of the
// same folder unchanged since the previous load.
void LoadMap(benchmark::State& state, const char* map) {
    MapData mapData;
    mapData.mapFolder = MapFolder(map);
    if (!LoadMapData(mapData)) {
        state.SkipWithError("map folder not found or not loadable");
        return;
    }
    for (auto _ : state) {
        if (state.range(0) == 0) mapData.loadMemory = MapLoadMemory();
        benchmark::DoNotOptimize(LoadMapData(mapData));
    }
    const auto tiles = std::count_if(mapData.tiles.begin(), mapData.tiles.end(),
                                     [](const Ref<Tile>& tile) { return bool(tile); });
    state.counters["tiles"] = static_cast<double>(tiles);
}

}  // namespace

BENCHMARK_CAPTURE(LoadMap, revised, "revised")
    ->ArgName("reuse")
    ->DenseRange(0, 1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(LoadMap, classic, "classic")
    ->ArgName("reuse")
    ->DenseRange(0, 1)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();

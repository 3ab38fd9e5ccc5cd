// Frame preparation, painting and export on the real revised map with the revised game.
// Run: build/bench/quelm_render_bench --benchmark_repetitions=10
//          --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <QImage>

#include "base/ref.h"
#include "game/gameloaderimpl.h"
#include "render/loadingdialoghost.h"
#include "platform/guistarter.h"
#include "render/maprenderer.h"
#include "render/maprendererimpl.h"
#include "render/paintercanvas.h"

namespace {

std::string SharedFolder() {
    const char* overridden = std::getenv("QUELM_SHARED");
    return overridden && *overridden ? overridden : QUELM_SHARED_DIR;
}

std::string TripleAFolder() { return SharedFolder() + "/triplea/triplea_0_8_2_1"; }

// A renderer set up as the viewer sets it up with the default settings, on a map and game,
// or none when the files are missing or give no frame.
Ref<MapRenderer> RendererOn(benchmark::State& state, const std::string& map,
                            const std::string& game) {
    static GuiStarter* gui = new GuiStarter(true);  // kept for the whole run
    (void)gui;
    Ref<MapRenderer> renderer;
    if (!std::filesystem::is_directory(map) || CreateMapRenderer(renderer.Receive()) < 0) {
        state.SkipWithError("the shared TripleA files are missing");
        return Ref<MapRenderer>();
    }
    Ref<GameLoader> loader;
    renderer->GetGameLoader(loader.Receive());
    loader->SetGameFile(game);
    renderer->SetImagesFolder(TripleAFolder() + "/images");
    renderer->SetMapFolder(map);
    renderer->SetLargeFlags(true);
    renderer->SetUnitColour(255, 200, 0);
    if (loader->GetFrameCount(nullptr) == 0) {
        state.SkipWithError("the game definition gave no frame");
        return Ref<MapRenderer>();
    }
    return renderer;
}

// The revised map and game of TripleA 0.8.2.1 (one tile set).
Ref<MapRenderer> RevisedRenderer(benchmark::State& state) {
    const std::string folder = TripleAFolder();
    return RendererOn(state, folder + "/maps/revised", folder + "/games/revised.xml");
}

// The world_war_ii_revised map of TripleA 1.9 with its ww2v2 game: base and relief tiles.
Ref<MapRenderer> WorldWarIIRevisedRenderer(benchmark::State& state) {
    const std::string map = SharedFolder() + "/triplea/downloadedMaps/world_war_ii_revised/map";
    return RendererOn(state, map, map + "/games/ww2v2.xml");
}

MapRendererImpl& Impl(const Ref<MapRenderer>& renderer) {
    return *static_cast<MapRendererImpl*>(renderer.Get());
}

// PrepareFrame on map 0 (revised) or 1 (world_war_ii_revised); with reuse 0 every
// preparation reads the whole map folder and rasterizes the outlines as the first one
// does, with reuse 1 it finds the files unchanged since the previous preparation and the
// outlines rasterized, as every later preparation does.
void BM_PrepareFrame(benchmark::State& state) {
    Ref<MapRenderer> renderer =
        state.range(0) == 0 ? RevisedRenderer(state) : WorldWarIIRevisedRenderer(state);
    if (!renderer) return;
    MapRendererImpl& impl = Impl(renderer);
    impl.SizeFrameCache();
    impl.PrepareFrame();
    for (auto _ : state) {
        if (state.range(1) == 0) {
            impl.mapData.loadMemory = MapLoadMemory();
            impl.outlineStamps = OutlineStamps();
        }
        impl.PrepareFrame();
        if (!impl.ready) state.SkipWithError("the frame could not be prepared");
    }
}
BENCHMARK(BM_PrepareFrame)
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->ArgNames({"map", "reuse"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

// The loading dialog's walk, without its 100 ms ticks, over a history of as many frames as
// the argument (copies of the revised game's first frame), on a renderer just created as
// the viewer's is at start.
void BM_LoadingWalk(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        Ref<MapRenderer> renderer = RevisedRenderer(state);
        if (!renderer) return;
        Ref<GameLoader> loader;
        renderer->GetGameLoader(loader.Receive());
        GameHistory& history = static_cast<GameLoaderImpl*>(loader.Get())->history;
        while (history.frames.size() < static_cast<std::size_t>(state.range(0))) {
            history.frames.push_back(history.frames.front());
        }
        HeadlessLoadingHost host;
        state.ResumeTiming();
        renderer->RunLoadingDialog(&host);
        state.counters["prepared"] = static_cast<double>(host.positions.size());
    }
}
BENCHMARK(BM_LoadingWalk)->Arg(60)->Arg(285)->Unit(benchmark::kMillisecond)->Iterations(3);

// The drawing steps of a preparation alone, on a frame image kept between runs: 0 draws
// the tiles, 1 the territories with their flags and units as a preparation does, blending
// the outlines' kept coverage, 2 the same stroking every outline again.
void BM_PrepareStep(benchmark::State& state) {
    Ref<MapRenderer> renderer = RevisedRenderer(state);
    if (!renderer) return;
    MapRendererImpl& impl = Impl(renderer);
    impl.SizeFrameCache();
    impl.PrepareFrame();
    QImage frame = impl.frameCache[static_cast<std::size_t>(impl.currentFrame)];
    for (auto _ : state) {
        PainterCanvas canvas(frame, state.range(0) == 1 ? &impl.outlineStamps : nullptr);
        canvas.SetAntialiasing(true);
        if (state.range(0) == 0) {
            impl.DrawTiles(canvas);
        } else {
            impl.DrawTerritories(canvas);
        }
    }
}
BENCHMARK(BM_PrepareStep)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(5);

// One paint of a 1920 x 1080 view at zoom percent / 100, the offset moving one pixel per
// paint as in the screen saver.
void BM_Paint(benchmark::State& state) {
    Ref<MapRenderer> renderer = RevisedRenderer(state);
    if (!renderer) return;
    renderer->SetWidth(1920);
    renderer->SetHeight(1080);
    renderer->SetOffsetX(-1920);
    renderer->SetZoom(static_cast<double>(state.range(0)) / 100);
    QImage view;
    if (!renderer->Paint(nullptr, &view)) {  // prepares the frame and scales it once
        state.SkipWithError("the frame could not be painted");
        return;
    }
    std::int32_t offset = -1920;
    for (auto _ : state) {
        renderer->SetOffsetX(--offset);
        benchmark::DoNotOptimize(renderer->Paint(nullptr, &view));
    }
}
BENCHMARK(BM_Paint)->Arg(34)->Arg(90)->Unit(benchmark::kMillisecond);

// The first paint after the frame or the zoom changed: the frame is scaled once, by area
// averaging, for the paints that follow.
void BM_ScaleFrame(benchmark::State& state) {
    Ref<MapRenderer> renderer = RevisedRenderer(state);
    if (!renderer) return;
    MapRendererImpl& impl = Impl(renderer);
    impl.SizeFrameCache();
    impl.PrepareFrame();
    const QImage& frame = impl.frameCache[static_cast<std::size_t>(impl.currentFrame)];
    renderer->SetZoom(static_cast<double>(state.range(0)) / 100);
    const std::int32_t w = impl.ScaleByZoom(frame.width());
    const std::int32_t h = impl.ScaleByZoom(frame.height());
    for (auto _ : state) {
        impl.DropScaledFrame();
        benchmark::DoNotOptimize(impl.ScaledFrame(frame, w, h).constBits());
    }
}
BENCHMARK(BM_ScaleFrame)->Arg(34)->Arg(90)->Unit(benchmark::kMillisecond);

void BM_ExportJpeg(benchmark::State& state) {
    Ref<MapRenderer> renderer = RevisedRenderer(state);
    if (!renderer) return;
    renderer->SetWidth(64);
    renderer->SetHeight(64);
    QImage view;
    renderer->Paint(nullptr, &view);
    const std::string path =
        (std::filesystem::temp_directory_path() / "quelm-bench-export.jpg").string();
    for (auto _ : state) {
        if (!renderer->ExportJpeg(3500, 2000, path)) state.SkipWithError("the export failed");
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_ExportJpeg)->Unit(benchmark::kMillisecond);

// The overlay that every paint draws last: the large flag and a caption with its halo.
void BM_DrawOverlay(benchmark::State& state) {
    Ref<MapRenderer> renderer = RevisedRenderer(state);
    if (!renderer) return;
    Ref<GameLoader> loader;
    renderer->GetGameLoader(loader.Receive());
    loader->SetFramePlayer(0, "Germans");
    loader->SetFrameCaption(0, "Round 2 - Germans Combat Move");
    MapRendererImpl& impl = Impl(renderer);
    impl.currentFrame = 0;
    QImage view(1920, 1080, QImage::Format_ARGB32_Premultiplied);
    view.fill(Qt::black);
    for (auto _ : state) {
        PainterCanvas canvas(view);
        impl.DrawOverlay(canvas);
    }
}
BENCHMARK(BM_DrawOverlay)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

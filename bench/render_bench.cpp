// Frame preparation, painting and export on the real revised map with the revised game.
// Run: build/bench/quelm_render_bench --benchmark_repetitions=10
//          --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <QImage>

#include "base/ref.h"
#include "platform/guistarter.h"
#include "render/maprenderer.h"
#include "render/maprendererimpl.h"
#include "render/paintercanvas.h"

namespace {

std::string TripleAFolder() {
    const char* overridden = std::getenv("QUELM_SHARED");
    const std::string shared = overridden && *overridden ? overridden : QUELM_SHARED_DIR;
    return shared + "/triplea/triplea_0_8_2_1";
}

// A renderer set up as the viewer sets it up with the default settings, on the revised map
// and game, or none when the files are missing or give no frame.
Ref<MapRenderer> RevisedRenderer(benchmark::State& state) {
    static GuiStarter* gui = new GuiStarter(true);  // kept for the whole run
    (void)gui;
    const std::string folder = TripleAFolder();
    Ref<MapRenderer> renderer;
    if (!std::filesystem::is_directory(folder + "/maps/revised") ||
        CreateMapRenderer(renderer.Receive()) < 0) {
        state.SkipWithError("the shared TripleA files are missing");
        return Ref<MapRenderer>();
    }
    Ref<GameLoader> loader;
    renderer->GetGameLoader(loader.Receive());
    loader->SetGameFile(folder + "/games/revised.xml");
    renderer->SetImagesFolder(folder + "/images");
    renderer->SetMapFolder(folder + "/maps/revised");
    renderer->SetLargeFlags(true);
    renderer->SetUnitColour(255, 200, 0);
    if (loader->GetFrameCount(nullptr) == 0) {
        state.SkipWithError("the game definition gave no frame");
        return Ref<MapRenderer>();
    }
    return renderer;
}

MapRendererImpl& Impl(const Ref<MapRenderer>& renderer) {
    return *static_cast<MapRendererImpl*>(renderer.Get());
}

void BM_PrepareFrame(benchmark::State& state) {
    Ref<MapRenderer> renderer = RevisedRenderer(state);
    if (!renderer) return;
    MapRendererImpl& impl = Impl(renderer);
    impl.SizeFrameCache();
    for (auto _ : state) {
        impl.PrepareFrame();
        if (!impl.ready) state.SkipWithError("the frame could not be prepared");
    }
}
BENCHMARK(BM_PrepareFrame)->Unit(benchmark::kMillisecond)->Iterations(5);

// The two drawing steps of a preparation alone, on a frame image kept between runs:
// 0 draws the tiles, 1 the territories with their flags and units.
void BM_PrepareStep(benchmark::State& state) {
    Ref<MapRenderer> renderer = RevisedRenderer(state);
    if (!renderer) return;
    MapRendererImpl& impl = Impl(renderer);
    impl.SizeFrameCache();
    impl.PrepareFrame();
    QImage frame = impl.frameCache[static_cast<std::size_t>(impl.currentFrame)];
    for (auto _ : state) {
        PainterCanvas canvas(frame);
        canvas.SetAntialiasing(true);
        if (state.range(0) == 0) {
            impl.DrawTiles(canvas);
        } else {
            impl.DrawTerritories(canvas);
        }
    }
}
BENCHMARK(BM_PrepareStep)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5);

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

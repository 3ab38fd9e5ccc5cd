#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include <QImage>

#include "render/imagefile.h"
#include "render/paintercanvas.h"
#include "rendertestsupport.h"
#include "testsupport.h"

namespace {

// A frame drawn with every tile drawn over the white frame and every outline stroked by
// Qt, as frames were drawn before the renderer kept composed tiles and outline coverage.
QImage StrokedFrame(MapRendererImpl& impl) {
    QImage frame = NewImage(impl.mapData.mapWidth, impl.mapData.mapHeight);
    frame.fill(QColor(Qt::white));
    PainterCanvas canvas(frame);
    canvas.SetAntialiasing(true);
    impl.DrawTiles(canvas);
    impl.DrawTerritories(canvas);
    return frame;
}

int DifferentPixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return -1;
    int different = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto* left = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* right = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) different += left[x] != right[x] ? 1 : 0;
    }
    return different;
}

// Prepares frame 0 twice (the first preparation composes the tiles and rasterizes the
// outlines, the second reuses them) and expects each to equal the frame drawn plainly with
// the same colours.
void ExpectFramesAsStroked(const Ref<MapRenderer>& renderer, const std::string& what) {
    MapRendererImpl& impl = ImplOf(renderer);
    impl.currentFrame = 0;
    impl.SizeFrameCache();
    for (const char* pass : {"first", "second"}) {
        const RandomGenerator colours = impl.random;
        impl.PrepareFrame();
        ASSERT_TRUE(impl.ready) << what;
        const QImage kept = impl.frameCache[0];
        impl.random = colours;
        EXPECT_EQ(DifferentPixels(kept, StrokedFrame(impl)), 0) << what << ", " << pass;
    }
    EXPECT_GT(impl.outlineStamps.Count(), 0u) << what;
}

Ref<MapRenderer> RendererOn(const std::string& map, const std::string& game,
                            const std::string& images, bool relief) {
    Ref<MapRenderer> renderer;
    EXPECT_EQ(CreateMapRenderer(renderer.Receive()), 0);
    Ref<GameLoader> loader;
    renderer->GetGameLoader(loader.Receive());
    loader->SetGameFile(game);
    renderer->SetImagesFolder(images);
    renderer->SetMapFolder(map);
    renderer->SetUseRelief(relief);
    renderer->SetLargeFlags(true);
    renderer->SetTerritoryLabels(true);
    renderer->SetUnitQuantities(true);
    return renderer;
}

TEST(KeptDrawingTest, RealMapFramesAreThoseThatStrokingDraws) {
    StartGuiForTests();
    QUELM_REQUIRE_SHARED_TRIPLEA(folder);
    struct Case {
        const char* map;
        const char* game;
        bool relief;
    };
    for (const Case& c : {Case{"revised", "revised", false}, Case{"pact_of_steel", "pact_of_steel", false},
                          Case{"classic", "classic", true}, Case{"minimap", "minimap", false}}) {
        const std::string what = std::string(c.map) + (c.relief ? " with relief" : "");
        ExpectFramesAsStroked(RendererOn(folder + "/maps/" + c.map, folder + "/games/" + c.game + ".xml",
                                         folder + "/images", c.relief),
                              what);
    }
    const std::string ww2 = folder + "/../downloadedMaps/world_war_ii_revised/map";
    if (QFileInfo::exists(QString::fromStdString(ww2))) {
        ExpectFramesAsStroked(RendererOn(ww2, ww2 + "/games/ww2v2.xml", folder + "/images", true),
                              "world_war_ii_revised");
    }
}

// A 120 x 80 map without tiles: a zigzag outline of 63 corners, stroked in two pieces
// that overlap, running out of the frame on three sides, and a small triangle.
void ZigzagMap(MapData& data) {
    data.mapWidth = 120;
    data.mapHeight = 80;
    Territory& zigzag = data.territories["Zigzag"];
    zigzag.name = "Zigzag";
    for (int i = 0; i <= 60; ++i) zigzag.points.push_back({-5 + 2 * i, 10 + (i % 2) * 7 + i / 7});
    zigzag.points.push_back({130, 95});
    zigzag.points.push_back({-10, 90});
    zigzag.polygons = {{0, static_cast<std::int32_t>(zigzag.points.size())}};
    Territory& triangle = data.territories["Triangle"];
    triangle.name = "Triangle";
    triangle.points = {{40, 30}, {70, 33}, {52, 60}};
    triangle.polygons = {{0, 3}};
    for (Territory* territory : {&zigzag, &triangle}) territory->outlineCache.resize(1);
    data.PlayerColours["Reds"] = 0xFFC03030;
}

TEST(KeptDrawingTest, OutlinesCutByTheFrameEdgesAndOverlappingPiecesBlendAsStroked) {
    StartGuiForTests();
    Ref<MapRenderer> renderer;
    ASSERT_EQ(CreateMapRenderer(renderer.Receive()), 0);
    UseHandMadeMap(renderer, ZigzagMap);
    SetTerritory(HistoryOf(renderer), 0, "Zigzag", "Reds");
    SetTerritory(HistoryOf(renderer), 0, "Triangle", "Blues");
    ExpectFramesAsStroked(renderer, "zigzag");
}

// Frames are large enough to get memory of their own, which is kept for the next frame of
// the same size when given back: a new image must not show the old one's pixels.
TEST(KeptDrawingTest, ALargeImageMadeFromMemoryGivenBackStartsAsAsked) {
    for (const std::uint32_t pixel : {0u, 0xFFFFFFFFu, 0x80402010u}) {
        {
            QImage old = NewImage(3000, 1000);
            ASSERT_FALSE(old.isNull());
            old.fill(0xFF123456u);
        }
        const QImage fresh = NewImage(3000, 1000, pixel);
        ASSERT_FALSE(fresh.isNull());
        int wrong = 0;
        for (int y = 0; y < fresh.height(); y += 7) {
            const auto* line = reinterpret_cast<const QRgb*>(fresh.constScanLine(y));
            for (int x = 0; x < fresh.width(); ++x) wrong += line[x] != pixel ? 1 : 0;
        }
        EXPECT_EQ(wrong, 0) << std::hex << pixel;
    }
}

}  // namespace

#include <gtest/gtest.h>

#include "rendertestsupport.h"

namespace {

class MapRendererTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(CreateMapRenderer(renderer.Receive()), 0); }
    MapRendererImpl& Impl() { return ImplOf(renderer); }
    // Pretends frames were prepared, so that a clearing can be seen.
    void FillCache(int frames) {
        Impl().frameCache.assign(static_cast<std::size_t>(frames), QImage(4, 4, QImage::Format_ARGB32_Premultiplied));
        Impl().frameDirty.assign(static_cast<std::size_t>(frames), 0);
    }
    bool CacheCleared() { return Impl().frameCache.empty() && Impl().frameDirty.empty(); }

    Ref<MapRenderer> renderer;
    CountingWindow window;
};

TEST_F(MapRendererTest, CreationDefaults) {
    MapRendererImpl& impl = Impl();
    EXPECT_EQ(impl.mapData.mapFolder, "");
    EXPECT_EQ(impl.imagesFolder, "");
    EXPECT_EQ(impl.mapData.tileWidth, 256);
    EXPECT_EQ(impl.mapData.tileHeight, 256);
    EXPECT_TRUE(impl.mapData.useRelief);
    EXPECT_EQ(renderer->GetZoom(), 0.4);
    EXPECT_EQ(std::vector<int>({impl.unitRed, impl.unitGreen, impl.unitBlue}),
              std::vector<int>({255, 0, 246}));
    EXPECT_EQ(impl.direction, -1);
    EXPECT_EQ(impl.currentFrame, -1);
    EXPECT_EQ(impl.frameDelay, 500);
    EXPECT_EQ(impl.lastFrameDelay, 5000);
    EXPECT_EQ(impl.cacheLimit, 10);
    EXPECT_FALSE(impl.ready);
    EXPECT_FALSE(impl.largeFlags || impl.territoryLabels || impl.unitQuantities);
    EXPECT_EQ(impl.window, nullptr);
}

TEST_F(MapRendererTest, FolderSettersClearOnlyOnADifferentText) {
    renderer->SetMapFolder("maps/revised");
    FillCache(3);
    renderer->SetMapFolder("maps/revised");
    EXPECT_FALSE(CacheCleared());
    renderer->SetMapFolder("maps/Revised");
    EXPECT_TRUE(CacheCleared());
    EXPECT_EQ(Impl().mapData.mapFolder, "maps/Revised");

    renderer->SetImagesFolder("images");
    FillCache(3);
    renderer->SetImagesFolder("images");
    EXPECT_FALSE(CacheCleared());
    renderer->SetImagesFolder("images2");
    EXPECT_TRUE(CacheCleared());
}

TEST_F(MapRendererTest, DrawingSettersClearOnChangeAndUnitColourAlways) {
    FillCache(2);
    renderer->SetLargeFlags(false);
    renderer->SetTerritoryLabels(false);
    renderer->SetUnitQuantities(false);
    renderer->SetTileWidth(256);
    renderer->SetTileHeight(256);
    renderer->SetUseRelief(false);
    renderer->SetFrameDelay(2000);
    renderer->SetLastFrameDelay(10000);
    EXPECT_FALSE(CacheCleared());
    EXPECT_EQ(Impl().frameDelay, 2000);
    EXPECT_EQ(Impl().lastFrameDelay, 10000);
    EXPECT_FALSE(Impl().mapData.useRelief);

    for (auto set : std::vector<std::function<void()>>{
             [&] { renderer->SetLargeFlags(true); },
             [&] { renderer->SetTerritoryLabels(true); },
             [&] { renderer->SetUnitQuantities(true); },
             [&] { renderer->SetTileWidth(128); },
             [&] { renderer->SetTileHeight(128); },
             [&] { renderer->SetUnitColour(255, 0, 246); },  // same as before, still clears
         }) {
        FillCache(2);
        set();
        EXPECT_TRUE(CacheCleared());
    }
}

TEST_F(MapRendererTest, ViewSettersRepaintOnlyOnceAWindowIsKnownAndOnlyOnChange) {
    renderer->SetZoom(0.5);
    renderer->SetWidth(800);
    renderer->SetOffsetX(-800);
    EXPECT_EQ(window.repaints, 0);
    EXPECT_EQ(renderer->GetZoom(), 0.5);
    EXPECT_EQ(renderer->GetOffsetX(), -800);

    Impl().window = &window;  // as the first paint that draws a frame does
    renderer->SetZoom(0.5);
    renderer->SetWidth(800);
    renderer->SetHeight(0);
    renderer->SetOffsetX(-800);
    renderer->SetOffsetY(0);
    EXPECT_EQ(window.repaints, 0);
    renderer->SetZoom(0.6);
    renderer->SetWidth(801);
    renderer->SetHeight(600);
    renderer->SetOffsetX(-801);
    renderer->SetOffsetY(12);
    EXPECT_EQ(window.repaints, 5);
    EXPECT_EQ(renderer->GetOffsetY(), 12);
    EXPECT_EQ(Impl().viewWidth, 801);
    EXPECT_EQ(Impl().viewHeight, 600);
}

TEST_F(MapRendererTest, ScaleByZoomKeepsLengthsNearOneAndRoundsUpElsewhere) {
    Impl().mapData.mapWidth = 1000;
    Impl().mapData.mapHeight = 1001;
    const std::vector<std::pair<double, std::pair<int, int>>> cases = {
        {1.0, {1000, 1001}}, {0.999, {1000, 1001}}, {1.009, {1000, 1001}},
        {0.99, {990, 991}},  {1.01, {1010, 1012}},  {0.4, {400, 401}},
        {0.34, {340, 341}},  {0.0, {0, 0}},         {2.5, {2500, 2503}},
    };
    for (const auto& [zoom, expected] : cases) {
        renderer->SetZoom(zoom);
        EXPECT_EQ(renderer->GetScaledMapWidth(), expected.first) << "zoom " << zoom;
        EXPECT_EQ(renderer->GetScaledMapHeight(), expected.second) << "zoom " << zoom;
    }
    renderer->SetZoom(1e12);
    EXPECT_EQ(renderer->GetScaledMapWidth(), INT32_MAX);
    renderer->SetZoom(-1e12);
    EXPECT_EQ(renderer->GetScaledMapWidth(), INT32_MIN);
    renderer->SetZoom(std::nan(""));
    EXPECT_EQ(renderer->GetScaledMapWidth(), 0);
}

TEST_F(MapRendererTest, GetGameLoaderHandsOutTheSameLoaderWithAReference) {
    Ref<GameLoader> first;
    Ref<GameLoader> second;
    renderer->GetGameLoader(first.Receive());
    renderer->GetGameLoader(second.Receive());
    ASSERT_TRUE(first);
    EXPECT_EQ(first, second);
    EXPECT_EQ(first->AddRef(), 4);  // the renderer's, two holders', this one
    first->Release();
    // The loader outlives the renderer while someone holds it.
    FillHistory(renderer, 2);
    renderer.Reset();
    EXPECT_EQ(first->GetFrameCount(nullptr), 2);
}

TEST(MapRendererLifetime, ReleasingARendererWithAFilledHistoryFreesEverything) {
    // LeakSanitizer, in the sanitizer build, reports anything this leaves behind.
    Ref<MapRenderer> renderer;
    ASSERT_EQ(CreateMapRenderer(renderer.Receive()), 0);
    FillHistory(renderer, 30);
    MapRendererImpl& impl = ImplOf(renderer);
    impl.frameCache.assign(30, QImage(8, 8, QImage::Format_ARGB32_Premultiplied));
    impl.frameDirty.assign(30, 1);
    Ref<Tile> tile;
    CreateTile("tile.png", QImage(2, 2, QImage::Format_ARGB32_Premultiplied), tile.Receive());
    impl.mapData.tiles.assign(4, tile);
    impl.flagImages["Germans"] = tile;
    impl.unitImages["units/Germans/infantry.png"] = tile;
    impl.mapData.territories["Germany"].outlineCache.push_back({QPointF(1, 2)});
    EXPECT_EQ(tile->AddRef(), 8);
    tile->Release();
    renderer.Reset();
    EXPECT_EQ(tile->AddRef(), 2);  // only this holder is left
    tile->Release();
}

}  // namespace

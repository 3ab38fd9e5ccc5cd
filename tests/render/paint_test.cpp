#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "recordingcanvas.h"
#include "rendertestsupport.h"

namespace {

using Kind = RecordingCanvas::Kind;

// A 400 x 200 map with one red square territory at (100, 50) - (200, 150).
void RedSquareMap(MapData& data) {
    data.mapWidth = 400;
    data.mapHeight = 200;
    Territory& square = data.territories["Square"];
    square.name = "Square";
    square.points = {{100, 50}, {200, 50}, {200, 150}, {100, 150}};
    square.polygons = {{0, 4}};
    square.outlineCache.resize(1);
    data.PlayerColours["Reds"] = 0xFFFF0000;
}

class PaintTest : public ::testing::Test {
protected:
    void SetUp() override {
        StartGuiForTests();
        ASSERT_EQ(CreateMapRenderer(renderer.Receive()), 0);
        UseHandMadeMap(renderer, RedSquareMap, &loads);
    }
    MapRendererImpl& Impl() { return ImplOf(renderer); }
    void SetView(int width, int height) {
        renderer->SetWidth(width);
        renderer->SetHeight(height);
    }
    // Puts a frame image of the given size in the cache as if it had been prepared.
    void CacheFrame(int width, int height) {
        FillHistory(renderer, 1);
        Impl().SizeFrameCache();
        Impl().frameCache[0] = QImage(width, height, QImage::Format_ARGB32_Premultiplied);
        Impl().frameDirty[0] = 0;
        Impl().ready = true;
    }
    RecordingCanvas PaintRecorded(bool expected = true) {
        RecordingCanvas canvas;
        EXPECT_EQ(Impl().PaintOn(canvas, &window), expected);
        return canvas;
    }
    void ExpectInvalidPicture(const RecordingCanvas& canvas, int width, int height) {
        ASSERT_EQ(canvas.calls.size(), 2u);
        EXPECT_EQ(canvas.calls[0].points, Corners(0, 0, width, height));
        EXPECT_EQ(canvas.calls[0].colour, 0xFF3C0000u);
        EXPECT_EQ(canvas.calls[1].text, "Current Quelm configuration is invalid!");
        EXPECT_EQ(canvas.calls[1].rect, QRectF(0, 0, width / 2, height / 2));
        EXPECT_EQ(canvas.calls[1].colour, 0xFFFF0000u);
        EXPECT_EQ(canvas.calls[1].style.pointSize, 16);
        EXPECT_EQ(canvas.calls[1].style.alignment, TextStyle::Alignment::Centre);
    }
    std::vector<QRectF> CopiesDrawn(const RecordingCanvas& canvas) {
        std::vector<QRectF> copies;
        for (const auto& image : canvas.Of(Kind::Image)) copies.push_back(image.rect);
        return copies;
    }

    int loads = 0;
    Ref<MapRenderer> renderer;
    CountingWindow window;
};

TEST_F(PaintTest, FirstPaintOfFiveFramesPreparesOnlyTheLast) {
    FillHistory(renderer, 5);
    SetView(120, 90);
    QImage view;
    EXPECT_TRUE(renderer->Paint(&window, &view));
    EXPECT_EQ(loads, 1);
    EXPECT_EQ(Impl().currentFrame, 4);
    EXPECT_EQ(Impl().frameDirty, (std::vector<std::uint8_t>{1, 1, 1, 1, 0}));
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(Impl().frameCache[i].isNull());
    EXPECT_EQ(Impl().frameCache[4].size(), QSize(400, 200));
    EXPECT_EQ(Impl().window, &window);
    EXPECT_EQ(view.size(), QSize(120, 90));
    const uchar* bits = view.constBits();
    EXPECT_TRUE(renderer->Paint(&window, &view));
    EXPECT_EQ(loads, 1);                // from the cache
    EXPECT_EQ(view.constBits(), bits);  // the view image is reused
}

TEST_F(PaintTest, EvictionDropsTheLowestCachedFrameOrTheHighestBelowIt) {
    FillHistory(renderer, 22);
    for (std::int32_t current : {21, 5}) {
        Impl().frameCache.assign(22, QImage());
        Impl().frameDirty.assign(22, 1);
        for (int i = 10; i <= 20; ++i) {
            Impl().frameCache[i] = QImage(1, 1, QImage::Format_ARGB32_Premultiplied);
            Impl().frameDirty[i] = 0;
        }
        Impl().currentFrame = current;
        Impl().PrepareFrame();
        const int victim = current == 21 ? 10 : 20;
        EXPECT_TRUE(Impl().frameCache[victim].isNull()) << "current " << current;
        EXPECT_EQ(Impl().frameDirty[victim], 1);
        EXPECT_FALSE(Impl().frameCache[current].isNull());
        EXPECT_FALSE(Impl().frameCache[current == 21 ? 20 : 10].isNull());
    }
}

TEST_F(PaintTest, AFailedPreparationShowsTheInvalidPictureUntilOneSucceeds) {
    FillHistory(renderer, 3);
    SetView(300, 201);
    bool loadable = false;
    Impl().loadMapData = [&loadable](MapData& data) {
        RedSquareMap(data);
        return loadable;
    };
    ExpectInvalidPicture(PaintRecorded(false), 300, 201);
    EXPECT_EQ(Impl().frameDirty[2], 0);  // passed, not tried on every paint
    EXPECT_EQ(Impl().window, nullptr);
    loadable = true;
    ExpectInvalidPicture(PaintRecorded(false), 300, 201);
    renderer->PrevFrame(false);
    PaintRecorded(true);
    // The failed frame stays without an image until the cache is cleared.
    renderer->NextFrame(false);
    EXPECT_TRUE(PaintRecorded(false).calls.empty());
}

TEST_F(PaintTest, CopiesAreScaledRepeatedFromTheOffsetAndCentredWhenLow) {
    CacheFrame(4000, 1000);
    SetView(2000, 1000);
    renderer->SetZoom(0.4);
    renderer->SetOffsetX(-1000);
    renderer->SetOffsetY(77);
    RecordingCanvas canvas = PaintRecorded();
    ASSERT_GE(canvas.calls.size(), 1u);
    EXPECT_EQ(canvas.calls[0].points, Corners(0, 0, 2000, 1000));
    EXPECT_EQ(canvas.calls[0].colour, 0xFF000000u);
    EXPECT_EQ(CopiesDrawn(canvas),
              (std::vector<QRectF>{{-1000, 300, 1600, 400}, {600, 300, 1600, 400}}));
    // The frame comes already scaled, so that painting only copies.
    EXPECT_EQ(canvas.Of(Kind::Image)[0].imageSize, QSize(1600, 400));

    renderer->SetOffsetX(-1600);  // a copy whose left edge is exactly 0 is drawn
    EXPECT_EQ(CopiesDrawn(PaintRecorded()),
              (std::vector<QRectF>{{0, 300, 1600, 400}, {1600, 300, 1600, 400}}));

    renderer->SetZoom(1.005);
    renderer->SetOffsetX(-10);
    canvas = PaintRecorded();
    EXPECT_EQ(CopiesDrawn(canvas), (std::vector<QRectF>{{-10, 77, 4000, 1000}}));
    EXPECT_EQ(canvas.Of(Kind::Image)[0].imageSize, QSize(4000, 1000));
}

TEST_F(PaintTest, NoZoomOrOffsetMakesPaintHangOrDrawCopiesLeftOfTheView) {
    CacheFrame(4000, 1000);
    SetView(2000, 1000);
    renderer->SetZoom(0.4);
    for (std::int32_t offset : {std::numeric_limits<std::int32_t>::min(), -1'000'000'001}) {
        renderer->SetOffsetX(offset);
        const auto copies = CopiesDrawn(PaintRecorded());
        ASSERT_EQ(copies.size(), 2u) << offset;
        EXPECT_GT(copies[0].right(), 0);
        EXPECT_LE(copies[0].left(), 0);
    }
    renderer->SetOffsetX(2000);  // wholly right of the view
    EXPECT_TRUE(CopiesDrawn(PaintRecorded()).empty());
    renderer->SetOffsetX(-5);
    for (double zoom : {0.0, -0.5, std::nan(""), 1e-9}) {
        renderer->SetZoom(zoom);
        const RecordingCanvas canvas = PaintRecorded();
        EXPECT_LE(canvas.Of(Kind::Image).size(), 2000u) << zoom;
    }
    renderer->SetZoom(0.0);
    EXPECT_TRUE(CopiesDrawn(PaintRecorded()).empty());
}

TEST_F(PaintTest, NoFramesShowTheInvalidPicture) {
    SetView(640, 480);
    ExpectInvalidPicture(PaintRecorded(false), 640, 480);
    EXPECT_EQ(Impl().currentFrame, -1);
    EXPECT_EQ(loads, 0);
    QImage view;
    EXPECT_FALSE(renderer->Paint(&window, &view));
    EXPECT_EQ(view.pixel(639, 479), 0xFF3C0000u);
    EXPECT_FALSE(renderer->Paint(&window, nullptr));
}

TEST_F(PaintTest, AMapSizeThatCannotBeDrawnIsNotAllocated) {
    FillHistory(renderer, 1);
    SetView(64, 48);
    const std::vector<std::pair<int, int>> sizes = {
        {0, 200}, {400, -1}, {200000, 100000}, {std::numeric_limits<std::int32_t>::max(), 2}};
    for (const auto& [width, height] : sizes) {
        UseHandMadeMap(renderer, [width = width, height = height](MapData& data) {
            RedSquareMap(data);
            data.mapWidth = width;
            data.mapHeight = height;
        });
        renderer->SetMapFolder(std::to_string(width) + "x" + std::to_string(height));
        ExpectInvalidPicture(PaintRecorded(false), 64, 48);
        EXPECT_TRUE(Impl().frameCache[0].isNull());
    }
}

TEST_F(PaintTest, PaintedPixelsShowTheFrameScaledOverBlack) {
    FillHistory(renderer, 1);
    SetTerritory(HistoryOf(renderer), 0, "Square", "Reds");
    SetView(500, 300);
    renderer->SetZoom(0.5);  // 200 x 100, centred at y = 100
    renderer->SetOffsetX(-200);
    QImage view;
    ASSERT_TRUE(renderer->Paint(&window, &view));
    EXPECT_EQ(view.pixel(75, 150), 0xFFFF0000u);   // (150, 100) of the copy from x = 0
    EXPECT_EQ(view.pixel(275, 150), 0xFFFF0000u);  // the next copy
    EXPECT_EQ(view.pixel(10, 150), 0xFFFFFFFFu);   // outside the square: the frame's white
    EXPECT_EQ(view.pixel(75, 50), 0xFF000000u);    // above the centred map

    const qint64 scaledKey = Impl().scaledFrames.at(0).image.cacheKey();
    renderer->SetOffsetX(-150);
    ASSERT_TRUE(renderer->Paint(&window, &view));
    EXPECT_EQ(Impl().scaledFrames.at(0).image.cacheKey(),
              scaledKey);  // reused while the zoom stays
    renderer->SetZoom(0.25);
    ASSERT_TRUE(renderer->Paint(&window, &view));
    EXPECT_EQ(Impl().scaledFrames.at(0).image.size(), QSize(100, 50));
    renderer->SetUnitColour(1, 2, 3);  // clears the cache: the copy goes with it
    EXPECT_TRUE(Impl().scaledFrames.empty());
}

TEST_F(PaintTest, EachCachedFrameKeepsItsScaledCopyWithinTheBudget) {
    FillHistory(renderer, 3);
    SetView(500, 300);
    renderer->SetZoom(0.5);
    QImage view;
    std::vector<qint64> keys;
    for (int frame : {2, 1, 0}) {
        Impl().currentFrame = frame;
        ASSERT_TRUE(renderer->Paint(&window, &view));
        keys.push_back(Impl().scaledFrames.at(static_cast<std::size_t>(frame)).image.cacheKey());
    }
    // Swinging back over the frames scales none of them again.
    for (int frame : {1, 2}) {
        Impl().currentFrame = frame;
        ASSERT_TRUE(renderer->Paint(&window, &view));
    }
    for (std::size_t frame = 0; frame < 3; ++frame) {
        EXPECT_EQ(Impl().scaledFrames.at(frame).image.cacheKey(), keys[2 - frame]);
    }
    EXPECT_EQ(loads, 3);

    // Copies of 4004 x 2002 (about 32 MB each; zooms near 1 show the frame itself): only two
    // fit the budget of 64 MB, and the one farthest from the frame shown goes first.
    UseHandMadeMap(renderer, [](MapData& data) {
        RedSquareMap(data);
        data.mapWidth = 3960;
        data.mapHeight = 1980;
    });
    renderer->SetMapFolder("large");
    renderer->SetZoom(1.011);
    for (int frame : {0, 1, 2}) {
        Impl().currentFrame = frame;
        ASSERT_TRUE(renderer->Paint(&window, &view));
    }
    EXPECT_TRUE(Impl().scaledFrames.at(0).image.isNull());
    EXPECT_EQ(Impl().scaledFrames.at(1).image.size(), QSize(4004, 2002));
    EXPECT_EQ(Impl().scaledFrames.at(2).image.size(), QSize(4004, 2002));
}

}  // namespace

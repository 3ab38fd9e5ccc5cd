#include "saver/scrolltimer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "rendertestsupport.h"

namespace {

// A renderer whose clock the test drives and counts: each call of the clock is one Tick.
class ScrollTimerTest : public ::testing::Test {
protected:
    void SetUp() override {
        RendererEnvironment environment;
        environment.tickCount = [this] {
            ++clockCalls;
            offsetAtTick.push_back(renderer->GetOffsetX());
            return now;
        };
        ASSERT_EQ(CreateMapRenderer(renderer.Receive(), environment), 0);
    }

    // One timer period: the clock moves on 16 ms, then the timer callback runs.
    void Period() {
        now += ScrollAnimation::kPeriodMilliseconds;
        scroll.ScrollTimerProc(renderer.Get());
    }

    std::uint32_t now = 100000;
    int clockCalls = 0;
    std::vector<std::int32_t> offsetAtTick;
    Ref<MapRenderer> renderer;
    ScrollAnimation scroll;
};

TEST_F(ScrollTimerTest, OffsetsRunMinusWidthTwiceThenOneFurtherLeftWithATickAfterEach) {
    // Start-up hands the renderer minus the view width, and the scroll starts there too.
    renderer->SetOffsetX(-640);
    scroll.Start(640);
    std::vector<std::int32_t> offsets = {renderer->GetOffsetX()};
    for (int i = 0; i < 5; ++i) {
        Period();
        offsets.push_back(renderer->GetOffsetX());
    }
    EXPECT_EQ(offsets, (std::vector<std::int32_t>{-640, -640, -641, -642, -643, -644}));
    // One tick per period, each after the offset of its own period.
    EXPECT_EQ(clockCalls, 5);
    EXPECT_EQ(offsetAtTick, std::vector<std::int32_t>(offsets.begin() + 1, offsets.end()));
    EXPECT_EQ(scroll.NextOffset(), -645);
}

TEST_F(ScrollTimerTest, WithoutARendererNothingMoves) {
    scroll.Start(640);
    scroll.ScrollTimerProc(nullptr);
    EXPECT_EQ(scroll.NextOffset(), -640);
    EXPECT_EQ(clockCalls, 0);
}

TEST_F(ScrollTimerTest, OneFrameOnlyKeepsDriftingWithoutChangingFrame) {
    StartGuiForTests();
    FillHistory(renderer, 1);
    int loads = 0;
    UseHandMadeMap(
        renderer,
        [](MapData& data) {
            data.mapWidth = 300;
            data.mapHeight = 200;
            data.tileWidth = 100;
            data.tileHeight = 100;
        },
        &loads);
    renderer->SetWidth(400);
    renderer->SetHeight(300);
    renderer->SetZoom(1.0);
    renderer->SetFrameDelay(100);
    renderer->SetLastFrameDelay(100);
    CountingWindow window;
    QImage view;
    ASSERT_TRUE(renderer->Paint(&window, &view));

    scroll.Start(400);
    // Five seconds: far more than the delays, so the animation steps many times.
    for (int i = 0; i < 312; ++i) {
        Period();
        ASSERT_TRUE(renderer->Paint(&window, &view));
        EXPECT_EQ(ImplOf(renderer).currentFrame, 0);
    }
    EXPECT_EQ(renderer->GetOffsetX(), -400 - 311);
    EXPECT_EQ(loads, 1);  // the one frame was prepared once and never again
    EXPECT_GE(window.repaints, 311);
}

TEST_F(ScrollTimerTest, FarLeftTheCounterMovesBackByWholeMapWidthsInsteadOfOverflowing) {
    ImplOf(renderer).mapData.mapWidth = 3500;
    renderer->SetZoom(0.34);
    const std::int32_t width = renderer->GetScaledMapWidth();  // 1190
    ASSERT_EQ(width, 1190);
    scroll.Start(std::numeric_limits<std::int32_t>::max());
    std::int32_t previous = 0;
    for (int i = 0; i < 4000; ++i) {
        Period();
        const std::int32_t offset = renderer->GetOffsetX();
        if (i > 0) {
            // The picture moves exactly one pixel left: the offsets differ by -1 modulo the
            // width at which the map repeats.
            const std::int64_t step = std::int64_t{offset} - previous;
            EXPECT_EQ(((step % width) + width) % width, width - 1) << "tick " << i;
        }
        EXPECT_LT(offset, 0);
        previous = offset;
    }
    EXPECT_GT(scroll.NextOffset(), std::numeric_limits<std::int32_t>::min() / 2);
}

}  // namespace

#include <gtest/gtest.h>

#include "rendertestsupport.h"

namespace {

class AnimationTest : public ::testing::Test {
protected:
    void Create(int frames) {
        RendererEnvironment environment;
        environment.tickCount = [this] { return now; };
        ASSERT_EQ(CreateMapRenderer(renderer.Receive(), environment), 0);
        FillHistory(renderer, frames);
        ImplOf(renderer).window = &window;
    }
    std::int32_t Current() { return ImplOf(renderer).currentFrame; }
    void SetCurrent(std::int32_t frame) { ImplOf(renderer).currentFrame = frame; }
    // Advances the clock past the longest delay and ticks once.
    std::int32_t Step() {
        now += 6000;
        renderer->Tick();
        return Current();
    }

    std::uint32_t now = 100000;
    Ref<MapRenderer> renderer;
    CountingWindow window;
};

TEST_F(AnimationTest, NextAndPrevStopAtTheEndsOrWrap) {
    Create(3);
    renderer->NextFrame(false);  // from -1, before the first paint
    EXPECT_EQ(Current(), 0);
    renderer->PrevFrame(false);
    EXPECT_EQ(Current(), 0);
    EXPECT_EQ(window.repaints, 1);
    renderer->PrevFrame(true);
    EXPECT_EQ(Current(), 2);
    renderer->NextFrame(false);
    EXPECT_EQ(Current(), 2);
    renderer->NextFrame(true);
    EXPECT_EQ(Current(), 0);
    EXPECT_EQ(window.repaints, 3);
    SetCurrent(-1);
    renderer->PrevFrame(true);
    EXPECT_EQ(Current(), 2);
}

TEST_F(AnimationTest, TickSwingsOverTheLatestElevenOfTwentyFrames) {
    Create(20);
    SetCurrent(19);
    std::vector<std::int32_t> visited;
    for (int i = 0; i < 24; ++i) visited.push_back(Step());
    const std::vector<std::int32_t> expected = {18, 17, 16, 15, 14, 13, 12, 11, 10, 9,  10, 11,
                                                12, 13, 14, 15, 16, 17, 18, 19, 18, 17, 16, 15};
    EXPECT_EQ(visited, expected);
}

TEST_F(AnimationTest, TickWaitsForTheDelayOfTheFrameShown) {
    Create(5);
    renderer->SetFrameDelay(500);
    renderer->SetLastFrameDelay(5000);
    SetCurrent(4);
    renderer->Tick();  // lastTickTime is 0: steps at once
    EXPECT_EQ(Current(), 3);
    now += 500;
    renderer->Tick();  // exactly the delay is not yet enough
    EXPECT_EQ(Current(), 3);
    now += 1;
    renderer->Tick();
    EXPECT_EQ(Current(), 2);
    SetCurrent(4);
    now += 4000;
    renderer->Tick();  // the last frame holds for lastFrameDelay
    EXPECT_EQ(Current(), 4);
    now += 1001;
    renderer->Tick();
    EXPECT_EQ(Current(), 3);
}

TEST_F(AnimationTest, TickSurvivesTheCounterWrappingAround) {
    Create(5);
    SetCurrent(4);
    now = 0xFFFFFF00u;
    renderer->Tick();
    EXPECT_EQ(Current(), 3);
    now = 700;  // wrapped: the last tick time counts as 0
    renderer->Tick();
    EXPECT_EQ(Current(), 2);
}

TEST_F(AnimationTest, LongestDelayHoldsTheLastFrameAfterALateTick) {
    Create(5);
    renderer->SetLastFrameDelay(INT32_MAX);
    renderer->SetFrameDelay(500);
    SetCurrent(3);
    ImplOf(renderer).direction = 1;
    now = 0xF0000000u;  // late in the counter: this tick's time + the delay pass 32 bits
    renderer->Tick();
    ASSERT_EQ(Current(), 4);
    for (const std::uint32_t later : {0xF0000010u, 0xFFFFFFFFu, 16u, 0x7FFFFFFFu}) {
        now = later;
        renderer->Tick();
        EXPECT_EQ(Current(), 4) << later;
    }
}

TEST_F(AnimationTest, NegativeDelayWaitsForNothing) {
    Create(5);
    renderer->SetFrameDelay(-5000);
    renderer->SetLastFrameDelay(-1);
    SetCurrent(4);
    std::vector<std::int32_t> visited;
    for (int i = 0; i < 3; ++i) {
        renderer->Tick();
        visited.push_back(Current());
        now += 1;
    }
    EXPECT_EQ(visited, (std::vector<std::int32_t>{3, 2, 1}));
}

TEST_F(AnimationTest, OneFrameStepsToMinusOneAndBack) {
    Create(1);
    SetCurrent(0);
    EXPECT_EQ(Step(), -1);  // the next paint shows the last frame again
}

}  // namespace

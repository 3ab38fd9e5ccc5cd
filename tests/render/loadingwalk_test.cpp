#include <gtest/gtest.h>

#include "rendertestsupport.h"

namespace {

class LoadingWalkTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(CreateMapRenderer(renderer.Receive()), 0);
        Impl().loadMapData = [this](MapData& data) {
            data.mapWidth = 8;
            data.mapHeight = 6;
            prepared.push_back(Impl().currentFrame);
            return true;
        };
    }
    MapRendererImpl& Impl() { return ImplOf(renderer); }
    std::vector<std::int32_t> CachedFrames() {
        std::vector<std::int32_t> cached;
        for (std::size_t i = 0; i < Impl().frameCache.size(); ++i) {
            if (!Impl().frameCache[i].isNull()) cached.push_back(static_cast<std::int32_t>(i));
        }
        return cached;
    }
    static std::vector<std::int32_t> Range(std::int32_t first, std::int32_t last) {
        std::vector<std::int32_t> values;
        for (std::int32_t i = first; i <= last; ++i) values.push_back(i);
        return values;
    }

    Ref<MapRenderer> renderer;
    std::vector<std::int32_t> prepared;
};

TEST_F(LoadingWalkTest, FourFramesArePreparedAndTheFirstPaintFindsTheLastCached) {
    FillHistory(renderer, 4);
    HeadlessLoadingHost host;
    EXPECT_EQ(renderer->RunLoadingDialog(&host), 0);
    EXPECT_EQ(host.maximum, 3);
    EXPECT_EQ(host.positions, (std::vector<std::int32_t>{1, 2, 3, 4}));
    EXPECT_EQ(prepared, Range(0, 3));
    EXPECT_EQ(Impl().currentFrame, -1);  // restored
    EXPECT_TRUE(Impl().ready);

    renderer->SetWidth(16);
    renderer->SetHeight(12);
    QImage view;
    EXPECT_TRUE(renderer->Paint(nullptr, &view));
    EXPECT_EQ(Impl().currentFrame, 3);
    EXPECT_EQ(prepared.size(), 4u);  // nothing prepared again
}

TEST_F(LoadingWalkTest, ThirtyFramesKeepTheLastElevenAndARerunOnlyVisitsTheLastTen) {
    FillHistory(renderer, 30);
    HeadlessLoadingHost host;
    renderer->RunLoadingDialog(&host);
    EXPECT_EQ(host.maximum, 9);
    EXPECT_EQ(host.positions, Range(1, 30));
    EXPECT_EQ(prepared, Range(0, 29));
    EXPECT_EQ(CachedFrames(), Range(19, 29));

    prepared.clear();
    HeadlessLoadingHost again;
    renderer->RunLoadingDialog(&again);
    EXPECT_EQ(again.positions, Range(21, 30));  // starts at frame 20
    EXPECT_TRUE(prepared.empty());              // every one of them is still clean

    // Two more frames arrive with a new converter text read: the cache is sized again.
    FillHistory(renderer, 2);
    renderer->SetMapFolder("elsewhere");
    prepared.clear();
    HeadlessLoadingHost after;
    renderer->RunLoadingDialog(&after);
    EXPECT_EQ(prepared, Range(0, 31));
}

TEST_F(LoadingWalkTest, NoFramesCloseOnTheFirstTickAndNoHostDoesNothing) {
    HeadlessLoadingHost host;
    EXPECT_EQ(renderer->RunLoadingDialog(&host), 0);
    EXPECT_EQ(host.maximum, 9);  // the range is compared unsigned: L - 1 is huge
    EXPECT_TRUE(host.positions.empty());
    EXPECT_EQ(Impl().currentFrame, -1);
    FillHistory(renderer, 3);
    EXPECT_EQ(renderer->RunLoadingDialog(nullptr), 0);
    EXPECT_TRUE(prepared.empty());
}

}  // namespace

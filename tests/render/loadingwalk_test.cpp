#include <algorithm>

#include <gtest/gtest.h>

#include "rendertestsupport.h"

namespace {

std::vector<std::int32_t> CachedFramesOf(const MapRendererImpl& impl) {
    std::vector<std::int32_t> cached;
    for (std::size_t i = 0; i < impl.frameCache.size(); ++i) {
        if (!impl.frameCache[i].isNull()) cached.push_back(static_cast<std::int32_t>(i));
    }
    return cached;
}

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
    std::vector<std::int32_t> CachedFrames() { return CachedFramesOf(Impl()); }
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
    EXPECT_EQ(host.maximum, 4);
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

TEST_F(LoadingWalkTest, OnlyTheFramesThatStayCachedArePreparedWithTheBarFullAtTheEnd) {
    FillHistory(renderer, 30);
    HeadlessLoadingHost host;
    renderer->RunLoadingDialog(&host);
    EXPECT_EQ(prepared, Range(19, 29));
    EXPECT_EQ(CachedFrames(), Range(19, 29));
    EXPECT_EQ(host.maximum, 11);
    EXPECT_EQ(host.positions, Range(1, 11));

    // A second run finds every frame it would visit still cached.
    prepared.clear();
    HeadlessLoadingHost again;
    renderer->RunLoadingDialog(&again);
    EXPECT_EQ(again.maximum, 0);
    EXPECT_TRUE(again.positions.empty());
    EXPECT_TRUE(prepared.empty());
    EXPECT_EQ(CachedFrames(), Range(19, 29));

    // Two more frames arrive with a new converter text read: the cache is sized again.
    FillHistory(renderer, 2);
    renderer->SetMapFolder("elsewhere");
    prepared.clear();
    HeadlessLoadingHost after;
    renderer->RunLoadingDialog(&after);
    EXPECT_EQ(prepared, Range(21, 31));
    EXPECT_EQ(after.positions, Range(1, 11));
}

// The walk visits every frame from max(known - cacheLimit, 0) upwards and prepares the dirty
// ones, each preparation first evicting the lowest cached frame when more than cacheLimit
// are held (the walk stays above every cached frame it made). This model of that walk gives
// the cache that the walk must leave, whatever it skips.
std::vector<std::int32_t> CacheAfterFullWalk(std::vector<bool> cached, std::size_t known,
                                             std::int32_t cacheLimit) {
    auto evict = [&](std::int32_t current) {
        std::vector<std::int32_t> held;
        for (std::size_t i = 0; i < cached.size(); ++i) {
            if (cached[i]) held.push_back(static_cast<std::int32_t>(i));
        }
        if (static_cast<std::int32_t>(held.size()) <= cacheLimit) return;
        const std::int32_t victim = current < held.front() ? held.back() : held.front();
        cached[static_cast<std::size_t>(victim)] = false;
    };
    const auto start = std::max<std::int32_t>(static_cast<std::int32_t>(known) - cacheLimit, 0);
    for (auto i = static_cast<std::size_t>(start); i < cached.size(); ++i) {
        if (cached[i]) continue;
        evict(static_cast<std::int32_t>(i));
        cached[i] = true;
    }
    std::vector<std::int32_t> result;
    for (std::size_t i = 0; i < cached.size(); ++i) {
        if (cached[i]) result.push_back(static_cast<std::int32_t>(i));
    }
    return result;
}

TEST_F(LoadingWalkTest, TheCacheEndsAsAWalkOverEveryFrameLeavesIt) {
    struct Case {
        int frames;
        std::vector<std::int32_t> shownBefore;  // frames painted before a second walk
    };
    const Case cases[] = {
        {1, {}},  {9, {}},   {10, {}},     {11, {}},           {12, {}},
        {285, {}}, {30, {0}}, {30, {0, 5}}, {30, {3, 25, 12}}, {12, {11, 0, 1, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.frames << " frames, " << c.shownBefore.size()
                                        << " shown before");
        Ref<MapRenderer> fresh;
        ASSERT_EQ(CreateMapRenderer(fresh.Receive()), 0);
        MapRendererImpl& impl = ImplOf(fresh);
        std::vector<std::int32_t> drawn;
        impl.loadMapData = [&drawn, &impl](MapData& data) {
            data.mapWidth = 8;
            data.mapHeight = 6;
            drawn.push_back(impl.currentFrame);
            return true;
        };
        FillHistory(fresh, c.frames);
        HeadlessLoadingHost first;
        fresh->RunLoadingDialog(&first);
        EXPECT_EQ(CachedFramesOf(impl),
                  CacheAfterFullWalk(std::vector<bool>(static_cast<std::size_t>(c.frames)), 0,
                                     impl.cacheLimit));
        for (std::int32_t frame : c.shownBefore) {
            impl.currentFrame = frame;
            impl.SizeFrameCache();
            impl.PrepareFrame();
            impl.frameDirty[static_cast<std::size_t>(frame)] = 0;
        }
        std::vector<bool> cachedBefore;
        for (const QImage& image : impl.frameCache) cachedBefore.push_back(!image.isNull());
        const std::vector<std::int32_t> expected =
            CacheAfterFullWalk(cachedBefore, impl.frameCache.size(), impl.cacheLimit);

        impl.currentFrame = 7;
        drawn.clear();
        HeadlessLoadingHost second;
        fresh->RunLoadingDialog(&second);
        const std::vector<std::int32_t> cachedAfter = CachedFramesOf(impl);
        EXPECT_EQ(cachedAfter, expected);
        EXPECT_EQ(impl.currentFrame, 7);
        EXPECT_EQ(second.maximum, static_cast<std::int32_t>(drawn.size()));
        EXPECT_EQ(second.positions, Range(1, static_cast<std::int32_t>(drawn.size())));
        // Every frame drawn is still cached: no work was thrown away.
        for (std::int32_t frame : drawn) {
            EXPECT_TRUE(std::count(cachedAfter.begin(), cachedAfter.end(), frame)) << frame;
        }
    }
}

TEST_F(LoadingWalkTest, NoFramesCloseOnTheFirstTickAndNoHostDoesNothing) {
    HeadlessLoadingHost host;
    EXPECT_EQ(renderer->RunLoadingDialog(&host), 0);
    EXPECT_EQ(host.maximum, 0);
    EXPECT_TRUE(host.positions.empty());
    EXPECT_EQ(Impl().currentFrame, -1);
    FillHistory(renderer, 3);
    EXPECT_EQ(renderer->RunLoadingDialog(nullptr), 0);
    EXPECT_TRUE(prepared.empty());
}

}  // namespace

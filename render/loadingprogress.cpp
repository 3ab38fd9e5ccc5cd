#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "render/loadingdialoghost.h"
#include "render/maprendererimpl.h"

namespace {

// Hands the dialog the walk of one renderer for the time the dialog runs.
class RendererWalk : public LoadingWalk {
public:
    explicit RendererWalk(MapRendererImpl& renderer) : renderer(renderer) {}
    std::int32_t Start() override { return renderer.StartLoadingWalk(); }
    bool Step(std::int32_t& position) override { return renderer.StepLoadingWalk(position); }

private:
    MapRendererImpl& renderer;
};

}  // namespace

int HeadlessLoadingHost::RunModal(LoadingWalk& walk) {
    maximum = walk.Start();
    std::int32_t position = 0;
    while (walk.Step(position)) positions.push_back(position);
    return 0;
}

int MapRendererImpl::RunLoadingDialog(LoadingDialogHost* host) {
    if (!host) return 0;
    RendererWalk walk(*this);
    return host->RunModal(walk);
}

std::int32_t MapRendererImpl::StartLoadingWalk() {
    savedFrame = currentFrame;
    // Frames the renderer already knew are not visited again, except the last cacheLimit.
    const auto known = static_cast<std::int32_t>(frameDirty.size());
    currentFrame = std::max(known - cacheLimit, 0);
    SizeFrameCache();
    // Walking upwards, each preparation beyond the cache's capacity evicts the lowest cached
    // frame, so only the last cacheLimit + 1 frames would stay: earlier ones are not drawn.
    const auto length = static_cast<std::int32_t>(frameDirty.size());
    currentFrame = std::max(currentFrame, length - cacheLimit - 1);
    loadingWalkPrepared = 0;
    std::int32_t toPrepare = 0;
    for (std::int32_t i = currentFrame; i < length; ++i) {
        if (frameDirty[static_cast<std::size_t>(i)]) ++toPrepare;
    }
    return toPrepare;
}

bool MapRendererImpl::StepLoadingWalk(std::int32_t& position) {
    const auto length = static_cast<std::int32_t>(frameDirty.size());
    // Frames still cached cost no tick.
    while (currentFrame >= 0 && currentFrame < length &&
           !frameDirty[static_cast<std::size_t>(currentFrame)]) {
        ++currentFrame;
    }
    if (currentFrame < 0 || currentFrame >= length) {
        currentFrame = savedFrame;
        return false;
    }
    PrepareFrame();
    frameDirty[static_cast<std::size_t>(currentFrame)] = 0;
    position = ++loadingWalkPrepared;
    ++currentFrame;
    return true;
}

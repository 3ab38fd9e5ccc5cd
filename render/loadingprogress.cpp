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
    const auto length = static_cast<std::uint32_t>(frameDirty.size());
    // Compared as unsigned numbers, as the progress control takes them: with no frames the
    // range is that of a full cache.
    return static_cast<std::int32_t>(
        std::min(length - 1u, static_cast<std::uint32_t>(cacheLimit) - 1u));
}

bool MapRendererImpl::StepLoadingWalk(std::int32_t& position) {
    if (currentFrame < 0 || static_cast<std::size_t>(currentFrame) >= frameDirty.size()) {
        currentFrame = savedFrame;
        return false;
    }
    const auto slot = static_cast<std::size_t>(currentFrame);
    if (frameDirty[slot]) {
        PrepareFrame();
        frameDirty[slot] = 0;
    }
    position = currentFrame + 1;
    ++currentFrame;
    return true;
}

#include "render/maprendererimpl.h"

#include <algorithm>

void MapRendererImpl::NextFrame(bool wrap) {
    const std::int32_t old = currentFrame;
    const std::int32_t count = FrameCount();
    ++currentFrame;
    if (currentFrame >= count) currentFrame = wrap ? 0 : count - 1;
    if (currentFrame != old) Repaint();
}

void MapRendererImpl::PrevFrame(bool wrap) {
    const std::int32_t old = currentFrame;
    const std::int32_t count = FrameCount();
    --currentFrame;
    if (currentFrame < 0) currentFrame = wrap ? count - 1 : 0;
    if (currentFrame != old) Repaint();
}

std::int32_t MapRendererImpl::GetCurrentFrame() {
    const std::int32_t count = FrameCount();
    if (currentFrame < 0 || currentFrame >= count) return count - 1;
    return currentFrame;
}

void MapRendererImpl::GoToFrame(std::int32_t frame) {
    const std::int32_t old = currentFrame;
    const std::int32_t count = FrameCount();
    currentFrame = std::max(0, std::min(frame, count - 1));
    if (currentFrame != old) Repaint();
}

void MapRendererImpl::Tick() {
    StepAnimation();
    PrepareNextFrameAhead();
}

void MapRendererImpl::StepAnimation() {
    const std::uint32_t now = tickCount();
    if (lastTickTime > now) lastTickTime = 0;  // the counter wrapped around
    std::int32_t count = FrameCount();
    const std::int32_t delay = currentFrame == count - 1 ? lastFrameDelay : frameDelay;
    // In 64 bits, so that a long delay after a late tick cannot wrap around to a time that
    // has passed. A negative delay waits for nothing, as it did when the sum wrapped.
    const std::uint64_t due =
        std::uint64_t{lastTickTime} + static_cast<std::uint64_t>(std::max(delay, 0));
    if (due >= now) return;
    // The current frame stays until the worker has drawn the next one, whose delay then
    // counts from the step that shows it.
    if (WaitingForFramePreparedAhead()) return;

    lastTickTime = now;
    const std::int32_t old = currentFrame;
    count = FrameCount();
    currentFrame += direction;
    if (currentFrame >= count - 1) direction = -1;
    if (currentFrame == 0 || currentFrame < count - cacheLimit) direction = 1;
    ShowFramePreparedAhead();
    if (currentFrame != old) Repaint();
}

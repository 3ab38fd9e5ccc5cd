#include "saver/scrolltimer.h"

#include "render/maprenderer.h"

namespace {

// Far enough left to move back; the saver takes about 200 days to drift this far.
constexpr std::int32_t kMoveBackBelow = -(1 << 30);

}  // namespace

void ScrollAnimation::ScrollTimerProc(MapRenderer* renderer) {
    if (!renderer) return;
    renderer->SetOffsetX(scrollCounter);
    // The map repeats every scaled width, so moving the counter by whole widths shows exactly
    // the same picture; doing so far left keeps the counter from overflowing.
    const std::int32_t width = renderer->GetScaledMapWidth();
    if (scrollCounter < kMoveBackBelow && width > 0) scrollCounter %= width;
    --scrollCounter;
    renderer->Tick();
}

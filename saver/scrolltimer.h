#pragma once

#include <cstdint>

class MapRenderer;

// The screen saver's drift: every 16 ms the map moves one pixel to the left and the turn
// animation gets its chance to step. The counter holds the next offset to hand over; it
// starts at minus the view width, and the first tick hands that over again, so the offsets
// run -w, -w, -w-1, -w-2, ...
class ScrollAnimation {
public:
    static constexpr int kPeriodMilliseconds = 16;

    void Start(std::int32_t viewWidth) { scrollCounter = -viewWidth; }
    // One timer tick: the offset, then the animation step. Nothing without a renderer.
    void ScrollTimerProc(MapRenderer* renderer);
    std::int32_t NextOffset() const { return scrollCounter; }

private:
    std::int32_t scrollCounter = 0;
};

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>

#include <QImage>

#include "base/refcounted.h"
#include "render/framepreparer.h"
#include "render/maprendererimpl.h"

// The turn animation shows each frame for seconds, and the frame it steps to next is known:
// the worker draws that frame while the current one is on screen, with a renderer of its
// own that starts from copies of this one's settings, map data, image caches, kept outlines
// and tiles and random state. When the step comes and the drawing is done, this renderer
// takes over what the drawing left (the frame image, the map data with what its load
// remembers, the image caches, the kept outlines and tiles and the random state), at the moment a preparation on this thread would have
// made the same changes, so that every frame and the order of the frames stay the same.

void MapRendererImpl::SetPrepareAhead(bool ahead) {
    if (ahead == static_cast<bool>(preparer)) return;
    preparedAhead.Reset();
    if (ahead) {
        preparer = std::make_unique<FramePreparer>();
    } else {
        preparer.reset();  // waits for the drawing under way
    }
}

void MapRendererImpl::StopPreparingAhead() {
    if (preparer) preparer->Cancel();
    preparedAhead.Reset();
}

std::int32_t MapRendererImpl::NextSwingFrame() {
    const std::int32_t count = FrameCount();
    // Until the first paint has sized the cache, the paint prepares what it shows.
    if (frameDirty.size() < static_cast<std::size_t>(count)) return -1;
    const std::int64_t next = std::int64_t{currentFrame} + direction;
    // A step outside the history is turned into the last frame by the paint, which has
    // drawn that frame first.
    if (next < 0 || next >= count) return -1;
    return static_cast<std::int32_t>(next);
}

bool MapRendererImpl::NeedsPreparing(std::int32_t frame) const {
    return frame >= 0 && static_cast<std::size_t>(frame) < frameDirty.size() &&
           frameDirty[static_cast<std::size_t>(frame)];
}

namespace {

// Calls visit(a's field, b's field) for every setting that the drawing of a frame reads,
// so that the worker's renderer gets each of them and a finished drawing is checked against
// each of them.
template <class A, class B, class Visit>
void VisitDrawingSettings(A& a, B& b, Visit visit) {
    visit(a.imagesFolder, b.imagesFolder);
    visit(a.mapData.mapFolder, b.mapData.mapFolder);
    visit(a.mapData.tileWidth, b.mapData.tileWidth);
    visit(a.mapData.tileHeight, b.mapData.tileHeight);
    visit(a.mapData.useRelief, b.mapData.useRelief);
    visit(a.gameLoader, b.gameLoader);
    visit(a.largeFlags, b.largeFlags);
    visit(a.territoryLabels, b.territoryLabels);
    visit(a.unitQuantities, b.unitQuantities);
    visit(a.changeMarks, b.changeMarks);
    visit(a.unitRed, b.unitRed);
    visit(a.unitGreen, b.unitGreen);
    visit(a.unitBlue, b.unitBlue);
}

}  // namespace

bool MapRendererImpl::PreparedAheadFits(std::int32_t frame) const {
    if (!preparedAhead || preparedAhead->currentFrame != frame) return false;
    // Drawn from the same settings and the same random state as a preparation here and now.
    bool same = preparedAheadRandom == random;
    VisitDrawingSettings(*preparedAhead, *this, [&same](const auto& drawn, const auto& here) {
        same = same && drawn == here;
    });
    return same;
}

Ref<MapRendererImpl> MapRendererImpl::MakeFrameDrawer(std::int32_t frame) const {
    Ref<MapRendererImpl> drawer(new RefCounted<MapRendererImpl>(RendererEnvironment{}));
    VisitDrawingSettings(*drawer, *this, [](auto& to, const auto& from) { to = from; });
    drawer->mapData = mapData;  // the tiles are shared, not copied
    drawer->unitImages = unitImages;
    drawer->outlineStamps = outlineStamps;
    drawer->composedTiles = composedTiles;
    drawer->random = random;
    drawer->zoom = zoom;
    drawer->loadMapData = loadMapData;
    drawer->currentFrame = frame;
    drawer->frameCache.resize(static_cast<std::size_t>(frame) + 1);
    return drawer;
}

void MapRendererImpl::DrawFrameAhead() {
    ready = DrawCurrentFrame();
    const QImage& frame = frameCache[static_cast<std::size_t>(currentFrame)];
    // The copy at the zoom as well: scaling a whole map takes tens of milliseconds.
    if (ready) ScaledFrame(frame, ScaleByZoom(frame.width()), ScaleByZoom(frame.height()));
}

void MapRendererImpl::PrepareNextFrameAhead() {
    if (!preparer) return;
    if (Ref<MapRendererImpl> drawn = preparer->TakeFinished()) preparedAhead = std::move(drawn);
    const std::int32_t next = NextSwingFrame();
    if (!NeedsPreparing(next) || preparer->Busy() || PreparedAheadFits(next)) return;
    preparedAhead.Reset();
    preparedAheadRandom = random;
    preparer->Start(MakeFrameDrawer(next));
}

bool MapRendererImpl::WaitingForFramePreparedAhead() {
    if (!preparer) return false;
    const std::int32_t next = NextSwingFrame();
    if (!NeedsPreparing(next)) return false;
    PrepareNextFrameAhead();
    return !PreparedAheadFits(next);
}

void MapRendererImpl::ShowFramePreparedAhead() {
    if (!NeedsPreparing(currentFrame) || !PreparedAheadFits(currentFrame)) return;
    const Ref<MapRendererImpl> drawn = std::move(preparedAhead);
    // What PrepareFrame does, with the drawing already done.
    EvictFrame();
    const auto slot = static_cast<std::size_t>(currentFrame);
    frameCache[slot] = std::move(drawn->frameCache[slot]);
    DropScaledFrame(slot);
    // The scaled copy keeps the cache key of the frame image it was made from, which moved
    // along; a zoom changed since makes the paint scale the frame again.
    if (slot < drawn->scaledFrames.size() && !drawn->scaledFrames[slot].image.isNull()) {
        if (scaledFrames.size() <= slot) scaledFrames.resize(slot + 1);
        scaledFrames[slot] = std::move(drawn->scaledFrames[slot]);
        KeepScaledFramesWithinBudget(slot);
    }
    frameDirty[slot] = 0;
    ready = drawn->ready;
    mapData = std::move(drawn->mapData);
    flagImages = std::move(drawn->flagImages);
    unitImages = std::move(drawn->unitImages);
    outlineStamps = std::move(drawn->outlineStamps);
    composedTiles = std::move(drawn->composedTiles);
    random = drawn->random;
}

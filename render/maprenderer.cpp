#include "render/maprenderer.h"

#include <cmath>
#include <limits>

#include "base/refcounted.h"
#include "platform/imagememory.h"
#include "render/maprendererimpl.h"
#include "render/renderwindow.h"

MapRendererImpl::MapRendererImpl(const RendererEnvironment& environment)
    : random(environment.randomSeed),
      tickCount(environment.tickCount ? environment.tickCount : TickClock(SteadyTickCount)) {}

MapRendererImpl::~MapRendererImpl() {
    preparer.reset();  // waits for the worker's drawing, which reads the loader
    for (QImage& image : frameCache) image = QImage();
    DropScaledFrame();
    gameLoader.Reset();
    unitImages.clear();
    flagImages.clear();
    mapData.PlayerColours.clear();
    mapData.territories.clear();
    frameDirty.clear();
    frameCache.clear();
    mapData.tiles.clear();
}

HResult MapRendererImpl::CreateLoader() { return CreateGameLoader(gameLoader.Receive()); }

void MapRendererImpl::ClearFrameCache() {
    frameCache.clear();
    frameDirty.clear();
    DropScaledFrame();
}

void MapRendererImpl::Repaint() {
    if (window) window->RequestRepaint();
}

std::int32_t MapRendererImpl::FrameCount() { return gameLoader->GetFrameCount(nullptr); }

void MapRendererImpl::SetMapFolder(const std::string& folder) {
    if (folder != mapData.mapFolder) ClearFrameCache();
    mapData.mapFolder = folder;
}

void MapRendererImpl::SetImagesFolder(const std::string& folder) {
    if (folder != imagesFolder) ClearFrameCache();
    imagesFolder = folder;
}

void MapRendererImpl::SetWidth(std::int32_t width) {
    const bool changed = width != viewWidth;
    viewWidth = width;
    if (changed) Repaint();
}

void MapRendererImpl::SetHeight(std::int32_t height) {
    const bool changed = height != viewHeight;
    viewHeight = height;
    if (changed) Repaint();
}

void MapRendererImpl::SetTileHeight(std::int32_t height) {
    if (height != mapData.tileHeight) ClearFrameCache();
    mapData.tileHeight = height;
}

void MapRendererImpl::SetTileWidth(std::int32_t width) {
    if (width != mapData.tileWidth) ClearFrameCache();
    mapData.tileWidth = width;
}

void MapRendererImpl::SetUnitColour(std::int32_t red, std::int32_t green, std::int32_t blue) {
    unitRed = red;
    unitGreen = green;
    unitBlue = blue;
    ClearFrameCache();
}

void MapRendererImpl::SetFrameDelay(std::int32_t milliseconds) { frameDelay = milliseconds; }
void MapRendererImpl::SetLastFrameDelay(std::int32_t milliseconds) {
    lastFrameDelay = milliseconds;
}

void MapRendererImpl::SetLargeFlags(bool large) {
    if (large != largeFlags) ClearFrameCache();
    largeFlags = large;
}

void MapRendererImpl::SetTerritoryLabels(bool labels) {
    if (labels != territoryLabels) ClearFrameCache();
    territoryLabels = labels;
}

void MapRendererImpl::SetUnitQuantities(bool quantities) {
    if (quantities != unitQuantities) ClearFrameCache();
    unitQuantities = quantities;
}

void MapRendererImpl::SetChangeMarks(bool marks) {
    if (marks == changeMarks) return;
    changeMarks = marks;
    ClearFrameCache();
    Repaint();
}

void MapRendererImpl::SetUseRelief(bool relief) { mapData.useRelief = relief; }

void MapRendererImpl::SetZoom(double value) {
    const bool changed = value != zoom;
    zoom = value;
    if (changed) Repaint();
}

double MapRendererImpl::GetZoom() { return zoom; }

std::int32_t MapRendererImpl::ScaleByZoom(std::int32_t n) const {
    if (zoom > 0.99 && zoom < 1.01) return n;
    const double scaled = std::ceil(zoom * n);
    // A stored zoom may be anything; keep the conversion defined.
    if (!(scaled > std::numeric_limits<std::int32_t>::min())) {
        return std::isnan(scaled) ? 0 : std::numeric_limits<std::int32_t>::min();
    }
    if (scaled >= std::numeric_limits<std::int32_t>::max()) {
        return std::numeric_limits<std::int32_t>::max();
    }
    return static_cast<std::int32_t>(scaled);
}

std::int32_t MapRendererImpl::GetScaledMapHeight() { return ScaleByZoom(mapData.mapHeight); }
std::int32_t MapRendererImpl::GetScaledMapWidth() { return ScaleByZoom(mapData.mapWidth); }

void MapRendererImpl::SetOffsetX(std::int32_t x) {
    const bool changed = x != offsetX;
    offsetX = x;
    if (changed) Repaint();
}

std::int32_t MapRendererImpl::GetOffsetX() { return offsetX; }

void MapRendererImpl::SetOffsetY(std::int32_t y) {
    const bool changed = y != offsetY;
    offsetY = y;
    if (changed) Repaint();
}

std::int32_t MapRendererImpl::GetOffsetY() { return offsetY; }

void MapRendererImpl::GetGameLoader(GameLoader** out) {
    // Whoever holds the loader may read another history into it while the worker reads.
    StopPreparingAhead();
    if (gameLoader) gameLoader.CopyTo(out);
}

HResult CreateMapRenderer(MapRenderer** out, const RendererEnvironment& environment) {
    KeepImageMemoryForReuse();
    auto* renderer = new RefCounted<MapRendererImpl>(environment);
    const HResult result = renderer->CreateLoader();
    if (result < 0) {
        delete renderer;
        return result;
    }
    renderer->AddRef();
    *out = renderer;
    return kResultOk;
}

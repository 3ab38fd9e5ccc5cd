#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QRectF>

#include "base/ref.h"
#include "render/canvas.h"
#include "render/imagefile.h"
#include "render/maprendererimpl.h"
#include "render/paintercanvas.h"
#include "render/unusedentries.h"

namespace {

constexpr Argb kEmptyTileColour = 0xFFFFFFFF;
constexpr Argb kLabelColour = 0xC8FFFFFF;
constexpr double kLabelPointSize = 12;
constexpr double kLabelBoxWidth = 100;
constexpr double kLabelBoxHeight = 200;
constexpr Argb kViewBackground = 0xFF000000;
constexpr Argb kInvalidBackground = 0xFF3C0000;
constexpr Argb kInvalidTextColour = 0xFFFF0000;
constexpr double kInvalidPointSize = 16;
constexpr std::uint32_t kTranslucentAlpha = 100;
const char* const kInvalidText = "Current Quelm configuration is invalid!";
// What the scaled copies of the cached frames may take together: all eleven frames of an
// animation at the default zoom (3.2 MB each for the revised map), fewer at larger zooms.
constexpr std::int64_t kScaledFramesBudgetBytes = std::int64_t{64} << 20;

// The closed outline of one polygon: its points followed by its first point again. Indices
// outside the territory's point list are skipped, leaving (0, 0) at the end.
std::vector<QPointF> ClosedOutline(const std::vector<MapPoint>& points, PolygonRange range) {
    const std::int64_t count = std::int64_t{range.end} - range.first + 1;
    if (count < 1) return {};
    const auto available = static_cast<std::int64_t>(points.size());
    std::vector<QPointF> outline(static_cast<std::size_t>(std::min(count, available + 1)));
    std::size_t next = 0;
    for (std::int64_t i = range.first; i < range.end && next + 1 < outline.size(); ++i) {
        if (i < 0 || i >= available) continue;
        const MapPoint& point = points[static_cast<std::size_t>(i)];
        outline[next++] = QPointF(point.x, point.y);
    }
    if (range.first >= 0 && range.first < available) {
        const MapPoint& first = points[static_cast<std::size_t>(range.first)];
        outline[next] = QPointF(first.x, first.y);
    }
    return outline;
}

// Name, and production on a second line unless it is empty or "0".
std::string LabelText(TerritoryState& state) {
    std::string name;
    std::string production;
    state.GetName(name);
    state.GetProduction(production);
    if (production.empty() || production == "0") return name;
    return name + "\n" + production;
}

}  // namespace

void MapRendererImpl::SizeFrameCache() {
    const std::int32_t count = FrameCount();
    if (currentFrame < 0) currentFrame = count - 1;
    if (frameCache.size() < static_cast<std::size_t>(count)) {
        frameCache.assign(static_cast<std::size_t>(count), QImage());
        frameDirty.assign(static_cast<std::size_t>(count), 1);
        DropScaledFrame();
    }
}

void MapRendererImpl::EvictFrame() {
    std::int32_t cached = 0;
    std::int32_t lowest = -1;
    std::int32_t highest = -1;
    for (std::size_t i = 0; i < frameCache.size(); ++i) {
        if (frameCache[i].isNull()) continue;
        ++cached;
        if (lowest < 0) lowest = static_cast<std::int32_t>(i);
        highest = static_cast<std::int32_t>(i);
    }
    if (cached <= cacheLimit) return;
    const std::int32_t victim = currentFrame < lowest ? highest : lowest;
    frameCache[static_cast<std::size_t>(victim)] = QImage();
    frameDirty[static_cast<std::size_t>(victim)] = 1;
    DropScaledFrame(static_cast<std::size_t>(victim));
}

void MapRendererImpl::PrepareFrame() {
    EvictFrame();
    ready = DrawCurrentFrame();
}

bool MapRendererImpl::DrawCurrentFrame() {
    flagImages.clear();  // flags are read again after every map load
    if (!loadMapData(mapData)) return false;
    const auto slot = static_cast<std::size_t>(currentFrame);
    frameCache[slot] = QImage();
    DropScaledFrame(slot);
    // A map size of zero or less, or one beyond the image limit, is not drawn.
    // Opaque from the start, like an empty tile cell: tiles with transparent parts then
    // show the same colours in every output, whatever background each composes over.
    QImage frame = NewImage(mapData.mapWidth, mapData.mapHeight, kEmptyTileColour);
    if (frame.isNull()) return false;
    {
        PainterCanvas canvas(frame, &outlineStamps);
        canvas.SetAntialiasing(true);
        DrawTiles(canvas, kEmptyTileColour);
        DrawTerritories(canvas);
        if (changeMarks) DrawChangeMarks(canvas);
    }
    outlineStamps.DropUnused();
    DropUnusedEntries(composedTiles);
    frameCache[slot] = std::move(frame);
    return true;
}

// A tile drawn over an opaque colour gives the same pixels wherever it is drawn over that
// colour; composed once into an opaque image, it is then only copied into each frame.
const QImage& MapRendererImpl::TileOver(const Ref<Tile>& tile, Argb under) {
    ComposedTile& composed = composedTiles[tile.Get()];
    composed.used = true;
    if (composed.tile.Get() == tile.Get() && composed.under == under && !composed.image.isNull()) {
        return composed.image;
    }
    QImage image(tile->Image().size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(under);
    {
        PainterCanvas canvas(image);
        canvas.DrawImage(tile->Image(), QRectF(QPointF(0, 0), QSizeF(image.size())));
    }
    // Opaque throughout, so that Qt copies it instead of blending it.
    image.convertTo(QImage::Format_RGB32);
    composed = {tile, under, std::move(image), true};
    return composed.image;
}

void MapRendererImpl::DrawTiles(Canvas& canvas, std::optional<Argb> under) {
    const std::int32_t columns = mapData.columns;
    const std::int32_t width = mapData.tileWidth;
    const std::int32_t height = mapData.tileHeight;
    for (std::int32_t i = 0; i < columns; ++i) {
        for (std::int32_t j = 0; j < mapData.rows; ++j) {
            const double x = double{1} * i * width;
            const double y = double{1} * j * height;
            const std::int64_t cell = i + std::int64_t{j} * columns;
            const Ref<Tile> tile = cell < static_cast<std::int64_t>(mapData.tiles.size())
                                       ? mapData.tiles[static_cast<std::size_t>(cell)]
                                       : Ref<Tile>();
            if (tile && !tile->Image().isNull()) {
                const bool naturalSize = tile->Image().width() == width && tile->Image().height() == height;
                canvas.DrawImage(under && naturalSize ? TileOver(tile, *under) : tile->Image(),
                                 QRectF(x, y, width, height));
            } else {
                FillRectangle(canvas, kEmptyTileColour, x, y, width, height);
            }
        }
    }
}

void MapRendererImpl::DrawTerritories(Canvas& canvas) {
    for (auto& [name, territory] : mapData.territories) {
        Ref<TerritoryState> state;
        const bool found = gameLoader->FindTerritory(currentFrame, name, state.Receive());
        std::string owner;
        if (found) state->GetOwner(owner);
        if (owner.empty()) owner = kNeutralPlayer;

        territory.outlineCache.resize(territory.polygons.size());
        const auto colour = mapData.PlayerColours.find(owner);
        // Sea zones are named so on the older maps; the game definition marks them on all.
        const bool sea = territory.isSea || gameLoader->IsWater(name);
        for (std::size_t p = 0; p < territory.polygons.size(); ++p) {
            std::vector<QPointF>& outline = territory.outlineCache[p];
            if (outline.empty()) outline = ClosedOutline(territory.points, territory.polygons[p]);
            const Argb blue = static_cast<Argb>(random.Next() % 256);
            const Argb green = static_cast<Argb>(random.Next() % 256);
            const Argb red = static_cast<Argb>(random.Next() % 256);
            Argb fill = kTranslucentAlpha << 24 | red << 16 | green << 8 | blue;
            if (colour != mapData.PlayerColours.end()) {
                fill = colour->second;
                if (mapData.reliefLoaded) fill = (fill & 0x00FFFFFFu) | kTranslucentAlpha << 24;
            }
            FillPolygon(canvas, fill, outline.data(), static_cast<int>(outline.size()), true, !sea);
        }

        if (territory.isCapital) DrawCapitalFlag(canvas, territory, owner);
        if (!found) continue;
        if (territoryLabels && !territory.placements.empty()) {
            const MapPoint& at = territory.placements.front();
            TextStyle style;
            style.pointSize = kLabelPointSize;
            style.colour = kLabelColour;
            canvas.DrawText(LabelText(*state), QRectF(at.x, at.y, kLabelBoxWidth, kLabelBoxHeight),
                            style);
        }
        DrawUnits(canvas, territory, *state);
    }
}

bool MapRendererImpl::Paint(RenderWindow* target, QImage* view) {
    if (view && ImageFitsLimit(viewWidth, viewHeight)) {
        // The window's image is reused while it has the view's size.
        if (view->width() != viewWidth || view->height() != viewHeight ||
            view->format() != QImage::Format_ARGB32_Premultiplied) {
            *view = NewImage(viewWidth, viewHeight);
        }
        if (!view->isNull()) {
            PainterCanvas canvas(*view);
            return PaintOn(canvas, target);
        }
    }
    NullCanvas nothing;
    return PaintOn(nothing, target);
}

bool MapRendererImpl::PaintOn(Canvas& canvas, RenderWindow* target) {
    SizeFrameCache();
    const std::int32_t count = FrameCount();
    if (count <= 0) {
        // No frame to show: there is nothing to prepare and no frame -1 to look at.
        DrawInvalidConfiguration(canvas);
        return false;
    }
    if (currentFrame >= count) currentFrame = count - 1;
    const auto slot = static_cast<std::size_t>(currentFrame);
    if (frameDirty[slot]) {
        PrepareFrame();
        frameDirty[slot] = 0;
    }
    if (!ready) {
        DrawInvalidConfiguration(canvas);
        return false;
    }
    const QImage& frame = frameCache[slot];
    if (frame.isNull() || viewWidth <= 0 || viewHeight <= 0 || mapData.tileWidth <= 0 ||
        mapData.tileHeight <= 0) {
        return false;
    }
    window = target;
    const std::int32_t w = ScaleByZoom(frame.width());
    const std::int32_t h = ScaleByZoom(frame.height());
    std::int32_t y = offsetY;
    if (h < viewHeight) y = static_cast<std::int32_t>(viewHeight * 0.5 - h * 0.5);
    FillRectangle(canvas, kViewBackground, 0, 0, viewWidth, viewHeight);
    DrawMapCopies(canvas, frame, y, w, h);
    DrawOverlay(canvas);
    return true;
}

void MapRendererImpl::DrawInvalidConfiguration(Canvas& canvas) {
    FillRectangle(canvas, kInvalidBackground, 0, 0, viewWidth, viewHeight);
    TextStyle style;
    style.pointSize = kInvalidPointSize;
    style.colour = kInvalidTextColour;
    canvas.DrawText(kInvalidText, QRectF(0, 0, viewWidth / 2, viewHeight / 2), style);
}

void MapRendererImpl::DrawMapCopies(Canvas& canvas, const QImage& frame, std::int32_t y,
                                    std::int32_t w, std::int32_t h) {
    // A zoom of 0 or below gives copies without width, which would never fill the view.
    if (w <= 0 || h <= 0) return;
    const QImage& image = ScaledFrame(frame, w, h);
    std::int64_t x = offsetX;
    // Copies wholly left of the view are not drawn: the screen saver's offset drifts left
    // without bound, and the draws must not grow with it.
    if (x + w <= 0) x += (-x / w) * w;
    for (; x < viewWidth; x += w) canvas.DrawImage(image, QRectF(static_cast<double>(x), y, w, h));
}

const QImage& MapRendererImpl::ScaledFrame(const QImage& frame, std::int32_t w, std::int32_t h) {
    if (frame.width() == w && frame.height() == h) return frame;
    if (!ImageFitsLimit(w, h) || currentFrame < 0) return frame;
    const auto slot = static_cast<std::size_t>(currentFrame);
    if (scaledFrames.size() <= slot) scaledFrames.resize(slot + 1);
    ScaledCopy& copy = scaledFrames[slot];
    if (copy.image.isNull() || copy.source != frame.cacheKey() || copy.image.width() != w ||
        copy.image.height() != h) {
        // Averaging over the source area keeps the thin outlines whole at small zooms.
        copy.image = frame.scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        copy.source = frame.cacheKey();
        if (copy.image.isNull()) return frame;
        KeepScaledFramesWithinBudget(slot);
    }
    return copy.image;
}

void MapRendererImpl::DropScaledFrame() { scaledFrames.clear(); }

void MapRendererImpl::DropScaledFrame(std::size_t slot) {
    if (slot < scaledFrames.size()) scaledFrames[slot] = ScaledCopy();
}

void MapRendererImpl::KeepScaledFramesWithinBudget(std::size_t slot) {
    std::int64_t bytes = 0;
    for (const ScaledCopy& copy : scaledFrames) bytes += copy.image.sizeInBytes();
    while (bytes > kScaledFramesBudgetBytes) {
        std::size_t farthest = slot;
        for (std::size_t i = 0; i < scaledFrames.size(); ++i) {
            const auto distance = [slot](std::size_t other) {
                return other > slot ? other - slot : slot - other;
            };
            if (!scaledFrames[i].image.isNull() && distance(i) > distance(farthest)) farthest = i;
        }
        if (farthest == slot) return;
        bytes -= scaledFrames[farthest].image.sizeInBytes();
        DropScaledFrame(farthest);
    }
}

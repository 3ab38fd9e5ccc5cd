#include <cmath>
#include <string>
#include <vector>

#include <QImage>
#include <QPointF>

#include "base/ref.h"
#include "render/canvas.h"
#include "render/maprendererimpl.h"

namespace {

// A white band inside a dark one reads on light and dark maps alike, and is far wider
// than the 2-pixel black outline of every territory, so that it still shows when a frame
// is scaled down to a third for a video or the viewer's default zoom.
constexpr Argb kMarkDark = 0xFF000000;
constexpr Argb kMarkLight = 0xFFFFFFFF;
constexpr double kOutlineDarkWidth = 14;
constexpr double kOutlineLightWidth = 6;
constexpr double kRingDarkWidth = 10;
constexpr double kRingLightWidth = 4;
// The ring keeps this much room between the flag's corners and its inner edge.
constexpr double kRingMargin = 8;
constexpr double kFlagSizeWithoutImage = 32;
constexpr int kRingCorners = 48;

void DrawBand(Canvas& canvas, const std::vector<QPointF>& outline, double darkWidth,
              double lightWidth) {
    const int count = static_cast<int>(outline.size());
    canvas.OutlinePolygon(outline.data(), count, kMarkDark, darkWidth);
    canvas.OutlinePolygon(outline.data(), count, kMarkLight, lightWidth);
}

std::vector<QPointF> Circle(QPointF centre, double radius) {
    std::vector<QPointF> points;
    points.reserve(kRingCorners);
    for (int i = 0; i < kRingCorners; ++i) {
        const double angle = 2 * M_PI * i / kRingCorners;
        points.emplace_back(centre.x() + radius * std::cos(angle),
                            centre.y() + radius * std::sin(angle));
    }
    return points;
}

}  // namespace

std::string MapRendererImpl::OwnerAt(std::int32_t frame, const std::string& territory) {
    Ref<TerritoryState> state;
    std::string owner;
    if (gameLoader->FindTerritory(frame, territory, state.Receive())) state->GetOwner(owner);
    return owner.empty() ? kNeutralPlayer : owner;
}

void MapRendererImpl::DrawChangeMarks(Canvas& canvas) {
    if (currentFrame <= 0) return;
    canvas.SetAntialiasing(true);
    for (const auto& [name, territory] : mapData.territories) {
        const std::string owner = OwnerAt(currentFrame, name);
        if (owner == OwnerAt(currentFrame - 1, name)) continue;
        // The closed outlines that drawing the territories made of this map.
        for (const std::vector<QPointF>& outline : territory.outlineCache) {
            if (!outline.empty()) DrawBand(canvas, outline, kOutlineDarkWidth, kOutlineLightWidth);
        }
        if (territory.isCapital) DrawCapitalRing(canvas, territory, owner);
    }
}

void MapRendererImpl::DrawCapitalRing(Canvas& canvas, const Territory& territory,
                                      const std::string& owner) {
    const QImage& flag = FlagImage(owner);
    const double width = flag.isNull() ? kFlagSizeWithoutImage : flag.width();
    const double height = flag.isNull() ? kFlagSizeWithoutImage : flag.height();
    const QPointF centre(territory.capital.x + width / 2, territory.capital.y + height / 2);
    const double radius = std::hypot(width, height) / 2 + kRingMargin + kRingDarkWidth / 2;
    DrawBand(canvas, Circle(centre, radius), kRingDarkWidth, kRingLightWidth);
}

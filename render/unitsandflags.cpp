#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include <QImage>
#include <QRectF>
#include <QString>

#include "base/pathutil.h"
#include "base/ref.h"
#include "base/stringutil.h"
#include "render/canvas.h"
#include "render/imagefile.h"
#include "render/maprendererimpl.h"

namespace {

constexpr double kQuantityPointSize = 16;
constexpr Argb kOverflowMarkColour = 0xFF000000;
constexpr double kOverflowMarkHeight = 3;
constexpr double kOverlayFlagX = 10;
constexpr double kOverlayFlagY = 10;
constexpr double kCaptionGap = 10;  // between the flag and the caption
constexpr double kCaptionTopWithoutFlag = 35;
constexpr double kCaptionPointSize = 30;
constexpr Argb kCaptionColour = 0xFFFFC800;
// Dark and a little translucent, so that the orange reads on light land and pale sea alike.
constexpr Argb kCaptionHalo = 0xB4000000;

QString Wide(const std::string& text) { return PathText(text); }

// Reads the image file into a new holder in table under key; a file that cannot be read
// leaves an empty holder, so that it is not tried again.
const QImage& CachedImage(std::map<std::string, Ref<Tile>>& table, const std::string& key,
                          const QString& path) {
    Ref<Tile>& holder = table[key];
    if (!holder) CreateTile(std::string(), ReadImageFile(path), holder.Receive());
    return holder->Image();
}

// Draws an image at its natural size with its top left corner at (x, y); an image that
// could not be read draws nothing.
void DrawNatural(Canvas& canvas, const QImage& image, double x, double y) {
    if (!image.isNull()) canvas.DrawImage(image, QRectF(x, y, image.width(), image.height()));
}

// Where units are drawn within one territory: the placement points in file order, then a
// row to the right of the last unit drawn.
class UnitPositions {
public:
    explicit UnitPositions(const std::vector<MapPoint>& placements) : placements(placements) {
        if (!placements.empty()) previous = placements.back();
    }

    // The position of unit index; overflow tells whether it lies beyond the placement points.
    MapPoint At(std::int32_t index, bool& overflow) const {
        overflow = static_cast<std::size_t>(index) >= placements.size();
        if (!overflow) return placements[static_cast<std::size_t>(index)];
        // Kept within 32 bits whatever coordinates the placement file gave.
        const std::int64_t x = std::int64_t{previous.x} + previousWidth;
        return {static_cast<std::int32_t>(std::min<std::int64_t>(x, INT32_MAX)), previous.y};
    }

    void Drawn(MapPoint at, std::int32_t width) {
        previous = at;
        previousWidth = width;
    }

private:
    const std::vector<MapPoint>& placements;
    // Until a unit of this territory is drawn, an overflow unit starts at the last
    // placement point rather than after some other territory's unit.
    MapPoint previous;
    std::int32_t previousWidth = 0;
};

}  // namespace

const QImage& MapRendererImpl::FlagImage(const std::string& player) {
    const auto found = flagImages.find(player);
    if (found != flagImages.end()) return found->second->Image();
    const QString path =
        JoinPath(JoinPath(Wide(imagesFolder), QStringLiteral("flags")), Wide(player)) +
        (largeFlags ? QStringLiteral("_large.png") : QStringLiteral(".gif"));
    return CachedImage(flagImages, player, path);
}

const QImage& MapRendererImpl::UnitImage(const std::string& path) {
    return CachedImage(unitImages, path, Wide(path));
}

void MapRendererImpl::DrawCapitalFlag(Canvas& canvas, const Territory& territory,
                                      const std::string& owner) {
    DrawNatural(canvas, FlagImage(owner), territory.capital.x, territory.capital.y);
}

void MapRendererImpl::DrawUnits(Canvas& canvas, const Territory& territory, TerritoryState& state) {
    TextStyle quantityStyle;
    quantityStyle.pointSize = kQuantityPointSize;
    quantityStyle.colour = 0xFF000000u | (static_cast<Argb>(unitRed) & 0xFF) << 16 |
                           (static_cast<Argb>(unitGreen) & 0xFF) << 8 |
                           (static_cast<Argb>(unitBlue) & 0xFF);
    quantityStyle.alignment = TextStyle::Alignment::RightToLeftNear;
    quantityStyle.clip = true;

    const QString unitsFolder = JoinPath(Wide(imagesFolder), QStringLiteral("units"));
    UnitPositions positions(territory.placements);
    std::string quantity;
    std::string owner;
    std::string type;
    const std::int32_t count = state.GetUnitCount(nullptr);
    for (std::int32_t i = 0; i < count; ++i) {
        Ref<UnitStack> stack;
        if (!state.GetUnit(i, stack.Receive())) continue;
        stack->GetQuantity(quantity);
        stack->GetOwner(owner);
        stack->GetType(type);
        const QString path = JoinPath(JoinPath(unitsFolder, Wide(owner)), Wide(type + ".png"));
        const QImage& image = UnitImage(PathBytes(path));
        if (territory.placements.empty()) continue;

        bool overflow = false;
        const MapPoint at = positions.At(i, overflow);
        const QRectF box(at.x, at.y, image.width(), image.height());
        DrawNatural(canvas, image, at.x, at.y);
        positions.Drawn(at, image.width());
        if (unitQuantities && ReadLeadingInteger(quantity) >= 2) {
            canvas.DrawText(quantity, box, quantityStyle);
        }
        if (overflow) {
            FillRectangle(canvas, kOverflowMarkColour, at.x, at.y, image.width(),
                          kOverflowMarkHeight);
        }
    }
}

void MapRendererImpl::DrawOverlay(Canvas& canvas) {
    std::string player = kNeutralPlayer;
    std::string caption;
    if (!gameLoader->GetFramePlayer(currentFrame, player)) return;
    if (!gameLoader->GetFrameCaption(currentFrame, caption)) return;
    const QImage& flag = FlagImage(player);
    DrawNatural(canvas, flag, kOverlayFlagX, kOverlayFlagY);
    // One line, starting right of the flag and centred on its height; a box without width
    // is never wrapped, and a text starting at its left side is never cut at the left edge.
    std::replace(caption.begin(), caption.end(), '\n', ' ');
    TextStyle style;
    style.pointSize = kCaptionPointSize;
    style.colour = kCaptionColour;
    style.alignment = TextStyle::Alignment::Left;
    style.halo = kCaptionHalo;
    QRectF box(kOverlayFlagX, kCaptionTopWithoutFlag, 0, 0);
    if (!flag.isNull()) {
        box = QRectF(kOverlayFlagX + flag.width() + kCaptionGap, kOverlayFlagY, 0, flag.height());
        style.verticalCentre = true;
    }
    canvas.DrawText(caption, box, style);
}

#include "render/paintercanvas.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPen>
#include <QString>

#include "render/outlinestamps.h"

namespace {

// Point sizes are meant for a 96 dpi surface, as the images of the original programs had.
constexpr double kPixelsPerPoint = 96.0 / 72.0;
// Where a text's halo is drawn, around the text's own place: a rim about 1.5 pixels wide,
// its copies on whole pixels so that their edges are as sharp as the text's own.
constexpr QPointF kHaloOffsets[] = {{-2, 0}, {2, 0}, {0, -2}, {0, 2},
                                    {-1, -1}, {1, -1}, {-1, 1}, {1, 1}};

bool IsWhole(double value) { return value == std::floor(value); }

// The rectangle that four corners describe when it is axis-aligned with whole-pixel edges,
// which fills the same pixels with or without anti-aliasing.
bool AsPixelRectangle(const QPointF* points, int count, QRectF& rectangle) {
    if (count != 4) return false;
    const QPointF& a = points[0];
    const QPointF& c = points[2];
    const bool axisAligned = points[1].y() == a.y() && points[1].x() == c.x() &&
                             points[3].x() == a.x() && points[3].y() == c.y();
    if (!axisAligned || !IsWhole(a.x()) || !IsWhole(a.y()) || !IsWhole(c.x()) || !IsWhole(c.y())) {
        return false;
    }
    rectangle = QRectF(a, c).normalized();
    return true;
}

QFont TextFont(double pointSize) {
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setBold(true);
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(pointSize * kPixelsPerPoint))));
    return font;
}

}  // namespace

PainterCanvas::PainterCanvas(QImage& target, OutlineStamps* stamps)
    : target(target), stamps(stamps), painter(&target) {}

PainterCanvas::~PainterCanvas() = default;

void PainterCanvas::SetAntialiasing(bool on) { painter.setRenderHint(QPainter::Antialiasing, on); }

void PainterCanvas::FillPolygon(const QPointF* points, int count, Argb colour) {
    if (count <= 0) return;
    QRectF rectangle;
    if (AsPixelRectangle(points, count, rectangle)) {
        painter.fillRect(rectangle, QColor::fromRgba(colour));
        return;
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgba(colour));
    painter.drawPolygon(points, count, Qt::OddEvenFill);
}

void PainterCanvas::OutlinePolygon(const QPointF* points, int count, Argb colour, double width) {
    if (count <= 0) return;
    if (CanBlendStamps(colour)) {
        for (const auto& piece : stamps->Coverage(points, count, width, target.size())) {
            BlendCoverage(target, piece, colour);
        }
        return;
    }
    painter.setPen(OutlinePen(QColor::fromRgba(colour), width));
    painter.setBrush(Qt::NoBrush);
    ForEachOutlinePiece(points, count, [this](const QPointF* piece, int length, bool closed) {
        StrokeOutlinePiece(painter, piece, length, closed);
    });
}

// Kept coverage gives the stroke's pixels for an opaque pen drawn plainly on an opaque image.
bool PainterCanvas::CanBlendStamps(Argb colour) const {
    return stamps && colour >> 24 == 0xFF && painter.testRenderHint(QPainter::Antialiasing) &&
           target.format() == QImage::Format_ARGB32_Premultiplied &&
           painter.compositionMode() == QPainter::CompositionMode_SourceOver &&
           painter.transform().isIdentity() && !painter.hasClipping();
}

void PainterCanvas::DrawImage(const QImage& image, const QRectF& target) {
    if (image.isNull() || target.isEmpty()) return;
    const bool naturalSize = target.width() == image.width() && target.height() == image.height();
    if (naturalSize && IsWhole(target.x()) && IsWhole(target.y())) {
        painter.drawImage(target.topLeft(), image);
        return;
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(target, image);
}

void PainterCanvas::DrawText(const std::string& text, const QRectF& box, const TextStyle& style) {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return;
    int flags = style.verticalCentre ? Qt::AlignVCenter : Qt::AlignTop;
    if (style.alignment == TextStyle::Alignment::RightToLeftNear) {
        flags |= Qt::AlignRight | Qt::AlignAbsolute;
        painter.setLayoutDirection(Qt::RightToLeft);
    } else {
        flags |= style.alignment == TextStyle::Alignment::Left ? Qt::AlignLeft : Qt::AlignHCenter;
        painter.setLayoutDirection(Qt::LeftToRight);
    }
    if (!style.clip) flags |= Qt::TextDontClip;
    // A box without width lays the text out on one line per "\n", as the original did.
    if (box.width() > 0) flags |= Qt::TextWordWrap;
    painter.setFont(TextFont(style.pointSize));
    const QString wide = QString::fromStdString(text);
    if (style.halo >> 24 != 0) {
        // The text itself drawn around its place in the halo colour. Each copy is laid out
        // again; for the one-line caption that is about 0.3 ms of a paint.
        painter.setPen(QColor::fromRgba(style.halo));
        for (const QPointF& offset : kHaloOffsets) painter.drawText(box.translated(offset), flags, wide);
    }
    painter.setPen(QColor::fromRgba(style.colour));
    painter.drawText(box, flags, wide);
}

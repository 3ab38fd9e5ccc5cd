#include "render/paintercanvas.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPen>
#include <QString>

namespace {

// Point sizes are meant for a 96 dpi surface, as the images of the original programs had.
constexpr double kPixelsPerPoint = 96.0 / 72.0;
// The miter limit of the original platform's pens.
constexpr double kMiterLimit = 10.0;
// Where a text's halo is drawn, around the text's own place: a rim about 1.5 pixels wide,
// its copies on whole pixels so that their edges are as sharp as the text's own.
constexpr QPointF kHaloOffsets[] = {{-2, 0}, {2, 0}, {0, -2}, {0, 2},
                                    {-1, -1}, {1, -1}, {-1, 1}, {1, 1}};
// Segments per piece when a long outline is stroked piecewise. Qt's anti-aliasing
// rasterizer slows down sharply on paths of thousands of segments, which the staircase
// outlines of TripleA maps are; pieces of this length keep it fast.
constexpr int kOutlinePiece = 48;

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

PainterCanvas::PainterCanvas(QImage& target) : painter(&target) {}

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
    QPen pen(QBrush(QColor::fromRgba(colour)), width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    pen.setMiterLimit(kMiterLimit);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    // The outline is closed whether or not the last point repeats the first.
    int corners = count;
    if (corners > 1 && points[corners - 1] == points[0]) --corners;
    if (corners <= kOutlinePiece + 1) {
        painter.drawPolygon(points, corners);
        return;
    }
    // Each piece runs one segment into the next, so that every corner is joined as in one
    // stroke; the last piece wraps around to the first corner.
    std::vector<QPointF> piece;
    piece.reserve(kOutlinePiece + 2);
    for (int start = 0; start < corners; start += kOutlinePiece) {
        piece.clear();
        const int end = std::min(start + kOutlinePiece + 1, corners + 1);
        for (int i = start; i <= end; ++i) piece.push_back(points[i % corners]);
        painter.drawPolyline(piece.data(), static_cast<int>(piece.size()));
    }
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

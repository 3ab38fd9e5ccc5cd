#include "demopictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>

#include <cmath>

namespace demo {
namespace {

QPainterPath PathOf(const QPolygonF& outline) {
    QPainterPath path;
    path.addPolygon(outline);
    path.closeSubpath();
    return path;
}

void DrawSea(QPainter& painter, const QSize& size) {
    QLinearGradient gradient(0, 0, 0, size.height());
    gradient.setColorAt(0, QColor(44, 90, 140));
    gradient.setColorAt(1, QColor(30, 70, 118));
    painter.fillRect(QRect(QPoint(0, 0), size), gradient);
    QRandomGenerator random(7);
    painter.setPen(QPen(QColor(120, 170, 210, 70), 1.5));
    for (int i = 0; i < 900; ++i) {
        const double x = random.bounded(size.width());
        const double y = random.bounded(size.height());
        painter.drawArc(QRectF(x, y, 10 + random.bounded(8), 5), 20 * 16, 140 * 16);
    }
}

void DrawLand(QPainter& painter, const Region& region, int index) {
    const QPainterPath path = PathOf(region.outline);
    const int shade = (index * 37) % 24 - 12;
    painter.fillPath(path, QColor(126 + shade, 150 + shade, 86 + shade / 2));
    painter.save();
    painter.setClipPath(path);
    QRandomGenerator random(static_cast<quint32>(100 + index));
    const QRectF box = region.outline.boundingRect();
    for (int i = 0; i < 260; ++i) {
        const QPointF p(box.left() + random.bounded(box.width()),
                        box.top() + random.bounded(box.height()));
        const int tone = random.bounded(2) ? 20 : -20;
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(126 + shade + tone, 150 + shade + tone, 86 + tone, 90));
        painter.drawEllipse(p, 3 + random.bounded(5), 2 + random.bounded(3));
    }
    for (int i = 0; i < 40; ++i) {  // woods
        const QPointF p(box.left() + random.bounded(box.width()),
                        box.top() + random.bounded(box.height()));
        painter.setBrush(QColor(62, 96, 52, 150));
        painter.drawEllipse(p, 5, 5);
    }
    painter.restore();
}

void DrawMountain(QPainter& painter, QPointF foot, double size) {
    const QPointF top(foot.x(), foot.y() - size);
    QPolygonF sunny{foot + QPointF(-size * 0.9, 0), top, foot};
    QPolygonF shade{top, foot + QPointF(size * 0.9, 0), foot};
    painter.setPen(QPen(QColor(70, 60, 50), 1));
    painter.setBrush(QColor(160, 140, 112));
    painter.drawPolygon(sunny);
    painter.setBrush(QColor(112, 96, 78));
    painter.drawPolygon(shade);
    painter.setBrush(QColor(245, 245, 250));
    painter.drawPolygon(QPolygonF{top, top + QPointF(-size * 0.25, size * 0.28),
                                  top + QPointF(size * 0.25, size * 0.28)});
}

}  // namespace

QImage DrawBaseMap(const std::vector<Region>& regions) {
    QImage map(kColumns * kTileSize, kRows * kTileSize, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&map);
    painter.setRenderHint(QPainter::Antialiasing);
    DrawSea(painter, map.size());
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(222, 206, 150), 14, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    for (const Region& region : regions) {
        if (!region.sea) painter.drawPath(PathOf(region.outline));  // beaches
    }
    for (std::size_t i = 0; i < regions.size(); ++i) {
        if (!regions[i].sea) DrawLand(painter, regions[i], static_cast<int>(i));
    }
    return map;
}

QImage DrawReliefMap(const QImage& base, const std::vector<Region>& regions) {
    QImage relief = base.copy();
    QPainter painter(&relief);
    painter.setRenderHint(QPainter::Antialiasing);
    for (const Region& region : regions) {
        if (!region.mountains) continue;
        painter.save();
        painter.setClipPath(PathOf(region.outline));
        QRandomGenerator random(static_cast<quint32>(region.column * 10 + region.row));
        // Mountains around the middle, where the units and the flag stand.
        const QRectF keepClear(region.centre.x() - 90, region.centre.y() - 85, 185, 175);
        const QRectF box = region.outline.boundingRect();
        for (int placed = 0, tries = 0; placed < 12 && tries < 400; ++tries) {
            const QPointF foot(box.left() + random.bounded(box.width()),
                               box.top() + 20 + random.bounded(box.height()));
            const double size = 14 + random.bounded(12);
            if (keepClear.intersects(QRectF(foot.x() - size, foot.y() - size, 2 * size, size)))
                continue;
            DrawMountain(painter, foot, size);
            ++placed;
        }
        painter.restore();
    }
    return relief;
}

bool TileHasRelief(const QImage& base, const QImage& relief, int x, int y) {
    const QRect cell(x * kTileSize, y * kTileSize, kTileSize, kTileSize);
    return base.copy(cell) != relief.copy(cell);
}

QImage DrawFlag(const QString& player, int width, int height, bool smooth) {
    QImage flag(width, height, QImage::Format_ARGB32);
    flag.fill(Qt::transparent);
    QPainter painter(&flag);
    painter.setRenderHint(QPainter::Antialiasing, smooth);
    const double w = width, h = height;
    painter.setPen(Qt::NoPen);
    if (player == "Varden") {
        painter.fillRect(QRectF(0, 0, w, h), QColor(0x3A, 0x6E, 0xA5));
        painter.fillRect(QRectF(w * 0.28, 0, w * 0.14, h), Qt::white);
        painter.fillRect(QRectF(0, h * 0.42, w, h * 0.16), Qt::white);
    } else if (player == "Osterra") {
        painter.fillRect(QRectF(0, 0, w, h), QColor(0xB0, 0x3A, 0x2E));
        painter.setBrush(QColor(0xF2, 0xC9, 0x4C));
        painter.drawEllipse(QPointF(w / 2, h / 2), h * 0.28, h * 0.28);
    } else if (player == "Kelm") {
        painter.fillRect(QRectF(0, 0, w, h), QColor(0xD9, 0xA5, 0x31));
        painter.setBrush(QColor(0x2B, 0x2B, 0x2B));
        painter.drawPolygon(
            QPolygonF{{0, h}, {0, h * 0.7}, {w * 0.75, 0}, {w, 0}, {w, h * 0.3}, {w * 0.25, h}});
    } else {
        painter.fillRect(QRectF(0, 0, w, h), QColor(0x9A, 0x94, 0x7C));
        painter.fillRect(QRectF(0, h / 3, w, h / 3), QColor(0xE8, 0xE4, 0xD8));
    }
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(30, 30, 30), 1));
    painter.drawRect(QRectF(0.5, 0.5, w - 1, h - 1));
    return flag;
}

QImage DrawUnit(const QString& type, QRgb colour) {
    QImage unit(48, 48, QImage::Format_ARGB32);
    unit.fill(Qt::transparent);
    QPainter painter(&unit);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(25, 25, 25), 2));
    painter.setBrush(QColor(colour));
    if (type == "infantry") {
        painter.drawEllipse(QPointF(24, 11), 6, 6);
        painter.drawPolygon(QPolygonF{{15, 44}, {18, 20}, {30, 20}, {33, 44}});
        painter.drawLine(QPointF(34, 10), QPointF(28, 40));
    } else if (type == "armour") {
        painter.drawRoundedRect(QRectF(4, 24, 40, 14), 6, 6);
        painter.drawRoundedRect(QRectF(14, 14, 18, 11), 3, 3);
        painter.drawLine(QPointF(31, 18), QPointF(46, 15));
    } else if (type == "fighter") {
        painter.drawPolygon(QPolygonF{{24, 3},
                                      {28, 18},
                                      {46, 28},
                                      {28, 28},
                                      {27, 40},
                                      {33, 45},
                                      {15, 45},
                                      {21, 40},
                                      {20, 28},
                                      {2, 28},
                                      {20, 18}});
    } else if (type == "transport") {
        painter.drawPolygon(QPolygonF{{2, 28}, {46, 28}, {40, 40}, {8, 40}});
        painter.drawRect(QRectF(12, 18, 10, 10));
        painter.drawRect(QRectF(24, 18, 10, 10));
    } else {  // battleship
        painter.drawPolygon(QPolygonF{{1, 30}, {47, 30}, {42, 40}, {6, 40}});
        painter.drawRect(QRectF(18, 21, 12, 9));
        painter.drawLine(QPointF(12, 26), QPointF(4, 23));
        painter.drawLine(QPointF(36, 26), QPointF(45, 23));
        painter.drawLine(QPointF(24, 21), QPointF(24, 12));
    }
    return unit;
}

}  // namespace demo

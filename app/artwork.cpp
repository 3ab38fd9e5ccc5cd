#include "app/artwork.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

// A small island with a flag on it, in a round sea.
void DrawEmblem(QPainter& painter, const QRectF& box) {
    painter.setPen(QPen(QColor(20, 40, 70), box.width() * 0.04));
    painter.setBrush(QColor(44, 90, 140));
    painter.drawEllipse(box);
    const double w = box.width(), h = box.height();
    const QPointF o = box.topLeft();
    QPainterPath island;
    island.moveTo(o + QPointF(w * 0.20, h * 0.62));
    island.cubicTo(o + QPointF(w * 0.25, h * 0.35), o + QPointF(w * 0.55, h * 0.30),
                   o + QPointF(w * 0.78, h * 0.50));
    island.cubicTo(o + QPointF(w * 0.85, h * 0.68), o + QPointF(w * 0.45, h * 0.80),
                   o + QPointF(w * 0.20, h * 0.62));
    painter.setPen(QPen(QColor(222, 206, 150), w * 0.04));
    painter.setBrush(QColor(126, 150, 86));
    painter.drawPath(island);
    painter.setPen(QPen(QColor(30, 30, 30), w * 0.03));
    painter.drawLine(o + QPointF(w * 0.50, h * 0.55), o + QPointF(w * 0.50, h * 0.18));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xB0, 0x3A, 0x2E));
    painter.drawPolygon(QPolygonF{o + QPointF(w * 0.51, h * 0.18), o + QPointF(w * 0.74, h * 0.25),
                                  o + QPointF(w * 0.51, h * 0.33)});
}

}  // namespace

QImage DrawLogo(const QSize& size) {
    QImage logo(size, QImage::Format_ARGB32_Premultiplied);
    logo.fill(Qt::transparent);
    QPainter painter(&logo);
    painter.setRenderHint(QPainter::Antialiasing);
    const double side = size.height() * 0.9;
    DrawEmblem(painter, QRectF(size.height() * 0.05, size.height() * 0.05, side, side));
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setBold(true);
    font.setPixelSize(static_cast<int>(size.height() * 0.36));
    painter.setFont(font);
    painter.setPen(QColor(30, 50, 80));
    painter.drawText(QRectF(side * 1.15, 0, size.width() - side * 1.15, size.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Quelm"));
    return logo;
}

QIcon QuelmIcon() {
    QIcon icon;
    for (int side : {16, 32, 48, 64, 128}) {
        QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        DrawEmblem(painter, QRectF(1, 1, side - 2, side - 2));
        painter.end();
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

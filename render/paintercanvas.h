#pragma once

#include <QPainter>

#include "render/canvas.h"

class QImage;
class OutlineStamps;

// Draws on an image through a QPainter for as long as it lives. Text needs a
// QGuiApplication (see platform/guistarter.h); without one it is left out. With stamps,
// anti-aliased outlines are blended from coverage kept there, which gives the stroke's
// pixels only where the image is opaque under them.
class PainterCanvas : public Canvas {
public:
    explicit PainterCanvas(QImage& target, OutlineStamps* stamps = nullptr);
    ~PainterCanvas() override;
    PainterCanvas(const PainterCanvas&) = delete;
    PainterCanvas& operator=(const PainterCanvas&) = delete;

    void SetAntialiasing(bool on) override;
    void FillPolygon(const QPointF* points, int count, Argb colour) override;
    void OutlinePolygon(const QPointF* points, int count, Argb colour, double width) override;
    void DrawImage(const QImage& image, const QRectF& target) override;
    void DrawText(const std::string& text, const QRectF& box, const TextStyle& style) override;

private:
    bool CanBlendStamps(Argb colour) const;

    QImage& target;
    OutlineStamps* stamps;
    QPainter painter;
};

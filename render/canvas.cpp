#include "render/canvas.h"

namespace {

constexpr Argb kOutlineColour = 0xFF000000;
constexpr double kOutlineWidth = 2.0;

}  // namespace

void FillPolygon(Canvas& canvas, Argb colour, const QPointF* points, int count, bool outline,
                 bool fill) {
    if (fill) canvas.FillPolygon(points, count, colour);
    if (outline) {
        canvas.SetAntialiasing(true);
        canvas.OutlinePolygon(points, count, kOutlineColour, kOutlineWidth);
    }
}

void FillRectangle(Canvas& canvas, Argb colour, double x, double y, double width, double height) {
    const QPointF corners[] = {{x, y}, {x + width, y}, {x + width, y + height}, {x, y + height}};
    FillPolygon(canvas, colour, corners, 4, false, true);
}

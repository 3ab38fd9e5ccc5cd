#pragma once

#include <cstdint>
#include <string>

#include <QPointF>
#include <QRectF>

class QImage;

// A colour as 32-bit ARGB, alpha in the top byte.
using Argb = std::uint32_t;

// How a text is laid out in its box. Every text is "Arial" bold (sans-serif when Arial is
// missing), its first line at the top of the box, wrapped at words to the box's width (not
// wrapped in a box without width).
struct TextStyle {
    enum class Alignment {
        Centre,           // each line centred on the box's middle
        RightToLeftNear,  // right-to-left direction, near edge: the box's right side
        Left,             // left-to-right, each line starting at the box's left side
    };
    double pointSize = 12;
    Argb colour = 0xFF000000;
    Alignment alignment = Alignment::Centre;
    bool clip = false;            // cut the text at the box's edges
    bool verticalCentre = false;  // the lines centred on the box's middle height, not at its top
    Argb halo = 0;                // a thin rim of this colour around the letters (alpha 0: none)
};

// What the renderer draws with. The programs draw on images through a QPainter; tests
// record the calls to check the geometry.
class Canvas {
public:
    // Anti-aliased edges for what is drawn from now on.
    virtual void SetAntialiasing(bool on) = 0;
    // Fills the polygon with a solid colour, alternate (even-odd) fill rule.
    virtual void FillPolygon(const QPointF* points, int count, Argb colour) = 0;
    // Draws the closed outline of the polygon with a solid pen.
    virtual void OutlinePolygon(const QPointF* points, int count, Argb colour, double width) = 0;
    // Draws the image stretched into target (smoothly when the sizes differ).
    virtual void DrawImage(const QImage& image, const QRectF& target) = 0;
    // Draws UTF-8 text laid out in box; "\n" starts a new line.
    virtual void DrawText(const std::string& text, const QRectF& box, const TextStyle& style) = 0;
    virtual ~Canvas() = default;
};

// A canvas that draws nothing, for when there is no surface to draw on.
class NullCanvas : public Canvas {
public:
    void SetAntialiasing(bool) override {}
    void FillPolygon(const QPointF*, int, Argb) override {}
    void OutlinePolygon(const QPointF*, int, Argb, double) override {}
    void DrawImage(const QImage&, const QRectF&) override {}
    void DrawText(const std::string&, const QRectF&, const TextStyle&) override {}
};

// The renderer's polygon: filled with colour when fill is set; when outline is set, the
// canvas switches to anti-aliased drawing and outlines it in opaque black, 2 pixels wide.
void FillPolygon(Canvas& canvas, Argb colour, const QPointF* points, int count, bool outline,
                 bool fill);
// Fills the rectangle through FillPolygon with its four corners, fill only.
void FillRectangle(Canvas& canvas, Argb colour, double x, double y, double width, double height);

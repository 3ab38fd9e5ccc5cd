#pragma once

#include <cstdint>
#include <functional>
#include <unordered_map>
#include <vector>

#include <QImage>
#include <QPen>
#include <QPointF>
#include <QSize>

class QPainter;

// The outline pen: solid, flat ends, mitred corners with the original platform's limit.
QPen OutlinePen(QColor colour, double width);

// Strokes a closed outline with pen, in the pieces that keep Qt's anti-aliasing rasterizer
// fast: an outline of up to 49 corners as one closed polygon, a longer one as polylines of
// 48 segments, each running one segment into the next so that every corner is joined as in
// one stroke. stroke is called once per piece.
void ForEachOutlinePiece(const QPointF* points, int count,
                         const std::function<void(const QPointF* piece, int length, bool closed)>& stroke);

// Draws one piece as ForEachOutlinePiece hands it over.
void StrokeOutlinePiece(QPainter& painter, const QPointF* piece, int length, bool closed);

// The pixels that the anti-aliased outlines of a map cover, rasterized once and then only
// blended into every frame: the outlines are the same in every frame of a game, and
// stroking them is most of a frame's drawing. Blending the kept coverage gives the very
// pixels that stroking gives on an opaque image, piece by piece in the same order.
class OutlineStamps {
public:
    // Pixels y, x .. x + length - 1 of a piece, all covered by the same amount (255: wholly).
    struct Run {
        std::int32_t y;
        std::int32_t x;
        std::int32_t length;
        std::uint8_t coverage;
    };
    using Piece = std::vector<Run>;

    // The coverage of each piece of the outline, stroked with a pen of width on an image of
    // size; rasterized on first use, kept until DropUnused finds it unused.
    const std::vector<Piece>& Coverage(const QPointF* points, int count, double width, QSize size);

    // Forgets what was not used since the previous call, as outlines of an earlier map load.
    void DropUnused();

    std::size_t Count() const;

private:
    struct Stamp {
        std::vector<QPointF> points;
        double width = 0;
        QSize size;
        std::vector<Piece> pieces;
        bool used = false;
    };

    Piece TakeCoverage(const QPointF* piece, int length, double width);

    std::unordered_multimap<std::size_t, Stamp> stamps;
    QImage scratch;  // transparent except while a piece is being rasterized
};

// Blends colour, opaque, into the opaque ARGB32_Premultiplied image over the covered pixels
// as Qt's raster engine blends a solid pen.
void BlendCoverage(QImage& image, const OutlineStamps::Piece& piece, std::uint32_t colour);

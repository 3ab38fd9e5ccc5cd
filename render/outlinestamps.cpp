#include "render/outlinestamps.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <string_view>

#include <QPainter>
#include <QRect>

#include "render/unusedentries.h"

namespace {

// The miter limit of the original platform's pens.
constexpr double kMiterLimit = 10.0;
// Segments per piece when a long outline is stroked piecewise. Qt's anti-aliasing
// rasterizer slows down sharply on paths of thousands of segments, which the staircase
// outlines of TripleA maps are; pieces of this length keep it fast.
constexpr int kOutlinePiece = 48;

// The points' bytes hashed a word at a time; the width and size are compared on lookup.
std::size_t OutlineHash(const QPointF* points, int count) {
    const std::string_view bytes(reinterpret_cast<const char*>(points),
                                 sizeof(QPointF) * static_cast<std::size_t>(count));
    return std::hash<std::string_view>{}(bytes);
}

bool SamePoints(const std::vector<QPointF>& kept, const QPointF* points, int count) {
    return kept.size() == static_cast<std::size_t>(count) &&
           std::equal(kept.begin(), kept.end(), points);
}

// Every pixel a piece's stroke can reach: its corners' box widened by the longest miter
// a corner may have, and a pixel for anti-aliasing.
QRect ReachOfPiece(const QPointF* piece, int length, double width) {
    double left = piece[0].x(), right = left, top = piece[0].y(), bottom = top;
    for (int i = 1; i < length; ++i) {
        left = std::min(left, piece[i].x());
        right = std::max(right, piece[i].x());
        top = std::min(top, piece[i].y());
        bottom = std::max(bottom, piece[i].y());
    }
    const double margin = kMiterLimit * width + 2;
    const auto floorOf = [](double v) { return static_cast<int>(std::max(-1e9, std::floor(v))); };
    const auto ceilOf = [](double v) { return static_cast<int>(std::min(1e9, std::ceil(v))); };
    return QRect(QPoint(floorOf(left - margin), floorOf(top - margin)),
                 QPoint(ceilOf(right + margin), ceilOf(bottom + margin)));
}

// Qt's multiplication of the four channels of a pixel by alpha / 255, rounded as Qt does.
std::uint32_t ByteMul(std::uint32_t x, std::uint32_t a) {
    std::uint32_t t = (x & 0xff00ff) * a;
    t = (t + ((t >> 8) & 0xff00ff) + 0x800080) >> 8;
    t &= 0xff00ff;
    x = ((x >> 8) & 0xff00ff) * a;
    x = x + ((x >> 8) & 0xff00ff) + 0x800080;
    x &= 0xff00ff00;
    return x | t;
}

}  // namespace

QPen OutlinePen(QColor colour, double width) {
    QPen pen(QBrush(colour), width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    pen.setMiterLimit(kMiterLimit);
    return pen;
}

void ForEachOutlinePiece(const QPointF* points, int count,
                         const std::function<void(const QPointF*, int, bool)>& stroke) {
    if (count <= 0) return;
    // The outline is closed whether or not the last point repeats the first.
    int corners = count;
    if (corners > 1 && points[corners - 1] == points[0]) --corners;
    if (corners <= kOutlinePiece + 1) {
        stroke(points, corners, true);
        return;
    }
    // The last piece wraps around to the first corner.
    std::vector<QPointF> piece;
    piece.reserve(kOutlinePiece + 2);
    for (int start = 0; start < corners; start += kOutlinePiece) {
        piece.clear();
        const int end = std::min(start + kOutlinePiece + 1, corners + 1);
        for (int i = start; i <= end; ++i) piece.push_back(points[i % corners]);
        stroke(piece.data(), static_cast<int>(piece.size()), false);
    }
}

void StrokeOutlinePiece(QPainter& painter, const QPointF* piece, int length, bool closed) {
    if (closed) {
        painter.drawPolygon(piece, length);
    } else {
        painter.drawPolyline(piece, length);
    }
}

const std::vector<OutlineStamps::Piece>& OutlineStamps::Coverage(const QPointF* points, int count,
                                                                  double width, QSize size) {
    const std::size_t hash = OutlineHash(points, count);
    const auto [first, last] = stamps.equal_range(hash);
    for (auto it = first; it != last; ++it) {
        Stamp& stamp = it->second;
        if (stamp.width == width && stamp.size == size && SamePoints(stamp.points, points, count)) {
            stamp.used = true;
            return stamp.pieces;
        }
    }
    Stamp& stamp = stamps.emplace(hash, Stamp{})->second;
    stamp.points.assign(points, points + count);
    stamp.width = width;
    stamp.size = size;
    stamp.used = true;
    if (scratch.size() != size) {
        scratch = QImage(size, QImage::Format_ARGB32_Premultiplied);
        scratch.fill(Qt::transparent);
    }
    QPainter painter(&scratch);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(OutlinePen(Qt::black, width));
    painter.setBrush(Qt::NoBrush);
    // The raster engine draws at once, so each piece's pixels can be read right after it.
    ForEachOutlinePiece(points, count, [&](const QPointF* piece, int length, bool closed) {
        StrokeOutlinePiece(painter, piece, length, closed);
        stamp.pieces.push_back(TakeCoverage(piece, length, width));
    });
    return stamp.pieces;
}

// Reads the piece's coverage off the scratch image, leaving it transparent again.
OutlineStamps::Piece OutlineStamps::TakeCoverage(const QPointF* piece, int length, double width) {
    Piece runs;
    const QRect reach = ReachOfPiece(piece, length, width).intersected(scratch.rect());
    if (reach.isEmpty()) return runs;
    auto* bits = reinterpret_cast<std::uint32_t*>(scratch.bits());
    const auto stride = static_cast<std::size_t>(scratch.bytesPerLine()) / sizeof(std::uint32_t);
    for (int y = reach.top(); y <= reach.bottom(); ++y) {
        std::uint32_t* row = bits + stride * static_cast<std::size_t>(y);
        for (int x = reach.left(); x <= reach.right();) {
            const auto coverage = static_cast<std::uint8_t>(row[x] >> 24);
            if (coverage == 0) {
                ++x;
                continue;
            }
            const int start = x;
            while (x <= reach.right() && row[x] >> 24 == coverage) row[x++] = 0;
            runs.push_back({y, start, x - start, coverage});
        }
    }
    return runs;
}

void OutlineStamps::DropUnused() {
    DropUnusedEntries(stamps);
    scratch = QImage();
}

std::size_t OutlineStamps::Count() const { return stamps.size(); }

void BlendCoverage(QImage& image, const OutlineStamps::Piece& piece, std::uint32_t colour) {
    auto* bits = reinterpret_cast<std::uint32_t*>(image.bits());
    const auto stride = static_cast<std::size_t>(image.bytesPerLine()) / sizeof(std::uint32_t);
    for (const OutlineStamps::Run& run : piece) {
        std::uint32_t* pixel = bits + stride * static_cast<std::size_t>(run.y) + run.x;
        if (run.coverage == 255) {
            std::fill_n(pixel, run.length, colour);
            continue;
        }
        const std::uint32_t covered = ByteMul(colour, run.coverage);
        const std::uint32_t rest = 255u - run.coverage;
        for (std::int32_t i = 0; i < run.length; ++i) pixel[i] = covered + ByteMul(pixel[i], rest);
    }
}

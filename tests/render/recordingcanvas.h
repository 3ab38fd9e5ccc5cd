#pragma once

#include <string>
#include <vector>

#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QSize>

#include "render/canvas.h"

// Keeps every drawing call, so that tests can check what was drawn where.
class RecordingCanvas : public Canvas {
public:
    enum class Kind { Antialiasing, Fill, Outline, Image, Text };
    struct Call {
        Kind kind = Kind::Fill;
        std::vector<QPointF> points;  // Fill, Outline
        Argb colour = 0;              // Fill, Outline, Text
        double width = 0;             // Outline: pen width
        QRectF rect;                  // Image: target; Text: box
        QSize imageSize;              // Image
        std::string text;             // Text
        TextStyle style;              // Text
        bool on = false;              // Antialiasing
    };

    void SetAntialiasing(bool on) override {
        Call call;
        call.kind = Kind::Antialiasing;
        call.on = on;
        calls.push_back(call);
    }
    void FillPolygon(const QPointF* points, int count, Argb colour) override {
        Call call;
        call.kind = Kind::Fill;
        call.points.assign(points, points + count);
        call.colour = colour;
        calls.push_back(call);
    }
    void OutlinePolygon(const QPointF* points, int count, Argb colour, double width) override {
        Call call;
        call.kind = Kind::Outline;
        call.points.assign(points, points + count);
        call.colour = colour;
        call.width = width;
        calls.push_back(call);
    }
    void DrawImage(const QImage& image, const QRectF& target) override {
        Call call;
        call.kind = Kind::Image;
        call.rect = target;
        call.imageSize = image.size();
        calls.push_back(call);
    }
    void DrawText(const std::string& text, const QRectF& box, const TextStyle& style) override {
        Call call;
        call.kind = Kind::Text;
        call.text = text;
        call.rect = box;
        call.style = style;
        call.colour = style.colour;
        calls.push_back(call);
    }

    std::vector<Call> Of(Kind kind) const {
        std::vector<Call> found;
        for (const Call& call : calls) {
            if (call.kind == kind) found.push_back(call);
        }
        return found;
    }

    std::vector<Call> calls;
};

// The four corners FillRectangle hands to the canvas.
inline std::vector<QPointF> Corners(double x, double y, double width, double height) {
    return {{x, y}, {x + width, y}, {x + width, y + height}, {x, y + height}};
}

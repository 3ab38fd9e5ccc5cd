#pragma once

#include <optional>

#include <QObject>
#include <QPointF>

class QWidget;

// Ends the full-screen saver on the user's input: closes the watched window on any key
// press, mouse button or wheel turn, and once the mouse has moved more than a few pixels
// from where it was first seen (a window appearing under the mouse, or a desk's tremor,
// must not end it).
class InputWatch : public QObject {
public:
    static constexpr double kMouseSlackPixels = 4;

    // Watches window; the watch belongs to the window.
    explicit InputWatch(QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* window;
    std::optional<QPointF> firstMousePosition;
};

#include "saver/inputwatch.h"

#include <QMouseEvent>
#include <QWidget>

#include <cmath>

InputWatch::InputWatch(QWidget* watchedWindow) : QObject(watchedWindow), window(watchedWindow) {
    window->setMouseTracking(true);
    window->installEventFilter(this);
}

bool InputWatch::eventFilter(QObject* watched, QEvent* event) {
    if (watched != window) return false;
    switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
            window->close();
            return true;
        case QEvent::MouseMove: {
            const QPointF position = static_cast<QMouseEvent*>(event)->globalPosition();
            if (!firstMousePosition) firstMousePosition = position;
            const QPointF moved = position - *firstMousePosition;
            if (std::abs(moved.x()) > kMouseSlackPixels ||
                std::abs(moved.y()) > kMouseSlackPixels) {
                window->close();
            }
            return true;
        }
        default:
            return false;
    }
}

#include "saver/saverwindow.h"

#include <QEvent>
#include <QPainter>

#include "app/startup.h"
#include "platform/threadclock.h"

SaverWindow::SaverWindow(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setWindowTitle(QStringLiteral("Quelm"));
    timer.setTimerType(Qt::PreciseTimer);
    timer.setInterval(ScrollAnimation::kPeriodMilliseconds);
    connect(&timer, &QTimer::timeout, this, [this] {
        const std::int64_t start = ThreadProcessorMicroseconds();
        scroll.ScrollTimerProc(Application().renderer.Get());
        if (stepRate) stepRate->CountStep(ThreadProcessorMicroseconds() - start);
    });
}

SaverWindow::~SaverWindow() { Stop(); }

void SaverWindow::RequestRepaint() { update(); }

bool SaverWindow::event(QEvent* event) { return ScreenSaverProc(event) || QWidget::event(event); }

bool SaverWindow::ScreenSaverProc(QEvent* event) {
    switch (event->type()) {
        case QEvent::Show:
            Start();
            return false;
        case QEvent::Close:
            Stop();
            emit closed();
            return false;
        case QEvent::Paint:
            PaintView();
            return true;
        case QEvent::Resize:
            FollowSize();
            return false;
        default:
            return false;
    }
}

// The window's creation: the renderer with the window's size, the first offset of minus the
// view width, and the timer. Runs once; a renderer that already exists is kept.
void SaverWindow::Start() {
    if (running) return;
    running = true;
    InitialiseRenderer(this, nullptr);
    // The first frame is prepared by the first paint; the others of the swing are drawn on a
    // worker while the frame before them is shown, so that the drift never stops for one.
    if (MapRenderer* renderer = Application().renderer.Get()) renderer->SetPrepareAhead(true);
    scroll.Start(Application().viewWidth);
    timer.start();
}

// The window's destruction. The timer stops first, so that no tick can reach the renderer
// once it has been released.
void SaverWindow::Stop() {
    if (!running) return;
    running = false;
    timer.stop();
    ReleaseRenderer();
    ReleaseGuiStarter();
}

// The saver follows its window's size (xscreensaver resizes the window of its preview and
// the screen's window when the display changes); the drift goes on from where it is.
void SaverWindow::FollowSize() { SetViewSize(size()); }

// Without a renderer nothing is painted: the background is never erased.
void SaverWindow::PaintView() {
    MapRenderer* renderer = Application().renderer.Get();
    if (!renderer) return;
    const std::int64_t start = ThreadProcessorMicroseconds();
    renderer->Paint(this, &view);
    QPainter painter(this);
    // The view covers every pixel, so it is copied rather than blended.
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(0, 0, view);
    if (stepRate) stepRate->CountPaint(ThreadProcessorMicroseconds() - start);
}

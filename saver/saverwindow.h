#pragma once

#include <memory>

#include <QImage>
#include <QTimer>
#include <QWidget>

#include "render/renderwindow.h"
#include "saver/scrolltimer.h"
#include "saver/steprate.h"

// The saver window. When it is first shown it starts the renderer (without the loading
// dialog; the first frame is prepared as it is painted, the next ones of the animation ahead
// on a worker thread) with its size and starts the 16 ms scroll timer. It never erases its background, hands every new size to the renderer, and on
// closing stops the timer before it releases the renderer and the GUI starter.
class SaverWindow : public QWidget, public RenderWindow {
    Q_OBJECT
public:
    explicit SaverWindow(QWidget* parent = nullptr);
    ~SaverWindow() override;

    void RequestRepaint() override;
    bool IsScrolling() const { return timer.isActive(); }
    // Counts steps and paints and reports them on the standard error output.
    void MeasureStepRate() { stepRate = std::make_unique<StepRate>(); }

signals:
    // The window was closed; the saver has stopped.
    void closed();

protected:
    bool event(QEvent* event) override;

private:
    // The window's own handling of the events it cares about; false leaves an event to the
    // ordinary widget handling.
    bool ScreenSaverProc(QEvent* event);
    void Start();
    void Stop();
    void FollowSize();
    void PaintView();

    bool running = false;
    QTimer timer;
    ScrollAnimation scroll;
    QImage view;
    std::unique_ptr<StepRate> stepRate;
};

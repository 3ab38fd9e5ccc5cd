#pragma once

#include <atomic>
#include <future>
#include <memory>

#include "base/ref.h"

class MapRendererImpl;

// Draws one frame at a time on a worker thread, away from the window's thread. The drawer it
// is given is a renderer of its own (copies of the settings and the map data, a reference on
// the game loader) whose current frame is the one to draw; when the work is done, the drawer
// holds the frame image and everything the drawing changed, for the window's thread to take
// over. The window's thread never waits for the work: it asks whether it is done.
class FramePreparer {
public:
    FramePreparer() = default;
    // Stops the work under way and waits for it, so that nothing it uses goes away under it.
    ~FramePreparer();
    FramePreparer(const FramePreparer&) = delete;
    FramePreparer& operator=(const FramePreparer&) = delete;

    // Starts drawing drawer's current frame (map load and drawing, as a preparation on the
    // window's thread does, and its copy at the zoom). Only while not Busy().
    void Start(Ref<MapRendererImpl> drawer);
    // True from Start until the drawer has been taken or the work cancelled.
    bool Busy() const { return work.valid(); }
    // The drawer once its frame is drawn (or found impossible to draw); null while the work
    // runs or when there is none. Never waits.
    Ref<MapRendererImpl> TakeFinished();
    // Blocks until the work under way, if any, is done (for shutdown and for tests).
    void WaitUntilFinished() const;
    // Asks the work under way to stop, waits for it and drops its drawer. The drawing stops
    // at its next check, before or after the map load; a frame half drawn is never handed on.
    void Cancel();

private:
    // Set by Cancel; each piece of work has its own, so that a new one starts unstopped.
    std::shared_ptr<std::atomic<bool>> stop;
    std::future<Ref<MapRendererImpl>> work;
};

#pragma once

#include <QImage>

#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>

// Hands frames drawn by several workers to one consumer in order. A worker whose frame lies
// window or more frames ahead of the next one to be taken waits, so that the frames held
// stay few; with a window of at least the number of workers the next frame is always being
// drawn by a worker that does not wait. Stop ends every wait.
class OrderedFrames {
public:
    OrderedFrames(int first, int window) : next(first), window(window) {}

    // Keeps frame; false when stopped.
    bool Put(int frame, QImage image);
    // The next frame in order; nothing once stopped.
    std::optional<QImage> Take();
    void Stop();

private:
    std::mutex mutex;
    std::condition_variable changed;
    std::map<int, QImage> waiting;
    int next;
    int window;
    bool stopped = false;
};

#include "orderedframes.h"

#include <utility>

bool OrderedFrames::Put(int frame, QImage image) {
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [&] { return stopped || frame < next + window; });
    if (stopped) return false;
    waiting.emplace(frame, std::move(image));
    changed.notify_all();
    return true;
}

std::optional<QImage> OrderedFrames::Take() {
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [&] { return stopped || waiting.count(next) != 0; });
    if (stopped) return std::nullopt;
    const auto found = waiting.find(next);
    QImage image = std::move(found->second);
    waiting.erase(found);
    ++next;
    changed.notify_all();
    return image;
}

void OrderedFrames::Stop() {
    std::lock_guard<std::mutex> lock(mutex);
    stopped = true;
    changed.notify_all();
}

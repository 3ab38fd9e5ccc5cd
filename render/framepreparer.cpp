#include "render/framepreparer.h"

#include <chrono>
#include <utility>

#include "platform/threadpriority.h"
#include "render/maprendererimpl.h"

FramePreparer::~FramePreparer() { Cancel(); }

void FramePreparer::Start(Ref<MapRendererImpl> drawer) {
    stop = std::make_shared<std::atomic<bool>>(false);
    // The load is where a preparation spends its time besides drawing: a stop asked for
    // before it skips the load, one asked for during it skips the drawing.
    drawer->loadMapData = [load = std::move(drawer->loadMapData), stop = stop](MapData& data) {
        if (stop->load()) return false;
        return load(data) && !stop->load();
    };
    work = std::async(std::launch::async, [drawer = std::move(drawer)]() mutable {
        // The frame is wanted seconds from now; every scroll step is wanted within 16 ms.
        LowerThisThreadPriority();
        drawer->DrawFrameAhead();
        return std::move(drawer);
    });
}

Ref<MapRendererImpl> FramePreparer::TakeFinished() {
    if (!work.valid() || work.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
        return nullptr;
    }
    return work.get();
}

void FramePreparer::WaitUntilFinished() const {
    if (work.valid()) work.wait();
}

void FramePreparer::Cancel() {
    if (!work.valid()) return;
    stop->store(true);
    work.get();  // the drawer goes with its references
}

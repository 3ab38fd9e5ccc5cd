#pragma once

#include <atomic>
#include <cstdint>
#include <utility>

#include "base/unknown.h"

// The reference-counted object class: adds the count to an implementation class and
// implements the three operations of Unknown. The count starts at 0; factories call AddRef
// once before handing the object out.
template <class Implementation>
class RefCounted final : public Implementation {
public:
    template <class... Args>
    explicit RefCounted(Args&&... args) : Implementation(std::forward<Args>(args)...) {}

    HResult QueryInterface(const InterfaceId&, void**) override { return kResultNotImplemented; }

    std::int32_t AddRef() override { return refCount.fetch_add(1, std::memory_order_relaxed) + 1; }

    std::int32_t Release() override {
        const std::int32_t count = refCount.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (count == 0) delete this;
        return count;
    }

private:
    std::atomic<std::int32_t> refCount{0};
};

#include "base/unknown.h"

HResult ResultFromPlatformError(int error) {
    if (error <= 0) return static_cast<HResult>(error);
    return static_cast<HResult>(0x80070000u | (static_cast<std::uint32_t>(error) & 0xFFFFu));
}

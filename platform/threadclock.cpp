#include "platform/threadclock.h"

#include <ctime>

std::int64_t ThreadProcessorMicroseconds() {
#if defined(CLOCK_THREAD_CPUTIME_ID)
    timespec now{};
    if (clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now) != 0) return 0;
    return std::int64_t{now.tv_sec} * 1000000 + now.tv_nsec / 1000;
#else
    return 0;
#endif
}

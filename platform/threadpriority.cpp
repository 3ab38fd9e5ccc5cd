#include "platform/threadpriority.h"

#if defined(__linux__)
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace {

// Linux weighs a thread of nice value 10 about a tenth of one of nice value 0: the window's
// thread goes first, and the background work still goes on while it is idle.
constexpr int kBackgroundNice = 10;

}  // namespace

void LowerThisThreadPriority() {
#if defined(__linux__)
    // On Linux the nice value belongs to each thread, named by its thread id.
    const auto thread = static_cast<id_t>(syscall(SYS_gettid));
    const int current = getpriority(PRIO_PROCESS, thread);
    if (current < kBackgroundNice) setpriority(PRIO_PROCESS, thread, kBackgroundNice);
#endif
}

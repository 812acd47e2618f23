// Thread priority on Linux and other POSIX systems.
#include "platform/ThreadTuning.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace velt {

namespace {
// Two steps above normal, like THREAD_PRIORITY_HIGHEST within the normal
// class; no real-time class, which could starve the rest of the desktop.
constexpr int kRaisedNice = -5;
} // namespace

void RaiseCurrentThreadPriority() {
    // On Linux the nice value is per thread when addressed by thread id.
    // Lowering it needs CAP_SYS_NICE or RLIMIT_NICE; without them the call
    // fails with EACCES and the thread keeps the normal priority.
    const id_t tid = static_cast<id_t>(syscall(SYS_gettid));
    (void)setpriority(PRIO_PROCESS, tid, kRaisedNice);
}

// Sleeps are already as fine as 1 ms here.
void BeginTimerResolution() {}
void EndTimerResolution() {}

} // namespace velt

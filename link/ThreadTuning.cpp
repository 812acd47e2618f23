#include "ThreadTuning.h"

#ifdef _WIN32
#include <windows.h>

#include <timeapi.h> // needs windows.h first
#else
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace velt {

#ifdef _WIN32

void RaiseCurrentThreadPriority() {
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
}
void BeginTimerResolution() {
    timeBeginPeriod(1);
}
void EndTimerResolution() {
    timeEndPeriod(1);
}

#else

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

void BeginTimerResolution() {}
void EndTimerResolution() {}

#endif

} // namespace velt

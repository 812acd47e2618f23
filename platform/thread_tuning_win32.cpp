// Thread priority and timer resolution on Windows.
#include "platform/ThreadTuning.h"

#include <windows.h>

#include <timeapi.h> // needs windows.h first

namespace velt {

void RaiseCurrentThreadPriority() {
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
}

void BeginTimerResolution() {
    timeBeginPeriod(1);
}

void EndTimerResolution() {
    timeEndPeriod(1);
}

} // namespace velt

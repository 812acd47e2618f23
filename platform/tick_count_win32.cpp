// Tick count and sleep on Windows: the system's own millisecond counter.
#include "TickCount.h"

#include <windows.h>

namespace velt {

uint32_t GetTickCount() {
    return static_cast<uint32_t>(::GetTickCount());
}

void SleepMs(uint32_t ms) {
    ::Sleep(ms);
}

} // namespace velt

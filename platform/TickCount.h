#pragma once
#include <cstdint>

namespace velt {
// Milliseconds since an arbitrary start, wrapping at 2^32 like GetTickCount.
uint32_t GetTickCount();
// Sleep for ms milliseconds (never busy-waits).
void SleepMs(uint32_t ms);
} // namespace velt

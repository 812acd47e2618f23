#pragma once
// Waits on the user-interface thread that keep the windows alive.
#include <cstdint>

namespace velt {

// Processes every pending event of the user-interface thread until ms
// milliseconds have passed on the tick count (unsigned difference, so the
// 49-day wrap is harmless), sleeping 1 ms between rounds instead of spinning.
// Returns at once, without processing anything, for 0. A close of the main
// window during the wait is put off until the wait is over.
void WaitWithMessages(uint32_t ms);

// The same wait for the connect and disconnect sequences: windows repaint
// and timers run, but mouse and keyboard input stays queued until the wait is
// over, exactly as it would behind a plain sleep. So a click cannot start a
// second sequence inside the first.
void WaitRepaintingOnly(uint32_t ms);

} // namespace velt

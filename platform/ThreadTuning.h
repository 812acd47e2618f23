#pragma once
// What the platform allows for the polling thread: a raised priority for the
// calling thread and a 1 ms scheduler resolution for the process. Both are
// best effort; a refusal (an unprivileged user on Linux) is ignored quietly.

namespace velt {

// Raises the calling thread's scheduling priority a little above normal
// (THREAD_PRIORITY_HIGHEST on Windows, a lower nice value on Linux).
void RaiseCurrentThreadPriority();

// timeBeginPeriod(1) / timeEndPeriod(1) on Windows, so that 10 ms sleeps last
// 10 ms; nothing to do elsewhere, where sleeps are already that fine.
void BeginTimerResolution();
void EndTimerResolution();

} // namespace velt

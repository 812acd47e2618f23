#include "WaitWithMessages.h"

#include "BusyScope.h"
#include "platform/TickCount.h"

#include <QCoreApplication>

namespace velt {

namespace {
void Wait(uint32_t ms, QEventLoop::ProcessEventsFlags flags) {
    if (ms == 0) return;
    // A close of the main window that arrives while the events are processed here is carried out
    // after the wait, so the caller resumes with its windows still there.
    const BusyScope busy;
    const uint32_t start = GetTickCount();
    while (GetTickCount() - start < ms) {
        QCoreApplication::processEvents(flags);
        SleepMs(1);
    }
}
} // namespace

void WaitWithMessages(uint32_t ms) {
    Wait(ms, QEventLoop::AllEvents);
}

void WaitRepaintingOnly(uint32_t ms) {
    Wait(ms, QEventLoop::ExcludeUserInputEvents);
}

} // namespace velt

#pragma once
// Sequences that wait with the event loop running (a connect or a store, a
// message box, WaitWithMessages) hold a BusyScope for their length. A close
// of the main window that arrives meanwhile must not destroy windows under a
// handler that is still running: the shell asks IsUiBusy() and, while it is,
// defers the close to the idle handler, which runs when the last scope ends.
// User-interface thread only.
#include <functional>

namespace velt {

class BusyScope {
public:
    BusyScope();
    ~BusyScope();
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;
};

bool IsUiBusy();

// Called (once per time) when the last BusyScope ends; replaces the handler
// set before. An empty function removes it.
void SetUiIdleHandler(std::function<void()> handler);

} // namespace velt

#include "BusyScope.h"

#include <utility>

namespace velt {

namespace {
int g_busy = 0;
std::function<void()> g_idleHandler;
} // namespace

BusyScope::BusyScope() {
    ++g_busy;
}

BusyScope::~BusyScope() {
    if (--g_busy == 0 && g_idleHandler) g_idleHandler();
}

bool IsUiBusy() {
    return g_busy > 0;
}

void SetUiIdleHandler(std::function<void()> handler) {
    g_idleHandler = std::move(handler);
}

} // namespace velt

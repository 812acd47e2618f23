#include "ConnectionWatch.h"

#include <chrono>

namespace velt {

namespace {
// As often as the register strip counts: a loss is shown within a tick.
constexpr std::chrono::milliseconds kCheckPeriod{100};
} // namespace

ConnectionWatch::ConnectionWatch(const ConnectionSupervisor* supervisor, QObject* parent)
    : QObject(parent), supervisor_(supervisor) {
    connect(&timer_, &QTimer::timeout, this, &ConnectionWatch::Check);
    if (supervisor_ != nullptr) timer_.start(kCheckPeriod);
}

void ConnectionWatch::Check() {
    if (supervisor_ == nullptr) return;
    const ConnectionStatus now = supervisor_->Status();
    if (now.Generation == status_.Generation) return;
    status_ = now;
    emit Changed(status_);
}

} // namespace velt

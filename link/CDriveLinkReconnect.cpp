// Reconnecting after the drive stopped answering: the MainThread tries the
// port once a second while the link is disconnected.
#include "CDriveLink.h"

namespace velt {

namespace {
constexpr auto kReconnectPeriod = std::chrono::seconds(1);
} // namespace

void CDriveLink::StartReconnecting(const PortAddress& address) {
    std::lock_guard guard(reconnectLock_);
    reconnectAddress_ = address;
    ++reconnectTicket_;
    reconnectAttempts_.store(0);
    reconnecting_.store(true);
}

void CDriveLink::StopReconnecting() {
    std::lock_guard guard(reconnectLock_);
    ++reconnectTicket_;
    reconnecting_.store(false);
}

// MainThread, on a disconnected pass. `due` is when this reconnecting's next
// try is due; the epoch means "not yet planned" (the first try comes a
// period after reconnecting began, so that the port the watchdog gave up on
// has been closed by then). The whole try runs under Lock: no request of
// another thread goes out on a port that is not yet connected, and a connect
// or disconnect of the user's waits until the try has ended one way or the
// other. The link is connected only once all parameters have been read, with a
// new ConnectionSerial.
std::chrono::steady_clock::time_point CDriveLink::TryReconnect(std::chrono::steady_clock::time_point due) {
    const auto now = std::chrono::steady_clock::now();
    if (due == std::chrono::steady_clock::time_point{}) return now + kReconnectPeriod;
    if (now < due) return due;
    PortAddress address;
    uint32_t ticket = 0;
    {
        std::lock_guard guard(reconnectLock_);
        if (!reconnecting_.load() || reconnectAddress_.Device.empty()) return now + kReconnectPeriod;
        address = reconnectAddress_;
        ticket = reconnectTicket_;
    }
    const uint32_t attempts = reconnectAttempts_.fetch_add(1) + 1;
    RtuResult read = RTU_ERR_NOT_OPEN;
    {
        std::lock_guard lock(Lock);
        if (connected_.load() || !port_) return now + kReconnectPeriod;
        if (port_->IsOpen()) port_->ClosePort();
        if (!OpenLocked(address)) return now + kReconnectPeriod;
        failCount_.store(0);
        read = ReadAllParamsLocked();
        bool keep = false;
        {
            std::lock_guard guard(reconnectLock_);
            keep = read == RTU_OK && reconnecting_.load() && ticket == reconnectTicket_;
            if (keep) {
                reconnecting_.store(false);
                connectionSerial_.fetch_add(1);
                connected_.store(true);
                reconnects_.fetch_add(1);
            }
        }
        if (!keep) {
            read = RTU_ERR_NOT_OPEN;
            port_->ClosePort();
            portOpen_.store(false);
            ZeroCounters();
        }
    }
    if (read == RTU_OK) {
        if (IPassObserver* observer = passObserver_.load()) observer->Reconnected(attempts);
        if (IParamsReadSink* sink = paramsReadSink_.load()) sink->PostParamsRead();
    }
    return now + kReconnectPeriod;
}

} // namespace velt

// Reconnecting after the drive stopped answering: the MainThread tries the
// port once a second while the link is disconnected.
#include "CDriveLink.h"

namespace velt {

namespace {
constexpr auto kReconnectPeriod = std::chrono::seconds(1);
} // namespace

void CDriveLink::StartReconnecting(const std::function<int(CModbusPort&)>& open) {
    std::lock_guard guard(reconnectLock_);
    reconnectOpen_ = open;
    ++reconnectTicket_;
    ReconnectAttempts.store(0);
    Reconnecting.store(1);
}

void CDriveLink::StopReconnecting() {
    std::lock_guard guard(reconnectLock_);
    ++reconnectTicket_;
    Reconnecting.store(0);
}

// MainThread, on a disconnected pass. `due` is when this reconnecting's next
// try is due; the epoch means "not yet planned" (the first try comes a
// period after reconnecting began, so that the port the watchdog gave up on
// has been closed by then). The whole try runs under Lock: no request of
// another thread goes out on a port that is not yet connected, and a connect
// or disconnect of the user's waits until the try has ended one way or the
// other. Connected becomes 1 only once all parameters have been read, with a
// new ConnectionSerial.
std::chrono::steady_clock::time_point CDriveLink::TryReconnect(std::chrono::steady_clock::time_point due) {
    const auto now = std::chrono::steady_clock::now();
    if (due == std::chrono::steady_clock::time_point{}) return now + kReconnectPeriod;
    if (now < due) return due;
    std::function<int(CModbusPort&)> open;
    uint32_t ticket = 0;
    {
        std::lock_guard guard(reconnectLock_);
        if (Reconnecting.load() == 0 || !reconnectOpen_) return now + kReconnectPeriod;
        open = reconnectOpen_;
        ticket = reconnectTicket_;
    }
    ReconnectAttempts.fetch_add(1);
    uint8_t read = RTU_ERR_NOT_OPEN;
    {
        std::lock_guard lock(Lock);
        if (Connected.load() != 0 || !Port) return now + kReconnectPeriod;
        if (Port->IsOpen.load() != 0) Port->ClosePort();
        if (open(*Port) != 1) return now + kReconnectPeriod;
        FailCount.store(0);
        read = ReadAllParamsLocked();
        bool keep = false;
        {
            std::lock_guard guard(reconnectLock_);
            keep = read == RTU_OK && Reconnecting.load() != 0 && ticket == reconnectTicket_;
            if (keep) {
                Reconnecting.store(0);
                ConnectionSerial.fetch_add(1);
                Connected.store(1);
                Reconnects.fetch_add(1);
            }
        }
        if (!keep) {
            read = RTU_ERR_NOT_OPEN;
            Port->ClosePort();
            ZeroCounters();
        }
    }
    if (read == RTU_OK) {
        if (IParamsReadSink* sink = paramsReadSink_.load()) sink->PostParamsRead();
    }
    return now + kReconnectPeriod;
}

} // namespace velt

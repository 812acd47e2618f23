#include "ConnectionSupervisor.h"

namespace velt {

ConnectionSupervisor::ConnectionSupervisor(CDriveLink& link, std::function<bool()> reconnectWanted)
    : link_(link), reconnectWanted_(std::move(reconnectWanted)) {
    link_.SetPassObserver(this);
}

ConnectionSupervisor::~ConnectionSupervisor() {
    link_.SetPassObserver(nullptr);
}

ConnectionSupervisor::ConnectOutcome ConnectionSupervisor::Connect(const PortAddress& address,
                                                                   uint8_t driveId) {
    StopReconnecting();
    link_.SetDriveId(driveId);
    ConnectOutcome outcome;
    outcome.OpenError = link_.Connect(address);
    if (outcome.OpenError.kind != OpenFailure::None) {
        outcome.What = ConnectOutcome::Kind::PortOpenFailed;
        return outcome;
    }
    outcome.Read = link_.ReadAllParams();
    std::lock_guard lock(lock_);
    if (outcome.Read != RTU_OK) {
        link_.Disconnect();
        outcome.What = ConnectOutcome::Kind::ReadFailed;
        Change(ConnectionState::Disconnected, false);
        return outcome;
    }
    address_ = address;
    connection_ = link_.ConnectionSerial();
    Change(ConnectionState::Connected, false);
    return outcome;
}

// Under the lock, as the watchdog decides: a watchdog that gives up in the
// same moment either sees the user's disconnect or is seen by it, so the
// user's own disconnect is never also told as a lost drive.
bool ConnectionSupervisor::Disconnect() {
    if (StopReconnecting()) return true;
    std::lock_guard lock(lock_);
    if (!link_.IsConnected()) return false;
    link_.Disconnect();
    Change(ConnectionState::Disconnected, true);
    return true;
}

bool ConnectionSupervisor::StopReconnecting() {
    link_.StopReconnecting();
    std::lock_guard lock(lock_);
    if (status_.State != ConnectionState::Reconnecting) return false;
    Change(ConnectionState::Disconnected, true);
    return true;
}

ConnectionStatus ConnectionSupervisor::Status() const {
    std::lock_guard lock(lock_);
    ConnectionStatus status = status_;
    if (status.State == ConnectionState::Reconnecting) {
        status.Tries = link_.ReconnectAttempts();
        status.Generation += status.Tries;
    }
    return status;
}

// MainThread, after every connected pass. The link only counts; the decision
// is made here, once per connection: the later passes of a connection given
// up on find the state changed.
void ConnectionSupervisor::PassEnded(uint32_t failedStatePolls) {
    if (failedStatePolls < kFailLimit) return;
    std::lock_guard lock(lock_);
    if (status_.State != ConnectionState::Connected || link_.ConnectionSerial() != connection_) return;
    link_.Disconnect();
    ++status_.Losses;
    if (address_ && reconnectWanted_ && reconnectWanted_()) {
        link_.StartReconnecting(*address_);
        Change(ConnectionState::Reconnecting, false);
        Note({ConnectionNote::Kind::LostReconnecting, 0});
    } else {
        Change(ConnectionState::Lost, false);
    }
}

void ConnectionSupervisor::Reconnected(uint32_t attempts) {
    std::lock_guard lock(lock_);
    if (status_.State != ConnectionState::Reconnecting) return;
    connection_ = link_.ConnectionSerial();
    ++status_.Returns;
    Change(ConnectionState::Connected, false);
    status_.Tries = attempts;
    Note({ConnectionNote::Kind::Returned, attempts});
}

void ConnectionSupervisor::Change(ConnectionState state, bool byUser) {
    // The tries of a reconnecting end in the generation; the next state starts past them.
    if (status_.State == ConnectionState::Reconnecting) status_.Generation += link_.ReconnectAttempts();
    status_.State = state;
    status_.StoppedByUser = byUser;
    status_.Tries = 0;
    ++status_.Generation;
}

void ConnectionSupervisor::Note(ConnectionNote note) {
    status_.LastNote = note;
    ++status_.NoteCount;
    ++status_.Generation;
}

const char* ConnectionStateName(ConnectionState state) {
    switch (state) {
    case ConnectionState::Disconnected:
        return "disconnected";
    case ConnectionState::Connected:
        return "connected";
    case ConnectionState::Lost:
        return "lost";
    case ConnectionState::Reconnecting:
        break;
    }
    return "reconnecting";
}

} // namespace velt

#pragma once
// The one place that decides about the connection: connecting (port opened,
// all parameters read, or the connection dropped again), the user's
// disconnect, the watchdog that gives up on a drive whose state polls keep
// failing, the reconnecting that may follow, and the notes of loss and
// return. It publishes one connection state with a generation number; the
// connection bar, the register strip, the monitoring page, the session
// reports and velt-cli show it and ask it for changes, none of them decides.
//
// The watchdog runs on the link's MainThread at the end of every pass, so a
// drive is given up on as soon as its fifth state poll in a row has failed,
// whichever window is open. Status() may be called from any thread; Connect,
// Disconnect and StopReconnecting from one thread at a time (the
// user-interface thread, or velt-cli's main).
#include "CDriveLink.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>

namespace velt {

enum class ConnectionState : uint8_t {
    Disconnected, // never connected, a connect that failed, or stopped by the user
    Connected,
    Lost,         // the watchdog gave up; nobody is trying again
    Reconnecting, // the watchdog gave up; the port is tried once a second
};

// A line worth a note in the frame log: the drive was given up on and the
// port is being tried again, or it answers again after some tries.
struct ConnectionNote {
    enum class Kind : uint8_t { LostReconnecting, Returned };
    Kind What = Kind::LostReconnecting;
    uint32_t Tries = 0; // Returned: the tries it took
};

struct ConnectionStatus {
    ConnectionState State = ConnectionState::Disconnected;
    // Changes with every change of the state, the tries or the notes.
    uint32_t Generation = 0;
    bool StoppedByUser = false; // Disconnected by the user's disconnect or Stop
    uint32_t Tries = 0;         // reconnect tries so far, while reconnecting
    uint32_t Losses = 0;        // times the watchdog gave up since the start
    uint32_t Returns = 0;       // times a reconnect brought the drive back
    uint32_t NoteCount = 0;     // notes so far; the newest is LastNote
    ConnectionNote LastNote;
};

class ConnectionSupervisor : private IPassObserver {
public:
    // State polls failed in a row after which the drive is taken to have
    // stopped answering: at about 1.07 s each, some 5.5 s after it fell
    // silent.
    static constexpr uint32_t kFailLimit = 5;

    // `reconnectWanted` is asked, on the MainThread, when the watchdog gives
    // up: true to try the port again. Attaches to the link's passes.
    ConnectionSupervisor(CDriveLink& link, std::function<bool()> reconnectWanted);
    ~ConnectionSupervisor() override; // detaches from the link
    ConnectionSupervisor(const ConnectionSupervisor&) = delete;
    ConnectionSupervisor& operator=(const ConnectionSupervisor&) = delete;

    struct ConnectOutcome {
        enum class Kind : uint8_t { Connected, PortOpenFailed, ReadFailed };
        Kind What = Kind::Connected;
        SerialOpenError OpenError; // PortOpenFailed: why
        RtuResult Read;            // ReadFailed: how the parameter read ended
        bool Ok() const { return What == Kind::Connected; }
    };
    // Ends any reconnecting, then opens the port with `driveId` and reads all
    // parameters (about 1.1 s against a silent drive). A read that fails
    // drops the connection again; the MainThread closes the port on its next
    // pass (within about 200 ms).
    ConnectOutcome Connect(const PortAddress& address, uint8_t driveId);
    // The user's disconnect: ends reconnecting and drops the connection.
    // Returns false, changing nothing, when the link was neither connected
    // nor reconnecting.
    bool Disconnect();
    // The user's Stop while reconnecting; false when not reconnecting.
    bool StopReconnecting();

    ConnectionStatus Status() const;

private:
    void PassEnded(uint32_t failedStatePolls) override;
    void Reconnected(uint32_t attempts) override;
    void Change(ConnectionState state, bool byUser); // caller holds lock_
    void Note(ConnectionNote note);                  // caller holds lock_

    CDriveLink& link_;
    const std::function<bool()> reconnectWanted_;
    mutable std::mutex lock_; // guards the members below; never held while the link waits on the line
    ConnectionStatus status_;
    uint32_t connection_ = 0;            // the link's connection serial while Connected
    std::optional<PortAddress> address_; // of the last successful connect: what reconnecting opens
};

// For reports, velt-cli and tests: "connected", "lost", "reconnecting",
// "disconnected".
const char* ConnectionStateName(ConnectionState state);

} // namespace velt

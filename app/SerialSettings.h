#pragma once
// The serial settings in force: what the next connect opens and the drive ID
// the link's MainThread follows. The settings window shows them and changes
// them through Set once every field it shows is valid; the connection bar
// reads them. The settings taken last (port, bit rate, drive ID, reconnect)
// are kept in the per-user settings (not in a demonstration run) and come
// back at the next start; a value missing or not valid there starts at its
// default.
//
// Values and Set belong to the user-interface thread; SettingsDriveId and
// ReconnectAutomatically may be read from any thread (the MainThread reads
// the ID on every pass, the watchdog the reconnect choice when it gives up).
#include "link/CDriveLink.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace velt {

struct SerialSettingsValues {
    uint8_t PortNumber = 3;
    // A device chosen from the machine's ports (its name to open, such as
    // /dev/serial/by-id/...); empty when the port is COM PortNumber.
    std::string PortName;
    int32_t BaudRate = 9600;
    uint8_t DataBits = 8;
    uint8_t Parity = 0;
    uint8_t StopBits = 1;
    uint8_t DriveId = 1;
    // After the watchdog gives up, try the port every second and connect
    // again when the drive answers. Off at start.
    bool Reconnect = false;
    bool operator==(const SerialSettingsValues&) const = default;
};

class SerialSettings : public IDriveIdSource {
public:
    // `remember`: read the remembered port at construction and keep the
    // choices of Set (false for a demonstration run, which starts at the
    // defaults so that Connect reaches the demo drive).
    explicit SerialSettings(bool remember);

    SerialSettingsValues Values() const;
    void Set(const SerialSettingsValues& values);
    void SetReconnect(bool on);

    uint8_t SettingsDriveId() const override { return driveId_.load(); }
    bool ReconnectAutomatically() const { return reconnect_.load(); }
    // "COM3" or the device's name: what a connect opens.
    std::string PortName() const;
    PortAddress Address() const;
    // The drive ID the user took last, as remembered (the drive search tries
    // it early); 0 when none is.
    uint8_t RememberedDriveId() const;
    bool Remembers() const { return remember_; }
    // The network lines ("tcp://...", "rtu-tcp://...") taken with OK, the
    // latest first, at most kRecentLines; remembered across runs.
    std::vector<std::string> RecentNetworkLines() const;
    static constexpr size_t kRecentLines = 5;

private:
    void Restore();
    void Remember() const;

    const bool remember_;
    mutable std::mutex lock_; // guards values_ (Values may be read while Set runs)
    SerialSettingsValues values_;
    std::vector<std::string> recentLines_; // guarded by lock_
    std::atomic<uint8_t> driveId_{1};
    std::atomic<bool> reconnect_{false};
};

} // namespace velt

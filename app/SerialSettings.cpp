#include "SerialSettings.h"

#include "link/CModbusPort.h"
#include "link/ScanPlan.h"
#include "params/ParamFolders.h"
#include "platform/PortsFolder.h"
#include "platform/UserSettings.h"

#include <cstdlib>
#include <optional>

namespace velt {

namespace {
// The per-user settings kept: the port chosen with OK ("COM3" or a device
// name) and the drive ID taken last.
constexpr const char* kPortSetting = "Port";
constexpr const char* kLastDriveIdSetting = "LastDriveId";
constexpr int kMaxComNumber = 255; // PortNumber is 8 bits
} // namespace

SerialSettings::SerialSettings(bool remember) : remember_(remember) {
    Restore();
}

SerialSettingsValues SerialSettings::Values() const {
    std::lock_guard guard(lock_);
    return values_;
}

void SerialSettings::Set(const SerialSettingsValues& values) {
    {
        std::lock_guard guard(lock_);
        values_ = values;
    }
    driveId_.store(values.DriveId);
    reconnect_.store(values.Reconnect);
    Remember();
}

void SerialSettings::SetReconnect(bool on) {
    {
        std::lock_guard guard(lock_);
        values_.Reconnect = on;
    }
    reconnect_.store(on);
}

std::string SerialSettings::PortName() const {
    std::lock_guard guard(lock_);
    return values_.PortName.empty() ? "COM" + std::to_string(values_.PortNumber) : values_.PortName;
}

PortAddress SerialSettings::Address() const {
    std::lock_guard guard(lock_);
    PortAddress address;
    address.Baud = static_cast<uint32_t>(values_.BaudRate);
    if (!values_.PortName.empty())
        address.Device = values_.PortName;
    else
        address.Device = ComDeviceName(values_.PortNumber);
    return address;
}

uint8_t SerialSettings::RememberedDriveId() const {
    if (!remember_) return 0;
    const std::optional<std::string> last = ReadUserSetting(kSettingsKey, kLastDriveIdSetting);
    const int id = last ? std::atoi(last->c_str()) : 0;
    return id >= kFirstDriveId && id <= kLastDriveId ? static_cast<uint8_t>(id) : 0;
}

// The port of the last OK: a COM port as it was, a device by its name (also
// while it is unplugged).
void SerialSettings::Restore() {
    if (!remember_) return;
    const std::optional<std::string> port = ReadUserSetting(kSettingsKey, kPortSetting);
    if (!port || port->empty()) return;
    const int com = ComNumberOf(*port);
    std::lock_guard guard(lock_);
    if (com >= 1 && com <= kMaxComNumber && port->rfind("COM", 0) == 0)
        values_.PortNumber = static_cast<uint8_t>(com);
    else
        values_.PortName = *port;
}

void SerialSettings::Remember() const {
    if (!remember_) return;
    const SerialSettingsValues values = Values();
    WriteUserSetting(kSettingsKey, kPortSetting,
                     values.PortName.empty() ? "COM" + std::to_string(values.PortNumber) : values.PortName);
    WriteUserSetting(kSettingsKey, kLastDriveIdSetting, std::to_string(values.DriveId));
}

} // namespace velt

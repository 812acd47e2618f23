#include "SerialSettings.h"

#include "link/CModbusPort.h"
#include "link/LineName.h"
#include "link/ScanPlan.h"
#include "params/ParamFolders.h"
#include "platform/PortsFolder.h"
#include "platform/UserSettings.h"

#include <algorithm>
#include <optional>
#include <sstream>

namespace velt {

namespace {
// The per-user settings kept: the port chosen with OK ("COM3" or a device
// name), the bit rate, the drive ID taken last and the reconnect choice.
constexpr const char* kPortSetting = "Port";
constexpr const char* kBaudSetting = "Baud";
constexpr const char* kLastDriveIdSetting = "LastDriveId";
constexpr const char* kReconnectSetting = "Reconnect";
constexpr const char* kRecentLinesSetting = "RecentLines"; // the names, separated by blanks
constexpr int kMaxComNumber = 255;                         // PortNumber is 8 bits

// A remembered whole number within [min, max]; nothing for a missing,
// damaged or out-of-range value.
std::optional<long long> RememberedNumber(const char* name, long long min, long long max) {
    const std::optional<std::string> text = ReadUserSetting(kSettingsKey, name);
    if (!text || text->empty() || text->size() > 12) return std::nullopt;
    long long value = 0;
    for (const char c : *text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value < min || value > max) return std::nullopt;
    return value;
}
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
        if (IsNetworkLineName(values.PortName)) {
            std::erase(recentLines_, values.PortName);
            recentLines_.insert(recentLines_.begin(), values.PortName);
            if (recentLines_.size() > kRecentLines) recentLines_.resize(kRecentLines);
        }
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

std::vector<std::string> SerialSettings::RecentNetworkLines() const {
    std::lock_guard guard(lock_);
    return recentLines_;
}

uint8_t SerialSettings::RememberedDriveId() const {
    if (!remember_) return 0;
    const std::optional<long long> id = RememberedNumber(kLastDriveIdSetting, kFirstDriveId, kLastDriveId);
    return id ? static_cast<uint8_t>(*id) : 0;
}

// The settings of the last OK. A COM port comes back as it was, a device by
// its name (also while it is unplugged); the drive ID as any ID the window
// takes but the broadcast address, which would start with polling stopped.
void SerialSettings::Restore() {
    if (!remember_) return;
    SerialSettingsValues values;
    if (const std::optional<std::string> port = ReadUserSetting(kSettingsKey, kPortSetting);
        port && !port->empty()) {
        const int com = ComNumberOf(*port);
        if (com >= 1 && com <= kMaxComNumber && port->rfind("COM", 0) == 0)
            values.PortNumber = static_cast<uint8_t>(com);
        else
            values.PortName = *port;
    }
    if (const std::optional<long long> baud = RememberedNumber(kBaudSetting, 1, 2147483647))
        values.BaudRate = static_cast<int32_t>(*baud);
    if (const std::optional<long long> id = RememberedNumber(kLastDriveIdSetting, 1, 255))
        values.DriveId = static_cast<uint8_t>(*id);
    if (const std::optional<long long> on = RememberedNumber(kReconnectSetting, 0, 1))
        values.Reconnect = *on == 1;
    std::vector<std::string> recent;
    if (const std::optional<std::string> lines = ReadUserSetting(kSettingsKey, kRecentLinesSetting)) {
        std::istringstream words(*lines);
        for (std::string name; words >> name && recent.size() < kRecentLines;)
            if (ParseLineName(name).Valid() && IsNetworkLineName(name)) recent.push_back(name);
    }
    {
        std::lock_guard guard(lock_);
        values_ = values;
        recentLines_ = recent;
    }
    driveId_.store(values.DriveId);
    reconnect_.store(values.Reconnect);
}

void SerialSettings::Remember() const {
    if (!remember_) return;
    const SerialSettingsValues values = Values();
    WriteUserSetting(kSettingsKey, kPortSetting,
                     values.PortName.empty() ? "COM" + std::to_string(values.PortNumber) : values.PortName);
    WriteUserSetting(kSettingsKey, kBaudSetting, std::to_string(values.BaudRate));
    WriteUserSetting(kSettingsKey, kLastDriveIdSetting, std::to_string(values.DriveId));
    WriteUserSetting(kSettingsKey, kReconnectSetting, values.Reconnect ? "1" : "0");
    std::string lines;
    for (const std::string& name : RecentNetworkLines())
        lines += (lines.empty() ? "" : " ") + name;
    WriteUserSetting(kSettingsKey, kRecentLinesSetting, lines);
}

} // namespace velt

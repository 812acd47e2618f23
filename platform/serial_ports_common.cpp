// The parts of the serial port listing that every platform shares.
#include "platform/PortsFolder.h"
#include "platform/SerialPorts.h"

#include <algorithm>
#include <filesystem>
#include <regex>
#include <system_error>

namespace velt {

namespace {
// COM1 to COM9 open by their short names; COM10 and up need the device
// namespace prefix on Windows.
constexpr int kFirstLongComName = 10;
} // namespace

std::string LabelFromById(const std::string& byIdName) {
    // udev names them BUS-VENDOR_MODEL_SERIAL-ifNN[-portN]; the bus prefix and
    // the interface suffix mean nothing to a person.
    static const std::regex kBus("^(usb|pci|platform)-");
    static const std::regex kInterface("-if[0-9a-fA-F]+(-port[0-9]+)?$");
    std::string label = std::regex_replace(byIdName, kBus, "");
    label = std::regex_replace(label, kInterface, "");
    for (char& c : label)
        if (c == '_') c = ' ';
    return label;
}

std::string PortOpenName(const std::string& name) {
    const int n = ComNumberOf(name);
    if (n >= kFirstLongComName && name.rfind("\\\\.\\", 0) != 0) return "\\\\.\\" + name;
    return name;
}

std::vector<SerialPortInfo> ListSerialPortsAndFolder() {
    std::vector<SerialPortInfo> ports = ListSerialPorts();
    for (const PortsFolderEntry& entry : PortsFolderEntries()) {
        std::error_code ec;
        const std::filesystem::path device = std::filesystem::canonical(entry.Device, ec);
        if (ec) continue;
        const bool listed = std::any_of(ports.begin(), ports.end(),
                                        [&](const SerialPortInfo& p) { return p.Device == device.string(); });
        if (listed) continue;
        SerialPortInfo port;
        port.Name = "COM" + std::to_string(entry.Number);
        port.Device = device.string();
        port.ShortName = port.Name;
        port.Access = AccessOfDevice(port.Device);
        port.FromPortsFolder = true;
        ports.push_back(std::move(port));
    }
    return ports;
}

std::string PortListText(const SerialPortInfo& port) {
    return port.Label.empty() ? port.ShortName : port.ShortName + ": " + port.Label;
}

} // namespace velt

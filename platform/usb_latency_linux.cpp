// Linux: the tty's device folder in sysfs holds latency_timer for the USB
// serial drivers that have one (ftdi_sio among them).
#include "UsbLatency.h"

#include "PortsFolder.h"

#include <fstream>
#include <system_error>

namespace velt {

std::optional<UsbLatencyTimer> ReadUsbLatencyTimerIn(const std::filesystem::path& device,
                                                     const std::filesystem::path& sysRoot) {
    std::error_code ec;
    const std::filesystem::path real = std::filesystem::canonical(device, ec);
    const std::string name = (ec ? device : real).filename().string();
    if (name.empty()) return std::nullopt;
    const std::filesystem::path file = sysRoot / "class" / "tty" / name / "device" / "latency_timer";
    std::ifstream in(file);
    int ms = -1;
    if (!(in >> ms) || ms < 0) return std::nullopt;
    return UsbLatencyTimer{ms, file.string()};
}

std::optional<UsbLatencyTimer> ReadUsbLatencyTimer(const std::string& portName) {
    if (portName.empty()) return std::nullopt;
    return ReadUsbLatencyTimerIn(ResolvePortName(portName), "/sys");
}

} // namespace velt

// Platforms without a latency timer to read (Windows keeps it in the
// driver's advanced port settings, which the user changes in the Device
// Manager).
#include "UsbLatency.h"

namespace velt {

std::optional<UsbLatencyTimer> ReadUsbLatencyTimerIn(const std::filesystem::path&,
                                                     const std::filesystem::path&) {
    return std::nullopt;
}

std::optional<UsbLatencyTimer> ReadUsbLatencyTimer(const std::string&) {
    return std::nullopt;
}

} // namespace velt

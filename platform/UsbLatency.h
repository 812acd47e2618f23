#pragma once
// The latency timer of a USB serial adapter: how long the adapter holds
// received bytes before it hands them to the computer (16 ms by default on
// the common FTDI chips). Every reply is late by up to that much, whatever
// the bit rate. Linux shows it in sysfs (latency_timer) for the drivers that
// have one; elsewhere there is nothing to read.
#include <filesystem>
#include <optional>
#include <string>

namespace velt {

struct UsbLatencyTimer {
    int Ms = 0;
    std::string SysfsPath; // the file that holds it (and takes a new value)
};

// The latency timer of the adapter behind a port (a COM name, resolved as
// the serial device resolves it, or a device path); nothing when the device
// has none or it cannot be read. Any thread.
std::optional<UsbLatencyTimer> ReadUsbLatencyTimer(const std::string& portName);

// The same for a device path, with the sysfs tree at `sysRoot` (tests);
// symbolic links such as /dev/serial/by-id/... are followed to the device.
std::optional<UsbLatencyTimer> ReadUsbLatencyTimerIn(const std::filesystem::path& device,
                                                     const std::filesystem::path& sysRoot);

} // namespace velt

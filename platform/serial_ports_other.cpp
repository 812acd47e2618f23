// Serial port listing on POSIX systems other than Linux: none is found, and
// ports are reached by their device paths.
#include "platform/SerialPorts.h"

#include <fcntl.h>
#include <unistd.h>

namespace velt {

std::vector<SerialPortInfo> ListSerialPortsUnder(const std::filesystem::path&) {
    return {};
}

std::vector<SerialPortInfo> ListSerialPorts() {
    return {};
}

} // namespace velt

namespace velt {

PortAccess AccessOfDevice(const std::string& device) {
    return ::access(device.c_str(), R_OK | W_OK) == 0 ? PortAccess::Allowed : PortAccess::Denied;
}

} // namespace velt

// velt-cli ports: the serial ports of this machine, one line each.
#include "cli/CliCommon.h"

#include "base/LocalText.h"
#include "platform/SerialPorts.h"

#include <cstdio>

using namespace velt;
using namespace velt::cli;

namespace {

constexpr LocalText kMayOpen{"열 수 있음", "may open"};
constexpr LocalText kNoPermission{"권한 없음", "no permission"};
constexpr LocalText kAccessUnknown{"알 수 없음", "unknown"};
constexpr LocalText kFromPortsFolder{"포트 폴더", "ports folder"};
constexpr LocalText kNoPorts{"시리얼 포트를 찾지 못했습니다.", "No serial port found."};

const char* AccessText(PortAccess access, bool korean) {
    switch (access) {
    case PortAccess::Allowed:
        return kMayOpen.Pick(korean);
    case PortAccess::Denied:
        return kNoPermission.Pick(korean);
    case PortAccess::Unknown:
        break;
    }
    return kAccessUnknown.Pick(korean);
}

// NAME <tab> DEVICE <tab> ACCESS <tab> LABEL: the name is what --port takes.
int RunPorts(const CliOptions& options, const std::vector<std::string>& args) {
    if (!args.empty()) throw UsageError{"ports takes no arguments"};
    const bool korean = options.korean;
    const std::vector<SerialPortInfo> ports = ListSerialPortsAndFolder();
    for (const SerialPortInfo& port : ports) {
        const std::string label = port.FromPortsFolder ? kFromPortsFolder.Pick(korean) : port.Label;
        std::printf("%s\t%s\t%s\t%s\n", port.Name.c_str(), port.Device.c_str(),
                    AccessText(port.Access, korean), label.c_str());
    }
    if (ports.empty()) PrintMessage(kNoPorts.Pick(korean));
    return 0;
}

const CliRegistrar kPorts{
    {"ports",
     "  ports                       the serial ports of this machine, one a line: the name\n"
     "                              for --port, the device, whether you may open it, and\n"
     "                              the maker, model and serial number where known",
     &RunPorts}};

} // namespace

// velt-cli ports: the serial ports of this machine, one line each.
#include "cli/CliCommon.h"

#include "cli/CliTexts.h"
#include "platform/SerialPorts.h"

#include <cstdio>

using namespace velt;
using namespace velt::cli;

namespace {

const char* AccessText(PortAccess access, bool korean) {
    switch (access) {
    case PortAccess::Allowed:
        return kPortMayOpen.Pick(korean);
    case PortAccess::Denied:
        return kPortNoPermission.Pick(korean);
    case PortAccess::Unknown:
        break;
    }
    return kPortAccessUnknown.Pick(korean);
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

// The Windows port list and open failures, run under Wine by the Windows
// build: as far as Wine lists ports (a COM port for each of the prefix's
// dosdevices links to a serial device), each entry is one the program can
// show and open by name.
#include "platform/PortsFolder.h"
#include "platform/SerialDevice.h"
#include "platform/SerialPorts.h"

#include <gtest/gtest.h>

#include <set>

namespace velt {
namespace {

TEST(SerialPortListWin32, EveryListedPortIsAComPortOnceInNumberOrder) {
    const std::vector<SerialPortInfo> ports = ListSerialPorts();
    std::set<std::string> names;
    int last = 0;
    for (const SerialPortInfo& p : ports) {
        RecordProperty("port", p.Name + " " + p.Device + " " + p.Label);
        const int n = ComNumberOf(p.Name);
        EXPECT_GT(n, 0) << p.Name;
        EXPECT_GE(n, last) << "in number order";
        last = n;
        EXPECT_TRUE(names.insert(p.Name).second) << p.Name << " twice";
        EXPECT_EQ(p.ShortName, p.Name);
        EXPECT_EQ(p.Device.rfind("\\Device\\", 0), 0u) << p.Device;
        EXPECT_EQ(p.Access, PortAccess::Allowed);
        EXPECT_EQ(PortOpenName(p.Name), n >= 10 ? "\\\\.\\" + p.Name : p.Name);
    }
}

TEST(SerialOpenErrorWin32, AComPortThatDoesNotExistIsNoSuchDevice) {
    SerialDevice dev;
    EXPECT_FALSE(dev.Open("\\\\.\\COM199"));
    EXPECT_EQ(dev.LastOpenError().kind, OpenFailure::NoDevice);
    EXPECT_EQ(dev.LastOpenError().device, "\\\\.\\COM199");
}

} // namespace
} // namespace velt

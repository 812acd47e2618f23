#include "app/DemoDrive.h"
#include "link/CModbusPort.h"
#include "link/DriveMap.h"
#include "platform/PortsFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace velt {
namespace {

// The environment is left as it was: only this program's own lookups see the
// demo's folder.
TEST(DemoDrive, PublishesComThreeInAPrivateFolderAndRemovesItAtStop) {
    ::setenv("VELT_PORTS_DIR", "/tmp/velt-shell-test-unused", 1);
    std::filesystem::path folder;
    {
        DemoDrive demo;
        std::string error;
        ASSERT_TRUE(demo.Start(&error)) << error;
        folder = demo.Folder();
        EXPECT_EQ(PortsFolder(), folder);
        EXPECT_TRUE(std::filesystem::exists(folder / "COM3"));
        const std::string device = ResolvePortName("COM3");
        EXPECT_NE(device, "/dev/ttyS2");
        EXPECT_TRUE(std::filesystem::exists(device)) << device;
        EXPECT_STREQ(std::getenv("VELT_PORTS_DIR"), "/tmp/velt-shell-test-unused");
        EXPECT_EQ(std::filesystem::status(folder).permissions() & std::filesystem::perms::all,
                  std::filesystem::perms::owner_all);
    }
    EXPECT_FALSE(std::filesystem::exists(folder));
    EXPECT_EQ(PortsFolder(), std::filesystem::path("/tmp/velt-shell-test-unused"));
    ::unsetenv("VELT_PORTS_DIR");
}

// Hidden at another rate and ID, the demo drive answers only there.
TEST(DemoDrive, AnswersAtItsOwnRateAndIdOnly) {
    DemoDrive demo;
    std::string error;
    ASSERT_TRUE(demo.Start(&error, 57600, 17)) << error;
    CModbusPort port;
    ASSERT_TRUE(port.OpenPort(3, 57600));
    uint16_t versions[2] = {};
    EXPECT_EQ(port.ReadHoldingRegisters(17, drive::HardwareVersionRegister, versions, 2), RTU_OK);
    EXPECT_EQ(versions[0], 12001);
    port.ClosePort();
    ASSERT_TRUE(port.OpenPort(3, 9600));
    EXPECT_EQ(port.ReadHoldingRegisters(17, drive::HardwareVersionRegister, versions, 2), RTU_ERR_NO_REPLY);
}

} // namespace
} // namespace velt

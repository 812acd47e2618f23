// The latency timer of a USB serial adapter, read from a sysfs tree made for
// the test: found through the by-id name the user chose, absent for a device
// whose driver has none.
#include "platform/UsbLatency.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace velt {
namespace {

namespace fs = std::filesystem;

class UsbLatencyTest : public ::testing::Test {
protected:
    void SetUp() override {
        root = fs::path(::testing::TempDir()) / ("velt_usb_latency_" + std::to_string(::getpid()));
        fs::create_directories(root / "dev" / "serial" / "by-id");
        std::ofstream(root / "dev" / "ttyUSB0") << "";
        std::ofstream(root / "dev" / "ttyS0") << "";
        fs::create_symlink("../../ttyUSB0", root / "dev" / "serial" / "by-id" / "usb-FTDI_FT232R-if00-port0");
        fs::create_directories(root / "sys" / "class" / "tty" / "ttyUSB0" / "device");
        fs::create_directories(root / "sys" / "class" / "tty" / "ttyS0" / "device");
        std::ofstream(root / "sys" / "class" / "tty" / "ttyUSB0" / "device" / "latency_timer") << "16\n";
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
    fs::path root;
};

TEST_F(UsbLatencyTest, TheAdapterBehindAByIdNameHasItsTimerRead) {
    const auto timer =
        ReadUsbLatencyTimerIn(root / "dev" / "serial" / "by-id" / "usb-FTDI_FT232R-if00-port0", root / "sys");
    ASSERT_TRUE(timer.has_value());
    EXPECT_EQ(timer->Ms, 16);
    EXPECT_EQ(timer->SysfsPath,
              (root / "sys" / "class" / "tty" / "ttyUSB0" / "device" / "latency_timer").string());
}

TEST_F(UsbLatencyTest, ADeviceWithoutATimerOrAnUnreadableOneHasNone) {
    EXPECT_FALSE(ReadUsbLatencyTimerIn(root / "dev" / "ttyS0", root / "sys").has_value());
    EXPECT_FALSE(ReadUsbLatencyTimerIn(root / "dev" / "ttyACM7", root / "sys").has_value());
    std::ofstream(root / "sys" / "class" / "tty" / "ttyUSB0" / "device" / "latency_timer") << "fast\n";
    EXPECT_FALSE(ReadUsbLatencyTimerIn(root / "dev" / "ttyUSB0", root / "sys").has_value());
    EXPECT_FALSE(ReadUsbLatencyTimer("").has_value());
}

} // namespace
} // namespace velt

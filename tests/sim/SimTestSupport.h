#pragma once
// Shared helpers of the simulated-drive tests: a started drive with a
// CModbusPort master on its device, a raw master for frames the port never
// sends, and a polling wait.
#include "link/CModbusPort.h"
#include "link/DriveMap.h"
#include "link/RtuResult.h"
#include "sim/SimDrive.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <string>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace velt::sim::test {

using namespace std::chrono_literals;

// Generous: the suite shares two cores with other builds.
constexpr auto kMotionDeadline = 5s;

template <typename Pred> bool WaitUntil(Pred pred, std::chrono::milliseconds deadline = kMotionDeadline) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (std::chrono::steady_clock::now() < end) {
        if (pred()) return true;
        std::this_thread::sleep_for(2ms);
    }
    return pred();
}

inline std::vector<uint8_t> WithCrc(std::vector<uint8_t> frame) {
    const uint16_t crc = velt::Crc16(frame.data(), frame.size());
    frame.push_back(static_cast<uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<uint8_t>(crc >> 8));
    return frame;
}

// Sends hand-made frames and collects whatever comes back within a short
// window (the drive answers at once without wire timing).
class RawMaster {
public:
    explicit RawMaster(const std::string& device) {
        fd_ = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd_ >= 0) {
            termios tio{};
            ::tcgetattr(fd_, &tio);
            ::cfmakeraw(&tio);
            ::tcsetattr(fd_, TCSANOW, &tio);
            ::tcflush(fd_, TCIOFLUSH);
        }
    }
    ~RawMaster() {
        if (fd_ >= 0) ::close(fd_);
    }
    bool ok() const { return fd_ >= 0; }
    int fd() const { return fd_; }

    // Writes `bytes` as they are and reads until `expect` bytes arrived or
    // `window` passed without any byte.
    std::vector<uint8_t> Exchange(const std::vector<uint8_t>& bytes, size_t expect = 256,
                                  std::chrono::milliseconds window = 300ms) {
        if (::write(fd_, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) return {};
        std::vector<uint8_t> reply;
        while (reply.size() < expect) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(window.count())) <= 0) break;
            uint8_t buffer[256];
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n <= 0) break;
            reply.insert(reply.end(), buffer, buffer + n);
        }
        return reply;
    }
    std::vector<uint8_t> Request(std::vector<uint8_t> pdu, size_t expect = 256) {
        return Exchange(WithCrc(std::move(pdu)), expect);
    }

private:
    int fd_ = -1;
};

class TempDir {
public:
    TempDir() {
        char pattern[] = "/tmp/velt-sim-test-XXXXXX";
        path_ = ::mkdtemp(pattern);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// A running drive (not published) and a CModbusPort connected to it.
class SimFixture : public ::testing::Test {
protected:
    void SetUp() override { StartDrive(SimOptions{}); }
    void TearDown() override {
        port.ClosePort();
        drive.reset();
    }

    void StartDrive(SimOptions options) {
        port.ClosePort();
        options.publish = false;
        drive = std::make_unique<SimDrive>(options);
        std::string error;
        ASSERT_TRUE(drive->Start(&error)) << error;
        ASSERT_TRUE(port.OpenDevice(drive->DevicePath(), options.baud));
    }

    uint16_t State(int reg) {
        uint16_t s[drive::StateCount] = {};
        EXPECT_EQ(port.ReadInputRegisters(1, s), RTU_OK);
        return s[reg];
    }
    int32_t State32(int low) {
        uint16_t s[drive::StateCount] = {};
        EXPECT_EQ(port.ReadInputRegisters(1, s), RTU_OK);
        return static_cast<int32_t>(static_cast<uint32_t>(s[low]) | static_cast<uint32_t>(s[low + 1]) << 16);
    }
    RtuResult Write(uint16_t reg, int value) {
        return port.WriteSingleRegister(1, reg, static_cast<uint16_t>(value));
    }
    RtuResult Command(drive::Command code) { return Write(drive::CommandRegister, drive::Code(code)); }
    void Write32(uint16_t low, int32_t value) {
        ASSERT_EQ(Write(low, value & 0xFFFF), RTU_OK);
        ASSERT_EQ(Write(low + 1, (value >> 16) & 0xFFFF), RTU_OK);
    }

    std::unique_ptr<SimDrive> drive;
    CModbusPort port;
};

} // namespace velt::sim::test

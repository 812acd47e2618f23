// The POSIX serial device on pseudo-terminals: exclusive open, COM names,
// line settings and the Win32-like read timeouts.
#include "platform/SerialDevice.h"
#include "ScriptedPty.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <pthread.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace velt {
namespace {

using namespace std::chrono_literals;
using test::Bytes;
using test::ScriptedPty;
using Clock = std::chrono::steady_clock;

long ElapsedMs(Clock::time_point since) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

// A private ports folder for the test, set in VELT_PORTS_DIR.
class PortsDir {
public:
    PortsDir() {
        dir_ = std::filesystem::temp_directory_path() / ("velt-ports-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
        ::setenv("VELT_PORTS_DIR", dir_.c_str(), 1);
    }
    ~PortsDir() {
        ::unsetenv("VELT_PORTS_DIR");
        std::filesystem::remove_all(dir_);
    }
    void Link(const std::string& com, const std::string& target) {
        std::filesystem::create_symlink(target, dir_ / com);
    }
    void Text(const std::string& com, const std::string& line) { std::ofstream(dir_ / com) << line << "\n"; }

private:
    std::filesystem::path dir_;
};

TEST(SerialDeviceOpen, AMissingDeviceFailsToOpen) {
    SerialDevice dev;
    EXPECT_FALSE(dev.Open("/dev/velt-no-such-device"));
    EXPECT_FALSE(dev.IsOpen());
    EXPECT_FALSE(dev.Open("/dev/null")) << "not a terminal";
}

TEST(SerialDeviceOpen, ADeviceHeldOpenCannotBeOpenedAgainUntilReleased) {
    ScriptedPty pty;
    ASSERT_TRUE(pty.Ok());
    SerialDevice first;
    ASSERT_TRUE(first.Open(pty.SlavePath()));
    SerialDevice second;
    EXPECT_FALSE(second.Open(pty.SlavePath())) << "same process";

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        SerialDevice other;
        ::_exit(other.Open(pty.SlavePath()) ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "another process opened a held device";

    first.Close();
    first.Close();
    EXPECT_TRUE(second.Open(pty.SlavePath())) << "released on close";
}

TEST(SerialDeviceOpen, ComNamesResolveThroughThePortsFolder) {
    ScriptedPty pty;
    ASSERT_TRUE(pty.Ok());
    PortsDir ports;
    ports.Link("COM7", pty.SlavePath());
    ports.Text("COM12", "  " + pty.SlavePath() + "  ");
    ports.Link("COM13", "/dev/velt-no-such-device");

    SerialDevice dev;
    ASSERT_TRUE(dev.Open("COM7")) << "symlink entry";
    dev.Close();
    ASSERT_TRUE(dev.Open("\\\\.\\COM12")) << "text-file entry";
    dev.Close();
    EXPECT_FALSE(dev.Open("COM13")) << "entry naming a missing device";
    if (!std::filesystem::exists("/dev/ttyS249")) {
        EXPECT_FALSE(dev.Open("COM250")) << "no entry, no ttyS249";
    }
}

TEST(SerialDeviceLine, ConfiguresRaw8N1AtStandardAndCustomRates) {
    ScriptedPty pty;
    ASSERT_TRUE(pty.Ok());
    SerialDevice dev;
    ASSERT_TRUE(dev.Open(pty.SlavePath()));
    for (uint32_t rate : {9600u, 19200u, 38400u, 57600u, 115200u}) {
        ASSERT_TRUE(dev.Configure(rate)) << rate;
        termios tio{};
        ASSERT_EQ(::tcgetattr(pty.MasterFd(), &tio), 0);
        EXPECT_EQ(tio.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), static_cast<tcflag_t>(CS8));
        EXPECT_EQ(tio.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
        EXPECT_EQ(tio.c_iflag & (IXON | IXOFF), 0u);
        EXPECT_EQ(tio.c_lflag & (ICANON | ECHO), 0u);
    }
    EXPECT_TRUE(dev.Configure(250000)) << "a pty takes any rate through termios2";
    EXPECT_FALSE(dev.Configure(0)) << "rate 0 is a hang-up, not a speed";
}

class SerialDeviceIo : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pty_.Ok());
        ASSERT_TRUE(dev_.Open(pty_.SlavePath()));
        ASSERT_TRUE(dev_.Configure(115200));
    }
    void UseTimeouts(std::chrono::milliseconds interval, std::chrono::milliseconds total) {
        SerialTimeouts t;
        t.readInterval = interval;
        t.readTotalConstant = total;
        ASSERT_TRUE(dev_.SetTimeouts(t));
    }

    ScriptedPty pty_;
    SerialDevice dev_;
    uint8_t buffer_[256]{};
};

TEST_F(SerialDeviceIo, AReadEndsAsSoonAsAllBytesHaveArrived) {
    pty_.Send({1, 2, 3, 4, 5});
    const auto start = Clock::now();
    EXPECT_EQ(dev_.Read(buffer_, 5), 5);
    EXPECT_LT(ElapsedMs(start), 500);
    EXPECT_EQ(Bytes(buffer_, buffer_ + 5), (Bytes{1, 2, 3, 4, 5}));

    const uint8_t out[] = {9, 8, 7};
    EXPECT_EQ(dev_.Write(out, 3), 3);
    uint8_t seen[3]{};
    for (size_t got = 0; got < 3;) {
        const ssize_t n = ::read(pty_.MasterFd(), seen + got, 3 - got);
        if (n > 0) got += static_cast<size_t>(n);
    }
    EXPECT_EQ(Bytes(seen, seen + 3), (Bytes{9, 8, 7}));
}

TEST_F(SerialDeviceIo, AReadEndsOnSilenceBetweenBytesAndLeavesLaterBytesQueued) {
    UseTimeouts(60ms, 3000ms);
    pty_.Send({1, 2, 3});
    std::thread talker([&] {
        std::this_thread::sleep_for(400ms);
        pty_.Send({4});
    });
    const auto start = Clock::now();
    EXPECT_EQ(dev_.Read(buffer_, 10), 3);
    EXPECT_LT(ElapsedMs(start), 350) << "ended on the interval, not the total";
    talker.join();
    EXPECT_EQ(dev_.Read(buffer_, 1), 1);
    EXPECT_EQ(buffer_[0], 4);
}

TEST_F(SerialDeviceIo, AReadEndsOnTheTotalTimeoutWhileBytesKeepTrickling) {
    UseTimeouts(250ms, 200ms); // total for 100 bytes: 200 + 100 x 1 ms
    std::atomic<bool> stop{false};
    std::thread talker([&] {
        while (!stop) {
            pty_.Send({0x55});
            std::this_thread::sleep_for(20ms);
        }
    });
    const auto start = Clock::now();
    const long got = dev_.Read(buffer_, 100);
    const long took = ElapsedMs(start);
    stop = true;
    talker.join();
    EXPECT_GT(got, 2);
    EXPECT_LT(got, 100);
    EXPECT_GE(took, 295);
    EXPECT_LT(took, 1000);
}

TEST_F(SerialDeviceIo, AReadWithNothingToReadReturnsZeroAfterTheTotalTimeout) {
    UseTimeouts(100ms, 150ms);
    const auto start = Clock::now();
    EXPECT_EQ(dev_.Read(buffer_, 8), 0);
    EXPECT_GE(ElapsedMs(start), 155);
    EXPECT_LT(ElapsedMs(start), 800);
}

extern "C" void IgnoreSignal(int) {}

// Interrupts the constructing thread with SIGUSR1 every 15 ms (no SA_RESTART,
// so every blocking call in it fails with EINTR) for at most two seconds.
class SignalStorm {
public:
    SignalStorm() : target_(::pthread_self()) {
        struct sigaction action {};
        action.sa_handler = IgnoreSignal;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGUSR1, &action, &previous_);
        thread_ = std::thread([this] {
            const auto end = Clock::now() + 2s;
            while (!stop_.load() && Clock::now() < end) {
                ::pthread_kill(target_, SIGUSR1);
                std::this_thread::sleep_for(15ms);
            }
        });
    }
    ~SignalStorm() {
        stop_.store(true);
        thread_.join();
        ::sigaction(SIGUSR1, &previous_, nullptr);
    }

private:
    pthread_t target_;
    struct sigaction previous_ {};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

TEST_F(SerialDeviceIo, SignalsDuringAReadNeitherEndItEarlyNorRestartItsTimeouts) {
    UseTimeouts(100ms, 300ms);
    SignalStorm storm;
    auto start = Clock::now();
    EXPECT_EQ(dev_.Read(buffer_, 8), 0);
    EXPECT_GE(ElapsedMs(start), 300) << "the total timeout, not the first interruption";
    EXPECT_LT(ElapsedMs(start), 1000) << "interruptions must not restart the timeout";

    std::thread talker([&] {
        std::this_thread::sleep_for(150ms);
        pty_.Send({1, 2});
    });
    start = Clock::now();
    EXPECT_EQ(dev_.Read(buffer_, 10), 2) << "a partial reply ends on the silence after it";
    EXPECT_LT(ElapsedMs(start), 1000);
    talker.join();
}

TEST(SerialDeviceHangUp, AReadFailsAtOnceWhenTheOtherEndHasGone) {
    SerialDevice dev;
    {
        ScriptedPty pty;
        ASSERT_TRUE(pty.Ok());
        ASSERT_TRUE(dev.Open(pty.SlavePath()));
        ASSERT_TRUE(dev.Configure(9600));
    }
    uint8_t buffer[8];
    const auto start = Clock::now();
    EXPECT_EQ(dev.Read(buffer, 8), -1);
    EXPECT_LT(ElapsedMs(start), 500);
    const uint8_t out[] = {1};
    EXPECT_EQ(dev.Write(out, 1), -1);
}

} // namespace
} // namespace velt

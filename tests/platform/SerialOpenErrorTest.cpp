// Why a serial device does not open, each reason from a real case: a
// missing device, a file that is no terminal, a device this user may not
// open, one that another process holds. And the line settings a look at a
// port leaves behind.
#include "ScriptedPty.h"
#include "platform/SerialDevice.h"
#include "platform/serial_posix_extras.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace velt {
namespace {

namespace fs = std::filesystem;
using test::ScriptedPty;

std::string OwnProcessName() {
    std::ifstream in("/proc/self/comm");
    std::string name;
    std::getline(in, name);
    return name;
}

TEST(SerialOpenError, AMissingDeviceAndAFileThatIsNoTerminalAreToldApart) {
    SerialDevice dev;
    EXPECT_FALSE(dev.Open("/dev/velt-no-such-device"));
    EXPECT_EQ(dev.LastOpenError().kind, OpenFailure::NoDevice);
    EXPECT_EQ(dev.LastOpenError().device, "/dev/velt-no-such-device");

    EXPECT_FALSE(dev.Open("/dev/null"));
    EXPECT_EQ(dev.LastOpenError().kind, OpenFailure::NotSerial);

    ScriptedPty pty;
    ASSERT_TRUE(pty.Ok());
    ASSERT_TRUE(dev.Open(pty.SlavePath()));
    EXPECT_EQ(dev.LastOpenError().kind, OpenFailure::None) << "a good open clears the reason";
}

// A device file only its owner (root) may open, or, for an unprivileged run,
// one nobody may open, tried as an unprivileged user: the reason names the
// user and the group that the device lets in.
TEST(SerialOpenError, ADeviceThisUserMayNotOpenNamesTheUserAndTheGroup) {
    const fs::path folder = fs::temp_directory_path() / ("velt-perm-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    ::chmod(folder.c_str(), 0755);
    const fs::path device = folder / "ttyUSB0";
    std::ofstream(device).put('\n');
    const group* dialout = ::getgrnam("dialout");
    const bool root = ::geteuid() == 0;
    if (root && dialout != nullptr) {
        ASSERT_EQ(::chown(device.c_str(), 0, dialout->gr_gid), 0);
    }
    ::chmod(device.c_str(), root ? 0660 : 0000);

    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        constexpr uid_t kNobody = 65534;
        if (root && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) ::_exit(99);
        SerialDevice dev;
        const bool opened = dev.Open(device.string());
        const SerialOpenError e = dev.LastOpenError();
        const std::string report = std::to_string(static_cast<int>(e.kind)) + "|" + e.user + "|" + e.group;
        if (::write(pipeFds[1], report.data(), report.size()) < 0) ::_exit(98);
        ::_exit(opened ? 1 : 0);
    }
    ::close(pipeFds[1]);
    char buffer[256] = {};
    const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer - 1);
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    fs::remove_all(folder);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the open succeeded or the child failed";
    ASSERT_GT(n, 0);
    const std::string report(buffer, static_cast<size_t>(n));
    const std::string kind = std::to_string(static_cast<int>(OpenFailure::PermissionDenied));
    if (root) {
        EXPECT_EQ(report, kind + "|nobody|" + (dialout != nullptr ? "dialout" : ""));
    } else {
        EXPECT_EQ(report.substr(0, kind.size() + 1), kind + "|");
    }
}

// A second process holds the line (as another copy of this program would):
// the open fails as in use and names that process.
TEST(SerialOpenError, APortHeldByAnotherProcessIsInUseAndNamesTheHolder) {
    ScriptedPty pty;
    ASSERT_TRUE(pty.Ok());
    int ready[2], done[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(done), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        SerialDevice holder;
        const char answer = holder.Open(pty.SlavePath()) ? 'y' : 'n';
        if (::write(ready[1], &answer, 1) != 1) ::_exit(2);
        char end = 0;
        if (::read(done[0], &end, 1) < 0) ::_exit(3);
        ::_exit(0);
    }
    char answer = 0;
    ASSERT_EQ(::read(ready[0], &answer, 1), 1);
    ASSERT_EQ(answer, 'y');

    SerialDevice second;
    EXPECT_FALSE(second.Open(pty.SlavePath()));
    const SerialOpenError e = second.LastOpenError();
    EXPECT_EQ(e.kind, OpenFailure::InUse);
    EXPECT_EQ(e.holderPid, static_cast<long>(child));
    EXPECT_EQ(e.holderName, OwnProcessName()) << "a fork keeps its parent's name";

    const char end = 'x';
    EXPECT_EQ(::write(done[1], &end, 1), 1);
    int status = 0;
    ::waitpid(child, &status, 0);
    for (int fd : {ready[0], ready[1], done[0], done[1]})
        ::close(fd);
    EXPECT_TRUE(second.Open(pty.SlavePath())) << "free again once the holder is gone";
}

TEST(SerialOpenError, TheLockTableIsReadForTheHolderOfOneFileOnly) {
    const std::string locks = "1: POSIX  ADVISORY  WRITE 811 00:19:1244 0 EOF\n"
                              "2: FLOCK  ADVISORY  WRITE 4242 00:05:87 0 EOF\n"
                              "2: -> FLOCK  ADVISORY  WRITE 5151 00:05:87 0 EOF\n"
                              "3: OFDLCK ADVISORY  READ  -1 00:05:99 0 EOF\n"
                              "garbage line\n"
                              "4: FLOCK  ADVISORY  WRITE 17 fd:01:87 0 EOF\n";
    EXPECT_EQ(serial_detail::LockHolderIn(locks, 0, 5, 87, 0), 4242L);
    EXPECT_EQ(serial_detail::LockHolderIn(locks, 0, 5, 87, 4242), std::nullopt) << "the waiter holds nothing";
    EXPECT_EQ(serial_detail::LockHolderIn(locks, 0xfd, 1, 87, 0), 17L);
    EXPECT_EQ(serial_detail::LockHolderIn(locks, 0, 5, 99, 0), std::nullopt)
        << "no process behind an OFD lock";
    EXPECT_EQ(serial_detail::LockHolderIn(locks, 0, 0x19, 1244, 0), 811L);
    EXPECT_EQ(serial_detail::LockHolderIn("", 0, 5, 87, 0), std::nullopt);
}

// The pseudo-terminal starts in cooked mode at 38400 bit/s; a user of the
// line that saved its settings leaves it so after using it raw at 9600.
TEST(SerialLineSettings, TheSettingsFoundAtOpenArePutBack) {
    ScriptedPty pty;
    ASSERT_TRUE(pty.Ok());
    termios before{};
    ASSERT_EQ(::tcgetattr(pty.MasterFd(), &before), 0);
    ::cfsetspeed(&before, B38400);
    before.c_lflag |= ICANON | ECHO;
    ASSERT_EQ(::tcsetattr(pty.MasterFd(), TCSANOW, &before), 0);

    SerialDevice dev;
    EXPECT_FALSE(dev.RestoreLineSettings()) << "nothing saved while closed";
    ASSERT_TRUE(dev.Open(pty.SlavePath()));
    EXPECT_FALSE(dev.RestoreLineSettings()) << "nothing saved yet";
    ASSERT_TRUE(dev.SaveLineSettings());
    ASSERT_TRUE(dev.Configure(9600));
    termios during{};
    ASSERT_EQ(::tcgetattr(pty.MasterFd(), &during), 0);
    EXPECT_EQ(::cfgetospeed(&during), static_cast<speed_t>(B9600));
    EXPECT_EQ(during.c_lflag & ICANON, 0u);

    ASSERT_TRUE(dev.RestoreLineSettings());
    dev.Close();
    termios after{};
    ASSERT_EQ(::tcgetattr(pty.MasterFd(), &after), 0);
    EXPECT_EQ(::cfgetospeed(&after), static_cast<speed_t>(B38400));
    EXPECT_NE(after.c_lflag & ICANON, 0u);
    EXPECT_NE(after.c_lflag & ECHO, 0u);
}

} // namespace
} // namespace velt

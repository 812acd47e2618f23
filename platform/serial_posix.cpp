// POSIX termios backend of SerialDevice. The device is opened non-blocking and
// every read and write waits with poll() against deadlines on the steady
// clock, so that the timeouts behave like the Win32 comm timeouts.
#include "SerialDevice.h"

#include "PortsFolder.h"
#include "serial_posix_extras.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace velt {

namespace {

using Clock = std::chrono::steady_clock;

struct SpeedCode {
    uint32_t rate;
    speed_t code;
};

constexpr SpeedCode kSpeeds[] = {
    {50, B50},     {75, B75},       {110, B110},     {134, B134},     {150, B150},       {200, B200},
    {300, B300},   {600, B600},     {1200, B1200},   {1800, B1800},   {2400, B2400},     {4800, B4800},
    {9600, B9600}, {19200, B19200}, {38400, B38400}, {57600, B57600}, {115200, B115200}, {230400, B230400},
};

// The Bxxx constant of a rate, or B0 when it has none.
speed_t SpeedCodeOf(uint32_t rate) {
    for (const SpeedCode& s : kSpeeds)
        if (s.rate == rate) return s.code;
    return B0;
}

// Milliseconds to wait in poll() until the deadline, rounded up so that a
// wait never ends before it; 0 once the deadline has passed.
int PollWaitMs(Clock::time_point deadline) {
    const auto left = deadline - Clock::now();
    if (left <= Clock::duration::zero()) return 0;
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    return static_cast<int>(std::min<long long>(ms, 1 << 30));
}

// Waits until fd is ready for `events` or the deadline passes. 1 ready,
// 0 timed out, -1 failed or hung up with nothing left to read.
int WaitReady(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        pollfd p{fd, events, 0};
        const int r = ::poll(&p, 1, PollWaitMs(deadline));
        if (r == 0) return 0;
        if (r > 0) return (p.revents & events) != 0 ? 1 : -1;
        if (errno != EINTR) return -1;
    }
}

int Fd(intptr_t handle) {
    return static_cast<int>(handle);
}

// Raw 8N1, receiver on, modem status lines ignored, no flow control of any
// kind, reads return whatever is there (VMIN 0, VTIME 0; waits use poll).
void MakeRaw8N1(termios& tio) {
    cfmakeraw(&tio);
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK | ISTRIP);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
}

bool Is8N1(const termios& tio) {
    return (tio.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS)) == CS8 && (tio.c_iflag & (IXON | IXOFF)) == 0;
}

std::string UserName() {
    passwd entry{};
    passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr)
        return found->pw_name;
    const char* user = std::getenv("USER");
    return user != nullptr ? user : "";
}

// The group that may read and write the device (dialout on Debian), or empty
// when its group may not.
std::string DeviceGroup(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || (st.st_mode & (S_IRGRP | S_IWGRP)) != (S_IRGRP | S_IWGRP))
        return {};
    group entry{};
    group* found = nullptr;
    std::vector<char> buffer(16384);
    if (::getgrgid_r(st.st_gid, &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr)
        return {};
    return found->gr_name;
}

// What a failed open(2) or lock with `error` (an errno value) means for the
// user. Called right after the failure, before errno changes.
SerialOpenError DescribeFailure(const std::string& path, int error) {
    SerialOpenError e;
    e.device = path;
    e.systemText = std::strerror(error);
    switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case ENOTDIR:
        e.kind = OpenFailure::NoDevice;
        break;
    case EACCES:
    case EPERM:
    case EROFS:
        e.kind = OpenFailure::PermissionDenied;
        e.group = DeviceGroup(path);
        e.user = UserName();
        break;
    case EBUSY:
    case EWOULDBLOCK:
        e.kind = OpenFailure::InUse;
        serial_detail::FindHolder(path, &e.holderPid, &e.holderName);
        break;
    default:
        e.kind = OpenFailure::Other;
        break;
    }
    return e;
}

} // namespace

SerialDevice::~SerialDevice() {
    Close();
}

bool SerialDevice::Open(const std::string& name) {
    if (IsOpen()) {
        lastError_ = MakeOpenError(OpenFailure::InUse, ResolvePortName(name));
        lastError_.holderPid = static_cast<long>(::getpid());
        return false;
    }
    lastError_ = {};
    savedLine_.clear();
    const std::string path = ResolvePortName(name);
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        lastError_ = DescribeFailure(path, errno);
        return false;
    }
    if (!::isatty(fd)) {
        ::close(fd);
        lastError_ = MakeOpenError(OpenFailure::NotSerial, path);
        return false;
    }
    // Exclusive like a Win32 no-sharing open: the advisory lock keeps out
    // every program that locks (another VELT Host among them, even as root),
    // TIOCEXCL keeps out later opens by unprivileged programs.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        lastError_ = DescribeFailure(path, error);
        return false;
    }
    if (::ioctl(fd, TIOCEXCL) != 0 && !serial_detail::IsPseudoTerminal(fd)) {
        const int error = errno;
        ::close(fd);
        lastError_ = MakeOpenError(OpenFailure::Other, path);
        lastError_.systemText = std::strerror(error);
        return false;
    }
    handle_ = fd;
    return true;
}

bool SerialDevice::SaveLineSettings() {
    return IsOpen() && serial_detail::SaveLine(Fd(handle_), &savedLine_);
}

bool SerialDevice::RestoreLineSettings() {
    return IsOpen() && !savedLine_.empty() && serial_detail::RestoreLine(Fd(handle_), savedLine_);
}

void SerialDevice::Purge() {
    if (IsOpen()) ::tcflush(Fd(handle_), TCIOFLUSH);
}

void SerialDevice::DiscardInput() {
    if (IsOpen()) ::tcflush(Fd(handle_), TCIFLUSH);
}

long SerialDevice::QueuedInput() {
    int queued = 0;
    if (!IsOpen() || ::ioctl(Fd(handle_), FIONREAD, &queued) != 0) return 0;
    return queued;
}

bool SerialDevice::SetTimeouts(const SerialTimeouts& timeouts) {
    if (!IsOpen()) return false;
    timeouts_ = timeouts;
    return true;
}

bool SerialDevice::Configure(uint32_t baudRate) {
    // Rate 0 would mean "hang up" to the driver, not a line speed.
    if (!IsOpen() || baudRate == 0) return false;
    const int fd = Fd(handle_);
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) return false;
    MakeRaw8N1(tio);
    const speed_t code = SpeedCodeOf(baudRate);
    if (code != B0) ::cfsetspeed(&tio, code);
    if (::tcsetattr(fd, TCSANOW, &tio) != 0) return false;
    // tcsetattr succeeds when any part was applied: check what the driver kept.
    termios applied{};
    if (::tcgetattr(fd, &applied) != 0 || !Is8N1(applied)) return false;
    if (code != B0 ? ::cfgetospeed(&applied) != code : !serial_detail::SetCustomBaudRate(fd, baudRate))
        return false;
    const int lines = TIOCM_DTR | TIOCM_RTS;
    if (::ioctl(fd, TIOCMBIS, &lines) != 0 && !serial_detail::IsPseudoTerminal(fd)) return false;
    serial_detail::RequestLowLatency(fd);
    return true;
}

long SerialDevice::Write(const uint8_t* bytes, size_t count) {
    if (!IsOpen()) return -1;
    const int fd = Fd(handle_);
    const auto deadline =
        Clock::now() + timeouts_.writeTotalConstant + timeouts_.writeTotalPerByte * static_cast<long>(count);
    size_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(fd, bytes + done, count - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return -1;
        const int ready = WaitReady(fd, POLLOUT, deadline);
        if (ready < 0) return -1;
        if (ready == 0) break;
    }
    return static_cast<long>(done);
}

long SerialDevice::Read(uint8_t* bytes, size_t count) {
    if (!IsOpen()) return -1;
    const int fd = Fd(handle_);
    const auto totalDeadline =
        Clock::now() + timeouts_.readTotalConstant + timeouts_.readTotalPerByte * static_cast<long>(count);
    auto deadline = totalDeadline;
    size_t got = 0;
    while (got < count) {
        const int ready = WaitReady(fd, POLLIN, deadline);
        if (ready < 0) return -1;
        if (ready == 0) break;
        const ssize_t n = ::read(fd, bytes + got, count - got);
        if (n > 0) {
            got += static_cast<size_t>(n);
            deadline = std::min(totalDeadline, Clock::now() + timeouts_.readInterval);
            continue;
        }
        if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
        // 0 is a hang-up (the other end of the line went away), not silence.
        return -1;
    }
    return static_cast<long>(got);
}

void SerialDevice::ClearEventMask() {}

void SerialDevice::Close() {
    if (!IsOpen()) return;
    const int fd = Fd(handle_);
    handle_ = kInvalid;
    // A pseudo-terminal keeps its exclusive flag while the other side stays
    // open; clear it so that the next open of the same device succeeds.
    ::ioctl(fd, TIOCNXCL);
    ::flock(fd, LOCK_UN);
    ::close(fd);
}

} // namespace velt

// Linux-only serial helpers: termios2 custom bit rates, low-latency mode and
// pseudo-terminal detection by device major number.
#include "serial_posix_extras.h"

#include <asm/termbits.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace velt::serial_detail {

namespace {
// Device majors of pseudo-terminals: legacy BSD masters and slaves (2, 3),
// Unix98 masters (128-135) and slaves (136-143); /dev/ptmx is 5:2.
constexpr unsigned kBsdPtyMaster = 2;
constexpr unsigned kBsdPtySlave = 3;
constexpr unsigned kUnix98MasterFirst = 128;
constexpr unsigned kUnix98SlaveLast = 143;
constexpr unsigned kTtyAuxMajor = 5;
constexpr unsigned kPtmxMinor = 2;
} // namespace

bool SetCustomBaudRate(int fd, uint32_t baudRate) {
    struct termios2 tio {};
    if (ioctl(fd, TCGETS2, &tio) != 0) return false;
    tio.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
    tio.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    tio.c_ispeed = baudRate;
    tio.c_ospeed = baudRate;
    if (ioctl(fd, TCSETS2, &tio) != 0) return false;
    struct termios2 check {};
    if (ioctl(fd, TCGETS2, &check) != 0) return false;
    const uint64_t got = check.c_ospeed;
    const uint64_t want = baudRate;
    const uint64_t diff = got > want ? got - want : want - got;
    return diff * 50 <= want;
}

void RequestLowLatency(int fd) {
    struct serial_struct serial {};
    if (ioctl(fd, TIOCGSERIAL, &serial) != 0) return;
    serial.flags |= ASYNC_LOW_LATENCY;
    ioctl(fd, TIOCSSERIAL, &serial);
}

bool IsPseudoTerminal(int fd) {
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) return false;
    const unsigned maj = major(st.st_rdev);
    if (maj == kBsdPtyMaster || maj == kBsdPtySlave) return true;
    if (maj >= kUnix98MasterFirst && maj <= kUnix98SlaveLast) return true;
    return maj == kTtyAuxMajor && minor(st.st_rdev) == kPtmxMinor;
}

} // namespace velt::serial_detail

// Linux-only serial helpers: termios2 custom bit rates, low-latency mode,
// pseudo-terminal detection by device major number, and who holds a device
// (from /proc).
#include "serial_posix_extras.h"

#include <asm/termbits.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <linux/serial.h>
#include <sstream>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

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

// /proc files are small; more than this is not read.
constexpr std::streamsize kMaxProcText = 1 << 20;

std::string ReadSmallFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::string text(static_cast<size_t>(kMaxProcText), '\0');
    in.read(text.data(), kMaxProcText);
    text.resize(static_cast<size_t>(in.gcount() > 0 ? in.gcount() : 0));
    return text;
}

std::string ProcessName(long pid) {
    std::string name = ReadSmallFile(("/proc/" + std::to_string(pid) + "/comm").c_str());
    while (!name.empty() && (name.back() == '\n' || name.back() == ' '))
        name.pop_back();
    return name;
}

// A process with a descriptor open on the device: what lsof and fuser find.
// Only processes whose descriptors this user may read are seen.
long ProcessWithOpenDevice(const struct stat& device) {
    DIR* proc = ::opendir("/proc");
    if (proc == nullptr) return 0;
    long found = 0;
    const long self = static_cast<long>(::getpid());
    while (found == 0) {
        const dirent* entry = ::readdir(proc);
        if (entry == nullptr) break;
        char* end = nullptr;
        const long pid = std::strtol(entry->d_name, &end, 10);
        if (pid <= 0 || *end != '\0' || pid == self) continue;
        const std::string fdFolder = std::string("/proc/") + entry->d_name + "/fd";
        DIR* fds = ::opendir(fdFolder.c_str());
        if (fds == nullptr) continue;
        while (const dirent* fd = ::readdir(fds)) {
            struct stat st {};
            if (fd->d_name[0] == '.' || ::stat((fdFolder + "/" + fd->d_name).c_str(), &st) != 0) continue;
            if (S_ISCHR(st.st_mode) && st.st_rdev == device.st_rdev) {
                found = pid;
                break;
            }
        }
        ::closedir(fds);
    }
    ::closedir(proc);
    return found;
}
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

namespace velt::serial_detail {

std::optional<long> LockHolderIn(std::string_view procLocks, unsigned major, unsigned minor,
                                 unsigned long inode, long ignorePid) {
    std::istringstream lines{std::string(procLocks)};
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string number, kind, mode, access, pidText, where;
        if (!(words >> number >> kind)) continue;
        if (kind == "->") continue; // a process waiting for the lock, not holding it
        if (!(words >> mode >> access >> pidText >> where)) continue;
        unsigned maj = 0, min = 0;
        unsigned long ino = 0;
        if (std::sscanf(where.c_str(), "%x:%x:%lu", &maj, &min, &ino) != 3) continue;
        char* end = nullptr;
        const long pid = std::strtol(pidText.c_str(), &end, 10);
        // Open file description locks show no process (-1).
        if (*end != '\0' || pid <= 0 || pid == ignorePid) continue;
        if (maj == major && min == minor && ino == inode) return pid;
    }
    return std::nullopt;
}

bool FindHolder(const std::string& path, long* pid, std::string* name) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    const std::string locks = ReadSmallFile("/proc/locks");
    std::optional<long> holder =
        LockHolderIn(locks, ::major(st.st_dev), ::minor(st.st_dev), static_cast<unsigned long>(st.st_ino), 0);
    if (!holder && S_ISCHR(st.st_mode)) {
        const long open = ProcessWithOpenDevice(st);
        if (open > 0) holder = open;
    }
    if (!holder) return false;
    *pid = *holder;
    *name = ProcessName(*holder);
    return true;
}

bool SaveLine(int fd, std::vector<uint8_t>* out) {
    struct termios2 tio {};
    if (ioctl(fd, TCGETS2, &tio) != 0) return false;
    out->resize(sizeof tio);
    std::memcpy(out->data(), &tio, sizeof tio);
    return true;
}

bool RestoreLine(int fd, const std::vector<uint8_t>& saved) {
    struct termios2 tio {};
    if (saved.size() != sizeof tio) return false;
    std::memcpy(&tio, saved.data(), sizeof tio);
    return ioctl(fd, TCSETS2, &tio) == 0;
}

} // namespace velt::serial_detail

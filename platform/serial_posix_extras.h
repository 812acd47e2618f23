#pragma once
// Driver-specific parts of the POSIX serial backend, kept apart from
// serial_posix.cpp because the Linux termios2 header clashes with <termios.h>.
// CMake picks serial_posix_linux.cpp or serial_posix_other.cpp.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velt::serial_detail {

// Sets a bit rate that has no Bxxx constant (Linux: termios2 with BOTHER).
// True only when the driver reports a rate within 2 % of the one asked for.
bool SetCustomBaudRate(int fd, uint32_t baudRate);

// Asks the driver to hand received bytes over at once instead of batching
// them (Linux ASYNC_LOW_LATENCY). Drivers that do not offer it are left as
// they are; this is a best effort, never an error.
void RequestLowLatency(int fd);

// True when fd is either side of a pseudo-terminal. Pseudo-terminals may
// refuse exclusive mode and have no modem lines, which is not an error.
bool IsPseudoTerminal(int fd);

// The process that holds the device at `path` open (by an advisory lock, or
// else by an open descriptor this user may see), and its name. False when
// the system does not tell.
bool FindHolder(const std::string& path, long* pid, std::string* name);

// The line settings of fd as opaque bytes, and back (Linux: termios2, so a
// bit rate without a Bxxx constant survives). False on failure.
bool SaveLine(int fd, std::vector<uint8_t>* out);
bool RestoreLine(int fd, const std::vector<uint8_t>& saved);

// The first process other than `ignorePid` that /proc/locks text shows
// holding a lock on the file with this device (major, minor of the file
// system) and inode; nothing when none does. Lines that do not parse are
// skipped.
std::optional<long> LockHolderIn(std::string_view procLocks, unsigned major, unsigned minor,
                                 unsigned long inode, long ignorePid);

} // namespace velt::serial_detail

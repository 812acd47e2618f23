#pragma once
// Driver-specific parts of the POSIX serial backend, kept apart from
// serial_posix.cpp because the Linux termios2 header clashes with <termios.h>.
// CMake picks serial_posix_linux.cpp or serial_posix_other.cpp.
#include <cstdint>

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

} // namespace velt::serial_detail

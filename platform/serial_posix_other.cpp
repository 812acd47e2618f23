// Serial helpers for POSIX systems other than Linux: only the Bxxx rates,
// no low-latency switch; pseudo-terminals there accept exclusive mode.
#include "serial_posix_extras.h"

#include <cstring>
#include <termios.h>

namespace velt::serial_detail {

bool SetCustomBaudRate(int, uint32_t) {
    return false;
}

void RequestLowLatency(int) {}

bool IsPseudoTerminal(int) {
    return false;
}

} // namespace velt::serial_detail

namespace velt::serial_detail {

bool FindHolder(const std::string&, long*, std::string*) {
    return false;
}

bool SaveLine(int fd, std::vector<uint8_t>* out) {
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) return false;
    out->resize(sizeof tio);
    std::memcpy(out->data(), &tio, sizeof tio);
    return true;
}

bool RestoreLine(int fd, const std::vector<uint8_t>& saved) {
    termios tio{};
    if (saved.size() != sizeof tio) return false;
    std::memcpy(&tio, saved.data(), sizeof tio);
    return ::tcsetattr(fd, TCSANOW, &tio) == 0;
}

std::optional<long> LockHolderIn(std::string_view, unsigned, unsigned, unsigned long, long) {
    return std::nullopt;
}

} // namespace velt::serial_detail

// Serial helpers for POSIX systems other than Linux: only the Bxxx rates,
// no low-latency switch; pseudo-terminals there accept exclusive mode.
#include "serial_posix_extras.h"

namespace velt::serial_detail {

bool SetCustomBaudRate(int, uint32_t) {
    return false;
}

void RequestLowLatency(int) {}

bool IsPseudoTerminal(int) {
    return false;
}

} // namespace velt::serial_detail

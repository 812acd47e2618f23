// termios2 comes from the kernel's own header, which clashes with
// <termios.h>; this file uses the one alone.
#include "LineRate.h"

#include "RtuSlave.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace velt::sim {

namespace {
// A UART samples each bit in its middle; over the ten bits of a character the
// two clocks may drift apart by about half a bit, split between both ends.
constexpr uint64_t kToleranceDivisor = 50; // 2 %
} // namespace

uint32_t LineRateOf(int fd) {
    struct termios2 tio {};
    if (ioctl(fd, TCGETS2, &tio) != 0) return 0;
    return tio.c_ospeed;
}

bool SetLineRate(int fd, uint32_t baud) {
    struct termios2 tio {};
    if (ioctl(fd, TCGETS2, &tio) != 0) return false;
    tio.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
    tio.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    tio.c_ispeed = baud;
    tio.c_ospeed = baud;
    return ioctl(fd, TCSETS2, &tio) == 0;
}

bool RateMatches(uint32_t lineRate, uint32_t ownRate) {
    if (lineRate == 0) return true;
    const uint64_t diff = lineRate > ownRate ? lineRate - ownRate : ownRate - lineRate;
    return diff * kToleranceDivisor <= ownRate;
}

std::vector<uint8_t> GarbledAnswer(const std::vector<uint8_t>& request) {
    std::vector<uint8_t> garbage;
    garbage.reserve(request.size());
    // Each character read at the wrong rate turns into other bits; a fixed
    // scramble keeps the drills repeatable.
    for (size_t i = 0; i < request.size(); ++i)
        garbage.push_back(static_cast<uint8_t>((request[i] << 3 | request[i] >> 5) ^ (0xA5 + i)));
    if (garbage.size() >= 3 && RtuSlave::CrcOk(garbage.data(), garbage.size())) garbage.back() ^= 0xFF;
    return garbage;
}

} // namespace velt::sim

#pragma once
// The line speed check of the simulated drive. A real drive's UART runs at
// the drive's own rate: bytes a master sends at another rate reach it as
// garbage, which it ignores, and its answers reach such a master as garbage
// too. On a pseudo-terminal no byte is ever garbled, but the speed the master
// program set is there to read; the drive compares it with its own rate and
// acts as a real one would.
//
// Any thread; only ioctls on the terminal are made.
#include <cstdint>
#include <vector>

namespace velt::sim {

// What the drive does with a request that came at another rate than its own.
enum class WrongRate {
    Ignore,  // nothing, as a real drive does
    Garbage, // answers with bytes that are no frame (a fault drill)
};

// The speed in bit/s that the terminal behind `fd` (either side of a
// pseudo-terminal) is set to now; 0 when it cannot be read.
uint32_t LineRateOf(int fd);

// Sets the terminal behind `fd` to `baud` the termios2 way (BOTHER), for a
// rate without a Bxxx constant. Masters that read the speed with plain
// termios (Wine among them) do not understand that form: standard rates are
// set with their constants instead. False when the driver refuses.
bool SetLineRate(int fd, uint32_t baud);

// True when bytes sent at `lineRate` reach a UART at `ownRate` intact: the
// two differ by at most 2 %, the most a UART's sampling can bear. An unknown
// line rate (0) counts as matching, so a terminal whose speed cannot be read
// is served as before.
bool RateMatches(uint32_t lineRate, uint32_t ownRate);

// The bytes a master at another rate reads when the drive answers `request`:
// as many bytes as the request had, none of them a frame with a good CRC.
std::vector<uint8_t> GarbledAnswer(const std::vector<uint8_t>& request);

} // namespace velt::sim

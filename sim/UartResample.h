#pragma once
// What a UART receiving at one bit rate makes of bytes sent at another: the
// line level is rebuilt bit by bit at the sender's rate (start bit 0, eight
// data bits least significant first, stop bit 1, the line idle at 1 between
// characters) and sampled as a receiver at its own rate does it: it waits
// for a falling edge, samples each of the ten bit times in its middle, and
// delivers the eight data bits as a byte. A character whose stop bit reads 0
// is a framing error, which a raw POSIX terminal delivers as a 0 byte.
//
// The result is garbage of a plausible length: roughly the sent length
// times the receiver's rate over the sender's, fewer bytes when the sender
// is faster. Pure function, any thread.
#include <cstdint>
#include <vector>

namespace velt::sim {

std::vector<uint8_t> ResampleUart(const std::vector<uint8_t>& sent, uint32_t senderBaud,
                                  uint32_t receiverBaud);

} // namespace velt::sim

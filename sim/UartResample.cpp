#include "UartResample.h"

#include <cstddef>

namespace velt::sim {

namespace {

constexpr int kBitsPerChar = 10; // start, 8 data, stop
constexpr int kDataBits = 8;
// Idle time after the last character, in sender bit times, over which the
// receiver may still see the end of a character it started.
constexpr int kTrailingIdleBits = 2 * kBitsPerChar;

// The line level at time t, measured in sender bit times from the start of
// the first start bit.
int LevelAt(const std::vector<uint8_t>& sent, double t) {
    if (t < 0) return 1;
    const auto bit = static_cast<long>(t);
    const long ch = bit / kBitsPerChar;
    if (ch >= static_cast<long>(sent.size())) return 1;
    const int pos = static_cast<int>(bit % kBitsPerChar);
    if (pos == 0) return 0;                // start bit
    if (pos == kBitsPerChar - 1) return 1; // stop bit
    return (sent[static_cast<size_t>(ch)] >> (pos - 1)) & 1;
}

} // namespace

std::vector<uint8_t> ResampleUart(const std::vector<uint8_t>& sent, uint32_t senderBaud,
                                  uint32_t receiverBaud) {
    if (senderBaud == 0 || receiverBaud == 0 || senderBaud == receiverBaud) return sent;
    // One receiver bit time in sender bit times.
    const double rx = static_cast<double>(senderBaud) / receiverBaud;
    // Edges are looked for in steps much finer than either bit time.
    const double step = (rx < 1.0 ? rx : 1.0) / 16.0;
    const double end = static_cast<double>(sent.size()) * kBitsPerChar + kTrailingIdleBits;
    std::vector<uint8_t> received;
    double t = 0;
    int previous = 1;
    while (t < end) {
        const int level = LevelAt(sent, t);
        if (!(previous == 1 && level == 0)) {
            previous = level;
            t += step;
            continue;
        }
        // A falling edge at t: the start bit's middle must still read 0.
        if (LevelAt(sent, t + rx / 2) != 0) {
            previous = 0;
            t += step;
            continue;
        }
        uint8_t byte = 0;
        for (int b = 0; b < kDataBits; ++b)
            byte = static_cast<uint8_t>(byte | LevelAt(sent, t + rx * (b + 1.5)) << b);
        const bool framed = LevelAt(sent, t + rx * (kBitsPerChar - 0.5)) == 1;
        received.push_back(framed ? byte : 0);
        // The receiver looks for the next start bit after this stop bit's middle.
        t += rx * (kBitsPerChar - 0.5);
        previous = LevelAt(sent, t);
    }
    return received;
}

} // namespace velt::sim

#pragma once
// One probe of a scan for drives: a read of the two version registers, the
// harmless request every VELT drive answers, on a line already set to the
// rate. Never a write.
#include "platform/SerialDevice.h"

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace velt {

enum class ProbeOutcome {
    Answer,     // the drive answered with its versions
    Exception,  // a Modbus device at this ID answered with an exception
    NoReply,    // nothing came back
    OtherId,    // a whole answer of another ID came (late, to an earlier probe)
    Partial,    // the start of an answer of this ID came, cut short or damaged
    Noise,      // bytes that are no answer (a drive at another rate, noise)
    LineFailed, // the write or the read itself failed: the device went away
};

struct ProbeResult {
    ProbeOutcome Outcome = ProbeOutcome::NoReply;
    uint16_t HwVersion = 0; // Answer: holding registers 142 and 143 as received
    uint16_t SwVersion = 0;
    uint8_t Exception = 0; // Exception: the code the device sent
    uint8_t OtherId = 0;   // OtherId: the ID that answered
};

// Reads what is in `reply` (count bytes) as the answer to a version read of
// drive `id`.
ProbeResult ClassifyProbeReply(uint8_t id, const uint8_t* reply, size_t count);

// Discards what the line holds, sends the version read to `id` and waits up
// to `wait` for the answer, which ends when the line has been silent for
// `byteGap` after a byte. The caller owns the line (one thread).
ProbeResult ProbeDrive(SerialLine& line, uint8_t id, std::chrono::milliseconds wait,
                       std::chrono::milliseconds byteGap);

} // namespace velt

#pragma once
// The Modbus RTU slave side of the drive: decodes one request frame (CRC
// already checked), carries it out on the DriveModel and builds the reply
// frame with its CRC. Functions 1 to 6; any other gets exception 1.
//
// Stateless; the caller holds the lock that guards the model.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace velt::sim {

class DriveModel;

class RtuSlave {
public:
    // Carries out `frame` (length n, CRC included and good) and returns the
    // reply frame with CRC. The reply's address byte is the request's.
    static std::vector<uint8_t> Execute(DriveModel& model, const uint8_t* frame, size_t n);

    // Appends the CRC (low byte first) to a frame.
    static void AppendCrc(std::vector<uint8_t>& frame);
    // True when the last two bytes are the CRC of the rest.
    static bool CrcOk(const uint8_t* frame, size_t n);
};

} // namespace velt::sim

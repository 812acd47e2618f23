#include "DriveProbe.h"

#include "CModbusPort.h"
#include "DriveMap.h"

namespace velt {

namespace {

constexpr int kVersionRegisters = 2; // hardware and software version, one after the other
static_assert(drive::SoftwareVersionRegister == drive::HardwareVersionRegister + 1);
constexpr size_t kRequestLength = 8;
constexpr size_t kAnswerLength = 5 + 2 * kVersionRegisters;
constexpr size_t kExceptionLength = 5;
// A write of 8 bytes that takes longer than this is stuck (flow control
// held, a device gone).
constexpr auto kWriteLimit = std::chrono::milliseconds(100);

bool CrcOk(const uint8_t* frame, size_t count) {
    if (count < 3) return false;
    const uint16_t crc = Crc16(frame, count - 2);
    return frame[count - 2] == (crc & 0xFF) && frame[count - 1] == (crc >> 8);
}

uint16_t Word(const uint8_t* at) {
    return static_cast<uint16_t>(at[0] << 8 | at[1]);
}

bool IsVersionRead(uint8_t function) {
    return (function & ~drive::ExceptionBit) == drive::FunctionReadHoldingRegisters;
}

} // namespace

ProbeResult ClassifyProbeReply(uint8_t id, const uint8_t* reply, size_t count) {
    ProbeResult r;
    if (count == 0) return r;
    if (count >= kExceptionLength && CrcOk(reply, count) && IsVersionRead(reply[1])) {
        const bool exception = (reply[1] & drive::ExceptionBit) != 0;
        const size_t expected = exception ? kExceptionLength : kAnswerLength;
        if (count == expected && reply[0] == id) {
            if (!exception) {
                r.Outcome = ProbeOutcome::Answer;
                r.HwVersion = Word(reply + 3);
                r.SwVersion = Word(reply + 5);
                return r;
            }
            // Modbus has no exception 0: such a frame is noise.
            r.Outcome = reply[2] != 0 ? ProbeOutcome::Exception : ProbeOutcome::Noise;
            r.Exception = reply[2];
            return r;
        }
        if (count == expected && reply[0] != id && reply[0] != 0) {
            r.Outcome = ProbeOutcome::OtherId;
            r.OtherId = reply[0];
            return r;
        }
    }
    // Our ID and our function, but short or damaged: a drive that may have
    // answered too slowly for this probe, worth a second look.
    const bool ours = reply[0] == id && (count < 2 || IsVersionRead(reply[1]));
    r.Outcome = ours && count < kAnswerLength ? ProbeOutcome::Partial : ProbeOutcome::Noise;
    return r;
}

ProbeResult ProbeDrive(SerialLine& line, uint8_t id, std::chrono::milliseconds wait,
                       std::chrono::milliseconds byteGap) {
    uint8_t request[kRequestLength] = {id,
                                       drive::FunctionReadHoldingRegisters,
                                       static_cast<uint8_t>(drive::HardwareVersionRegister >> 8),
                                       static_cast<uint8_t>(drive::HardwareVersionRegister & 0xFF),
                                       0,
                                       kVersionRegisters};
    const uint16_t crc = Crc16(request, kRequestLength - 2);
    request[6] = static_cast<uint8_t>(crc & 0xFF);
    request[7] = static_cast<uint8_t>(crc >> 8);

    SerialTimeouts timeouts;
    timeouts.readInterval = byteGap;
    timeouts.readTotalPerByte = std::chrono::milliseconds(0);
    timeouts.readTotalConstant = wait;
    timeouts.writeTotalPerByte = std::chrono::milliseconds(0);
    timeouts.writeTotalConstant = kWriteLimit;
    line.SetTimeouts(timeouts);
    // Whatever came after the last probe gave up (a late answer, noise)
    // answers no request of this one.
    line.DiscardInput();
    if (line.Write(request, kRequestLength) != static_cast<long>(kRequestLength))
        return {ProbeOutcome::LineFailed};
    // Room for a longer frame than the answer, so that one is seen as noise
    // rather than taken for an answer by its first bytes.
    uint8_t reply[kAnswerLength + 1] = {};
    const long got = line.Read(reply, sizeof reply);
    if (got < 0) return {ProbeOutcome::LineFailed};
    return ClassifyProbeReply(id, reply, static_cast<size_t>(got));
}

} // namespace velt

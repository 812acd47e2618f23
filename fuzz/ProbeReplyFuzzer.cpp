// What a scan's probe makes of the bytes that came back: only a whole,
// well-formed answer of the probed drive is a drive; the first byte of the
// input is the ID probed, the rest the reply.
#include "FuzzSupport.h"
#include "link/CModbusPort.h"
#include "link/DriveProbe.h"

namespace velt::fuzz {
namespace {

constexpr size_t kAnswer = 9;
constexpr size_t kException = 5;

bool CrcOk(const uint8_t* r, size_t n) {
    if (n < 3) return false;
    const uint16_t crc = Crc16(r, n - 2);
    return r[n - 2] == (crc & 0xFF) && r[n - 1] == (crc >> 8);
}

void Check(uint8_t id, const uint8_t* reply, size_t count) {
    const ProbeResult r = ClassifyProbeReply(id, reply, count);
    switch (r.Outcome) {
    case ProbeOutcome::NoReply:
        VELT_FUZZ_CHECK(count == 0);
        break;
    case ProbeOutcome::Answer:
        VELT_FUZZ_CHECK(count == kAnswer && CrcOk(reply, count) && reply[0] == id && reply[1] == 3);
        VELT_FUZZ_CHECK(r.HwVersion == (reply[3] << 8 | reply[4]) &&
                        r.SwVersion == (reply[5] << 8 | reply[6]));
        break;
    case ProbeOutcome::Exception:
        VELT_FUZZ_CHECK(count == kException && CrcOk(reply, count) && reply[0] == id && reply[1] == 0x83);
        VELT_FUZZ_CHECK(r.Exception == reply[2] && r.Exception != 0);
        break;
    case ProbeOutcome::OtherId:
        VELT_FUZZ_CHECK(CrcOk(reply, count) && r.OtherId == reply[0] && r.OtherId != id && r.OtherId != 0);
        VELT_FUZZ_CHECK(count == kAnswer || count == kException);
        break;
    case ProbeOutcome::Partial:
        VELT_FUZZ_CHECK(count > 0 && count < kAnswer && reply[0] == id);
        break;
    case ProbeOutcome::Noise:
        VELT_FUZZ_CHECK(count > 0);
        break;
    case ProbeOutcome::LineFailed:
        VELT_FUZZ_CHECK(false); // only a failed read or write says so
        break;
    }
}

} // namespace
} // namespace velt::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    velt::fuzz::Check(data[0], data + 1, size - 1);
    return 0;
}

// The Modbus TCP reply decoder: one MBAP frame (transaction, protocol,
// length, unit, then the PDU) against the request number and the room the
// caller has. Input: the request's transaction (2 bytes), the room (1 byte),
// then the frame as received.
#include "FuzzSupport.h"
#include "link/CModbusPort.h"
#include "link/NetworkLine.h"

#include <cstring>

using namespace velt;
using namespace velt::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ByteReader in(data, size);
    const uint16_t transaction = in.Word();
    const size_t capacity = in.Byte();
    const std::string_view rest = in.Rest();
    const auto* frame = reinterpret_cast<const uint8_t*>(rest.data());
    uint8_t rtu[256];
    std::memset(rtu, 0xA5, sizeof rtu);
    const MbapReply reply = DecodeMbapReply(frame, rest.size(), transaction, rtu, capacity);
    if (reply.Verdict != MbapVerdict::Ours) {
        VELT_FUZZ_CHECK(reply.RtuLength == 0);
        VELT_FUZZ_CHECK(rtu[0] == 0xA5);
        return 0;
    }
    const MbapHeader h = ReadMbapHeader(frame);
    VELT_FUZZ_CHECK(h.Transaction == transaction && h.Protocol == 0);
    VELT_FUZZ_CHECK(h.Length >= 3 && h.Length <= kMbapMaxLength);
    VELT_FUZZ_CHECK(rest.size() == kMbapHeaderLength + h.Length - 1u);
    VELT_FUZZ_CHECK(reply.RtuLength == h.Length + 2u && reply.RtuLength <= capacity);
    VELT_FUZZ_CHECK(rtu[0] == h.Unit);
    VELT_FUZZ_CHECK(std::memcmp(rtu + 1, frame + kMbapHeaderLength, h.Length - 1u) == 0);
    VELT_FUZZ_CHECK(Crc16(rtu, h.Length) == (rtu[h.Length] | rtu[h.Length + 1] << 8));
    VELT_FUZZ_CHECK(rtu[reply.RtuLength] == 0xA5 || reply.RtuLength == capacity);
    return 0;
}

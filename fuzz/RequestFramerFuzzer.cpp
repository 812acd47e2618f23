// The simulated drive's side of the line: the request framer cuts the fuzzed
// byte stream, arriving in pieces at fuzzed times, into frames, and the RTU
// slave answers every frame with a good CRC as the serving thread does.
//
// Input: one byte picking the bit rate (kRates), then pieces, each a pause
// (1 byte, x 100 us), a length (1 byte) and the bytes.
#include "FuzzSupport.h"
#include "link/CModbusPort.h"
#include "link/DriveMap.h"
#include "sim/DriveModel.h"
#include "sim/RequestFramer.h"
#include "sim/RtuSlave.h"

#include <algorithm>
#include <string>
#include <vector>

namespace velt::fuzz {
namespace {

using sim::RequestFramer;
using Clock = RequestFramer::Clock;

constexpr uint32_t kRates[] = {9600, 19200, 38400, 57600, 115200, 1200, 0, 250000};
constexpr size_t kMaxFrame = 256;

bool CrcOk(const std::vector<uint8_t>& f) {
    return f.size() >= 4 && Crc16(f.data(), f.size() - 2) == (f[f.size() - 2] | f[f.size() - 1] << 8);
}

uint16_t Word(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] << 8 | p[1]);
}

// The reply answers the request: same address, its function or its
// exception, the length the function gives, a good CRC.
void CheckReply(const std::vector<uint8_t>& request, const std::vector<uint8_t>& reply) {
    VELT_FUZZ_CHECK(reply.size() >= 5 && reply.size() <= kMaxFrame && CrcOk(reply));
    VELT_FUZZ_CHECK(reply[0] == request[0]);
    const uint8_t function = request[1];
    if (reply[1] == (function | drive::ExceptionBit)) {
        VELT_FUZZ_CHECK(reply.size() == 5 && reply[2] >= drive::ExceptionIllegalFunction &&
                        reply[2] <= drive::ExceptionDeviceFailure);
        return;
    }
    VELT_FUZZ_CHECK(reply[1] == function && request.size() == 8);
    const uint16_t quantity = Word(&request[4]);
    switch (function) {
    case drive::FunctionReadCoils:
    case drive::FunctionReadDiscreteInputs:
        VELT_FUZZ_CHECK(reply[2] == (quantity + 7) / 8 && reply.size() == 5u + reply[2]);
        break;
    case drive::FunctionReadHoldingRegisters:
    case drive::FunctionReadInputRegisters:
        VELT_FUZZ_CHECK(reply[2] == 2 * quantity && reply.size() == 5u + reply[2]);
        break;
    default:
        VELT_FUZZ_CHECK(function == drive::FunctionWriteSingleCoil ||
                        function == drive::FunctionWriteSingleRegister);
        VELT_FUZZ_CHECK(reply == request); // a write is answered by its echo
    }
}

// Frames come out in the order of the stream, each a piece of it that the
// framer held: a whole request, or what preceded a long enough silence.
class FrameChecker {
public:
    explicit FrameChecker(uint32_t baud) : gap_(RequestFramer::InterFrameGap(baud)) {}

    void Fed(const std::string_view bytes) { stream_.insert(stream_.end(), bytes.begin(), bytes.end()); }

    void Check(const std::vector<uint8_t>& frame, Clock::time_point now, Clock::time_point lastByte) {
        VELT_FUZZ_CHECK(!frame.empty() && frame.size() <= kMaxFrame);
        const bool request = frame.size() == 8 && frame[1] >= drive::FunctionReadCoils &&
                             frame[1] <= drive::FunctionWriteSingleRegister && CrcOk(frame);
        VELT_FUZZ_CHECK(request || now - lastByte >= gap_);
        const auto at = std::search(stream_.begin() + static_cast<long>(next_), stream_.end(), frame.begin(),
                                    frame.end());
        VELT_FUZZ_CHECK(at != stream_.end());
        next_ = static_cast<size_t>(at - stream_.begin()) + frame.size();
    }

private:
    Clock::duration gap_;
    std::vector<uint8_t> stream_;
    size_t next_ = 0; // where the next frame may start at the earliest
};

} // namespace
} // namespace velt::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace velt;
    using namespace velt::fuzz;
    ByteReader in(data, size);
    const uint32_t baud = kRates[in.Byte() % std::size(kRates)];
    RequestFramer framer(baud);
    FrameChecker checker(baud);
    sim::DriveModel model;
    Clock::time_point now{std::chrono::hours(1)};
    Clock::time_point lastByte = now;
    std::vector<uint8_t> frame;
    Clock::time_point end;
    auto drain = [&] {
        while (framer.Next(now, &frame, &end)) {
            VELT_FUZZ_CHECK(end == lastByte);
            checker.Check(frame, now, lastByte);
            if (CrcOk(frame)) CheckReply(frame, sim::RtuSlave::Execute(model, frame.data(), frame.size()));
        }
    };
    while (!in.Empty()) {
        now += std::chrono::microseconds(100 * in.Byte());
        drain();
        const std::string_view piece = in.Bytes(in.Byte());
        framer.Feed(reinterpret_cast<const uint8_t*>(piece.data()), piece.size(), now);
        checker.Fed(piece);
        if (!piece.empty()) lastByte = now;
        drain();
    }
    now += std::chrono::seconds(1);
    drain();
    VELT_FUZZ_CHECK(framer.Deadline() == Clock::time_point::max()); // nothing held after a silence
    return 0;
}

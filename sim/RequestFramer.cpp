#include "RequestFramer.h"

#include "RtuSlave.h"
#include "link/DriveMap.h"

#include <algorithm>

namespace velt::sim {
namespace {

constexpr size_t kRequestLength = 8;
// Anything longer than the largest RTU frame is noise; keep only the tail.
constexpr size_t kMaxHeld = 256;
constexpr auto kMinGap = std::chrono::microseconds(1750);
constexpr int kBitsPerChar = 10;

bool IsRequest(const uint8_t* p) {
    return p[1] >= drive::FunctionReadCoils && p[1] <= drive::FunctionWriteSingleRegister &&
           RtuSlave::CrcOk(p, kRequestLength);
}

} // namespace

RequestFramer::RequestFramer(uint32_t baud) : gap_(InterFrameGap(baud)) {}

RequestFramer::Clock::duration RequestFramer::LineTime(size_t bytes, uint32_t baud) {
    const uint32_t rate = baud > 0 ? baud : 9600;
    return std::chrono::duration_cast<Clock::duration>(
        std::chrono::nanoseconds(static_cast<int64_t>(bytes) * kBitsPerChar * 1'000'000'000LL / rate));
}

RequestFramer::Clock::duration RequestFramer::InterFrameGap(uint32_t baud) {
    // 3.5 characters = 35 bits.
    const uint32_t rate = baud > 0 ? baud : 9600;
    const auto gap = std::chrono::nanoseconds(35LL * 1'000'000'000LL / rate);
    return std::max<Clock::duration>(gap, kMinGap);
}

void RequestFramer::Feed(const uint8_t* data, size_t n, Clock::time_point now) {
    if (n == 0) return;
    buffer_.insert(buffer_.end(), data, data + n);
    if (buffer_.size() > kMaxHeld) buffer_.erase(buffer_.begin(), buffer_.end() - kMaxHeld);
    lastByte_ = now;
}

bool RequestFramer::Next(Clock::time_point now, std::vector<uint8_t>* frame, Clock::time_point* end) {
    for (size_t i = 0; i + kRequestLength <= buffer_.size(); ++i) {
        if (!IsRequest(buffer_.data() + i)) continue;
        frame->assign(buffer_.begin() + i, buffer_.begin() + i + kRequestLength);
        buffer_.erase(buffer_.begin(), buffer_.begin() + i + kRequestLength);
        *end = lastByte_;
        return true;
    }
    if (buffer_.empty() || now - lastByte_ < gap_) return false;
    frame->swap(buffer_);
    buffer_.clear();
    *end = lastByte_;
    return true;
}

RequestFramer::Clock::time_point RequestFramer::Deadline() const {
    return buffer_.empty() ? Clock::time_point::max() : lastByte_ + gap_;
}

} // namespace velt::sim

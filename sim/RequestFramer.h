#pragma once
// Splits the bytes arriving from the master into request frames. RTU ends a
// frame with 3.5 character times of silence; on a pseudo-terminal a request
// arrives in one piece, so a frame also ends as soon as the bytes held contain
// a complete 8-byte request of functions 1..6 with a good CRC (bytes before it
// are line noise and are dropped).
//
// Not thread-safe; used by the serving thread only.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace velt::sim {

class RequestFramer {
public:
    using Clock = std::chrono::steady_clock;

    explicit RequestFramer(uint32_t baud);

    void Feed(const uint8_t* data, size_t n, Clock::time_point now);
    // Takes the next complete frame; `end` is when its last byte arrived.
    bool Next(Clock::time_point now, std::vector<uint8_t>* frame, Clock::time_point* end);
    // When the silence that would end the bytes held is over (max() when
    // nothing is held).
    Clock::time_point Deadline() const;
    void Clear() { buffer_.clear(); }

    // 3.5 characters of 10 bits at `baud`, at least 1.75 ms.
    static Clock::duration InterFrameGap(uint32_t baud);
    // Line time of `bytes` characters of 10 bits at `baud`.
    static Clock::duration LineTime(size_t bytes, uint32_t baud);

private:
    std::vector<uint8_t> buffer_;
    Clock::time_point lastByte_{};
    Clock::duration gap_;
};

} // namespace velt::sim

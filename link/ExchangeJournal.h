#pragma once
// The line's own record of its exchanges, for the link health figures: when
// each request ended, how long it took and how it ended, and running counts
// of each way an exchange can fail.
//
// One writer at a time: the thread that holds the port's Lock (every exchange
// runs under it). Any number of readers on other threads, none of which ever
// blocks the writer: the records sit in a ring of fixed size, each guarded by
// a sequence number (a reader that finds a record being rewritten drops it),
// and the counts are atomics. Recording costs a few stores; nothing allocates.
#include "RtuResult.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace velt {

// How an exchange ended, as the health view counts it.
enum class ExchangeOutcome : uint8_t {
    Answered,      // a whole, well-formed reply (RTU_OK)
    Exception,     // the drive answered with an exception reply
    NoReply,       // RTU_ERR_NO_REPLY
    BadCrc,        // RTU_ERR_CRC
    WrongIdOrEcho, // RTU_ERR_FRAME: another slave, function, length or write echo
    PortError,     // the read or write call failed, or the port was not open
};
inline constexpr size_t kExchangeOutcomeCount = 6;

// The outcome of a request's result; RTU_BROADCAST counts as answered (no
// reply is due).
ExchangeOutcome OutcomeOf(RtuResult result);
// Answered and Exception are the drive's replies; the rest are failures.
inline bool IsFailure(ExchangeOutcome outcome) {
    return outcome != ExchangeOutcome::Answered && outcome != ExchangeOutcome::Exception;
}

// Nanoseconds on the steady clock: the time base of every record.
int64_t SteadyNowNs();

struct ExchangeRecord {
    int64_t EndNs = 0;        // when the exchange ended (before any drain)
    uint32_t RoundTripUs = 0; // from the request's write to the reply's end
    uint8_t Function = 0;
    RtuResult Result;
};

class ExchangeJournal {
public:
    // Records kept: more than a minute of exchanges at 115200 bit/s.
    static constexpr size_t kCapacity = 16384;

    // Writer (the holder of the port's Lock).
    void Record(const ExchangeRecord& record);
    // A reply, or bytes of one, that arrived after its exchange had ended and
    // was thrown away rather than read as the answer to a later request.
    void CountLateReplyDropped();

    // Readers, any thread. Records written so far (the index of the next).
    uint64_t Written() const { return written_.load(std::memory_order_acquire); }
    // Record `index` (< Written()); false when it has been overwritten since
    // (the ring holds the last kCapacity) or is being rewritten now.
    bool Read(uint64_t index, ExchangeRecord* out) const;
    // Running counts since construction.
    uint64_t Outcomes(ExchangeOutcome outcome) const {
        return outcomes_[static_cast<size_t>(outcome)].load(std::memory_order_relaxed);
    }
    uint64_t LateRepliesDropped() const { return lateDropped_.load(std::memory_order_relaxed); }
    // EndNs of the last failed exchange, 0 when none has failed.
    int64_t LastFailureNs() const { return lastFailureNs_.load(std::memory_order_relaxed); }

private:
    struct Slot {
        std::atomic<uint64_t> Sequence{0}; // 2n+1 while record n is written, 2n+2 once it is whole
        std::atomic<int64_t> EndNs{0};
        std::atomic<uint64_t> Packed{0}; // round trip, function, result
    };
    // On the heap: the ring is some 400 KB, too much for a stack that holds a
    // link (velt-cli keeps its link on the stack of main).
    const std::unique_ptr<Slot[]> slots_ = std::make_unique<Slot[]>(kCapacity);
    std::atomic<uint64_t> written_{0};
    std::array<std::atomic<uint64_t>, kExchangeOutcomeCount> outcomes_{};
    std::atomic<uint64_t> lateDropped_{0};
    std::atomic<int64_t> lastFailureNs_{0};
};

} // namespace velt

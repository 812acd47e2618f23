#pragma once
// The drive link's request counters: for each kind of request the attempts,
// successes and failures, and the failures seen on the line (CRC errors and
// missing replies) whatever the request.
#include <atomic>
#include <cstdint>

namespace velt {

// A copy of the counters, as the pages, velt-cli and the reports see them.
struct LinkCounters {
    uint32_t DiReads = 0, DiOk = 0, DiFail = 0;
    uint32_t DoRequests = 0, DoOk = 0, DoFail = 0;
    uint32_t StateReads = 0, StateOk = 0, StateFail = 0;
    uint32_t ParamRequests = 0, ParamOk = 0, ParamFail = 0;
    uint32_t CrcErrors = 0, NoReplies = 0;

    bool operator==(const LinkCounters&) const = default;
};

// The live counters: raised by the thread that makes the request, read by
// any thread. Snapshot and Zero each touch the counters one by one; the owner
// serialises them with one lock, so that a zeroing is seen whole.
struct AtomicLinkCounters {
    std::atomic<uint32_t> DiReads{0}, DiOk{0}, DiFail{0};
    std::atomic<uint32_t> DoRequests{0}, DoOk{0}, DoFail{0};
    std::atomic<uint32_t> StateReads{0}, StateOk{0}, StateFail{0};
    std::atomic<uint32_t> ParamRequests{0}, ParamOk{0}, ParamFail{0};
    std::atomic<uint32_t> CrcErrors{0}, NoReplies{0};

    // Outcomes are loaded before attempts. An attempt is counted before its
    // outcome, so a snapshot never shows more outcomes than attempts.
    LinkCounters Snapshot() const;
    void Zero();
};

} // namespace velt

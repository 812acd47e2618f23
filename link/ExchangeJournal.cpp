#include "ExchangeJournal.h"

#include "RtuResult.h"

namespace velt {

ExchangeOutcome OutcomeOf(RtuResult result) {
    switch (result.kind()) {
    case RtuResult::Kind::Ok:
    case RtuResult::Kind::Broadcast:
        return ExchangeOutcome::Answered;
    case RtuResult::Kind::Exception:
        return ExchangeOutcome::Exception;
    case RtuResult::Kind::Local:
        break;
    }
    switch (static_cast<LocalFailure>(result.Code())) {
    case LocalFailure::NoReply:
        return ExchangeOutcome::NoReply;
    case LocalFailure::Crc:
        return ExchangeOutcome::BadCrc;
    case LocalFailure::Frame:
        return ExchangeOutcome::WrongIdOrEcho;
    case LocalFailure::Read:
    case LocalFailure::Write:
    case LocalFailure::NotOpen:
        break;
    }
    return ExchangeOutcome::PortError;
}

namespace {
RtuResult ResultOf(RtuResult::Kind kind, uint8_t code) {
    switch (kind) {
    case RtuResult::Kind::Ok:
        return RTU_OK;
    case RtuResult::Kind::Exception:
        return RtuResult::Exception(code);
    case RtuResult::Kind::Local:
        return RtuResult::Local(static_cast<LocalFailure>(code));
    case RtuResult::Kind::Broadcast:
        break;
    }
    return RTU_BROADCAST;
}
} // namespace

int64_t SteadyNowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The sequence number goes odd before the fields change and even after, with
// release ordering, so that a reader who sees the same even number before and
// after reading the fields has a whole record.
void ExchangeJournal::Record(const ExchangeRecord& record) {
    const uint64_t n = written_.load(std::memory_order_relaxed);
    Slot& slot = slots_[n % kCapacity];
    slot.Sequence.store(2 * n + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    slot.EndNs.store(record.EndNs, std::memory_order_relaxed);
    slot.Packed.store(uint64_t{record.RoundTripUs} << 24 | uint64_t{record.Function} << 16 |
                          uint64_t{static_cast<uint8_t>(record.Result.kind())} << 8 | record.Result.Code(),
                      std::memory_order_relaxed);
    slot.Sequence.store(2 * n + 2, std::memory_order_release);
    written_.store(n + 1, std::memory_order_release);

    const ExchangeOutcome outcome = OutcomeOf(record.Result);
    outcomes_[static_cast<size_t>(outcome)].fetch_add(1, std::memory_order_relaxed);
    if (IsFailure(outcome)) lastFailureNs_.store(record.EndNs, std::memory_order_relaxed);
}

void ExchangeJournal::CountLateReplyDropped() {
    lateDropped_.fetch_add(1, std::memory_order_relaxed);
}

bool ExchangeJournal::Read(uint64_t index, ExchangeRecord* out) const {
    const Slot& slot = slots_[index % kCapacity];
    const uint64_t whole = 2 * index + 2;
    if (slot.Sequence.load(std::memory_order_acquire) != whole) return false;
    const int64_t end = slot.EndNs.load(std::memory_order_relaxed);
    const uint64_t packed = slot.Packed.load(std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_acquire);
    if (slot.Sequence.load(std::memory_order_relaxed) != whole) return false;
    out->EndNs = end;
    out->RoundTripUs = static_cast<uint32_t>(packed >> 24);
    out->Function = static_cast<uint8_t>(packed >> 16);
    out->Result = ResultOf(static_cast<RtuResult::Kind>(static_cast<uint8_t>(packed >> 8)),
                           static_cast<uint8_t>(packed));
    return true;
}

} // namespace velt

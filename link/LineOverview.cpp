#include "link/LineOverview.h"

#include <algorithm>

namespace velt {

namespace {
// Credit beyond this is not kept: after a long quiet time the overview
// must not take the line for many reads in a row.
constexpr auto kMaxCredit = std::chrono::milliseconds(200);
constexpr int kBitsPerChar = 10; // 8N1
constexpr int kRequestBytes = 8;
constexpr int kReplyBytes = 5 + 2 * kOverviewRegisters;
constexpr double kFrameGapChars = 3.5;
} // namespace

std::chrono::milliseconds LineOverview::ReplyTimeout(uint32_t baud) {
    if (baud == 0) return std::chrono::milliseconds::zero();
    const double chars = kRequestBytes + kReplyBytes + kFrameGapChars;
    const auto wire =
        std::chrono::milliseconds(static_cast<int64_t>(chars * kBitsPerChar * 1000.0 / baud) + 1);
    return wire + kReplyMargin;
}

void LineOverview::SetDrives(const std::vector<uint8_t>& ids) {
    std::lock_guard lock(mu_);
    std::vector<Entry> kept;
    for (uint8_t id : ids) {
        const auto old =
            std::find_if(drives_.begin(), drives_.end(), [id](const Entry& e) { return e.State.Id == id; });
        Entry entry = old != drives_.end() ? *old : Entry{};
        entry.State.Id = id;
        kept.push_back(entry);
    }
    drives_ = std::move(kept);
    next_ = 0;
}

std::vector<LineDriveState> LineOverview::Snapshot() const {
    std::lock_guard lock(mu_);
    std::vector<LineDriveState> out;
    out.reserve(drives_.size());
    for (const Entry& e : drives_)
        out.push_back(e.State);
    return out;
}

bool LineOverview::Active() const {
    std::lock_guard lock(mu_);
    return !drives_.empty();
}

void LineOverview::PassTook(Clock::duration busy) {
    std::lock_guard lock(mu_);
    if (drives_.empty()) return;
    const auto share = std::chrono::duration_cast<Clock::duration>(busy * kShare / (1.0 - kShare));
    credit_ = std::min<Clock::duration>(credit_ + share, kMaxCredit);
}

std::optional<uint8_t> LineOverview::Due(uint8_t selected, Clock::time_point now) {
    std::lock_guard lock(mu_);
    if (drives_.empty() || credit_ < lastCost_) return std::nullopt;
    for (size_t k = 0; k < drives_.size(); ++k) {
        const size_t i = (next_ + k) % drives_.size();
        const Entry& e = drives_[i];
        if (e.State.Id == selected || e.State.Id == 0) continue;
        const auto wait = e.State.Read && !e.State.Answering ? kSilentRetry : kRefresh;
        if (e.State.Read && now - e.Tried < wait) continue;
        next_ = (i + 1) % drives_.size();
        return e.State.Id;
    }
    return std::nullopt;
}

void LineOverview::Took(uint8_t id, RtuResult result, const uint16_t* regs, Clock::duration took,
                        Clock::time_point now) {
    std::lock_guard lock(mu_);
    credit_ -= took;
    if (result == RTU_OK) lastCost_ = took; // a time-out says nothing of a read's cost
    for (Entry& e : drives_) {
        if (e.State.Id != id) continue;
        e.Tried = now;
        e.State.Read = true;
        e.State.Answering = result == RTU_OK;
        e.State.Last = result;
        if (result == RTU_OK && regs != nullptr) {
            std::copy(regs, regs + kOverviewRegisters, e.State.Regs.begin());
            e.State.Received = now;
        }
    }
}

} // namespace velt

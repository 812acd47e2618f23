#pragma once
// The other drives of the line, watched between the selected drive's polls:
// each one's first state registers (status, alarm, positions, speeds) read in
// turn, about once a second, within a share of the line's time so that the
// selected drive keeps at least nine tenths of its polling rate.
//
// Thread-safe: the polling thread asks what is due and hands results over;
// windows set the drives and take snapshots. One short lock.
#include "link/DriveMap.h"
#include "link/RtuResult.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

namespace velt {

// The state block from its start through the actual speed: status word,
// alarm, commanded and actual position (32-bit), commanded and actual speed.
inline constexpr int kOverviewRegisters = drive::StateSpeed + 1;

struct LineDriveState {
    uint8_t Id = 0;
    bool Read = false;                                // a read of this drive has ended (well or not)
    bool Answering = false;                           // the last read ended well
    RtuResult Last;                                   // how the last read ended
    std::array<uint16_t, kOverviewRegisters> Regs{};  // from the last read that ended well
    std::chrono::steady_clock::time_point Received{}; // when those came
};

class LineOverview {
public:
    using Clock = std::chrono::steady_clock;
    // A drive is read again this long after its last read.
    static constexpr auto kRefresh = std::chrono::milliseconds(900);
    // A drive that did not answer is tried again after this long only: its
    // time-out still costs the line ReplyTimeout and the wait for late bytes.
    static constexpr auto kSilentRetry = std::chrono::seconds(5);
    // What a drive may take to start its reply, beyond the line time.
    static constexpr auto kReplyMargin = std::chrono::milliseconds(100);
    // The share of the line's time the overview may take.
    static constexpr double kShare = 0.08;

    // The drives to watch (the selected one among them is skipped: its own
    // polls show it). Empty: nothing is read. Results of drives kept stay.
    void SetDrives(const std::vector<uint8_t>& ids);
    // How long an overview read waits for its reply at `baud` bit/s: request
    // and reply on the wire, the gap that ends a frame, and kReplyMargin.
    // Zero for 0 (a network line): the line's own time-out applies.
    static std::chrono::milliseconds ReplyTimeout(uint32_t baud);
    std::vector<LineDriveState> Snapshot() const;
    bool Active() const;

    // Polling thread. `busy` is the line time the selected drive's pass took:
    // a share of it becomes time the overview may spend.
    void PassTook(Clock::duration busy);
    // The drive to read now, if one is due and the share allows it.
    std::optional<uint8_t> Due(uint8_t selected, Clock::time_point now);
    // The read of `id` ended after `took`; `regs` valid when result is OK.
    void Took(uint8_t id, RtuResult result, const uint16_t* regs, Clock::duration took,
              Clock::time_point now);

private:
    struct Entry {
        LineDriveState State;
        Clock::time_point Tried{}; // the last read, ended
    };
    mutable std::mutex mu_;
    std::vector<Entry> drives_;
    size_t next_ = 0;                                         // round robin
    Clock::duration credit_{};                                // line time the overview may still spend
    Clock::duration lastCost_ = std::chrono::milliseconds(5); // what one read took last
};

} // namespace velt

#pragma once
// The ScopeThread's timetable: a pass on every 50 ms mark of a fixed grid,
// so the time spent in a pass (reading, rendering) does not
// stretch the interval; the chart's X axis, labelled in seconds at 20
// samples per second, then runs at the right speed. A pass that ends after
// its next mark has passed waits for the first mark still ahead instead of
// catching up with a burst of samples.
#include <chrono>
#include <cstdint>

namespace velt {

class SampleSchedule {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kPeriod{50};

    // Marks at start + k x period; the first pass runs at once (mark 0).
    explicit SampleSchedule(Clock::time_point start, Clock::duration period = kPeriod)
        : start_(start), period_(period) {}
    // Marks on the grid origin + k x period, joined at `now`: the next mark
    // is the first one after now, and none counts as skipped.
    SampleSchedule(Clock::time_point origin, Clock::time_point now, Clock::duration period = kPeriod)
        : start_(origin), period_(period), mark_(now >= origin ? (now - origin) / period : 0) {}

    // The mark to sleep until after a pass that ended at `now`: the mark
    // after the previous one, or, when that is not ahead of now, the first
    // mark after now (the marks in between are skipped).
    Clock::time_point Next(Clock::time_point now);

    // After a pause: the next mark is the first one after `now`, and the
    // marks of the pause do not count as skipped.
    void Rejoin(Clock::time_point now) { mark_ = now >= start_ ? (now - start_) / period_ : 0; }

    // Marks skipped so far because a pass ran late.
    uint64_t Skipped() const { return skipped_; }

private:
    Clock::time_point start_;
    Clock::duration period_;
    int64_t mark_ = 0; // index of the last mark handed out
    uint64_t skipped_ = 0;
};

} // namespace velt

#include "scope/SampleSchedule.h"

namespace velt {

SampleSchedule::Clock::time_point SampleSchedule::Next(Clock::time_point now) {
    int64_t next = mark_ + 1;
    if (start_ + next * period_ <= now) {
        const int64_t due = (now - start_) / period_ + 1; // first mark after now
        skipped_ += static_cast<uint64_t>(due - next);
        next = due;
    }
    mark_ = next;
    return start_ + next * period_;
}

} // namespace velt

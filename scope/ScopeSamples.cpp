#include "scope/ScopeSamples.h"

#include <algorithm>
#include <cmath>

namespace velt {

ScopeSamples::ScopeSamples()
    : data_(static_cast<std::size_t>(kScopeTraces) * kScopeCapacity, 0.0), steps_(kScopeCapacity, 0.0) {}

void ScopeSamples::Push(const TraceValues& values, double advance) {
    if (!std::isfinite(advance)) advance = 1.0;
    advance = std::max(advance, kLeastAdvance);
    for (int r = 0; r < kScopeTraces; ++r)
        data_[static_cast<std::size_t>(r) * kScopeCapacity + static_cast<std::size_t>(head_)] = values[r];
    newestStep_ += advance;
    steps_[static_cast<std::size_t>(head_)] = newestStep_;
    head_ = head_ + 1 == kScopeCapacity ? 0 : head_ + 1;
    ++count_;
    if (advance != 1.0) lastUneven_ = count_;
}

void ScopeSamples::PushNewestOf(const ScopeSamples& from, int count) {
    count = std::clamp(count, 0, kScopeCapacity);
    const int held = static_cast<int>(std::min<int64_t>(from.Count(), kScopeCapacity));
    for (int age = count - 1; age >= 0; --age)
        Push(from.AllAt(age), age + 1 < held ? from.Step(age) - from.Step(age + 1) : 1.0);
}

TraceValues ScopeSamples::AllAt(int age) const {
    TraceValues v{};
    for (int r = 0; r < kScopeTraces; ++r)
        v[r] = At(r, age);
    return v;
}

int ScopeSamples::OldestWithin(double steps, int count) const {
    count = std::clamp(count, 0, kScopeCapacity);
    if (count == 0 || !(steps >= 0.0)) return -1;
    const double newest = Step(0);
    int low = 0, high = count - 1; // StepsBefore(low) <= steps holds
    while (low < high) {
        const int mid = low + (high - low + 1) / 2;
        if (newest - Step(mid) <= steps)
            low = mid;
        else
            high = mid - 1;
    }
    return low;
}

} // namespace velt

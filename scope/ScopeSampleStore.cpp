#include "scope/ScopeSampleStore.h"

#include "scope/ChartMath.h"

#include <algorithm>
#include <cmath>

namespace velt {

void ScopeSampleStore::Append(const TraceFlags& enabled, const TraceValues& values, double advance) {
    {
        std::lock_guard lock(mutex_);
        samples_.Push(values, advance);
        state_.Newest = samples_.Count() - 1;
        state_.NewestStep = samples_.Step(0);
        state_.PointCount = ShownAfterAppend(samples_, state_.PointCount, limit_);
        if (state_.PointCount > 0) state_.OldestStep = samples_.Step(state_.PointCount - 1);
        state_.TraceCount = kScopeTraces;
        state_.Enabled = enabled;
        ++state_.Version;
    }
    Notify();
}

void ScopeSampleStore::ShowNewestOf(const ScopeSamples& from, int count, const TraceFlags& enabled,
                                    double originAge) {
    {
        std::lock_guard lock(mutex_);
        count = std::clamp(count, 0, kScopeCapacity);
        samples_.PushNewestOf(from, count);
        state_.Newest = samples_.Count() - 1;
        state_.NewestStep = samples_.Step(0);
        state_.PointCount = count;
        if (count > 0) state_.OldestStep = samples_.Step(count - 1);
        state_.TraceCount = kScopeTraces;
        state_.Enabled = enabled;
        const double origin = originAge / kSamplesPerSecond;
        if (std::isfinite(origin)) state_.Origin = origin;
        ++state_.Version;
        ++state_.Epoch;
    }
    Notify();
}

void ScopeSampleStore::Clear() {
    {
        std::lock_guard lock(mutex_);
        state_.PointCount = 0;
        ++state_.Version;
        ++state_.Epoch;
    }
    Notify();
}

void ScopeSampleStore::SetOrigin(double seconds) {
    {
        std::lock_guard lock(mutex_);
        if (!std::isfinite(seconds) || seconds == state_.Origin) return;
        state_.Origin = seconds;
        ++state_.Version;
    }
    Notify();
}

void ScopeSampleStore::SetLimit(double limit) {
    std::lock_guard lock(mutex_);
    limit_ = limit;
}

int ScopeSampleStore::Span() const {
    std::lock_guard lock(mutex_);
    return limit_ > 0 ? static_cast<int>(limit_) : 0;
}

StoreState ScopeSampleStore::State() const {
    std::lock_guard lock(mutex_);
    return state_;
}

void ScopeSampleStore::Notify() const {
    if (listener_) listener_();
}

} // namespace velt

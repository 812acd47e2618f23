#include "scope/ScopeSamples.h"

#include <algorithm>

namespace velt {

ScopeSamples::ScopeSamples() : data_(static_cast<std::size_t>(kScopeTraces) * kScopeCapacity, 0.0) {}

void ScopeSamples::Push(const TraceValues& values) {
    for (int r = 0; r < kScopeTraces; ++r)
        data_[static_cast<std::size_t>(r) * kScopeCapacity + static_cast<std::size_t>(head_)] = values[r];
    head_ = head_ + 1 == kScopeCapacity ? 0 : head_ + 1;
    ++count_;
}

void ScopeSamples::PushNewestOf(const ScopeSamples& from, int count) {
    count = std::clamp(count, 0, kScopeCapacity);
    for (int age = count - 1; age >= 0; --age)
        Push(from.AllAt(age));
}

TraceValues ScopeSamples::AllAt(int age) const {
    TraceValues v{};
    for (int r = 0; r < kScopeTraces; ++r)
        v[r] = At(r, age);
    return v;
}

} // namespace velt

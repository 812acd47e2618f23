#include "scope/ScopeSamples.h"

namespace velt {

ScopeSamples::ScopeSamples() : data_(static_cast<std::size_t>(kScopeTraces) * kScopeCapacity, 0.0) {}

void ScopeSamples::Push(const TraceValues& values) {
    for (int r = 0; r < kScopeTraces; ++r)
        data_[static_cast<std::size_t>(r) * kScopeCapacity + static_cast<std::size_t>(head_)] = values[r];
    head_ = head_ + 1 == kScopeCapacity ? 0 : head_ + 1;
}

} // namespace velt

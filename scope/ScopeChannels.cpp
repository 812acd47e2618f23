#include "scope/ScopeChannels.h"

#include "link/DriveMap.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>

namespace velt {

namespace {
int32_t Signed32(const StateBlock& regs, int low) {
    const uint32_t bits = static_cast<uint32_t>(regs[low]) | static_cast<uint32_t>(regs[low + 1]) << 16;
    return static_cast<int32_t>(bits);
}

// Toward zero into the 32-bit range; the extremes of a channel whose values
// leave that range stay at its ends instead of wrapping.
int TruncToInt32(double v) {
    return static_cast<int>(std::clamp(std::trunc(v), double{INT32_MIN}, double{INT32_MAX}));
}
} // namespace

double RawSourceValue(const StateBlock& regs, int source) {
    switch (source) {
    case 0:
        return Signed32(regs, drive::StateCmdPositionLow);
    case 1:
        return Signed32(regs, drive::StatePositionLow);
    case 2:
        return static_cast<int16_t>(regs[drive::StateCmdSpeed]);
    case 3:
        return static_cast<int16_t>(regs[drive::StateSpeed]);
    case 4:
        return static_cast<int16_t>(regs[drive::StateCmdCurrent]);
    case 5:
        return static_cast<int16_t>(regs[drive::StateCurrent]);
    default:
        return 0.0;
    }
}

std::array<std::string, kScopeChannels> ChannelColumnNames(const std::array<int, kScopeChannels>& on,
                                                           const std::array<int, kScopeChannels>& source,
                                                           bool korean) {
    std::array<std::string, kScopeChannels> names;
    for (int i = 0; i < kScopeChannels; ++i) {
        const int s = source[i];
        names[i] = s >= 0 && s < kScopeSources ? kScopeSourceNames[s].Pick(korean) : "-";
        for (int j = 0; j < kScopeChannels; ++j) {
            if (j != i && on[j] == 1 && on[i] == 1 && source[j] == s) {
                names[i] += " (Ch " + std::to_string(i + 1) + ")";
                break;
            }
        }
    }
    return names;
}

ScopeChannels::ScopeChannels() {
    min_.fill(kNoChannelMin);
    max_.fill(kNoChannelMax);
}

void ScopeChannels::Latch(const std::array<int, kScopeChannels>& on,
                          const std::array<int, kScopeChannels>& source) {
    std::lock_guard lock(lock_);
    on_ = on;
    source_ = source;
    min_.fill(kNoChannelMin);
    max_.fill(kNoChannelMax);
}

void ScopeChannels::SetOffset(int channel, double offset) {
    std::lock_guard lock(lock_);
    offset_.at(static_cast<size_t>(channel)) = offset;
}

void ScopeChannels::SetScale(int channel, double scale) {
    std::lock_guard lock(lock_);
    scale_.at(static_cast<size_t>(channel)) = scale;
}

void ScopeChannels::ResetExtremes() {
    std::lock_guard lock(lock_);
    min_.fill(kNoChannelMin);
    max_.fill(kNoChannelMax);
}

ScopeSample ScopeChannels::Take(const StateBlock& regs) {
    std::lock_guard lock(lock_);
    ScopeSample s;
    for (int i = 0; i < kScopeChannels; ++i) {
        if (on_[i] != 1) {
            min_[i] = kNoChannelMin;
            max_[i] = kNoChannelMax;
            continue;
        }
        double value = RawSourceValue(regs, source_[i]) * scale_[i] + offset_[i];
        // Finite boxes can still multiply past the double range.
        if (std::isnan(value)) value = 0.0;
        value = std::clamp(value, -DBL_MAX, DBL_MAX);
        const int whole = TruncToInt32(value);
        min_[i] = std::min(min_[i], whole);
        max_[i] = std::max(max_[i], whole);
        s.SampleEnabled[i] = 1;
        s.SampleValue[i] = value;
    }
    return s;
}

ChannelExtremes ScopeChannels::ChannelMin() const {
    std::lock_guard lock(lock_);
    return min_;
}

ChannelExtremes ScopeChannels::ChannelMax() const {
    std::lock_guard lock(lock_);
    return max_;
}

std::array<int, kScopeChannels> ScopeChannels::ChannelOn() const {
    std::lock_guard lock(lock_);
    return on_;
}

std::array<int, kScopeChannels> ScopeChannels::ChannelSource() const {
    std::lock_guard lock(lock_);
    return source_;
}

std::array<double, kScopeChannels> ScopeChannels::ChannelOffset() const {
    std::lock_guard lock(lock_);
    return offset_;
}

std::array<double, kScopeChannels> ScopeChannels::ChannelScale() const {
    std::lock_guard lock(lock_);
    return scale_;
}

} // namespace velt

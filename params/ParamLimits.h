#pragma once
// Power-on defaults and accepted ranges of the drive's parameters, from the
// table in ParamLimitsTable.cpp: the one statement of them, read by the value
// dialogs (what they take) and by the simulated drive (what it accepts).
// Immutable after construction, so it may be shared between threads without
// a lock.
#include "link/DriveMap.h"

#include <array>
#include <cstdint>
#include <optional>

namespace velt {

// An inclusive range. When maxParam >= 0 the upper bound is the current value
// of that parameter instead of `max`.
struct ParamRange {
    int32_t min = 0;
    int32_t max = 0;
    int maxParam = -1;
};

// Only parameters below the command block carry limits the drive enforces;
// the registers from the command block on have no default here (0) and take
// any value.
constexpr int kLimitedCount = drive::CommandBlockFirst;

// One parameter's power-on value and the range a write must keep to (none:
// any value).
struct ParamLimitRow {
    int number = 0;
    int16_t defaultValue = 0;
    std::optional<ParamRange> range;
};
// Parameters 0 .. kLimitedCount - 1 in number order (ParamLimitsTable.cpp).
extern const std::array<ParamLimitRow, kLimitedCount> kParamLimitTable;

class ParamLimits {
public:
    ParamLimits(); // from kParamLimitTable

    int16_t Default(int n) const { return defaults_[n]; }
    const std::optional<ParamRange>& Range(int n) const { return ranges_[n]; }

    // True when a write of `value` to parameter n is within its stated range
    // (always true where no range is stated). `regs` are the current values,
    // needed for ranges bounded by another parameter.
    bool Accepts(int n, int16_t value, const std::array<uint16_t, drive::ParamCount>& regs) const;

private:
    std::array<int16_t, drive::ParamCount> defaults_{};
    std::array<std::optional<ParamRange>, drive::ParamCount> ranges_{};
};

} // namespace velt

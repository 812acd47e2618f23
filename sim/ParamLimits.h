#pragma once
// Power-on defaults and accepted ranges of the drive's parameters, read once
// from the English help texts of the parameter catalogue (" DEFAULTS : 50 ",
// " RANGE : 1 ~ 5000 RPM", " RANGE : 0 ~ MAX SPEED 1"). Immutable after
// construction, so it may be shared between threads without a lock.
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace velt::sim {

constexpr int kHoldingCount = 144;

// An inclusive range. When maxParam >= 0 the upper bound is the current value
// of that parameter instead of `max`.
struct ParamRange {
    int32_t min = 0;
    int32_t max = 0;
    int maxParam = -1;
};

class ParamLimits {
public:
    ParamLimits(); // parses every help text of the catalogue

    // The default a help text names after "DEFAULTS :" (the leading number:
    // "255(0xFF)" gives 255); none when the text states no default.
    static std::optional<int32_t> DefaultFromHelp(std::string_view help);
    // The numeric range after "RANGE :"; an upper bound written as a parameter
    // name ("MAX SPEED 1") refers to that parameter. None when absent.
    static std::optional<ParamRange> RangeFromHelp(std::string_view help);

    int16_t Default(int n) const { return defaults_[n]; }
    const std::optional<ParamRange>& Range(int n) const { return ranges_[n]; }

    // True when a write of `value` to parameter n is within its stated range
    // (always true where no range is stated). `regs` are the current values,
    // needed for ranges bounded by another parameter.
    bool Accepts(int n, int16_t value, const std::array<uint16_t, kHoldingCount>& regs) const;

private:
    std::array<int16_t, kHoldingCount> defaults_{};
    std::array<std::optional<ParamRange>, kHoldingCount> ranges_{};
};

} // namespace velt::sim

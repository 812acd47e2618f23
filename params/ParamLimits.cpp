// The limits table read into lookups by parameter number.
#include "params/ParamLimits.h"

namespace velt {

ParamLimits::ParamLimits() {
    for (const ParamLimitRow& row : kParamLimitTable) {
        if (row.number < 0 || row.number >= kLimitedCount) continue;
        defaults_[row.number] = row.defaultValue;
        ranges_[row.number] = row.range;
    }
}

bool ParamLimits::Accepts(int n, int16_t value, const std::array<uint16_t, drive::ParamCount>& regs) const {
    if (n < 0 || n >= drive::ParamCount || !ranges_[n]) return true;
    const ParamRange& range = *ranges_[n];
    const int32_t high = range.maxParam >= 0 ? static_cast<int16_t>(regs[range.maxParam]) : range.max;
    return value >= range.min && value <= high;
}

} // namespace velt

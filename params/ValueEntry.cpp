// Value entry: checks, bit editing and the store into the working copy.
#include "params/ValueEntry.h"

#include "base/LeadingNumber.h"
#include "params/ParamLimits.h"
#include "params/ParamTexts.h"

#include <limits>

namespace velt {

namespace {

constexpr int64_t kRegisterMin = -32768;
constexpr int64_t kRegisterMax = 65535;

std::string RangeLine(int n, const EntryRange& range, bool korean) {
    const LocalText& text = range.maxParam >= 0 ? kEntryRangeUpTo : kEntryRange;
    return FillText(text.Pick(korean), {{"{n}", std::to_string(n)},
                                        {"{min}", std::to_string(range.min)},
                                        {"{max}", std::to_string(range.max)},
                                        {"{p}", std::to_string(range.maxParam)}});
}

constexpr int kDialogBits = 8;

// One table for every user: read once, never changed.
const ParamLimits& Limits() {
    static const ParamLimits limits;
    return limits;
}

// Highest bit of `bits` (bits != 0).
int HighestBit(unsigned bits) {
    int k = 0;
    while ((bits >> (k + 1)) != 0)
        ++k;
    return k;
}

} // namespace

std::optional<BitRange> BitParamRange(int n) {
    if (n < 0 || n >= drive::ParamCount || !ParamIsBits(n)) return std::nullopt;
    const std::optional<ParamRange>& range = Limits().Range(n);
    if (!range || range->maxParam >= 0) return std::nullopt;
    return BitRange{range->min, range->max};
}

unsigned AllowedBits(int32_t /*min*/, int32_t max) {
    unsigned bits = 0;
    for (int k = 0; k < kDialogBits; ++k)
        if ((int64_t{1} << k) <= max) bits |= 1u << k;
    return bits;
}

unsigned EditableBits(int n, int32_t value) {
    const std::optional<BitRange> range = BitParamRange(n);
    if (!range) return 0xFFu;
    return AllowedBits(range->min, range->max) | (static_cast<uint32_t>(value) & 0xFFu);
}

std::string BitRangeText(int n, bool korean) {
    const std::optional<BitRange> range = BitParamRange(n);
    if (!range) return {};
    const unsigned allowed = AllowedBits(range->min, range->max);
    const int high = allowed != 0 ? HighestBit(allowed) : 0;
    return FillText(kBitRange.Pick(korean), {{"{n}", std::to_string(n)},
                                             {"{min}", std::to_string(range->min)},
                                             {"{max}", std::to_string(range->max)},
                                             {"{high}", std::to_string(high)}});
}

BitEntry CheckBitEntry(int n, int32_t value, bool korean) {
    BitEntry entry;
    const std::optional<BitRange> range = BitParamRange(n);
    if (!range || (value >= range->min && value <= range->max)) {
        entry.ok = true;
        return entry;
    }
    entry.message = FillText(kEntryDoesNotFit.Pick(korean),
                             {{"{v}", std::to_string(value)}, {"{range}", BitRangeText(n, korean)}});
    return entry;
}

bool EditsPair(int n) {
    return n >= 0 && n < drive::ParamCount && ParamIsHalf32(n) && PairFirst(n) == n;
}

void StoreEditedValue(int n, int32_t v, ParamValues* values) {
    if (n < 0 || n >= drive::ParamCount) return;
    if (EditsPair(n))
        SplitPair(n, v, values->data());
    else
        (*values)[static_cast<size_t>(n)] = static_cast<int16_t>(static_cast<uint16_t>(v));
}

int32_t ApplyBits(int32_t value, unsigned lowBits) {
    const uint32_t kept = static_cast<uint32_t>(value) & ~0xFFu;
    return static_cast<int32_t>(kept | (lowBits & 0xFFu));
}

int32_t ApplyBitsFor(int n, int32_t value, unsigned lowBits) {
    // A parameter with a range holds nothing above its eight boxes: bits
    // there (a -1 read from the drive, say) could never be cleared, and OK
    // would refuse every value the boxes make.
    if (BitParamRange(n)) return static_cast<int32_t>(lowBits & 0xFFu);
    return ApplyBits(value, lowBits);
}

EntryRange DecimalEntryRange(int n, const ParamValues& working) {
    if (EditsPair(n)) return {std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()};
    const std::optional<ParamRange>& stated =
        n >= 0 && n < drive::ParamCount ? Limits().Range(n) : std::optional<ParamRange>{};
    if (!stated) return {kRegisterMin, kRegisterMax};
    if (stated->maxParam < 0) return {stated->min, stated->max};
    return {stated->min, working[static_cast<size_t>(stated->maxParam)], stated->maxParam};
}

DecimalEntry CheckDecimalEntry(std::string_view text, int n, const ParamValues& working, bool korean) {
    DecimalEntry entry;
    const EntryRange range = DecimalEntryRange(n, working);
    const std::optional<int64_t> read = ReadWholeNumber(text);
    if (!read) {
        entry.message = FillText(kEntryNotWhole.Pick(korean),
                                 {{"{v}", QuotedForMessage(text)}, {"{range}", RangeLine(n, range, korean)}});
        return entry;
    }
    const int64_t number = *read;
    if (number < range.min || number > range.max) {
        entry.message = FillText(kEntryDoesNotFit.Pick(korean), {{"{v}", std::string(TrimBlanks(text))},
                                                                 {"{range}", RangeLine(n, range, korean)}});
        return entry;
    }
    entry.ok = true;
    entry.value = static_cast<int32_t>(static_cast<uint32_t>(number)); // 65535 -> register 0xFFFF
    return entry;
}

std::string BaudRateNoticeText(bool korean) {
    return kBaudRateNotice.Pick(korean);
}

} // namespace velt

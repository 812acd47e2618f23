#pragma once
// What the two value entry dialogs do with a confirmed value, without their
// widgets: the check of a typed decimal number, the bit editing, and the
// store into the page's working copy with the word order of the 32-bit pairs.
// Plain functions, any thread.
#include "params/ParFile.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velt {

// True when a dialog for n edits a signed 32-bit pair: n is the first
// register of a pair (a position index, the RUN target, the set position).
bool EditsPair(int n);

// Puts v into the working copy: the low 16 bits into n, or for a pair the two
// words in its order (PairOrderOf). A second register of a pair is stored as a
// single register, so a pair's neighbour is never overwritten.
void StoreEditedValue(int n, int32_t v, ParamValues* values);

// Bits 0..7 of `value` set from `lowBits` (bit k = check box k); bits 8..31
// kept.
int32_t ApplyBits(int32_t value, unsigned lowBits);
// What the boxes make of parameter n's value: ApplyBits, except that a
// parameter with a range keeps no bits above the boxes.
int32_t ApplyBitsFor(int n, int32_t value, unsigned lowBits);

// ---- the bit dialog ----

// The values a bit-field parameter may hold, as its help text states them.
struct BitRange {
    int32_t min = 0;
    int32_t max = 0;
};
// The range of bit-field parameter n (isBits) from the limits table
// (ParamLimits.h); none for any other parameter.
std::optional<BitRange> BitParamRange(int n);
// Bits 0..7 (bit k = 1 << k) that a value within min..max may have set: bit
// k when 2^k <= max. None for a negative max.
unsigned AllowedBits(int32_t min, int32_t max);
// The boxes the bit dialog enables for n opened with `value`: the allowed
// bits, and a bit beyond them that `value` already has, so that the user can
// clear it. All eight for a parameter without a range.
unsigned EditableBits(int n, int32_t value);

struct BitEntry {
    bool ok = false;
    std::string message; // why not
};
// The bit dialog's value for n on OK: refused with a message when n has a
// range and the value lies outside it (a bit beyond it set, bits 8..15 of a
// value read from elsewhere).
BitEntry CheckBitEntry(int n, int32_t value, bool korean);
// "Parameter No.[41] takes 0 to 15: only BIT 0 to BIT 3 can be set." (or the
// Korean), for n with a range; empty otherwise.
std::string BitRangeText(int n, bool korean);

// ---- the decimal dialog ----

// The numbers the decimal dialog takes for n: the parameter's own range from
// the limits table (ParamLimits.h, which the drive applies too), its upper
// bound read from `working` where it is another parameter's value (maxParam);
// without a stated range, what one register holds (-32768..65535, 65535 is
// stored as -1) or, for a pair, a signed 32-bit number.
struct EntryRange {
    int64_t min = 0;
    int64_t max = 0;
    int maxParam = -1; // the parameter whose value is the upper bound, or -1
};
EntryRange DecimalEntryRange(int n, const ParamValues& working);

struct DecimalEntry {
    bool ok = false;
    int32_t value = 0;
    std::string message; // why not
};

// Reads the decimal dialog's text for parameter n: blanks around an optional
// sign and decimal digits, nothing else. Text that is not such a whole number,
// or a number outside DecimalEntryRange, is refused with a message naming
// the range.
DecimalEntry CheckDecimalEntry(std::string_view text, int n, const ParamValues& working, bool korean);

// Shown after a value for parameter 6 is confirmed.
std::string BaudRateNoticeText(bool korean);

} // namespace velt

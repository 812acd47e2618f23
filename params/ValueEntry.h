#pragma once
// What the two value entry dialogs do with a confirmed value, without their
// widgets: the check of a typed decimal number, the bit editing, and the
// store into the page's working copy with the word order of the 32-bit pairs.
// Plain functions, any thread.
#include "params/ParFile.h"

#include <cstdint>
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

// The smallest and largest number the decimal dialog takes for n: one
// register holds -32768..65535 (65535 is stored as -1), a pair a signed
// 32-bit number.
int64_t EntryMin(int n);
int64_t EntryMax(int n);

struct DecimalEntry {
    bool ok = false;
    int32_t value = 0;
    std::string message; // why not, in the language chosen at start-up
};

// Reads the decimal dialog's text for parameter n: blanks around an optional
// sign and decimal digits, nothing else. Text that is not such a whole number,
// or a number outside EntryMin..EntryMax, is refused with a message.
DecimalEntry CheckDecimalEntry(std::string_view text, int n);

// Shown after a value for parameter 6 is confirmed.
std::string BaudRateNoticeText();

} // namespace velt

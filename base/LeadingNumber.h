#pragma once
// A leading decimal number read the way the C run-time's atoi/_wtoi read one:
// leading blanks, an optional sign, then digits up to the first other
// character. No digits give 0; a number outside the 32-bit range saturates
// (where atoi would be undefined). Used for texts typed by the user and for
// the number fields of parameter files.
#include "base/TypedText.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace velt {

struct ParsedNumber {
    int32_t value = 0;
    bool digits = false;    // at least one digit was read
    bool saturated = false; // the number did not fit 32 bits
};

template <typename CharT> ParsedNumber ReadLeadingNumber(std::basic_string_view<CharT> s) {
    const auto blank = [](CharT c) { return c == CharT(' ') || (c >= CharT('\t') && c <= CharT('\r')); };
    ParsedNumber r;
    size_t i = 0;
    while (i < s.size() && blank(s[i]))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == CharT('+') || s[i] == CharT('-'))) negative = s[i++] == CharT('-');
    int64_t magnitude = 0;
    for (; i < s.size() && s[i] >= CharT('0') && s[i] <= CharT('9'); ++i) {
        r.digits = true;
        if (magnitude <= int64_t{INT32_MAX} + 1) magnitude = magnitude * 10 + (s[i] - CharT('0'));
    }
    const int64_t v = negative ? -magnitude : magnitude;
    if (v > INT32_MAX || v < INT32_MIN) {
        r.saturated = true;
        r.value = negative ? INT32_MIN : INT32_MAX;
    } else {
        r.value = static_cast<int32_t>(v);
    }
    return r;
}

// The whole text as a decimal number: blanks around it and one sign are
// allowed, anything else makes it no number at all. The magnitude saturates
// far outside 32 bits, so a caller's range check refuses a long run of
// digits instead of seeing it wrap.
inline std::optional<int64_t> ReadWholeNumber(std::string_view s) {
    s = TrimBlanks(s);
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    if (s.empty()) return std::nullopt;
    int64_t magnitude = 0;
    for (const char c : s) {
        if (c < '0' || c > '9') return std::nullopt;
        if (magnitude < (int64_t{1} << 40)) magnitude = magnitude * 10 + (c - '0');
    }
    return negative ? -magnitude : magnitude;
}

} // namespace velt

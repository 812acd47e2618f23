#pragma once
// A leading decimal number read the way the C run-time's atoi/_wtoi read one:
// leading blanks, an optional sign, then digits up to the first other
// character. No digits give 0; a number outside the 32-bit range saturates
// (where atoi would be undefined). Used for texts typed by the user and for
// the number fields of parameter files.
#include <cstdint>
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

} // namespace velt

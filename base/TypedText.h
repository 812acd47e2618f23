#pragma once
// Text the user typed, as the checks of the entry fields and their messages
// take it.
#include <cstddef>
#include <string>
#include <string_view>

namespace velt {

// Without the blanks and tabs around it.
inline std::string_view TrimBlanks(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

// The typed text in quotes for a message, cut after 40 bytes (never inside
// a UTF-8 character) with "..." so that a pasted page stays one line.
inline std::string QuotedForMessage(std::string_view text) {
    constexpr size_t kQuotedMax = 40;
    if (text.size() <= kQuotedMax) return "\"" + std::string(text) + "\"";
    size_t cut = kQuotedMax;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    return "\"" + std::string(text.substr(0, cut)) + "...\"";
}

} // namespace velt

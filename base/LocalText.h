#pragma once
// A user text in both languages. Every text the user sees is one of these,
// picked by the `bool korean` its window or command was given.
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

namespace velt {

struct LocalText {
    const char* Ko;
    const char* En;
    const char* Pick(bool korean) const { return korean ? Ko : En; }
};

// A text with its placeholders ("{device}") replaced by values; a value is
// not searched for placeholders again.
inline std::string FillText(std::string_view text,
                            std::initializer_list<std::pair<std::string_view, std::string>> values) {
    std::string out(text);
    for (const auto& [key, value] : values)
        for (size_t at = out.find(key); at != std::string::npos; at = out.find(key, at + value.size()))
            out.replace(at, key.size(), value);
    return out;
}

} // namespace velt

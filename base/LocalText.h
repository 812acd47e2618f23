#pragma once
// A user text in both languages. Every text the user sees is one of these,
// picked once by the language chosen at start-up.
#include <atomic>
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

// The language of the texts made below the windows (the reasons a file or a
// port failed): set once at start-up by the language switch, English until
// then, so tools and tests that never choose get English.
inline std::atomic<bool>& TextLanguageFlag() {
    static std::atomic<bool> korean{false};
    return korean;
}
inline void SetTextLanguageKorean(bool korean) {
    TextLanguageFlag().store(korean);
}
inline bool TextLanguageKorean() {
    return TextLanguageFlag().load();
}
inline const char* Local(const LocalText& text) {
    return text.Pick(TextLanguageKorean());
}

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

#pragma once
// Paths as texts and back, the same on every platform: UTF-8 both ways.
// path::string() would take Windows' ANSI code page (and can throw on a name
// it cannot hold), so every message, file line and setting goes through these.
#include <filesystem>
#include <string>
#include <string_view>

namespace velt {

inline std::string PathText(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

inline std::filesystem::path PathFromUtf8(std::string_view utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

} // namespace velt

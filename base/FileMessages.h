#pragma once
// The one form of every message about a file that could not be read or
// written: the title line, then the file and the reason on the next line.
#include <filesystem>
#include <string>
#include <string_view>

namespace velt {

// "<title>\r\n<path>: <reason>", the path in UTF-8.
inline std::string FileFailureText(std::string_view title, const std::filesystem::path& path,
                                   std::string_view reason) {
    const std::u8string name = path.u8string();
    std::string text(title);
    text += "\r\n";
    text.append(name.begin(), name.end());
    text += ": ";
    text += reason;
    return text;
}

} // namespace velt

#pragma once
// The one form of every message about a file that could not be read or
// written: the title line, then the file and the reason on the next line.
#include "base/PathText.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace velt {

// "<title>\r\n<path>: <reason>", the path in UTF-8. A reason that already
// begins with "<path>: " (some writers name the file themselves) is not
// given the path a second time.
inline std::string FileFailureText(std::string_view title, const std::filesystem::path& path,
                                   std::string_view reason) {
    const std::string prefix = PathText(path) + ": ";
    if (reason.substr(0, prefix.size()) == prefix) reason.remove_prefix(prefix.size());
    std::string text(title);
    text += "\r\n";
    text += prefix;
    text += reason;
    return text;
}

} // namespace velt

// Per-user settings in an INI file, for systems without a registry.
#include "platform/UserSettings.h"

#include "platform/AtomicFile.h"
#include "platform/UserFolders.h"

#include <cstdlib>
#include <sstream>
#include <system_error>
#include <vector>

namespace velt {

namespace fs = std::filesystem;

namespace {

constexpr const char* kSettingsFileName = "registry.ini";

bool IsSectionLine(const std::string& line) {
    return !line.empty() && line.front() == '[';
}

std::string Trimmed(std::string s) {
    while (!s.empty() && (s.back() == '\r' || s.back() == ' ' || s.back() == '\t'))
        s.pop_back();
    size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
        ++i;
    return s.substr(i);
}

std::vector<std::string> SettingsLines() {
    std::string text;
    std::vector<std::string> lines;
    if (!ReadWholeFile(UserSettingsFile(), &text)) return lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(Trimmed(line));
    return lines;
}

std::string SectionHeader(std::string_view key) {
    return "[" + std::string(key) + "]";
}

} // namespace

fs::path UserSettingsFile() {
    const char* overridden = std::getenv("VELT_CONFIG_DIR");
    const fs::path folder =
        overridden != nullptr && *overridden != '\0' ? fs::path(overridden) : UserConfigFolder();
    return folder / kSettingsFileName;
}

std::optional<std::string> ReadUserSetting(std::string_view key, std::string_view name) {
    const std::string header = SectionHeader(key);
    const std::string prefix = std::string(name) + "=";
    bool inSection = false;
    for (const std::string& line : SettingsLines()) {
        if (IsSectionLine(line))
            inSection = line == header;
        else if (inSection && line.rfind(prefix, 0) == 0)
            return line.substr(prefix.size());
    }
    return std::nullopt;
}

bool WriteUserSetting(std::string_view key, std::string_view name, std::string_view text) {
    if (text.find_first_of("\r\n") != std::string_view::npos) return false; // cannot be one INI line
    const std::string header = SectionHeader(key);
    const std::string prefix = std::string(name) + "=";
    const std::string entry = prefix + std::string(text);
    std::vector<std::string> lines = SettingsLines();
    bool inSection = false, sectionSeen = false, written = false;
    for (size_t i = 0; i < lines.size() && !written; ++i) {
        if (IsSectionLine(lines[i])) {
            if (inSection) { // end of our section without the value: add it here
                lines.insert(lines.begin() + static_cast<long>(i), entry);
                written = true;
            }
            inSection = lines[i] == header;
            sectionSeen = sectionSeen || inSection;
        } else if (inSection && lines[i].rfind(prefix, 0) == 0) {
            lines[i] = entry;
            written = true;
        }
    }
    if (!written && sectionSeen) lines.push_back(entry);
    if (!written && !sectionSeen) {
        lines.push_back(header);
        lines.push_back(entry);
    }
    std::string bytes;
    for (const std::string& line : lines)
        bytes += line + "\n";
    const fs::path file = UserSettingsFile();
    std::error_code ec;
    fs::create_directories(file.parent_path(), ec);
    return WriteFileAtomically(file, bytes);
}

} // namespace velt

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

// The lines without their line ends (LF or CR LF), otherwise as they are:
// sections and names are matched on the trimmed line, but a value keeps every
// character, so that a folder whose name ends in a blank reads back as it was
// written.
std::vector<std::string> Lines(std::string_view text) {
    std::vector<std::string> lines;
    std::istringstream in{std::string(text)};
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
    }
    return lines;
}

// The value when the line sets `prefix` ("name=").
std::optional<std::string> ValueIn(const std::string& line, const std::string& prefix) {
    const size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line.compare(start, prefix.size(), prefix) != 0) return std::nullopt;
    return line.substr(start + prefix.size());
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

std::optional<std::string> SettingInIniText(std::string_view text, std::string_view key,
                                            std::string_view name) {
    const std::string header = SectionHeader(key);
    const std::string prefix = std::string(name) + "=";
    bool inSection = false;
    for (const std::string& line : Lines(text)) {
        const std::string trimmed = Trimmed(line);
        if (IsSectionLine(trimmed))
            inSection = trimmed == header;
        else if (inSection)
            if (auto value = ValueIn(line, prefix)) return value;
    }
    return std::nullopt;
}

std::string IniTextWithSetting(std::string_view text, std::string_view key, std::string_view name,
                               std::string_view value) {
    const std::string header = SectionHeader(key);
    const std::string prefix = std::string(name) + "=";
    const std::string entry = prefix + std::string(value);
    std::vector<std::string> lines = Lines(text);
    bool inSection = false, sectionSeen = false, written = false;
    for (size_t i = 0; i < lines.size() && !written; ++i) {
        const std::string trimmed = Trimmed(lines[i]);
        if (IsSectionLine(trimmed)) {
            if (inSection) { // end of our section without the value: add it here
                lines.insert(lines.begin() + static_cast<long>(i), entry);
                written = true;
            }
            inSection = trimmed == header;
            sectionSeen = sectionSeen || inSection;
        } else if (inSection && ValueIn(lines[i], prefix)) {
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
    return bytes;
}

std::optional<std::string> ReadUserSetting(std::string_view key, std::string_view name) {
    std::string text;
    if (!ReadWholeFile(UserSettingsFile(), &text)) return std::nullopt;
    return SettingInIniText(text, key, name);
}

bool WriteUserSetting(std::string_view key, std::string_view name, std::string_view text) {
    if (text.find_first_of("\r\n") != std::string_view::npos) return false; // cannot be one INI line
    const fs::path file = UserSettingsFile();
    std::string old;
    ReadWholeFile(file, &old); // a missing file starts empty
    std::error_code ec;
    fs::create_directories(file.parent_path(), ec);
    return WriteFileAtomically(file, IniTextWithSetting(old, key, name, text));
}

} // namespace velt

// Parameter folders and the Directory setting.
#include "params/ParamFolders.h"

#include "params/AtomicFile.h"
#include "platform/UserFolders.h"

#include <cstdlib>
#include <sstream>
#include <unistd.h>
#include <vector>

namespace velt {

namespace fs = std::filesystem;

namespace {

constexpr const char* kFolderName = "VELT_Parameter";
constexpr const char* kSettingsFileName = "registry.ini";

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v != nullptr ? std::string(v) : std::string();
}

// Programs under these folders are installed by a package: their folder is
// not a place for user files even when the user (root) could write there.
bool IsSystemLocation(const fs::path& folder) {
    static const char* const kSystem[] = {"/usr", "/bin", "/sbin", "/opt", "/snap", "/nix"};
    const std::string s = folder.string();
    for (const char* prefix : kSystem) {
        const std::string p(prefix);
        if (s == p || s.rfind(p + "/", 0) == 0) return true;
    }
    return false;
}

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
// sections and keys are matched on the trimmed line, but a value keeps every
// character, so that a folder whose name ends in a blank reads back as it
// was written.
std::vector<std::string> SettingsLines(std::string_view text) {
    std::vector<std::string> lines;
    std::istringstream in{std::string(text)};
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
    }
    return lines;
}

// The value of `key` ("Name=") when the line sets it.
std::optional<std::string> ValueIn(const std::string& line, const std::string& key) {
    const size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line.compare(start, key.size(), key) != 0) return std::nullopt;
    return line.substr(start + key.size());
}

// The settings file's text; empty when it is missing or unreadable.
std::string SettingsText() {
    std::string text;
    ReadWholeFile(SettingsFilePath(), &text);
    return text;
}

const std::string& SectionHeader() {
    static const std::string header = std::string("[") + kSettingsKey + "]";
    return header;
}

} // namespace

fs::path ProgramFolder() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : exe.parent_path();
}

bool CreateFolderPath(const fs::path& path) {
    std::error_code ec;
    fs::create_directories(path, ec);
    return fs::is_directory(path, ec);
}

fs::path DefaultParameterFolder() {
    const std::string overridden = Env("VELT_PARAMETER_DIR");
    if (!overridden.empty()) return overridden;
    const fs::path program = ProgramFolder();
    if (!program.empty() && !IsSystemLocation(program)) {
        const fs::path beside = program / kFolderName;
        if (CreateFolderPath(beside) && ::access(beside.c_str(), W_OK | X_OK) == 0) return beside;
    }
    return UserDataFolder() / kFolderName;
}

fs::path ParameterFolder() {
    fs::path folder = DefaultParameterFolder();
    if (const auto dir = ReadDirectorySetting()) {
        std::error_code ec;
        if (!dir->empty() && fs::is_directory(*dir, ec)) folder = *dir;
    }
    CreateFolderPath(folder);
    return folder;
}

fs::path BackupFolder() {
    const fs::path folder = DefaultParameterFolder();
    CreateFolderPath(folder);
    return folder;
}

fs::path ConfigFolder() {
    const std::string overridden = Env("VELT_CONFIG_DIR");
    if (!overridden.empty()) return overridden;
    return UserConfigFolder();
}

fs::path SettingsFilePath() {
    return ConfigFolder() / kSettingsFileName;
}

std::optional<std::string> ReadDirectorySetting() {
    return DirectoryInSettingsText(SettingsText());
}

std::optional<std::string> DirectoryInSettingsText(std::string_view text) {
    const std::string key = std::string(kDirectoryValue) + "=";
    bool inSection = false;
    for (const std::string& line : SettingsLines(text)) {
        if (IsSectionLine(Trimmed(line)))
            inSection = Trimmed(line) == SectionHeader();
        else if (inSection)
            if (auto value = ValueIn(line, key)) return value;
    }
    return std::nullopt;
}

bool WriteDirectorySetting(const std::string& folder) {
    if (folder.find_first_of("\r\n") != std::string::npos) return false; // cannot be one INI line
    const std::string text = SettingsTextWithDirectory(SettingsText(), folder);
    if (!CreateFolderPath(ConfigFolder())) return false;
    return WriteFileAtomically(SettingsFilePath(), text);
}

std::string SettingsTextWithDirectory(std::string_view oldText, const std::string& folder) {
    const std::string key = std::string(kDirectoryValue) + "=";
    std::vector<std::string> lines = SettingsLines(oldText);
    bool inSection = false, sectionSeen = false, written = false;
    for (size_t i = 0; i < lines.size() && !written; ++i) {
        const std::string line = Trimmed(lines[i]);
        if (IsSectionLine(line)) {
            if (inSection) { // end of our section without the value: add it here
                lines.insert(lines.begin() + static_cast<long>(i), key + folder);
                written = true;
            }
            inSection = line == SectionHeader();
            sectionSeen = sectionSeen || inSection;
        } else if (inSection && ValueIn(lines[i], key)) {
            lines[i] = key + folder;
            written = true;
        }
    }
    if (!written && sectionSeen) lines.push_back(key + folder);
    if (!written && !sectionSeen) {
        lines.push_back(SectionHeader());
        lines.push_back(key + folder);
    }
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

bool RememberSavedFileFolder(const fs::path& file) {
    std::error_code ec;
    fs::path folder = fs::absolute(file, ec).parent_path();
    if (ec) return false;
    folder = folder.lexically_normal();
    std::string text = folder.string();
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return WriteDirectorySetting(text);
}

} // namespace velt

// Parameter folders and the Directory setting.
#include "params/ParamFolders.h"

#include "base/PathText.h"
#include "platform/AtomicFile.h"
#include "platform/ProgramEnvironment.h"
#include "platform/UserFolders.h"
#include "platform/UserSettings.h"

#include <cstdlib>

namespace velt {

namespace fs = std::filesystem;

namespace {

constexpr const char* kFolderName = "VELT_Parameter";

} // namespace

bool IsInstalledProgramFolder(const fs::path& folder) {
    static const char* const kSystem[] = {"/usr", "/bin", "/sbin", "/opt", "/snap", "/nix"};
    const std::string s = PathText(folder);
    for (const char* prefix : kSystem) {
        const std::string p(prefix);
        if (s == p || s.rfind(p + "/", 0) == 0) return true;
    }
    return folder.filename() == "bin";
}

bool CreateFolderPath(const fs::path& path) {
    std::error_code ec;
    fs::create_directories(path, ec);
    return fs::is_directory(path, ec);
}

fs::path DefaultParameterFolder() {
    if (const char* overridden = std::getenv("VELT_PARAMETER_DIR");
        overridden != nullptr && *overridden != '\0')
        return overridden;
    const fs::path program = ProgramFolder();
    if (!program.empty() && !IsInstalledProgramFolder(program)) {
        const fs::path beside = program / kFolderName;
        if (CreateFolderPath(beside) && FolderAcceptsNewFiles(beside)) return beside;
    }
    return UserDataFolder() / kFolderName;
}

fs::path ParameterFolder() {
    fs::path folder = DefaultParameterFolder();
    if (const auto dir = ReadDirectorySetting()) {
        std::error_code ec;
        const fs::path named = PathFromUtf8(*dir);
        if (!dir->empty() && fs::is_directory(named, ec)) folder = named;
    }
    CreateFolderPath(folder);
    return folder;
}

fs::path BackupFolder() {
    const fs::path folder = DefaultParameterFolder();
    CreateFolderPath(folder);
    return folder;
}

std::optional<std::string> ReadDirectorySetting() {
    return ReadUserSetting(kSettingsKey, kDirectoryValue);
}

bool WriteDirectorySetting(const std::string& folder) {
    return WriteUserSetting(kSettingsKey, kDirectoryValue, folder);
}

bool RememberSavedFileFolder(const fs::path& file) {
    std::error_code ec;
    fs::path folder = fs::absolute(file, ec).parent_path();
    if (ec) return false;
    folder = folder.lexically_normal();
    if (folder.has_relative_path() && !folder.has_filename()) folder = folder.parent_path();
    return WriteDirectorySetting(PathText(folder));
}

} // namespace velt

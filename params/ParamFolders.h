#pragma once
// Where parameter files and backups live, and the one persisted setting: the
// folder of the last saved parameter file ("Directory" under the key
// "Software\ZERurive\VELT": the registry on Windows, a small settings file
// elsewhere; see platform/UserSettings.h).
#include <filesystem>
#include <optional>
#include <string>

namespace velt {

constexpr const char* kSettingsKey = "Software\\ZERurive\\VELT";
constexpr const char* kDirectoryValue = "Directory";

// True for the folder of an installed program, which is no place for user
// files even when the user (root) could write there: a system folder (/usr,
// /opt, ...) or any folder named bin, the programs' folder of an install
// prefix (~/.local/bin, an unpacked package's usr/bin).
bool IsInstalledProgramFolder(const std::filesystem::path& folder);

// The default folder: $VELT_PARAMETER_DIR when set; else VELT_Parameter
// beside the program, when the program is not installed (see above) and that
// folder can be created and written; else VELT_Parameter in the
// user's data folder ($XDG_DATA_HOME or ~/.local/share, then velt-host;
// %LOCALAPPDATA%\velt-host on Windows).
std::filesystem::path DefaultParameterFolder();

// Creates every missing folder along the path. Failures are ignored; true
// when the folder exists afterwards.
bool CreateFolderPath(const std::filesystem::path& path);

// Where the file dialogs start: the Directory setting when it names an
// existing folder, else the default folder. Created on demand.
std::filesystem::path ParameterFolder();
// Where backups go: always the default folder, created on demand.
std::filesystem::path BackupFolder();

// The Directory setting (UTF-8); nothing when the store, the key or the
// value is missing or unreadable.
std::optional<std::string> ReadDirectorySetting();
// Stores the Directory setting (other keys and values kept). False on
// failure, which callers treat as silent.
bool WriteDirectorySetting(const std::string& folder);
// Sets Directory to the absolute folder of a file just saved, without a
// trailing separator (a root folder keeps its own).
bool RememberSavedFileFolder(const std::filesystem::path& file);

} // namespace velt

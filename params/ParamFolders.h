#pragma once
// Where parameter files and backups live, and the one persisted setting: the
// folder of the last saved parameter file ("Directory" under the key
// "Software\ZERurive\VELT", kept in a small settings file in place of the
// Windows registry).
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace velt {

constexpr const char* kSettingsKey = "Software\\ZERurive\\VELT";
constexpr const char* kDirectoryValue = "Directory";

// The folder of the running program (from /proc/self/exe); empty if unknown.
std::filesystem::path ProgramFolder();

// The default folder: $VELT_PARAMETER_DIR when set; else VELT_Parameter
// beside the program, when the program is not installed in a system folder
// and that folder can be created and written; else VELT_Parameter in the
// user's data folder ($XDG_DATA_HOME or ~/.local/share, then velt-host).
std::filesystem::path DefaultParameterFolder();

// Creates every missing folder along the path. Failures are ignored; true
// when the folder exists afterwards.
bool CreateFolderPath(const std::filesystem::path& path);

// Where the file dialogs start: the Directory setting when it names an
// existing folder, else the default folder. Created on demand.
std::filesystem::path ParameterFolder();
// Where backups go: always the default folder, created on demand.
std::filesystem::path BackupFolder();

// $VELT_CONFIG_DIR when set, else $XDG_CONFIG_HOME/velt-host, else
// ~/.config/velt-host.
std::filesystem::path ConfigFolder();
// ConfigFolder()/registry.ini, an INI file with the key as section name.
std::filesystem::path SettingsFilePath();

// The Directory setting; nothing when the file, the key or the value is
// missing or unreadable.
std::optional<std::string> ReadDirectorySetting();
// Stores the Directory setting (file replaced atomically, other sections and
// keys kept). False on failure, which callers treat as silent.
bool WriteDirectorySetting(const std::string& folder);
// The same on the text of a settings file: the value of Directory in the
// key's section, and the text with Directory set to `folder` (a folder
// without line ends; other sections and keys kept).
std::optional<std::string> DirectoryInSettingsText(std::string_view text);
std::string SettingsTextWithDirectory(std::string_view text, const std::string& folder);
// Sets Directory to the absolute folder of a file just saved.
bool RememberSavedFileFolder(const std::filesystem::path& file);

} // namespace velt

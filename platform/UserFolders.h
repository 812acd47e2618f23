#pragma once
// The per-user folders of the program, and private folders for one run.
// Only MakePrivateTempFolder creates a folder. CMake picks the backend:
// user_folders_posix.cpp or user_folders_win32.cpp.
#include <filesystem>
#include <string>

namespace velt {

// $HOME, else the home folder of the user database, else the temporary folder
// (the profile folder on Windows).
std::filesystem::path HomeFolder();

// The program's own folder among the user's settings:
// $XDG_CONFIG_HOME/velt-host, by default ~/.config/velt-host
// (%APPDATA%\velt-host on Windows).
std::filesystem::path UserConfigFolder();

// The program's own folder among the user's data:
// $XDG_DATA_HOME/velt-host, by default ~/.local/share/velt-host
// (%LOCALAPPDATA%\velt-host on Windows).
std::filesystem::path UserDataFolder();

// Creates a new folder in the temporary folder, named `prefix` and a random
// ending, that only the user can enter. Empty, with the reason in *error,
// when none can be made.
std::filesystem::path MakePrivateTempFolder(const std::string& prefix, std::string* error);

} // namespace velt

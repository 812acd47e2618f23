#pragma once
// The per-user folders of the program. Nothing here creates a folder. CMake
// picks the backend: user_folders_posix.cpp or user_folders_win32.cpp.
#include <filesystem>

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

} // namespace velt

#pragma once
// The program's per-user settings: text values under a key such as
// "Software\ZERurive\VELT". CMake picks the store:
// - user_settings_registry.cpp (Windows): the registry of the current user,
//   64-bit view, string values (REG_SZ);
// - user_settings_ini.cpp (elsewhere): an INI file, UserSettingsFile(), with
//   the key as section name and one "name=text" line per value.
// Texts are UTF-8. Callers on one thread at a time (the user-interface thread).
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace velt {

// Room for a value read from the registry, in UTF-16 units with the
// terminating NUL; a longer value reads as missing.
constexpr size_t kRegistryValueMaxChars = 260;

// The value's text; nothing when the key or the value is missing, is not
// text, does not fit kRegistryValueMaxChars (registry) or cannot be read.
std::optional<std::string> ReadUserSetting(std::string_view key, std::string_view name);

// Stores the value (creating the key when missing; other keys and values are
// kept). False on failure, and for text that cannot be stored: a line break
// in the INI file, a NUL in the registry.
bool WriteUserSetting(std::string_view key, std::string_view name, std::string_view text);

// The INI store's reading and writing on the file's text: the value of
// `name` in the section of `key` (names matched without surrounding blanks,
// the value kept to the last character), and the text with that value set
// (other sections, names and lines kept as they were; the section added at
// the end when missing). The value must not hold a line end.
std::optional<std::string> SettingInIniText(std::string_view text, std::string_view key,
                                            std::string_view name);
std::string IniTextWithSetting(std::string_view text, std::string_view key, std::string_view name,
                               std::string_view value);

// Where the INI store keeps the settings: $VELT_CONFIG_DIR/registry.ini when
// set, else UserConfigFolder()/registry.ini. Empty where the registry holds
// them (Windows).
std::filesystem::path UserSettingsFile();

} // namespace velt

#pragma once
// The file actions of the parameter page without their dialogs: load and save
// with the user's messages ("File Load Error", "File Save Error", through
// ShowMessage), and the backup. User-interface thread.
#include "params/Backup.h"
#include "params/ParFile.h"

#include <ctime>
#include <filesystem>
#include <functional>
#include <string>

namespace velt {

constexpr const char* kFileLoadError = "File Load Error";
constexpr const char* kFileSaveError = "File Save Error";

using WallClock = std::function<std::time_t()>;

// Reads `path` into *values. On a file that is missing, unreadable, no
// regular file, too large or damaged (ReadParFile) shows "File Load Error"
// with the file and the reason on the next line, leaves *values as they were
// and returns false.
bool LoadParameterFileFrom(const std::filesystem::path& path, ParamValues* values, bool korean,
                           ParReadResult* result = nullptr);

// "File Load Error\r\n<path>: <reason>".
std::string LoadErrorText(const std::filesystem::path& path, const std::string& reason);

// Writes `values` to `path` (atomically, names in the language) and sets the
// Directory setting to its folder. On failure shows "File Save Error" with the reason, which
// names the file, on the next line; the file that was at `path`
// stays as it was and Directory is not changed.
// `driveId`: the drive the values belong to (0: none), named in the file.
bool SaveParameterFileTo(const std::filesystem::path& path, const ParamValues& values, bool korean,
                         uint8_t driveId = 0);

// Writes a backup of `values` into BackupFolder(), named for clock() (the
// current time when clock is empty). Shows nothing: on failure the result
// carries the reason, and the save sequence asks whether to go on without.
// `driveId` as for WriteBackupFile.
BackupResult WriteBackupNow(const ParamValues& values, bool korean, const WallClock& clock = {},
                            uint8_t driveId = 0, bool idInName = false);

} // namespace velt

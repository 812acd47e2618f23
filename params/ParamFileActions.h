#pragma once
// The file actions of the parameter page without their dialogs: load and save
// with the user's messages ("File Load Error", "File Save Error", through
// ShowMessage), and the backup. User-interface thread.
#include "params/Backup.h"
#include "params/ParFile.h"

#include <ctime>
#include <filesystem>
#include <functional>

namespace velt {

constexpr const char* kFileLoadError = "File Load Error";
constexpr const char* kFileSaveError = "File Save Error";

using WallClock = std::function<std::time_t()>;

// Reads `path` into *values. On an unreadable or missing file shows "File
// Load Error", leaves *values as they were and returns false.
bool LoadParameterFileFrom(const std::filesystem::path& path, ParamValues* values,
                           ParReadResult* result = nullptr);

// Writes `values` to `path` (atomically) and sets the Directory setting to
// its folder. On failure shows "File Save Error"; the file that was at `path`
// stays as it was and Directory is not changed.
bool SaveParameterFileTo(const std::filesystem::path& path, const ParamValues& values);

// Writes a backup of `values` into BackupFolder(), named for clock() (the
// current time when clock is empty). Shows nothing: on failure the result
// carries the reason, and the save sequence asks whether to go on without.
BackupResult WriteBackupNow(const ParamValues& values, const WallClock& clock = {});

} // namespace velt

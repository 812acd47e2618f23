#pragma once
// Automatic backups of the drive's parameters, written before every store.
#include "params/ParFile.h"

#include <ctime>
#include <filesystem>
#include <string>

namespace velt {

// "BackUp_%04d%02d%02d_%02d%02d%02d.par" from the local time of `when`
// (hour, minute and second -1 and the date 0 when the time cannot be
// converted); copy 2, 3, ... adds "_2", "_3", ... before ".par".
std::string BackupFileName(std::time_t when, int copy = 1);

struct BackupResult {
    bool ok = false;
    std::filesystem::path path; // the file written
    std::string error;          // why not, when !ok
};

// Writes `values` as a new backup file in `folder` (created if missing),
// named for `when`. A backup of the same second already there is never
// replaced: the new one takes the next free copy number instead.
BackupResult WriteBackupFile(const ParamValues& values, const std::filesystem::path& folder,
                             std::time_t when);

} // namespace velt

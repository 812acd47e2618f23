#pragma once
// Automatic backups of the drive's parameters, written before every store.
#include "params/ParFile.h"

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

namespace velt {

// "BackUp_%04d%02d%02d_%02d%02d%02d.par" from the local time of `when`
// (hour, minute and second -1 and the date 0 when the time cannot be
// converted); a backup of one drive of several ("Back up all drives") adds
// "_id<N>" after the time; copy 2, 3, ... adds "_2", "_3", ... before ".par".
std::string BackupFileName(std::time_t when, int copy = 1, uint8_t idInName = 0);

struct BackupResult {
    bool ok = false;
    std::filesystem::path path; // the file written
    std::string error;          // why not, when !ok
};

// Writes `values` as a new backup file in `folder` (created if missing),
// named for `when`, with the names of the language. A backup of the same
// second already there is never replaced: the new one takes the next free
// copy number instead. `driveId` (0: not known) is named in the file's first
// comment line; `idInName` also puts it in the file name.
BackupResult WriteBackupFile(const ParamValues& values, const std::filesystem::path& folder, std::time_t when,
                             bool korean, uint8_t driveId = 0, bool idInName = false);

// The local time a backup was taken and its copy number, read from its file
// name. The program never changes or deletes a backup; these only read.
struct BackupStamp {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    int copy = 1;
    int driveId = 0; // the "_id<N>" of the name; 0 without
    bool operator==(const BackupStamp&) const = default;
};

// Reads a name made by BackupFileName (extension in any case). False for any
// other name, and for a name whose date or time is out of range.
bool ParseBackupFileName(const std::string& name, BackupStamp* stamp);

struct BackupEntry {
    std::filesystem::path path;
    std::string name; // the file name (UTF-8)
    BackupStamp stamp;
    uintmax_t size = 0; // bytes
};

// The backups in `folder`, newest first (by the time in the name, then the
// copy number). Files of other names, and folders, are left out; a folder
// that cannot be read gives none.
std::vector<BackupEntry> ListBackups(const std::filesystem::path& folder);

// "2024-01-31 14:25:07", with " (2)" for a second copy of the same second and
// " ID 2" for the backup of drive 2 of several.
std::string BackupTimeText(const BackupStamp& stamp);

} // namespace velt

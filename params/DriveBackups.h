#pragma once
// "Back up all drives": one backup per drive of the line, each read by its
// ID without a change of drive and named with it ("BackUp_..._id2.par"). A
// drive that cannot be read is named and the others are still written.
// Any thread but the per-user settings' (the caller finds the folder first).
#include "link/CDriveLink.h"
#include "params/Backup.h"

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

namespace velt {

struct DriveBackup {
    uint8_t Id = 0;
    RtuResult Read = RTU_OK; // the read of the drive's parameters
    BackupResult Written;    // when the read went well
    bool Ok() const { return Read == RTU_OK && Written.ok; }
};

// In the order of `ids`; the link must be connected.
std::vector<DriveBackup> BackUpDrives(CDriveLink& link, const std::vector<uint8_t>& ids,
                                      const std::filesystem::path& folder, std::time_t when, bool korean);

// The user's account: the files written, then each drive that failed with
// the reason.
std::string DriveBackupsText(const std::vector<DriveBackup>& backups, bool korean);

} // namespace velt

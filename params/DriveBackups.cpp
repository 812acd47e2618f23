#include "params/DriveBackups.h"

#include "base/PathText.h"
#include "link/RtuResult.h"
#include "params/CompareTexts.h"

namespace velt {

std::vector<DriveBackup> BackUpDrives(CDriveLink& link, const std::vector<uint8_t>& ids,
                                      const std::filesystem::path& folder, std::time_t when, bool korean) {
    std::vector<DriveBackup> backups;
    for (const uint8_t id : ids) {
        DriveBackup backup;
        backup.Id = id;
        ParamBlock regs{};
        backup.Read = link.ReadParamsOf(id, &regs);
        if (backup.Read == RTU_OK)
            backup.Written = WriteBackupFile(ValuesFromRegisters(regs), folder, when, korean, id, true);
        backups.push_back(std::move(backup));
    }
    return backups;
}

std::string DriveBackupsText(const std::vector<DriveBackup>& backups, bool korean) {
    std::string text;
    for (const DriveBackup& b : backups) {
        const std::string id = std::to_string(b.Id);
        std::string line;
        if (b.Ok())
            line =
                FillText(kDriveBackedUp.Pick(korean), {{"{id}", id}, {"{file}", PathText(b.Written.path)}});
        else if (b.Read != RTU_OK)
            line = FillText(kDriveNotBackedUp.Pick(korean),
                            {{"{id}", id}, {"{why}", DescribeRtuResult(b.Read)}});
        else
            line = FillText(kDriveNotBackedUp.Pick(korean), {{"{id}", id}, {"{why}", b.Written.error}});
        text += (text.empty() ? "" : "\r\n") + line;
    }
    return text;
}

} // namespace velt

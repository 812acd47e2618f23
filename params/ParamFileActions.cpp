// Load, save and backup with the user's messages.
#include "params/ParamFileActions.h"

#include "base/FileMessages.h"
#include "base/MessageService.h"
#include "params/ParamFolders.h"

namespace velt {

std::string LoadErrorText(const std::filesystem::path& path, const std::string& reason) {
    return FileFailureText(kFileLoadError, path, reason);
}

bool LoadParameterFileFrom(const std::filesystem::path& path, ParamValues* values, bool korean,
                           ParReadResult* result) {
    ParReadResult parsed;
    if (!ReadParFile(path, values, korean, &parsed)) {
        ShowMessage(LoadErrorText(path, parsed.error));
        if (result != nullptr) *result = std::move(parsed);
        return false;
    }
    if (result != nullptr) *result = std::move(parsed);
    return true;
}

bool SaveParameterFileTo(const std::filesystem::path& path, const ParamValues& values, bool korean,
                         uint8_t driveId) {
    std::string error;
    if (!WriteParFile(path, values, korean, &error, driveId)) {
        ShowMessage(std::string(kFileSaveError) + "\r\n" + error); // the reason names the file
        return false;
    }
    RememberSavedFileFolder(path); // a failure here is silent
    return true;
}

BackupResult WriteBackupNow(const ParamValues& values, bool korean, const WallClock& clock, uint8_t driveId,
                            bool idInName) {
    const std::time_t now = clock ? clock() : std::time(nullptr);
    return WriteBackupFile(values, BackupFolder(), now, korean, driveId, idInName);
}

} // namespace velt

// Load, save and backup with the user's messages.
#include "params/ParamFileActions.h"

#include "params/ParamFolders.h"
#include "platform/MessageService.h"

namespace velt {

bool LoadParameterFileFrom(const std::filesystem::path& path, ParamValues* values, ParReadResult* result) {
    if (!ReadParFile(path, values, result)) {
        ShowMessage(kFileLoadError);
        return false;
    }
    return true;
}

bool SaveParameterFileTo(const std::filesystem::path& path, const ParamValues& values) {
    if (!WriteParFile(path, values)) {
        ShowMessage(kFileSaveError);
        return false;
    }
    RememberSavedFileFolder(path); // a failure here is silent
    return true;
}

BackupResult WriteBackupNow(const ParamValues& values, const WallClock& clock) {
    const std::time_t now = clock ? clock() : std::time(nullptr);
    return WriteBackupFile(values, BackupFolder(), now);
}

} // namespace velt

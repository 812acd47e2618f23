// Time-stamped backup files.
#include "params/Backup.h"

#include "params/ParamFolders.h"
#include "platform/AtomicFile.h"
#include "platform/ProgramEnvironment.h"

#include <cstdio>

namespace velt {

namespace {
// More copies within one second than anyone can produce by hand; the bound
// only keeps a broken folder from looping for ever.
constexpr int kMaxCopies = 1000;
} // namespace

std::string BackupFileName(std::time_t when, int copy) {
    std::tm t{};
    int year = 0, month = 0, day = 0, hour = -1, minute = -1, second = -1;
    if (LocalTime(when, &t)) {
        year = t.tm_year + 1900;
        month = t.tm_mon + 1;
        day = t.tm_mday;
        hour = t.tm_hour;
        minute = t.tm_min;
        second = t.tm_sec;
    }
    char name[96];
    std::snprintf(name, sizeof name, "BackUp_%04d%02d%02d_%02d%02d%02d", year, month, day, hour, minute,
                  second);
    std::string result = name;
    if (copy > 1) result += "_" + std::to_string(copy);
    return result + ".par";
}

BackupResult WriteBackupFile(const ParamValues& values, const std::filesystem::path& folder,
                             std::time_t when) {
    BackupResult result;
    std::string bytes;
    if (!FormatParFile(values, &bytes)) {
        result.error = "a parameter name cannot be written in code page 949";
        return result;
    }
    CreateFolderPath(folder);
    for (int copy = 1; copy <= kMaxCopies; ++copy) {
        const std::filesystem::path path = folder / BackupFileName(when, copy);
        bool existed = false;
        if (CreateFileAtomically(path, bytes, &existed, &result.error)) {
            result.ok = true;
            result.path = path;
            result.error.clear();
            return result;
        }
        if (!existed) return result;
    }
    result.error = "too many backups within one second in " + folder.string();
    return result;
}

} // namespace velt

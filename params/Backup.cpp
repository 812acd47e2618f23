// Time-stamped backup files.
#include "params/Backup.h"

#include "base/LocalText.h"
#include "params/ParamFolders.h"
#include "params/ParamTexts.h"
#include "platform/AtomicFile.h"
#include "platform/FileChecks.h"
#include "platform/ProgramEnvironment.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <string_view>
#include <system_error>

namespace velt {

namespace {
// More copies within one second than anyone can produce by hand; the bound
// only keeps a broken folder from looping for ever.
constexpr int kMaxCopies = 1000;
} // namespace

std::string BackupFileName(std::time_t when, int copy, uint8_t idInName) {
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
    if (idInName != 0) result += "_id" + std::to_string(idInName);
    if (copy > 1) result += "_" + std::to_string(copy);
    return result + ".par";
}

BackupResult WriteBackupFile(const ParamValues& values, const std::filesystem::path& folder, std::time_t when,
                             bool korean, uint8_t driveId, bool idInName) {
    BackupResult result;
    std::string bytes;
    if (!FormatParFile(values, &bytes, korean, driveId)) {
        result.error = kParNoCp949.Pick(korean);
        return result;
    }
    CreateFolderPath(folder);
    for (int copy = 1; copy <= kMaxCopies; ++copy) {
        const std::filesystem::path path = folder / BackupFileName(when, copy, idInName ? driveId : 0);
        bool existed = false;
        if (CreateFileAtomically(path, bytes, &existed, {&result.error, korean})) {
            result.ok = true;
            result.path = path;
            result.error.clear();
            return result;
        }
        // Only a name already taken is worth the next copy number; any other
        // failure (a full disk, no right to the folder) fails every name.
        if (!existed) return result;
    }
    result.error = FillText(kBackupTooMany.Pick(korean), {{"{folder}", PathText(folder)}});
    return result;
}

namespace {

constexpr std::string_view kBackupPrefix = "BackUp_";

// Reads `count` decimal digits at text[*pos]; false when there are fewer.
bool Digits(const std::string& text, size_t* pos, size_t count, int* value) {
    if (*pos + count > text.size()) return false;
    int v = 0;
    for (size_t i = 0; i < count; ++i) {
        const char c = text[*pos + i];
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    *pos += count;
    *value = v;
    return true;
}

bool EndsWithParExtension(const std::string& name) {
    if (name.size() < 4) return false;
    std::string ext = name.substr(name.size() - 4);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext == ".par";
}

bool InRange(const BackupStamp& s) {
    return s.month >= 1 && s.month <= 12 && s.day >= 1 && s.day <= 31 && s.hour <= 23 && s.minute <= 59 &&
           s.second <= 60 && s.copy >= 1;
}

bool Newer(const BackupEntry& a, const BackupEntry& b) {
    const BackupStamp& x = a.stamp;
    const BackupStamp& y = b.stamp;
    const auto key = [](const BackupStamp& s) {
        return std::array<int, 8>{s.year, s.month, s.day, s.hour, s.minute, s.second, s.driveId, s.copy};
    };
    if (key(x) != key(y)) return key(x) > key(y);
    return a.name > b.name;
}

} // namespace

bool ParseBackupFileName(const std::string& name, BackupStamp* stamp) {
    if (name.compare(0, kBackupPrefix.size(), kBackupPrefix) != 0 || !EndsWithParExtension(name))
        return false;
    const std::string body = name.substr(0, name.size() - 4);
    BackupStamp s;
    size_t pos = kBackupPrefix.size();
    if (!Digits(body, &pos, 4, &s.year) || !Digits(body, &pos, 2, &s.month) || !Digits(body, &pos, 2, &s.day))
        return false;
    if (pos >= body.size() || body[pos++] != '_') return false;
    if (!Digits(body, &pos, 2, &s.hour) || !Digits(body, &pos, 2, &s.minute) ||
        !Digits(body, &pos, 2, &s.second))
        return false;
    if (body.compare(pos, 3, "_id") == 0) {
        pos += 3;
        size_t digits = 0;
        while (pos + digits < body.size() && digits < 3 && body[pos + digits] >= '0' &&
               body[pos + digits] <= '9')
            ++digits;
        if (digits == 0 || !Digits(body, &pos, digits, &s.driveId) || s.driveId < 1 || s.driveId > 255)
            return false;
    }
    if (pos < body.size()) {
        if (body[pos++] != '_') return false;
        const size_t digits = body.size() - pos;
        if (digits == 0 || digits > 6 || !Digits(body, &pos, digits, &s.copy)) return false;
    }
    if (!InRange(s)) return false;
    *stamp = s;
    return true;
}

std::vector<BackupEntry> ListBackups(const std::filesystem::path& folder) {
    std::vector<BackupEntry> backups;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code fileEc;
        if (!it->is_regular_file(fileEc)) continue;
        const std::u8string u8 = it->path().filename().u8string();
        BackupEntry entry;
        entry.name.assign(u8.begin(), u8.end());
        if (!ParseBackupFileName(entry.name, &entry.stamp)) continue;
        entry.path = it->path();
        entry.size = it->file_size(fileEc);
        if (fileEc) entry.size = 0;
        backups.push_back(std::move(entry));
    }
    std::sort(backups.begin(), backups.end(), Newer);
    return backups;
}

std::string BackupTimeText(const BackupStamp& s) {
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", s.year, s.month, s.day, s.hour,
                  s.minute, s.second);
    std::string result = text;
    if (s.copy > 1) result += " (" + std::to_string(s.copy) + ")";
    if (s.driveId != 0) result += " ID " + std::to_string(s.driveId);
    return result;
}

} // namespace velt

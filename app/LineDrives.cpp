#include "LineDrives.h"

#include "LineDrivesTexts.h"
#include "link/ScanPlan.h"
#include "params/ParamFolders.h"
#include "platform/UserSettings.h"

#include <algorithm>
#include <optional>

namespace velt {

namespace {
// One value per port: this prefix and the port's name.
constexpr const char* kListSettingPrefix = "LineDrives ";
// Below the registry's value room (kRegistryValueMaxChars UTF-16 units with
// the NUL); a UTF-8 byte never stands for less than one unit.
constexpr size_t kMaxListBytes = kRegistryValueMaxChars - 1;

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// Cut to `bytes` without splitting a UTF-8 sequence.
std::string CutUtf8(std::string text, size_t bytes) {
    if (text.size() <= bytes) return text;
    size_t end = bytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    text.resize(end);
    return text;
}

std::optional<uint8_t> IdOf(const std::string& text) {
    if (text.empty() || text.size() > 3) return std::nullopt;
    int id = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        id = id * 10 + (c - '0');
    }
    if (id < kFirstDriveId || id > kLastDriveId) return std::nullopt;
    return static_cast<uint8_t>(id);
}

std::vector<LineDrive>::iterator Find(std::vector<LineDrive>& list, uint8_t id) {
    return std::find_if(list.begin(), list.end(), [id](const LineDrive& d) { return d.Id == id; });
}

void Insert(std::vector<LineDrive>& list, LineDrive drive) {
    const auto at =
        std::find_if(list.begin(), list.end(), [&](const LineDrive& d) { return d.Id > drive.Id; });
    list.insert(at, std::move(drive));
}
} // namespace

LineDrives::LineDrives(bool remember) : remember_(remember) {}

std::string LineDrives::CleanName(const std::string& name) {
    std::string clean;
    for (const char c : name)
        clean += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
    return CutUtf8(Trimmed(clean), kMaxNameBytes);
}

std::string LineDrives::ListText(const std::vector<LineDrive>& drives) {
    std::string text;
    for (const LineDrive& d : drives) {
        if (!text.empty()) text += '\t';
        text += std::to_string(d.Id);
        if (!d.Name.empty()) text += ' ' + d.Name;
    }
    return text;
}

std::vector<LineDrive> LineDrives::ParseListText(const std::string& text) {
    std::vector<LineDrive> drives;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t tab = std::min(text.find('\t', start), text.size());
        const std::string entry = text.substr(start, tab - start);
        start = tab + 1;
        const size_t blank = entry.find(' ');
        const std::optional<uint8_t> id = IdOf(entry.substr(0, blank));
        if (!id || Find(drives, *id) != drives.end()) continue;
        Insert(drives,
               {*id, blank == std::string::npos ? std::string() : CleanName(entry.substr(blank + 1))});
    }
    return drives;
}

std::vector<LineDrive>& LineDrives::ListOf(const std::string& port) const {
    const auto found = lists_.find(port);
    if (found != lists_.end()) return found->second;
    std::vector<LineDrive> list;
    if (remember_) {
        if (const std::optional<std::string> text = ReadUserSetting(kSettingsKey, kListSettingPrefix + port))
            list = ParseListText(*text);
    }
    return lists_.emplace(port, std::move(list)).first->second;
}

bool LineDrives::Keep(const std::string& port) const {
    if (!remember_) return true;
    const std::string text = ListText(ListOf(port));
    if (text.size() > kMaxListBytes) return false;
    return WriteUserSetting(kSettingsKey, kListSettingPrefix + port, text);
}

std::vector<LineDrive> LineDrives::Of(const std::string& port) const {
    return ListOf(port);
}

std::string LineDrives::NameOf(const std::string& port, uint8_t id) const {
    std::vector<LineDrive>& list = ListOf(port);
    const auto found = Find(list, id);
    return found == list.end() ? std::string() : found->Name;
}

bool LineDrives::Merge(const std::string& port, const std::vector<uint8_t>& ids) {
    std::vector<LineDrive>& list = ListOf(port);
    for (const uint8_t id : ids)
        if (id >= kFirstDriveId && id <= kLastDriveId && Find(list, id) == list.end()) Insert(list, {id, {}});
    return Keep(port);
}

bool LineDrives::SetName(const std::string& port, uint8_t id, const std::string& name) {
    if (id < kFirstDriveId || id > kLastDriveId) return true;
    std::vector<LineDrive>& list = ListOf(port);
    const auto found = Find(list, id);
    if (found == list.end())
        Insert(list, {id, CleanName(name)});
    else
        found->Name = CleanName(name);
    return Keep(port);
}

bool LineDrives::Remove(const std::string& port, uint8_t id) {
    std::vector<LineDrive>& list = ListOf(port);
    const auto found = Find(list, id);
    if (found == list.end()) return true;
    list.erase(found);
    return Keep(port);
}

std::string LineDriveEntryText(const LineDrive& drive) {
    return drive.Name.empty() ? std::to_string(drive.Id) : std::to_string(drive.Id) + "  " + drive.Name;
}

std::string DriveCaption(uint8_t id, const std::string& name, bool korean) {
    return Trimmed(FillText(kDriveCaption.Pick(korean), {{"{id}", std::to_string(id)}, {"{name}", name}}));
}

} // namespace velt

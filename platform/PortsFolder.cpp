#include "PortsFolder.h"

#include "platform/UserFolders.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <system_error>

namespace velt {
namespace fs = std::filesystem;

namespace {
constexpr size_t kMaxEntryBytes = 4096;

std::mutex ownFolderLock;
fs::path& OwnFolder() {
    static fs::path folder;
    return folder;
}
} // namespace

void UsePortsFolder(const fs::path& folder) {
    const std::lock_guard<std::mutex> lock(ownFolderLock);
    OwnFolder() = folder;
}

fs::path PortsFolder() {
    {
        const std::lock_guard<std::mutex> lock(ownFolderLock);
        if (!OwnFolder().empty()) return OwnFolder();
    }
    if (const char* dir = std::getenv("VELT_PORTS_DIR"); dir && *dir) return fs::path(dir);
    return UserConfigFolder() / "ports";
}

int ComNumberOf(const std::string& name) {
    std::string s = name;
    if (s.rfind("\\\\.\\", 0) == 0) s = s.substr(4);
    if (s.size() < 4 || s.compare(0, 3, "COM") != 0) return 0;
    int n = 0;
    for (size_t i = 3; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9') return 0;
        n = n * 10 + (s[i] - '0');
        if (n > 100000) return 0;
    }
    return n;
}

std::string DeviceNamedBy(std::string_view entryText) {
    std::string_view line = entryText.substr(0, entryText.find('\n'));
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
        line.remove_suffix(1);
    const size_t b = line.find_first_not_of(" \t");
    return b == std::string_view::npos ? std::string() : std::string(line.substr(b));
}

std::string ResolvePortName(const std::string& name) {
    const int n = ComNumberOf(name);
    if (n <= 0) return name;
    const fs::path entry = PortsFolder() / ("COM" + std::to_string(n));
    std::error_code ec;
    const auto st = fs::symlink_status(entry, ec);
    if (!ec && fs::is_symlink(st)) {
        fs::path target = fs::read_symlink(entry, ec);
        if (!ec) {
            if (target.is_relative()) target = entry.parent_path() / target;
            return target.string();
        }
    } else if (!ec && fs::is_regular_file(st)) {
        // A device path is shorter than PATH_MAX; the rest of a larger file
        // is not read.
        std::ifstream in(entry, std::ios::binary);
        std::string text(kMaxEntryBytes, '\0');
        in.read(text.data(), static_cast<std::streamsize>(text.size()));
        text.resize(static_cast<size_t>(std::max<std::streamsize>(in.gcount(), 0)));
        const std::string device = DeviceNamedBy(text);
        if (!device.empty()) return device;
    }
    return "/dev/ttyS" + std::to_string(n - 1);
}

std::vector<PortsFolderEntry> PortsFolderEntries() {
    std::vector<PortsFolderEntry> entries;
    std::error_code ec;
    for (fs::directory_iterator it(PortsFolder(), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const int n = ComNumberOf(name);
        if (n <= 0 || name != "COM" + std::to_string(n)) continue;
        entries.push_back({n, ResolvePortName(name)});
    }
    std::sort(entries.begin(), entries.end(),
              [](const PortsFolderEntry& a, const PortsFolderEntry& b) { return a.Number < b.Number; });
    return entries;
}

} // namespace velt

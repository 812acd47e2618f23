#include "PortsFolder.h"

#include "platform/UserFolders.h"

#include <cstdlib>
#include <fstream>
#include <system_error>

namespace velt {
namespace fs = std::filesystem;

fs::path PortsFolder() {
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
        std::ifstream in(entry);
        std::string line;
        if (std::getline(in, line)) {
            while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
                line.pop_back();
            size_t b = line.find_first_not_of(" \t");
            if (b != std::string::npos) return line.substr(b);
        }
    }
    return "/dev/ttyS" + std::to_string(n - 1);
}

} // namespace velt

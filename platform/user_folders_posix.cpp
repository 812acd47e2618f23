// The per-user folders on Linux and other POSIX systems (XDG base folders).
#include "platform/UserFolders.h"

#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <string>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace velt {

namespace fs = std::filesystem;

namespace {

constexpr const char* kAppFolderName = "velt-host";

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v != nullptr ? std::string(v) : std::string();
}

fs::path TempFolder() {
    std::error_code ec;
    const fs::path tmp = fs::temp_directory_path(ec);
    return ec ? fs::path(".") : tmp;
}

// The folder named by an environment variable, else `fallback` below the home folder.
fs::path BaseFolder(const char* variable, const fs::path& fallback) {
    const std::string set = Env(variable);
    return set.empty() ? HomeFolder() / fallback : fs::path(set);
}

} // namespace

fs::path HomeFolder() {
    const std::string home = Env("HOME");
    if (!home.empty()) return home;
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
        found->pw_dir != nullptr)
        return found->pw_dir;
    return TempFolder();
}

fs::path UserConfigFolder() {
    return BaseFolder("XDG_CONFIG_HOME", ".config") / kAppFolderName;
}

fs::path UserDataFolder() {
    return BaseFolder("XDG_DATA_HOME", fs::path(".local") / "share") / kAppFolderName;
}

fs::path MakePrivateTempFolder(const std::string& prefix, std::string* error) {
    // mkdtemp makes the folder with mode 0700 under a name nobody could guess.
    std::string pattern = (TempFolder() / (prefix + "XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        if (error != nullptr)
            *error = "cannot create a folder in " + TempFolder().string() + ": " +
                     std::generic_category().message(errno);
        return {};
    }
    return pattern;
}

} // namespace velt

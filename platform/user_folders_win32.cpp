// The per-user folders on Windows, from the shell's known folders.
#include "platform/UserFolders.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <knownfolders.h>
#include <random>
#include <shlobj.h>
#include <string>
#include <system_error>

namespace velt {

namespace fs = std::filesystem;

namespace {

constexpr const wchar_t* kAppFolderName = L"velt-host";

// A known folder of the current user; empty when the shell has none.
fs::path KnownFolder(REFKNOWNFOLDERID id) {
    PWSTR path = nullptr;
    fs::path result;
    if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &path)) && path != nullptr)
        result = path;
    CoTaskMemFree(path);
    return result;
}

fs::path TempFolder() {
    std::error_code ec;
    const fs::path tmp = fs::temp_directory_path(ec);
    return ec ? fs::path(".") : tmp;
}

fs::path KnownFolderOrTemp(REFKNOWNFOLDERID id) {
    fs::path folder = KnownFolder(id);
    return folder.empty() ? TempFolder() : folder;
}

} // namespace

fs::path HomeFolder() {
    return KnownFolderOrTemp(FOLDERID_Profile);
}

fs::path UserConfigFolder() {
    return KnownFolderOrTemp(FOLDERID_RoamingAppData) / kAppFolderName;
}

fs::path UserDataFolder() {
    return KnownFolderOrTemp(FOLDERID_LocalAppData) / kAppFolderName;
}

fs::path MakePrivateTempFolder(const std::string& prefix, std::string* error) {
    // The user's temporary folder lies in the profile; a folder made there
    // inherits its access list, which admits only the user and the system.
    std::random_device seed;
    std::mt19937_64 random(static_cast<uint64_t>(seed()) << 32 ^ seed() ^ GetTickCount64());
    const fs::path temp = TempFolder();
    DWORD lastError = ERROR_ALREADY_EXISTS;
    for (int attempt = 0; attempt < 100 && lastError == ERROR_ALREADY_EXISTS; ++attempt) {
        char suffix[17];
        std::snprintf(suffix, sizeof suffix, "%016llx", static_cast<unsigned long long>(random()));
        const fs::path folder = temp / (prefix + suffix);
        if (CreateDirectoryW(folder.c_str(), nullptr)) return folder;
        lastError = GetLastError();
    }
    if (error != nullptr)
        *error = "cannot create a folder in " + temp.string() + ": " +
                 std::system_category().message(static_cast<int>(lastError));
    return {};
}

} // namespace velt

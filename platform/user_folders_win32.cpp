// The per-user folders on Windows, from the shell's known folders.
#include "platform/UserFolders.h"

#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>
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

} // namespace velt

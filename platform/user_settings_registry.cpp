// Per-user settings in the registry of the current user (HKEY_CURRENT_USER,
// 64-bit view), as string values.
#include "platform/UserSettings.h"

#include <windows.h>

#include <vector>

namespace velt {

namespace {

std::wstring Wide(std::string_view utf8) {
    if (utf8.empty()) return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
    return wide;
}

std::string Utf8(std::wstring_view wide) {
    if (wide.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string utf8(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), n, nullptr,
                            nullptr);
    return utf8;
}

// Closes the key on every way out.
class Key {
public:
    ~Key() {
        if (handle_ != nullptr) RegCloseKey(handle_);
    }
    HKEY* Out() { return &handle_; }
    HKEY Get() const { return handle_; }

private:
    HKEY handle_ = nullptr;
};

} // namespace

std::filesystem::path UserSettingsFile() {
    return {};
}

std::optional<std::string> ReadUserSetting(std::string_view key, std::string_view name) {
    Key k;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, Wide(key).c_str(), 0, KEY_READ | KEY_WOW64_64KEY, k.Out()) !=
        ERROR_SUCCESS)
        return std::nullopt;
    std::vector<wchar_t> text(kRegistryValueMaxChars, L'\0');
    DWORD type = 0;
    DWORD bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (RegQueryValueExW(k.Get(), Wide(name).c_str(), nullptr, &type, reinterpret_cast<BYTE*>(text.data()),
                         &bytes) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::nullopt;
    // The stored text may or may not carry its NUL; stop at the first one.
    std::wstring_view value(text.data(), bytes / sizeof(wchar_t));
    value = value.substr(0, value.find(L'\0'));
    return Utf8(value);
}

bool WriteUserSetting(std::string_view key, std::string_view name, std::string_view text) {
    if (text.find('\0') != std::string_view::npos) return false;
    Key k;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, Wide(key).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_WRITE | KEY_WOW64_64KEY, nullptr, k.Out(), nullptr) != ERROR_SUCCESS)
        return false;
    const std::wstring value = Wide(text);
    // The size counts the terminating NUL, which is stored with the text.
    const DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(k.Get(), Wide(name).c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(value.c_str()), bytes) == ERROR_SUCCESS;
}

} // namespace velt

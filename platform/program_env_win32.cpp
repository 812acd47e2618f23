// The program's environment on Windows.
#include "platform/ProgramEnvironment.h"

#include <windows.h>

#include <io.h>
#include <string>

namespace velt {

namespace fs = std::filesystem;

namespace {
// Longest path GetModuleFileNameW is asked for (the long-path limit).
constexpr DWORD kMaxPath = 32768;
constexpr int kPrimaryLanguageMask = 0x3FF;
} // namespace

fs::path ProgramFolder() {
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (n == 0) return {};
        if (n < name.size()) {
            name.resize(n);
            return fs::path(name).parent_path();
        }
        if (name.size() >= kMaxPath) return {};
        name.resize(name.size() * 2);
    }
}

bool IsTerminal(std::FILE* stream) {
    return _isatty(_fileno(stream)) != 0;
}

void UseUtf8Console() {
    SetConsoleOutputCP(CP_UTF8);
}

bool LocalTime(std::time_t when, std::tm* out) {
    return localtime_s(out, &when) == 0;
}

std::optional<int> SystemPrimaryLanguageId() {
    return GetSystemDefaultLangID() & kPrimaryLanguageMask;
}

} // namespace velt

// The program's environment on Windows.
#include "platform/ProgramEnvironment.h"

#include <windows.h>

#include <cstdlib>
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

namespace {
// The console's code page before UseUtf8Console; 0 when unchanged.
UINT g_consoleCodePage = 0;

void RestoreConsoleCodePage() {
    SetConsoleOutputCP(g_consoleCodePage);
}
} // namespace

void UseUtf8Console() {
    // The code page belongs to the console window, which outlives us: put
    // the user's back when the program ends.
    const UINT before = GetConsoleOutputCP();
    if (before == 0 || before == CP_UTF8 || g_consoleCodePage != 0) return;
    if (SetConsoleOutputCP(CP_UTF8)) {
        g_consoleCodePage = before;
        std::atexit(RestoreConsoleCodePage);
    }
}

bool LocalTime(std::time_t when, std::tm* out) {
    return localtime_s(out, &when) == 0;
}

std::optional<int> SystemPrimaryLanguageId() {
    return GetSystemDefaultLangID() & kPrimaryLanguageMask;
}

} // namespace velt

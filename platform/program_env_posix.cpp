// The program's environment on Linux and other POSIX systems.
#include "platform/ProgramEnvironment.h"

#include <unistd.h>

namespace velt {

namespace fs = std::filesystem;

fs::path ProgramFolder() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : exe.parent_path();
}

bool IsTerminal(std::FILE* stream) {
    return ::isatty(::fileno(stream)) != 0;
}

void UseUtf8Console() {}

bool LocalTime(std::time_t when, std::tm* out) {
    return ::localtime_r(&when, out) != nullptr;
}

std::optional<int> SystemPrimaryLanguageId() {
    return std::nullopt;
}

} // namespace velt

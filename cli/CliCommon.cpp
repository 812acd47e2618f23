#include "cli/CliCommon.h"

#include "link/CModbusPort.h"
#include "platform/PortsFolder.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace velt::cli {

namespace {
std::vector<CliCommand>& Registry() {
    static std::vector<CliCommand> commands;
    return commands;
}

void PrintTrace(void*, bool tx, const uint8_t* bytes, size_t count) {
    std::string line = tx ? "TX:" : "RX:";
    char hex[4];
    for (size_t i = 0; i < count; ++i) {
        std::snprintf(hex, sizeof hex, " %02X", bytes[i]);
        line += hex;
    }
    std::fprintf(stderr, "%s\n", line.c_str());
}
} // namespace

CliRegistrar::CliRegistrar(const CliCommand& command) { Registry().push_back(command); }

const std::vector<CliCommand>& Commands() { return Registry(); }

bool OpenPortFromOptions(CModbusPort& port, const CliOptions& options) {
    const int n = ComNumberOf(options.port);
    if (n > 0 && n <= 255) return port.OpenPort(static_cast<uint8_t>(n), options.baud) == 1;
    return port.OpenDevice(options.port, options.baud) == 1;
}

void InstallTrace(CModbusPort& port, const CliOptions& options) {
    if (options.trace) port.SetTrace(&PrintTrace, nullptr);
}

long ParseIntArg(const std::string& text, long min, long max, const char* what) {
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 0);
    if (text.empty() || end == text.c_str() || *end != '\0' || errno == ERANGE || v < min || v > max)
        throw UsageError{std::string("invalid ") + what + " '" + text + "' (expected " + std::to_string(min) +
                         " to " + std::to_string(max) + ")"};
    return v;
}

int ReportFailure(uint8_t result) {
    std::fprintf(stderr, "%s\n", DescribeRtuResult(result).c_str());
    return result;
}

} // namespace velt::cli

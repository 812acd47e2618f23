#include "cli/CliCommon.h"

#include "link/CDriveLink.h"
#include "link/CModbusPort.h"
#include "link/LinkTexts.h"
#include "link/PortOpenText.h"
#include "params/Language.h"
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

CliRegistrar::CliRegistrar(const CliCommand& command) {
    Registry().push_back(command);
}

const std::vector<CliCommand>& Commands() {
    return Registry();
}

bool OpenPortFromOptions(CModbusPort& port, const CliOptions& options) {
    const int n = ComNumberOf(options.port);
    if (n > 0 && n <= 255) return port.OpenPort(static_cast<uint8_t>(n), options.baud) == 1;
    return port.OpenDevice(options.port, options.baud) == 1;
}

void PrintPortOpenFail(const CModbusPort& port) {
    PrintMessage(PortOpenFailMessage(port.LastOpenError(), IsKoreanLanguage()));
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

void PrintMessage(const std::string& text) {
    std::string s;
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] != '\r' || i + 1 >= text.size() || text[i + 1] != '\n') s += text[i];
    std::fprintf(stderr, "%s\n", s.c_str());
}

bool ConnectLink(CDriveLink& link, const CliOptions& options) {
    link.StartThread();
    InstallTrace(*link.Port, options);
    link.DriveId.store(options.id);
    // The reason is taken under the link's lock, before StopThread deletes the port.
    SerialOpenError error;
    const auto open = [&](CModbusPort& port) {
        const bool opened = OpenPortFromOptions(port, options);
        if (!opened) error = port.LastOpenError();
        return opened ? 1 : 0;
    };
    if (link.OpenAndConnect(open) == 1) return true;
    link.StopThread();
    PrintMessage(PortOpenFailMessage(error, IsKoreanLanguage()));
    return false;
}

bool ConnectAndReadParams(CDriveLink& link, const CliOptions& options, int* exitCode) {
    if (!ConnectLink(link, options)) {
        *exitCode = kExitPortOpenFail;
        return false;
    }
    const uint8_t read = link.ReadAllParams();
    if (read == RTU_OK) return true;
    link.Disconnect();
    link.StopThread();
    PrintMessage(kAllParamReadFail.Pick(IsKoreanLanguage()));
    *exitCode = ReportFailure(read);
    return false;
}

} // namespace velt::cli

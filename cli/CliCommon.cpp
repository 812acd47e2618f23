#include "cli/CliCommon.h"

#include "link/CDriveLink.h"
#include "link/CModbusPort.h"
#include "link/ConnectionSupervisor.h"
#include "link/LinkTexts.h"
#include "link/PortOpenText.h"
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

PortAddress AddressOf(const CliOptions& options) {
    const int n = ComNumberOf(options.port);
    return {n > 0 && n <= 255 ? ComDeviceName(n) : options.port, options.baud};
}

bool OpenPortFromOptions(CModbusPort& port, const CliOptions& options) {
    const PortAddress address = AddressOf(options);
    return port.OpenDevice(address.Device, address.Baud);
}

void PrintPortOpenFail(const CModbusPort& port, bool korean) {
    PrintMessage(PortOpenFailMessage(port.LastOpenError(), korean));
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

int ExitCodeOf(RtuResult result) {
    if (result.IsException() && result.ExceptionCode() >= 10) return kExitHighException;
    return result.Code();
}

int ReportFailure(RtuResult result) {
    std::fprintf(stderr, "%s\n", DescribeRtuResult(result).c_str());
    return ExitCodeOf(result);
}

int ReportFailure(RtuResult result, const CModbusPort& port, bool korean) {
    const int code = ReportFailure(result);
    const std::string reason = LineFaultReason(port.LastLineFault(), korean);
    if (!reason.empty()) PrintMessage(reason);
    return code;
}

void PrintMessage(const std::string& text) {
    std::string s;
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] != '\r' || i + 1 >= text.size() || text[i + 1] != '\n') s += text[i];
    std::fprintf(stderr, "%s\n", s.c_str());
}

bool ConnectLink(CDriveLink& link, const CliOptions& options) {
    if (options.trace) link.SetTrace(&PrintTrace, nullptr);
    link.StartThread();
    link.SetDriveId(options.id);
    const SerialOpenError error = link.Connect(AddressOf(options));
    if (error.kind == OpenFailure::None) return true;
    link.StopThread();
    PrintMessage(PortOpenFailMessage(error, options.korean));
    return false;
}

bool ConnectAndReadParams(CDriveLink& link, const CliOptions& options, int* exitCode,
                          ConnectionSupervisor* supervisor) {
    RtuResult read;
    if (supervisor != nullptr) {
        if (options.trace) link.SetTrace(&PrintTrace, nullptr);
        link.StartThread();
        const ConnectionSupervisor::ConnectOutcome outcome =
            supervisor->Connect(AddressOf(options), options.id);
        if (outcome.What == ConnectionSupervisor::ConnectOutcome::Kind::PortOpenFailed) {
            link.StopThread();
            PrintMessage(PortOpenFailMessage(outcome.OpenError, options.korean));
            *exitCode = kExitPortOpenFail;
            return false;
        }
        read = outcome.Read;
    } else {
        if (!ConnectLink(link, options)) {
            *exitCode = kExitPortOpenFail;
            return false;
        }
        read = link.ReadAllParams();
    }
    if (read == RTU_OK) return true;
    link.Disconnect();
    link.StopThread();
    PrintMessage(kAllParamReadFail.Pick(options.korean));
    *exitCode = ReportFailure(read);
    return false;
}

} // namespace velt::cli

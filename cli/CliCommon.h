#pragma once
// velt-cli: a command-line Modbus RTU master for scripting and diagnosis.
// Each command lives in its own file and registers itself with a static
// CliRegistrar; main.cpp parses the global options and dispatches.
#include <cstdint>
#include <string>
#include <vector>

#include "link/RtuResult.h"

namespace velt {
class CDriveLink;
class CModbusPort;
class ConnectionSupervisor;
struct PortAddress;
} // namespace velt

namespace velt::cli {

// Exit statuses, as --help lists them. A failed request exits with its
// result's code: 1..9 the drive's exception, 10..16 our own failures. An
// exception of 10 and above (gateways answer 10 and 11) would read as one of
// ours, so it has a status of its own, and the message names it.
constexpr int kExitUsage = 64;            // bad arguments (sysexits EX_USAGE)
constexpr int kExitPortOpenFail = 15;     // RTU_ERR_NOT_OPEN: "Port Open Fail"
constexpr int kExitHighException = 17;    // a drive or gateway exception 10..255
constexpr int kExitStoppedAnswering = 18; // monitor: the drive stopped answering

// The exit status of a failed request (see above).
int ExitCodeOf(RtuResult result);

struct CliOptions {
    std::string port = "COM3"; // COMn or a device path
    bool portGiven = false;    // --port was on the command line (scan searches every port without it)
    uint32_t baud = 9600;
    uint8_t id = 1;
    // --id with a list ("1,2,5", "1-3"): every drive, in that order (id is
    // the first). One entry otherwise.
    std::vector<uint8_t> ids{1};
    bool trace = false;
    bool korean = false; // the language of messages: --lang, else the system's
};

// Thrown by commands for bad arguments; main prints the message and the
// usage and exits 64. Nothing else may escape a command.
struct UsageError {
    std::string message;
};

using CommandFn = int (*)(const CliOptions& options, const std::vector<std::string>& args);

struct CliCommand {
    const char* name;
    const char* usage; // one or more lines, "name ARGS  description"
    CommandFn run;
};

// Registers a command at static-initialisation time.
struct CliRegistrar {
    explicit CliRegistrar(const CliCommand& command);
};
const std::vector<CliCommand>& Commands();

// Where the options' port is: "COMn" (or "\\.\COMn") by the COM name the
// platform resolves, any other text as a device path.
PortAddress AddressOf(const CliOptions& options);
// Opens `port` at AddressOf(options). False when the port cannot be opened.
bool OpenPortFromOptions(CModbusPort& port, const CliOptions& options);

// Prints "Port Open Fail" and the reason the port gave (on stderr).
void PrintPortOpenFail(const CModbusPort& port, bool korean);

// Installs the --trace printer ("TX: 01 04 ..." / "RX: ..." on stderr).
void InstallTrace(CModbusPort& port, const CliOptions& options);

// Integer argument parsing that throws UsageError with a clear message.
long ParseIntArg(const std::string& text, long min, long max, const char* what);

// Prints a failed result ("RTU_ERR_NO_REPLY (11)" / "drive exception 2") to
// stderr and returns the exit code (the result's one-byte code).
int ReportFailure(RtuResult result);
// Same, and on a network line the reason the port gave (a dropped
// connection, a reply to no request of ours, ...).
int ReportFailure(RtuResult result, const CModbusPort& port, bool korean);

// Prints a user message on stderr, its "\r\n" line breaks as plain ones.
void PrintMessage(const std::string& text);

// Connects as the connection bar does: starts the link's thread, opens the
// port of the options and marks the link connected. When the port cannot be
// opened, stops the link again, prints "Port Open Fail" and returns false.
bool ConnectLink(CDriveLink& link, const CliOptions& options);

// ConnectLink, then the first read of all parameters, through the connection
// supervisor when one is given (velt-cli monitor, whose watchdog it then is).
// On failure the link is disconnected and stopped, the message printed and
// the exit code returned in *exitCode.
bool ConnectAndReadParams(CDriveLink& link, const CliOptions& options, int* exitCode,
                          ConnectionSupervisor* supervisor = nullptr);

} // namespace velt::cli

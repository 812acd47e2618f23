// velt-cli scan: searches ports for drives over rates and IDs with one
// harmless read each (the version registers), never a write.
#include "cli/CliCommon.h"

#include "link/DriveScan.h"
#include "link/LinkTexts.h"
#include "link/PortOpenText.h"
#include "link/ScanReport.h"
#include "link/ScanTexts.h"
#include "platform/ProgramEnvironment.h"
#include "platform/SerialPorts.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <string>

using namespace velt;
using namespace velt::cli;
using namespace std::chrono_literals;

namespace {

constexpr auto kWatchStep = 50ms; // how often the wait looks at Ctrl-C and the progress
constexpr auto kEndWait = 5000ms; // after a cancel: far more than one probe
constexpr int kExitNoDrive = 1;

std::atomic<bool> g_stop{false};

extern "C" void OnStopSignal(int) {
    g_stop.store(true);
}

// Ctrl-C and SIGTERM cancel the scan, so that the line is put back as it was
// before the program ends.
class StopSignals {
public:
    StopSignals() {
        g_stop.store(false);
        int_ = std::signal(SIGINT, OnStopSignal);
        term_ = std::signal(SIGTERM, OnStopSignal);
    }
    ~StopSignals() {
        std::signal(SIGINT, int_);
        std::signal(SIGTERM, term_);
    }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

private:
    void (*int_)(int) = SIG_DFL;
    void (*term_)(int) = SIG_DFL;
};

struct ScanArgs {
    std::vector<std::string> ports;
    ScanOrder order;
    bool first = false; // end at the first drive found
};

ScanArgs ParseScanArgs(const CliOptions& options, const std::vector<std::string>& args) {
    ScanArgs a;
    std::string port = options.portGiven ? options.port : std::string();
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--port" && hasValue) {
            port = args[++i];
        } else if (arg == "--bauds" && hasValue) {
            if (!ParseBaudList(args[++i], &a.order.Bauds))
                throw UsageError{"--bauds takes rates separated by commas, such as 9600,115200"};
        } else if (arg == "--ids" && hasValue) {
            if (!ParseIdRange(args[++i], &a.order.FirstId, &a.order.LastId))
                throw UsageError{"--ids takes a range of drive IDs within 1-247, such as 1-32"};
        } else if (arg == "--first") {
            a.first = true;
        } else {
            throw UsageError{"scan: unknown or incomplete argument " + arg};
        }
    }
    a.order.CurrentBaud = options.baud;
    a.order.CurrentId = options.id;
    a.order.LastUsedId = options.id;
    if (!port.empty()) {
        a.ports.push_back(port);
    } else {
        for (const SerialPortInfo& info : ListSerialPortsAndFolder())
            a.ports.push_back(info.Name);
    }
    return a;
}

// PORT <tab> BAUD <tab> ID <tab> H/W <tab> S/W, printed as each drive is found.
void PrintFound(const FoundDrive& drive, bool korean) {
    std::printf("%s\t%u\t%u\t%s\t%s\n", drive.Port.c_str(), drive.Baud, static_cast<unsigned>(drive.Id),
                FoundVersionText(drive, drive.HwVersion, korean).c_str(),
                FoundVersionText(drive, drive.SwVersion, korean).c_str());
    std::fflush(stdout);
}

// Waits for the scan to end, showing its progress on a terminal and
// cancelling it on Ctrl-C, SIGTERM or (with --first) the first drive found.
void WatchScan(DriveScan& scan, bool first, bool korean) {
    const bool terminal = IsTerminal(stderr);
    while (!scan.Wait(kWatchStep)) {
        const ScanStatus status = scan.Status();
        if (g_stop.load() || (first && status.Found > 0)) scan.Cancel();
        if (terminal) {
            std::fprintf(stderr, "\r%s  %zu/%zu   ", ScanProgressText(status, korean).c_str(), status.Done,
                         status.Total);
            std::fflush(stderr);
        }
    }
    if (terminal) std::fprintf(stderr, "\r%78s\r", "");
}

int RunScan(const CliOptions& options, const std::vector<std::string>& args) {
    const ScanArgs a = ParseScanArgs(options, args);
    const bool korean = options.korean;
    if (a.ports.empty()) {
        PrintMessage(kScanNoPorts.Pick(korean));
        return kExitPortOpenFail;
    }
    std::mutex printLock;
    DriveScan scan;
    scan.OnFound = [&](const FoundDrive& drive) {
        std::lock_guard guard(printLock);
        PrintFound(drive, korean);
    };
    StopSignals signals;
    scan.Start(a.ports, a.order);
    WatchScan(scan, a.first, korean);
    scan.Wait(kEndWait);

    const ScanStatus status = scan.Status();
    std::lock_guard guard(printLock);
    // A single port that would not open fails as every command does.
    if (a.ports.size() == 1 && !status.PortErrors.empty() && status.PortErrors.front().AtOpen) {
        PrintMessage(PortOpenFailMessage(status.PortErrors.front().Error, korean));
        return kExitPortOpenFail;
    }
    for (const PortScanError& error : status.PortErrors)
        PrintMessage(ScanPortErrorText(error, korean));
    PrintMessage(ScanOutcomeText(status, korean));
    if (status.Found > 0) return 0;
    return kExitNoDrive;
}

const CliRegistrar kScan{
    {"scan",
     "  scan [--port P] [--bauds LIST] [--ids A-B] [--first]\n"
     "                              search for drives: the --baud/--id settings first, then\n"
     "                              ID 1 at every rate, then every ID at each rate, fastest\n"
     "                              first; one read of the versions each, never a write.\n"
     "                              Without --port every port of `ports`. Prints PORT BAUD ID\n"
     "                              H/W S/W for each drive found; exit 1 when none is found",
     &RunScan}};

} // namespace

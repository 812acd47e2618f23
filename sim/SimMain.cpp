// velt-drive-sim: a simulated VELT drive on a pseudo-terminal, published in
// the ports folder as COMn. Serves until SIGINT or SIGTERM; reads fault and
// input commands from stdin, one per line.
#include "ControlLine.h"
#include "NetworkFront.h"
#include "SimDrive.h"
#include "VeltVersion.h"
#include "base/IdList.h"
#include "link/DriveMap.h"
#include "platform/PortsFolder.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/signalfd.h>
#include <unistd.h>
#include <utility>

namespace {

constexpr int kExitUsage = 64;

constexpr const char* kUsageLine =
    "usage: velt-drive-sim [--port COMn] [--id N | --ids LIST] [--baud B] [--wire-timing] [--state FILE]\n"
    "                      [--write-log FILE] [--tcp PORT | --rtu-tcp PORT]\n";

// A gateway in front of the drive (--tcp, --rtu-tcp): its kind and port.
struct FrontOptions {
    std::optional<velt::sim::FrontKind> kind;
    uint16_t port = 0;
};

void PrintHelp() {
    namespace map = velt::drive;
    std::printf("%s"
                "\n"
                "A simulated VELT servo drive: a Modbus RTU slave on a pseudo-terminal, published as\n"
                "COMn (default COM3) in %s\n"
                "(set VELT_PORTS_DIR to use another folder). Prints \"ready COMn DEVICE\" when serving,\n"
                "and serves until SIGINT or SIGTERM.\n"
                "\n"
                "  --port COMn     name to publish (default COM3)\n"
                "  --id N          own slave address, 1..247 (default 1)\n"
                "  --ids LIST      a line of several drives, each answering its own address\n"
                "                  with its own parameters, state and motion: 1,2,5 or 1-3\n"
                "  --baud B        the drive's own rate (default 9600): only requests sent at it\n"
                "                  are answered, as a real drive does; also the --wire-timing rate\n"
                "  --wire-timing   answer only after the line time of request and reply\n"
                "  --state FILE    parameter memory: loaded at start, written by the store command %d\n"
                "  --write-log FILE\n"
                "                  append every write the drive carries out to FILE, one line\n"
                "                  \"<steady-clock ns> <function> <address> <value>\"\n"
                "  --tcp PORT      serve as a Modbus TCP gateway on 127.0.0.1:PORT (0: any free\n"
                "                  port) instead of publishing COMn; prints \"ready tcp://...\"\n"
                "  --rtu-tcp PORT  the same, carrying RTU frames raw over TCP (rtu-tcp://...)\n"
                "  --help          this text\n"
                "  --version       the program's version\n"
                "\n"
                "Registers: holding 0-%d (parameters; %d command, %d-%d arguments,\n"
                "%d/%d versions), input 0-%d (state block), coils 0-%d (0-%d writable),\n"
                "discrete inputs 0-%d. Functions %d to %d.\n"
                "\n"
                "Commands on stdin, one per line (an unknown line is reported on stderr):\n%s"
                "%s"
                "  echo TEXT            print TEXT once every line before it is in force\n",
                kUsageLine, velt::PortsFolder().string().c_str(), map::Code(map::Command::Store),
                map::ParamCount - 1, map::CommandRegister, map::PositionLowRegister, map::CommandBlockLast,
                map::HardwareVersionRegister, map::SoftwareVersionRegister, map::StateCount - 1,
                map::BitCount - 1, map::WritableCoils - 1, map::BitCount - 1, map::FunctionReadCoils,
                map::FunctionWriteSingleRegister, velt::sim::ControlLine::Help(),
                velt::sim::NetworkFront::Help());
}

bool ParseNumber(const char* text, long min, long max, long* out) {
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (!*text || *end || v < min || v > max) return false;
    *out = v;
    return true;
}

// Fills options from argv; returns -1 to go on, else the exit code.
int ParseArgs(int argc, char** argv, velt::sim::SimOptions* options, FrontOptions* front) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        long v = 0;
        if (arg == "--help" || arg == "-h") {
            PrintHelp();
            return 0;
        } else if (arg == "--version") {
            velt::PrintVersion("velt-drive-sim");
            return 0;
        } else if (arg == "--wire-timing") {
            options->wireTiming = true;
        } else if (arg == "--port" && hasValue && (v = velt::ComNumberOf(argv[i + 1])) > 0) {
            options->comNumber = static_cast<int>(v);
            ++i;
        } else if (arg == "--id" && hasValue && ParseNumber(argv[i + 1], 1, 247, &v)) {
            options->id = static_cast<uint8_t>(v);
            ++i;
        } else if (arg == "--ids" && hasValue && velt::ParseIdList(argv[i + 1], 1, 247)) {
            options->ids = *velt::ParseIdList(argv[i + 1], 1, 247);
            ++i;
        } else if (arg == "--baud" && hasValue && ParseNumber(argv[i + 1], 300, 4000000, &v)) {
            options->baud = static_cast<uint32_t>(v);
            ++i;
        } else if ((arg == "--tcp" || arg == "--rtu-tcp") && hasValue &&
                   ParseNumber(argv[i + 1], 0, 65535, &v)) {
            front->kind = arg == "--tcp" ? velt::sim::FrontKind::ModbusTcp : velt::sim::FrontKind::RtuOverTcp;
            front->port = static_cast<uint16_t>(v);
            options->publish = false;
            ++i;
        } else if (arg == "--state" && hasValue) {
            options->stateFile = argv[++i];
        } else if (arg == "--write-log" && hasValue) {
            options->writeLog = argv[++i];
        } else {
            const bool takesValue = arg == "--port" || arg == "--id" || arg == "--ids" || arg == "--baud" ||
                                    arg == "--state" || arg == "--write-log" || arg == "--tcp" ||
                                    arg == "--rtu-tcp";
            const std::string shown = takesValue && hasValue ? arg + " " + argv[i + 1] : arg;
            std::fprintf(stderr, "velt-drive-sim: bad argument: %s\n", shown.c_str());
            std::fprintf(stderr, "%s(--help tells more)\n", kUsageLine);
            return kExitUsage;
        }
    }
    return -1;
}

void ApplyLines(velt::sim::SimDrive& drive, velt::sim::NetworkFront* front,
                const std::vector<std::string>& lines, velt::sim::ControlInput& input) {
    for (const std::string& line : lines) {
        // Lines take effect in order, so a script that waits for its echo
        // knows that every fault it typed before is in force.
        if (line == "echo" || line.rfind("echo ", 0) == 0) {
            std::printf("%s\n", line.size() > 5 ? line.c_str() + 5 : "");
            std::fflush(stdout);
            continue;
        }
        if (front && front->ApplyControlLine(line)) continue;
        std::string error;
        if (!drive.ApplyControlLine(line, &error))
            std::fprintf(stderr, "velt-drive-sim: %s\n", error.c_str());
    }
    for (int n = input.TakeRefused(); n > 0; --n)
        std::fprintf(stderr, "velt-drive-sim: control line too long, ignored\n");
}

// Control lines are read only while we may read the terminal: a simulator
// started in the background of a shell must neither be stopped by SIGTTIN
// nor steal the foreground program's input.
bool StdinReadable() {
    return !::isatty(STDIN_FILENO) || ::tcgetpgrp(STDIN_FILENO) == ::getpgrp();
}

// Serves stdin until a termination signal arrives on sigFd.
void RunUntilSignal(velt::sim::SimDrive& drive, velt::sim::NetworkFront* front, int sigFd) {
    constexpr int kRecheckMs = 500; // how often a background job looks again
    velt::sim::ControlInput input;
    bool stdinOpen = true;
    for (;;) {
        const bool useStdin = stdinOpen && StdinReadable();
        pollfd fds[2] = {{sigFd, POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
        if (::poll(fds, useStdin ? 2 : 1, stdinOpen && !useStdin ? kRecheckMs : -1) < 0) continue;
        if (fds[0].revents & POLLIN) return;
        if (!useStdin || !(fds[1].revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL))) continue;
        char buffer[512];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0) {
            // EINTR, or EIO after we were sent to the background: look again
            // later. Anything else (nohup gives a write-only /dev/null) would
            // report ready at once forever: stop reading instead of spinning.
            if (errno != EINTR && errno != EIO && errno != EAGAIN) stdinOpen = false;
            continue;
        }
        if (n == 0) stdinOpen = false; // end of input: keep serving
        ApplyLines(drive, front, n == 0 ? input.Finish() : input.Feed({buffer, static_cast<size_t>(n)}),
                   input);
    }
}

} // namespace

int main(int argc, char** argv) {
    velt::sim::SimOptions options;
    FrontOptions frontOptions;
    if (const int code = ParseArgs(argc, argv, &options, &frontOptions); code >= 0) return code;

    // Block the termination signals in every thread (the serving thread
    // inherits the mask) and take them through a signalfd instead.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP); // the terminal went away: clean up as well
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::signal(SIGTTIN, SIG_IGN);
    // A reader of stdout or stderr that went away must not kill us before we
    // remove the COMn entry; the write just fails.
    std::signal(SIGPIPE, SIG_IGN);
    const int sigFd = ::signalfd(-1, &signals, SFD_CLOEXEC);
    if (sigFd < 0) {
        std::perror("velt-drive-sim: signalfd");
        return 1;
    }

    velt::sim::SimDrive drive(options);
    std::string error;
    if (!drive.Start(&error)) {
        std::fprintf(stderr, "velt-drive-sim: %s\n", error.c_str());
        return 1;
    }
    std::unique_ptr<velt::sim::NetworkFront> front;
    std::string name = drive.ComName();
    if (frontOptions.kind) {
        front = std::make_unique<velt::sim::NetworkFront>(*frontOptions.kind, drive.DevicePath(),
                                                          options.baud, drive.Ids());
        if (!front->Start(frontOptions.port, &error)) {
            std::fprintf(stderr, "velt-drive-sim: %s\n", error.c_str());
            drive.Stop();
            return 1;
        }
        const bool mbap = *frontOptions.kind == velt::sim::FrontKind::ModbusTcp;
        name = std::string(mbap ? "tcp" : "rtu-tcp") + "://127.0.0.1:" + std::to_string(front->Port());
    }
    std::printf("ready %s %s\n", name.c_str(), drive.DevicePath().c_str());
    std::fflush(stdout);
    RunUntilSignal(drive, front.get(), sigFd);
    if (front) front->Stop();
    drive.Stop();
    ::close(sigFd);
    return 0;
}

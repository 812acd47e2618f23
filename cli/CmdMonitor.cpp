// velt-cli monitor and poll-stats: the drive link with its polling thread,
// connected the way the connection bar connects; monitor shows the
// connection supervisor's state as the windows do.
#include "cli/CliCommon.h"

#include "link/CDriveLink.h"
#include "link/ConnectionSupervisor.h"
#include "link/DriveMap.h"
#include "link/LinkHealth.h"
#include "link/LinkTexts.h"
#include "monitor/LineOverviewRows.h"
#include "monitor/ValueNames.h"
#include "platform/UsbLatency.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

using namespace velt;
using namespace velt::cli;
using namespace std::chrono_literals;

namespace {

constexpr auto kPrintPeriod = 1000ms;
constexpr auto kWatchStep = 50ms; // how often the wait looks at Ctrl-C and the connection

std::atomic<bool> g_interrupted{false};

extern "C" void OnInterrupt(int) {
    g_interrupted.store(true);
}

// Installs the Ctrl-C handler for the life of a command.
class InterruptGuard {
public:
    InterruptGuard() {
        g_interrupted.store(false);
        previous_ = std::signal(SIGINT, OnInterrupt);
    }
    ~InterruptGuard() { std::signal(SIGINT, previous_); }
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

private:
    void (*previous_)(int) = SIG_DFL;
};

int32_t Join32(uint16_t low, uint16_t high) {
    return static_cast<int32_t>((uint32_t{high} << 16) | low);
}

std::string Bits(const BitBlock& bits) {
    std::string s;
    for (uint8_t b : bits)
        s += b ? '1' : '0';
    return s;
}

void PrintCounters(const LinkCounters& c) {
    std::printf("counters: STATE_REG %u %u %u  DI_REG %u %u %u  DO_REG %u %u %u  PARAM_REG %u %u %u"
                "  crc_errors=%u no_replies=%u\n",
                c.StateReads, c.StateOk, c.StateFail, c.DiReads, c.DiOk, c.DiFail, c.DoRequests, c.DoOk,
                c.DoFail, c.ParamRequests, c.ParamOk, c.ParamFail, c.CrcErrors, c.NoReplies);
}

void PrintSnapshot(const CDriveLink& link, bool korean) {
    using namespace drive;
    const StateBlock r = link.StateRegs();
    auto s16 = [&](int i) { return static_cast<int>(static_cast<int16_t>(r[i])); };
    const char* alarm = AfterColon(AlarmName(s16(StateAlarm), korean)); // " 0 : Alarm None" -> " Alarm None"
    while (*alarm == ' ')
        ++alarm;
    std::printf("state: word=0x%04X alarm=%d (%s) cmd_pos=%d pos=%d cmd_speed=%d speed=%d cmd_current=%d "
                "current=%d hall=%d ext_volume=%d mode_set=%d\n",
                r[StateStatus], s16(StateAlarm), *alarm ? alarm : "?",
                Join32(r[StateCmdPositionLow], r[StateCmdPositionLow + 1]),
                Join32(r[StatePositionLow], r[StatePositionLow + 1]), s16(StateCmdSpeed), s16(StateSpeed),
                s16(StateCmdCurrent), s16(StateCurrent), s16(StateHall), s16(StateExtVolume),
                s16(StateActiveSet));
    std::printf("inputs:  %s (input 0 first)\n", Bits(link.DigitalInputs()).c_str());
    std::printf("outputs: %s (output 0 first)\n", Bits(link.DigitalOutputs()).c_str());
    PrintCounters(link.Counters());
    std::fflush(stdout);
}

enum class WaitEnd { Elapsed, Interrupted, Lost };

// Waits one print period on the calling thread, looking at Ctrl-C and at the
// supervisor's losses every kWatchStep.
WaitEnd WaitOnePeriod(const ConnectionSupervisor& supervisor, uint32_t losses) {
    const auto end = std::chrono::steady_clock::now() + kPrintPeriod;
    while (std::chrono::steady_clock::now() < end) {
        if (g_interrupted.load()) return WaitEnd::Interrupted;
        if (supervisor.Status().Losses != losses) return WaitEnd::Lost;
        std::this_thread::sleep_for(kWatchStep);
    }
    return WaitEnd::Elapsed;
}

struct MonitorArgs {
    long Count = 0; // 0: until Ctrl-C
    bool Reconnect = false;
};

MonitorArgs ParseMonitorArgs(const std::vector<std::string>& args) {
    MonitorArgs parsed;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--reconnect") {
            parsed.Reconnect = true;
        } else if (args[i] == "--count") {
            if (i + 1 >= args.size()) throw UsageError{"--count needs a value"};
            parsed.Count = ParseIntArg(args[++i], 1, 1000000000L, "count");
        } else {
            throw UsageError{"unknown argument " + args[i]};
        }
    }
    return parsed;
}

long OptionValue(const std::vector<std::string>& args, const char* name, long min, long max, long fallback,
                 bool required) {
    long value = fallback;
    bool seen = false;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] != name) throw UsageError{"unknown argument " + args[i]};
        if (i + 1 >= args.size()) throw UsageError{std::string(name) + " needs a value"};
        value = ParseIntArg(args[++i], min, max, name + 2);
        seen = true;
    }
    if (required && !seen) throw UsageError{std::string(name) + " is required"};
    return value;
}

// While the supervisor reconnects (it tries the port once a second, opening
// the same name again, so that an adapter that comes back under it is found
// again): prints each try; false when Ctrl-C ended the wait.
bool WaitForReconnect(ConnectionSupervisor& supervisor, bool korean) {
    uint32_t shown = 0;
    for (;;) {
        const ConnectionStatus status = supervisor.Status();
        if (status.State == ConnectionState::Connected) {
            std::printf("%s\n", ReconnectedNote(status.Tries, korean).c_str());
            std::fflush(stdout);
            return true;
        }
        if (g_interrupted.load() || status.State != ConnectionState::Reconnecting) {
            supervisor.StopReconnecting();
            return false;
        }
        if (status.Tries != shown) {
            shown = status.Tries;
            std::printf("%s\n", ReconnectingText(status.Tries, korean).c_str());
            std::fflush(stdout);
        }
        std::this_thread::sleep_for(kWatchStep);
    }
}

// The state of drive `id` in the overview: the selected drive by its own
// polls, the others as the overview read them last.
LineDriveState DriveIn(const LineOverviewInput& in, uint8_t id) {
    if (id == in.Selected.Id) return in.Selected;
    for (const LineDriveState& d : in.Line)
        if (d.Id == id) return d;
    LineDriveState none;
    none.Id = id;
    return none;
}

void PrintLineDrive(const LineDriveState& d, bool korean) {
    using namespace drive;
    if (!d.Read || !d.Answering) {
        std::printf("drive %d: %s\n", d.Id,
                    !d.Read ? "state=reading"
                            : ("state=silent " + std::string(RtuResultName(d.Last))).c_str());
        return;
    }
    const auto& r = d.Regs;
    const int alarm = static_cast<int16_t>(r[StateAlarm]);
    const char* name = AfterColon(AlarmName(alarm, korean));
    while (*name == ' ')
        ++name;
    std::printf("drive %d: state=connected alarm=%d (%s) servo_on=%d in_position=%d pos=%d speed=%d\n", d.Id,
                alarm, *name ? name : "?", (r[StateStatus] & StatusServoOn) != 0 ? 1 : 0,
                (r[StateStatus] & StatusInPosition) != 0 ? 1 : 0,
                Join32(r[StatePositionLow], r[StatePositionLow + 1]), static_cast<int16_t>(r[StateSpeed]));
}

// Until every drive of the list has been read once (a silent one costs its
// time-out and the overview's share of the line), or Ctrl-C.
constexpr auto kFirstReadWait = 10s;
void WaitAllRead(const CDriveLink& link, const std::vector<uint8_t>& ids) {
    const auto end = std::chrono::steady_clock::now() + kFirstReadWait;
    while (std::chrono::steady_clock::now() < end && !g_interrupted.load()) {
        const LineOverviewInput in = ReadLineOverview(link);
        bool all = true;
        for (uint8_t id : ids)
            all = all && DriveIn(in, id).Read;
        if (all) return;
        std::this_thread::sleep_for(kWatchStep);
    }
}

// Calls `print` once a period until parsed.Count prints, an interrupt, or
// the drive is lost and not back (with --reconnect it is waited for);
// kExitStoppedAnswering for a drive lost without --reconnect, else 0.
int PrintEachPeriod(ConnectionSupervisor& supervisor, const MonitorArgs& parsed, bool korean,
                    const std::function<void()>& print) {
    uint32_t losses = supervisor.Status().Losses;
    for (long printed = 0; parsed.Count == 0 || printed < parsed.Count;) {
        const WaitEnd end = WaitOnePeriod(supervisor, losses);
        if (end == WaitEnd::Interrupted) return 0;
        if (end == WaitEnd::Lost) {
            losses = supervisor.Status().Losses;
            PrintMessage(kDriverNoResponse.Pick(korean));
            if (parsed.Reconnect && WaitForReconnect(supervisor, korean)) continue;
            return parsed.Reconnect ? 0 : kExitStoppedAnswering;
        }
        print();
        ++printed;
    }
    return 0;
}

// monitor --id LIST: the first drive is the connection's; the others are
// read between its polls by the line overview. One line per drive each
// period; at the end every drive that did not answer its last read is named
// on stderr, and the exit status is the first one's failure.
int RunMonitorDrives(const CliOptions& options, const MonitorArgs& parsed) {
    InterruptGuard interrupt;
    CDriveLink link;
    ConnectionSupervisor supervisor(link, [reconnect = parsed.Reconnect] { return reconnect; });
    int failed = 0;
    if (!ConnectAndReadParams(link, options, &failed, &supervisor)) {
        std::fprintf(stderr, "drive %d: not read (exit %d)\n", options.id, failed);
        return failed;
    }
    link.SetLineDrives(options.ids);
    int exitCode = PrintEachPeriod(supervisor, parsed, options.korean, [&] {
        const LineOverviewInput in = ReadLineOverview(link);
        for (uint8_t id : options.ids)
            PrintLineDrive(DriveIn(in, id), options.korean);
        std::fflush(stdout);
    });
    if (exitCode == 0 && !g_interrupted.load()) WaitAllRead(link, options.ids);
    const LineOverviewInput in = ReadLineOverview(link);
    link.StopThread();
    for (uint8_t id : options.ids) {
        const LineDriveState d = DriveIn(in, id);
        if (d.Read && d.Answering) continue;
        const RtuResult why = d.Read ? d.Last : RTU_ERR_NO_REPLY;
        std::fprintf(stderr, "drive %d: no answer (%s)\n", id, RtuResultName(why));
        if (exitCode == 0) exitCode = ExitCodeOf(why);
    }
    return exitCode;
}

int RunMonitor(const CliOptions& options, const std::vector<std::string>& args) {
    const MonitorArgs parsed = ParseMonitorArgs(args);
    if (options.ids.size() > 1) return RunMonitorDrives(options, parsed);
    InterruptGuard interrupt;
    CDriveLink link;
    ConnectionSupervisor supervisor(link, [reconnect = parsed.Reconnect] { return reconnect; });
    int failed = 0;
    if (!ConnectAndReadParams(link, options, &failed, &supervisor)) return failed;
    const int exitCode =
        PrintEachPeriod(supervisor, parsed, options.korean, [&] { PrintSnapshot(link, options.korean); });
    link.StopThread();
    return exitCode;
}

int RunPollStats(const CliOptions& options, const std::vector<std::string>& args) {
    const long seconds = OptionValue(args, "--seconds", 1, 86400, 0, true);
    InterruptGuard interrupt;
    CDriveLink link;
    if (!ConnectLink(link, options)) return kExitPortOpenFail;
    const auto start = std::chrono::steady_clock::now();
    const uint32_t passes0 = link.PassCount();
    const uint32_t reads0 = link.Counters().StateReads;
    const auto end = start + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < end && !g_interrupted.load())
        std::this_thread::sleep_for(kWatchStep);
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const uint32_t passes = link.PassCount() - passes0;
    const LinkCounters counters = link.Counters();
    const uint32_t reads = counters.StateReads - reads0;
    link.StopThread();
    std::printf("seconds=%.2f passes=%u passes_per_s=%.1f state_reads_per_s=%.1f\n", elapsed, passes,
                passes / elapsed, reads / elapsed);
    PrintCounters(counters);
    return 0;
}

// The link health figures over S seconds of polling, as the health window
// shows them.
int RunStats(const CliOptions& options, const std::vector<std::string>& args) {
    constexpr auto kSampleStep = 200ms;
    const long seconds = OptionValue(args, "--seconds", 1, 86400, 0, true);
    InterruptGuard interrupt;
    CDriveLink link;
    if (!ConnectLink(link, options)) return kExitPortOpenFail;
    LinkHealthMeter meter(link.Journal());
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < end && !g_interrupted.load()) {
        std::this_thread::sleep_for(kSampleStep);
        meter.Update(SteadyNowNs(), link.PassCount(), link.IsConnected());
    }
    const int64_t now = SteadyNowNs();
    const LinkStatus status = link.Status();
    const LinkHealthFigures figures = meter.Figures(now, status.Baud);
    const std::string device = status.Device;
    link.StopThread();
    const bool korean = options.korean;
    for (const std::string& line : LinkHealthLines(figures, korean))
        std::printf("%s\n", line.c_str());
    if (const std::optional<UsbLatencyTimer> timer = ReadUsbLatencyTimer(device); timer && timer->Ms > 1)
        std::printf("%s\n", UsbLatencyAdvice(timer->Ms, timer->SysfsPath, korean).c_str());
    return 0;
}

const CliRegistrar kMonitor{
    {"monitor",
     "  monitor [--count N] [--reconnect]\n"
     "                              connect, read all parameters, then print the state\n"
     "                              block, inputs, outputs and counters once a second,\n"
     "                              N times or until Ctrl-C; exit 18 when the drive stops\n"
     "                              answering, or with --reconnect try the port once a\n"
     "                              second and go on once the drive answers again.\n"
     "                              With --id LIST: connect to the first drive and print\n"
     "                              one line per drive once a second (state, alarm, servo\n"
     "                              on, in position, position, speed), the others read\n"
     "                              between the first one's polls; each drive that did\n"
     "                              not answer is named on stderr and the exit status is\n"
     "                              the first one's failure (11: no reply)",
     &RunMonitor}};

const CliRegistrar kStats{
    {"stats",
     "  stats --seconds S           poll for S seconds, then print the link health: requests\n"
     "                              per second, round trips (median, 99th percentile,\n"
     "                              maximum, histogram), failures by kind, time since the\n"
     "                              last failure, passes against what the wire allows",
     &RunStats}};

const CliRegistrar kPollStats{
    {"poll-stats",
     "  poll-stats --seconds S      run the polling thread for S seconds; print passes\n"
     "                              and state reads per second and the counters",
     &RunPollStats}};

} // namespace

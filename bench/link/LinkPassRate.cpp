// Passes per second of the polling thread against the simulated drive in
// wire-timing mode, next to the ideal for this design: the 10 ms sleep plus
// the line time of each pass's exchanges.
#include "link/CDriveLink.h"
#include "sim/SimDrive.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

using namespace velt;
using namespace std::chrono_literals;

namespace {

constexpr double kPassSleepS = 0.010;
constexpr double kBitsPerByte = 10.0; // start, 8 data, stop
constexpr double kSilenceChars = 3.5; // RTU frame gap after each exchange
constexpr auto kWarmUp = 500ms;
constexpr auto kMeasure = 4s;

// Line time of one exchange: request and reply bytes plus the frame gap.
double ExchangeSeconds(int requestBytes, int replyBytes, uint32_t baud) {
    return (requestBytes + replyBytes + kSilenceChars) * kBitsPerByte / baud;
}

// Every pass reads the state block (8 + 69 bytes); every fifth pass also the
// inputs and the outputs (8 + 7 bytes each).
double IdealPassesPerSecond(uint32_t baud) {
    const double state = ExchangeSeconds(8, 69, baud);
    const double bits = 2 * ExchangeSeconds(8, 7, baud);
    return 1.0 / (kPassSleepS + state + bits / 5.0);
}

bool Measure(uint32_t baud) {
    sim::SimOptions options;
    options.baud = baud;
    options.wireTiming = true;
    options.publish = false;
    sim::SimDrive sim(options);
    std::string error;
    if (!sim.Start(&error)) {
        std::fprintf(stderr, "simulated drive: %s\n", error.c_str());
        return false;
    }
    CDriveLink link;
    link.StartThread();
    if (link.OpenAndConnect([&](CModbusPort& p) { return p.OpenDevice(sim.DevicePath(), baud); }) != 1) {
        std::fprintf(stderr, "cannot open %s\n", sim.DevicePath().c_str());
        link.StopThread();
        return false;
    }
    std::this_thread::sleep_for(kWarmUp);
    const uint32_t passes0 = link.PassCount.load();
    const auto start = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(kMeasure);
    const uint32_t passes = link.PassCount.load() - passes0;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const LinkCounters counters = link.Counters();
    const uint32_t failures = counters.StateFail + counters.DiFail + counters.DoFail;
    link.StopThread();

    const double rate = passes / seconds;
    const double ideal = IdealPassesPerSecond(baud);
    std::printf("baud=%u passes_per_s=%.2f ideal=%.2f ratio=%.3f failed_polls=%u\n", baud, rate, ideal,
                rate / ideal, failures);
    std::fflush(stdout);
    return true;
}

} // namespace

int main() {
    bool ok = Measure(115200);
    ok = Measure(9600) && ok;
    return ok ? 0 : 1;
}

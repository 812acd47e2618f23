// Passes per second of the polling thread against the simulated drive in
// wire-timing mode, next to the rate the drive allows: the 10 ms pass sleep
// plus the drive's exchange times (every pass the state block, every fifth
// pass the inputs and the outputs). The exchange times are those of the run
// itself, as the port recorded them in the link's journal, so the ratio shows
// what the polling loop adds; the same exchanges timed back to back before
// the run, and the wire's own rate (line time only, as the link health
// window shows it), are printed beside it.
//
// Then the same over a Modbus TCP line: the drive at 115200 bit/s behind the
// simulated gateway with 2 ms added before each reply ("network=tcp").
//
//   bench_link_passes [SECONDS_AT_115200 [SECONDS_AT_9600 [SECONDS_OVER_TCP]]]
//   (default 20, 40 and 20)
#include "bench/support/BenchSim.h"
#include "link/CDriveLink.h"
#include "link/LinkHealth.h"
#include "sim/NetworkFront.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

using namespace velt;
using namespace std::chrono_literals;

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kPassSleepS = 0.010;
constexpr int kBitPollEvery = 5;
constexpr auto kWarmUp = 1s;
constexpr auto kExchangeSpan = 3s; // per kind of exchange

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// Mean time of one exchange of `request`, repeated back to back for kExchangeSpan.
template <typename Request> double MeanExchange(Request request) {
    int n = 0;
    const auto start = Clock::now();
    while (Clock::now() - start < kExchangeSpan) {
        if (request() != RTU_OK) return -1;
        ++n;
    }
    return Seconds(Clock::now() - start) / n;
}

struct Exchanges {
    double State = 0;
    double Inputs = 0;
    double Outputs = 0;
};

bool MeasureExchanges(const std::string& device, uint32_t baud, Exchanges* out) {
    CModbusPort port;
    if (port.OpenDevice(device, baud) != 1) return false;
    uint16_t regs[drive::StateCount];
    uint8_t bits[drive::BitCount];
    out->State = MeanExchange([&] { return port.ReadInputRegisters(1, regs); });
    out->Inputs = MeanExchange([&] { return port.ReadDiscreteInputs(1, bits); });
    out->Outputs = MeanExchange([&] { return port.ReadCoils(1, bits); });
    port.ClosePort();
    return out->State > 0 && out->Inputs > 0 && out->Outputs > 0;
}

// Waits for the pass count to change and returns the moment it did; the
// wait looks every 100 us, so the moment is that exact.
std::pair<Clock::time_point, uint32_t> NextPass(const CDriveLink& link) {
    const uint32_t now = link.PassCount();
    while (link.PassCount() == now)
        std::this_thread::sleep_for(100us);
    return {Clock::now(), link.PassCount()};
}

// Mean round trip of each kind of poll among the journal's records [from, to).
Exchanges JournalExchanges(const ExchangeJournal& journal, uint64_t from, uint64_t to) {
    double sum[3] = {};
    int n[3] = {};
    for (uint64_t i = from; i < to; ++i) {
        ExchangeRecord r;
        if (!journal.Read(i, &r) || r.Result != RTU_OK) continue;
        const int k = r.Function == drive::FunctionReadInputRegisters   ? 0
                      : r.Function == drive::FunctionReadDiscreteInputs ? 1
                      : r.Function == drive::FunctionReadCoils          ? 2
                                                                        : -1;
        if (k < 0) continue;
        sum[k] += r.RoundTripUs / 1e6;
        ++n[k];
    }
    return {n[0] ? sum[0] / n[0] : 0, n[1] ? sum[1] / n[1] : 0, n[2] ? sum[2] / n[2] : 0};
}

double AllowedPasses(const Exchanges& ex) {
    return 1.0 / (kPassSleepS + ex.State + (ex.Inputs + ex.Outputs) / kBitPollEvery);
}

constexpr int kGatewayLatencyMs = 2;

// device: what the link opens (the drive's pty, or a network line to it).
bool Measure(const std::string& device, uint32_t baud, std::chrono::seconds span, const char* network) {
    Exchanges ex;
    if (!MeasureExchanges(device, baud, &ex)) {
        std::fprintf(stderr, "cannot measure the exchanges on %s\n", device.c_str());
        return false;
    }
    CDriveLink link;
    link.StartThread();
    link.SetDriveId(1);
    if (link.Connect({device, baud}).kind != OpenFailure::None || link.ReadAllParams() != RTU_OK) {
        std::fprintf(stderr, "no drive answers on %s\n", device.c_str());
        link.StopThread();
        return false;
    }
    std::this_thread::sleep_for(kWarmUp);
    const auto [start, passes0] = NextPass(link);
    const uint64_t records0 = link.Journal().Written();
    std::this_thread::sleep_for(span);
    const auto [end, passes1] = NextPass(link);
    const Exchanges run = JournalExchanges(link.Journal(), records0, link.Journal().Written());
    const LinkCounters counters = link.Counters();
    const uint32_t failures = counters.StateFail + counters.DiFail + counters.DoFail;
    link.StopThread();

    const double rate = (passes1 - passes0) / Seconds(end - start);
    const double allowed = AllowedPasses(run);
    const double allowedBackToBack = AllowedPasses(ex);
    const double wire = WirePassesPerSecond(baud);
    std::printf("network=%s baud=%u passes_per_s=%.2f allowed_by_drive=%.2f ratio=%.3f (goal >= 0.99) "
                "exchange_ms state=%.2f inputs=%.2f outputs=%.2f | back_to_back allowed=%.2f ratio=%.3f "
                "exchange_ms state=%.2f inputs=%.2f outputs=%.2f | wire=%.2f ratio_to_wire=%.3f passes=%u "
                "seconds=%.1f failed_polls=%u\n",
                network, baud, rate, allowed, rate / allowed, run.State * 1e3, run.Inputs * 1e3,
                run.Outputs * 1e3, allowedBackToBack, rate / allowedBackToBack, ex.State * 1e3,
                ex.Inputs * 1e3, ex.Outputs * 1e3, wire, rate / wire, passes1 - passes0, Seconds(end - start),
                failures);
    std::fflush(stdout);
    return true;
}

bool MeasureSerial(uint32_t baud, std::chrono::seconds span) {
    const std::unique_ptr<sim::SimDrive> sim = bench::StartWireTimedSim(baud);
    return sim && Measure(sim->DevicePath(), baud, span, "none");
}

bool MeasureTcp(std::chrono::seconds span) {
    constexpr uint32_t kBaud = 115200;
    const std::unique_ptr<sim::SimDrive> sim = bench::StartWireTimedSim(kBaud);
    if (!sim) return false;
    sim::NetworkFront gateway(sim::FrontKind::ModbusTcp, sim->DevicePath(), kBaud, sim->Ids());
    std::string error;
    if (!gateway.Start(0, &error)) {
        std::fprintf(stderr, "no gateway: %s\n", error.c_str());
        return false;
    }
    gateway.SetLatencyMs(kGatewayLatencyMs);
    return Measure("tcp://127.0.0.1:" + std::to_string(gateway.Port()), kBaud, span, "tcp+2ms");
}

std::chrono::seconds Arg(int argc, char** argv, int i, long fallback) {
    const long v = argc > i ? std::atol(argv[i]) : fallback;
    return std::chrono::seconds(v > 0 ? v : fallback);
}

} // namespace

int main(int argc, char** argv) {
    bool ok = MeasureSerial(115200, Arg(argc, argv, 1, 20));
    ok = MeasureSerial(9600, Arg(argc, argv, 2, 40)) && ok;
    ok = MeasureTcp(Arg(argc, argv, 3, 20)) && ok;
    return ok ? 0 : 1;
}

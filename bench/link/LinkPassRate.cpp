// Passes per second of the polling thread against the simulated drive in
// wire-timing mode, next to the rate the drive allows: the 10 ms pass sleep
// plus the drive's exchange times (every pass the state block, every fifth
// pass the inputs and the outputs). The exchange times are those of the run
// itself, as the port recorded them in the link's journal, so the ratio shows
// what the polling loop adds; the same exchanges timed back to back before
// the run, and the wire's own rate (line time only, as the link health
// window shows it), are printed beside it.
//
//   bench_link_passes [SECONDS_AT_115200 [SECONDS_AT_9600]]   (default 20 and 40)
#include "bench/support/BenchSim.h"
#include "link/CDriveLink.h"
#include "link/LinkHealth.h"

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

bool Measure(uint32_t baud, std::chrono::seconds span) {
    const std::unique_ptr<sim::SimDrive> sim = bench::StartWireTimedSim(baud);
    if (!sim) return false;
    Exchanges ex;
    if (!MeasureExchanges(sim->DevicePath(), baud, &ex)) {
        std::fprintf(stderr, "cannot measure the exchanges on %s\n", sim->DevicePath().c_str());
        return false;
    }
    CDriveLink link;
    if (!bench::ConnectToSim(link, *sim, baud)) return false;
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
    std::printf("baud=%u passes_per_s=%.2f allowed_by_drive=%.2f ratio=%.3f (goal >= 0.99) "
                "exchange_ms state=%.2f inputs=%.2f outputs=%.2f | back_to_back allowed=%.2f ratio=%.3f "
                "exchange_ms state=%.2f inputs=%.2f outputs=%.2f | wire=%.2f ratio_to_wire=%.3f passes=%u "
                "seconds=%.1f failed_polls=%u\n",
                baud, rate, allowed, rate / allowed, run.State * 1e3, run.Inputs * 1e3, run.Outputs * 1e3,
                allowedBackToBack, rate / allowedBackToBack, ex.State * 1e3, ex.Inputs * 1e3,
                ex.Outputs * 1e3, wire, rate / wire, passes1 - passes0, Seconds(end - start), failures);
    std::fflush(stdout);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    const long fast = argc > 1 ? std::atol(argv[1]) : 20;
    const long slow = argc > 2 ? std::atol(argv[2]) : 40;
    bool ok = Measure(115200, std::chrono::seconds(fast > 0 ? fast : 20));
    ok = Measure(9600, std::chrono::seconds(slow > 0 ? slow : 40)) && ok;
    return ok ? 0 : 1;
}

// Times of the drive scan against the simulated drive with wire timing, from
// the default settings (9600 bit/s, ID 1): finding a drive at ID 1 at each
// rate of the settings window's list, finding one at 57600 bit/s, ID 17, and
// a full scan of every rate and IDs 1 to 247; the time a probe costs at each
// rate, and how long a cancel takes to end the scan.
#include "link/DriveScan.h"
#include "link/ScanPlan.h"
#include "sim/SimDrive.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

using namespace velt;
using namespace std::chrono_literals;

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kPoll = 1ms;     // how often the found list is looked at
constexpr auto kLimit = 300s;   // only a hang runs into it
constexpr int kCancelRuns = 20; // cancels measured at each rate

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

struct Drive {
    explicit Drive(uint32_t baud, uint8_t id) {
        sim::SimOptions options;
        options.baud = baud;
        options.id = id;
        options.wireTiming = true;
        options.publish = false;
        sim = std::make_unique<sim::SimDrive>(options);
        std::string error;
        if (!sim->Start(&error)) std::fprintf(stderr, "simulated drive: %s\n", error.c_str());
    }
    std::unique_ptr<sim::SimDrive> sim;
};

// Seconds from the start of a scan with the default settings until the drive
// appears in the list; the scan is cancelled then. Negative when not found.
double TimeToFind(uint32_t baud, uint8_t id) {
    Drive drive(baud, id);
    DriveScan scan;
    const auto start = Clock::now();
    scan.Start({drive.sim->DevicePath()}, ScanOrder{});
    while (scan.Found().empty() && scan.Status().Running && Clock::now() - start < kLimit)
        std::this_thread::sleep_for(kPoll);
    const double took = Seconds(Clock::now() - start);
    const bool found = !scan.Found().empty();
    scan.Cancel();
    scan.Wait(kLimit);
    return found && drive.sim->WriteRequests() == 0 ? took : -1.0;
}

// The whole plan: every rate, IDs 1 to 247, with the drive at ID 247 at
// 9600 bit/s (the very last probe). Prints the probe times per rate.
bool FullScan() {
    Drive drive(9600, 247);
    DriveScan scan;
    const auto start = Clock::now();
    scan.Start({drive.sim->DevicePath()}, ScanOrder{});
    scan.Wait(kLimit);
    const double took = Seconds(Clock::now() - start);
    const ScanStatus status = scan.Status();
    std::printf("full_scan probes=%zu seconds=%.2f found=%zu goal_s=90\n", status.Done, took, status.Found);
    for (const RateTiming& t : status.Timings) {
        const double mean =
            t.Probes > 0 ? std::chrono::duration<double, std::milli>(t.Total).count() / t.Probes : 0;
        std::printf("probe baud=%u probes=%zu mean_ms=%.2f wait_ms=%lld\n", t.Baud, t.Probes, mean,
                    static_cast<long long>(ProbeWait(t.Baud).count()));
    }
    return status.Found == 1 && status.Done == status.Total;
}

// From Cancel to the end of the scan, the worst of several cancels at random
// moments of the plain probes at `baud`.
double WorstCancelMs(uint32_t baud) {
    Drive drive(baud, 250 - 3); // not found by the probes cancelled here
    double worst = 0;
    for (int run = 0; run < kCancelRuns; ++run) {
        DriveScan scan;
        ScanOrder order;
        order.CurrentBaud = baud;
        order.Bauds = {baud};
        scan.Start({drive.sim->DevicePath()}, order);
        std::this_thread::sleep_for(std::chrono::milliseconds(10 + 17 * run));
        const auto cancel = Clock::now();
        scan.Cancel();
        scan.Wait(kLimit);
        worst = std::max(worst, std::chrono::duration<double, std::milli>(Clock::now() - cancel).count());
    }
    return worst;
}

} // namespace

int main() {
    bool ok = true;
    for (uint32_t baud : kScanBauds) {
        const double s = TimeToFind(baud, 1);
        std::printf("find_id1 baud=%u seconds=%.3f goal_s=3\n", baud, s);
        std::fflush(stdout);
        ok = ok && s >= 0;
    }
    const double id17 = TimeToFind(57600, 17);
    std::printf("find baud=57600 id=17 seconds=%.3f goal_s=15\n", id17);
    std::fflush(stdout);
    ok = ok && id17 >= 0;
    ok = FullScan() && ok;
    for (uint32_t baud : kScanBauds)
        std::printf("cancel baud=%u worst_ms=%.1f runs=%d goal_ms=200\n", baud, WorstCancelMs(baud),
                    kCancelRuns);
    return ok ? 0 : 1;
}

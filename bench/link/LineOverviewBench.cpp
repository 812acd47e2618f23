// The line overview's cost to the selected drive: passes per second of the
// polling thread against a simulated line of 2, 6 and 16 drives (wire
// timing, 9600 and 115200 bit/s), with the overview of every drive on,
// against the same without it (goal: at least 0.9), and again with an
// address that no drive answers added to the overview's list. Then the overview's age
// with 6 drives at 9600: from an alarm raised on drive 6 to the overview
// showing it (goal: under 2 s).
//
//   bench_line_overview [SECONDS_PER_PHASE]   (default 6)
#include "link/CDriveLink.h"
#include "link/DriveMap.h"
#include "sim/SimDrive.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

using namespace velt;
using namespace std::chrono_literals;

namespace {

using Clock = std::chrono::steady_clock;
constexpr uint8_t kSilentId = 200; // in the overview's list, served by no drive

std::vector<uint8_t> Ids(int count) {
    std::vector<uint8_t> ids;
    for (int id = 1; id <= count; ++id)
        ids.push_back(static_cast<uint8_t>(id));
    return ids;
}

double PassesPerSecond(const CDriveLink& link, std::chrono::seconds span) {
    const uint32_t first = link.PassCount();
    const Clock::time_point start = Clock::now();
    std::this_thread::sleep_for(span);
    return (link.PassCount() - first) / std::chrono::duration<double>(Clock::now() - start).count();
}

bool StartLine(sim::SimDrive& sim, CDriveLink& link, uint32_t baud) {
    std::string error;
    if (!sim.Start(&error)) {
        std::fprintf(stderr, "simulated line: %s\n", error.c_str());
        return false;
    }
    link.StartThread();
    return link.Connect({sim.DevicePath(), baud}).kind == OpenFailure::None;
}

sim::SimOptions LineOptions(int drives, uint32_t baud) {
    sim::SimOptions options;
    options.publish = false;
    options.wireTiming = true;
    options.baud = baud;
    options.ids = Ids(drives);
    return options;
}

bool MeasureRatio(int drives, uint32_t baud, std::chrono::seconds span) {
    sim::SimDrive sim(LineOptions(drives, baud));
    CDriveLink link;
    if (!StartLine(sim, link, baud)) return false;
    std::this_thread::sleep_for(1s);
    const double alone = PassesPerSecond(link, span);
    link.SetLineDrives(Ids(drives));
    std::this_thread::sleep_for(1s);
    const double with = PassesPerSecond(link, span);
    int fresh = 0;
    for (const LineDriveState& d : link.LineDrives())
        fresh += d.Answering && Clock::now() - d.Received < 3s ? 1 : 0;
    std::vector<uint8_t> withSilent = Ids(drives);
    withSilent.push_back(kSilentId);
    link.SetLineDrives(withSilent);
    std::this_thread::sleep_for(1s);
    const double silent = PassesPerSecond(link, span);
    std::printf("drives=%d baud=%u passes_alone=%.2f passes_with_overview=%.2f ratio=%.3f (goal >= 0.9) "
                "drives_shown=%d/%d passes_with_a_silent_id=%.2f ratio_silent=%.3f\n",
                drives, baud, alone, with, with / alone, fresh, drives - 1, silent, silent / alone);
    link.StopThread();
    sim.Stop();
    return true;
}

bool MeasureAge() {
    constexpr int kDrives = 6;
    constexpr uint32_t kBaud = 9600;
    sim::SimDrive sim(LineOptions(kDrives, kBaud));
    CDriveLink link;
    if (!StartLine(sim, link, kBaud)) return false;
    link.SetLineDrives(Ids(kDrives));
    std::this_thread::sleep_for(3s);
    double worst = 0;
    double sum = 0;
    constexpr int kRounds = 5;
    for (int round = 1; round <= kRounds; ++round) {
        const int alarm = 1 + round % 2;
        std::string error;
        sim.ApplyControlLine("drive 6 alarm " + std::to_string(alarm), &error);
        const Clock::time_point raised = Clock::now();
        bool seen = false;
        while (!seen && Clock::now() - raised < 10s) {
            for (const LineDriveState& d : link.LineDrives())
                seen = seen || (d.Id == kDrives && d.Regs[drive::StateAlarm] == alarm);
            if (!seen) std::this_thread::sleep_for(5ms);
        }
        const double age = std::chrono::duration<double>(Clock::now() - raised).count();
        worst = std::max(worst, age);
        sum += age;
        std::this_thread::sleep_for(
            std::chrono::milliseconds(300 * round)); // another phase of the round robin
    }
    std::printf("overview_age drives=%d baud=%u mean_s=%.2f worst_s=%.2f (goal < 2)\n", kDrives, kBaud,
                sum / kRounds, worst);
    link.StopThread();
    sim.Stop();
    return true;
}

} // namespace

int main(int argc, char** argv) {
    const std::chrono::seconds span(argc > 1 ? std::max(1L, std::strtol(argv[1], nullptr, 10)) : 6L);
    bool ok = true;
    for (uint32_t baud : {9600u, 115200u})
        for (int drives : {2, 6, 16})
            ok = MeasureRatio(drives, baud, span) && ok;
    ok = MeasureAge() && ok;
    return ok ? 0 : 1;
}

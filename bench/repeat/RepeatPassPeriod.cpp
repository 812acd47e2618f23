// Pass period of the RepeatThread while the default eight points run on the
// simulated drive in wire-timing mode at 115200 bit/s: mean and 99th
// percentile, next to the ideal for this design (the 10 ms sleep plus the
// line time of the step's writes). The polling thread shares the line, so a
// pass may also wait for one state-block exchange.
#include "bench/support/BenchSim.h"
#include "link/CDriveLink.h"
#include "link/DriveMap.h"
#include "repeat/RepeatSequence.h"
#include "repeat/RepeatThread.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace velt;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

constexpr uint32_t kBaud = 115200;
constexpr double kBitsPerByte = 10.0; // start, 8 data, stop
constexpr double kSilenceChars = 3.5; // RTU frame gap after each exchange
constexpr auto kWarmUp = 300ms;
constexpr auto kMeasure = 8s;
constexpr size_t kMaxPasses = 4096;

// A single-register write: 8 bytes out, 8 back, plus the frame gap.
double WriteMs(uint32_t baud) {
    return (8 + 8 + kSilenceChars) * kBitsPerByte / baud * 1000.0;
}

struct Pass {
    Clock::time_point end;
    uint32_t writes; // the link's parameter requests so far
};

double Percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    const size_t i = std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size() - 1) + 0.5));
    return v[i];
}

} // namespace

int main() {
    const std::unique_ptr<sim::SimDrive> sim = bench::StartWireTimedSim(kBaud);
    if (!sim) return 1;
    CDriveLink link;
    if (!bench::ConnectToSim(link, *sim, kBaud)) return 1;
    if (link.ReadAllParams() != RTU_OK) {
        std::fprintf(stderr, "cannot reach the drive on %s\n", sim->DevicePath().c_str());
        link.StopThread();
        return 1;
    }
    link.WriteParam(drive::CommandRegister, drive::Code(drive::Command::ServoOn));
    const auto deadline = Clock::now() + 3s;
    while ((link.StateRegs()[drive::StateStatus] & drive::StatusServoOn) == 0 && Clock::now() < deadline)
        std::this_thread::sleep_for(5ms);

    RepeatSequence sequence(&link);
    std::vector<Pass> passes;
    passes.reserve(kMaxPasses);
    RepeatThread thread(sequence, [&] {
        if (passes.size() < kMaxPasses) passes.push_back({Clock::now(), link.Counters().ParamRequests});
    });
    thread.Start();
    if (sequence.Start(DefaultRepeatPoints()) != RepeatStartResult::Started) {
        std::fprintf(stderr, "the drive refused the start (servo not on?)\n");
        thread.Stop(5000ms);
        link.StopThread();
        return 1;
    }
    // `passes` belongs to the RepeatThread until Stop has joined it.
    std::this_thread::sleep_for(kWarmUp + kMeasure);
    const RepeatStatus status = sequence.Status();
    thread.Stop(5000ms);
    sequence.Stop();
    link.StopThread();

    // Skip the warm-up passes: those before kWarmUp after the first pass.
    size_t begin = 0;
    while (begin < passes.size() && passes[begin].end - passes.front().end < kWarmUp)
        ++begin;
    std::vector<double> periods;
    uint32_t writes = 0;
    for (size_t i = begin + 1; i < passes.size(); ++i) {
        periods.push_back(
            std::chrono::duration<double, std::milli>(passes[i].end - passes[i - 1].end).count());
        writes += passes[i].writes - passes[i - 1].writes;
    }
    if (periods.empty()) {
        std::fprintf(stderr, "no passes measured\n");
        return 1;
    }
    double sum = 0;
    for (double p : periods)
        sum += p;
    const double mean = sum / static_cast<double>(periods.size());
    const double ideal = std::chrono::duration<double, std::milli>(RepeatThread::kPassSleep).count() +
                         writes * WriteMs(kBaud) / static_cast<double>(periods.size());
    std::printf("baud=%u passes=%zu mean_ms=%.2f p99_ms=%.2f max_ms=%.2f ideal_mean_ms=%.2f ratio=%.3f "
                "writes=%u point=P%d cycles=%u\n",
                kBaud, periods.size(), mean, Percentile(periods, 0.99), Percentile(periods, 1.0), ideal,
                mean / ideal, writes, status.PointIndex + 1, status.Cycles);
    return 0;
}

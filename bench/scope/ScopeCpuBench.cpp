// CPU share of the real program with four scope windows running: the main
// window connected to the simulated drive (9600 bit/s with wire timing, as
// in --demo), four scopes shown with all four channels on at the default
// 10 s range. The drive moves back and forth between -4000 and +4000 counts
// once a second throughout, so the traces sweep the plot as they do while a
// drive is tuned. The process's CPU time is measured with the scopes
// stopped, then running free (trigger and cursors off), then running with a
// Normal trigger on the position (rising through 0, caught every two
// seconds) and the cursors on; the differences to the stopped phase are
// what the scopes cost. Then the same program at 115200 bit/s, four scopes
// running free on the 50 ms grid and then in the every-poll mode (a sample
// per state poll received, about 50 a second), each against its own stopped
// phase.
// Run with: xvfb-run -a ./scope_cpu_bench [seconds per phase, default 20] [picture.png]
#include "DemoProgram.h"
#include "link/CDriveLink.h"
#include "link/DriveMap.h"
#include "scope/CDlgScope.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>

using namespace velt;
using namespace std::chrono_literals;

namespace {

// Commands a move every second, alternating between two targets, from a
// thread of its own so that the user-interface thread never waits on the line.
class BackAndForth {
public:
    explicit BackAndForth(CDriveLink& link) : link_(link) {
        link_.WriteParam(drive::ParamPositionAccDec, 100); // position ramps of 100 ms
        link_.WriteParam(drive::SpeedRegister, 1000);      // rpm
        link_.WriteParam(drive::CommandRegister, drive::Code(drive::Command::ServoOn));
        thread_ = std::thread([this] { Run(); });
    }
    ~BackAndForth() {
        stop_ = true;
        thread_.join();
    }

private:
    void Run() {
        int32_t target = 4000;
        while (!stop_) {
            link_.WriteParam(drive::PositionLowRegister, static_cast<uint16_t>(target & 0xFFFF));
            link_.WriteParam(drive::PositionHighRegister, static_cast<uint16_t>((target >> 16) & 0xFFFF));
            link_.WriteParam(drive::CommandRegister, drive::Code(drive::Command::Run));
            target = -target;
            for (int i = 0; i < 100 && !stop_; ++i)
                std::this_thread::sleep_for(10ms);
        }
    }
    CDriveLink& link_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Runs the event loop for `seconds`; the process's CPU share in percent of one core.
double CpuPercentOver(double seconds) {
    QEventLoop loop;
    QTimer::singleShot(std::chrono::milliseconds(static_cast<int>(seconds * 1000)), &loop, &QEventLoop::quit);
    QElapsedTimer wall;
    const double cpu0 = CpuSeconds();
    wall.start();
    loop.exec();
    return 100.0 * (CpuSeconds() - cpu0) / (static_cast<double>(wall.nsecsElapsed()) / 1e9);
}

uint64_t SamplesTaken(const CVELT_HostApp& app) {
    uint64_t n = 0;
    for (const CDlgScope* scope : app.Scopes())
        n += scope->Thread().SamplesTaken.load();
    return n;
}

// Four scope windows shown, every channel on.
void OpenFourScopes(CVELT_HostApp* app) {
    for (int i = 0; i < 4; ++i)
        app->MenuBar()->OnScope();
    for (CDlgScope* scope : app->Scopes()) {
        for (QCheckBox* check : scope->ChannelChecks)
            check->setChecked(true);
    }
    CpuPercentOver(1.0); // windows up, first polls done
}

void RunStopAll(CVELT_HostApp* app) {
    for (CDlgScope* scope : app->Scopes())
        scope->RunStopButton->click();
}

// The four scopes at 115200 bit/s on the grid and every poll, running free;
// false when the program does not start.
bool MeasureFastLine(double seconds) {
    constexpr uint32_t kFastBaud = 115200;
    bench::DemoProgram program;
    if (!program.Start(0, kFastBaud)) return false;
    CVELT_HostApp* const app = &program.App();
    auto motion = std::make_unique<BackAndForth>(*app->Link());
    OpenFourScopes(app);
    double cost[2] = {}, rate[2] = {};
    for (const int mode : {0, 1}) { // SamplingList order: grid, every poll
        for (CDlgScope* scope : app->Scopes())
            scope->SamplingList->setCurrentIndex(mode);
        const double stopped = CpuPercentOver(seconds);
        RunStopAll(app);
        const uint64_t samples0 = SamplesTaken(*app);
        cost[mode] = CpuPercentOver(seconds) - stopped;
        rate[mode] = static_cast<double>(SamplesTaken(*app) - samples0) / seconds / 4;
        RunStopAll(app);
    }
    motion.reset();
    std::printf("cpu_percent_four_scopes_grid_115200=%.2f (free run) samples_per_second_per_scope=%.2f\n",
                cost[0], rate[0]);
    std::printf(
        "cpu_percent_four_scopes_every_poll_115200=%.2f (goal <= 3) samples_per_second_per_scope=%.2f\n",
        cost[1], rate[1]);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 20.0;
    auto program = std::make_unique<bench::DemoProgram>();
    if (!program->Start(0)) return 1;
    CVELT_HostApp* const app = &program->App();
    auto motion = std::make_unique<BackAndForth>(*app->Link());
    OpenFourScopes(app);

    const double stopped = CpuPercentOver(seconds);
    RunStopAll(app);
    const uint64_t samples0 = SamplesTaken(*app);
    const double running = CpuPercentOver(seconds);
    const double rate = static_cast<double>(SamplesTaken(*app) - samples0) / seconds / 4;

    for (CDlgScope* scope : app->Scopes()) {
        scope->TriggerModeList->setCurrentIndex(static_cast<int>(TriggerMode::Normal));
        scope->TriggerSourceList->setCurrentIndex(0); // channel 1: Position
        scope->LevelEdit->setText(QStringLiteral("0"));
        emit scope->LevelEdit->editingFinished();
        scope->CursorsCheck->setChecked(true);
    }
    const double tuning = CpuPercentOver(seconds);
    if (argc > 2 && !app->Scope(0)->grab().save(QString::fromLocal8Bit(argv[2])))
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
    RunStopAll(app);

    motion.reset();
    program.reset();
    std::printf("cpu_percent_scopes_stopped=%.2f\n", stopped);
    std::printf("cpu_percent_scopes_running=%.2f\n", running);
    std::printf("cpu_percent_scopes_running_normal_trigger_cursors=%.2f\n", tuning);
    std::printf("cpu_percent_four_scopes=%.2f (free run, trigger and cursors off)\n", running - stopped);
    std::printf("cpu_percent_four_scopes_normal_trigger_cursors=%.2f (goal <= 3)\n", tuning - stopped);
    std::printf("samples_per_second_per_scope=%.2f over %.0f s\n", rate, seconds);
    std::fflush(stdout);
    return MeasureFastLine(seconds) ? 0 : 1;
}

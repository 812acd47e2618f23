// Measures the CPU share of the whole program (every thread of the process:
// the windows and the link's polling thread) with the line overview window
// open against the same with it closed: the real main window connected to
// drive 1 of a simulated line of six drives answering at wire speed at
// 115200 bit/s. The drives run as their own process (velt-drive-sim
// --wire-timing), so their work is not counted.
//
// Three phases of equal length: closed, open, closed again. Prints the share
// of each, the overview's added share against the mean of the closed ones
// (goal: at most 1 % of one core), and the polling passes per second.
//
//   xvfb-run -a ./line_overview_cpu_bench [SECONDS_PER_PHASE]   (default 20)
#include "app/AppOptions.h"
#include "app/CDlgMenuBar.h"
#include "app/CVELT_HostApp.h"
#include "app/LineDrives.h"
#include "app/SerialSettings.h"
#include "base/MessageService.h"
#include "bench/monitor/ShellBench.h"
#include "link/CDriveLink.h"
#include "monitor/LineOverviewDialog.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <memory>

using namespace velt;
using namespace velt::bench;
using namespace std::chrono_literals;

namespace {

constexpr int kComNumber = 9;
constexpr int kBaud = 115200;
constexpr int kDrives = 6;
constexpr auto kSettle = 3s; // parameter read, first polls, window painted

struct Phase {
    double CpuPercent = 0;
    double Passes = 0; // polling passes per second
};

Phase Measure(CVELT_HostApp& app, std::chrono::milliseconds duration) {
    const uint32_t passes = app.Link()->PassCount();
    QElapsedTimer wall;
    // std::clock is the processor time of the whole process, all threads.
    const std::clock_t cpu = std::clock();
    wall.start();
    RunEvents(duration);
    const double cpuSeconds = static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC;
    const double wallSeconds = static_cast<double>(wall.nsecsElapsed()) / 1e9;
    return {100.0 * cpuSeconds / wallSeconds, (app.Link()->PassCount() - passes) / wallSeconds};
}

} // namespace

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 20.0;
    const auto duration = std::chrono::milliseconds(static_cast<int>(seconds * 1000));

    QTemporaryDir ports;
    if (!ports.isValid()) return 1;
    qputenv("VELT_PORTS_DIR", ports.path().toLocal8Bit());
    QProcess sim;
    if (!StartSimulator(sim, kComNumber, kBaud,
                        {QStringLiteral("--ids"), QStringLiteral("1-%1").arg(kDrives)})) {
        std::fprintf(stderr, "line_overview_cpu_bench: the simulated line did not start\n");
        return 1;
    }

    PrintedMessages messages;
    SetMessageService(&messages);
    AppOptions options;
    options.Demo = true; // the user's remembered line is neither read nor replaced
    options.Lang = 0;
    for (int id = 1; id <= kDrives; ++id)
        options.DemoIds.push_back(static_cast<uint8_t>(id));
    std::unique_ptr<CVELT_HostApp> app = StartApplication(options);
    if (!app) return 1;
    SerialSettingsValues settings = app->Settings()->Values();
    settings.PortNumber = kComNumber;
    settings.BaudRate = kBaud;
    app->Settings()->Set(settings);
    app->Drives()->Merge(app->Settings()->PortName(), options.DemoIds); // the line now on another port
    app->MenuBar()->ConnectDrive();
    if (!app->Link()->IsConnected()) {
        std::fprintf(stderr, "line_overview_cpu_bench: could not connect\n");
        return 1;
    }
    RunEvents(kSettle);

    const Phase closed = Measure(*app, duration);
    app->MenuBar()->OverviewButton->click();
    RunEvents(1s);
    const Phase open = Measure(*app, duration);
    int shown = 0;
    for (const LineOverviewRow& row : app->LineOverview()->Rows())
        shown += row.State == "Connected" ? 1 : 0;
    app->LineOverview()->close();
    RunEvents(1s);
    const Phase closedAgain = Measure(*app, duration);

    const double closedMean = (closed.CpuPercent + closedAgain.CpuPercent) / 2;
    std::printf("drives=%d baud=%d closed_cpu_percent=%.2f/%.2f open_cpu_percent=%.2f overview_added=%.2f "
                "(goal <= 1 of one core)\n",
                kDrives, kBaud, closed.CpuPercent, closedAgain.CpuPercent, open.CpuPercent,
                open.CpuPercent - closedMean);
    std::printf(
        "polling_passes_per_s closed=%.1f open=%.1f ratio=%.3f drives_shown_connected=%d/%d over %.1f s "
        "each\n",
        closed.Passes, open.Passes, closed.Passes > 0 ? open.Passes / closed.Passes : 0.0, shown, kDrives,
        seconds);
    const int rc = messages.Count == 0 ? 0 : 1;
    app->MenuBar()->DisconnectDrive();
    app.reset();
    SetMessageService(nullptr);
    sim.terminate();
    sim.waitForFinished(5000);
    return rc;
}

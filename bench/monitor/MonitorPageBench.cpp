// Measures the CPU share of the whole program (every thread of the process:
// the windows, the link's polling thread) with the real main window shown on
// the monitoring page, connected to the simulated drive answering at wire
// speed at 115200 bit/s, no command given. The drive runs as its own process
// (velt-drive-sim --wire-timing), so its work is not counted.
//
// Three phases of equal length: the page as it is (a 10 ms tick that finds no
// new link data does nothing, cells repaint when their content changes), the
// same with the link health window shown as well, then with every grid
// repainted whole on every 10 ms tick. Prints the figures, the health
// window's share and the ratio of the first to the last.
#include "app/AppOptions.h"
#include "app/CDlgComSetting.h"
#include "app/CDlgMenuBar.h"
#include "app/CVELT_HostApp.h"
#include "app/SerialSettings.h"
#include "base/MessageService.h"
#include "bench/monitor/ShellBench.h"
#include "controls/CGridCtrl.h"
#include "link/CDriveLink.h"
#include "monitor/CDlgMonitoring.h"
#include "monitor/LinkHealthDialog.h"

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
constexpr auto kSettle = 3s; // parameter read, first polls, window painted

struct Phase {
    double CpuPercent = 0;
    double Passes = 0; // polling passes per second
    long long CellsPainted = 0;
    int Ticks = 0;
    int GridUpdates = 0; // ticks that found new link data
};

long long CellsPainted(const CDlgMonitoring& page) {
    return page.StateGrid->PaintedCellCount() + page.InputGrid->PaintedCellCount() +
           page.OutputGrid->PaintedCellCount();
}

Phase Measure(CVELT_HostApp& app, std::chrono::milliseconds duration) {
    CDlgMonitoring& page = *app.Monitoring();
    const long long cells = CellsPainted(page);
    const int ticks = page.StateTicks();
    const int updates = page.GridUpdates();
    const uint32_t passes = app.Link()->PassCount();
    QElapsedTimer wall;
    // std::clock is the processor time of the whole process, all threads.
    const std::clock_t cpu = std::clock();
    wall.start();
    RunEvents(duration);
    const double cpuSeconds = static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC;
    const double wallSeconds = static_cast<double>(wall.nsecsElapsed()) / 1e9;
    Phase p;
    p.CpuPercent = 100.0 * cpuSeconds / wallSeconds;
    p.Passes = (app.Link()->PassCount() - passes) / wallSeconds;
    p.CellsPainted = CellsPainted(page) - cells;
    p.Ticks = page.StateTicks() - ticks;
    p.GridUpdates = page.GridUpdates() - updates;
    return p;
}

// The health window's own work, measured directly: refreshes made back to
// back, each painted at once, with the rest of the program's CPU share
// (`background`, percent of one core) taken out. Returns milliseconds of CPU
// per refresh; the window makes two a second while it is shown.
double HealthRefreshMs(LinkHealthDialog& health, double background) {
    constexpr int kRefreshes = 400;
    QElapsedTimer wall;
    const std::clock_t cpu = std::clock();
    wall.start();
    for (int i = 0; i < kRefreshes; ++i) {
        health.Refresh();
        health.repaint();
    }
    const double cpuSeconds = static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC;
    const double wallSeconds = static_cast<double>(wall.nsecsElapsed()) / 1e9;
    return 1000.0 * (cpuSeconds - background / 100.0 * wallSeconds) / kRefreshes;
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
    if (!StartSimulator(sim, kComNumber, kBaud)) {
        std::fprintf(stderr, "monitor_page_bench: the simulated drive did not start\n");
        return 1;
    }

    PrintedMessages messages;
    SetMessageService(&messages);
    AppOptions options;
    options.Demo = true; // the user's remembered line is neither read nor replaced
    options.Lang = 0;
    std::unique_ptr<CVELT_HostApp> app = StartApplication(options);
    if (!app) return 1;
    SerialSettingsValues settings = app->Settings()->Values();
    settings.PortNumber = kComNumber;
    settings.BaudRate = kBaud;
    app->Settings()->Set(settings);
    app->MenuBar()->ConnectDrive();
    if (!app->Link()->IsConnected()) {
        std::fprintf(stderr, "monitor_page_bench: could not connect\n");
        return 1;
    }
    RunEvents(kSettle);

    const Phase page = Measure(*app, duration);
    app->LinkHealth()->show();
    RunEvents(1s);
    const Phase health = Measure(*app, duration);
    const double refreshMs = HealthRefreshMs(*app->LinkHealth(), page.CpuPercent);
    app->LinkHealth()->hide();
    app->Monitoring()->WholeRepaint = true;
    const Phase whole = Measure(*app, duration);
    app->Monitoring()->WholeRepaint = false;

    std::printf("page_cpu_percent=%.2f (goal <= 2 of one core)\n", page.CpuPercent);
    std::printf("with_health_window_cpu_percent=%.2f health_window_added=%.2f (goal <= 1)\n",
                health.CpuPercent, health.CpuPercent - page.CpuPercent);
    std::printf(
        "health_refresh_ms=%.3f health_window_direct_percent=%.3f (two refreshes a second, goal <= 1)\n",
        refreshMs, refreshMs * 2 / 10.0);
    std::printf("page_cpu_percent_whole_repaint=%.2f (every grid repainted whole on every tick)\n",
                whole.CpuPercent);
    std::printf("ratio=%.3f (goal <= 0.3)\n",
                whole.CpuPercent > 0 ? page.CpuPercent / whole.CpuPercent : 0.0);
    std::printf(
        "ticks=%d/%d ticks_with_new_data=%d/%d cells_painted=%lld/%lld polling_passes_per_s=%.1f/%.1f "
        "over %.1f s each\n",
        page.Ticks, whole.Ticks, page.GridUpdates, whole.GridUpdates, page.CellsPainted, whole.CellsPainted,
        page.Passes, whole.Passes, seconds);
    const int rc = messages.Count == 0 ? 0 : 1;
    app->MenuBar()->DisconnectDrive();
    app.reset();
    SetMessageService(nullptr);
    sim.terminate();
    sim.waitForFinished(5000);
    return rc;
}

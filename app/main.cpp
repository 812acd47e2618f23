// velt-host: the desktop program.
#include "AppOptions.h"
#include "CDlgMenuBar.h"
#include "CMainFrame.h"
#include "CVELT_HostApp.h"
#include "QtMessageService.h"
#include "SessionDriver.h"
#include "VeltVersion.h"
#include "base/MessageService.h"

#ifdef VELT_HAVE_DEMO
#include "DemoDrive.h"
#endif

#include <QApplication>
#include <QPixmap>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

using namespace std::chrono_literals;

namespace {
std::atomic<bool> g_stopRequested{false};
void OnStopSignal(int) {
    g_stopRequested = true;
}

// Long enough for the connect sequence, the first polls and two status
// refreshes (500 ms each) to have reached the window.
constexpr auto kScreenshotDelay = 3s;
constexpr auto kSignalCheckPeriod = 200ms;
} // namespace

int main(int argc, char** argv) {
    // Help and version need no display: answer them before Qt looks for one.
    // Qt's own options are still among the arguments here; QApplication takes
    // them out before the options are read for good below.
    const velt::AppOptions early = velt::ParseAppOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (early.Help) {
        std::fputs(velt::AppUsage(), stdout);
        return 0;
    }
    if (early.Version) {
        velt::PrintVersion("velt-host");
        return 0;
    }
    QApplication qapp(argc, argv);
    // Ties the windows to velt-host.desktop, so that the desktop shows its icon (Wayland app id).
    QGuiApplication::setDesktopFileName(QStringLiteral("velt-host"));
    std::vector<std::string> args(argv + 1, argv + argc);
    velt::AppOptions options = velt::ParseAppOptions(args);
    if (!options.Error.empty()) {
        std::fprintf(stderr, "velt-host: %s\n%s", options.Error.c_str(), velt::AppUsage());
        return 2;
    }
    if (options.Help) {
        std::fputs(velt::AppUsage(), stdout);
        return 0;
    }

#ifdef VELT_HAVE_DEMO
    // Before anything resolves a port name: the demo's COM3 lives in a
    // private ports folder for this run.
    std::unique_ptr<velt::DemoDrive> demo;
    if (options.Demo) {
        demo = std::make_unique<velt::DemoDrive>();
        std::string error;
        const std::vector<uint8_t> ids = options.DemoIds.empty()
                                             ? std::vector<uint8_t>{static_cast<uint8_t>(options.DemoId)}
                                             : options.DemoIds;
        if (!demo->StartLine(&error, static_cast<uint32_t>(options.DemoBaud), ids)) {
            std::fprintf(stderr, "velt-host: cannot start the simulated drive: %s\n", error.c_str());
            return 1;
        }
        demo->StartControlInput();
        if (options.DemoTcp) {
            if (!demo->StartGateway(&error)) {
                std::fprintf(stderr, "velt-host: cannot start the simulated gateway: %s\n", error.c_str());
                return 1;
            }
            options.DemoLine = demo->NetworkName();
        }
    }
#else
    // The simulated drive serves on a pseudo-terminal, which this system
    // lacks: a demo needs a real line with a drive on its far end.
    if (options.Demo) {
        std::fprintf(stderr, "velt-host: --demo needs a pseudo-terminal, which this system does not have.\n"
                             "To try the program without a drive, join two COM ports with a null-modem pair\n"
                             "(com0com or similar), run a velt-drive-sim compatible drive on one of them\n"
                             "and connect velt-host to the other.\n");
        return 1;
    }
#endif

    velt::QtMessageService messages;
    velt::SetMessageService(&messages);
    std::unique_ptr<velt::CVELT_HostApp> app = velt::StartApplication(options);
    if (!app) return 1;

    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);
    QTimer signalCheck;
    QObject::connect(&signalCheck, &QTimer::timeout, [&app] {
        if (!g_stopRequested || !app->MainFrame()) return;
        // An open message box holds the close back until it is answered: answer it as its close
        // button would, so that a stop signal ends the program without anyone at the screen.
        if (QWidget* box = QApplication::activeModalWidget()) box->close();
        app->MainFrame()->close();
    });
    signalCheck.start(kSignalCheckPeriod);

    if (options.Connect) {
        QTimer::singleShot(0, app->MenuBar(), &velt::CDlgMenuBar::ConnectDrive);
    }
    auto session = std::make_unique<velt::SessionDriver>(app->SessionParts(), options, messages);
    if (!options.Screenshot.empty()) {
        QTimer::singleShot(kScreenshotDelay, app->MainFrame(), [&app, &options] {
            if (!app->MainFrame()->grab().save(QString::fromStdString(options.Screenshot))) {
                std::fprintf(stderr, "velt-host: cannot write %s\n", options.Screenshot.c_str());
            }
            app->MainFrame()->close();
        });
    }
    const int rc = qapp.exec();
    session.reset();
    app.reset();
    velt::SetMessageService(nullptr);
    return rc;
}

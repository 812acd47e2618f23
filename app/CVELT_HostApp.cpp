#include "CVELT_HostApp.h"

#include "CDlgComSetting.h"
#include "CDlgMenuBar.h"
#include "CMainFrame.h"
#include "controls/Accessible.h"
#include "controls/BusyScope.h"
#include "link/CDriveLink.h"
#include "monitor/CDlgLinkHealth.h"
#include "monitor/CDlgMonitoring.h"
#include "monitor/CDlgRTUMonitoring.h"
#include "params/CDlgParameter.h"
#include "params/CDlgSetValDEC.h"
#include "params/CDlgSetValHEX.h"
#include "params/Language.h"
#include "params/ParamCatalogue.h"
#include "params/ParamWorkingCopy.h"
#include "platform/TickCount.h"
#include "repeat/CDlgRepeat.h"
#include "scope/CDlgScope.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTimer>
#include <QTranslator>

#include <memory>

namespace velt {

namespace {
CVELT_HostApp* g_app = nullptr;

// Qt's own texts (the file dialogs, the buttons of message boxes) in the
// program's language: Qt's Korean translations from a translations folder
// beside the program (the Windows zip), else from Qt's own folder (Debian:
// qt6-translations-l10n). Without them those texts stay English.
void UseQtTranslations(bool korean) {
    static std::unique_ptr<QTranslator> installed;
    if (installed) QCoreApplication::removeTranslator(installed.get());
    installed.reset();
    if (!korean) return;
    const QString folders[] = {QCoreApplication::applicationDirPath() + QStringLiteral("/translations"),
                               QLibraryInfo::path(QLibraryInfo::TranslationsPath)};
    for (const QString& folder : folders) {
        auto translator = std::make_unique<QTranslator>();
        if (!translator->load(QLocale(QLocale::Korean, QLocale::SouthKorea), QStringLiteral("qtbase"),
                              QStringLiteral("_"), folder))
            continue;
        QCoreApplication::installTranslator(translator.get());
        installed = std::move(translator);
        return;
    }
}

// The pause after each stopped thread before its window or the link goes.
// Nothing is processed during it: the thread has ended (or was given up on)
// by then, and its window's queued calls are dropped with the window.
constexpr uint32_t kAfterThreadStopMs = 100;

template <typename T> void DestroyWindow(T*& window) {
    delete window;
    window = nullptr;
}
} // namespace

CVELT_HostApp* theApp() {
    return g_app;
}

CVELT_HostApp::CVELT_HostApp() {
    g_app = this;
}

CVELT_HostApp::~CVELT_HostApp() {
    SetUiIdleHandler({});
    Shutdown();
    frame_.reset();
    if (g_app == this) g_app = nullptr;
}

bool CVELT_HostApp::IsKorean() const {
    return IsKoreanLanguage();
}

bool CVELT_HostApp::IsBusy() const {
    return IsUiBusy();
}

bool CVELT_HostApp::InitInstance(const AppOptions& options) {
    InstallAccessibility(); // before any window: names, toggles and Enter on buttons
    frame_ = std::make_unique<CMainFrame>(*this);

    remembersSettings_ = !options.Demo;
    const bool korean = options.Lang >= 0 ? options.Lang == 1 : SystemDefaultIsKorean();
    ApplyLanguage(korean);
    UseQtTranslations(korean);
    SetUiIdleHandler([this] {
        if (!closePending_ || !frame_) return;
        closePending_ = false;
        QTimer::singleShot(0, frame_.get(), [frame = frame_.get()] { frame->close(); });
    });

    Link = new CDriveLink();
    Link->StartThread();

    CreateWindows();
    ConnectLink();
    PlaceStrips();
    if (options.Reconnect) {
        ComSetting->ReconnectAutomatically = true;
        ComSetting->ReconnectCheck->setChecked(true);
    }

    frame_->show();
    return true;
}

void CVELT_HostApp::Float(QWidget* window, const char* className) {
    window->move(0, 0);
    window->hide();
    creationOrder_.emplace_back(className);
}

void CVELT_HostApp::Child(QWidget*, const char* className) {
    creationOrder_.emplace_back(className);
}

void CVELT_HostApp::CreateWindows() {
    QWidget* frame = frame_.get();
    Float(ComSetting = new CDlgComSetting(*this), "CDlgComSetting");
    Child(MenuBar = new CDlgMenuBar(*this, frame), "CDlgMenuBar");
    const bool korean = IsKorean();
    Child(RtuMonitor = new CDlgRTUMonitoring(
              Link, korean,
              [this] {
                  if (MenuBar) MenuBar->DriveStoppedAnswering();
              },
              frame),
          "CDlgRTUMonitoring");
    CDlgMonitoring::Wiring monitoring;
    monitoring.Link = Link;
    monitoring.Korean = korean;
    monitoring.ShowRepeatWindow = [this] {
        if (!Repeat) return;
        Repeat->show();
        Repeat->raise();
        Repeat->activateWindow();
    };
    monitoring.RegisterName = [korean](int reg) { return std::string(ParamTable(korean)[reg].name); };
    Child(Monitoring = new CDlgMonitoring(std::move(monitoring), frame), "CDlgMonitoring");
    ParamCopy = std::make_unique<ParamWorkingCopy>();
    CDlgParameter::Wiring parameter;
    parameter.Link = Link;
    parameter.Copy = ParamCopy.get();
    parameter.Korean = korean;
    parameter.OpenValueDialog = [this](const QString& help, int number, int32_t value, bool hex) {
        OpenValueDialog(help, number, value, hex);
    };
    Child(Parameter = new CDlgParameter(std::move(parameter), frame), "CDlgParameter");
    Float(SetValDec = new CDlgSetValDEC(korean, *ParamCopy), "CDlgSetValDEC");
    Float(SetValHex = new CDlgSetValHEX(korean, *ParamCopy), "CDlgSetValHEX");
    Float(Repeat = new CDlgRepeat(Link, korean), "CDlgRepeat");
    for (CDlgScope*& scope : Scopes)
        Float(scope = new CDlgScope(Link, korean), "CDlgScope");
    Float(LinkHealth = new CDlgLinkHealth(Link, korean), "CDlgLinkHealth");
}

void CVELT_HostApp::OpenValueDialog(const QString& help, int number, int32_t value, bool hex) {
    if (hex) {
        if (SetValHex) SetValHex->OpenForParameter(help, number, value);
    } else if (SetValDec) {
        SetValDec->OpenForParameter(help, number, value);
    }
}

// The link calls back into three windows; all exist before the user can
// connect, and the link is stopped before any of them is destroyed.
void CVELT_HostApp::ConnectLink() {
    Link->SetDriveIdSource(ComSetting);
    Link->SetParamsReadSink(Parameter);
    Link->SetFrameLog(Monitoring);
}

void CVELT_HostApp::PlaceStrips() {
    StripSizes strips;
    strips.Hbar = MenuBar->height();
    strips.Hmon = RtuMonitor->height();
    strips.Hpage = Monitoring->height();
    strips.Wmon = RtuMonitor->width();
    layout_ = ComputeShellLayout(strips, CurrentOperatingSystemClass());

    const auto place = [this](QWidget* strip, int y, bool shown) {
        strip->move(layout_.StripX, y);
        strip->raise();
        strip->setVisible(shown);
    };
    place(MenuBar, layout_.MenuBarY, true);
    place(RtuMonitor, layout_.RtuMonitorY, true);
    place(Monitoring, layout_.PageY, true);
    place(Parameter, layout_.PageY, false);

    const PixelSize client = ClientSizeOfFrame(layout_.Frame);
    frame_->resize(client.Width, client.Height);
}

void CVELT_HostApp::Shutdown() {
    if (shutDown_) return;
    shutDown_ = true;
    for (CDlgScope*& scope : Scopes) {
        if (!scope) continue;
        scope->StopScopeThread();
        SleepMs(kAfterThreadStopMs);
        DestroyWindow(scope);
    }
    // It reads the link's journal on its timer.
    DestroyWindow(LinkHealth);
    // The RepeatThread writes through the link: it ends before the link goes.
    if (Repeat) {
        Repeat->StopRepeatThread();
        SleepMs(kAfterThreadStopMs);
        DestroyWindow(Repeat);
    }
    if (Link) {
        Link->StopThread();
        SleepMs(kAfterThreadStopMs);
        delete Link;
        Link = nullptr;
    }
    DestroyWindow(ComSetting);
    DestroyWindow(MenuBar);
    DestroyWindow(RtuMonitor);
    DestroyWindow(Monitoring);
    DestroyWindow(Parameter);
    DestroyWindow(SetValDec);
    DestroyWindow(SetValHex);
}

std::unique_ptr<CVELT_HostApp> StartApplication(const AppOptions& options) {
    auto app = std::make_unique<CVELT_HostApp>();
    if (!app->InitInstance(options)) return nullptr;
    return app;
}

} // namespace velt

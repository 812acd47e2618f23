#include "CVELT_HostApp.h"

#include "CDlgComSetting.h"
#include "CDlgMenuBar.h"
#include "monitor/CDlgMonitoring.h"
#include "params/CDlgParameter.h"
#include "monitor/CDlgRTUMonitoring.h"
#include "scope/CDlgRepeat.h"
#include "scope/CDlgScope.h"
#include "params/CDlgSetValDEC.h"
#include "params/CDlgSetValHEX.h"
#include "CMainFrame.h"
#include "link/CDriveLink.h"
#include "params/Language.h"
#include "platform/TickCount.h"

#include <QTimer>

namespace velt {

namespace {
CVELT_HostApp* g_app = nullptr;

// Gives a stopped worker's last posted messages time to drain before its
// window goes.
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
    Shutdown();
    frame_.reset();
    if (g_app == this) g_app = nullptr;
}

CVELT_HostApp::BusyScope::BusyScope(CVELT_HostApp& app) : app_(app) {
    ++app_.busy_;
}

CVELT_HostApp::BusyScope::~BusyScope() {
    if (--app_.busy_ == 0 && app_.closePending_ && app_.frame_) {
        app_.closePending_ = false;
        QTimer::singleShot(0, app_.frame_.get(), [frame = app_.frame_.get()] { frame->close(); });
    }
}

bool CVELT_HostApp::InitInstance(const AppOptions& options) {
    frame_ = std::make_unique<CMainFrame>(*this);

    const bool korean = options.Lang >= 0 ? options.Lang == 1 : SystemDefaultIsKorean();
    IsKorean = korean ? 1 : 0;
    ApplyLanguage(korean);

    Link = new CDriveLink();
    Link->StartThread();

    CreateWindows();
    ConnectLink();
    PlaceStrips();

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
    Child(RtuMonitor = new CDlgRTUMonitoring(*this, frame), "CDlgRTUMonitoring");
    Child(Monitoring = new CDlgMonitoring(*this, frame), "CDlgMonitoring");
    Child(Parameter = new CDlgParameter(*this, frame), "CDlgParameter");
    Float(SetValDec = new CDlgSetValDEC(), "CDlgSetValDEC");
    Float(SetValHex = new CDlgSetValHEX(), "CDlgSetValHEX");
    Float(Repeat = new CDlgRepeat(*this), "CDlgRepeat");
    for (CDlgScope*& scope : Scopes)
        Float(scope = new CDlgScope(*this), "CDlgScope");
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

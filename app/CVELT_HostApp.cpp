#include "CVELT_HostApp.h"

#include "CDlgComSetting.h"
#include "CDlgMenuBar.h"
#include "CMainFrame.h"
#include "FindDriveDialog.h"
#include "LineDrives.h"
#include "SerialSettings.h"
#include "SessionWiring.h"
#include "controls/Accessible.h"
#include "controls/BusyScope.h"
#include "controls/CButtonST.h"
#include "controls/CColorStatic.h"
#include "controls/ConnectionWatch.h"
#include "link/CDriveLink.h"
#include "link/ConnectionSupervisor.h"
#include "monitor/CDlgMonitoring.h"
#include "monitor/CDlgRTUMonitoring.h"
#include "monitor/LineOverviewDialog.h"
#include "monitor/LinkHealthDialog.h"
#include "params/CDlgParameter.h"
#include "params/CDlgSetValDEC.h"
#include "params/CDlgSetValHEX.h"
#include "params/ParamCatalogue.h"
#include "params/ParamWorkingCopy.h"
#include "platform/SystemLanguage.h"
#include "repeat/CDlgRepeat.h"
#include "scope/CDlgScope.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QPushButton>
#include <QTimer>
#include <QTranslator>

#include <memory>

namespace velt {

namespace {
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

void ShowOnTop(QWidget* window) {
    if (window == nullptr) return;
    window->show();
    window->raise();
    window->activateWindow();
}
} // namespace

CVELT_HostApp::CVELT_HostApp() = default;

CVELT_HostApp::~CVELT_HostApp() {
    SetUiIdleHandler({});
    Shutdown();
    frame_.reset();
}

bool CVELT_HostApp::IsBusy() const {
    return IsUiBusy();
}

bool CVELT_HostApp::InitInstance(const AppOptions& options) {
    InstallAccessibility(); // before any window: names, toggles and Enter on buttons
    frame_ = std::make_unique<CMainFrame>(*this);

    remembersSettings_ = !options.Demo;
    korean_ = options.Lang >= 0 ? options.Lang == 1 : SystemDefaultIsKorean();
    UseQtTranslations(korean_);
    SetUiIdleHandler([this] {
        if (!closePending_ || !frame_) return;
        closePending_ = false;
        QTimer::singleShot(0, frame_.get(), [frame = frame_.get()] { frame->close(); });
    });

    // A demonstration starts at the default settings, so that Connect
    // reaches the demo drive, and neither reads nor replaces the user's own.
    settings_ = std::make_unique<SerialSettings>(remembersSettings_);
    if (options.Reconnect) settings_->SetReconnect(true);
    const std::vector<uint8_t>& demoIds = options.DemoIds;
    if (!options.DemoLine.empty() || !demoIds.empty()) {
        SerialSettingsValues values = settings_->Values();
        if (!options.DemoLine.empty()) values.PortName = options.DemoLine;
        if (!demoIds.empty()) values.DriveId = demoIds.front();
        settings_->Set(values);
    }
    lineDrives_ = std::make_unique<LineDrives>(remembersSettings_);
    if (!demoIds.empty()) lineDrives_->Merge(settings_->PortName(), demoIds); // the demo's line, for this run
    link_ = std::make_unique<CDriveLink>();
    link_->StartThread();
    supervisor_ = std::make_unique<ConnectionSupervisor>(
        *link_, [settings = settings_.get()] { return settings->ReconnectAutomatically(); });
    watch_ = std::make_unique<ConnectionWatch>(supervisor_.get());

    CreateWindows();
    ConnectLink();
    PlaceStrips();
    ShowDriveInTitles();

    frame_->show();
    return true;
}

void CVELT_HostApp::Float(QWidget* window, const char* className) {
    window->move(0, 0);
    window->hide();
    creationOrder_.emplace_back(className);
}

void CVELT_HostApp::Child(const char* className) {
    creationOrder_.emplace_back(className);
}

void CVELT_HostApp::CreateWindows() {
    CreateShellWindows();
    CreatePages();
}

// The serial settings, the connection bar (which follows the connection
// before any other window does) and the register strip.
void CVELT_HostApp::CreateShellWindows() {
    CDlgComSetting::Wiring settings;
    settings.Settings = settings_.get();
    settings.Korean = korean_;
    settings.IsConnected = [link = link_.get()] { return link->IsConnected(); };
    settings.MayChangeDrive = [this](uint8_t to) { return !parameter_ || parameter_->MayChangeDrive(to); };
    settings.DriveChanging = [this](uint8_t to) { StopForDriveChange(to); };
    settings.SettingsTaken = [this] { ShowDriveInTitles(); };
    settings.KeepFoundDrives = [this](const std::vector<FoundDrive>& found) { KeepFoundDrives(found); };
    comSetting_ = std::make_unique<CDlgComSetting>(std::move(settings));
    Float(comSetting_.get(), "CDlgComSetting");

    CDlgMenuBar::Wiring bar;
    bar.Korean = korean_;
    bar.Link = link_.get();
    bar.Supervisor = supervisor_.get();
    bar.Watch = watch_.get();
    bar.Settings = settings_.get();
    bar.PortDisplayName = [this] { return comSetting_->PortDisplayName(); };
    bar.StopDriveSearch = [this] {
        if (comSetting_->FindDrive) comSetting_->FindDrive->StopSearch();
    };
    bar.ShowComSetting = [this] {
        comSetting_->show();
        comSetting_->raise();
    };
    bar.ShowMonitoringPage = [this] { ShowPage(false); };
    bar.ShowParameterPage = [this] { ShowPage(true); };
    bar.ShowNextScope = [this] { ShowNextScope(); };
    bar.ShowLinkHealth = [this] {
        linkHealth_->show();
        linkHealth_->raise();
    };
    bar.ShowLineOverview = [this] { ShowOnTop(lineOverview_.get()); };
    bar.LoadParameterFile = [this] { parameter_->LoadParameterFile(); };
    bar.SaveParameterFile = [this] { parameter_->SaveParameterFile(); };
    bar.LineDrives = [this] { return lineDrives_->Of(settings_->PortName()); };
    bar.SwitchDrive = [this](uint8_t to) { return comSetting_->ChangeDriveId(to); };
    bar.NameDrive = [this] { NameDrive(); };
    bar.AddDrive = [this] { AddDrive(); };
    menuBar_ = std::make_unique<CDlgMenuBar>(std::move(bar), frame_.get());
    Child("CDlgMenuBar");

    rtuMonitor_ = std::make_unique<CDlgRTUMonitoring>(link_.get(), korean_, watch_.get(), frame_.get());
    Child("CDlgRTUMonitoring");
}

void CVELT_HostApp::CreatePages() {
    QWidget* frame = frame_.get();
    CDlgMonitoring::Wiring monitoring;
    monitoring.Link = link_.get();
    monitoring.Korean = korean_;
    monitoring.Watch = watch_.get();
    monitoring.ShowRepeatWindow = [this] { ShowOnTop(repeat_.get()); };
    monitoring.RegisterName = [korean = korean_](int reg) {
        return std::string(ParamTable(korean)[reg].name);
    };
    monitoring_ = std::make_unique<CDlgMonitoring>(std::move(monitoring), frame);
    Child("CDlgMonitoring");
    paramCopy_ = std::make_unique<ParamWorkingCopy>();
    CDlgParameter::Wiring parameter;
    parameter.Link = link_.get();
    parameter.Copy = paramCopy_.get();
    parameter.Korean = korean_;
    parameter.OpenValueDialog = [this](const QString& help, int number, int32_t value, bool hex) {
        if (hex)
            setValHex_->OpenForParameter(help, number, value);
        else
            setValDec_->OpenForParameter(help, number, value);
    };
    parameter.OtherDrives = [this] {
        std::vector<std::pair<uint8_t, std::string>> others;
        for (const LineDrive& d : lineDrives_->Of(settings_->PortName()))
            if (d.Id != settings_->SettingsDriveId()) others.emplace_back(d.Id, d.Name);
        return others;
    };
    parameter_ = std::make_unique<CDlgParameter>(std::move(parameter), frame);
    Child("CDlgParameter");
    setValDec_ = std::make_unique<CDlgSetValDEC>(korean_, *paramCopy_);
    Float(setValDec_.get(), "CDlgSetValDEC");
    setValHex_ = std::make_unique<CDlgSetValHEX>(korean_, *paramCopy_);
    Float(setValHex_.get(), "CDlgSetValHEX");
    repeat_ = std::make_unique<CDlgRepeat>(link_.get(), korean_);
    Float(repeat_.get(), "CDlgRepeat");
    for (std::unique_ptr<CDlgScope>& scope : scopes_) {
        scope = std::make_unique<CDlgScope>(link_.get(), korean_);
        Float(scope.get(), "CDlgScope");
    }
    linkHealth_ = std::make_unique<LinkHealthDialog>(link_.get(), korean_);
    Float(linkHealth_.get(), "LinkHealthDialog");
    CreateLineOverview();
}

void CVELT_HostApp::CreateLineOverview() {
    LineOverviewDialog::Wiring overview;
    overview.Link = link_.get();
    overview.Korean = korean_;
    overview.LineIds = [this] { return LineIds(); };
    overview.DriveName = [this](uint8_t id) { return DriveNameOf(settings_->PortName(), id); };
    overview.SelectDrive = [this](uint8_t id) { comSetting_->ChangeDriveId(id); };
    lineOverview_ = std::make_unique<LineOverviewDialog>(std::move(overview));
    Float(lineOverview_.get(), "LineOverviewDialog");
}

std::vector<uint8_t> CVELT_HostApp::LineIds() const {
    std::vector<uint8_t> ids;
    const std::string port = settings_->PortName();
    if (lineDrives_)
        for (const LineDrive& drive : lineDrives_->Of(port))
            ids.push_back(drive.Id);
    if (!ids.empty() || comSetting_->FindDrive == nullptr) return ids;
    const SerialSettingsValues values = settings_->Values();
    for (const FoundDrive& d : comSetting_->FindDrive->FoundDrives())
        if (d.Port == port && d.Baud == static_cast<uint32_t>(values.BaudRate) && d.Exception == 0)
            ids.push_back(d.Id);
    return ids;
}

std::array<CDlgScope*, CVELT_HostApp::kScopeCount> CVELT_HostApp::Scopes() const {
    std::array<CDlgScope*, kScopeCount> scopes{};
    for (size_t k = 0; k < scopes.size(); ++k)
        scopes[k] = scopes_[k].get();
    return scopes;
}

void CVELT_HostApp::ShowPage(bool parameterPage) {
    QWidget* shown = parameterPage ? static_cast<QWidget*>(parameter_.get()) : monitoring_.get();
    QWidget* hidden = parameterPage ? static_cast<QWidget*>(monitoring_.get()) : parameter_.get();
    hidden->hide();
    shown->show();
}

// The first scope window (in creation order) that is not shown; none when all are.
void CVELT_HostApp::ShowNextScope() {
    for (const std::unique_ptr<CDlgScope>& scope : scopes_) {
        if (!scope->isVisible()) {
            scope->show();
            scope->raise();
            return;
        }
    }
}

// The link calls back into three parts; all exist before the user can
// connect, and the link is stopped before any of them is destroyed.
void CVELT_HostApp::ConnectLink() {
    link_->SetDriveIdSource(settings_.get());
    link_->SetParamsReadSink(parameter_.get());
    link_->SetFrameLog(monitoring_.get());
}

void CVELT_HostApp::PlaceStrips() {
    StripSizes strips;
    strips.Hbar = menuBar_->height();
    strips.Hmon = rtuMonitor_->height();
    strips.Hpage = monitoring_->height();
    strips.Wmon = rtuMonitor_->width();
    layout_ = ComputeShellLayout(strips, CurrentOperatingSystemClass());

    const auto place = [this](QWidget* strip, int y, bool shown) {
        strip->move(layout_.StripX, y);
        strip->raise();
        strip->setVisible(shown);
    };
    place(menuBar_.get(), layout_.MenuBarY, true);
    place(rtuMonitor_.get(), layout_.RtuMonitorY, true);
    place(monitoring_.get(), layout_.PageY, true);
    place(parameter_.get(), layout_.PageY, false);

    const PixelSize client = ClientSizeOfFrame(layout_.Frame);
    frame_->resize(client.Width, client.Height);
}

SessionWiring CVELT_HostApp::SessionParts() {
    SessionWiring w;
    w.Link = [this] { return link_.get(); };
    w.Watch = watch_.get();
    w.PressScope = [this] {
        if (menuBar_) menuBar_->ScopeButton->click();
    };
    w.RunVisibleScopes = [this] {
        int running = 0;
        for (const std::unique_ptr<CDlgScope>& scope : scopes_) {
            if (!scope || !scope->isVisible()) continue;
            if (scope->RunState() == 0) scope->RunStopButton->click();
            running += scope->RunState() != 0 ? 1 : 0;
        }
        return running;
    };
    w.VisibleScopes = [this] {
        int n = 0;
        for (const std::unique_ptr<CDlgScope>& scope : scopes_)
            n += scope && scope->isVisible() ? 1 : 0;
        return n;
    };
    w.PressServoOn = [this] {
        if (monitoring_) monitoring_->ServoOnButton->click();
    };
    w.PressRepeatTest = [this] {
        if (monitoring_) monitoring_->RepeatButton->click();
    };
    w.PressRepeatStart = [this] {
        if (repeat_) repeat_->StartButton->click();
    };
    w.RepeatState = [this] { return repeat_ ? repeat_->Sequence().Status() : RepeatStatus{}; };
    w.ParamsReadCount = [this] { return parameter_ ? parameter_->ParamsReadCount : 0; };
    w.ShownVersions = [this] {
        if (!menuBar_) return std::string();
        return menuBar_->HwVersionLabel->text().toStdString() + " | " +
               menuBar_->SwVersionLabel->text().toStdString();
    };
    return w;
}

// Every thread is stopped (or given up on) before what it uses goes; a
// window's queued calls are dropped with the window.
void CVELT_HostApp::Shutdown() {
    if (shutDown_) return;
    shutDown_ = true;
    for (std::unique_ptr<CDlgScope>& scope : scopes_) {
        if (!scope) continue;
        scope->StopScopeThread();
        scope.reset();
    }
    // It reads the link's journal on its timer.
    linkHealth_.reset();
    lineOverview_.reset();
    // The RepeatThread writes through the link: it ends before the link goes.
    if (repeat_) {
        repeat_->StopRepeatThread();
        repeat_.reset();
    }
    if (link_) {
        link_->StopThread();
        watch_.reset();
        supervisor_.reset();
        link_.reset();
    }
    comSetting_.reset();
    menuBar_.reset();
    rtuMonitor_.reset();
    monitoring_.reset();
    parameter_.reset();
    setValDec_.reset();
    setValHex_.reset();
}

std::unique_ptr<CVELT_HostApp> StartApplication(const AppOptions& options) {
    auto app = std::make_unique<CVELT_HostApp>();
    if (!app->InitInstance(options)) return nullptr;
    return app;
}

} // namespace velt

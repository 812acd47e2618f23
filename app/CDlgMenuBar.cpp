#include "CDlgMenuBar.h"

#include "CDlgComSetting.h"
#include "CDlgFindDrive.h"
#include "CVELT_HostApp.h"
#include "ShellTexts.h"
#include "base/MessageService.h"
#include "controls/Accessible.h"
#include "controls/BusyScope.h"
#include "controls/CButtonST.h"
#include "controls/CColorStatic.h"
#include "controls/DialogFont.h"
#include "controls/QtText.h"
#include "controls/WaitWithMessages.h"
#include "link/CDriveLink.h"
#include "link/DriveMap.h"
#include "link/LinkTexts.h"
#include "link/PortOpenText.h"
#include "monitor/CDlgLinkHealth.h"
#include "monitor/CDlgMonitoring.h"
#include "params/CDlgParameter.h"
#include "res/Icons.h"
#include "scope/CDlgScope.h"

#include <QDesktopServices>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QUrl>

#include <chrono>

namespace velt {

using namespace std::chrono_literals;

namespace {
constexpr auto kStatusPeriod = 500ms;
// After a failed first read: time for the MainThread's next disconnected pass
// (one poll sleep of 200 ms plus a pass in progress) to close the port, so an
// immediate second Connect finds it closed.
constexpr uint32_t kReadFailSettleMs = 500;
constexpr uint32_t kReadFailMessageDelayMs = 100;
// Disconnect waits twice this long for the same reason.
constexpr uint32_t kDisconnectStepMs = 500;

const QColor kCaptionHover(0, 128, 0);
const QColor kConnectedBk(0, 128, 0);
const QColor kDisconnectedBk(50, 50, 50);
const QColor kHwText(255, 0, 0);
const QColor kSwText(0, 0, 255);
const QColor kReconnectingBk(200, 120, 0);

} // namespace

CDlgMenuBar::CDlgMenuBar(CVELT_HostApp& app, QWidget* frame) : QWidget(frame), app_(app) {
    setObjectName(QStringLiteral("CDlgMenuBar"));
    setFont(DialogFont());
    setFixedSize(DluSize(660, 46));
    CreatePageButtons();
    CreateStatusPanel();

    LoadButton->hide();
    SaveButton->hide();

    connect(&statusTimer_, &QTimer::timeout, this, &CDlgMenuBar::RefreshStatus);
    statusTimer_.start(kStatusPeriod);
}

void CDlgMenuBar::CreatePageButtons() {
    struct Entry {
        CButtonST** Member;
        const char* Caption;
        int Icon;
        void (CDlgMenuBar::*Handler)();
    };
    const Entry entries[] = {
        {&ComSettingButton, "Com Setting", kIconComSetting, &CDlgMenuBar::OnComSetting},
        {&MonitoringButton, "Monitoring", kIconMonitoring, &CDlgMenuBar::OnMonitoring},
        {&ParameterButton, "Parameter", kIconParameter, &CDlgMenuBar::OnParameter},
        {&ScopeButton, "Scope", kIconScope, &CDlgMenuBar::OnScope},
        {&LoadButton, "Load", kIconLoad, &CDlgMenuBar::OnLoad},
        {&SaveButton, "Save", kIconSave, &CDlgMenuBar::OnSave},
    };
    int x = 3;
    for (const Entry& e : entries) {
        auto* button = new CButtonST(this);
        button->setText(QString::fromLatin1(e.Caption));
        NameAfterCaption(button, button->text());
        button->SetIcon(VeltIcon(e.Icon));
        button->SetCaptionColours(Qt::black, kCaptionHover);
        button->setGeometry(DluRect(x, 4, 66, 38));
        connect(button, &QPushButton::clicked, this, e.Handler);
        *e.Member = button;
        x += 67;
    }
}

void CDlgMenuBar::CreateStatusPanel() {
    auto* group = new QGroupBox(this);
    group->setGeometry(DluRect(407, 1, 205, 43));
    ProtocolText = new QLabel(QStringLiteral("ModBusRTU"), this);
    ProtocolText->setGeometry(DluRect(412, 8, 44, 9));
    DriveIdText = new QLabel(QStringLiteral("Drive ID : 20"), this);
    DriveIdText->setGeometry(DluRect(412, 21, 90, 9));
    PortText = new QLabel(QStringLiteral("COM20, 115200, 8, NONE, 1"), this);
    PortText->setGeometry(DluRect(412, 32, 90, 9));

    StatusLabel = new CColorStatic(this);
    StatusLabel->setText(QStringLiteral("DisConnect"));
    StatusLabel->setGeometry(DluRect(458, 6, 44, 12));
    HwVersionLabel = new CColorStatic(this);
    HwVersionLabel->setGeometry(DluRect(505, 21, 102, 9));
    SwVersionLabel = new CColorStatic(this);
    SwVersionLabel->setGeometry(DluRect(505, 32, 102, 9));
    for (CColorStatic* label : {StatusLabel, HwVersionLabel, SwVersionLabel})
        label->setAlignment(Qt::AlignCenter);
    HwVersionLabel->setText(Qs(HwVersionText(0)));
    HwVersionLabel->SetTextColour(kHwText);
    SwVersionLabel->setText(Qs(SwVersionText(0)));
    SwVersionLabel->SetTextColour(kSwText);

    ConnectButton = new QPushButton(QStringLiteral("Connect"), this);
    ConnectButton->setGeometry(DluRect(505, 5, 50, 14));
    DisconnectButton = new QPushButton(QStringLiteral("DisConnect"), this);
    DisconnectButton->setGeometry(DluRect(557, 5, 50, 14));
    connect(ConnectButton, &QPushButton::clicked, this, &CDlgMenuBar::ConnectDrive);
    connect(DisconnectButton, &QPushButton::clicked, this, &CDlgMenuBar::DisconnectDrive);

    WebButton = new CButtonST(this);
    WebButton->SetIcon(VeltIcon(kIconLogo));
    // The logo has no caption; readers announce what it opens.
    NameAfterCaption(WebButton, app_.IsKorean() ? QStringLiteral("웹 사이트") : QStringLiteral("Web site"));
    WebButton->setGeometry(DluRect(615, 4, 42, 26));
    HealthButton = new QPushButton(QString::fromUtf8(kLinkHealthCaption.Pick(app_.IsKorean())), this);
    HealthButton->setGeometry(DluRect(615, 31, 42, 12));
    NameAfterCaption(HealthButton, HealthButton->text());
    connect(HealthButton, &QPushButton::clicked, this, &CDlgMenuBar::OnLinkHealth);
    connect(WebButton, &QPushButton::clicked, this, &CDlgMenuBar::OnWeb);
}

void CDlgMenuBar::SetConnectEnabled(bool connectEnabled) {
    ConnectButton->setEnabled(connectEnabled);
    DisconnectButton->setEnabled(!connectEnabled);
}

void CDlgMenuBar::ConnectDrive() {
    CDriveLink* link = app_.Link;
    CDlgComSetting* settings = app_.ComSetting;
    if (!link || !settings) return;
    const BusyScope busy;
    const bool korean = app_.IsKorean();

    if (reconnecting_) StopReconnecting();
    SetConnectEnabled(false);
    // A search for drives holds the port it searches; the user wants the
    // connection now.
    if (settings->FindDrive) settings->FindDrive->StopSearch();
    link->DriveId = settings->DriveId.load();
    // Opened and flagged under the link's lock: the MainThread, still running
    // disconnected passes, must not close the fresh port before the flag is set.
    // Reconnecting opens the same COM name again, so that an adapter that
    // comes back under the same name (a by-id link) is found again.
    const uint8_t port = settings->PortNumber;
    const std::string device = settings->PortName;
    const auto baud = static_cast<uint32_t>(settings->BaudRate);
    openPort_ = [port, device, baud](CModbusPort& p) {
        return device.empty() ? p.OpenPort(port, baud) : p.OpenDevice(device, baud);
    };
    // The reason is read under the link's lock, right after the open.
    SerialOpenError openError;
    const int opened = link->OpenAndConnect([&](CModbusPort& p) {
        const int result = openPort_(p);
        if (result != 1) openError = p.LastOpenError();
        return result;
    });
    if (!opened) {
        ShowMessage(PortOpenFailMessage(openError, korean));
        SetConnectEnabled(true);
        return;
    }
    if (link->ReadAllParams() != RTU_OK) {
        link->Disconnect();
        WaitRepaintingOnly(kReadFailSettleMs);
        SetConnectEnabled(true);
        WaitRepaintingOnly(kReadFailMessageDelayMs);
        ShowMessage(kAllParamReadFail.Pick(korean));
    }
}

void CDlgMenuBar::DisconnectDrive() {
    CDriveLink* link = app_.Link;
    if (reconnecting_) {
        StopReconnecting();
        return;
    }
    if (!link || link->Connected != 1) return;
    const BusyScope busy;
    link->Disconnect();
    WaitRepaintingOnly(kDisconnectStepMs);
    WaitRepaintingOnly(kDisconnectStepMs);
    SetConnectEnabled(true);
}

void CDlgMenuBar::DriveStoppedAnswering() {
    FollowReconnect(); // a reconnect that the status refresh has not seen yet
    CDriveLink* link = app_.Link;
    const bool reconnect = link && link->Connected == 1 && app_.ComSetting &&
                           app_.ComSetting->ReconnectAutomatically && openPort_;
    if (!reconnect) {
        DisconnectDrive();
        return;
    }
    const bool korean = app_.IsKorean();
    if (app_.Monitoring) app_.Monitoring->AddNote(Qs(LinkLostNote(korean)));
    DisconnectDrive();
    // After the disconnect's wait, in which the MainThread has closed the port:
    // the first try comes a second later.
    link->StartReconnecting(openPort_);
    ShowReconnecting(true);
}

void CDlgMenuBar::StopReconnecting() {
    if (app_.Link) app_.Link->StopReconnecting();
    if (!reconnecting_) return;
    ShowReconnecting(false);
    SetConnectEnabled(true);
    RefreshStatus();
}

void CDlgMenuBar::ShowReconnecting(bool on) {
    reconnecting_ = on;
    const bool korean = app_.IsKorean();
    ProtocolText->setVisible(!on);
    StatusLabel->setGeometry(on ? DluRect(412, 6, 90, 12) : DluRect(458, 6, 44, 12));
    DisconnectButton->setText(on ? QString::fromUtf8(kStopCaption.Pick(korean))
                                 : QStringLiteral("DisConnect"));
    NameAfterCaption(DisconnectButton,
                     on ? QString::fromUtf8(kStopReconnectingName.Pick(korean)) : DisconnectButton->text());
    if (on) {
        ConnectButton->setEnabled(false);
        DisconnectButton->setEnabled(true);
        FollowReconnect();
    }
}

void CDlgMenuBar::FollowReconnect() {
    CDriveLink* link = app_.Link;
    if (!link || !reconnecting_) return;
    const bool korean = app_.IsKorean();
    if (link->Reconnecting.load() == 0) {
        const bool connected = link->Connected.load() == 1;
        ShowReconnecting(false);
        SetConnectEnabled(!connected);
        if (connected && app_.Monitoring)
            app_.Monitoring->AddNote(Qs(ReconnectedNote(link->ReconnectAttempts.load(), korean)));
        return;
    }
    StatusLabel->setText(Qs(ReconnectingText(link->ReconnectAttempts.load(), korean)));
    StatusLabel->SetBkColour(kReconnectingBk);
    StatusLabel->SetTextColour(Qt::white);
}

void CDlgMenuBar::OnLinkHealth() {
    if (!app_.LinkHealth) return;
    app_.LinkHealth->show();
    app_.LinkHealth->raise();
}

void CDlgMenuBar::OnComSetting() {
    if (!app_.ComSetting) return;
    app_.ComSetting->show();
    app_.ComSetting->raise();
}

void CDlgMenuBar::OnMonitoring() {
    if (app_.Parameter) app_.Parameter->hide();
    if (app_.Monitoring) app_.Monitoring->show();
    LoadButton->hide();
    SaveButton->hide();
}

void CDlgMenuBar::OnParameter() {
    if (app_.Monitoring) app_.Monitoring->hide();
    if (app_.Parameter) app_.Parameter->show();
    LoadButton->show();
    SaveButton->show();
}

void CDlgMenuBar::OnScope() {
    if (!app_.Link) return;
    for (CDlgScope* scope : app_.Scopes) {
        if (!scope) return;
    }
    for (CDlgScope* scope : app_.Scopes) {
        if (!scope->isVisible()) {
            scope->show();
            scope->raise();
            return;
        }
    }
}

void CDlgMenuBar::OnLoad() {
    if (app_.Parameter) app_.Parameter->LoadParameterFile();
}

void CDlgMenuBar::OnSave() {
    if (app_.Parameter) app_.Parameter->SaveParameterFile();
}

void CDlgMenuBar::OnWeb() {
    QDesktopServices::openUrl(QUrl(QString::fromLatin1(kMakerWebAddress)));
}

void CDlgMenuBar::RefreshStatus() {
    CDlgComSetting* settings = app_.ComSetting;
    CDriveLink* link = app_.Link;
    if (!settings || !link) return;
    DriveIdText->setText(Qs(velt::DriveIdText(settings->DriveId.load())));
    PortText->setText(Qs(velt::PortText(settings->PortDisplayName(), settings->BaudRate, settings->DataBits,
                                        settings->Parity, settings->StopBits)));
    FollowReconnect();
    if (!reconnecting_) {
        const bool connected = link->Connected == 1;
        StatusLabel->setText(connected ? QStringLiteral("Connect") : QStringLiteral("Disconnect"));
        StatusLabel->SetBkColour(connected ? kConnectedBk : kDisconnectedBk);
        StatusLabel->SetTextColour(Qt::white);
    }

    const ParamBlock params = link->ParamRegs();
    HwVersionLabel->setText(Qs(HwVersionText(params[drive::HardwareVersionRegister])));
    HwVersionLabel->SetTextColour(kHwText);
    SwVersionLabel->setText(Qs(SwVersionText(params[drive::SoftwareVersionRegister])));
    SwVersionLabel->SetTextColour(kSwText);
}

} // namespace velt

#include "CDlgMenuBar.h"

#include "LineDrivesTexts.h"
#include "SerialSettings.h"
#include "ShellTexts.h"
#include "base/MessageService.h"
#include "controls/Accessible.h"
#include "controls/BusyScope.h"
#include "controls/CButtonST.h"
#include "controls/CColorStatic.h"
#include "controls/ConnectionWatch.h"
#include "controls/DialogFont.h"
#include "controls/QtText.h"
#include "controls/WaitWithMessages.h"
#include "link/DriveMap.h"
#include "link/LineName.h"
#include "link/LinkTexts.h"
#include "link/PortOpenText.h"
#include "res/Icons.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QUrl>

#include <algorithm>
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
// The drive choice's entries after the drives: their data.
constexpr int kNameDriveData = -1;
constexpr int kAddDriveData = -2;

const QColor kCaptionHover(0, 128, 0);
const QColor kConnectedBk(0, 128, 0);
const QColor kDisconnectedBk(50, 50, 50);
const QColor kHwText(255, 0, 0);
const QColor kSwText(0, 0, 255);
const QColor kReconnectingBk(200, 120, 0);

} // namespace

CDlgMenuBar::CDlgMenuBar(Wiring wiring, QWidget* frame) : QWidget(frame), wiring_(std::move(wiring)) {
    setObjectName(QStringLiteral("CDlgMenuBar"));
    setFont(DialogFont());
    setFixedSize(DluSize(660, 46));
    CreatePageButtons();
    CreateStatusPanel();

    LoadButton->hide();
    SaveButton->hide();

    connect(&statusTimer_, &QTimer::timeout, this, &CDlgMenuBar::RefreshStatus);
    statusTimer_.start(kStatusPeriod);
    if (wiring_.Watch != nullptr)
        connect(wiring_.Watch, &ConnectionWatch::Changed, this, &CDlgMenuBar::FollowConnection);
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
    DriveChoice = new QComboBox(this);
    DriveChoice->setGeometry(DluRect(412, 19, 90, 12));
    DriveChoice->hide();
    NameAfterCaption(DriveChoice, Qs(kDriveChoiceName.Pick(wiring_.Korean)));
    connect(DriveChoice, &QComboBox::activated, this, &CDlgMenuBar::OnDriveChosen);
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
    NameAfterCaption(WebButton, Qs(kWebSiteName.Pick(wiring_.Korean)));
    WebButton->setGeometry(DluRect(615, 4, 42, 13));
    OverviewButton = new QPushButton(Qs(kLineOverviewCaption.Pick(wiring_.Korean)), this);
    OverviewButton->setGeometry(DluRect(613, 18, 46, 12));
    NameAfterCaption(OverviewButton, OverviewButton->text());
    connect(OverviewButton, &QPushButton::clicked, this, &CDlgMenuBar::OnLineOverview);
    HealthButton = new QPushButton(QString::fromUtf8(kLinkHealthCaption.Pick(wiring_.Korean)), this);
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
    ConnectionSupervisor* supervisor = wiring_.Supervisor;
    if (supervisor == nullptr || wiring_.Settings == nullptr) return;
    const BusyScope busy;
    const bool korean = wiring_.Korean;

    if (reconnecting_) StopReconnecting();
    SetConnectEnabled(false);
    Call(wiring_.StopDriveSearch);
    const ConnectionSupervisor::ConnectOutcome outcome =
        supervisor->Connect(wiring_.Settings->Address(), wiring_.Settings->SettingsDriveId());
    if (outcome.What == ConnectionSupervisor::ConnectOutcome::Kind::PortOpenFailed) {
        ShowMessage(PortOpenFailMessage(outcome.OpenError, korean));
        SetConnectEnabled(true);
        return;
    }
    if (outcome.What == ConnectionSupervisor::ConnectOutcome::Kind::ReadFailed) {
        WaitRepaintingOnly(kReadFailSettleMs);
        SetConnectEnabled(true);
        WaitRepaintingOnly(kReadFailMessageDelayMs);
        ShowMessage(kAllParamReadFail.Pick(korean));
    }
}

void CDlgMenuBar::DisconnectDrive() {
    if (reconnecting_) {
        StopReconnecting();
        return;
    }
    if (wiring_.Supervisor == nullptr || wiring_.Link == nullptr || !wiring_.Link->IsConnected()) return;
    const BusyScope busy;
    wiring_.Supervisor->Disconnect();
    WaitRepaintingOnly(kDisconnectStepMs);
    WaitRepaintingOnly(kDisconnectStepMs);
    SetConnectEnabled(true);
}

void CDlgMenuBar::StopReconnecting() {
    if (wiring_.Supervisor != nullptr) wiring_.Supervisor->StopReconnecting();
    if (!reconnecting_) return;
    ShowReconnecting(false);
    SetConnectEnabled(true);
    RefreshStatus();
}

ConnectionStatus CDlgMenuBar::SupervisorStatus() const {
    return wiring_.Supervisor != nullptr ? wiring_.Supervisor->Status() : ConnectionStatus{};
}

void CDlgMenuBar::FollowConnection(const ConnectionStatus& status) {
    const bool wasReconnecting = reconnecting_;
    const bool nowReconnecting = status.State == ConnectionState::Reconnecting;
    if (nowReconnecting != wasReconnecting) ShowReconnecting(nowReconnecting);
    // A loss, the end of a reconnecting, or a return: the buttons follow.
    if (!nowReconnecting && (wasReconnecting || status.State == ConnectionState::Lost))
        SetConnectEnabled(status.State != ConnectionState::Connected);
    ShowState(status);
}

void CDlgMenuBar::ShowReconnecting(bool on) {
    reconnecting_ = on;
    const bool korean = wiring_.Korean;
    ProtocolText->setVisible(!on);
    StatusLabel->setGeometry(on ? DluRect(412, 6, 90, 12) : DluRect(458, 6, 44, 12));
    DisconnectButton->setText(on ? Qs(kStopCaption.Pick(korean)) : QStringLiteral("DisConnect"));
    NameAfterCaption(DisconnectButton,
                     on ? Qs(kStopReconnectingName.Pick(korean)) : DisconnectButton->text());
    if (on) {
        ConnectButton->setEnabled(false);
        DisconnectButton->setEnabled(true);
    }
}

void CDlgMenuBar::ShowState(const ConnectionStatus& status) {
    if (reconnecting_) {
        StatusLabel->setText(Qs(ReconnectingText(status.Tries, wiring_.Korean)));
        StatusLabel->SetBkColour(kReconnectingBk);
    } else {
        const bool connected = wiring_.Link != nullptr && wiring_.Link->IsConnected();
        StatusLabel->setText(connected ? QStringLiteral("Connect") : QStringLiteral("Disconnect"));
        StatusLabel->SetBkColour(connected ? kConnectedBk : kDisconnectedBk);
    }
    StatusLabel->SetTextColour(Qt::white);
}

void CDlgMenuBar::OnLinkHealth() {
    Call(wiring_.ShowLinkHealth);
}

void CDlgMenuBar::OnLineOverview() {
    Call(wiring_.ShowLineOverview);
}

void CDlgMenuBar::OnComSetting() {
    Call(wiring_.ShowComSetting);
}

void CDlgMenuBar::OnMonitoring() {
    Call(wiring_.ShowMonitoringPage);
    LoadButton->hide();
    SaveButton->hide();
}

void CDlgMenuBar::OnParameter() {
    Call(wiring_.ShowParameterPage);
    LoadButton->show();
    SaveButton->show();
}

void CDlgMenuBar::OnScope() {
    Call(wiring_.ShowNextScope);
}

void CDlgMenuBar::OnLoad() {
    Call(wiring_.LoadParameterFile);
}

void CDlgMenuBar::OnSave() {
    Call(wiring_.SaveParameterFile);
}

void CDlgMenuBar::OnWeb() {
    QDesktopServices::openUrl(QUrl(QString::fromLatin1(kMakerWebAddress)));
}

void CDlgMenuBar::RefreshStatus() {
    const SerialSettings* settings = wiring_.Settings;
    if (settings == nullptr || wiring_.Link == nullptr) return;
    const SerialSettingsValues values = settings->Values();
    RefreshDriveChoice();
    std::string idText = velt::DriveIdText(values.DriveId);
    for (const LineDrive& d : choiceDrives_)
        if (d.Id == values.DriveId && !d.Name.empty()) idText += "  " + d.Name;
    DriveIdText->setText(Qs(idText));
    const std::string port = wiring_.PortDisplayName ? wiring_.PortDisplayName() : settings->PortName();
    // A network line has no serial format of its own to show.
    PortText->setText(Qs(IsNetworkLineName(port) ? port
                                                 : velt::PortText(port, values.BaudRate, values.DataBits,
                                                                  values.Parity, values.StopBits)));
    const ConnectionStatus status = SupervisorStatus();
    if (reconnecting_ && status.State != ConnectionState::Reconnecting) FollowConnection(status);
    ShowState(status);

    const ParamBlock params = wiring_.Link->ParamRegs();
    HwVersionLabel->setText(Qs(HwVersionText(params[drive::HardwareVersionRegister])));
    HwVersionLabel->SetTextColour(kHwText);
    SwVersionLabel->setText(Qs(SwVersionText(params[drive::SoftwareVersionRegister])));
    SwVersionLabel->SetTextColour(kSwText);
}

void CDlgMenuBar::RefreshDriveChoice() {
    if (wiring_.Settings == nullptr) return;
    const uint8_t id = wiring_.Settings->SettingsDriveId();
    std::vector<LineDrive> drives = wiring_.LineDrives ? wiring_.LineDrives() : std::vector<LineDrive>{};
    if (drives == choiceDrives_ && id == choiceId_) return;
    choiceDrives_ = std::move(drives);
    choiceId_ = id;
    const QSignalBlocker quiet(DriveChoice);
    DriveChoice->clear();
    std::vector<LineDrive> entries = choiceDrives_;
    // The drive in use is always an entry, also when the list lacks it.
    if (std::none_of(entries.begin(), entries.end(), [id](const LineDrive& d) { return d.Id == id; }))
        entries.insert(
            std::find_if(entries.begin(), entries.end(), [id](const LineDrive& d) { return d.Id > id; }),
            LineDrive{id, {}});
    for (const LineDrive& d : entries) {
        DriveChoice->addItem(QStringLiteral("ID ") + Qs(LineDriveEntryText(d)), static_cast<int>(d.Id));
        if (d.Id == id) DriveChoice->setCurrentIndex(DriveChoice->count() - 1);
    }
    DriveChoice->insertSeparator(DriveChoice->count());
    DriveChoice->addItem(Qs(kNameDriveEntry.Pick(wiring_.Korean)), kNameDriveData);
    DriveChoice->addItem(Qs(kAddDriveEntry.Pick(wiring_.Korean)), kAddDriveData);
    const bool shown = !choiceDrives_.empty();
    DriveChoice->setVisible(shown);
    DriveIdText->setVisible(!shown);
}

void CDlgMenuBar::OnDriveChosen(int index) {
    const int data = DriveChoice->itemData(index).toInt();
    if (data == kNameDriveData)
        Call(wiring_.NameDrive);
    else if (data == kAddDriveData)
        Call(wiring_.AddDrive);
    else if (data > 0 && wiring_.SwitchDrive)
        wiring_.SwitchDrive(static_cast<uint8_t>(data));
    // The choice shows the drive in force: the one switched to, or the one
    // kept when the user stayed.
    choiceId_ = 0;
    RefreshStatus();
}

} // namespace velt

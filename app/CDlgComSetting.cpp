#include "CDlgComSetting.h"

#include "FindDriveDialog.h"
#include "SerialSettingsText.h"
#include "SerialSettingsTexts.h"
#include "ShellTexts.h"
#include "base/MessageService.h"
#include "base/PathText.h"
#include "controls/Accessible.h"
#include "controls/DialogFont.h"
#include "link/LineName.h"
#include "link/ScanTexts.h"
#include "platform/PortsFolder.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>

namespace velt {

namespace {
constexpr int kPortCount = 30;
const char* const kBaudRates[] = {"9600", "19200", "38400", "57600", "115200"};
constexpr int kMaxComNumber = 255; // PortNumber is 8 bits
// Room beside the list for the device names in the drop-down.
constexpr int kPortPopupMargin = 24;

QLabel* AddLabel(QWidget* parent, const char* text, QRect rect) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->setGeometry(rect);
    return label;
}
} // namespace

CDlgComSetting::CDlgComSetting(Wiring wiring)
    : QDialog(nullptr), settings_(*wiring.Settings), korean_(wiring.Korean),
      isConnected_(std::move(wiring.IsConnected)), mayChangeDrive_(std::move(wiring.MayChangeDrive)) {
    setObjectName(QStringLiteral("CDlgComSetting"));
    setWindowTitle(QStringLiteral("COM Setting"));
    setFont(DialogFont());
    // Wider than the group box: the port list's Refresh and Find Drive sit
    // to its right. Taller for the reconnect option under the group.
    setFixedSize(DluSize(222, 156));
    setModal(false);
    CreateControls(korean_);
    CreateFindDrive(korean_);
    CreateReconnectOption(korean_);
    InitValues();
}

void CDlgComSetting::CreateControls(bool korean) {
    auto* group = new QGroupBox(QStringLiteral("Com Port"), this);
    group->setGeometry(DluRect(7, 4, 146, 110));
    QLabel* portLabel = AddLabel(this, "Port", DluRect(16, 20, 40, 9));
    QLabel* baudLabel = AddLabel(this, "Baud Rate", DluRect(16, 37, 40, 9));
    AddLabel(this, "Data", DluRect(16, 54, 40, 9));
    AddLabel(this, "Parity", DluRect(16, 67, 40, 9));
    AddLabel(this, "Stop Bit", DluRect(16, 80, 40, 9));
    QLabel* idLabel = AddLabel(this, "Drive ID", DluRect(16, 96, 40, 9));
    AddLabel(this, "8", DluRect(62, 54, 40, 9));
    AddLabel(this, "NONE", DluRect(62, 67, 40, 9));
    AddLabel(this, "1", DluRect(62, 80, 40, 9));

    PortList = new QComboBox(this);
    PortList->setEditable(true);
    PortList->setGeometry(DluRect(60, 18, 84, 13));
    BaudList = new QComboBox(this);
    BaudList->setEditable(true);
    for (QComboBox* box : {PortList, BaudList})
        box->setInsertPolicy(QComboBox::NoInsert);
    BaudList->setGeometry(DluRect(60, 35, 84, 13));
    DriveIdEdit = new QLineEdit(this);
    DriveIdEdit->setAlignment(Qt::AlignCenter);
    DriveIdEdit->setGeometry(DluRect(60, 94, 84, 13));
    NameAfterLabel(PortList, portLabel);
    NameAfterLabel(BaudList, baudLabel);
    NameAfterLabel(DriveIdEdit, idLabel);

    OkButton = new QPushButton(QString::fromUtf8(kOkCaption.Pick(korean)), this);
    OkButton->setGeometry(DluRect(24, 121, 50, 14));
    CancelButton = new QPushButton(QString::fromUtf8(kCancelCaption.Pick(korean)), this);
    CancelButton->setGeometry(DluRect(86, 121, 50, 14));
    for (QPushButton* b : {OkButton, CancelButton}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    connect(OkButton, &QPushButton::clicked, this, &CDlgComSetting::OnOk);
    connect(CancelButton, &QPushButton::clicked, this, &CDlgComSetting::reject);

    const QString refresh = QString::fromUtf8(kRefreshPorts.Pick(korean));
    RefreshButton = new QPushButton(style()->standardIcon(QStyle::SP_BrowserReload), refresh, this);
    RefreshButton->setGeometry(DluRect(158, 17, 58, 14));
    FindDriveButton = new QPushButton(QString::fromUtf8(kFindDriveButton.Pick(korean)), this);
    FindDriveButton->setGeometry(DluRect(158, 34, 58, 14));
    for (QPushButton* b : {RefreshButton, FindDriveButton}) {
        b->setAutoDefault(false);
        NameAfterCaption(b, b->text());
    }
    connect(RefreshButton, &QPushButton::clicked, this, &CDlgComSetting::RefreshPorts);
    // The bit rate is the gateway's business on a network line.
    connect(PortList, &QComboBox::currentTextChanged, this, [this, korean](const QString& text) {
        const bool network = IsNetworkLineName(text.trimmed().toStdString());
        BaudList->setEnabled(!network);
        BaudList->setToolTip(network ? QString::fromUtf8(kBaudNotForNetwork.Pick(korean)) : QString());
    });
    connect(FindDriveButton, &QPushButton::clicked, this, &CDlgComSetting::OpenFindDrive);
}

void CDlgComSetting::CreateFindDrive(bool korean) {
    FindDriveDialog::Wiring wiring;
    wiring.Korean = korean;
    wiring.SelectedPort = [this] { return SelectedPortName(); };
    wiring.AllPorts = [] {
        std::vector<std::string> names;
        for (const SerialPortInfo& port : ListSerialPortsAndFolder())
            names.push_back(port.Name);
        return names;
    };
    wiring.Order = [this] {
        const SerialSettingsInput in = ParseSerialSettings(u"COM", BaudList->currentText().toStdU16String(),
                                                           DriveIdEdit->text().toStdU16String());
        ScanOrder order;
        order.CurrentBaud = static_cast<uint32_t>(in.BaudRate > 0 ? in.BaudRate : 0);
        order.CurrentId = in.DriveId;
        const uint8_t lastId = settings_.RememberedDriveId();
        order.LastUsedId = lastId != 0 ? lastId : settings_.SettingsDriveId();
        return order;
    };
    wiring.IsConnected = [this] { return isConnected_ && isConnected_(); };
    wiring.UseDrive = [this](const FoundDrive& drive) { UseFoundDrive(drive); };
    FindDrive = new FindDriveDialog(std::move(wiring), this);
    FindDrive->hide();
}

// Under the port group; the buttons move down for it.
void CDlgComSetting::CreateReconnectOption(bool korean) {
    ReconnectCheck = new QCheckBox(QString::fromUtf8(kReconnectOption.Pick(korean)), this);
    ReconnectCheck->setGeometry(DluRect(16, 117, 130, 10));
    NameAfterCaption(ReconnectCheck, ReconnectCheck->text());
    const int buttonsY = DluRect(0, 135, 0, 0).y();
    for (QPushButton* b : {OkButton, CancelButton})
        b->move(b->x(), buttonsY);
}

void CDlgComSetting::InitValues() {
    for (int n = 1; n <= kPortCount; ++n) {
        PortList->addItem(QStringLiteral("COM%1").arg(n));
    }
    RefreshPortTips();
    for (const char* baud : kBaudRates)
        BaudList->addItem(QString::fromLatin1(baud));
    BaudList->setCurrentIndex(0);
    // The settings in force: the defaults, or the port remembered from the
    // last run (a device is listed by RefreshPorts, also while it is unplugged).
    const SerialSettingsValues values = settings_.Values();
    if (!values.PortName.empty())
        PortList->addItem(QString::fromStdString(values.PortName), QString::fromStdString(values.PortName));
    ShowSettingsInForce();
    RefreshPorts();
}

// Each entry's tooltip names the device the port stands for on this machine
// (the ports folder may change while the program runs).
void CDlgComSetting::RefreshPortTips() {
    for (int i = 0; i < kPortCount; ++i) {
        const std::string name = "COM" + std::to_string(i + 1);
        PortList->setItemData(i, QString::fromStdString(ResolvePortName(name)), Qt::ToolTipRole);
    }
}

void CDlgComSetting::showEvent(QShowEvent* event) {
    RefreshPorts();
    QDialog::showEvent(event);
}

void CDlgComSetting::OnOk() {
    if (!TakeValues()) return;
    hide();
}

void CDlgComSetting::accept() {
    OnOk();
}

bool CDlgComSetting::TakeValues() {
    const std::string device = ChosenDevice();
    const SerialSettingsCheck check = CheckSerialSettings(
        PortList->currentText().toStdString(), !device.empty(), BaudList->currentText().toStdString(),
        DriveIdEdit->text().toStdString(), korean_);
    if (!check.ok()) {
        // Nothing is taken; the user corrects the field the message names.
        ShowMessage(check.message);
        QWidget* field = check.bad == SerialField::Port   ? static_cast<QWidget*>(PortList)
                         : check.bad == SerialField::Baud ? static_cast<QWidget*>(BaudList)
                                                          : static_cast<QWidget*>(DriveIdEdit);
        field->setFocus(Qt::OtherFocusReason);
        if (auto* edit = qobject_cast<QLineEdit*>(field))
            edit->selectAll();
        else if (auto* box = qobject_cast<QComboBox*>(field); box != nullptr && box->lineEdit() != nullptr)
            box->lineEdit()->selectAll();
        return false;
    }
    const SerialSettingsInput& in = check.values;
    if (in.DriveId != settings_.SettingsDriveId() && mayChangeDrive_ && !mayChangeDrive_(in.DriveId)) {
        DriveIdEdit->setFocus(Qt::OtherFocusReason);
        DriveIdEdit->selectAll();
        return false;
    }
    SerialSettingsValues values = settings_.Values();
    values.DriveId = in.DriveId;
    const int com = ComNumberOf(device);
    if (device.empty()) {
        values.PortNumber = in.PortNumber;
        values.PortName.clear();
    } else if (com >= 1 && com <= kMaxComNumber) {
        // A port the system lists by its COM name (Windows) is that COM port.
        values.PortNumber = static_cast<uint8_t>(com);
        values.PortName.clear();
    } else {
        values.PortName = device;
    }
    values.BaudRate = in.BaudRate;
    values.Reconnect = ReconnectCheck->isChecked();
    settings_.Set(values);
    return true;
}

void CDlgComSetting::reject() {
    ShowSettingsInForce();
    hide();
}

void CDlgComSetting::ShowSettingsInForce() {
    const SerialSettingsValues values = settings_.Values();
    if (values.PortName.empty()) {
        SelectPort("COM" + std::to_string(values.PortNumber));
    } else {
        const int index = PortList->findData(QString::fromStdString(values.PortName));
        if (index >= 0)
            PortList->setCurrentIndex(index);
        else
            PortList->setEditText(QString::fromStdString(values.PortName));
    }
    const int baud = BaudList->findText(QString::number(values.BaudRate));
    if (baud >= 0)
        BaudList->setCurrentIndex(baud);
    else
        BaudList->setEditText(QString::number(values.BaudRate));
    DriveIdEdit->setText(QString::number(values.DriveId));
    ReconnectCheck->setChecked(values.Reconnect);
}

std::string CDlgComSetting::ChosenDevice() const {
    const int index = PortList->currentIndex();
    const QString text = PortList->currentText();
    if (index >= kPortCount && PortList->itemText(index) == text)
        return PortList->itemData(index).toString().toStdString();
    // A device path or a network line typed into the box is taken as it is.
    const std::string typed = text.trimmed().toStdString();
    if (text.startsWith(QLatin1Char('/')) || IsNetworkLineName(typed)) return typed;
    return {};
}

std::string CDlgComSetting::SelectedPortName() const {
    const std::string device = ChosenDevice();
    return device.empty() ? PortList->currentText().trimmed().toStdString() : device;
}

std::string CDlgComSetting::PortDisplayName() const {
    const SerialSettingsValues values = settings_.Values();
    if (values.PortName.empty()) return "COM" + std::to_string(values.PortNumber);
    if (IsNetworkLineName(values.PortName)) return values.PortName;
    for (const SerialPortInfo& port : devices_)
        if (port.Name == values.PortName) return port.ShortName;
    return PathText(std::filesystem::path(values.PortName).filename());
}

void CDlgComSetting::RefreshPorts() {
    const int index = PortList->currentIndex();
    const QString text = PortList->currentText();
    const QString device = index >= kPortCount ? PortList->itemData(index).toString() : QString();
    while (PortList->count() > kPortCount)
        PortList->removeItem(kPortCount);
    devices_ = ListSerialPorts();
    // The port in use stays on the list: a device typed by its path that the
    // listing does not know, or one that is unplugged (so that the user sees
    // which one it was).
    const std::string inUse = settings_.Values().PortName;
    const bool inUseListed = std::any_of(devices_.begin(), devices_.end(),
                                         [&inUse](const SerialPortInfo& p) { return p.Name == inUse; });
    if (!inUse.empty() && !inUseListed) {
        SerialPortInfo kept;
        kept.Name = kept.Device = kept.ShortName = inUse;
        std::error_code ec;
        if (!IsNetworkLineName(inUse) && !std::filesystem::exists(PathFromUtf8(inUse), ec))
            kept.Label = kPortNotPresent.Pick(korean_);
        devices_.push_back(kept);
    }
    for (const std::string& line : settings_.RecentNetworkLines()) {
        if (line == inUse) continue;
        SerialPortInfo recent;
        recent.Name = recent.Device = recent.ShortName = line;
        devices_.push_back(recent);
    }
    for (const SerialPortInfo& port : devices_) {
        PortList->addItem(QString::fromStdString(PortListText(port)), QString::fromStdString(port.Name));
        PortList->setItemData(PortList->count() - 1, QString::fromStdString(port.Device), Qt::ToolTipRole);
    }
    PortList->view()->setMinimumWidth(PortList->view()->sizeHintForColumn(0) + kPortPopupMargin);
    const int again = device.isEmpty() ? -1 : PortList->findData(device);
    if (again >= 0) {
        PortList->setCurrentIndex(again);
    } else {
        PortList->setCurrentIndex(index < kPortCount ? index : -1);
        PortList->setEditText(text);
    }
    RefreshPortTips();
}

void CDlgComSetting::SelectPort(const std::string& name) {
    const int com = ComNumberOf(name);
    const int index = com >= 1 && com <= kPortCount && name.rfind("COM", 0) == 0
                          ? com - 1
                          : PortList->findData(QString::fromStdString(name));
    if (index >= 0) {
        PortList->setCurrentIndex(index);
    } else {
        PortList->setEditText(QString::fromStdString(name));
    }
}

void CDlgComSetting::UseFoundDrive(const FoundDrive& drive) {
    SelectPort(drive.Port);
    const int baud = BaudList->findText(QString::number(drive.Baud));
    if (baud >= 0)
        BaudList->setCurrentIndex(baud);
    else
        BaudList->setEditText(QString::number(drive.Baud));
    DriveIdEdit->setText(QString::number(drive.Id));
    TakeValues();
}

bool CDlgComSetting::SelectDriveId(uint8_t id) {
    if (id == settings_.SettingsDriveId()) return true;
    if (mayChangeDrive_ && !mayChangeDrive_(id)) return false;
    SerialSettingsValues values = settings_.Values();
    values.DriveId = id;
    settings_.Set(values);
    DriveIdEdit->setText(QString::number(id));
    return true;
}

void CDlgComSetting::OpenFindDrive() {
    FindDrive->show();
    FindDrive->raise();
    FindDrive->activateWindow();
}

void CDlgComSetting::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace velt

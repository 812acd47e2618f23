#include "CDlgComSetting.h"

#include "CVELT_HostApp.h"
#include "SerialSettingsText.h"
#include "ShellTexts.h"
#include "controls/Accessible.h"
#include "controls/DialogFont.h"
#include "platform/PortsFolder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace velt {

namespace {
constexpr int kPortCount = 30;
const char* const kBaudRates[] = {"9600", "19200", "38400", "57600", "115200"};

QLabel* AddLabel(QWidget* parent, const char* text, QRect rect) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->setGeometry(rect);
    return label;
}
} // namespace

CDlgComSetting::CDlgComSetting(CVELT_HostApp& app) : QDialog(nullptr) {
    setObjectName(QStringLiteral("CDlgComSetting"));
    setWindowTitle(QStringLiteral("COM Setting"));
    setFont(DialogFont());
    setFixedSize(DluSize(160, 142));
    setModal(false);
    CreateControls(app.IsKorean());
    CreateReconnectOption(app.IsKorean());
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
}

// Under the port group; the window grows and the buttons move down for it.
void CDlgComSetting::CreateReconnectOption(bool korean) {
    ReconnectCheck = new QCheckBox(QString::fromUtf8(kReconnectOption.Pick(korean)), this);
    ReconnectCheck->setGeometry(DluRect(16, 117, 130, 10));
    NameAfterCaption(ReconnectCheck, ReconnectCheck->text());
    const int buttonsY = DluRect(0, 135, 0, 0).y();
    for (QPushButton* b : {OkButton, CancelButton})
        b->move(b->x(), buttonsY);
    setFixedSize(DluSize(160, 156));
}

void CDlgComSetting::InitValues() {
    for (int n = 1; n <= kPortCount; ++n) {
        PortList->addItem(QStringLiteral("COM%1").arg(n));
    }
    RefreshPortTips();
    for (const char* baud : kBaudRates)
        BaudList->addItem(QString::fromLatin1(baud));
    PortList->setCurrentIndex(2);
    BaudList->setCurrentIndex(0);
    DriveIdEdit->setText(QStringLiteral("1"));
    DriveId = 1;
    ReconnectCheck->setChecked(false);
    ReconnectAutomatically = false;
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
    RefreshPortTips();
    QDialog::showEvent(event);
}

void CDlgComSetting::OnOk() {
    const SerialSettingsInput in =
        ParseSerialSettings(PortList->currentText().toStdU16String(),
                            BaudList->currentText().toStdU16String(), DriveIdEdit->text().toStdU16String());
    DriveId = in.DriveId;
    PortNumber = in.PortNumber;
    BaudRate = in.BaudRate;
    ReconnectAutomatically = ReconnectCheck->isChecked();
    hide();
}

void CDlgComSetting::reject() {
    hide();
}

void CDlgComSetting::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace velt

#include "app/CDlgComSetting.h"
#include "app/CDlgMenuBar.h"
#include "app/SerialSettings.h"
#include "controls/CButtonST.h"
#include "controls/CColorStatic.h"
#include "link/CDriveLink.h"
#include "params/ParamFolders.h"
#include "platform/UserSettings.h"
#include "tests/support/ShellFixture.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace velt {
namespace {

using ComSettingTest = ShellTest;

void PressKey(QWidget* target, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(target, &release);
}

TEST_F(ComSettingTest, ListsAndDefaultsAreFilledAtStartUp) {
    Start();
    CDlgComSetting& s = *app->ComSetting();
    ASSERT_EQ(s.PortList->count(), 30);
    EXPECT_EQ(s.PortList->itemText(0), "COM1");
    EXPECT_EQ(s.PortList->itemText(29), "COM30");
    EXPECT_EQ(s.PortList->currentText(), "COM3");
    ASSERT_EQ(s.BaudList->count(), 5);
    EXPECT_EQ(s.BaudList->itemText(4), "115200");
    EXPECT_EQ(s.BaudList->currentText(), "9600");
    EXPECT_EQ(s.DriveIdEdit->text(), "1");
    EXPECT_TRUE(s.PortList->isEditable());
    EXPECT_EQ(s.Settings().SettingsDriveId(), 1);
    EXPECT_FALSE(s.PortList->itemData(0, Qt::ToolTipRole).toString().isEmpty());
}

// A drive found at 38400 bit/s, ID 7, is not searched for again at the next
// start; a damaged value starts at its default, the others still come back.
TEST_F(ComSettingTest, TheSettingsTakenLastComeBackAtTheNextStart) {
    Start();
    CDlgComSetting& s = *app->ComSetting();
    s.show();
    s.PortList->setCurrentIndex(4);
    s.BaudList->setEditText("38400");
    s.DriveIdEdit->setText("7");
    s.ReconnectCheck->setChecked(true);
    s.OkButton->click();

    app.reset();
    Start();
    CDlgComSetting& again = *app->ComSetting();
    EXPECT_EQ(again.Settings().Values().PortNumber, 5);
    EXPECT_EQ(again.Settings().Values().BaudRate, 38400);
    EXPECT_EQ(again.Settings().SettingsDriveId(), 7);
    EXPECT_TRUE(again.Settings().ReconnectAutomatically());
    EXPECT_EQ(again.BaudList->currentText(), "38400");
    EXPECT_EQ(again.DriveIdEdit->text(), "7");
    EXPECT_TRUE(again.ReconnectCheck->isChecked());

    app.reset();
    ASSERT_TRUE(WriteUserSetting(kSettingsKey, "Baud", "fast"));
    ASSERT_TRUE(WriteUserSetting(kSettingsKey, "LastDriveId", "300"));
    Start();
    EXPECT_EQ(app->Settings()->Values().BaudRate, 9600);
    EXPECT_EQ(app->Settings()->SettingsDriveId(), 1);
    EXPECT_EQ(app->Settings()->Values().PortNumber, 5);
    EXPECT_TRUE(app->Settings()->ReconnectAutomatically());
}

TEST_F(ComSettingTest, OkTakesWhatWasTypedAndCancelKeepsThePreviousValues) {
    Start();
    CDlgComSetting& s = *app->ComSetting();
    app->MenuBar()->ComSettingButton->click();
    EXPECT_TRUE(s.isVisible());
    s.OkButton->click();
    EXPECT_FALSE(s.isVisible());
    EXPECT_EQ(s.Settings().Values().PortNumber, 3);
    EXPECT_EQ(s.Settings().Values().BaudRate, 9600);
    EXPECT_EQ(s.Settings().SettingsDriveId(), 1);

    s.show();
    s.DriveIdEdit->setText("200");
    s.PortList->setEditText("COM12");
    s.BaudList->setEditText("250000");
    s.OkButton->click();
    EXPECT_EQ(s.Settings().SettingsDriveId(), 200);
    EXPECT_EQ(s.Settings().Values().PortNumber, 12);
    EXPECT_EQ(s.Settings().Values().BaudRate, 250000);
    EXPECT_EQ(s.PortList->count(), 30); // typed text is not added to the list

    s.show();
    s.DriveIdEdit->setText("9");
    s.PortList->setCurrentIndex(0);
    s.BaudList->setCurrentIndex(4);
    s.CancelButton->click();
    EXPECT_FALSE(s.isVisible());
    EXPECT_EQ(s.Settings().SettingsDriveId(), 200);
    EXPECT_EQ(s.Settings().Values().PortNumber, 12);
    EXPECT_EQ(s.Settings().Values().BaudRate, 250000);
    EXPECT_EQ(s.PortList->currentText(), "COM12"); // the fields show the settings in force again

    app->MenuBar()->RefreshStatus();
    EXPECT_EQ(app->MenuBar()->PortText->text(), "COM12, 250000, 8, 0, 1");
    EXPECT_EQ(app->MenuBar()->DriveIdText->text(), "Drive ID : 200");
}

TEST_F(ComSettingTest, ANetworkLineIsTakenByNameHasNoBaudRateAndIsListedAtTheNextStart) {
    Start();
    CDlgComSetting& s = *app->ComSetting();
    s.show();
    s.PortList->setEditText("tcp://:1502");
    EXPECT_FALSE(s.BaudList->isEnabled());
    s.OkButton->click();
    ASSERT_EQ(1u, messages.Texts.size());
    EXPECT_NE(std::string::npos, messages.Texts[0].find("tcp://:1502"));
    EXPECT_TRUE(s.isVisible());

    s.PortList->setEditText("tcp://gw.local:1502");
    s.OkButton->click();
    EXPECT_FALSE(s.isVisible());
    EXPECT_EQ("tcp://gw.local:1502", s.Settings().Address().Device);
    app->MenuBar()->RefreshStatus();
    EXPECT_EQ(app->MenuBar()->PortText->text(), "tcp://gw.local:1502");
    s.show();
    s.PortList->setEditText("COM4");
    EXPECT_TRUE(s.BaudList->isEnabled());
    s.OkButton->click();

    app.reset();
    Start();
    EXPECT_GE(app->ComSetting()->PortList->findData(QString("tcp://gw.local:1502")), 0);
}

TEST_F(ComSettingTest, EnterIsIgnoredAndEscapeHidesWithoutChanges) {
    Start();
    CDlgComSetting& s = *app->ComSetting();
    s.show();
    s.DriveIdEdit->setText("5");
    PressKey(s.DriveIdEdit, Qt::Key_Return);
    PressKey(&s, Qt::Key_Enter);
    EXPECT_TRUE(s.isVisible());
    EXPECT_EQ(s.Settings().SettingsDriveId(), 1);
    PressKey(&s, Qt::Key_Escape);
    EXPECT_FALSE(s.isVisible());
    EXPECT_EQ(s.Settings().SettingsDriveId(), 1);
}

QString AccessibleName(QWidget* w) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
    return iface != nullptr ? iface->text(QAccessible::Name) : QString();
}

TEST_F(ComSettingTest, ReconnectAutomaticallyIsOffAtStartTakenByOkAndKeptByCancel) {
    Start();
    CDlgComSetting& s = *app->ComSetting();
    EXPECT_FALSE(s.Settings().ReconnectAutomatically());
    EXPECT_FALSE(s.ReconnectCheck->isChecked());
    EXPECT_EQ(s.ReconnectCheck->text(), "Reconnect automatically");
    s.show();
    s.ReconnectCheck->setChecked(true);
    s.CancelButton->click();
    EXPECT_FALSE(s.Settings().ReconnectAutomatically());
    s.show();
    s.ReconnectCheck->setChecked(true);
    s.OkButton->click();
    EXPECT_TRUE(s.Settings().ReconnectAutomatically());
    // The option sits between the port group and the buttons, inside the window.
    EXPECT_LT(s.ReconnectCheck->geometry().bottom(), s.OkButton->geometry().top());
    EXPECT_LE(s.OkButton->geometry().bottom(), s.height());
}

QString LabelOf(QWidget* w) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
    if (iface == nullptr) return {};
    const auto relations = iface->relations(QAccessible::Label);
    return relations.isEmpty() ? QString() : relations.first().first->text(QAccessible::Name);
}

TEST_F(ComSettingTest, ConnectionBarAndSerialSettingsAreNamedForScreenReaders) {
    Start(1); // Korean
    CDlgComSetting& s = *app->ComSetting();
    // A combo box reads as its current text on Linux desktops; its label comes as a relation.
    EXPECT_EQ(s.PortList->accessibleName(), "Port");
    EXPECT_EQ(LabelOf(s.PortList), "Port");
    EXPECT_EQ(s.BaudList->accessibleName(), "Baud Rate");
    EXPECT_EQ(LabelOf(s.BaudList), "Baud Rate");
    EXPECT_EQ(AccessibleName(s.DriveIdEdit), "Drive ID");
    EXPECT_EQ(AccessibleName(s.OkButton), QString::fromUtf8("확인"));
    EXPECT_EQ(AccessibleName(s.CancelButton), QString::fromUtf8("취소"));
    EXPECT_EQ(AccessibleName(s.ReconnectCheck), QString::fromUtf8("자동으로 다시 연결"));

    CDlgMenuBar& bar = *app->MenuBar();
    EXPECT_EQ(AccessibleName(bar.ComSettingButton), "Com Setting");
    EXPECT_EQ(AccessibleName(bar.MonitoringButton), "Monitoring");
    EXPECT_EQ(AccessibleName(bar.ParameterButton), "Parameter");
    EXPECT_EQ(AccessibleName(bar.ScopeButton), "Scope");
    EXPECT_EQ(AccessibleName(bar.LoadButton), "Load");
    EXPECT_EQ(AccessibleName(bar.SaveButton), "Save");
    EXPECT_EQ(AccessibleName(bar.ConnectButton), "Connect");
    EXPECT_EQ(AccessibleName(bar.DisconnectButton), "DisConnect");
    EXPECT_EQ(AccessibleName(bar.WebButton), QString::fromUtf8("웹 사이트"));
    EXPECT_EQ(AccessibleName(bar.HealthButton), QString::fromUtf8("통신 상태"));
    // The status panel's labels read as what they show, refreshed with it.
    EXPECT_EQ(AccessibleName(bar.StatusLabel), bar.StatusLabel->text());
    EXPECT_FALSE(AccessibleName(bar.HwVersionLabel).isEmpty());
}

} // namespace
} // namespace velt

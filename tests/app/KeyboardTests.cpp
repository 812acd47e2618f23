// The whole program driven from the keyboard: Tab reaches every control of
// every window, Space and Enter press the focused button, Enter presses a
// dialog's default button, Escape closes every dialog.
#include "app/CDlgComSetting.h"
#include "app/CDlgMenuBar.h"
#include "app/CMainFrame.h"
#include "app/FindDriveDialog.h"
#include "app/SerialSettings.h"
#include "controls/CButtonST.h"
#include "monitor/CDlgMonitoring.h"
#include "monitor/LinkHealthDialog.h"
#include "params/CDlgParameter.h"
#include "params/CDlgSetValDEC.h"
#include "params/CDlgSetValHEX.h"
#include "params/CompareDialog.h"
#include "repeat/CDlgRepeat.h"
#include "scope/CDlgScope.h"
#include "tests/support/KeyboardWalk.h"
#include "tests/support/ShellFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include <utility>

namespace velt {
namespace {

using test::PressKey;
using test::ShowActive;

std::string Joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& n : names)
        text += "\n  " + n;
    return text;
}

class KeyboardTest : public ShellTest {
protected:
    // Every window that floats, each brought up as the user brings it up.
    std::vector<std::pair<const char*, QWidget*>> Dialogs() {
        app->SetValDec()->OpenForParameter(QStringLiteral("help"), 13, 100);
        app->SetValHex()->OpenForParameter(QStringLiteral("help"), 40, 255);
        app->Parameter()->CompareWindow->Open();
        return {
            {"serial settings", app->ComSetting()},
            {"find drive", app->ComSetting()->FindDrive},
            {"decimal value", app->SetValDec()},
            {"bit value", app->SetValHex()},
            {"compare", app->Parameter()->CompareWindow},
            {"scope", app->Scope(0)},
            {"repeat", app->Repeat()},
            {"link health", app->LinkHealth()},
        };
    }
};

TEST_F(KeyboardTest, TabReachesEveryControlOfTheMainWindowOnEitherPage) {
    Start(0);
    QWidget* frame = app->MainFrame();
    ASSERT_TRUE(ShowActive(frame));
    for (CButtonST* page : {app->MenuBar()->MonitoringButton, app->MenuBar()->ParameterButton}) {
        page->click();
        const std::vector<std::string> missing = test::UnreachedByTab(frame);
        EXPECT_TRUE(missing.empty()) << "with " << page->text().toStdString()
                                     << ", Tab never reaches:" << Joined(missing);
    }
}

TEST_F(KeyboardTest, TabReachesEveryControlOfEveryDialog) {
    Start(0);
    for (const auto& [name, dialog] : Dialogs()) {
        ASSERT_TRUE(ShowActive(dialog)) << name;
        const std::vector<std::string> missing = test::UnreachedByTab(dialog);
        EXPECT_TRUE(missing.empty()) << "in the " << name << " window Tab never reaches:" << Joined(missing);
        dialog->hide();
    }
}

TEST_F(KeyboardTest, SpaceAndEnterPressTheFocusedPageButtons) {
    Start(0);
    QWidget* frame = app->MainFrame();
    ASSERT_TRUE(ShowActive(frame));
    CDlgMenuBar& bar = *app->MenuBar();

    bar.ParameterButton->setFocus(Qt::TabFocusReason);
    PressKey(frame, Qt::Key_Space);
    EXPECT_TRUE(app->Parameter()->isVisible());
    EXPECT_TRUE(bar.LoadButton->isVisible());

    bar.MonitoringButton->setFocus(Qt::TabFocusReason);
    PressKey(frame, Qt::Key_Return);
    EXPECT_TRUE(app->Monitoring()->isVisible());
    EXPECT_FALSE(app->Parameter()->isVisible());

    bar.ComSettingButton->setFocus(Qt::TabFocusReason);
    PressKey(frame, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_TRUE(app->ComSetting()->isVisible());
    app->ComSetting()->hide();

    // A plain button of a page: Compare... opens its window.
    bar.ParameterButton->click();
    app->Parameter()->CompareButton->setFocus(Qt::TabFocusReason);
    PressKey(frame, Qt::Key_Return);
    EXPECT_TRUE(app->Parameter()->CompareWindow->isVisible());
}

TEST_F(KeyboardTest, EscapeClosesEveryDialogWhereverTheFocusIs) {
    Start(0);
    for (const auto& [name, dialog] : Dialogs()) {
        ASSERT_TRUE(ShowActive(dialog)) << name;
        const std::vector<QWidget*> chain = test::TabChain(dialog);
        ASSERT_FALSE(chain.empty()) << name;
        for (QWidget* control : chain) {
            if (!dialog->isVisible()) {
                ASSERT_TRUE(ShowActive(dialog)) << name;
            }
            if (!control->isVisible() || !control->isEnabled()) continue;
            control->setFocus(Qt::TabFocusReason);
            PressKey(dialog, Qt::Key_Escape);
            EXPECT_FALSE(dialog->isVisible())
                << "Escape in the " << name << " window on " << test::Describe(control) << " left it open";
        }
    }
}

TEST_F(KeyboardTest, EnterPressesTheValueDialogsDefaultButtonOrTheFocusedOne) {
    Start(0);
    CDlgSetValDEC& dec = *app->SetValDec();
    CDlgParameter& page = *app->Parameter();

    dec.OpenForParameter(QStringLiteral("help"), 13, 100);
    ASSERT_TRUE(ShowActive(&dec));
    dec.ValueEdit->setFocus(Qt::TabFocusReason);
    dec.ValueEdit->setText(QStringLiteral("321"));
    PressKey(&dec, Qt::Key_Return);
    EXPECT_FALSE(dec.isVisible());
    EXPECT_EQ(page.WorkingCopy().Values()[13], 321);

    // Enter on Cancel cancels.
    dec.OpenForParameter(QStringLiteral("help"), 13, 321);
    ASSERT_TRUE(ShowActive(&dec));
    dec.ValueEdit->setText(QStringLiteral("555"));
    dec.CancelButton->setFocus(Qt::TabFocusReason);
    PressKey(&dec, Qt::Key_Return);
    EXPECT_FALSE(dec.isVisible());
    EXPECT_EQ(page.WorkingCopy().Values()[13], 321);

    // In the bit dialog, Space ticks the focused bit and Enter confirms.
    CDlgSetValHEX& hex = *app->SetValHex();
    hex.OpenForParameter(QStringLiteral("help"), 40, 255);
    ASSERT_TRUE(ShowActive(&hex));
    hex.BitChecks[0]->setFocus(Qt::TabFocusReason);
    PressKey(&hex, Qt::Key_Space);
    EXPECT_EQ(hex.EditValue, 254);
    PressKey(&hex, Qt::Key_Return);
    EXPECT_FALSE(hex.isVisible());
    EXPECT_EQ(page.WorkingCopy().Values()[40], 254);
}

// The serial settings window takes its values with OK only: Enter in a field
// does nothing, Enter on a focused button presses that button.
TEST_F(KeyboardTest, EnterInTheSerialSettingsPressesOnlyAFocusedButton) {
    Start(0);
    CDlgComSetting& settings = *app->ComSetting();
    ASSERT_TRUE(ShowActive(&settings));
    settings.DriveIdEdit->setFocus(Qt::TabFocusReason);
    settings.DriveIdEdit->setText(QStringLiteral("7"));
    PressKey(&settings, Qt::Key_Return);
    EXPECT_TRUE(settings.isVisible());
    EXPECT_EQ(settings.Settings().SettingsDriveId(), 1);

    settings.OkButton->setFocus(Qt::TabFocusReason);
    PressKey(&settings, Qt::Key_Return);
    EXPECT_FALSE(settings.isVisible());
    EXPECT_EQ(settings.Settings().SettingsDriveId(), 7);
}

} // namespace
} // namespace velt

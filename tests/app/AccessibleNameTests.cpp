// What a screen reader reads in every window: a list by its label with its
// choice as its value, a contact button by its row, and check boxes and radio
// buttons that its toggle action changes as a click does.
#include "app/CDlgComSetting.h"
#include "app/CDlgMenuBar.h"
#include "app/CMainFrame.h"
#include "app/FindDriveDialog.h"
#include "controls/Accessible.h"
#include "link/CDriveLink.h"
#include "link/DriveMap.h"
#include "monitor/LinkHealthDialog.h"
#include "params/CDlgParameter.h"
#include "params/CDlgSetValDEC.h"
#include "params/CDlgSetValHEX.h"
#include "params/CompareDialog.h"
#include "repeat/CDlgRepeat.h"
#include "scope/CDlgScope.h"
#include "tests/support/ShellFixture.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>

namespace velt {
namespace {

QAccessibleInterface* Interface(QWidget* w) {
    return QAccessible::queryAccessibleInterface(w);
}

std::string Read(QWidget* w, QAccessible::Text t = QAccessible::Name) {
    QAccessibleInterface* iface = Interface(w);
    return iface != nullptr ? iface->text(t).toStdString() : std::string("<no interface>");
}

void DoAction(QWidget* w, const QString& action) {
    QAccessibleInterface* iface = Interface(w);
    ASSERT_NE(iface, nullptr);
    ASSERT_NE(iface->actionInterface(), nullptr);
    ASSERT_TRUE(iface->actionInterface()->actionNames().contains(action)) << action.toStdString();
    iface->actionInterface()->doAction(action);
}

// The label whose buddy the box is, if any: its caption without the colon.
QString LabelOf(QComboBox* box) {
    for (QLabel* label : box->window()->findChildren<QLabel*>())
        if (label->buddy() == box) {
            QString text = label->text().simplified();
            while (text.endsWith(QLatin1Char(':')))
                text.chop(1);
            return text.trimmed();
        }
    return {};
}

class AccessibleNames : public ShellTest, public ::testing::WithParamInterface<int> {
protected:
    std::vector<QWidget*> Windows() {
        std::vector<QWidget*> windows{app->MainFrame(), app->ComSetting(), app->ComSetting()->FindDrive,
                                      app->SetValDec(), app->SetValHex()};
        windows.push_back(app->Parameter()->CompareWindow);
        windows.push_back(app->Scope(0));
        windows.push_back(app->Repeat());
        windows.push_back(app->LinkHealth());
        return windows;
    }
};

TEST_P(AccessibleNames, EveryListIsNamedByItsLabelAndReadsItsChoiceAsItsValue) {
    Start(GetParam());
    int lists = 0;
    for (QWidget* window : Windows()) {
        for (QComboBox* box : window->findChildren<QComboBox*>()) {
            // A list shows a choice for the check to mean something.
            if (box->currentText().isEmpty() && box->count() > 0) box->setCurrentIndex(box->count() - 1);
            const std::string where =
                window->objectName().toStdString() + ": " + box->accessibleName().toStdString();
            const std::string name = Read(box);
            EXPECT_FALSE(name.empty()) << where;
            EXPECT_EQ(name, box->accessibleName().toStdString()) << where;
            EXPECT_NE(name, box->currentText().toStdString()) << where;
            EXPECT_EQ(Read(box, QAccessible::Value), box->currentText().toStdString()) << where;
            const QString label = LabelOf(box);
            if (!label.isEmpty()) {
                EXPECT_EQ(name, label.toStdString()) << where;
            }
            ++lists;
        }
    }
    EXPECT_GE(lists, 2 + 4 + 12 + 4 + 2); // settings, parameter modes and I/O, scope channels, compare
    EXPECT_EQ(Read(app->ComSetting()->PortList), "Port");
    EXPECT_EQ(Read(app->ComSetting()->PortList, QAccessible::Value), "COM3");
    EXPECT_EQ(Read(app->ComSetting()->BaudList), "Baud Rate");
    EXPECT_EQ(Read(app->Parameter()->FunctionCombos[0]), "IN 1");
}

TEST_P(AccessibleNames, ContactButtonsAreNamedWithTheirRow) {
    Start(GetParam());
    const bool korean = GetParam() == 1;
    const std::string contact = korean ? "접점" : "Contact";
    EXPECT_EQ(Read(app->Parameter()->ContactA[0]), "IN 1 " + contact + " A");
    EXPECT_EQ(Read(app->Parameter()->ContactB[0]), "IN 1 " + contact + " B");
    EXPECT_EQ(Read(app->Parameter()->ContactA[11]), "OUT 4 " + contact + " A");
}

// Connected and refreshed, every label of every window that shows a text the
// user reads: a screen reader reaches that text, as the label's name or as
// its description (a value beside its caption).
TEST_P(AccessibleNames, EveryShownTextIsReadable) {
    StartDrive();
    Start(GetParam());
    app->MenuBar()->ConnectDrive();
    ASSERT_TRUE(app->Link()->IsConnected());
    app->LinkHealth()->show();
    app->Scope(0)->show();
    app->Repeat()->show();
    ASSERT_TRUE(WaitUntil([this] { return app->Link()->Counters().StateOk > 5; }));
    WaitUntil([] { return false; }, std::chrono::milliseconds(700)); // every window's refresh has run
    int labels = 0;
    for (QWidget* window : Windows()) {
        for (QLabel* label : window->findChildren<QLabel*>()) {
            const QString shown = AccessibleCaption(label->text()).simplified();
            if (shown.isEmpty() || label->textFormat() == Qt::RichText) continue;
            ++labels;
            const QString heard =
                QString::fromStdString(Read(label) + " " + Read(label, QAccessible::Description));
            EXPECT_TRUE(heard.simplified().contains(shown))
                << window->objectName().toStdString() << ": \"" << shown.toStdString() << "\" is read as \""
                << heard.toStdString() << "\"";
        }
    }
    EXPECT_GT(labels, 50);
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, AccessibleNames, ::testing::Values(0, 1),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(info.param == 1 ? "Korean" : "English");
                         });

using AccessibleActions = ShellTest;

TEST_F(AccessibleActions, TheToggleActionTicksABitAsAClickDoes) {
    Start(0);
    CDlgSetValHEX& hex = *app->SetValHex();
    hex.OpenForParameter(QStringLiteral("help"), 40, 255);
    DoAction(hex.BitChecks[0], QAccessibleActionInterface::toggleAction());
    EXPECT_FALSE(hex.BitChecks[0]->isChecked());
    EXPECT_EQ(hex.EditValue, 254);
    EXPECT_EQ(hex.ValueLabel->text(), "254");
    EXPECT_FALSE(Interface(hex.BitChecks[0])->state().checked);
    DoAction(hex.BitChecks[0], QAccessibleActionInterface::pressAction());
    EXPECT_EQ(hex.EditValue, 255);
    EXPECT_TRUE(Interface(hex.BitChecks[0])->state().checked);
    hex.accept();
    EXPECT_EQ(app->Parameter()->WorkingCopy().Value(40), 255);
}

TEST_F(AccessibleActions, TheToggleActionChoosesAContactAsAClickDoes) {
    Start(0);
    CDlgParameter& page = *app->Parameter();
    page.ContactB[2]->click();
    const int before = page.WorkingCopy().Values()[drive::ParamInPole];
    EXPECT_EQ(before & 4, 0);
    DoAction(page.ContactA[2], QAccessibleActionInterface::toggleAction());
    EXPECT_TRUE(page.ContactA[2]->isChecked());
    EXPECT_EQ(page.WorkingCopy().Values()[drive::ParamInPole], before | 4);
}

TEST_F(AccessibleActions, AListOpensThroughItsAction) {
    Start(0);
    QComboBox* list = app->ComSetting()->BaudList;
    app->ComSetting()->show();
    DoAction(list, QAccessibleActionInterface::showMenuAction());
    EXPECT_TRUE(list->view()->isVisible());
    EXPECT_TRUE(Interface(list)->state().expanded);
    list->hidePopup();
    app->ComSetting()->hide();
}

} // namespace
} // namespace velt

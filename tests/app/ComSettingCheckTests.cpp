// The serial settings window as a user fills it in: typed text, OK, Cancel
// and Escape; what it takes, what it refuses and what the connection bar
// then shows.
#include "app/CDlgComSetting.h"
#include "app/CDlgMenuBar.h"
#include "app/SerialSettings.h"
#include "controls/CButtonST.h"
#include "link/CDriveLink.h"
#include "tests/support/ShellFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace velt {
namespace {

class ComSettingCheck : public ShellTest {
protected:
    CDlgComSetting& Open() {
        QTest::mouseClick(app->MenuBar()->ComSettingButton, Qt::LeftButton);
        CDlgComSetting& s = *app->ComSetting();
        EXPECT_TRUE(s.isVisible());
        return s;
    }

    // Replaces the field's text by typing: everything selected, then the keys
    // (an empty text is a Backspace over the selection).
    static void Type(QLineEdit* edit, const char* text) {
        edit->setFocus();
        edit->selectAll();
        if (*text == '\0')
            QTest::keyClick(edit, Qt::Key_Backspace);
        else
            QTest::keyClicks(edit, QString::fromUtf8(text));
        ASSERT_EQ(edit->text(), QString::fromUtf8(text));
    }
    static void Type(QComboBox* box, const char* text) { Type(box->lineEdit(), text); }

    static bool HasFocus(const CDlgComSetting& s, QWidget* field) {
        QWidget* focus = s.focusWidget();
        return focus == field || (focus != nullptr && focus->parentWidget() == field);
    }

    // What the settings in force are, as the connection bar shows them.
    std::string Status() {
        app->MenuBar()->RefreshStatus();
        return app->MenuBar()->PortText->text().toStdString() + " / " +
               app->MenuBar()->DriveIdText->text().toStdString();
    }
};

TEST_F(ComSettingCheck, EachFieldThatIsNotValidIsRefusedNamedAndFocusedAndNothingChanges) {
    Start();
    const std::string before = Status();
    ASSERT_EQ(before, "COM3, 9600, 8, 0, 1 / Drive ID : 1");
    CDlgComSetting& s = Open();
    struct Case {
        const char* port;
        const char* baud;
        const char* id;
        QWidget* field;
        const char* message;
    };
    const Case cases[] = {
        {"COM5", "19200", "300", s.DriveIdEdit,
         "\"300\" is not a valid Drive ID.\r\nDrive ID takes a whole number from 0 to 255 (0 is the "
         "broadcast "
         "address)."},
        {"COM5", "19200", "abc", s.DriveIdEdit, nullptr},
        {"COM5", "19200", "", s.DriveIdEdit,
         "Drive ID is empty.\r\nDrive ID takes a whole number from 0 to 255 (0 is the broadcast address)."},
        {"XYZ", "19200", "7", s.PortList,
         "\"XYZ\" is not a valid Port.\r\nPort takes COM1 to COM30 or a device from its list."},
        {"COM31", "19200", "7", s.PortList, nullptr},
        {"COM5", "abc", "7", s.BaudList,
         "\"abc\" is not a valid Baud Rate.\r\nBaud Rate takes a positive whole number, such as 9600 or "
         "115200."},
        {"COM5", "-5", "7", s.BaudList, nullptr},
        {"COM5", "0", "7", s.BaudList, nullptr},
    };
    for (const Case& c : cases) {
        messages.Texts.clear();
        Type(s.PortList, c.port);
        Type(s.BaudList, c.baud);
        Type(s.DriveIdEdit, c.id);
        QTest::mouseClick(s.OkButton, Qt::LeftButton);
        const std::string what = std::string(c.port) + " " + c.baud + " " + c.id;
        ASSERT_EQ(messages.Texts.size(), 1u) << what;
        if (c.message != nullptr) {
            EXPECT_EQ(messages.Texts[0], c.message) << what;
        }
        EXPECT_TRUE(s.isVisible()) << what;
        EXPECT_TRUE(HasFocus(s, c.field)) << what;
        EXPECT_EQ(s.Settings().Values().PortNumber, 3) << what;
        EXPECT_EQ(s.Settings().Values().BaudRate, 9600) << what;
        EXPECT_EQ(s.Settings().SettingsDriveId(), 1) << what;
        EXPECT_EQ(Status(), before) << what;
    }
    // What Enter reaches when OK is the window's default button checks the same.
    s.accept();
    EXPECT_TRUE(s.isVisible());
    EXPECT_EQ(s.Settings().Values().BaudRate, 9600);

    // Corrected, every field is taken at once; 0 is the broadcast address.
    messages.Texts.clear();
    Type(s.BaudList, " 250000 ");
    Type(s.DriveIdEdit, "0");
    QTest::mouseClick(s.OkButton, Qt::LeftButton);
    EXPECT_TRUE(messages.Texts.empty());
    EXPECT_FALSE(s.isVisible());
    EXPECT_EQ(Status(), "COM5, 250000, 8, 0, 1 / Drive ID : 0");
    EXPECT_EQ(s.Settings().SettingsDriveId(), 0);
}

TEST_F(ComSettingCheck, TheRefusalIsInKoreanWhenTheProgramIs) {
    Start(1);
    CDlgComSetting& s = Open();
    Type(s.DriveIdEdit, "300");
    QTest::mouseClick(s.OkButton, Qt::LeftButton);
    EXPECT_EQ(messages.Texts,
              std::vector<std::string>{"\"300\" 은(는) 올바른 Drive ID 이(가) 아닙니다.\r\nDrive ID "
                                       "에는 0 ~ 255 사이의 정수를 입력하세요. (0 은 브로드캐스트 "
                                       "주소입니다.)"});
    EXPECT_EQ(s.Settings().SettingsDriveId(), 1);
}

TEST_F(ComSettingCheck, CancelAndEscapeBringBackTheSettingsInForce) {
    Start();
    CDlgComSetting& s = Open();
    Type(s.PortList, "COM12");
    Type(s.BaudList, "57600");
    Type(s.DriveIdEdit, "9");
    QTest::mouseClick(s.OkButton, Qt::LeftButton);
    ASSERT_EQ(Status(), "COM12, 57600, 8, 0, 1 / Drive ID : 9");

    const auto expectFieldsInForce = [&](const char* how) {
        EXPECT_EQ(s.PortList->currentText(), "COM12") << how;
        EXPECT_EQ(s.BaudList->currentText(), "57600") << how;
        EXPECT_EQ(s.DriveIdEdit->text(), "9") << how;
        EXPECT_FALSE(s.ReconnectCheck->isChecked()) << how;
    };
    for (const char* how : {"Cancel", "Escape"}) {
        Open();
        s.PortList->setCurrentIndex(0); // COM1 from the list
        Type(s.BaudList, "abc");
        Type(s.DriveIdEdit, "300");
        QTest::mouseClick(s.ReconnectCheck, Qt::LeftButton);
        if (std::string(how) == "Cancel")
            QTest::mouseClick(s.CancelButton, Qt::LeftButton);
        else
            QTest::keyClick(s.DriveIdEdit, Qt::Key_Escape);
        EXPECT_FALSE(s.isVisible()) << how;
        EXPECT_EQ(Status(), "COM12, 57600, 8, 0, 1 / Drive ID : 9") << how;
        EXPECT_FALSE(s.Settings().ReconnectAutomatically()) << how;

        Open();
        expectFieldsInForce(how);
        QTest::mouseClick(s.OkButton, Qt::LeftButton); // a later OK changes nothing
        EXPECT_FALSE(s.isVisible()) << how;
        EXPECT_EQ(Status(), "COM12, 57600, 8, 0, 1 / Drive ID : 9") << how;
        EXPECT_FALSE(s.Settings().ReconnectAutomatically()) << how;
    }
    EXPECT_TRUE(messages.Texts.empty());
}

} // namespace
} // namespace velt

#include "app/SerialSettingsText.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <string_view>

namespace velt {
namespace {

TEST(SerialSettingsText, DriveIdAndPortKeepEightBitsBaudIsTakenAsTyped) {
    SerialSettingsInput in = ParseSerialSettings(u"COM3", u"9600", u"1");
    EXPECT_EQ(in.PortNumber, 3);
    EXPECT_EQ(in.BaudRate, 9600);
    EXPECT_EQ(in.DriveId, 1);

    in = ParseSerialSettings(u"COM12", u"250000", u"300");
    EXPECT_EQ(in.PortNumber, 12);
    EXPECT_EQ(in.BaudRate, 250000);
    EXPECT_EQ(in.DriveId, 44);

    in = ParseSerialSettings(u"COM300", u"fast", u"-1");
    EXPECT_EQ(in.PortNumber, 44);
    EXPECT_EQ(in.BaudRate, 0);
    EXPECT_EQ(in.DriveId, 255);
}

TEST(SerialSettingsText, PortNumberIsReadFromTheFourthCharacterOn) {
    EXPECT_EQ(ParseSerialSettings(u"12", u"", u"").PortNumber, 0); // too short: nothing after "COM"
    EXPECT_EQ(ParseSerialSettings(u"COM", u"", u"").PortNumber, 0);
    EXPECT_EQ(ParseSerialSettings(u"XYZ7", u"", u"").PortNumber, 7); // the prefix is not checked
    EXPECT_EQ(ParseSerialSettings(u"COM 5", u"", u"").PortNumber, 5);
}

SerialSettingsCheck Check(std::string_view port, std::string_view baud, std::string_view id,
                          bool korean = false, bool device = false) {
    return CheckSerialSettings(port, device, baud, id, korean);
}

TEST(SerialSettingsCheck, TakesComPortsPositiveBaudRatesAndEightBitIds) {
    SerialSettingsCheck c = Check("COM3", "9600", "1");
    ASSERT_TRUE(c.ok()) << c.message;
    EXPECT_TRUE(c.message.empty());
    EXPECT_EQ(c.values.PortNumber, 3);
    EXPECT_EQ(c.values.BaudRate, 9600);
    EXPECT_EQ(c.values.DriveId, 1);

    c = Check(" com30 ", "250000", " 255 ");
    ASSERT_TRUE(c.ok()) << c.message;
    EXPECT_EQ(c.values.PortNumber, 30);
    EXPECT_EQ(c.values.BaudRate, 250000);
    EXPECT_EQ(c.values.DriveId, 255);

    c = Check("COM1", "2147483647", "0"); // 0: the broadcast address, taken as typed
    ASSERT_TRUE(c.ok()) << c.message;
    EXPECT_EQ(c.values.PortNumber, 1);
    EXPECT_EQ(c.values.BaudRate, INT_MAX);
    EXPECT_EQ(c.values.DriveId, 0);

    // A device of the port list: its text is not a COM name and is not read.
    c = Check("ttyUSB0 (FTDI)", "115200", "7", false, true);
    ASSERT_TRUE(c.ok()) << c.message;
    EXPECT_EQ(c.values.DriveId, 7);
}

TEST(SerialSettingsCheck, RefusesEachFieldThatIsNotWhatItTakesNamingTheFirst) {
    for (std::string_view port : {"XYZ", "", "  ", "COM", "COM0", "COM31", "COM300", "COM-1", "COM+3",
                                  "COM3x", "COM 3", "3", "/dev/ttyS0x"})
        EXPECT_EQ(Check(port, "9600", "1").bad, SerialField::Port) << port;
    for (std::string_view baud :
         {"abc", "", "-5", "0", "96 00", "9600bps", "1e5", "2147483648", "99999999999999999999"})
        EXPECT_EQ(Check("COM3", baud, "1").bad, SerialField::Baud) << baud;
    for (std::string_view id : {"abc", "", "300", "256", "-1", "1.0", "0x10", "12abc"})
        EXPECT_EQ(Check("COM3", "9600", id).bad, SerialField::DriveId) << id;
    // A sign in front is still a whole number; blanks around it are dropped.
    const SerialSettingsCheck signed_ = Check("COM3", " +9600 ", "+1");
    ASSERT_TRUE(signed_.ok()) << signed_.message;
    EXPECT_EQ(signed_.values.BaudRate, 9600);
    EXPECT_EQ(signed_.values.DriveId, 1);
    // Top to bottom: the port before the baud rate before the drive ID.
    EXPECT_EQ(Check("XYZ", "abc", "300").bad, SerialField::Port);
    EXPECT_EQ(Check("COM3", "abc", "300").bad, SerialField::Baud);
    // A device is checked no further, the other fields still are.
    EXPECT_EQ(Check("XYZ", "abc", "1", false, true).bad, SerialField::Baud);
}

TEST(SerialSettingsCheck, MessagesNameTheFieldAndWhatItTakesInBothLanguages) {
    EXPECT_EQ(
        Check("COM3", "9600", "300").message,
        "\"300\" is not a valid Drive ID.\r\nDrive ID takes a whole number from 0 to 255 (0 is the broadcast "
        "address).");
    EXPECT_EQ(
        Check("COM3", "9600", "").message,
        "Drive ID is empty.\r\nDrive ID takes a whole number from 0 to 255 (0 is the broadcast address).");
    EXPECT_EQ(Check("XYZ", "9600", "1").message,
              "\"XYZ\" is not a valid Port.\r\nPort takes COM1 to COM30 or a device from its list.");
    EXPECT_EQ(Check("COM3", "-5", "1").message, "\"-5\" is not a valid Baud Rate.\r\nBaud Rate takes a "
                                                "positive whole number, such as 9600 or 115200.");
    EXPECT_EQ(
        Check("COM3", "9600", "300", true).message,
        "\"300\" 은(는) 올바른 Drive ID 이(가) 아닙니다.\r\nDrive ID 에는 0 ~ 255 사이의 정수를 입력하세요. "
        "(0 은 브로드캐스트 주소입니다.)");
    EXPECT_EQ(Check("XYZ", "9600", "1", true).message,
              "\"XYZ\" 은(는) 올바른 Port 이(가) 아닙니다.\r\nPort 에는 COM1 ~ COM30 이나 목록에 있는 장치를 "
              "선택하세요.");
    EXPECT_EQ(
        Check("COM3", "", "1", true).message,
        "Baud Rate 이(가) 비어 있습니다.\r\nBaud Rate 에는 9600, 115200 과 같은 양의 정수를 입력하세요.");
    // A long paste is quoted only up to a length, never cut inside a character.
    std::string pasted(30, 'x');
    for (int i = 0; i < 10; ++i)
        pasted += "가";
    const std::string message = Check("COM3", "9600", pasted).message;
    EXPECT_LT(message.size(), 160u);
    EXPECT_NE(message.find("x가가가...\" is not"), std::string::npos) << message;
}

} // namespace
} // namespace velt

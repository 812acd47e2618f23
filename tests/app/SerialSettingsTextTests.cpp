#include "app/SerialSettingsText.h"

#include <gtest/gtest.h>

#include <climits>

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

} // namespace
} // namespace velt

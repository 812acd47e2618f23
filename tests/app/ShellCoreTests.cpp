#include "app/AppOptions.h"
#include "app/LineDrives.h"
#include "app/SerialSettings.h"
#include "app/SessionReport.h"
#include "app/ShellLayout.h"
#include "app/ShellTexts.h"
#include "controls/DialogUnits.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace velt {
namespace {

TEST(DialogUnits, MulDivRoundsHalvesAwayFromZeroLikeWindows) {
    EXPECT_EQ(MulDiv(5, 7, 4), 9);   // 8.75
    EXPECT_EQ(MulDiv(1, 6, 4), 2);   // 1.5 rounds up
    EXPECT_EQ(MulDiv(-1, 6, 4), -2); // -1.5 rounds away from zero
    EXPECT_EQ(MulDiv(3, 13, 8), 5);  // 4.875
    EXPECT_EQ(MulDiv(1, 1, 0), -1);
    EXPECT_EQ(MulDiv(2000000000, 3, 4), 1500000000); // 64-bit intermediate
    EXPECT_EQ(MulDiv(2000000000, 3, 2), -1);         // result outside int
}

TEST(DialogUnits, BaseUnitsOfMsShellDlgGiveTheWindowsPixelSizes) {
    // 6 x 13 base units: the classic 8 pt dialog font at 96 dpi.
    EXPECT_EQ(AverageCharWidth(52 * 6 + 20), 6);
    EXPECT_EQ(AverageCharWidth(52 * 6 + 26), 7);
    const DialogUnits u(6, 13);
    EXPECT_EQ(u.X(660), 990);
    EXPECT_EQ(u.Y(46), 75);
    EXPECT_EQ(u.Y(25), 41);
    EXPECT_EQ(u.Y(337), 548);
}

TEST(ShellLayout, StripsStackWithSixPixelGapsAndTheFrameFitsAround) {
    const StripSizes s{75, 41, 548, 990};
    const ShellLayout l = ComputeShellLayout(s, 0);
    EXPECT_EQ(l.MenuBarY, 0);
    EXPECT_EQ(l.RtuMonitorY, 81);
    EXPECT_EQ(l.PageY, 75 + 41 + 12);
    EXPECT_EQ(l.Frame.Width, 990 + 13);
    EXPECT_EQ(l.Frame.Height, 548 + 41 + 75 + 50);
    const ShellLayout vista = ComputeShellLayout(s, 2);
    EXPECT_EQ(vista.Frame.Width, 990 + 20);
    EXPECT_EQ(vista.Frame.Height, 548 + 41 + 75 + 55);
    EXPECT_EQ(ComputeShellLayout(s, 1).Frame.Width, 990 + 13);

    const PixelSize client = ClientSizeOfFrame(l.Frame);
    EXPECT_EQ(client.Width, 990 + 5);
    EXPECT_GE(client.Height, l.PageY + 548); // the page fits inside the client area
}

TEST(ShellLayout, OnlyWindowsVersionsSixZeroAndSixOneAreClassTwo) {
    EXPECT_EQ(OperatingSystemClass(5, 0), 1);
    EXPECT_EQ(OperatingSystemClass(5, 2), 1);
    EXPECT_EQ(OperatingSystemClass(6, 0), 2);
    EXPECT_EQ(OperatingSystemClass(6, 1), 2);
    EXPECT_EQ(OperatingSystemClass(6, 2), 0);
    EXPECT_EQ(OperatingSystemClass(10, 0), 0);
    EXPECT_EQ(CurrentOperatingSystemClass(), 0);
}

TEST(ShellTexts, VersionRegistersReadUnsignedAndSplitTwoOneTwo) {
    EXPECT_EQ(HwVersionText(12001), "H/W Ver : 12.0.01");
    EXPECT_EQ(HwVersionText(7), "H/W Ver : 00.0.07");
    EXPECT_EQ(SwVersionText(0), "S/W Ver : 00.0.00");
    EXPECT_EQ(SwVersionText(65535), "S/W Ver : 65.5.35"); // a negative register reads unsigned
    EXPECT_EQ(PortText(3, 9600, 8, 0, 1), "COM3, 9600, 8, 0, 1");
    EXPECT_EQ(PortText(12, 250000, 8, 0, 1), "COM12, 250000, 8, 0, 1");
    EXPECT_EQ(DriveIdText(44), "Drive ID : 44");
    EXPECT_EQ(MainWindowTitle(),
              std::string("VELT Host(V1.0), Ver 20130618   VO ZEREDIR   ") + kMakerWebAddress);
}

TEST(AppOptions, DemoLanguageAndScreenshotAreRecognisedAndMistakesReported) {
    const AppOptions o = ParseAppOptions({"--demo", "--lang", "ko", "--connect", "--screenshot", "a.png"});
    EXPECT_TRUE(o.Error.empty());
    EXPECT_TRUE(o.Demo);
    EXPECT_EQ(o.Lang, 1);
    EXPECT_TRUE(o.Connect);
    EXPECT_EQ(o.Screenshot, "a.png");
    EXPECT_EQ(ParseAppOptions({"--lang", "en"}).Lang, 0);
    EXPECT_EQ(ParseAppOptions({}).Lang, -1);
    EXPECT_FALSE(ParseAppOptions({"--lang", "fr"}).Error.empty());
    EXPECT_FALSE(ParseAppOptions({"--lang"}).Error.empty());
    EXPECT_FALSE(ParseAppOptions({"--bogus"}).Error.empty());
}

TEST(AppOptions, UnattendedRunsTakeAReportPeriodTheRepeatCycleAndUpToFourScopes) {
    const AppOptions o = ParseAppOptions({"--report", "60", "--repeat", "--scopes", "4"});
    EXPECT_TRUE(o.Error.empty()) << o.Error;
    EXPECT_EQ(o.ReportSeconds, 60);
    EXPECT_TRUE(o.Repeat);
    EXPECT_EQ(o.Scopes, 4);
    const AppOptions plain = ParseAppOptions({});
    EXPECT_EQ(plain.ReportSeconds, 0);
    EXPECT_FALSE(plain.Repeat);
    EXPECT_EQ(plain.Scopes, 0);
    EXPECT_FALSE(plain.Reconnect);
    EXPECT_TRUE(plain.WriteLog.empty());
    const AppOptions faults = ParseAppOptions({"--reconnect", "--write-log", "/tmp/w.log"});
    EXPECT_TRUE(faults.Error.empty()) << faults.Error;
    EXPECT_TRUE(faults.Reconnect);
    EXPECT_EQ(faults.WriteLog, "/tmp/w.log");
    EXPECT_FALSE(ParseAppOptions({"--write-log"}).Error.empty());
    for (const char* bad : {"0", "-1", "3601", "1.5", "60s", ""})
        EXPECT_FALSE(ParseAppOptions({"--report", bad}).Error.empty()) << bad;
    for (const char* bad : {"5", "-1", "two"})
        EXPECT_FALSE(ParseAppOptions({"--scopes", bad}).Error.empty()) << bad;
    EXPECT_FALSE(ParseAppOptions({"--report"}).Error.empty());
    EXPECT_FALSE(ParseAppOptions({"--scopes"}).Error.empty());
}

TEST(AppOptions, TheDemoDriveTakesItsOwnRateAndIdsAndALineOfSeveral) {
    const AppOptions o = ParseAppOptions({"--demo", "--demo-baud", "57600", "--demo-id", "17"});
    EXPECT_TRUE(o.Error.empty()) << o.Error;
    EXPECT_EQ(o.DemoBaud, 57600);
    EXPECT_EQ(o.DemoId, 17);
    const AppOptions plain = ParseAppOptions({"--demo"});
    EXPECT_EQ(plain.DemoBaud, 9600);
    EXPECT_EQ(plain.DemoId, 1);
    for (const char* bad : {"0", "299", "4000001", "fast", ""})
        EXPECT_FALSE(ParseAppOptions({"--demo-baud", bad}).Error.empty()) << bad;
    for (const char* bad : {"0", "248", "-1", "1x"})
        EXPECT_FALSE(ParseAppOptions({"--demo-id", bad}).Error.empty()) << bad;
    EXPECT_FALSE(ParseAppOptions({"--demo-id"}).Error.empty());
    const AppOptions line = ParseAppOptions({"--demo-ids", "1,2,5-6"});
    EXPECT_TRUE(line.Demo);
    EXPECT_EQ(line.DemoIds, (std::vector<uint8_t>{1, 2, 5, 6}));
    EXPECT_TRUE(plain.DemoIds.empty());
    for (const char* bad : {"1,1", "0,2", "248", "2-1", ""})
        EXPECT_FALSE(ParseAppOptions({"--demo-ids", bad}).Error.empty()) << bad;
    EXPECT_EQ(PortText("ttyUSB0", 9600, 8, 0, 1), "ttyUSB0, 9600, 8, 0, 1");
}

TEST(SessionReport, OneLineHoldsTheStateAndEveryCounterAndMessagesKeepToOneLine) {
    LinkCounters c;
    c.StateReads = 10, c.StateOk = 8, c.StateFail = 2;
    c.DiReads = 3, c.DiOk = 3;
    c.DoRequests = 4, c.DoOk = 3, c.DoFail = 1;
    c.ParamRequests = 7, c.ParamOk = 7;
    c.CrcErrors = 2, c.NoReplies = 1;
    LinkStatus link;
    link.Connected = true;
    link.FailCount = 2;
    EXPECT_EQ(LinkReportLine(120, link, c),
              "report t=120 connected=1 failcount=2 state=10/8/2 di=3/3/0 do=4/3/1 "
              "param=7/7/0 crc=2 noreply=1 reconnecting=0 reconnects=0");
    LinkStatus reconnecting;
    reconnecting.Reconnecting = true;
    reconnecting.Reconnects = 3;
    EXPECT_EQ(LinkReportLine(5, reconnecting, LinkCounters{}),
              "report t=5 connected=0 failcount=0 state=0/0/0 di=0/0/0 do=0/0/0 "
              "param=0/0/0 crc=0 noreply=0 reconnecting=1 reconnects=3");
    EXPECT_EQ(MessageReportLine("The driver does not respond. \r\n Check it"),
              "message: The driver does not respond.  |  Check it");
    EXPECT_EQ(MessageReportLine("a\nb\rc"), "message: a | b | c");
}

// The settings in force: the defaults of a run that remembers nothing, the
// ID the MainThread follows and the reconnect choice the watchdog reads,
// and the name each kind of port is opened by.
TEST(SerialSettingsModel, SetChangesWhatTheLinkFollowsAndWhatAConnectOpens) {
    SerialSettings settings(false);
    EXPECT_EQ(settings.Values(), SerialSettingsValues{});
    EXPECT_EQ(settings.Address(), (PortAddress{"COM3", 9600}));
    SerialSettingsValues v;
    v.PortNumber = 12;
    v.BaudRate = 115200;
    v.DriveId = 7;
    v.Reconnect = true;
    settings.Set(v);
    EXPECT_EQ(settings.SettingsDriveId(), 7);
    EXPECT_TRUE(settings.ReconnectAutomatically());
    EXPECT_EQ(settings.Address(), (PortAddress{"\\\\.\\COM12", 115200}));
    EXPECT_EQ(settings.PortName(), "COM12");
    v.PortName = "/dev/serial/by-id/usb-x";
    settings.Set(v);
    EXPECT_EQ(settings.Address().Device, "/dev/serial/by-id/usb-x");
    settings.SetReconnect(false);
    EXPECT_FALSE(settings.Values().Reconnect);
    EXPECT_EQ(settings.RememberedDriveId(), 0) << "a run that remembers nothing";
}

// A Hangul syllable (U+AC00 to U+D7A3) in UTF-8 starts at `at`.
bool HangulAt(std::string_view text, size_t at) {
    if (at + 2 >= text.size() || (static_cast<unsigned char>(text[at]) & 0xF0) != 0xE0) return false;
    const int c = (text[at] & 0x0F) << 12 | (text[at + 1] & 0x3F) << 6 | (text[at + 2] & 0x3F);
    return c >= 0xAC00 && c <= 0xD7A3;
}

// The lines (from 1) of a C++ source with Hangul inside a string literal;
// comments and character literals do not count, a quote after a digit is a
// digit separator. The sources use no raw strings.
std::vector<int> KoreanLiteralLines(std::string_view source) {
    enum class In { Code, String, Char, LineComment, BlockComment } in = In::Code;
    std::vector<int> lines;
    int line = 1;
    for (size_t i = 0; i < source.size(); ++i) {
        const char c = source[i];
        const char next = i + 1 < source.size() ? source[i + 1] : '\0';
        if (c == '\n') {
            ++line;
            if (in != In::BlockComment) in = In::Code;
        } else if (in == In::Code) {
            if (c == '"') in = In::String;
            if (c == '\'' && (i == 0 || !std::isxdigit(static_cast<unsigned char>(source[i - 1]))))
                in = In::Char;
            if (c == '/' && (next == '/' || next == '*'))
                in = next == '/' ? In::LineComment : In::BlockComment;
            if (in == In::BlockComment) ++i;
        } else if (in == In::String || in == In::Char) {
            if (c == '\\' && next != '\n')
                ++i;
            else if (c == (in == In::String ? '"' : '\''))
                in = In::Code;
            else if (in == In::String && HangulAt(source, i) && (lines.empty() || lines.back() != line))
                lines.push_back(line);
        } else if (in == In::BlockComment && c == '*' && next == '/') {
            in = In::Code;
            ++i;
        }
    }
    return lines;
}

// Every user text is a LocalText in a *Texts.h header of its folder or in
// one of the two tables; a Korean literal in any other .cpp file names the
// file and the line.
TEST(LineDrivesModel, EachPortKeepsItsDrivesByIdWithCleanNamesAndDamagedTextIsSkipped) {
    LineDrives lines(false);
    EXPECT_TRUE(lines.Merge("COM3", {5, 2, 0, 248, 2}));
    EXPECT_TRUE(lines.SetName("COM3", 5, "  Z\taxis\r\n"));
    EXPECT_TRUE(lines.SetName("COM3", 1, std::string(60, 'x') + "\xEA\xB0\x80"));
    EXPECT_EQ(lines.Of("COM3"), (std::vector<LineDrive>{{1, std::string(40, 'x')}, {2, ""}, {5, "Z axis"}}));
    EXPECT_TRUE(lines.Of("COM4").empty());
    EXPECT_EQ(lines.NameOf("COM3", 5), "Z axis");
    EXPECT_TRUE(lines.Remove("COM3", 1));
    EXPECT_EQ(LineDrives::ListText(lines.Of("COM3")), "2\t5 Z axis");
    // A name cut inside a character keeps the character out whole.
    EXPECT_EQ(LineDrives::CleanName(std::string(39, 'y') + "\xEA\xB0\x80"), std::string(39, 'y'));
    EXPECT_EQ(LineDrives::ParseListText("7 A B\t0 zero\tx\t\t7 again\t300\t3"),
              (std::vector<LineDrive>{{3, ""}, {7, "A B"}}));
    EXPECT_EQ(LineDriveEntryText({2, "X axis"}), "2  X axis");
    EXPECT_EQ(DriveCaption(2, "", false), "drive 2");
}

TEST(SourceTexts, NoCppFileOutsideTheTablesHoldsAKoreanLiteral) {
    namespace fs = std::filesystem;
    const fs::path root = VELT_SOURCE_DIR;
    if (!fs::is_directory(root / "app")) GTEST_SKIP() << "the source tree is not reachable: " << root;
    const std::vector<std::string> tables{"params/ParamTableKo.cpp", "monitor/ValueNames.cpp"};
    int scanned = 0;
    for (const char* folder : {"app", "base", "cli", "controls", "link", "monitor", "params", "platform",
                               "repeat", "scope", "sim"})
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root / folder)) {
            const std::string name = entry.path().lexically_relative(root).generic_string();
            if (entry.path().extension() != ".cpp" || std::count(tables.begin(), tables.end(), name))
                continue;
            std::ifstream in(entry.path(), std::ios::binary);
            const std::string source{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
            ++scanned;
            for (int line : KoreanLiteralLines(source))
                ADD_FAILURE() << name << ":" << line << ": a Korean string literal outside a *Texts.h header";
        }
    EXPECT_GT(scanned, 100);
}

} // namespace
} // namespace velt

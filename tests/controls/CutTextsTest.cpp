// The dialog font, and every window of the application connected to the
// simulated drive, in both languages: the texts its grids, labels and buttons
// show cut short. Each window's count and its cut texts are printed.
#include "tests/support/CutTexts.h"
#include "app/CDlgComSetting.h"
#include "app/CDlgMenuBar.h"
#include "controls/DialogFont.h"
#include "link/CDriveLink.h"
#include "monitor/CDlgMonitoring.h"
#include "monitor/CDlgRTUMonitoring.h"
#include "params/CDlgParameter.h"
#include "params/CDlgSetValDEC.h"
#include "params/CDlgSetValHEX.h"
#include "params/CompareDialog.h"
#include "repeat/CDlgRepeat.h"
#include "scope/CDlgScope.h"
#include "tests/support/ShellFixture.h"

#include <QFontInfo>
#include <QRawFont>

#include <iostream>
#include <map>
#include <set>

namespace velt::test {
namespace {

TEST(DialogFont, IsTahomaAtElevenPixelsWithTheDialogUnitsOfWindows) {
    const QFont font = DialogFont();
    ASSERT_EQ(QFontInfo(font).family(), QStringLiteral("Tahoma"))
        << "the dialog face is missing: scripts/setup.sh installs it (fonts-wine)";
    EXPECT_EQ(QFontInfo(font).pixelSize(), 11);
    // Tahoma 8 pt at 96 dpi: 6 x 13 pixels per four and eight dialog units.
    EXPECT_EQ(DlgUnits().BaseX(), 6);
    EXPECT_EQ(DlgUnits().BaseY(), 13);
    EXPECT_EQ(WindowsLineHeight(font), 13);
    EXPECT_EQ(DluSize(660, 337), QSize(990, 548));
    QFont bold = font;
    bold.setBold(true);
    EXPECT_TRUE(QFontInfo(bold).bold());
    EXPECT_EQ(QFontInfo(bold).family(), QStringLiteral("Tahoma"));
}

TEST(DialogFont, KoreanTextsHaveAFaceInTheFamilyList) {
    const QString korean = QStringLiteral("원점고속속도 전체 파라미터 읽어오기");
    bool found = false;
    for (const QString& family : DialogFontFamilies()) {
        QFont face(family);
        face.setPixelSize(kDialogFontPixels);
        if (QFontInfo(face).family() != family) continue; // not installed
        const QRawFont raw = QRawFont::fromFont(face);
        bool all = true;
        for (QChar c : korean)
            all = all && (c.isSpace() || raw.supportsCharacter(c));
        found = found || all;
    }
    EXPECT_TRUE(found);
}

// The English names wider than the name column (115 pixels less the margins:
// 108) in Tahoma 8 pt, the Windows dialog font: the only texts the pages may
// show cut short.
const std::set<QString> kNamesWiderThanTheirColumn = {
    "HOMING BUMP CURRENT",   "Switching encoder signs", "OVERCURRENT MAX TIME",    "OVERTEMPERTURE MAX TIME",
    "OVERVOLTAGE MAX TIME",  "POSITION MODE VELOCITY",  "POSITION MODE ACC./DEC.", "ANALOG COMMAND FORM",
    "RATIO DENOMINATOR",     "MIN. EXPONENTIAL SPEED",  "EXPONENTIAL ACC./DEC.",   "EX-ENCODER RESOLUTION",
    "DEFAULTS CONTROL MODE", "DEFAULTS COMMAND FORM",   "SWITCH CONTROL MODE",     "SWITCH COMMAND FORM",
    "CURRENT SENSOR RANGE",  "ENCODER RESOLUTION",      "VELOCITY MODE ACC.",      "VELOCITY MODE DEC.",
};

class CutTexts : public ShellTest {
protected:
    // Connects, shows the parameter page (the connection bar then shows Load
    // and Save too) and the compare window, and returns each window's cut texts.
    std::map<std::string, std::vector<CutText>> Walk(int lang) {
        std::map<std::string, std::vector<CutText>> found;
        StartDrive();
        Start(lang);
        app->MenuBar()->ConnectDrive();
        EXPECT_TRUE(app->Link()->IsConnected());
        EXPECT_TRUE(WaitUntil([&] { return app->Link()->Counters().StateOk > 5; }, std::chrono::seconds(10)));
        // The pages show what the drive reports at their next refresh (300 ms).
        const auto refreshed = std::chrono::steady_clock::now() + std::chrono::milliseconds(700);
        WaitUntil([&] { return std::chrono::steady_clock::now() > refreshed; });
        app->MenuBar()->OnParameter();
        app->Parameter()->OpenCompare();
        QCoreApplication::processEvents();
        const std::pair<const char*, QWidget*> windows[] = {
            {"connection bar", app->MenuBar()},
            {"register strip", app->RtuMonitor()},
            {"monitoring page", app->Monitoring()},
            {"parameter page", app->Parameter()},
            {"compare window", app->Parameter()->CompareWindow},
            {"decimal dialog", app->SetValDec()},
            {"bit dialog", app->SetValHex()},
            {"serial settings", app->ComSetting()},
            {"repeat window", app->Repeat()},
            {"scope window", app->Scope(0)}};
        for (const auto& [name, window] : windows) {
            found[name] = CutTextsOf(window);
            std::cout << (lang == 1 ? "ko " : "en ") << name << ": " << found[name].size() << " cut\n"
                      << Describe(found[name]).toStdString();
        }
        return found;
    }
};

TEST_F(CutTexts, EnglishShowsWholeTextsExceptNamesLongerThanTheirColumnAtTheWindowsFont) {
    std::map<std::string, std::vector<CutText>> found = Walk(0);
    for (const char* window : {"connection bar", "register strip", "monitoring page", "compare window",
                               "decimal dialog", "bit dialog"})
        EXPECT_TRUE(found[window].empty()) << window << "\n" << Describe(found[window]).toStdString();
    std::set<QString> cutNames;
    for (const CutText& cut : found["parameter page"]) {
        EXPECT_EQ(cut.control, QStringLiteral("grid")) << cut.text.toStdString();
        cutNames.insert(cut.text);
    }
    EXPECT_EQ(cutNames, kNamesWiderThanTheirColumn);
}

TEST_F(CutTexts, KoreanShowsEveryTextWhole) {
    std::map<std::string, std::vector<CutText>> found = Walk(1);
    for (const char* window : {"connection bar", "register strip", "monitoring page", "parameter page",
                               "compare window", "decimal dialog", "bit dialog"})
        EXPECT_TRUE(found[window].empty()) << window << "\n" << Describe(found[window]).toStdString();
}

} // namespace
} // namespace velt::test

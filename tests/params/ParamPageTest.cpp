// The rules of the parameter page and the value dialogs, without widgets.
#include "params/ParamPage.h"
#include "link/DriveMap.h"
#include "params/ValueEntry.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

using namespace velt;

namespace {

// Velocity control, speed index, switching to analog input: the page's state
// after start-up.
PageControls StartupControls() {
    PageControls c;
    c.controlMode = 1;
    c.commandForm = 3;
    c.switchMode = 1;
    c.switchForm = 1;
    EXPECT_TRUE(ApplyIoPreset(&c));
    return c;
}

} // namespace

TEST(IoPresets, ModeAndFormChooseTheRowAndReservedFormsChangeNothing) {
    EXPECT_EQ(IoPresetIndex(0, 0), 0);
    EXPECT_EQ(IoPresetIndex(0, 4), 4);
    EXPECT_EQ(IoPresetIndex(1, 0), 5);
    EXPECT_EQ(IoPresetIndex(1, 3), 8);
    EXPECT_EQ(IoPresetIndex(2, 1), 10);
    for (const auto& [mode, form] : {std::pair{0, 5}, {1, 4}, {2, 2}, {2, 8}, {-1, 0}, {1, -1}, {3, 0}})
        EXPECT_EQ(IoPresetIndex(mode, form), -1) << mode << "/" << form;

    PageControls c = StartupControls();
    EXPECT_EQ(c.functions, (std::array<int, kIoCount>{1, 2, 3, 4, 5, 8, 9, 10, 1, 2, 4, 6}));
    EXPECT_EQ(c.contacts, (std::array<int, kIoCount>{1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}));

    // Position control with " 5 : RESERVED": the lists keep their state.
    c.contacts[2] = 0;
    c.functions[0] = 7;
    c.controlMode = 0;
    c.commandForm = 5;
    const PageControls before = c;
    EXPECT_FALSE(ApplyIoPreset(&c));
    EXPECT_EQ(c, before);

    // A mode change refills the form list with its default and applies the preset.
    c.controlMode = 0;
    OnControlModeChanged(&c);
    EXPECT_EQ(c.commandForm, 0);
    EXPECT_EQ(c.functions, (std::array<int, kIoCount>{0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 6}));
    c.controlMode = 2;
    OnControlModeChanged(&c);
    EXPECT_EQ(c.commandForm, 0);
    EXPECT_EQ(c.functions[10], 0);
    c.switchMode = 2;
    OnSwitchModeChanged(&c);
    EXPECT_EQ(c.switchForm, 1);
    c.switchMode = 0;
    OnSwitchModeChanged(&c);
    EXPECT_EQ(c.switchForm, 0);
    c.switchMode = kNoSelection;
    OnSwitchModeChanged(&c);
    EXPECT_EQ(c.switchForm, kNoSelection);
}

TEST(PageControlsAndValues, TakeAndShowAreInverseForEverythingTheListsHold) {
    PageControls c = StartupControls();
    c.contacts = {1, 0, 1, 1, 0, 0, 0, 1, 0, 1, 1, 0};
    ParamValues v{};
    v[50] = 77; // not shown by the left half
    TakeValuesFromControls(c, &v);
    EXPECT_EQ(v[drive::ParamDefaultMode], 1);
    EXPECT_EQ(v[drive::ParamDefaultForm], 13);
    EXPECT_EQ(v[drive::ParamSwitchMode], 1);
    EXPECT_EQ(v[drive::ParamSwitchForm], 11);
    EXPECT_EQ(v[drive::ParamInFunction1], 1);
    EXPECT_EQ(v[drive::ParamInFunction1 + 7], 10);
    EXPECT_EQ(v[drive::ParamOutFunction1], 1);
    EXPECT_EQ(v[drive::ParamOutFunction1 + 3], 6);
    EXPECT_EQ(v[drive::ParamInPole], 0b10001101);
    EXPECT_EQ(v[drive::ParamOutPole], 0b0110);
    EXPECT_EQ(v[50], 77);
    EXPECT_EQ(ControlsFromValues(v), c);

    c.controlMode = 2;
    c.commandForm = 1;
    c.switchMode = 0;
    c.switchForm = 4;
    TakeValuesFromControls(c, &v);
    EXPECT_EQ(v[drive::ParamDefaultForm], 21);
    EXPECT_EQ(v[drive::ParamSwitchForm], 4);
    EXPECT_EQ(ControlsFromValues(v), c);
}

TEST(PageControlsAndValues, ValuesTheListsDoNotHaveLeaveThemWithoutSelection) {
    ParamValues v{};
    v[drive::ParamDefaultMode] = 5; // no such control mode
    v[drive::ParamDefaultForm] = 3;
    v[drive::ParamSwitchMode] = 1;
    v[drive::ParamSwitchForm] = 25; // mode 1 lists 10..18
    v[drive::ParamInFunction1] = 16;
    v[drive::ParamOutFunction1] = 7;
    v[drive::ParamInPole] = static_cast<int16_t>(0xFF01); // bits above 7 are not shown
    const PageControls c = ControlsFromValues(v);
    EXPECT_EQ(c.controlMode, kNoSelection);
    EXPECT_EQ(c.commandForm, kNoSelection);
    EXPECT_EQ(c.switchMode, 1);
    EXPECT_EQ(c.switchForm, kNoSelection);
    EXPECT_EQ(c.functions[0], kNoSelection);
    EXPECT_EQ(c.functions[8], kNoSelection);
    EXPECT_EQ(c.contacts[0], 1);
    EXPECT_EQ(c.contacts[7], 0);

    // The next change of any control stores what the lists show: -1.
    ParamValues after = v;
    TakeValuesFromControls(c, &after);
    EXPECT_EQ(after[drive::ParamDefaultMode], -1);
    EXPECT_EQ(after[drive::ParamDefaultForm], -1);
    EXPECT_EQ(after[drive::ParamSwitchForm], -1 + 10);
    EXPECT_EQ(after[drive::ParamInFunction1], -1);
    EXPECT_EQ(after[drive::ParamInPole], 1);
}

TEST(PageControlsAndValues, TheLeftHalfShowsTheIoAndModeParameters) {
    for (int n = 0; n < drive::ParamCount; ++n) {
        const bool shown =
            (n >= drive::ParamInPole && n < drive::ParamInFunction1 + drive::InputCount) ||
            (n >= drive::ParamOutFunction1 && n < drive::ParamOutFunction1 + drive::OutputCount) ||
            (n >= drive::ParamDefaultMode && n <= drive::ParamSwitchForm);
        EXPECT_EQ(ShownInPageControls(n), shown) << n;
    }
}

TEST(ParamGridCells, DoubleClicksCountOnlyOnValueCellsOfParameters) {
    EXPECT_EQ(ParamAtValueCell(0, 2), -1); // header
    EXPECT_EQ(ParamAtValueCell(1, 0), -1); // Pno
    EXPECT_EQ(ParamAtValueCell(1, 1), -1); // name
    EXPECT_EQ(ParamAtValueCell(1, 2), 0);
    EXPECT_EQ(ParamAtValueCell(25, 2), 24);
    EXPECT_EQ(ParamAtValueCell(9, 11), 83);
    EXPECT_EQ(ParamAtValueCell(10, 11), 84);
    EXPECT_EQ(ParamAtValueCell(19, 17), drive::ParamCount - 1);
    EXPECT_EQ(ParamAtValueCell(20, 17), -1); // filler 144
    EXPECT_EQ(ParamAtValueCell(25, 17), -1); // filler 149
    EXPECT_EQ(ParamAtValueCell(26, 2), -1);
    EXPECT_EQ(ParamAtValueCell(1, 18), -1);
    for (int n = 0; n < drive::ParamCount; ++n) {
        const ParamCell c = ValueCellOf(n);
        EXPECT_EQ(ParamAtValueCell(c.row, c.col), n);
    }
    EXPECT_EQ(ValueCellOf(drive::PositionLowRegister).row, 23);
    EXPECT_EQ(ValueCellOf(drive::PositionLowRegister).col, 14);
    EXPECT_EQ(ValueCellOf(drive::SetPositionLowRegister).row, 2);
    EXPECT_EQ(ValueCellOf(drive::SetPositionLowRegister).col, 17);
    EXPECT_EQ(PnoCellOf(149).row, 25);
    EXPECT_EQ(NameCellOf(149).col, 16);
}

TEST(ParamGridCells, PairsShowTheir32BitValueInTheirWordOrder) {
    ParamValues v{};
    StoreEditedValue(83, 100000, &v);
    EXPECT_EQ(v[83], 1);
    EXPECT_EQ(v[84], -31072);
    EXPECT_EQ(ValueCellText(83, v), "100000");
    EXPECT_EQ(ValueCellText(84, v), std::nullopt);

    StoreEditedValue(drive::PositionLowRegister, -1, &v);
    EXPECT_EQ(v[drive::PositionLowRegister], -1);
    EXPECT_EQ(v[drive::PositionHighRegister], -1);
    EXPECT_EQ(ValueCellText(drive::PositionLowRegister, v), "-1");
    StoreEditedValue(drive::SetPositionLowRegister, 0x00020003, &v);
    EXPECT_EQ(v[drive::SetPositionLowRegister], 3);
    EXPECT_EQ(v[drive::SetPositionHighRegister], 2);

    StoreEditedValue(13, 70000, &v);
    EXPECT_EQ(v[13], 4464);
    EXPECT_EQ(ValueCellText(13, v), "4464");
    StoreEditedValue(5, 65535, &v);
    EXPECT_EQ(v[5], -1);

    // A second register is stored alone: the next pair stays as it was.
    v[85] = 9;
    StoreEditedValue(84, 0x00070008, &v);
    EXPECT_EQ(v[84], 8);
    EXPECT_EQ(v[85], 9);

    ParamValues drive = v;
    EXPECT_FALSE(ValueCellDiffers(83, v, drive));
    drive[84] = 0;
    EXPECT_TRUE(ValueCellDiffers(83, v, drive));
    EXPECT_FALSE(ValueCellDiffers(13, v, drive));
}

TEST(DecimalEntry, TakesWholeNumbersWithinTheParametersOwnRange) {
    ParamValues working{};
    working[drive::ParamMaxSpeed1] = 3000;
    const auto value = [&](std::string_view text, int n) {
        const DecimalEntry e = CheckDecimalEntry(text, n, working, false);
        EXPECT_TRUE(e.ok) << text << ": " << e.message;
        return e.value;
    };
    const auto refused = [&](std::string_view text, int n) {
        return !CheckDecimalEntry(text, n, working, false).ok;
    };
    // A stated range (CURRENT P GAIN 0 ~ 32000, HOMING OFFSET -30000 ~ 30000).
    EXPECT_EQ(value(" 32000 ", 13), 32000);
    EXPECT_EQ(value("-30000", 5), -30000);
    for (std::string_view text : {"40000", "-1", "32001"})
        EXPECT_TRUE(refused(text, 13)) << text;
    // Up to another parameter's value: POSITION MODE VELOCITY, 0 ~ MAX SPEED 1.
    EXPECT_EQ(value("3000", 34), 3000);
    EXPECT_TRUE(refused("3001", 34));
    // No stated range: what the register or the pair holds.
    EXPECT_EQ(value("+65535", 3), 65535);
    EXPECT_EQ(value("-32768", drive::CommandRegister), -32768);
    EXPECT_EQ(value("100000", 83), 100000);
    EXPECT_EQ(value("-2147483648", drive::PositionLowRegister), INT32_MIN);
    EXPECT_EQ(value("2147483647", drive::SetPositionLowRegister), INT32_MAX);
    for (const auto& [text, n] : std::initializer_list<std::pair<std::string_view, int>>{
             {"70000", 3}, {"-32769", 3}, {"65536", 84}, {"2147483648", 83}, {"99999999999999999999999", 83}})
        EXPECT_TRUE(refused(text, n)) << text;
    for (std::string_view text : {"abc", "", "  ", "12abc", "1 2", "-", "+-1", "0x10", "1.5"})
        EXPECT_TRUE(refused(text, 13)) << text;

    // The message names the parameter's own range.
    EXPECT_EQ(
        CheckDecimalEntry("40000", 13, working, false).message,
        "40000 does not fit this parameter.\r\nEnter a whole number from 0 to 32000 for parameter No.[13].");
    EXPECT_EQ(
        CheckDecimalEntry("abc", 3, working, false).message,
        "\"abc\" is not a whole number.\r\nEnter a whole number from -32768 to 65535 for parameter No.[3].");
    EXPECT_EQ(
        CheckDecimalEntry("4000", 34, working, false).message,
        "4000 does not fit this parameter.\r\nEnter a whole number from 0 to 3000 (the value of parameter "
        "No.[23]) for parameter No.[34].");
    const std::string longText(500, 'x');
    EXPECT_LT(CheckDecimalEntry(longText, 13, working, false).message.size(), 200u);
    EXPECT_EQ(CheckDecimalEntry("abc", 13, working, true).message,
              "\"abc\" 은(는) 정수가 아닙니다.\r\n파라미터 [13]번에는 0 ~ 32000 사이의 정수를 입력하세요.");
    EXPECT_EQ(BaudRateNoticeText(true), "통신속도는 파라미터 저장 후 드라이버 전원을 껐다켜야 적용됩니다.");
}

TEST(BitEntry, TheEightBoxesChangeBitsZeroToSevenOnly) {
    EXPECT_EQ(ApplyBits(255, 0xFE), 254);
    EXPECT_EQ(ApplyBits(-1, 0x7F), -129);
    EXPECT_EQ(ApplyBits(0x12345, 0x00), 0x12300);
    EXPECT_EQ(ApplyBits(0, 0x1FF), 0xFF); // only eight boxes
}

// The range a help text states: "RANGE : 0 ~ 15" (Korean "범위 : " or "범의 : ").
std::optional<BitRange> RangeInHelp(const std::string& help) {
    for (const char* key : {"RANGE : ", "범위 : ", "범의 : "}) {
        const size_t at = help.find(key);
        if (at == std::string::npos) continue;
        BitRange r;
        if (std::sscanf(help.c_str() + at + std::strlen(key), "%d ~ %d", &r.min, &r.max) == 2) return r;
    }
    return std::nullopt;
}

// A value read with bits above the boxes (-1 from the drive, 65535 from a
// file) is mended by the first click: otherwise OK would refuse whatever the
// boxes show, and the dialog could never store that parameter again.
TEST(BitEntry, BitsAboveTheBoxesGoAtTheFirstClickSoOkCanTakeTheValue) {
    for (const int n : {39, 40, 41}) {
        const int32_t value = ApplyBitsFor(n, -1, 0x7F & EditableBits(n, 0));
        EXPECT_TRUE(CheckBitEntry(n, value, false).ok) << n << ": " << value;
        EXPECT_GE(value, 0) << n;
    }
    EXPECT_EQ(ApplyBitsFor(40, -1, 0x7F), 127);
    EXPECT_EQ(ApplyBitsFor(40, 65535, 0xFE), 254);
}

TEST(BitEntry, EveryBitParameterHasTheRangeItsHelpTextStatesInBothLanguages) {
    int bitParams = 0;
    for (int n = 0; n < drive::ParamCount; ++n) {
        if (!ParamIsBits(n)) {
            EXPECT_FALSE(BitParamRange(n).has_value()) << n;
            EXPECT_EQ(EditableBits(n, 0), 0xFFu) << n;
            EXPECT_TRUE(CheckBitEntry(n, 70000, false).ok) << n; // the bit dialog never opens for it
            continue;
        }
        ++bitParams;
        const std::optional<BitRange> range = BitParamRange(n);
        ASSERT_TRUE(range.has_value()) << n;
        for (const ParamInfo* table : {ParamTableEn, ParamTableKo}) {
            const std::optional<BitRange> stated = RangeInHelp(table[n].help);
            ASSERT_TRUE(stated.has_value()) << n << ": " << table[n].help;
            EXPECT_EQ(stated->min, range->min) << n;
            EXPECT_EQ(stated->max, range->max) << n;
        }
    }
    EXPECT_EQ(bitParams, 3); // 39 SELECT MONITORING, 40 IN POLE, 41 OUT POLE
}

TEST(BitEntry, ABoxIsEnabledExactlyWhenItsBitCanBeSetAndOkTakesOnlyValuesInRange) {
    EXPECT_EQ(AllowedBits(0, 15), 0x0Fu);
    EXPECT_EQ(AllowedBits(0, 255), 0xFFu);
    EXPECT_EQ(AllowedBits(0, 32000), 0xFFu);
    EXPECT_EQ(AllowedBits(0, 10), 0x0Fu); // 8 may be set, 8 + 4 is refused at OK
    EXPECT_EQ(AllowedBits(1, 1), 0x01u);
    EXPECT_EQ(AllowedBits(0, 0), 0x00u);
    EXPECT_EQ(AllowedBits(-5, -1), 0x00u);

    for (int n = 0; n < drive::ParamCount; ++n) {
        const std::optional<BitRange> range = BitParamRange(n);
        if (!range) continue;
        const unsigned allowed = AllowedBits(range->min, range->max);
        // Every combination of the eight boxes, opened from an in-range value.
        for (unsigned boxes = 0; boxes <= 0xFFu; ++boxes) {
            const int32_t value = ApplyBits(range->min, boxes);
            const bool inRange = value >= range->min && value <= range->max;
            EXPECT_EQ(CheckBitEntry(n, value, false).ok, inRange) << n << " " << value;
            // A box outside the allowed bits always gives a value the parameter
            // cannot hold, and the allowed ones alone never do.
            EXPECT_EQ(inRange, (boxes & ~allowed) == 0) << n << " " << value;
            if (inRange) {
                EXPECT_EQ(EditableBits(n, value), allowed) << n << " " << value;
            }
        }
        EXPECT_FALSE(CheckBitEntry(n, -1, false).ok) << n;               // all 16 bits set
        EXPECT_FALSE(CheckBitEntry(n, range->max + 256, false).ok) << n; // bits 8..15
        EXPECT_FALSE(CheckBitEntry(n, range->min - 1, false).ok) << n;
    }
    EXPECT_EQ(EditableBits(drive::ParamOutPole, 14), 0x0Fu);
    EXPECT_EQ(EditableBits(drive::ParamOutPole, 142), 0x8Fu); // bit 7 read from the drive can be cleared
    EXPECT_EQ(EditableBits(drive::ParamInPole, -1), 0xFFu);
}

TEST(BitEntry, TheRefusalNamesTheValueAndTheRangeInTheProgramsLanguage) {
    EXPECT_EQ(CheckBitEntry(drive::ParamOutPole, 142, false).message,
              "142 does not fit this parameter.\r\nParameter No.[41] takes 0 to 15: only BIT 0 to BIT 3 can "
              "be set.");
    EXPECT_EQ(BitRangeText(40, false), "Parameter No.[40] takes 0 to 255: only BIT 0 to BIT 7 can be set.");
    EXPECT_EQ(BitRangeText(13, false), "");
    EXPECT_TRUE(CheckBitEntry(drive::ParamOutPole, 15, false).message.empty());
    EXPECT_EQ(CheckBitEntry(drive::ParamOutPole, 142, true).message,
              "142 은(는) 이 파라미터가 담을 수 없는 값입니다.\r\n파라미터 [41]번은 0 ~ 15 입니다: BIT 0 ~ "
              "BIT 3 만 "
              "설정할 수 있습니다.");
}

TEST(ReadProgress, TheBarMovesWithEachBlockFromZeroToItsEnd) {
    std::vector<int> positions;
    for (int registers = 0; registers <= drive::ParamCount; registers += 36)
        positions.push_back(ReadProgressPosition(registers, 150));
    EXPECT_EQ(positions, (std::vector<int>{0, 37, 75, 112, 150}));
    EXPECT_EQ(ReadProgressPosition(-1, 150), 0);
    EXPECT_EQ(ReadProgressPosition(drive::ParamCount + 36, 150), 150);
}

TEST(SaveDifferences, ListEveryDifferingParameterInTheProgramsLanguage) {
    ParamValues drive{};
    drive[13] = 300;
    ParamValues working = drive;
    EXPECT_EQ(ParamDifferencesText(working, drive, false),
              "No parameter differs from the values the drive last reported.");
    working[13] = 301;
    working[0] = -5;
    working[drive::ParamCount - 1] = 1;
    EXPECT_EQ(ParamDifferencesText(working, drive, false),
              "000 HOMING HIGH SPEED : 0 -> -5\r\n013 CURRENT P GAIN : 300 -> 301\r\n" +
                  std::to_string(drive::ParamCount - 1) + " RESERVED : 0 -> 1 (not stored)");
    EXPECT_EQ(ParamDifferencesText(drive, drive, true),
              "드라이브가 마지막으로 알려 준 값과 다른 파라미터가 없습니다.");
    EXPECT_EQ(ParamDifferencesText(working, drive, true).substr(0, 4), "000 ");
    EXPECT_NE(ParamDifferencesText(working, drive, true).find(std::string(" : 300 -> 301\r\n")),
              std::string::npos);
    EXPECT_NE(ParamDifferencesText(working, drive, true).find(" (저장 안 됨)"), std::string::npos);
}

// What the monitoring page shows for given link snapshots: the state grid's
// texts, the input and output columns, the alarm label, lamps and mode labels.
#include "monitor/MonitorView.h"
#include "link/DriveMap.h"

#include <gtest/gtest.h>

namespace velt {
namespace {

StateTexts Texts(const StateBlock& regs) {
    StateTexts t;
    FormatStateValues(regs, t);
    return t;
}

TEST(StateGridTexts, AStateWordWithBit15ShowsEightDigitsAndPositionsJoinTheirHalves) {
    StateBlock r{};
    r[drive::StateStatus] = 0x8001;
    r[drive::StateAlarm] = 3;
    r[drive::StateCmdPositionLow] = 0x86A0; // 100000 = 0x000186A0
    r[drive::StateCmdPositionLow + 1] = 0x0001;
    r[drive::StatePositionLow] = 0x7960; // -100000 = 0xFFFE7960
    r[drive::StatePositionLow + 1] = 0xFFFE;
    r[drive::StateCmdSpeed] = static_cast<uint16_t>(-500);
    r[drive::StateSpeed] = 498;
    r[drive::StateCmdCurrent] = 12;
    r[drive::StateCurrent] = 11;
    r[drive::StateHall] = 5;
    r[drive::StateTemperature] = 111;
    r[drive::StateBusVoltage] = 222;
    r[drive::StateExtVolume] = 649;
    const StateTexts t = Texts(r);
    const StateTexts expected = {"FFFF8001", "3",  "100000", "-100000", "-500", "498",
                                 "12",       "11", "5",      "649",     "222",  "111"};
    EXPECT_EQ(t, expected);
    EXPECT_EQ(kStateValueCells[9].Row, 1);  // Ext Volume: row 1, column 9
    EXPECT_EQ(kStateValueCells[10].Row, 0); // "-" row 0 shows the bus voltage
    r[drive::StateStatus] = 0x0040;
    EXPECT_EQ(Texts(r)[0], "40");
    r[drive::StateCmdPositionLow] = 0xFFFF;
    r[drive::StateCmdPositionLow + 1] = 0x7FFF;
    EXPECT_EQ(Texts(r)[2], "2147483647");
}

TEST(IoColumns, PolarityDecidesWhetherAnInputIsActive) {
    BitBlock bits{};
    ParamBlock p{};
    p[drive::ParamInPole] = 0b0000'0010; // IN 2 is an A contact, IN 1 a B contact
    p[drive::ParamInFunction1] = 4;      // IN 1 RUN/STOP
    p[drive::ParamInFunction1 + 1] = 1;
    IoColumn c = InputColumn(1, bits, p, false);
    EXPECT_EQ(c.Function, " 4 : RUN/STOP");
    EXPECT_EQ(c.Value, "0");
    EXPECT_FALSE(c.AContact);
    EXPECT_TRUE(c.Active) << "a B contact that is clear is active";
    EXPECT_EQ(IoValueLook(c.Active), (CellLook{Rgb(0, 80, 0), Rgb(255, 255, 255)}));
    bits[0] = 1;
    c = InputColumn(1, bits, p, false);
    EXPECT_EQ(c.Value, "1");
    EXPECT_FALSE(c.Active);
    EXPECT_EQ(IoValueLook(c.Active), (CellLook{kDefaultColour, Rgb(0, 128, 0)}));

    c = InputColumn(2, bits, p, false);
    EXPECT_TRUE(c.AContact);
    EXPECT_FALSE(c.Active);
    bits[1] = 1;
    EXPECT_TRUE(InputColumn(2, bits, p, false).Active);
}

TEST(IoColumns, OutputsReadTheirOwnFunctionsAndPolarity) {
    BitBlock bits{};
    ParamBlock p{};
    p[drive::ParamOutPole] = 0b1110; // OUT 1 B contact, OUT 2..4 A
    p[drive::ParamOutFunction1] = 1;
    p[drive::ParamOutFunction1 + 3] = 6;
    bits[3] = 1;
    EXPECT_EQ(OutputColumn(1, bits, p).Function, " 1 : READY");
    EXPECT_TRUE(OutputColumn(1, bits, p).Active);
    EXPECT_FALSE(OutputColumn(1, bits, p).AContact);
    const IoColumn out4 = OutputColumn(4, bits, p);
    EXPECT_EQ(out4.Function, " 6 : MOVING");
    EXPECT_TRUE(out4.AContact);
    EXPECT_TRUE(out4.Active);
}

TEST(IoColumns, FunctionsOutsideTheTablesShowTheBareNumber) {
    BitBlock bits{};
    ParamBlock p{};
    p[drive::ParamInFunction1] = 16;
    p[drive::ParamInFunction1 + 1] = static_cast<uint16_t>(-1);
    p[drive::ParamOutFunction1] = 7;
    EXPECT_EQ(InputColumn(1, bits, p, false).Function, "16");
    EXPECT_EQ(InputColumn(2, bits, p, false).Function, "-1");
    EXPECT_EQ(OutputColumn(1, bits, p).Function, "7");
}

TEST(Lamps, TheStateWordLightsItsBitsAndTheHomeFlagsMustBeOne) {
    StateBlock r{};
    r[drive::StateStatus] = 0x8001;
    for (int k = 0; k < 10; ++k)
        EXPECT_EQ(LampOn(k, r), k == 0) << k;
    r[drive::StateStatus] = 0x00FF;
    r[drive::StateHomeDone] = 1;
    r[drive::StateHoming] = 2;
    for (int k = 0; k < 9; ++k)
        EXPECT_TRUE(LampOn(k, r)) << k;
    EXPECT_FALSE(LampOn(9, r)) << "Homeexe is on only when the flag equals 1";
    EXPECT_FALSE(LampOn(10, r));
}

class IndicatorTest : public ::testing::Test {
protected:
    StateBlock regs{};
    ParamBlock params{};
    LinkCounters counters{};
};

TEST_F(IndicatorTest, AlarmLabelShowsTheNumberAndModeLabelsDoNot) {
    regs[drive::StateAlarm] = 3;
    params[drive::ParamDefaultMode] = 1;
    params[drive::ParamDefaultForm] = 10;
    params[drive::ParamSwitchMode] = 2;
    params[drive::ParamSwitchForm] = 21;
    IndicatorView v = ComputeIndicators(regs, params, true, counters, false);
    EXPECT_EQ(v.AlarmText, " 3 : Overtemperature Error");
    EXPECT_EQ(v.AlarmLook, (LabelLook{Rgb(128, 0, 0), Rgb(255, 255, 255)}));
    EXPECT_EQ(v.ModeTexts[0], " Velocity Control");
    EXPECT_EQ(v.ModeTexts[1], " Communication");
    EXPECT_EQ(v.ModeTexts[2], " Troque Control");
    EXPECT_EQ(v.ModeTexts[3], " Analog Input");

    regs[drive::StateAlarm] = 0;
    v = ComputeIndicators(regs, params, true, counters, true);
    EXPECT_EQ(v.AlarmText, " 0 : 알람 없음");
    EXPECT_EQ(v.AlarmLook.Bk, Rgb(0, 128, 0));
    EXPECT_EQ(v.ModeTexts[0], " 속도 제어");

    regs[drive::StateAlarm] = 13;
    params[drive::ParamDefaultMode] = 3;
    params[drive::ParamDefaultForm] = static_cast<uint16_t>(-2);
    v = ComputeIndicators(regs, params, true, counters, true);
    EXPECT_EQ(v.AlarmText, "13");
    EXPECT_EQ(v.ModeTexts[0], "3");
    EXPECT_EQ(v.ModeTexts[1], "-2");
}

TEST_F(IndicatorTest, TheActivePairIsGreenAndDisconnectedGreysAllFour) {
    const LabelLook on{Rgb(0, 128, 0), Rgb(255, 255, 255)};
    const LabelLook off{Rgb(50, 50, 50), Rgb(128, 128, 128)};
    regs[drive::StateActiveSet] = 1;
    IndicatorView v = ComputeIndicators(regs, params, true, counters, false);
    ASSERT_TRUE(v.ModeLooks);
    EXPECT_EQ(*v.ModeLooks, (std::array<LabelLook, 4>{on, on, off, off}));
    EXPECT_EQ(v.ActivePair, 1);
    regs[drive::StateActiveSet] = 2;
    v = ComputeIndicators(regs, params, true, counters, false);
    EXPECT_EQ(*v.ModeLooks, (std::array<LabelLook, 4>{off, off, on, on}));
    regs[drive::StateActiveSet] = 0;
    v = ComputeIndicators(regs, params, true, counters, false);
    EXPECT_FALSE(v.ModeLooks) << "any other set leaves the colours as they are";
    EXPECT_EQ(v.ActivePair, 0);
    regs[drive::StateActiveSet] = 1;
    v = ComputeIndicators(regs, params, false, counters, false);
    EXPECT_EQ(*v.ModeLooks, (std::array<LabelLook, 4>{off, off, off, off}));
    EXPECT_EQ(v.ActivePair, 0);
}

TEST_F(IndicatorTest, LampColoursAndTheHiddenCounters) {
    regs[drive::StateStatus] = 0b0000'0110; // Alarm and RUN
    counters.CrcErrors = 7;
    counters.NoReplies = 0x80000000u;
    const IndicatorView v = ComputeIndicators(regs, params, true, counters, false);
    EXPECT_EQ(v.LampLooks[0], kLampOffLook);
    EXPECT_EQ(v.LampLooks[1], (LabelLook{Rgb(128, 0, 0), Rgb(255, 255, 255)}));
    EXPECT_EQ(v.LampLooks[2], (LabelLook{Rgb(0, 128, 0), Rgb(255, 255, 255)}));
    EXPECT_EQ(v.CrcErrors, "7");
    EXPECT_EQ(v.NoReplies, "-2147483648");
}

} // namespace
} // namespace velt

// What the monitoring page shows for given link snapshots: the state grid's
// texts, the input and output columns, the alarm label, lamps and mode labels.
#include "monitor/MonitorView.h"
#include "params/Language.h"

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
    r[0] = 0x8001;
    r[1] = 3;
    r[2] = 0x86A0; // 100000 = 0x000186A0
    r[3] = 0x0001;
    r[4] = 0x7960; // -100000 = 0xFFFE7960
    r[5] = 0xFFFE;
    r[6] = static_cast<uint16_t>(-500);
    r[7] = 498;
    r[8] = 12;
    r[9] = 11;
    r[10] = 5;
    r[11] = 111;
    r[12] = 222;
    r[13] = 649;
    const StateTexts t = Texts(r);
    const StateTexts expected = {"FFFF8001", "3",  "100000", "-100000", "-500", "498",
                                 "12",       "11", "5",      "649",     "222",  "111"};
    EXPECT_EQ(t, expected);
    EXPECT_EQ(kStateValueCells[9].Row, 1);  // Ext Volume: row 1, column 9
    EXPECT_EQ(kStateValueCells[10].Row, 0); // "-" row 0 shows register 12
    r[0] = 0x0040;
    EXPECT_EQ(Texts(r)[0], "40");
    r[2] = 0xFFFF;
    r[3] = 0x7FFF;
    EXPECT_EQ(Texts(r)[2], "2147483647");
}

TEST(IoColumns, PolarityDecidesWhetherAnInputIsActive) {
    BitBlock bits{};
    ParamBlock p{};
    p[40] = 0b0000'0010; // IN 2 is an A contact, IN 1 a B contact
    p[42] = 4;           // IN 1 RUN/STOP
    p[43] = 1;
    IoColumn c = InputColumn(1, bits, p);
    EXPECT_EQ(c.Function, " 4 : RUN/STOP");
    EXPECT_EQ(c.Value, "0");
    EXPECT_FALSE(c.AContact);
    EXPECT_TRUE(c.Active) << "a B contact that is clear is active";
    EXPECT_EQ(IoValueLook(c.Active), (CellLook{Rgb(0, 80, 0), Rgb(255, 255, 255)}));
    bits[0] = 1;
    c = InputColumn(1, bits, p);
    EXPECT_EQ(c.Value, "1");
    EXPECT_FALSE(c.Active);
    EXPECT_EQ(IoValueLook(c.Active), (CellLook{kDefaultColour, Rgb(0, 128, 0)}));

    c = InputColumn(2, bits, p);
    EXPECT_TRUE(c.AContact);
    EXPECT_FALSE(c.Active);
    bits[1] = 1;
    EXPECT_TRUE(InputColumn(2, bits, p).Active);
}

TEST(IoColumns, OutputsReadTheirOwnFunctionsAndPolarity) {
    BitBlock bits{};
    ParamBlock p{};
    p[41] = 0b1110; // OUT 1 B contact, OUT 2..4 A
    p[51] = 1;
    p[54] = 6;
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
    p[42] = 16;
    p[43] = static_cast<uint16_t>(-1);
    p[51] = 7;
    EXPECT_EQ(InputColumn(1, bits, p).Function, "16");
    EXPECT_EQ(InputColumn(2, bits, p).Function, "-1");
    EXPECT_EQ(OutputColumn(1, bits, p).Function, "7");
}

TEST(Lamps, TheStateWordLightsItsBitsAndTheHomeFlagsMustBeOne) {
    StateBlock r{};
    r[0] = 0x8001;
    for (int k = 0; k < 10; ++k)
        EXPECT_EQ(LampOn(k, r), k == 0) << k;
    r[0] = 0x00FF;
    r[15] = 1;
    r[16] = 2;
    for (int k = 0; k < 9; ++k)
        EXPECT_TRUE(LampOn(k, r)) << k;
    EXPECT_FALSE(LampOn(9, r)) << "Homeexe is on only when the flag equals 1";
    EXPECT_FALSE(LampOn(10, r));
}

class IndicatorTest : public ::testing::Test {
protected:
    ~IndicatorTest() override { ApplyLanguage(false); }
    StateBlock regs{};
    ParamBlock params{};
    LinkCounters counters{};
};

TEST_F(IndicatorTest, AlarmLabelShowsTheNumberAndModeLabelsDoNot) {
    ApplyLanguage(false);
    regs[1] = 3;
    params[70] = 1;
    params[71] = 10;
    params[72] = 2;
    params[73] = 21;
    IndicatorView v = ComputeIndicators(regs, params, true, counters);
    EXPECT_EQ(v.AlarmText, " 3 : Overtemperature Error");
    EXPECT_EQ(v.AlarmLook, (LabelLook{Rgb(128, 0, 0), Rgb(255, 255, 255)}));
    EXPECT_EQ(v.ModeTexts[0], " Velocity Control");
    EXPECT_EQ(v.ModeTexts[1], " Communication");
    EXPECT_EQ(v.ModeTexts[2], " Troque Control");
    EXPECT_EQ(v.ModeTexts[3], " Analog Input");

    ApplyLanguage(true);
    regs[1] = 0;
    v = ComputeIndicators(regs, params, true, counters);
    EXPECT_EQ(v.AlarmText, " 0 : 알람 없음");
    EXPECT_EQ(v.AlarmLook.Bk, Rgb(0, 128, 0));
    EXPECT_EQ(v.ModeTexts[0], " 속도 제어");

    regs[1] = 13;
    params[70] = 3;
    params[71] = static_cast<uint16_t>(-2);
    v = ComputeIndicators(regs, params, true, counters);
    EXPECT_EQ(v.AlarmText, "13");
    EXPECT_EQ(v.ModeTexts[0], "3");
    EXPECT_EQ(v.ModeTexts[1], "-2");
}

TEST_F(IndicatorTest, TheActivePairIsGreenAndDisconnectedGreysAllFour) {
    const LabelLook on{Rgb(0, 128, 0), Rgb(255, 255, 255)};
    const LabelLook off{Rgb(50, 50, 50), Rgb(128, 128, 128)};
    regs[14] = 1;
    IndicatorView v = ComputeIndicators(regs, params, true, counters);
    ASSERT_TRUE(v.ModeLooks);
    EXPECT_EQ(*v.ModeLooks, (std::array<LabelLook, 4>{on, on, off, off}));
    EXPECT_EQ(v.ActivePair, 1);
    regs[14] = 2;
    v = ComputeIndicators(regs, params, true, counters);
    EXPECT_EQ(*v.ModeLooks, (std::array<LabelLook, 4>{off, off, on, on}));
    regs[14] = 0;
    v = ComputeIndicators(regs, params, true, counters);
    EXPECT_FALSE(v.ModeLooks) << "any other set leaves the colours as they are";
    EXPECT_EQ(v.ActivePair, 0);
    regs[14] = 1;
    v = ComputeIndicators(regs, params, false, counters);
    EXPECT_EQ(*v.ModeLooks, (std::array<LabelLook, 4>{off, off, off, off}));
    EXPECT_EQ(v.ActivePair, 0);
}

TEST_F(IndicatorTest, LampColoursAndTheHiddenCounters) {
    regs[0] = 0b0000'0110; // Alarm and RUN
    counters.CrcErrors = 7;
    counters.NoReplies = 0x80000000u;
    const IndicatorView v = ComputeIndicators(regs, params, true, counters);
    EXPECT_EQ(v.LampLooks[0], kLampOffLook);
    EXPECT_EQ(v.LampLooks[1], (LabelLook{Rgb(128, 0, 0), Rgb(255, 255, 255)}));
    EXPECT_EQ(v.LampLooks[2], (LabelLook{Rgb(0, 128, 0), Rgb(255, 255, 255)}));
    EXPECT_EQ(v.CrcErrors, "7");
    EXPECT_EQ(v.NoReplies, "-2147483648");
}

} // namespace
} // namespace velt

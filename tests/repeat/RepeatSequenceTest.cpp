// The repeat sequence, step by step, against the simulated drive: Start's
// checks, the states, the converted target, dwell times and the ends.
#include "RepeatTestSupport.h"
#include "sim/DriveModel.h"

#include <climits>

namespace velt::test {
namespace {

constexpr uint16_t kCommand = drive::CommandRegister, kTargetLow = drive::PositionLowRegister,
                   kTargetHigh = drive::PositionHighRegister, kSpeed = drive::SpeedRegister;
constexpr uint16_t kStop = drive::Code(drive::Command::Stop), kRun = drive::Code(drive::Command::Run);

TEST(RepeatTarget, GearThreeHundredToTwoHundredTruncatesTowardsZero) {
    EXPECT_EQ(15000, ConvertRepeatTarget(10000, 300, 200));
    EXPECT_EQ(4, ConvertRepeatTarget(3, 300, 200));   // 4.5
    EXPECT_EQ(-4, ConvertRepeatTarget(-3, 300, 200)); // -4.5
    EXPECT_EQ(-1, ConvertRepeatTarget(-1, 300, 200)); // -1.5
    EXPECT_EQ(-15001, ConvertRepeatTarget(-10001, 300, 200));
    EXPECT_EQ(-105000, ConvertRepeatTarget(-70000, 300, 200));
}

TEST(RepeatTarget, AgreesWithTheDrivesConversionUpToTheEndsOfTheRange) {
    const std::pair<int32_t, int32_t> gears[] = {{300, 200}, {100, 100}, {1000, 1},
                                                 {1, 1000},  {7, 3},     {-5, 3}};
    const int32_t positions[] = {0,      1,          -1,          199,     -199,   70000,
                                 -70001, 2000000000, -2000000000, INT_MAX, INT_MIN};
    for (const auto& [num, den] : gears) {
        for (int32_t pos : positions) {
            EXPECT_EQ(sim::DriveModel::ConvertTarget(pos, num, den), ConvertRepeatTarget(pos, num, den))
                << pos << " x " << num << " / " << den;
        }
    }
    // The one quotient that does not fit 32 bits wraps instead of trapping.
    EXPECT_EQ(INT_MIN, ConvertRepeatTarget(INT_MIN, 1, -1));
}

TEST(RepeatPoints, GridTextsReadAsLeadingNumbers) {
    const RepeatPoint p = RepeatPointFromTexts("257", " -12.5mm", "speed", "");
    EXPECT_EQ(1, p.Use) << "low 8 bits";
    EXPECT_EQ(-12, p.Pos);
    EXPECT_EQ(0, p.Speed);
    EXPECT_EQ(0, p.Delay);
}

using RepeatSequenceTest = RepeatOnSim;

TEST_F(RepeatSequenceTest, WithoutALinkNothingStartsAndNothingHappens) {
    RepeatSequence none(nullptr);
    EXPECT_EQ(RepeatStartResult::NoLink, none.Start(DefaultRepeatPoints()));
    none.ToggleUse(0);
    none.StepRepeat();
    none.Stop();
    EXPECT_FALSE(none.Repeating());
    EXPECT_EQ(1, none.Status().Points[0].Use);
}

TEST_F(RepeatSequenceTest, StartRefusesSilentlyInTheOrderOfItsChecks) {
    // Not connected: the state block reads 0, no active set.
    EXPECT_EQ(RepeatStartResult::NoActiveSet, seq.Start(DefaultRepeatPoints()));

    ConnectAndPoll();
    SetParams({{drive::ParamDefaultMode, 2}, {drive::ParamDefaultForm, 20}}); // torque control, form 20
    EXPECT_EQ(RepeatStartResult::UnsupportedMode, seq.Start(DefaultRepeatPoints())) << "before servo";
    SetParams({{drive::ParamDefaultMode, 0}, {drive::ParamDefaultForm, 0}});
    EXPECT_EQ(RepeatStartResult::ServoOff, seq.Start(DefaultRepeatPoints()));
    SetParams({{drive::ParamDefaultMode, 2}, {drive::ParamDefaultForm, 20}});
    ServoOn();
    sim.ClearRequests();
    EXPECT_EQ(RepeatStartResult::UnsupportedMode, seq.Start(DefaultRepeatPoints()));
    EXPECT_FALSE(seq.Repeating());
    EXPECT_TRUE(Writes().empty());
}

TEST_F(RepeatSequenceTest, TheActiveSetsModeAndFormChooseTheOperation) {
    ConnectAndPoll();
    struct Case {
        int mode, form;
        RepeatStartResult result;
        uint8_t speedOnly;
    };
    const Case cases[] = {
        {0, 5, RepeatStartResult::Started, 0}, {2, 0, RepeatStartResult::Started, 0},
        {1, 3, RepeatStartResult::Started, 1}, {2, 10, RepeatStartResult::Started, 1},
        {1, 0, RepeatStartResult::Started, 0}, {2, 20, RepeatStartResult::UnsupportedMode, 0}};
    // The switch set (2) decides while it is active; the default set holds
    // torque control and would be refused.
    link.WriteParam(kCommand, drive::Code(drive::Command::SwitchFromSet1));
    ASSERT_TRUE(WaitForState([](const StateBlock& s) { return s[drive::StateActiveSet] == 2; }));
    ServoOn();
    for (const Case& c : cases) {
        SetParams({{drive::ParamDefaultMode, 2},
                   {drive::ParamDefaultForm, 20},
                   {drive::ParamSwitchMode, static_cast<uint16_t>(c.mode)},
                   {drive::ParamSwitchForm, static_cast<uint16_t>(c.form)}});
        EXPECT_EQ(c.result, seq.Start(DefaultRepeatPoints())) << c.mode << "/" << c.form;
        if (c.result == RepeatStartResult::Started) {
            EXPECT_EQ(c.speedOnly, seq.Status().SpeedOnly);
        }
        seq.Stop();
    }
}

TEST_F(RepeatSequenceTest, WithNoPointInUseOnlyStartsStopIsWrittenAndStatesZeroAndFiveAlternate) {
    Ready();
    ASSERT_EQ(RepeatStartResult::Started, seq.Start(OnlyUsed({})));
    EXPECT_EQ((std::vector<RegWrite>{{kCommand, kStop}}), Writes());
    for (int k = 0; k < 40; ++k) {
        const RepeatStepState expected = k % 2 == 0 ? RepeatStepState::Choose : RepeatStepState::Next;
        ASSERT_EQ(expected, State()) << k;
        Step();
    }
    EXPECT_EQ(2u, seq.Status().Cycles); // 16 steps a cycle
    EXPECT_EQ(4, seq.Status().PointIndex);
    EXPECT_EQ(1u, Writes().size());
    EXPECT_TRUE(seq.Repeating());
}

TEST_F(RepeatSequenceTest, APositionPointMovesToTheConvertedTargetThenDwellsItsDelay) {
    SetParams({{drive::ParamRatioNumerator, 300}, {drive::ParamRatioDenominator, 200}});
    Ready();
    RepeatPoints points = OnlyUsed({1});
    points[1].Pos = -10001; // the drive converts it to -15001
    points[1].Speed = 1000;
    points[1].Delay = 250;
    points[5].Pos = 12345; // unused: never sent
    ASSERT_EQ(RepeatStartResult::Started, seq.Start(points));
    Step(3); // P1: choose, next; P2: choose
    ASSERT_EQ(RepeatStepState::Command, State());
    sim.ClearRequests();
    Step();
    EXPECT_EQ((std::vector<RegWrite>{
                  {kTargetLow, 0xD8EF}, {kTargetHigh, 0xFFFF}, {kSpeed, 1000}, {kCommand, kRun}}),
              Writes());
    RepeatStatus s = seq.Status();
    EXPECT_EQ(RepeatStepState::WaitInPosition, s.StepState);
    EXPECT_EQ(2, s.FocusRow);
    EXPECT_EQ(2, s.FocusCol) << "Pos column";

    Step(); // the motor has barely begun to move
    EXPECT_EQ(RepeatStepState::WaitInPosition, State());
    ASSERT_TRUE(WaitForState([](const StateBlock& st) {
        const auto cmd =
            static_cast<int32_t>(st[drive::StateCmdPositionLow] |
                                 (static_cast<uint32_t>(st[drive::StateCmdPositionLow + 1]) << 16));
        return (st[drive::StateStatus] & drive::StatusInPosition) != 0 && cmd == -15001;
    }));
    Step();
    EXPECT_EQ(RepeatStepState::Dwell, State());
    now += 249;
    Step();
    EXPECT_EQ(RepeatStepState::Dwell, State());
    EXPECT_EQ(249u, seq.Status().Points[1].Elapsed);
    now += 1;
    Step();
    EXPECT_EQ(RepeatStepState::Next, State());
    EXPECT_EQ(250u, seq.Status().Points[1].Elapsed);
    Step();
    EXPECT_EQ(2, seq.Status().PointIndex);
    EXPECT_EQ(4u, Writes().size());
}

// Velocity control with a non-zero form: speed only, so these cases need no
// motion to arrive.
TEST_F(RepeatSequenceTest, SpeedOnlyIgnoresPosAndDwellsFromTheCommandOnZeroAndNegativeDelays) {
    SetParams({{drive::ParamDefaultMode, 1}, {drive::ParamDefaultForm, 3}});
    Ready();
    RepeatPoints points = OnlyUsed({0, 1});
    points[0].Speed = -300;
    points[0].Delay = 0;
    points[1].Speed = 0x12345;
    points[1].Delay = -1; // 4294967295 ms
    ASSERT_EQ(RepeatStartResult::Started, seq.Start(points));
    sim.ClearRequests();
    Step(2);
    EXPECT_EQ((std::vector<RegWrite>{{kSpeed, 0xFED4}, {kCommand, kRun}}), Writes());
    EXPECT_EQ(RepeatStepState::Dwell, State());
    EXPECT_EQ(3, seq.Status().FocusCol) << "Speed column";
    Step(); // a Delay of 0 is over after one dwell pass
    EXPECT_EQ(RepeatStepState::Next, State());

    Step(3); // next, choose, command P2
    EXPECT_EQ(kSpeed, Writes()[2].first);
    EXPECT_EQ(0x2345, Writes()[2].second) << "low 16 bits";
    now += 0x7FFFFFFFu;
    Step();
    EXPECT_EQ(RepeatStepState::Dwell, State());
    now += 0x7FFFFFFFu;
    Step();
    EXPECT_EQ(RepeatStepState::Dwell, State());
    EXPECT_EQ(0xFFFFFFFEu, seq.Status().Points[1].Elapsed);
}

TEST_F(RepeatSequenceTest, AnAlarmOrServoOffEndsTheSequenceWithoutACommand) {
    Ready();
    RepeatPoints points = OnlyUsed({1});
    points[1].Speed = 100; // a long, slow move
    for (const bool alarm : {true, false}) {
        ASSERT_EQ(RepeatStartResult::Started, seq.Start(points));
        Step(4);
        ASSERT_EQ(RepeatStepState::WaitInPosition, State());
        if (alarm)
            sim.RaiseAlarm(3);
        else
            sim.ServoOff();
        ASSERT_TRUE(WaitForState(
            [](const StateBlock& s) { return (s[drive::StateStatus] & drive::StatusServoOn) == 0; }));
        sim.ClearRequests();
        Step();
        EXPECT_FALSE(seq.Repeating());
        EXPECT_EQ(RepeatEnd::AlarmOrServoOff, seq.Status().LastEnd);
        EXPECT_EQ(alarm ? 3 : 0, seq.Status().EndAlarm);
        Step(5);
        EXPECT_TRUE(Writes().empty()) << (alarm ? "alarm" : "servo off");
        sim.RaiseAlarm(0);
        ServoOn();
    }
}

TEST_F(RepeatSequenceTest, ARatioDenominatorOfZeroStopsAtThePointAndNeverDivides) {
    SetParams({{drive::ParamRatioDenominator, 0}});
    Ready();
    ASSERT_EQ(RepeatStartResult::Started, seq.Start(OnlyUsed({2})));
    Step(5);
    ASSERT_EQ(RepeatStepState::Command, State());
    sim.ClearRequests();
    Step();
    RepeatStatus s = seq.Status();
    EXPECT_FALSE(s.Repeating);
    EXPECT_EQ(RepeatEnd::RatioDenominatorZero, s.LastEnd);
    EXPECT_EQ(2, s.EndPoint);
    EXPECT_TRUE(Writes().empty()) << "no move whose arrival cannot be seen";
    EXPECT_EQ("The ratio denominator (parameter 61) is 0.\r\nThe repeat cycle stopped at P3.",
              RepeatEndText(s.LastEnd, s.EndPoint, false));
    EXPECT_EQ("기어비분모(파라미터 61)가 0입니다.\r\n반복 운전을 P3에서 정지했습니다.",
              RepeatEndText(s.LastEnd, s.EndPoint, true));
    EXPECT_TRUE(RepeatEndText(RepeatEnd::Stopped, 0, false).empty());
    EXPECT_TRUE(RepeatEndText(RepeatEnd::LineFault, 0, false).empty()); // the title tells it

    // Changed to 0 while a move is under way.
    SetParams({{drive::ParamRatioDenominator, 100}});
    ASSERT_EQ(RepeatStartResult::Started, seq.Start(OnlyUsed({1})));
    Step(4);
    ASSERT_EQ(RepeatStepState::WaitInPosition, State());
    SetParams({{drive::ParamRatioDenominator, 0}});
    Step();
    s = seq.Status();
    EXPECT_FALSE(s.Repeating);
    EXPECT_EQ(RepeatEnd::RatioDenominatorZero, s.LastEnd);
    EXPECT_EQ(1, s.EndPoint);
    EXPECT_EQ(2u, s.EndSerial);
}

TEST_F(RepeatSequenceTest, StopWritesStopAndUseTogglesTakeEffectWhileRunning) {
    SetParams({{drive::ParamDefaultMode, 1}, {drive::ParamDefaultForm, 10}});
    Ready();
    ASSERT_EQ(RepeatStartResult::Started, seq.Start(OnlyUsed({0})));
    seq.ToggleUse(0);
    seq.ToggleUse(1);
    seq.ToggleUse(-1);
    seq.ToggleUse(8);
    const RepeatStatus s = seq.Status();
    EXPECT_EQ(0, s.Points[0].Use);
    EXPECT_EQ(1, s.Points[1].Use);
    Step(3);
    EXPECT_EQ(RepeatStepState::Command, State()) << "P2, switched on while running";
    sim.ClearRequests();
    seq.Stop();
    EXPECT_FALSE(seq.Repeating());
    EXPECT_EQ(RepeatEnd::Stopped, seq.Status().LastEnd);
    Step(3);
    EXPECT_EQ((std::vector<RegWrite>{{kCommand, kStop}}), Writes());
    // Stop while idle still sends STOP.
    seq.Stop();
    EXPECT_EQ(2u, Writes().size());
    EXPECT_EQ(1u, seq.Status().EndSerial);
}

TEST(RepeatTexts, EveryEndAndRefusalTheWindowTellsExistsInBothLanguages) {
    EXPECT_EQ(RepeatEndText(RepeatEnd::AlarmOrServoOff, 1, false, 2),
              "The drive raised alarm 2 (Overcurrent Error).\r\nThe repeat cycle stopped at P2.");
    EXPECT_EQ(RepeatEndText(RepeatEnd::AlarmOrServoOff, 7, true, 12),
              "드라이브에 알람 12 (과속도 알람)이(가) 발생했습니다.\r\n반복 운전을 P8에서 정지했습니다.");
    EXPECT_EQ(RepeatEndText(RepeatEnd::AlarmOrServoOff, 0, false, 40),
              "The drive raised alarm 40.\r\nThe repeat cycle stopped at P1."); // no name for it
    EXPECT_EQ(RepeatEndText(RepeatEnd::AlarmOrServoOff, 0, false, 0),
              "The drive's servo went off.\r\nThe repeat cycle stopped at P1.");
    EXPECT_EQ(RepeatEndText(RepeatEnd::AlarmOrServoOff, 0, true, 0),
              "드라이브의 서보가 꺼졌습니다.\r\n반복 운전을 P1에서 정지했습니다.");

    EXPECT_EQ(
        RepeatStartText(RepeatStartResult::ServoOff, true, true),
        "서보가 꺼져 있어 드라이브가 움직일 수 없습니다.\r\n모니터링 화면의 SERVO ON으로 서보를 켠 다음 "
        "Start를 다시 누르십시오.");
    EXPECT_EQ(RepeatStartText(RepeatStartResult::NoActiveSet, false, false),
              "The drive is not connected: the repeat cycle cannot start.");
    EXPECT_NE(RepeatStartText(RepeatStartResult::NoActiveSet, true, false).find("state register 14"),
              std::string::npos);
    EXPECT_NE(RepeatStartText(RepeatStartResult::UnsupportedMode, true, true).find("파라미터 70/72, 71/73"),
              std::string::npos);
    EXPECT_TRUE(RepeatStartText(RepeatStartResult::Started, true, false).empty());
    EXPECT_TRUE(RepeatStartText(RepeatStartResult::NoLink, false, false).empty());
}

} // namespace
} // namespace velt::test

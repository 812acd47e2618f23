// Commands and motion: position and velocity RUN, STOP, EMG and RESET,
// homing, encoder set, mode switching, and the parameter store.
#include "SimTestSupport.h"
#include "link/DriveMap.h"

namespace velt::sim::test {
namespace {

constexpr uint16_t kEmg = drive::StatusEmg, kAlarm = drive::StatusAlarm, kRun = drive::StatusRun,
                   kServo = drive::StatusServoOn, kInPos = drive::StatusInPosition,
                   kUpToSpeed = drive::StatusUpToSpeed, kZeroSpeed = drive::StatusZeroSpeed,
                   kMoving = drive::StatusMoving;

class Motion : public SimFixture {
protected:
    void SetUp() override {
        SimFixture::SetUp();
        // Short ramps keep the moves quick.
        ASSERT_EQ(Write(drive::ParamVelocityAcc, 20), RTU_OK);
        ASSERT_EQ(Write(drive::ParamVelocityDec, 20), RTU_OK);
        ASSERT_EQ(Write(drive::ParamPositionAccDec, 20), RTU_OK);
    }
    bool StatusHas(uint16_t bits) { return (State(drive::StateStatus) & bits) == bits; }
};

TEST_F(Motion, PositionRunEndsInPositionAtTheConvertedTarget) {
    ASSERT_EQ(Write(drive::ParamRatioNumerator, 3), RTU_OK);
    ASSERT_EQ(Write(drive::ParamRatioDenominator, 2), RTU_OK);
    ASSERT_EQ(Command(drive::Command::ServoOn), RTU_OK);
    ASSERT_TRUE(StatusHas(kServo));
    Write32(drive::PositionLowRegister, 100001); // (100001 / 2) x 3 + ((100001 mod 2) x 3) / 2 = 150001
    ASSERT_EQ(Write(drive::SpeedRegister, 3000), RTU_OK);
    ASSERT_EQ(Command(drive::Command::Run), RTU_OK);
    const uint16_t started = State(drive::StateStatus);
    EXPECT_NE(started & kRun, 0);
    EXPECT_NE(started & kMoving, 0);
    EXPECT_EQ(started & kInPos, 0);

    ASSERT_TRUE(
        WaitUntil([&] { return StatusHas(kInPos) && State32(drive::StateCmdPositionLow) == 150001; }));
    EXPECT_LE(std::abs(State32(drive::StatePositionLow) - 150001),
              static_cast<int>(drive->Holding(drive::ParamInPositionOffset)));
    ASSERT_TRUE(
        WaitUntil([&] { return State32(drive::StatePositionLow) == 150001 && StatusHas(kZeroSpeed); }));
    const uint16_t done = State(drive::StateStatus);
    EXPECT_EQ(done & (kRun | kMoving), 0);
    EXPECT_EQ(State(drive::StateCmdSpeed), 0);

    // Negative targets, and a zero speed argument moves at POSITION MODE VELOCITY.
    ASSERT_EQ(Write(drive::ParamPositionSpeed, 3000), RTU_OK);
    Write32(drive::PositionLowRegister, -4001); // (-4001 / 2) x 3 + ((-4001 mod 2) x 3) / 2 = -6001
    ASSERT_EQ(Write(drive::SpeedRegister, 0), RTU_OK);
    ASSERT_EQ(Command(drive::Command::Run), RTU_OK);
    ASSERT_TRUE(WaitUntil([&] { return StatusHas(kInPos) && State32(drive::StateCmdPositionLow) == -6001; }));
}

TEST_F(Motion, RunWithoutServoOnDoesNothing) {
    Write32(drive::PositionLowRegister, 50000);
    ASSERT_EQ(Write(drive::SpeedRegister, 1000), RTU_OK);
    ASSERT_EQ(Command(drive::Command::Run), RTU_OK);
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(State(drive::StateStatus) & (kRun | kMoving), 0);
    EXPECT_EQ(State32(drive::StateCmdPositionLow), 0);
}

TEST_F(Motion, VelocityRunReachesSpeedAndStopComesToRest) {
    // To the switch set: velocity by communication.
    ASSERT_EQ(Command(drive::Command::SwitchFromSet1), RTU_OK);
    ASSERT_EQ(State(drive::StateActiveSet), 2);
    ASSERT_EQ(Command(drive::Command::ServoOn), RTU_OK);
    ASSERT_EQ(Command(drive::Command::SwitchFromSet1), RTU_OK); // no switching while servo on
    ASSERT_EQ(State(drive::StateActiveSet), 2);
    ASSERT_EQ(Write(drive::SpeedRegister, -600), RTU_OK);
    ASSERT_EQ(Command(drive::Command::Run), RTU_OK);
    ASSERT_TRUE(WaitUntil([&] { return StatusHas(kUpToSpeed | kRun | kMoving); }));
    EXPECT_NEAR(static_cast<int16_t>(State(drive::StateSpeed)), -600, 10);
    EXPECT_EQ(static_cast<int16_t>(State(drive::StateCmdSpeed)), -600);
    EXPECT_LT(State32(drive::StatePositionLow), 0);
    const int32_t before = State32(drive::StatePositionLow);
    std::this_thread::sleep_for(20ms);
    EXPECT_LT(State32(drive::StatePositionLow), before); // still turning backwards

    ASSERT_EQ(Command(drive::Command::Stop), RTU_OK);
    ASSERT_TRUE(WaitUntil(
        [&] { return StatusHas(kZeroSpeed) && (State(drive::StateStatus) & (kRun | kMoving)) == 0; }));
    EXPECT_EQ(State(drive::StateCmdSpeed), 0);
    EXPECT_NE(State(drive::StateStatus) & kServo, 0);
    ASSERT_EQ(Command(drive::Command::ServoOff), RTU_OK);
    ASSERT_EQ(Command(drive::Command::SwitchFromSet2), RTU_OK);
    EXPECT_EQ(State(drive::StateActiveSet), 1);
}

TEST_F(Motion, EmgDropsServoUntilReset) {
    ASSERT_EQ(Command(drive::Command::ServoOn), RTU_OK);
    ASSERT_EQ(Command(drive::Command::Emg), RTU_OK);
    uint16_t s = State(drive::StateStatus);
    EXPECT_EQ(s & (kEmg | kAlarm | kServo), kEmg | kAlarm);
    EXPECT_EQ(State(drive::StateAlarm), 1);
    ASSERT_EQ(Command(drive::Command::ServoOn), RTU_OK); // refused while the alarm stands
    EXPECT_EQ(State(drive::StateStatus) & kServo, 0);
    ASSERT_EQ(Command(drive::Command::Reset), RTU_OK);
    s = State(drive::StateStatus);
    EXPECT_EQ(s & (kEmg | kAlarm), 0);
    EXPECT_EQ(State(drive::StateAlarm), 0);
    ASSERT_EQ(Command(drive::Command::ServoOn), RTU_OK);
    EXPECT_NE(State(drive::StateStatus) & kServo, 0);
}

TEST_F(Motion, HomingRunsThenSetsHomeAndTheHomingOffset) {
    ASSERT_EQ(Write(drive::ParamHomingAccDec, 10), RTU_OK); // default homing speeds: about 0.4 s in all
    ASSERT_EQ(Write(drive::ParamHomingOffset, -1234), RTU_OK);
    ASSERT_EQ(Command(drive::Command::ServoOn), RTU_OK);
    ASSERT_EQ(Command(drive::Command::Home), RTU_OK);
    EXPECT_EQ(State(drive::StateHoming), 1);
    EXPECT_EQ(State(drive::StateHomeDone), 0);
    ASSERT_TRUE(WaitUntil([&] { return State(drive::StateHomeDone) == 1; }));
    EXPECT_EQ(State(drive::StateHoming), 0);
    EXPECT_EQ(State32(drive::StateCmdPositionLow), -1234);
    ASSERT_TRUE(WaitUntil([&] { return State32(drive::StatePositionLow) == -1234; }));
}

TEST_F(Motion, EncoderSetMovesBothPositions) {
    ASSERT_EQ(Command(drive::Command::ServoOn), RTU_OK);
    Write32(drive::SetPositionLowRegister, 123456789);
    ASSERT_EQ(Command(drive::Command::SetEncoder), RTU_OK);
    EXPECT_EQ(State32(drive::StateCmdPositionLow), 123456789);
    EXPECT_EQ(State32(drive::StatePositionLow), 123456789);
    EXPECT_NE(State(drive::StateStatus) & kInPos, 0);
}

TEST_F(Motion, ThePositionCounterWrapsAndAMoveAfterwardsTakesTheShortWay) {
    ASSERT_EQ(Command(drive::Command::SwitchFromSet1), RTU_OK); // velocity control
    ASSERT_EQ(Command(drive::Command::ServoOn), RTU_OK);
    Write32(drive::SetPositionLowRegister, INT32_MAX - 2000);
    ASSERT_EQ(Command(drive::Command::SetEncoder), RTU_OK);
    ASSERT_EQ(Write(drive::SpeedRegister, 600), RTU_OK); // 100000 counts a second
    ASSERT_EQ(Command(drive::Command::Run), RTU_OK);
    ASSERT_TRUE(WaitUntil([&] { return State32(drive::StatePositionLow) < 0; }));
    ASSERT_EQ(Command(drive::Command::Stop), RTU_OK);
    ASSERT_TRUE(WaitUntil([&] { return (State(drive::StateStatus) & (kRun | kMoving)) == 0; }));
    const int32_t at = State32(drive::StatePositionLow);

    ASSERT_EQ(Command(drive::Command::ServoOff), RTU_OK);
    ASSERT_EQ(Command(drive::Command::SwitchFromSet2), RTU_OK); // position control
    ASSERT_EQ(Command(drive::Command::ServoOn), RTU_OK);
    Write32(drive::PositionLowRegister, at + 1000);
    ASSERT_EQ(Write(drive::SpeedRegister, 600), RTU_OK);
    ASSERT_EQ(Command(drive::Command::Run), RTU_OK);
    // 1000 counts forward, not 2^32 - 1000 back.
    EXPECT_TRUE(
        WaitUntil([&] { return StatusHas(kInPos) && State32(drive::StatePositionLow) == at + 1000; }));
}

TEST_F(Motion, TorqueRunHoldsTheCurrentAndTurns) {
    ASSERT_EQ(Write(drive::ParamDefaultMode, 2), RTU_OK);
    ASSERT_EQ(Command(drive::Command::ServoOn), RTU_OK);
    ASSERT_EQ(Write(drive::TorqueRegister, 300), RTU_OK);
    ASSERT_EQ(Command(drive::Command::Run), RTU_OK);
    EXPECT_EQ(static_cast<int16_t>(State(drive::StateCmdCurrent)), 300);
    ASSERT_TRUE(WaitUntil([&] { return static_cast<int16_t>(State(drive::StateSpeed)) > 10; }));
    ASSERT_EQ(Command(drive::Command::Stop), RTU_OK);
    ASSERT_TRUE(WaitUntil([&] { return (State(drive::StateStatus) & (kRun | kMoving)) == 0; }));

    // STOP while the load still turns after a zero-torque RUN.
    ASSERT_EQ(Command(drive::Command::Run), RTU_OK);
    ASSERT_TRUE(WaitUntil([&] { return static_cast<int16_t>(State(drive::StateSpeed)) > 100; }));
    ASSERT_EQ(Write(drive::TorqueRegister, 0), RTU_OK);
    ASSERT_EQ(Command(drive::Command::Run), RTU_OK);
    std::this_thread::sleep_for(5ms);
    ASSERT_EQ(Command(drive::Command::Stop), RTU_OK);
    EXPECT_TRUE(WaitUntil(
        [&] { return (State(drive::StateStatus) & (kRun | kMoving)) == 0 && StatusHas(kZeroSpeed); }));
}

TEST_F(Motion, AlarmAndServoOffFromTheControlInterface) {
    ASSERT_EQ(Command(drive::Command::ServoOn), RTU_OK);
    drive->ServoOff();
    EXPECT_EQ(State(drive::StateStatus) & kServo, 0);
    ASSERT_EQ(Command(drive::Command::ServoOn), RTU_OK);
    drive->RaiseAlarm(4);
    EXPECT_EQ(State(drive::StateAlarm), 4);
    EXPECT_EQ(State(drive::StateStatus) & (kAlarm | kServo | kEmg), kAlarm);
    drive->RaiseAlarm(0);
    EXPECT_EQ(State(drive::StateAlarm), 0);
    EXPECT_EQ(State(drive::StateStatus) & kAlarm, 0);
}

TEST_F(Motion, InputsActAccordingToTheirFunctionAndPolarity) {
    ASSERT_EQ(Write(drive::ParamInFunction1, 3), RTU_OK);      // IN1: SERVO On/Off
    ASSERT_EQ(Write(drive::ParamInFunction1 + 1, 1), RTU_OK);  // IN2: EMG
    ASSERT_EQ(Write(drive::ParamInFunction1 + 2, 14), RTU_OK); // IN3: CW Limit, normally closed
    ASSERT_EQ(Write(drive::ParamInPole, 0xFB), RTU_OK);
    drive->SetInput(0, true);
    EXPECT_NE(State(drive::StateStatus) & kServo, 0);
    drive->SetInput(0, false);
    EXPECT_EQ(State(drive::StateStatus) & kServo, 0);
    drive->SetInput(2, true);  // closed contact: not active
    drive->SetInput(2, false); // opened: the limit is hit
    EXPECT_EQ(State(drive::StateAlarm), 10);
    ASSERT_EQ(Command(drive::Command::Reset), RTU_OK);
    drive->SetInput(1, true);
    EXPECT_EQ(State(drive::StateStatus) & (kEmg | kAlarm), kEmg | kAlarm);
    drive->SetInput(5, true); // USER inputs only show up on the map
    EXPECT_EQ(State(drive::StateAlarm), 1);
}

TEST(StateStore, StoredParametersSurviveARestartAndUnstoredOnesDoNot) {
    TempDir dir;
    SimOptions options;
    options.publish = false;
    options.stateFile = (dir.path() / "drive.state").string();
    {
        SimDrive first(options);
        ASSERT_TRUE(first.Start());
        CModbusPort port;
        ASSERT_TRUE(port.OpenDevice(first.DevicePath(), 9600));
        ASSERT_EQ(port.WriteSingleRegister(1, drive::ParamHomingHighSpeed, 77), RTU_OK);
        ASSERT_EQ(port.WriteSingleRegister(1, drive::ParamHomingOffset, static_cast<uint16_t>(-200)), RTU_OK);
        ASSERT_EQ(port.WriteSingleRegister(1, drive::CommandRegister, drive::Code(drive::Command::Store)),
                  RTU_OK);
        ASSERT_EQ(port.WriteSingleRegister(1, drive::ParamHomingLowSpeed, 88), RTU_OK); // never stored
        EXPECT_EQ(first.Holding(drive::ParamHomingLowSpeed), 88);
    }
    SimDrive second(options);
    ASSERT_TRUE(second.Start());
    EXPECT_EQ(second.Holding(drive::ParamHomingHighSpeed), 77);
    EXPECT_EQ(static_cast<int16_t>(second.Holding(drive::ParamHomingOffset)), -200);
    EXPECT_EQ(second.Holding(drive::ParamHomingLowSpeed), 50);
    EXPECT_EQ(second.Holding(drive::HardwareVersionRegister), 12001);
}

TEST(StateStore, AStoreThatCannotBeWrittenIsReportedAsADeviceFailure) {
    SimOptions options;
    options.publish = false;
    options.stateFile = "/nonexistent-folder/velt/drive.state";
    SimDrive drive(options);
    ASSERT_TRUE(drive.Start());
    CModbusPort port;
    ASSERT_TRUE(port.OpenDevice(drive.DevicePath(), 9600));
    EXPECT_EQ(port.WriteSingleRegister(1, drive::CommandRegister, drive::Code(drive::Command::Store)),
              RtuResult::Exception(drive::ExceptionDeviceFailure));
}

} // namespace
} // namespace velt::sim::test

// Commands and motion: position and velocity RUN, STOP, EMG and RESET,
// homing, encoder set, mode switching, and the parameter store.
#include "SimTestSupport.h"

namespace velt::sim::test {
namespace {

constexpr uint16_t kEmg = 1 << 0, kAlarm = 1 << 1, kRun = 1 << 2, kServo = 1 << 3, kInPos = 1 << 4,
                   kUpToSpeed = 1 << 5, kZeroSpeed = 1 << 6, kMoving = 1 << 7;

class Motion : public SimFixture {
protected:
    void SetUp() override {
        SimFixture::SetUp();
        // Short ramps keep the moves quick.
        ASSERT_EQ(Write(20, 20), RTU_OK);
        ASSERT_EQ(Write(21, 20), RTU_OK);
        ASSERT_EQ(Write(35, 20), RTU_OK);
    }
    bool StatusHas(uint16_t bits) { return (State(0) & bits) == bits; }
};

TEST_F(Motion, PositionRunEndsInPositionAtTheConvertedTarget) {
    ASSERT_EQ(Write(60, 3), RTU_OK);
    ASSERT_EQ(Write(61, 2), RTU_OK);
    ASSERT_EQ(Command(9), RTU_OK);
    ASSERT_TRUE(StatusHas(kServo));
    Write32(122, 100001); // (100001 / 2) x 3 + ((100001 mod 2) x 3) / 2 = 150001
    ASSERT_EQ(Write(124, 3000), RTU_OK);
    ASSERT_EQ(Command(4), RTU_OK);
    const uint16_t started = State(0);
    EXPECT_NE(started & kRun, 0);
    EXPECT_NE(started & kMoving, 0);
    EXPECT_EQ(started & kInPos, 0);

    ASSERT_TRUE(WaitUntil([&] { return StatusHas(kInPos) && State32(2) == 150001; }));
    EXPECT_LE(std::abs(State32(4) - 150001), static_cast<int>(drive->Holding(38)));
    ASSERT_TRUE(WaitUntil([&] { return State32(4) == 150001 && StatusHas(kZeroSpeed); }));
    const uint16_t done = State(0);
    EXPECT_EQ(done & (kRun | kMoving), 0);
    EXPECT_EQ(State(6), 0);

    // Negative targets, and a zero speed argument moves at parameter 34.
    ASSERT_EQ(Write(34, 3000), RTU_OK);
    Write32(122, -4001); // (-4001 / 2) x 3 + ((-4001 mod 2) x 3) / 2 = -6001
    ASSERT_EQ(Write(124, 0), RTU_OK);
    ASSERT_EQ(Command(4), RTU_OK);
    ASSERT_TRUE(WaitUntil([&] { return StatusHas(kInPos) && State32(2) == -6001; }));
}

TEST_F(Motion, RunWithoutServoOnDoesNothing) {
    Write32(122, 50000);
    ASSERT_EQ(Write(124, 1000), RTU_OK);
    ASSERT_EQ(Command(4), RTU_OK);
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(State(0) & (kRun | kMoving), 0);
    EXPECT_EQ(State32(2), 0);
}

TEST_F(Motion, VelocityRunReachesSpeedAndStopComesToRest) {
    ASSERT_EQ(Command(12), RTU_OK); // to the switch set: velocity by communication
    ASSERT_EQ(State(14), 2);
    ASSERT_EQ(Command(9), RTU_OK);
    ASSERT_EQ(Command(12), RTU_OK); // no switching while servo on
    ASSERT_EQ(State(14), 2);
    ASSERT_EQ(Write(124, -600), RTU_OK);
    ASSERT_EQ(Command(4), RTU_OK);
    ASSERT_TRUE(WaitUntil([&] { return StatusHas(kUpToSpeed | kRun | kMoving); }));
    EXPECT_NEAR(static_cast<int16_t>(State(7)), -600, 10);
    EXPECT_EQ(static_cast<int16_t>(State(6)), -600);
    EXPECT_LT(State32(4), 0);
    const int32_t before = State32(4);
    std::this_thread::sleep_for(20ms);
    EXPECT_LT(State32(4), before); // still turning backwards

    ASSERT_EQ(Command(1), RTU_OK);
    ASSERT_TRUE(WaitUntil([&] { return StatusHas(kZeroSpeed) && (State(0) & (kRun | kMoving)) == 0; }));
    EXPECT_EQ(State(6), 0);
    EXPECT_NE(State(0) & kServo, 0);
    ASSERT_EQ(Command(10), RTU_OK);
    ASSERT_EQ(Command(13), RTU_OK);
    EXPECT_EQ(State(14), 1);
}

TEST_F(Motion, EmgDropsServoUntilReset) {
    ASSERT_EQ(Command(9), RTU_OK);
    ASSERT_EQ(Command(5), RTU_OK);
    uint16_t s = State(0);
    EXPECT_EQ(s & (kEmg | kAlarm | kServo), kEmg | kAlarm);
    EXPECT_EQ(State(1), 1);
    ASSERT_EQ(Command(9), RTU_OK); // refused while the alarm stands
    EXPECT_EQ(State(0) & kServo, 0);
    ASSERT_EQ(Command(6), RTU_OK);
    s = State(0);
    EXPECT_EQ(s & (kEmg | kAlarm), 0);
    EXPECT_EQ(State(1), 0);
    ASSERT_EQ(Command(9), RTU_OK);
    EXPECT_NE(State(0) & kServo, 0);
}

TEST_F(Motion, HomingRunsThenSetsHomeAndTheHomingOffset) {
    ASSERT_EQ(Write(2, 10), RTU_OK); // default homing speeds: about 0.4 s in all
    ASSERT_EQ(Write(5, -1234), RTU_OK);
    ASSERT_EQ(Command(9), RTU_OK);
    ASSERT_EQ(Command(11), RTU_OK);
    EXPECT_EQ(State(16), 1);
    EXPECT_EQ(State(15), 0);
    ASSERT_TRUE(WaitUntil([&] { return State(15) == 1; }));
    EXPECT_EQ(State(16), 0);
    EXPECT_EQ(State32(2), -1234);
    ASSERT_TRUE(WaitUntil([&] { return State32(4) == -1234; }));
}

TEST_F(Motion, EncoderSetMovesBothPositions) {
    ASSERT_EQ(Command(9), RTU_OK);
    Write32(126, 123456789);
    ASSERT_EQ(Command(14), RTU_OK);
    EXPECT_EQ(State32(2), 123456789);
    EXPECT_EQ(State32(4), 123456789);
    EXPECT_NE(State(0) & kInPos, 0);
}

TEST_F(Motion, ThePositionCounterWrapsAndAMoveAfterwardsTakesTheShortWay) {
    ASSERT_EQ(Command(12), RTU_OK); // velocity control
    ASSERT_EQ(Command(9), RTU_OK);
    Write32(126, INT32_MAX - 2000);
    ASSERT_EQ(Command(14), RTU_OK);
    ASSERT_EQ(Write(124, 600), RTU_OK); // 100000 counts a second
    ASSERT_EQ(Command(4), RTU_OK);
    ASSERT_TRUE(WaitUntil([&] { return State32(4) < 0; }));
    ASSERT_EQ(Command(1), RTU_OK);
    ASSERT_TRUE(WaitUntil([&] { return (State(0) & (kRun | kMoving)) == 0; }));
    const int32_t at = State32(4);

    ASSERT_EQ(Command(10), RTU_OK);
    ASSERT_EQ(Command(13), RTU_OK); // position control
    ASSERT_EQ(Command(9), RTU_OK);
    Write32(122, at + 1000);
    ASSERT_EQ(Write(124, 600), RTU_OK);
    ASSERT_EQ(Command(4), RTU_OK);
    // 1000 counts forward, not 2^32 - 1000 back.
    EXPECT_TRUE(WaitUntil([&] { return StatusHas(kInPos) && State32(4) == at + 1000; }));
}

TEST_F(Motion, TorqueRunHoldsTheCurrentAndTurns) {
    ASSERT_EQ(Write(70, 2), RTU_OK);
    ASSERT_EQ(Command(9), RTU_OK);
    ASSERT_EQ(Write(125, 300), RTU_OK);
    ASSERT_EQ(Command(4), RTU_OK);
    EXPECT_EQ(static_cast<int16_t>(State(8)), 300);
    ASSERT_TRUE(WaitUntil([&] { return static_cast<int16_t>(State(7)) > 10; }));
    ASSERT_EQ(Command(1), RTU_OK);
    ASSERT_TRUE(WaitUntil([&] { return (State(0) & (kRun | kMoving)) == 0; }));

    // STOP while the load still turns after a zero-torque RUN.
    ASSERT_EQ(Command(4), RTU_OK);
    ASSERT_TRUE(WaitUntil([&] { return static_cast<int16_t>(State(7)) > 100; }));
    ASSERT_EQ(Write(125, 0), RTU_OK);
    ASSERT_EQ(Command(4), RTU_OK);
    std::this_thread::sleep_for(5ms);
    ASSERT_EQ(Command(1), RTU_OK);
    EXPECT_TRUE(WaitUntil([&] { return (State(0) & (kRun | kMoving)) == 0 && StatusHas(kZeroSpeed); }));
}

TEST_F(Motion, AlarmAndServoOffFromTheControlInterface) {
    ASSERT_EQ(Command(9), RTU_OK);
    drive->ServoOff();
    EXPECT_EQ(State(0) & kServo, 0);
    ASSERT_EQ(Command(9), RTU_OK);
    drive->RaiseAlarm(4);
    EXPECT_EQ(State(1), 4);
    EXPECT_EQ(State(0) & (kAlarm | kServo | kEmg), kAlarm);
    drive->RaiseAlarm(0);
    EXPECT_EQ(State(1), 0);
    EXPECT_EQ(State(0) & kAlarm, 0);
}

TEST_F(Motion, InputsActAccordingToTheirFunctionAndPolarity) {
    ASSERT_EQ(Write(42, 3), RTU_OK);  // IN1: SERVO On/Off
    ASSERT_EQ(Write(43, 1), RTU_OK);  // IN2: EMG
    ASSERT_EQ(Write(44, 14), RTU_OK); // IN3: CW Limit, normally closed
    ASSERT_EQ(Write(40, 0xFB), RTU_OK);
    drive->SetInput(0, true);
    EXPECT_NE(State(0) & kServo, 0);
    drive->SetInput(0, false);
    EXPECT_EQ(State(0) & kServo, 0);
    drive->SetInput(2, true);  // closed contact: not active
    drive->SetInput(2, false); // opened: the limit is hit
    EXPECT_EQ(State(1), 10);
    ASSERT_EQ(Command(6), RTU_OK);
    drive->SetInput(1, true);
    EXPECT_EQ(State(0) & (kEmg | kAlarm), kEmg | kAlarm);
    drive->SetInput(5, true); // USER inputs only show up on the map
    EXPECT_EQ(State(1), 1);
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
        ASSERT_EQ(port.OpenDevice(first.DevicePath(), 9600), 1);
        ASSERT_EQ(port.WriteSingleRegister(1, 0, 77), RTU_OK);
        ASSERT_EQ(port.WriteSingleRegister(1, 5, static_cast<uint16_t>(-200)), RTU_OK);
        ASSERT_EQ(port.WriteSingleRegister(1, 120, 7), RTU_OK);
        ASSERT_EQ(port.WriteSingleRegister(1, 1, 88), RTU_OK); // never stored
        EXPECT_EQ(first.Holding(1), 88);
    }
    SimDrive second(options);
    ASSERT_TRUE(second.Start());
    EXPECT_EQ(second.Holding(0), 77);
    EXPECT_EQ(static_cast<int16_t>(second.Holding(5)), -200);
    EXPECT_EQ(second.Holding(1), 50);
    EXPECT_EQ(second.Holding(142), 12001);
}

TEST(StateStore, AStoreThatCannotBeWrittenIsReportedAsADeviceFailure) {
    SimOptions options;
    options.publish = false;
    options.stateFile = "/nonexistent-folder/velt/drive.state";
    SimDrive drive(options);
    ASSERT_TRUE(drive.Start());
    CModbusPort port;
    ASSERT_EQ(port.OpenDevice(drive.DevicePath(), 9600), 1);
    EXPECT_EQ(port.WriteSingleRegister(1, 120, 7), 4);
}

} // namespace
} // namespace velt::sim::test

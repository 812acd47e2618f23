// The simulated drive listens at its own rate only, as a real drive's UART
// does: it reads the speed the master set on the pseudo-terminal.
#include "SimTestSupport.h"
#include "sim/ControlLine.h"
#include "sim/LineRate.h"
#include "sim/RtuSlave.h"

namespace velt::sim::test {
namespace {

using LineRate = SimFixture;

TEST(LineRateCheck, RatesWithinTwoPercentMatchAndUnknownOnesAreServed) {
    EXPECT_TRUE(RateMatches(9600, 9600));
    EXPECT_TRUE(RateMatches(9790, 9600));
    EXPECT_FALSE(RateMatches(9800, 9600));
    EXPECT_FALSE(RateMatches(19200, 9600));
    EXPECT_FALSE(RateMatches(9600, 115200));
    EXPECT_TRUE(RateMatches(0, 57600)) << "a speed that cannot be read";
    const std::vector<uint8_t> request = WithCrc({1, 3, 0, 142, 0, 2});
    const std::vector<uint8_t> garbage = GarbledAnswer(request);
    EXPECT_EQ(garbage.size(), request.size());
    EXPECT_FALSE(RtuSlave::CrcOk(garbage.data(), garbage.size()));
    EXPECT_NE(garbage[0], request[0]);
}

TEST_F(LineRate, ARequestAtAnotherRateIsHeardButNotAnsweredAndTheOwnRateWorksAgain) {
    SimOptions options;
    options.baud = 19200;
    StartDrive(options); // the port opened at 19200
    uint16_t v[2] = {};
    ASSERT_EQ(port.ReadHoldingRegisters(1, drive::HardwareVersionRegister, v, 2), RTU_OK);

    port.ClosePort();
    ASSERT_TRUE(port.OpenDevice(drive->DevicePath(), 9600));
    drive->ClearRequests();
    EXPECT_EQ(port.WriteSingleRegister(1, drive::CommandRegister, drive::Code(drive::Command::ServoOn)),
              RTU_ERR_NO_REPLY);
    const std::vector<SimRequest> heard = drive->Requests();
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0].lineRate, 9600u);
    EXPECT_FALSE(heard[0].atOwnRate);
    EXPECT_EQ(drive->WriteRequests(), 1u) << "writes are counted at any rate";

    port.ClosePort();
    ASSERT_TRUE(port.OpenDevice(drive->DevicePath(), 19200));
    EXPECT_EQ(State(drive::StateStatus) & drive::StatusServoOn, 0) << "the write at 9600 did nothing";
    ASSERT_EQ(port.ReadHoldingRegisters(1, drive::HardwareVersionRegister, v, 2), RTU_OK);
    EXPECT_TRUE(drive->Requests().back().atOwnRate);
    EXPECT_EQ(drive->Requests().back().lineRate, 19200u);
}

TEST_F(LineRate, GarbageModeAnswersTheWrongRateWithBytesThatAreNoFrame) {
    SimOptions options;
    options.baud = 115200;
    options.wrongRate = WrongRate::Garbage;
    StartDrive(options);
    port.ClosePort();
    ASSERT_TRUE(port.OpenDevice(drive->DevicePath(), 38400));
    uint16_t v[2] = {};
    const RtuResult r = port.ReadHoldingRegisters(1, drive::HardwareVersionRegister, v, 2);
    EXPECT_TRUE(r == RTU_ERR_CRC || r == RTU_ERR_FRAME) << DescribeRtuResult(r);

    std::string error;
    EXPECT_TRUE(ControlLine::Apply(*drive, "wrongrate ignore", &error)) << error;
    EXPECT_EQ(port.ReadHoldingRegisters(1, drive::HardwareVersionRegister, v, 2), RTU_ERR_NO_REPLY);
    EXPECT_FALSE(ControlLine::Apply(*drive, "wrongrate loud", &error));
}

// Masters that read the speed with plain termios (Wine's GetCommState) must
// find a standard rate under its constant.
TEST_F(LineRate, AStandardRateIsSetWithItsConstant) {
    SimOptions options;
    options.baud = 57600;
    StartDrive(options);
    port.ClosePort();
    RawMaster raw(drive->DevicePath());
    termios tio{};
    ASSERT_EQ(::tcgetattr(raw.fd(), &tio), 0);
    EXPECT_EQ(::cfgetospeed(&tio), static_cast<speed_t>(B57600));
}

TEST_F(LineRate, ARateWithoutAConstantIsTheDrivesOwnFromTheStart) {
    SimOptions options;
    options.baud = 250000;
    StartDrive(options);
    EXPECT_EQ(LineRateOf(RawMaster(drive->DevicePath()).fd()), 250000u);
    uint16_t v[2] = {};
    EXPECT_EQ(port.ReadHoldingRegisters(1, drive::HardwareVersionRegister, v, 2), RTU_OK);
}

} // namespace
} // namespace velt::sim::test

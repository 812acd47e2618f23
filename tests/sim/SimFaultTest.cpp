// Fault injection as a real master (CModbusPort) sees it, the control line
// protocol, reopening the port, and wire timing.
#include "SimTestSupport.h"
#include "base/IdList.h"
#include "link/DriveMap.h"

#include <sys/ioctl.h>

namespace velt::sim::test {
namespace {

using Faults = SimFixture;

TEST_F(Faults, SilentDriveGivesNoReplyUntilItAnswersAgain) {
    uint16_t s[drive::StateCount] = {};
    drive->SetSilent(true);
    drive->ClearRequests();
    EXPECT_EQ(port.ReadInputRegisters(1, s), RTU_ERR_NO_REPLY);
    EXPECT_EQ(drive->Requests().size(), 1u); // it heard the request
    drive->SetSilent(false);
    EXPECT_EQ(port.ReadInputRegisters(1, s), RTU_OK);
}

TEST_F(Faults, SilenceForOneRequestFailsOnlyThatBlockOfAParameterRead) {
    constexpr int kBlock = drive::ReadBlockSize;
    constexpr uint16_t kThird = 2 * kBlock;
    drive->SetSilentFor(drive::FunctionReadHoldingRegisters, kThird, true);
    uint16_t regs[kBlock] = {};
    EXPECT_EQ(port.ReadHoldingRegisters(1, 0, regs, kBlock), RTU_OK);
    EXPECT_EQ(port.ReadHoldingRegisters(1, kBlock, regs, kBlock), RTU_OK);
    EXPECT_EQ(port.ReadHoldingRegisters(1, kThird, regs, kBlock), RTU_ERR_NO_REPLY);
    EXPECT_EQ(port.ReadHoldingRegisters(1, 3 * kBlock, regs, kBlock), RTU_OK);
    EXPECT_EQ(port.WriteSingleRegister(1, kThird, 1), RTU_OK); // other functions still answered
    drive->SetSilentFor(drive::FunctionReadHoldingRegisters, kThird, false);
    EXPECT_EQ(port.ReadHoldingRegisters(1, kThird, regs, kBlock), RTU_OK);
}

TEST_F(Faults, ACrcBurstCorruptsExactlyTheNextRepliesAndClearEndsIt) {
    uint16_t s[drive::StateCount] = {};
    ASSERT_TRUE(drive->ApplyControlLine("crcburst 2"));
    EXPECT_EQ(port.ReadInputRegisters(1, s), RTU_ERR_CRC);
    EXPECT_EQ(port.WriteSingleRegister(1, 13, 7), RTU_ERR_CRC);
    EXPECT_EQ(drive->Holding(13), 7); // carried out all the same
    EXPECT_EQ(port.ReadInputRegisters(1, s), RTU_OK);
    ASSERT_TRUE(drive->ApplyControlLine("crcburst 5"));
    ASSERT_TRUE(drive->ApplyControlLine("clear"));
    EXPECT_EQ(port.ReadInputRegisters(1, s), RTU_OK);
    EXPECT_FALSE(drive->ApplyControlLine("crcburst -1"));
    EXPECT_FALSE(drive->ApplyControlLine("crcburst"));
}

TEST_F(Faults, CorruptedCrcAndWrongIdAreRejectedButTheRequestIsCarriedOut) {
    drive->SetBadCrc(true);
    EXPECT_EQ(port.WriteSingleRegister(1, 13, 444), RTU_ERR_CRC);
    EXPECT_EQ(drive->Holding(13), 444);
    drive->SetBadCrc(false);
    drive->SetWrongId(true);
    uint16_t s[drive::StateCount] = {};
    EXPECT_EQ(port.ReadInputRegisters(1, s), RTU_ERR_FRAME);
    drive->SetWrongId(false);
    EXPECT_EQ(port.ReadInputRegisters(1, s), RTU_OK);
    drive->SetRefuse(drive::SpeedRegister, true);
    EXPECT_EQ(port.WriteSingleRegister(1, drive::SpeedRegister, 5),
              RtuResult::Exception(drive::ExceptionDeviceFailure));
}

TEST_F(Faults, ALateReplyLandsInTheNextExchange) {
    drive->SetLateMs(1500);
    uint16_t regs[drive::ReadBlockSize] = {};
    EXPECT_EQ(port.ReadHoldingRegisters(1, 0, regs, drive::ReadBlockSize), RTU_ERR_NO_REPLY);
    drive->SetLateMs(0);
    uint16_t s[drive::StateCount] = {};
    // 69 bytes expected; the first 69 of the late 77-byte reply arrive.
    EXPECT_EQ(port.ReadInputRegisters(1, s), RTU_ERR_CRC);
}

TEST_F(Faults, AReplyThatStopsHalfWayEndsTheReadAfterTheGapBetweenBytes) {
    uint16_t s[drive::StateCount] = {};
    // A pause shorter than the 100 ms allowed between two bytes is harmless.
    ASSERT_TRUE(drive->ApplyControlLine("split 30"));
    EXPECT_EQ(port.ReadInputRegisters(1, s), RTU_OK);
    // A longer one ends the read with the first half: a CRC error well
    // before the ~1.07 s of a read that gets nothing.
    ASSERT_TRUE(drive->ApplyControlLine("split 400"));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(port.ReadInputRegisters(1, s), RTU_ERR_CRC);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(900));
    EXPECT_EQ(port.RxCount, 34); // half of the 69-byte reply
    ASSERT_TRUE(drive->ApplyControlLine("clear"));
    // The second half comes late and is dropped by the next request.
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    EXPECT_EQ(port.ReadInputRegisters(1, s), RTU_OK);
}

TEST_F(Faults, ControlLinesDriveTheFaultsAndRejectNonsense) {
    std::string error;
    EXPECT_TRUE(drive->ApplyControlLine("input 5 1", &error)) << error;
    EXPECT_TRUE(drive->Input(5));
    EXPECT_TRUE(drive->ApplyControlLine("  input 5 0  ", &error));
    EXPECT_FALSE(drive->Input(5));
    EXPECT_TRUE(drive->ApplyControlLine("alarm 3", &error));
    EXPECT_EQ(drive->InputReg(drive::StateAlarm), 3);
    EXPECT_TRUE(drive->ApplyControlLine("alarm 0", &error));
    EXPECT_EQ(drive->InputReg(drive::StateAlarm), 0);
    EXPECT_TRUE(drive->ApplyControlLine("refuse 13 on", &error));
    EXPECT_EQ(port.WriteSingleRegister(1, 13, 1), RtuResult::Exception(drive::ExceptionDeviceFailure));
    EXPECT_TRUE(drive->ApplyControlLine("refuse 13 off", &error));
    EXPECT_TRUE(drive->ApplyControlLine("badcrc on", &error));
    EXPECT_EQ(port.WriteSingleRegister(1, 13, 1), RTU_ERR_CRC);
    EXPECT_TRUE(drive->ApplyControlLine("clear", &error));
    EXPECT_EQ(port.WriteSingleRegister(1, 13, 2), RTU_OK);
    ASSERT_EQ(port.WriteSingleRegister(1, drive::CommandRegister, drive::Code(drive::Command::ServoOn)),
              RTU_OK);
    EXPECT_TRUE(drive->ApplyControlLine("servo off", &error));
    EXPECT_EQ(drive->InputReg(drive::StateStatus) & drive::StatusServoOn, 0);
    EXPECT_TRUE(drive->ApplyControlLine("", &error));
    EXPECT_TRUE(drive->ApplyControlLine("# comment", &error));

    for (const char* bad :
         {"silent", "silent maybe", "late -5", "late x", "split", "split -1", "input 16 1", "input 2 2",
          "alarm", "refuse 144 on", "servo on", "frobnicate", "wrongid on extra"}) {
        error.clear();
        EXPECT_FALSE(drive->ApplyControlLine(bad, &error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
    EXPECT_FALSE(drive->Input(2));
    uint16_t s[drive::StateCount] = {};
    EXPECT_EQ(port.ReadInputRegisters(1, s), RTU_OK); // nothing was switched on by the rejects
}

TEST_F(Faults, ThePortCanBeClosedAndReopenedManyTimes) {
    for (int i = 0; i < 60; ++i) {
        port.ClosePort();
        ASSERT_TRUE(port.OpenDevice(drive->DevicePath(), 9600)) << "open " << i;
        uint16_t s[drive::StateCount] = {};
        ASSERT_EQ(port.ReadInputRegisters(1, s), RTU_OK) << "read " << i;
    }
    port.ClosePort();
    // The exclusive-use flag a master sets must not outlive its session, or
    // an unprivileged master could never open the port again.
    RawMaster raw(drive->DevicePath());
    ASSERT_TRUE(raw.ok());
    EXPECT_TRUE(WaitUntil(
        [&] {
            int exclusive = 1;
            return ::ioctl(raw.fd(), TIOCGEXCL, &exclusive) == 0 && exclusive == 0;
        },
        2000ms));
    EXPECT_EQ(raw.Request({1, 3, 0, drive::HardwareVersionRegister, 0, 1}, 7).size(), 7u);
}

TEST_F(Faults, WireTimingAnswersAfterTheLineTimeOfRequestAndReply) {
    SimOptions options;
    options.baud = 19200;
    options.wireTiming = true;
    StartDrive(options);
    uint16_t s[drive::StateCount] = {};
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(port.ReadInputRegisters(1, s), RTU_OK);
    const auto took = std::chrono::steady_clock::now() - start;
    // (8 + 69) bytes x 10 bits at 19200 bit/s = 40.1 ms, plus 3.5 characters.
    EXPECT_GE(took, 41ms);
    EXPECT_LT(took, 1000ms);
}

// A line of drives: each answers its own address with its own state, a
// broadcast reaches them all and none answers it, and the control input
// addresses one drive or every drive.
TEST_F(Faults, ALineOfDrivesAnswersEachAddressAloneAndABroadcastReachesAll) {
    SimOptions options;
    options.ids = *ParseIdList("1-2,5", 1, 247);
    StartDrive(options);
    EXPECT_EQ(drive->Ids(), (std::vector<uint8_t>{1, 2, 5}));
    uint16_t values[1] = {};
    for (uint8_t id : {1, 2, 5})
        EXPECT_EQ(port.ReadHoldingRegisters(id, 13, values, 1), RTU_OK) << int(id);
    EXPECT_EQ(port.ReadHoldingRegisters(3, 13, values, 1), RTU_ERR_NO_REPLY);

    ASSERT_EQ(port.WriteSingleRegister(2, 13, 222), RTU_OK);
    ASSERT_EQ(port.ReadHoldingRegisters(1, 13, values, 1), RTU_OK);
    EXPECT_NE(values[0], 222) << "drive 1 keeps its own parameters";
    EXPECT_EQ(port.WriteSingleRegister(0, 14, 77), RTU_BROADCAST);
    for (uint8_t id : {1, 2, 5}) {
        ASSERT_EQ(port.ReadHoldingRegisters(id, 14, values, 1), RTU_OK);
        EXPECT_EQ(values[0], 77) << int(id);
    }

    std::string error;
    ASSERT_TRUE(drive->ApplyControlLine("drive 5 alarm 3", &error)) << error;
    uint16_t state[drive::StateCount] = {};
    for (uint8_t id : {1, 5}) {
        ASSERT_EQ(port.ReadInputRegisters(id, state), RTU_OK);
        EXPECT_EQ(state[drive::StateAlarm], id == 5 ? 3 : 0) << int(id);
    }
    ASSERT_TRUE(drive->ApplyControlLine("drive 2 silent on", &error)) << error;
    EXPECT_EQ(port.ReadInputRegisters(2, state), RTU_ERR_NO_REPLY);
    EXPECT_EQ(port.ReadInputRegisters(1, state), RTU_OK);
    ASSERT_TRUE(drive->ApplyControlLine("alarm 4", &error)) << error;
    ASSERT_EQ(port.ReadInputRegisters(1, state), RTU_OK);
    EXPECT_EQ(state[drive::StateAlarm], 4) << "without a drive, every drive";
    EXPECT_FALSE(drive->ApplyControlLine("drive 3 alarm 1", &error));
    EXPECT_FALSE(drive->ApplyControlLine("drive 2 badcrc on", &error))
        << "a fault of the line, not of a drive";
    for (const char* bad : {"", "0", "1,,2", "3-1", "1,1", "248", "1-300", "a"})
        EXPECT_FALSE(ParseIdList(bad, 1, 247)) << bad;
}

} // namespace
} // namespace velt::sim::test

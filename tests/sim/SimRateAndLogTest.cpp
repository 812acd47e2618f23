// The drive answering at a wrong bit rate (what a UART at the line's rate
// makes of it) and the log of the writes the drive carries out.
#include "SimTestSupport.h"
#include "link/DriveMap.h"
#include "sim/UartResample.h"

#include <fstream>
#include <sstream>

namespace velt::sim::test {
namespace {

TEST(UartResample, TheSameRateDeliversTheBytesAsSent) {
    const std::vector<uint8_t> sent = {0x01, 0x04, 0x40, 0x00, 0xFF, 0x55};
    EXPECT_EQ(ResampleUart(sent, 9600, 9600), sent);
    EXPECT_EQ(ResampleUart(sent, 0, 9600), sent) << "no sender rate: nothing to change";
}

TEST(UartResample, AFasterSenderGivesFewerBytesAndASlowerOneMoreAndNeverTheReply) {
    std::vector<uint8_t> reply(69);
    for (size_t i = 0; i < reply.size(); ++i)
        reply[i] = static_cast<uint8_t>(i * 37 + 1);
    const std::vector<uint8_t> fast = ResampleUart(reply, 19200, 9600);
    const std::vector<uint8_t> slow = ResampleUart(reply, 4800, 9600);
    EXPECT_GT(fast.size(), 0u);
    EXPECT_LT(fast.size(), reply.size()) << "two characters go by in the time of one";
    EXPECT_GT(slow.size(), reply.size()) << "one character is seen as about two";
    EXPECT_LE(slow.size(), 2 * reply.size() + 2);
    EXPECT_NE(fast, reply);
    EXPECT_NE(slow, reply);
}

TEST(UartResample, ACharacterTwiceAsSlowIsReadAsItsBitsDoubled) {
    // 0xFF at half the receiver's rate: start bit (two receiver bits of 0),
    // then ones. The receiver reads 0b11111110 with its stop bit at 1.
    EXPECT_EQ(ResampleUart({0xFF}, 4800, 9600), (std::vector<uint8_t>{0xFE}));
    // 0x00 at half the rate: the line stays at 0 past the receiver's stop
    // bit, a framing error, delivered as 0; the rest is read again as a character.
    const std::vector<uint8_t> zero = ResampleUart({0x00}, 4800, 9600);
    ASSERT_FALSE(zero.empty());
    EXPECT_EQ(zero[0], 0x00);
}

using RateAndLog = SimFixture;

TEST_F(RateAndLog, AnswersAtAWrongRateAreNeverTakenForRepliesButTheRequestIsCarriedOut) {
    uint16_t s[drive::StateCount] = {};
    for (const char* rate : {"txbaud 19200", "txbaud 4800", "txbaud 2400", "txbaud 38400"}) {
        ASSERT_TRUE(drive->ApplyControlLine(rate));
        const RtuResult result = port.ReadInputRegisters(1, s);
        EXPECT_TRUE(result == RTU_ERR_CRC || result == RTU_ERR_FRAME || result == RTU_ERR_NO_REPLY)
            << rate << ": " << result;
    }
    EXPECT_NE(port.WriteSingleRegister(1, drive::SpeedRegister, 77), RTU_OK);
    EXPECT_EQ(drive->Holding(drive::SpeedRegister), 77) << "the drive understood and carried out the write";
    ASSERT_TRUE(drive->ApplyControlLine("txbaud 0"));
    EXPECT_EQ(port.ReadInputRegisters(1, s), RTU_OK);
    std::string error;
    EXPECT_FALSE(drive->ApplyControlLine("txbaud 10", &error)) << "below any serial rate";
    EXPECT_FALSE(drive->ApplyControlLine("txbaud fast", &error));
}

TEST(SimWriteLog, EveryWriteCarriedOutIsAppendedAndARefusedOneIsNot) {
    const std::string log = ::testing::TempDir() + "velt_sim_writes_" + std::to_string(::getpid()) + ".log";
    std::remove(log.c_str());
    for (int run = 0; run < 2; ++run) { // a drive started again goes on with the same file
        SimOptions options;
        options.publish = false;
        options.writeLog = log;
        SimDrive drive(options);
        std::string error;
        ASSERT_TRUE(drive.Start(&error)) << error;
        CModbusPort port;
        ASSERT_TRUE(port.OpenDevice(drive.DevicePath(), 9600));
        drive.SetRefuse(drive::TorqueRegister, true);
        EXPECT_EQ(port.WriteSingleRegister(1, drive::SpeedRegister, static_cast<uint16_t>(100 + run)),
                  RTU_OK);
        EXPECT_EQ(port.WriteSingleRegister(1, drive::TorqueRegister, 5),
                  RtuResult::Exception(drive::ExceptionDeviceFailure));
        EXPECT_EQ(port.WriteSingleCoil(1, 2, 1), RTU_OK);
        uint16_t s[drive::StateCount] = {};
        EXPECT_EQ(port.ReadInputRegisters(1, s), RTU_OK);
        EXPECT_EQ(drive.ExecutedWrites().size(), 2u);
        port.ClosePort();
        drive.Stop();
    }
    std::ifstream in(log);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    ASSERT_EQ(lines.size(), 4u);
    long long t0 = 0, t1 = 0;
    unsigned fn = 0, address = 0, value = 0;
    std::istringstream(lines[0]) >> t0 >> fn >> address >> value;
    EXPECT_EQ(fn, drive::FunctionWriteSingleRegister);
    EXPECT_EQ(address, drive::SpeedRegister);
    EXPECT_EQ(value, 100u);
    std::istringstream(lines[1]) >> t1 >> fn >> address >> value;
    EXPECT_EQ(fn, drive::FunctionWriteSingleCoil);
    EXPECT_EQ(value, drive::CoilOn);
    EXPECT_GE(t1, t0);
    std::istringstream(lines[2]) >> t0 >> fn >> address >> value;
    EXPECT_EQ(value, 101u);
    std::remove(log.c_str());
}

} // namespace
} // namespace velt::sim::test

// CModbusPort against a scripted slave on a pseudo-terminal: request frames,
// CRC, reply decoding, every result code and the order of the reply checks,
// opening and closing.
#include "link/CModbusPort.h"
#include "ScriptedPty.h"
#include "link/DriveMap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <thread>
#include <unistd.h>

namespace velt {
namespace {

using namespace std::chrono_literals;
using test::Bytes;
using test::ScriptedPty;
using test::WithCrc;
using Clock = std::chrono::steady_clock;

// The write the frames below carry: STOP to the command register (00 78, 00 01).
constexpr uint16_t kStop = drive::Code(drive::Command::Stop);

Bytes Frame(const uint8_t* bytes, size_t count) {
    return Bytes(bytes, bytes + count);
}

TEST(Crc16, MatchesTheModbusCheckValueAndTheWorkedFrames) {
    EXPECT_EQ(Crc16(nullptr, 0), 0xFFFF);
    const uint8_t check[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(Crc16(check, sizeof check), 0x4B37);
    const uint8_t readInputs[] = {0x01, 0x04, 0x00, 0x00, 0x00, 0x20};
    EXPECT_EQ(Crc16(readInputs, 6), 0xD2F1);
    const uint8_t exception[] = {0x01, 0x83, 0x02};
    EXPECT_EQ(Crc16(exception, 3), 0xF1C0);
}

class ModbusPortTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pty_.Ok());
        pty_.Serve();
        ASSERT_TRUE(port_.OpenDevice(pty_.SlavePath(), 115200));
    }
    Bytes LastRequest() const {
        const auto all = pty_.Requests();
        return all.empty() ? Bytes{} : all.back();
    }
    Bytes LastRx() const { return Frame(port_.RxFrame, port_.RxCount); }

    ScriptedPty pty_;
    CModbusPort port_;
};

TEST_F(ModbusPortTest, EachRequestSendsItsWorkedFrameAndDecodesTheReply) {
    uint8_t bits[16]{};
    pty_.QueueReply(WithCrc({0x01, 0x01, 0x02, 0b10100101, 0b00000011}));
    ASSERT_EQ(port_.ReadCoils(1, bits), RTU_OK);
    EXPECT_EQ(LastRequest(), (Bytes{0x01, 0x01, 0x00, 0x00, 0x00, 0x10, 0x3D, 0xC6}));
    EXPECT_EQ(Bytes(bits, bits + 16), (Bytes{1, 0, 1, 0, 0, 1, 0, 1, 1, 1, 0, 0, 0, 0, 0, 0}));

    pty_.QueueReply(WithCrc({0x01, 0x02, 0x02, 0x00, 0x80}));
    ASSERT_EQ(port_.ReadDiscreteInputs(1, bits), RTU_OK);
    EXPECT_EQ(LastRequest(), (Bytes{0x01, 0x02, 0x00, 0x00, 0x00, 0x10, 0x79, 0xC6}));
    EXPECT_EQ(std::count(bits, bits + 16, 1), 1);
    EXPECT_EQ(bits[15], 1);

    Bytes holding = {0x01, 0x03, 72};
    for (int i = 0; i < 36; ++i)
        holding.insert(holding.end(), {static_cast<uint8_t>(i == 0 ? 0xFF : 0), static_cast<uint8_t>(i)});
    pty_.QueueReply(WithCrc(holding));
    uint16_t regs[36]{};
    ASSERT_EQ(port_.ReadHoldingRegisters(1, 0, regs, 36), RTU_OK);
    EXPECT_EQ(LastRequest(), (Bytes{0x01, 0x03, 0x00, 0x00, 0x00, 0x24, 0x45, 0xD1}));
    EXPECT_EQ(port_.RxCount, 77);
    EXPECT_EQ(static_cast<int16_t>(regs[0]), -256);
    EXPECT_EQ(regs[35], 35);

    Bytes state = {0x01, 0x04, 64};
    for (int i = 0; i < 32; ++i)
        state.insert(state.end(), {0x12, static_cast<uint8_t>(i)});
    pty_.QueueReply(WithCrc(state));
    uint16_t input[32]{};
    ASSERT_EQ(port_.ReadInputRegisters(1, input), RTU_OK);
    EXPECT_EQ(LastRequest(), (Bytes{0x01, 0x04, 0x00, 0x00, 0x00, 0x20, 0xF1, 0xD2}));
    EXPECT_EQ(input[0], 0x1200);
    EXPECT_EQ(input[31], 0x121F);

    pty_.QueueReply({0x01, 0x05, 0x00, 0x00, 0xFF, 0x00, 0x8C, 0x3A});
    ASSERT_EQ(port_.WriteSingleCoil(1, 0, 7), RTU_OK) << "any non-zero `on` sends 0xFF00";
    EXPECT_EQ(LastRequest(), (Bytes{0x01, 0x05, 0x00, 0x00, 0xFF, 0x00, 0x8C, 0x3A}));

    pty_.QueueReply({0x01, 0x06, 0x00, 0x78, 0x00, 0x01, 0xC8, 0x13});
    ASSERT_EQ(port_.WriteSingleRegister(1, drive::CommandRegister, kStop), RTU_OK);
    EXPECT_EQ(LastRequest(), (Bytes{0x01, 0x06, 0x00, 0x78, 0x00, 0x01, 0xC8, 0x13}));
    EXPECT_EQ(port_.TxCount, 8);
    EXPECT_EQ(Frame(port_.TxFrame, port_.TxCount), LastRequest());
}

TEST_F(ModbusPortTest, RepliesThatAreWrongInSeveralWaysFailOnTheFirstCheckInOrder) {
    uint16_t regs[36];
    std::fill(regs, regs + 36, 0xBEEF);
    Bytes badCrcOtherSlave = WithCrc({0x02, 0x03, 0x00});
    badCrcOtherSlave.back() ^= 0x01;
    pty_.QueueReply(badCrcOtherSlave);
    EXPECT_EQ(port_.ReadHoldingRegisters(1, 0, regs, 1), RTU_ERR_CRC);
    EXPECT_EQ(LastRx(), badCrcOtherSlave) << "the reply is kept for the frame log";

    pty_.QueueReply(WithCrc({0x02, 0x83, 0x02}));
    EXPECT_EQ(port_.ReadHoldingRegisters(1, 0, regs, 1), RTU_ERR_FRAME) << "other slave";
    pty_.QueueReply(WithCrc({0x01, 0x84, 0x02}));
    EXPECT_EQ(port_.ReadHoldingRegisters(1, 0, regs, 1), RTU_ERR_FRAME) << "other function";
    pty_.QueueReply(WithCrc({0x01, 0x83, 0x02, 0x00}));
    EXPECT_EQ(port_.ReadHoldingRegisters(1, 0, regs, 1), RTU_ERR_FRAME) << "6-byte exception";
    pty_.QueueReply(WithCrc({0x01, 0x03, 0x04, 0x00, 0x01, 0x00}));
    EXPECT_EQ(port_.ReadHoldingRegisters(1, 0, regs, 2), RTU_ERR_FRAME) << "normal reply one byte short";
    pty_.QueueReply(WithCrc({0x01, 0x83, 0x00}));
    EXPECT_EQ(port_.ReadHoldingRegisters(1, 0, regs, 1), RTU_ERR_FRAME) << "exception code 0 is not success";
    pty_.QueueReply(WithCrc({0x01, 0x83, 0x02}));
    EXPECT_EQ(port_.ReadHoldingRegisters(1, 0, regs, 36), RtuResult::Exception(2))
        << "exception code returned as is";
    pty_.QueueReply(WithCrc({0x01, 0x83, 0x0B}));
    const RtuResult gateway = port_.ReadHoldingRegisters(1, 0, regs, 1);
    EXPECT_EQ(gateway, RtuResult::Exception(11)) << "a gateway's exception 11 is not a silent drive";
    EXPECT_NE(gateway, RTU_ERR_NO_REPLY);
    EXPECT_EQ(DescribeRtuResult(gateway), "drive exception 11");
    EXPECT_TRUE(std::all_of(regs, regs + 36, [](uint16_t v) { return v == 0xBEEF; })) << "outputs untouched";

    uint8_t bits[16];
    std::fill(bits, bits + 16, 7);
    pty_.QueueReply(WithCrc({0x01, 0x01, 0x02, 0xFF}));
    EXPECT_EQ(port_.ReadCoils(1, bits), RTU_ERR_FRAME);
    EXPECT_TRUE(std::all_of(bits, bits + 16, [](uint8_t v) { return v == 7; }));
}

TEST_F(ModbusPortTest, AStrayByteIsNoReplyAndALateReplyIsNotTakenForTheNextOne) {
    pty_.QueueReply({0x01});
    uint8_t bits[16]{};
    EXPECT_EQ(port_.ReadCoils(1, bits), RTU_ERR_NO_REPLY);
    EXPECT_EQ(port_.RxCount, 0);

    // The first part of a reply arrives, the rest only after the read gave up.
    const Bytes full = WithCrc({0x01, 0x01, 0x02, 0x0F, 0x00});
    pty_.QueueReply(Bytes(full.begin(), full.begin() + 3));
    EXPECT_EQ(port_.ReadCoils(1, bits), RTU_ERR_CRC);
    pty_.Send(Bytes(full.begin() + 3, full.end()));
    // A whole reply of the right length that belongs to no request (a drive
    // answering after the read gave up): well formed, but stale.
    pty_.Send(WithCrc({0x01, 0x01, 0x02, 0xFF, 0xFF}));
    std::this_thread::sleep_for(50ms); // both are in the receive queue
    pty_.QueueReply(full);
    ASSERT_EQ(port_.ReadCoils(1, bits), RTU_OK) << "queued bytes are dropped before a request";
    EXPECT_EQ(LastRx(), full);
    EXPECT_EQ(Bytes(bits, bits + 8), (Bytes{1, 1, 1, 1, 0, 0, 0, 0}));
}

TEST_F(ModbusPortTest, AReplyComingJustAfterItsReadGaveUpIsDroppedNotTakenByTheNextRequest) {
    // The drive answers the first read 30 ms after the read gave up (1069 ms),
    // while the next read of the same shape would already be waiting.
    const Bytes stale = WithCrc({0x01, 0x01, 0x02, 0xAA, 0x00});
    const Bytes fresh = WithCrc({0x01, 0x01, 0x02, 0x0F, 0x00});
    pty_.QueueReply(stale, 1036ms); // 1000 ms + 1 ms per expected byte (7), and 30 ms more
    uint8_t bits[16]{};
    EXPECT_EQ(port_.ReadCoils(1, bits), RTU_ERR_NO_REPLY);
    pty_.QueueReply(fresh, 50ms);
    ASSERT_EQ(port_.ReadCoils(1, bits), RTU_OK);
    EXPECT_EQ(LastRx(), fresh);
    EXPECT_EQ(Bytes(bits, bits + 8), (Bytes{1, 1, 1, 1, 0, 0, 0, 0}));
}

TEST_F(ModbusPortTest, AWriteIsConfirmedOnlyByTheEchoOfItsOwnRequest) {
    // The echo of another register, or of another value, is a late answer to
    // an earlier write.
    pty_.QueueReply(WithCrc({0x01, 0x06, 0x00, 0x79, 0x00, 0x01}));
    EXPECT_EQ(port_.WriteSingleRegister(1, drive::CommandRegister, kStop), RTU_ERR_FRAME);
    pty_.QueueReply(WithCrc({0x01, 0x06, 0x00, 0x78, 0x00, 0x02}));
    EXPECT_EQ(port_.WriteSingleRegister(1, drive::CommandRegister, kStop), RTU_ERR_FRAME);
    pty_.QueueReply(WithCrc({0x01, 0x05, 0x00, 0x00, 0x00, 0x00}));
    EXPECT_EQ(port_.WriteSingleCoil(1, 0, 1), RTU_ERR_FRAME);
    pty_.QueueReply(WithCrc({0x01, 0x05, 0x00, 0x00, 0xFF, 0x00}));
    EXPECT_EQ(port_.WriteSingleCoil(1, 0, 1), RTU_OK);
}

TEST_F(ModbusPortTest, NoAnswerIsNoReplyAfterTheTotalReadTimeout) {
    uint16_t regs[32]{};
    const auto start = Clock::now();
    EXPECT_EQ(port_.ReadInputRegisters(1, regs), RTU_ERR_NO_REPLY);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    EXPECT_GE(took.count(), 1069) << "1000 ms + 1 ms per expected byte (69)";
    EXPECT_LT(took.count(), 3000);
    EXPECT_EQ(port_.RxCount, 0);
    EXPECT_EQ(port_.TxCount, 8);
}

TEST_F(ModbusPortTest, BroadcastWritesAndReadsNothing) {
    uint16_t regs[32]{};
    std::fill(regs, regs + 32, 0x1234);
    port_.RxCount = 99;
    EXPECT_EQ(port_.WriteSingleRegister(0, drive::CommandRegister, kStop), RTU_BROADCAST);
    EXPECT_EQ(port_.RxCount, 0);
    ASSERT_TRUE(pty_.WaitForRequests(1));
    EXPECT_EQ(LastRequest()[0], 0);
    EXPECT_EQ(port_.ReadInputRegisters(0, regs), RTU_BROADCAST);
    EXPECT_TRUE(std::all_of(regs, regs + 32, [](uint16_t v) { return v == 0x1234; }));
}

TEST_F(ModbusPortTest, ImpossibleRegisterCountsAreRefusedWithoutSending) {
    uint16_t regs[130]{};
    EXPECT_EQ(port_.ReadHoldingRegisters(1, 0, regs, 0), RTU_ERR_FRAME);
    EXPECT_EQ(port_.ReadHoldingRegisters(1, 0, regs, drive::MaxReadRegisters + 1), RTU_ERR_FRAME);
    EXPECT_EQ(port_.ReadHoldingRegisters(1, 0, regs, -1), RTU_ERR_FRAME);
    Bytes most = {0x01, 0x03, 250};
    most.resize(3 + 250, 0x01);
    pty_.QueueReply(WithCrc(most));
    EXPECT_EQ(port_.ReadHoldingRegisters(1, 0, regs, drive::MaxReadRegisters), RTU_OK);
    EXPECT_EQ(regs[drive::MaxReadRegisters - 1], 0x0101);
    EXPECT_EQ(pty_.Requests().size(), 1u);
}

TEST_F(ModbusPortTest, RandomRepliesNeverWriteOutputsUnlessTheyAreWellFormed) {
    std::mt19937 random(20261207);
    uint16_t regs[33];
    int ok = 0;
    for (int round = 0; round < 300; ++round) {
        const int quantity = 1 + static_cast<int>(random() % 32);
        const size_t length = 5 + 2 * static_cast<size_t>(quantity);
        Bytes reply(length - 2);
        for (uint8_t& b : reply)
            b = static_cast<uint8_t>(random());
        // Mostly plausible headers, so that the later checks are reached too.
        if (round % 4 != 0) reply[0] = 1;
        if (round % 3 != 0) reply[1] = round % 5 == 0 ? 0x83 : 0x03;
        reply = WithCrc(reply);
        if (round % 7 == 0) reply[length - 1] ^= 0x5A;
        std::fill(regs, regs + 33, 0xA5A5);
        pty_.QueueReply(reply);
        const RtuResult result = port_.ReadHoldingRegisters(1, 0, regs, quantity);
        const bool wellFormed =
            reply[0] == 1 && reply[1] == drive::FunctionReadHoldingRegisters && round % 7 != 0;
        ASSERT_EQ(result == RTU_OK, wellFormed) << "round " << round;
        if (result == RTU_OK) {
            ++ok;
            EXPECT_EQ(regs[quantity - 1], reply[1 + 2 * quantity] << 8 | reply[2 + 2 * quantity]);
        } else {
            EXPECT_TRUE(std::all_of(regs, regs + quantity, [](uint16_t v) { return v == 0xA5A5; }));
        }
        EXPECT_EQ(regs[quantity], 0xA5A5) << "nothing written past the quantity";
    }
    EXPECT_GT(ok, 20);
}

struct TraceLog {
    std::vector<std::pair<bool, Bytes>> lines;
    static void Record(void* self, bool tx, const uint8_t* bytes, size_t count) {
        static_cast<TraceLog*>(self)->lines.emplace_back(tx, Bytes(bytes, bytes + count));
    }
};

TEST_F(ModbusPortTest, TheTraceSeesEveryExchangeEvenAPartialReply) {
    TraceLog log;
    port_.SetTrace(&TraceLog::Record, &log);
    pty_.QueueReply({0x01, 0x06, 0x00, 0x78, 0x00, 0x01, 0xC8, 0x13});
    EXPECT_EQ(port_.WriteSingleRegister(1, drive::CommandRegister, kStop), RTU_OK);
    pty_.QueueReply({0x01});
    uint8_t bits[16];
    EXPECT_EQ(port_.ReadCoils(1, bits), RTU_ERR_NO_REPLY);
    port_.SetTrace(nullptr, nullptr);
    ASSERT_EQ(log.lines.size(), 4u);
    EXPECT_TRUE(log.lines[0].first);
    EXPECT_EQ(log.lines[1].second, (Bytes{0x01, 0x06, 0x00, 0x78, 0x00, 0x01, 0xC8, 0x13}));
    EXPECT_EQ(log.lines[2].second, (Bytes{0x01, 0x01, 0x00, 0x00, 0x00, 0x10, 0x3D, 0xC6}));
    EXPECT_FALSE(log.lines[3].first);
    EXPECT_EQ(log.lines[3].second, (Bytes{0x01}));
}

TEST_F(ModbusPortTest, RequestsFromTwoThreadsNeverInterleave) {
    ScriptedPty echo;
    ASSERT_TRUE(echo.Ok());
    echo.Serve([](const Bytes& request) { return request; });
    CModbusPort port;
    ASSERT_TRUE(port.OpenDevice(echo.SlavePath(), 115200));
    auto worker = [&](uint16_t base, int* failures) {
        for (uint16_t i = 0; i < 40; ++i)
            if (port.WriteSingleRegister(1, base, i) != RTU_OK) ++*failures;
    };
    int failuresA = 0;
    int failuresB = 0;
    std::thread a(worker, 100, &failuresA);
    std::thread b(worker, 200, &failuresB);
    a.join();
    b.join();
    EXPECT_EQ(failuresA + failuresB, 0);
    EXPECT_EQ(echo.Requests().size(), 80u);
}

TEST_F(ModbusPortTest, ASecondOpenFailsAndLeavesTheFirstWorking) {
    ScriptedPty other;
    ASSERT_TRUE(other.Ok());
    EXPECT_FALSE(port_.OpenDevice(other.SlavePath(), 9600));
    EXPECT_EQ(port_.IsOpen(), 1);
    pty_.QueueReply({0x01, 0x06, 0x00, 0x78, 0x00, 0x01, 0xC8, 0x13});
    EXPECT_EQ(port_.WriteSingleRegister(1, drive::CommandRegister, kStop), RTU_OK);

    port_.ClosePort();
    port_.ClosePort();
    EXPECT_EQ(port_.IsOpen(), 0);
    uint8_t bits[16];
    EXPECT_EQ(port_.ReadCoils(1, bits), RTU_ERR_NOT_OPEN);
    EXPECT_TRUE(port_.OpenDevice(pty_.SlavePath(), 9600)) << "reopens after a close";
}

TEST(ModbusPortOpen, AFailedOpenLeavesThePortClosedAndTheDeviceFree) {
    ScriptedPty pty;
    ASSERT_TRUE(pty.Ok());
    CModbusPort port;
    EXPECT_FALSE(port.OpenDevice(pty.SlavePath(), 0)) << "the line settings are refused";
    EXPECT_FALSE(port.IsOpen());
    uint16_t regs[32];
    EXPECT_EQ(port.ReadInputRegisters(1, regs), RTU_ERR_NOT_OPEN);
    EXPECT_EQ(port.WriteSingleCoil(1, 0, 1), RTU_ERR_NOT_OPEN);
    EXPECT_TRUE(pty.Requests().empty());
    EXPECT_TRUE(port.OpenDevice(pty.SlavePath(), 9600)) << "the refused open released the device";
}

TEST(ModbusPortOpen, PortNumbersBelowTenAndFromTenOnReachTheirDevices) {
    ScriptedPty pty;
    ASSERT_TRUE(pty.Ok());
    const auto dir = std::filesystem::temp_directory_path() / ("velt-com-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    ::setenv("VELT_PORTS_DIR", dir.c_str(), 1);
    std::filesystem::create_symlink(pty.SlavePath(), dir / "COM9");
    std::filesystem::create_symlink(pty.SlavePath(), dir / "COM10");
    CModbusPort port;
    EXPECT_TRUE(port.OpenPort(9, 9600));
    port.ClosePort();
    EXPECT_TRUE(port.OpenPort(10, 19200));
    port.ClosePort();
    if (!std::filesystem::exists("/dev/ttyS10")) {
        EXPECT_FALSE(port.OpenPort(11, 9600)) << "missing device";
    }
    ::unsetenv("VELT_PORTS_DIR");
    std::filesystem::remove_all(dir);
}

} // namespace
} // namespace velt

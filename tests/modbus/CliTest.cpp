// velt-cli's base commands, run as a program against a scripted slave on a
// pseudo-terminal: output, exit status, usage errors and the trace.
#include "ChildProcess.h"
#include "ScriptedPty.h"
#include "link/DriveMap.h"

#include <algorithm>
#include <gtest/gtest.h>

#include <regex>

namespace velt {
namespace {

using test::Bytes;
using test::ProcessResult;
using test::RunProcess;
using test::ScriptedPty;
using test::WithCrc;

// A slave that answers every request of slave 1: the write requests are
// echoed, reads get fixed values (bits 1 0 1 1 0..., registers 0, -1, 2, ...).
Bytes AnswerOf(const Bytes& request) {
    const uint8_t function = request[1];
    const int quantity = request[4] << 8 | request[5];
    using namespace drive;
    if (function == FunctionWriteSingleCoil || function == FunctionWriteSingleRegister) return request;
    if (function == FunctionReadCoils || function == FunctionReadDiscreteInputs)
        return WithCrc({request[0], function, 2, 0x0D, 0x00});
    if (function != FunctionReadHoldingRegisters && function != FunctionReadInputRegisters)
        return WithCrc({request[0], static_cast<uint8_t>(function | ExceptionBit), ExceptionIllegalFunction});
    Bytes reply = {request[0], function, static_cast<uint8_t>(2 * quantity)};
    for (int i = 0; i < quantity; ++i) {
        const uint16_t v = i == 1 ? 0xFFFF : static_cast<uint16_t>(i);
        reply.insert(reply.end(), {static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v & 0xFF)});
    }
    return WithCrc(reply);
}

class CliTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(pty_.Ok()); }
    ProcessResult Cli(std::vector<std::string> args) {
        std::vector<std::string> argv = {VELT_CLI_PATH,    "--lang", "en",    "--port",
                                         pty_.SlavePath(), "--baud", "115200"};
        argv.insert(argv.end(), args.begin(), args.end());
        return RunProcess(argv);
    }
    ScriptedPty pty_;
};

TEST_F(CliTest, ReadsPrintOneLineOfValuesAndWritesPrintNothing) {
    pty_.Serve(&AnswerOf);
    ProcessResult r = Cli({"read-coils"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "1 0 1 1 0 0 0 0 0 0 0 0 0 0 0 0\n");
    r = Cli({"read-inputs"});
    EXPECT_EQ(r.out, "1 0 1 1 0 0 0 0 0 0 0 0 0 0 0 0\n");
    r = Cli({"read-holding", "10", "3"});
    EXPECT_EQ(r.out, "0 -1 2\n");
    EXPECT_EQ(pty_.Requests().back(), WithCrc({1, 3, 0, 10, 0, 3}));
    r = Cli({"read-input-regs"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out.substr(0, 9), "0 -1 2 3 ");
    EXPECT_EQ(r.out.substr(r.out.size() - 4), " 31\n");

    r = Cli({"write-coil", "3", "on"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(pty_.Requests().back(), WithCrc({1, 5, 0, 3, 0xFF, 0}));
    const std::string command = std::to_string(drive::CommandRegister);
    r = Cli({"write-register", command, "-1"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(pty_.Requests().back(), WithCrc({1, 6, 0, drive::CommandRegister, 0xFF, 0xFF}));
    r = Cli({"write-register", command, "65535"});
    EXPECT_EQ(pty_.Requests().back(), WithCrc({1, 6, 0, drive::CommandRegister, 0xFF, 0xFF}));
}

TEST_F(CliTest, FailuresNameTheResultAndExitWithItsCode) {
    pty_.Serve();
    pty_.QueueReply(WithCrc({1, 0x83, 2}));
    ProcessResult r = Cli({"read-holding", "0", "36"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "drive exception 2\n");

    Bytes bad = WithCrc({1, 6, 0, 1, 0, 1});
    bad[7] ^= 0xFF;
    pty_.QueueReply(bad);
    r = Cli({"write-register", "1", "1"});
    EXPECT_EQ(r.exitCode, 10);
    EXPECT_EQ(r.err, "RTU_ERR_CRC (10)\n");

    r = Cli({"--id", "0", "write-coil", "1", "off"});
    EXPECT_EQ(r.exitCode, 16) << "a broadcast reads no reply";
    EXPECT_EQ(r.err, "RTU_BROADCAST (16)\n");

    r = RunProcess({VELT_CLI_PATH, "--lang", "en", "--port", "/dev/velt-no-such-port", "read-coils"});
    EXPECT_EQ(r.exitCode, 15);
    EXPECT_EQ(r.err, "Port Open Fail\nNo such device: /dev/velt-no-such-port. Is the adapter unplugged?\n");
}

TEST_F(CliTest, BadArgumentsAreNamedInOneLineAndExit64BeforeTouchingThePort) {
    pty_.Serve(&AnswerOf);
    const std::vector<std::vector<std::string>> bad = {
        {"read-holding", "0"},
        {"read-holding", "0", std::to_string(drive::MaxReadRegisters + 1)},
        {"read-holding", "x", "1"},
        {"write-coil", "1", "1"},
        {"write-coil", "65536", "on"},
        {"write-register", "1", "65536"},
        {"write-register", "1", "-32769"},
        {"read-coils", "extra"},
        {"ping", "--count", "0"},
        {"ping", "5"},
        {"no-such-command"},
    };
    for (const auto& args : bad) {
        const ProcessResult r = Cli(args);
        EXPECT_EQ(r.exitCode, 64) << args[0];
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_EQ(r.err.rfind("velt-cli: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find("velt-cli --help"), std::string::npos) << r.err;
    }
    EXPECT_NE(Cli({"no-such-command"}).err.find("unknown command no-such-command"), std::string::npos);
    EXPECT_TRUE(pty_.Requests().empty());
}

TEST_F(CliTest, TraceShowsBothDirectionsAndPingPrintsOneSummaryLine) {
    pty_.Serve(&AnswerOf);
    ProcessResult r = Cli({"--trace", "read-coils"});
    EXPECT_EQ(r.exitCode, 0);
    const Bytes reply = AnswerOf(WithCrc({1, 1, 0, 0, 0, 16}));
    char rx[64];
    std::snprintf(rx, sizeof rx, "RX: 01 01 02 0D 00 %02X %02X\n", reply[5], reply[6]);
    EXPECT_EQ(r.err, std::string("TX: 01 01 00 00 00 10 3D C6\n") + rx);

    r = Cli({"ping", "--count", "25"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const std::regex line(
        R"(latency_us min=(\d+) median=(\d+) p99=(\d+) max=(\d+) tps=(\d+) n=25 errors=0\n)");
    std::smatch m;
    ASSERT_TRUE(std::regex_match(r.out, m, line)) << r.out;
    EXPECT_LE(std::stoll(m[1]), std::stoll(m[2]));
    EXPECT_LE(std::stoll(m[2]), std::stoll(m[3]));
    EXPECT_LE(std::stoll(m[3]), std::stoll(m[4]));
    EXPECT_GT(std::stoll(m[5]), 0);
    EXPECT_EQ(pty_.Requests().size(), 26u);
    EXPECT_EQ(pty_.Requests().back(), (Bytes{0x01, 0x04, 0x00, 0x00, 0x00, 0x20, 0xF1, 0xD2}));
}

} // namespace
} // namespace velt

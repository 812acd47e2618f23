// velt-cli against a Modbus slave that we did not write: libmodbus, serving on
// a pseudo-terminal or over TCP (see libmodbus_slave.cpp for its registers).
#include "ChildProcess.h"

#include <gtest/gtest.h>

#include <memory>

namespace velt {
namespace {

using test::ChildProcess;
using test::ProcessResult;
using test::RunProcess;

// Over a pseudo-terminal (RTU), and as a Modbus TCP server (tcp://).
class LibmodbusInterop : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        std::vector<std::string> argv = {VELT_LIBMODBUS_SLAVE_PATH};
        if (GetParam()) argv.push_back("--tcp");
        slave_ = std::make_unique<ChildProcess>(argv);
        ASSERT_TRUE(slave_->Running());
        port_ = slave_->ReadLine();
        ASSERT_FALSE(port_.empty()) << "the libmodbus slave did not start";
    }
    ProcessResult Cli(std::vector<std::string> args) {
        std::vector<std::string> argv = {VELT_CLI_PATH, "--lang", "en", "--port", port_, "--baud", "9600"};
        argv.insert(argv.end(), args.begin(), args.end());
        return RunProcess(argv);
    }
    void ExpectOutput(std::vector<std::string> args, const std::string& out) {
        const ProcessResult r = Cli(args);
        EXPECT_EQ(r.exitCode, 0) << args[0] << ": " << r.err;
        EXPECT_EQ(r.out, out) << args[0];
    }

    std::unique_ptr<ChildProcess> slave_;
    std::string port_;
};

TEST_P(LibmodbusInterop, AllSixFunctionsWorkAgainstALibmodbusSlave) {
    ExpectOutput({"read-coils"}, "1 0 1 0 0 1 0 1 1 1 0 0 0 0 0 0\n");
    ExpectOutput({"read-inputs"}, "1 0 0 0 0 0 0 0 0 0 0 0 0 0 0 1\n");
    ExpectOutput({"read-holding", "3", "4"}, "9 12 -2 18\n");
    std::string inputs;
    for (int i = 0; i < 31; ++i)
        inputs += std::to_string(1000 + i) + " ";
    ExpectOutput({"read-input-regs"}, inputs + "-32768\n");

    ExpectOutput({"write-coil", "15", "on"}, "");
    ExpectOutput({"write-coil", "0", "off"}, "");
    ExpectOutput({"read-coils"}, "0 0 1 0 0 1 0 1 1 1 0 0 0 0 0 1\n");
    ExpectOutput({"write-register", "120", "-12345"}, "");
    ExpectOutput({"write-register", "121", "65535"}, "");
    ExpectOutput({"read-holding", "119", "3"}, "357 -12345 -1\n");
    ExpectOutput({"read-holding", "197", "3"}, "591 594 597\n");

    const ProcessResult r = Cli({"read-holding", "199", "2"});
    EXPECT_EQ(r.exitCode, 2) << "libmodbus answers an out-of-range read with exception 2";
    EXPECT_EQ(r.err, "drive exception 2\n");
}

INSTANTIATE_TEST_SUITE_P(SerialAndTcp, LibmodbusInterop, ::testing::Bool());

} // namespace
} // namespace velt

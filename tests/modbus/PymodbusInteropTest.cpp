// velt-cli against pymodbus's server over TCP: Modbus TCP (tcp://) and its
// RTU framer carried over TCP (rtu-tcp://); see pymodbus_server.py for the
// registers. Skipped where pymodbus is not installed.
#include "ChildProcess.h"

#include <gtest/gtest.h>

#include <memory>

namespace velt {
namespace {

using test::ChildProcess;
using test::ProcessResult;
using test::RunProcess;

// The system's Python, where pymodbus comes from the distribution.
constexpr const char* kPython = "PY=python3; [ -x /usr/bin/python3 ] && PY=/usr/bin/python3; ";

class PymodbusInterop : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        const ProcessResult probe =
            RunProcess({"/bin/sh", "-c", std::string(kPython) + "exec $PY -c 'import pymodbus.server'"});
        if (probe.exitCode != 0)
            GTEST_SKIP() << "pymodbus is not installed (python3-pymodbus): " << probe.err;
        const std::string mode = GetParam() ? "rtu" : "tcp";
        server_ = std::make_unique<ChildProcess>(std::vector<std::string>{
            "/bin/sh", "-c", std::string(kPython) + "exec $PY " + VELT_PYMODBUS_SERVER + " " + mode});
        port_ = server_->ReadLine(std::chrono::seconds(20));
        ASSERT_FALSE(port_.empty()) << "the pymodbus server did not start";
    }
    void ExpectOutput(std::vector<std::string> args, const std::string& out) {
        std::vector<std::string> argv = {VELT_CLI_PATH, "--lang", "en", "--port", port_};
        argv.insert(argv.end(), args.begin(), args.end());
        const ProcessResult r = RunProcess(argv);
        EXPECT_EQ(r.exitCode, 0) << args[0] << ": " << r.err;
        EXPECT_EQ(r.out, out) << args[0];
    }

    std::unique_ptr<ChildProcess> server_;
    std::string port_;
};

TEST_P(PymodbusInterop, AllSixFunctionsWorkAgainstPymodbus) {
    ExpectOutput({"read-coils"}, "1 0 1 0 0 1 0 1 1 1 0 0 0 0 0 0\n");
    ExpectOutput({"read-inputs"}, "1 0 0 0 0 0 0 0 0 0 0 0 0 0 0 1\n");
    ExpectOutput({"read-holding", "3", "4"}, "9 12 -2 18\n");
    std::string inputs;
    for (int i = 0; i < 31; ++i)
        inputs += std::to_string(1000 + i) + " ";
    ExpectOutput({"read-input-regs"}, inputs + "-32768\n");
    ExpectOutput({"write-coil", "15", "on"}, "");
    ExpectOutput({"read-coils"}, "1 0 1 0 0 1 0 1 1 1 0 0 0 0 0 1\n");
    ExpectOutput({"write-register", "120", "-12345"}, "");
    ExpectOutput({"read-holding", "119", "3"}, "357 -12345 363\n");
}

INSTANTIATE_TEST_SUITE_P(TcpAndRtuOverTcp, PymodbusInterop, ::testing::Bool());

} // namespace
} // namespace velt

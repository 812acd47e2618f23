// velt-cli through a network gateway: velt-drive-sim serving as a Modbus TCP
// gateway on loopback, every request kind, a parameter store and the scan,
// run as programs.
#include "ChildProcess.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

namespace velt::test {
namespace {

using namespace std::chrono_literals;

ProcessResult Cli(std::vector<std::string> args) {
    args.insert(args.begin(), {VELT_CLI_PATH, "--lang", "en"});
    return RunProcess(args, 120s);
}

TEST(CliNetwork, EveryCommandAndTheScanWorkThroughAModbusTcpGateway) {
    ChildProcess sim({VELT_SIM_PATH, "--tcp", "0", "--id", "5"});
    const std::string ready = sim.ReadLine(20s);
    ASSERT_EQ(0u, ready.rfind("ready tcp://127.0.0.1:", 0)) << ready;
    const std::string name = ready.substr(6, ready.find(' ', 6) - 6);

    const ProcessResult versions = Cli({"--port", name, "--id", "5", "read-holding", "142", "2"});
    EXPECT_EQ(0, versions.exitCode) << versions.err;
    EXPECT_EQ("12001 12001\n", versions.out);
    EXPECT_EQ(0, Cli({"--port", name, "--id", "5", "write-register", "124", "300"}).exitCode);
    EXPECT_EQ("300\n", Cli({"--port", name, "--id", "5", "read-holding", "124", "1"}).out);
    EXPECT_EQ(0, Cli({"--port", name, "--id", "5", "write-coil", "1", "on"}).exitCode);
    EXPECT_EQ(0, Cli({"--port", name, "--id", "5", "read-coils"}).exitCode);
    EXPECT_EQ(0, Cli({"--port", name, "--id", "5", "read-inputs"}).exitCode);
    EXPECT_EQ(0, Cli({"--port", name, "--id", "5", "read-input-regs"}).exitCode);

    // A parameter set read and stored again through the gateway, with the
    // drive's backup written first.
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("velt-cli-network-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    ::setenv("VELT_PARAMETER_DIR", folder.c_str(), 1);
    const std::string file = (folder / "set.par").string();
    EXPECT_EQ(0, Cli({"--port", name, "--id", "5", "params", "read", "--out", file}).exitCode);
    const ProcessResult stored = Cli({"--port", name, "--id", "5", "params", "write", file, "--yes"});
    EXPECT_EQ(0, stored.exitCode) << stored.err;
    EXPECT_NE(stored.err.find("backup: "), std::string::npos) << stored.err;
    EXPECT_NE(stored.err.find("stored\n"), std::string::npos) << stored.err;
    ::unsetenv("VELT_PARAMETER_DIR");
    std::filesystem::remove_all(folder);

    // Another ID: the gateway answers that its target did not respond.
    const ProcessResult nobody = Cli({"--port", name, "--id", "6", "read-input-regs"});
    EXPECT_EQ(17, nobody.exitCode) << nobody.err;

    const ProcessResult scan = Cli({"scan", "--port", name});
    EXPECT_EQ(0, scan.exitCode) << scan.err;
    EXPECT_EQ(name + "\t0\t5\t12.0.01\t12.0.01\n", scan.out);
    EXPECT_EQ("Finished: 1 found\n", scan.err);
}

} // namespace
} // namespace velt::test

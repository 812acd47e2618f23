// End to end against the simulated drive: CModbusPort opening COMn through
// the ports folder, and velt-cli driving the drive's registers.
#include "sim/SimDrive.h"
#include "ChildProcess.h"
#include "link/CModbusPort.h"
#include "link/DriveMap.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace velt {
namespace {

using test::ProcessResult;
using test::RunProcess;

constexpr int kCom = 27;

class SimDriveTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("VELT_PORTS_DIR", dir_.c_str(), 1);
        std::filesystem::create_directories(dir_);
        sim::SimOptions options;
        options.comNumber = kCom;
        options.baud = 115200;
        sim_ = std::make_unique<sim::SimDrive>(options);
        std::string error;
        ASSERT_TRUE(sim_->Start(&error)) << error;
    }
    void TearDown() override {
        sim_.reset();
        ::unsetenv("VELT_PORTS_DIR");
        std::filesystem::remove_all(dir_);
    }
    ProcessResult Cli(std::vector<std::string> args) {
        std::vector<std::string> argv = {VELT_CLI_PATH, "--lang", "en",    "--port",
                                         "COM27",       "--baud", "115200"};
        argv.insert(argv.end(), args.begin(), args.end());
        return RunProcess(argv);
    }

    std::filesystem::path dir_ =
        std::filesystem::temp_directory_path() / ("velt-sim-ports-" + std::to_string(::getpid()));
    std::unique_ptr<sim::SimDrive> sim_;
};

TEST_F(SimDriveTest, ThePortReadsAllParametersAndTheStateBlockOfThePublishedDrive) {
    CModbusPort port;
    ASSERT_TRUE(port.OpenPort(kCom, 115200));
    uint16_t params[drive::ParamCount]{};
    for (int start = 0; start < drive::ParamCount; start += drive::ReadBlockSize)
        ASSERT_EQ(
            port.ReadHoldingRegisters(1, static_cast<uint16_t>(start), params + start, drive::ReadBlockSize),
            RTU_OK);
    for (int reg = 0; reg < drive::ParamCount; ++reg)
        EXPECT_EQ(params[reg], sim_->Holding(reg)) << reg;
    uint16_t state[drive::StateCount]{};
    EXPECT_EQ(port.ReadInputRegisters(1, state), RTU_OK);
    uint8_t bits[drive::BitCount]{};
    EXPECT_EQ(port.ReadDiscreteInputs(1, bits), RTU_OK);
    EXPECT_EQ(port.ReadCoils(1, bits), RTU_OK);
}

TEST_F(SimDriveTest, TheCliWritesACoilAndReadsItBackThroughTheComName) {
    ProcessResult r = Cli({"write-coil", "2", "on"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(sim_->Coil(2));
    r = Cli({"read-coils"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_GE(r.out.size(), 6u);
    EXPECT_EQ(r.out.substr(4, 2), "1 ") << r.out;

    r = Cli({"read-holding", std::to_string(drive::HardwareVersionRegister), "2"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out,
              std::to_string(static_cast<int16_t>(sim_->Holding(drive::HardwareVersionRegister))) + " " +
                  std::to_string(static_cast<int16_t>(sim_->Holding(drive::SoftwareVersionRegister))) + "\n");

    r = Cli({"ping", "--count", "10"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find(" n=10 errors=0"), std::string::npos) << r.out;
}

} // namespace
} // namespace velt

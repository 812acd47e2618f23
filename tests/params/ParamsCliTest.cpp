// velt-cli params read, diff and write, run as a program against the
// simulated drive.
#include "ChildProcess.h"
#include "params/ParFile.h"
#include "platform/AtomicFile.h"
#include "sim/SimDrive.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>

using namespace velt;
namespace fs = std::filesystem;

namespace {

using CliRun = test::ProcessResult;

class ParamsCliTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::path(::testing::TempDir()) / ("velt_params_cli_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        sim::SimOptions options;
        options.publish = false;
        sim_ = std::make_unique<sim::SimDrive>(options);
        std::string error;
        ASSERT_TRUE(sim_->Start(&error)) << error;
    }
    void TearDown() override {
        sim_->Stop();
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    // Runs velt-cli with stdin from /dev/null; backups go to dir_/backups.
    CliRun Run(const std::string& args, const std::string& port = "") {
        return test::RunShell("VELT_PARAMETER_DIR='" + (dir_ / "backups").string() + "' VELT_CONFIG_DIR='" +
                                  (dir_ / "config").string() + "' '" VELT_CLI_PATH "' --lang en --port '" +
                                  (port.empty() ? sim_->DevicePath() : port) + "' " + args,
                              dir_);
    }

    fs::path dir_;
    std::unique_ptr<sim::SimDrive> sim_;
};

} // namespace

TEST_F(ParamsCliTest, ReadDiffAndWriteAgainstTheDrive) {
    const fs::path a = dir_ / "a.par";
    CliRun r = Run("params read --out '" + a.string() + "'");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ParamValues values{};
    ParReadResult parsed;
    ASSERT_TRUE(ReadParFile(a, &values, &parsed));
    EXPECT_EQ(parsed.applied, PARAM_COUNT);
    EXPECT_EQ(values[13], static_cast<int16_t>(sim_->Holding(13)));

    r = Run("params diff '" + a.string() + "'");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "no differences\n");

    const int16_t changed = static_cast<int16_t>(values[13] + 1);
    values[13] = changed;
    const fs::path b = dir_ / "b.par";
    ASSERT_TRUE(WriteParFile(b, values));
    r = Run("params diff '" + b.string() + "'");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out.rfind("013 CURRENT P GAIN", 0), 0u) << r.out;

    r = Run("params write '" + b.string() + "'"); // no one to say yes
    EXPECT_EQ(r.exitCode, 2) << r.err;
    EXPECT_NE(static_cast<int16_t>(sim_->Holding(13)), changed);

    r = Run("params write '" + b.string() + "' --yes");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(static_cast<int16_t>(sim_->Holding(13)), changed);
    EXPECT_NE(r.err.find("backup: " + (dir_ / "backups").string()), std::string::npos) << r.err;

    sim_->SetRefuse(5, true);
    r = Run("params write '" + a.string() + "' --yes");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("Parameters No.[5] during storage Error has occurred."), std::string::npos) << r.err;
    EXPECT_EQ(static_cast<int16_t>(sim_->Holding(13)), changed); // 13 comes after 5: not written
}

TEST_F(ParamsCliTest, ABackupThatCannotBeWrittenStopsTheWriteEvenWithYes) {
    const fs::path a = dir_ / "a.par";
    ASSERT_EQ(Run("params read --out '" + a.string() + "'").exitCode, 0);
    ParamValues values{};
    ASSERT_TRUE(ReadParFile(a, &values));
    const uint16_t held = sim_->Holding(13);
    values[13] = static_cast<int16_t>(held + 1);
    ASSERT_TRUE(WriteParFile(a, values));
    ASSERT_TRUE(WriteFileAtomically(dir_ / "backups", "a file where the backup folder should be"));

    const CliRun r = Run("params write '" + a.string() + "' --yes");
    EXPECT_EQ(r.exitCode, 2) << r.err;
    EXPECT_NE(r.err.find("013 CURRENT P GAIN : " + std::to_string(static_cast<int16_t>(held)) + " -> "),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("File Save Error\nThe backup of the drive's parameters could not be written.\n"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("Store the parameters without a backup? [y/N]"), std::string::npos) << r.err;
    EXPECT_EQ(sim_->Holding(13), held);
}

TEST_F(ParamsCliTest, UsageFileAndPortErrorsHaveTheirOwnExitCodes) {
    EXPECT_EQ(Run("params").exitCode, 64);
    EXPECT_EQ(Run("params write").exitCode, 64);
    EXPECT_EQ(Run("params read --bogus").exitCode, 64);
    const CliRun missing = Run("params write '" + (dir_ / "missing.par").string() + "' --yes");
    EXPECT_EQ(missing.exitCode, 3);
    EXPECT_NE(missing.err.find("File Load Error"), std::string::npos);
    const CliRun noPort = Run("params read", (dir_ / "no-such-device").string());
    EXPECT_EQ(noPort.exitCode, 15);
    EXPECT_NE(noPort.err.find("Port Open Fail"), std::string::npos);
}

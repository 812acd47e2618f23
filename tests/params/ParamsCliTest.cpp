// velt-cli params read, diff and write, run as a program against the
// simulated drive.
#include "ChildProcess.h"
#include "link/DriveMap.h"
#include "params/Backup.h"
#include "params/ParFile.h"
#include "params/ParamCatalogue.h"
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
    void StartLineOfTwoDrives();
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
    ASSERT_TRUE(ReadParFile(a, &values, false, &parsed));
    EXPECT_EQ(parsed.applied, drive::ParamCount);
    EXPECT_EQ(values[13], static_cast<int16_t>(sim_->Holding(13)));

    r = Run("params diff '" + a.string() + "'");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "no differences\n");

    const int16_t changed = static_cast<int16_t>(values[13] + 1);
    values[13] = changed;
    const fs::path b = dir_ / "b.par";
    ASSERT_TRUE(WriteParFile(b, values, false));
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

TEST_F(ParamsCliTest, AStoreTheDriveDoesNotConfirmHasAnExitCodeOfItsOwn) {
    const fs::path a = dir_ / "a.par";
    ASSERT_EQ(Run("params read --out '" + a.string() + "'").exitCode, 0);
    ParamValues values{};
    ASSERT_TRUE(ReadParFile(a, &values, false));
    values[13] = static_cast<int16_t>(values[13] + 1);
    ASSERT_TRUE(WriteParFile(a, values, false));
    sim_->SetRefuse(drive::CommandRegister, true);

    const CliRun r = Run("params write '" + a.string() + "' --yes");
    EXPECT_EQ(r.exitCode, 20) << r.err;
    EXPECT_NE(r.err.find("The values reached the drive, but the drive did not confirm keeping them.\nReason: "
                         "drive exception 4\n"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(r.err.find("stored\n"), std::string::npos) << r.err;
    EXPECT_EQ(static_cast<int16_t>(sim_->Holding(13)), values[13]);
    EXPECT_NE(r.err.find("backup: "), std::string::npos) << r.err;
    EXPECT_NE(Run("--help").out.find("20 every\n"), std::string::npos);
}

TEST_F(ParamsCliTest, ABackupThatCannotBeWrittenStopsTheWriteEvenWithYes) {
    const fs::path a = dir_ / "a.par";
    ASSERT_EQ(Run("params read --out '" + a.string() + "'").exitCode, 0);
    ParamValues values{};
    ASSERT_TRUE(ReadParFile(a, &values, false));
    const uint16_t held = sim_->Holding(13);
    values[13] = static_cast<int16_t>(held + 1);
    ASSERT_TRUE(WriteParFile(a, values, false));
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

TEST_F(ParamsCliTest, DiffOfTwoSetsListsTheDifferingRowsAsThePageShowsThem) {
    // Two sets that differ in a list parameter (the command form), a bit
    // parameter (hex), a position pair and a parameter that is never stored.
    const fs::path a = dir_ / "a.par";
    ASSERT_EQ(Run("params read --out '" + a.string() + "'").exitCode, 0);
    ParamValues values{};
    ASSERT_TRUE(ReadParFile(a, &values, false));
    values[71] = 13;
    values[40] = 0xFF;
    SplitPair(83, 100000, values.data());
    values[33] = 0;
    ASSERT_TRUE(WriteParFile(a, values, false));
    for (int n = 0; n < drive::ParamCount; ++n) // the drive holds A
        sim_->SetHolding(n, static_cast<uint16_t>(values[static_cast<size_t>(n)]));
    values[71] = 11;
    values[40] = 0x0E;
    SplitPair(83, -5, values.data());
    values[33] = 1;
    const fs::path b = dir_ / "b.par";
    ASSERT_TRUE(WriteParFile(b, values, false));

    CliRun r = Run("params diff '" + a.string() + "' '" + a.string() + "'");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "no differences\n");

    const std::string rows = "033\tSELECT PROTOCOL\t0\t1\tnot stored\n"
                             "040\tIN POLE\t0xFF\t0x0E\t\n"
                             "071\tDEFAULTS COMMAND FORM\t13 : Speed Index\t11 : Analog Input\t\n"
                             "083-084\tPOSITION INDEX 1 H / POSITION INDEX 1 L\t100000\t-5\t\n";
    r = Run("params diff '" + a.string() + "' '" + b.string() + "'");
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_EQ(r.out, "No.\tName\tA: " + a.string() + "\tB: " + b.string() + "\tNote\n" + rows);

    // The drive on one side is read, nothing is written.
    sim_->ClearRequests();
    r = Run("params diff drive '" + b.string() + "'");
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_EQ(r.out, "No.\tName\tA: drive\tB: " + b.string() + "\tNote\n" + rows);
    for (const sim::SimRequest& request : sim_->Requests())
        EXPECT_NE(request.function, drive::FunctionWriteSingleRegister) << "a write";
}

TEST_F(ParamsCliTest, BackupsAreListedAndComparedByTheirName) {
    CliRun r = Run("params backups");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("no backups in "), std::string::npos) << r.err;

    const fs::path a = dir_ / "a.par";
    ASSERT_EQ(Run("params read --out '" + a.string() + "'").exitCode, 0);
    ParamValues values{};
    ASSERT_TRUE(ReadParFile(a, &values, false));
    const int16_t before = values[13];
    values[13] = static_cast<int16_t>(before + 1);
    ASSERT_TRUE(WriteParFile(a, values, false));
    ASSERT_EQ(Run("params write '" + a.string() + "' --yes").exitCode, 0); // backs the drive up first

    r = Run("params backups");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    std::vector<fs::path> backups;
    for (const fs::directory_entry& e : fs::directory_iterator(dir_ / "backups"))
        backups.push_back(e.path());
    ASSERT_EQ(backups.size(), 1u);
    const std::string name = backups[0].filename().string();
    const std::string bytes = std::to_string(fs::file_size(backups[0]));
    // "YYYY-MM-DD HH:MM:SS", the size in bytes, the name.
    EXPECT_EQ(r.out.size(), 23 + 1 + 8 + 2 + name.size() + 1) << r.out;
    EXPECT_EQ(r.out.substr(24, 8), std::string(8 - bytes.size(), ' ') + bytes) << r.out;
    EXPECT_EQ(r.out.substr(34), name + "\n");
    EXPECT_EQ(r.out.substr(0, 4), name.substr(7, 4)); // the year of the name

    // By its name, with or without .par: the backup holds what the drive held before.
    const std::string stem = name.substr(0, name.size() - 4);
    r = Run("params diff " + stem + " drive");
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_EQ(r.out, "No.\tName\tA: " + stem + "\tB: drive\tNote\n013\tCURRENT P GAIN\t" +
                         std::to_string(before) + "\t" + std::to_string(before + 1) + "\t\n");
    EXPECT_EQ(Run("params diff " + name + " '" + a.string() + "'").exitCode, 1);
}

TEST_F(ParamsCliTest, DiffRefusesADamagedOrMissingSideBeforeTouchingTheDrive) {
    const fs::path cut = dir_ / "cut.par";
    ASSERT_TRUE(WriteFileAtomically(cut, "000 : HOMING HIGH SPEED : 50\r\n001 : HOMING LOW SPEED : 5"));
    CliRun r = Run("params diff drive '" + cut.string() + "'");
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_NE(r.err.find("File Load Error"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("line 2 has no line end: the file is cut short"), std::string::npos) << r.err;
    r = Run("params diff drive nosuch");
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_NE(r.err.find("nosuch: no such file, nor a backup of that name in "), std::string::npos) << r.err;
    EXPECT_TRUE(sim_->Requests().empty()); // neither touched the drive
    EXPECT_EQ(Run("params diff a b c").exitCode, 64);
    EXPECT_EQ(Run("params diff").exitCode, 64);
    EXPECT_EQ(Run("params backups now").exitCode, 64);
}

// Drives 1 and 2 on the line in place of the single drive; drive 2's
// register 13 holds 4321, so the two differ there.
void ParamsCliTest::StartLineOfTwoDrives() {
    sim_->Stop();
    sim::SimOptions options;
    options.publish = false;
    options.ids = {1, 2};
    sim_ = std::make_unique<sim::SimDrive>(options);
    std::string error;
    ASSERT_TRUE(sim_->Start(&error)) << error;
    ASSERT_TRUE(sim_->SelectDrive(2));
    sim_->SetHolding(13, 4321);
    sim_->SelectDrive(0);
}

// Several drives of one line: one file per drive, a table with a column per
// drive, and a silent drive named with its failure.
TEST_F(ParamsCliTest, SeveralDriveIdsAreReadInTurnAndASilentOneIsNamed) {
    ASSERT_NO_FATAL_FAILURE(StartLineOfTwoDrives());

    CliRun r = Run("--id 1,2,3 params read --out '" + (dir_ / "axis.par").string() + "'");
    EXPECT_EQ(r.exitCode, 11) << "drive 3 does not answer";
    EXPECT_NE(r.err.find("drive 3: not read"), std::string::npos) << r.err;
    ParamValues values{};
    ParReadResult parsed;
    ASSERT_TRUE(ReadParFile(dir_ / "axis_id2.par", &values, false, &parsed));
    EXPECT_EQ(values[13], 4321);
    EXPECT_TRUE(fs::exists(dir_ / "axis_id1.par"));
    EXPECT_FALSE(fs::exists(dir_ / "axis_id3.par"));

    r = Run("--id 1-2 params diff");
    EXPECT_EQ(r.exitCode, 1) << r.err;
    const std::string row =
        "013\tCURRENT P GAIN\t" + std::to_string(static_cast<int16_t>(sim_->Holding(13))) + "\t4321\n";
    EXPECT_EQ(r.out, "No.\tName\tdrive 1\tdrive 2\n" + row);
    EXPECT_EQ(Run("--id 1,2 params write '" + (dir_ / "axis_id2.par").string() + "'").exitCode, 64);
    EXPECT_EQ(Run("--id 2,2 params read").exitCode, 64);
}

// One backup per drive of the list, each named with its ID and saying so in
// its first line; a silent drive is named and the others are still written.
TEST_F(ParamsCliTest, BackupsOfSeveralDrivesAreWrittenEachUnderItsIdAndASilentOneIsNamed) {
    ASSERT_NO_FATAL_FAILURE(StartLineOfTwoDrives());

    const CliRun r = Run("params backups --id 1,2,9");
    EXPECT_EQ(r.exitCode, 11) << r.err;
    EXPECT_NE(r.err.find("drive 9: not read"), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("drive 1: "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("drive 2: "), std::string::npos) << r.out;
    std::vector<BackupEntry> backups = ListBackups(dir_ / "backups");
    ASSERT_EQ(backups.size(), 2u);
    for (const BackupEntry& b : backups) {
        EXPECT_NE(b.name.find("_id" + std::to_string(b.stamp.driveId) + ".par"), std::string::npos) << b.name;
        std::string bytes;
        ASSERT_TRUE(ReadWholeFile(b.path, &bytes));
        EXPECT_EQ(bytes.rfind("# Drive ID : " + std::to_string(b.stamp.driveId) + "\r\n", 0), 0u);
        ParamValues values{};
        ASSERT_TRUE(ReadParFile(b.path, &values, false));
        if (b.stamp.driveId == 2) {
            EXPECT_EQ(values[13], 4321);
        }
    }
    EXPECT_NE(backups[0].stamp.driveId, backups[1].stamp.driveId);
    EXPECT_EQ(Run("params backups --id 0").exitCode, 64);
    const CliRun listed = Run("params backups");
    EXPECT_NE(listed.out.find(" ID 2 "), std::string::npos) << listed.out;
}

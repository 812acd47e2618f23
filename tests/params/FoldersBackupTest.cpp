// Folders, the Directory setting, saving over existing files and backups:
// what holds on every platform.
#include "ParamFolderFixture.h"
#include "RecordingMessages.h"
#include "params/Backup.h"
#include "params/ParamFileActions.h"
#include "platform/ProgramEnvironment.h"

#include <cstdlib>
#include <ctime>
#include <limits>

using namespace velt;
using namespace velt::test;
namespace fs = std::filesystem;

namespace {

std::time_t LocalTime(int y, int mo, int d, int h, int mi, int s) {
    std::tm t{};
    t.tm_year = y - 1900;
    t.tm_mon = mo - 1;
    t.tm_mday = d;
    t.tm_hour = h;
    t.tm_min = mi;
    t.tm_sec = s;
    t.tm_isdst = -1;
    return std::mktime(&t);
}

} // namespace

void ParamFolderTest::SetUp() {
    root_ = UniqueTempPath("velt_params");
    fs::create_directories(root_);
    directory_ = std::make_unique<ScopedUserSetting>(kSettingsKey, kDirectoryValue, root_ / "config");
    parameterDir_ = std::make_unique<ScopedEnv>("VELT_PARAMETER_DIR", (root_ / "default").string().c_str());
}

void ParamFolderTest::TearDown() {
    parameterDir_.reset();
    directory_.reset();
    std::error_code ec;
    fs::remove_all(root_, ec);
}

TEST_F(ParamFolderTest, DirectoryFollowsTheLastSaveAndFallsBackWhenStale) {
    test::RecordingMessages messages;
    EXPECT_FALSE(ReadDirectorySetting().has_value());
    EXPECT_EQ(ParameterFolder(), root_ / "default");
    EXPECT_TRUE(fs::is_directory(root_ / "default")); // created on demand

    const fs::path sets = root_ / "sets";
    ASSERT_TRUE(CreateFolderPath(sets / "deeper" / "still"));
    ASSERT_TRUE(SaveParameterFileTo(sets / "a.par", Filled(3), false));
    EXPECT_EQ(DirectorySetting(), sets);
    EXPECT_EQ(ParameterFolder(), sets);

    ParamValues loaded = Filled(0);
    ASSERT_TRUE(LoadParameterFileFrom(sets / "a.par", &loaded, false));
    EXPECT_EQ(loaded, Filled(3));
    EXPECT_EQ(DirectorySetting(), sets); // a load never changes it

    fs::remove_all(sets);
    EXPECT_EQ(ParameterFolder(), root_ / "default");
    EXPECT_TRUE(messages.Texts().empty());
}

TEST_F(ParamFolderTest, MissingFoldersAndOversizedFilesAreAFileLoadErrorAndChangeNothing) {
    test::RecordingMessages messages;
    ParamValues v = Filled(5);
    EXPECT_FALSE(LoadParameterFileFrom(root_ / "missing.par", &v, false));
    EXPECT_FALSE(LoadParameterFileFrom(root_, &v, false)); // a folder
    // A huge file is refused before it is read into memory, even when its
    // first lines are good ones.
    const fs::path huge = root_ / "huge.par";
    std::string text = "005 : HOMING OFFSET : 1\r\n";
    text.resize(kMaxParFileBytes + 1, '#');
    ASSERT_TRUE(WriteFileAtomically(huge, text));
    EXPECT_FALSE(LoadParameterFileFrom(huge, &v, false));
    EXPECT_EQ(v, Filled(5));
    EXPECT_EQ(messages.Texts(),
              (std::vector<std::string>{
                  LoadErrorText(root_ / "missing.par", "the file does not exist"),
                  LoadErrorText(root_, "it is a folder, not a file"),
                  LoadErrorText(huge, "it is larger than 1 MiB, too large for a parameter file")}));

    // Just under the limit, NUL bytes and a very long line included, it loads.
    text.resize(kMaxParFileBytes - 2048);
    using namespace std::string_literals;
    text += "\r\n006\0 : x : 3\r\n007 : "s + std::string(1000, 'x') + "\0 : 4\r\n"s;
    ASSERT_TRUE(WriteFileAtomically(huge, text));
    ASSERT_TRUE(LoadParameterFileFrom(huge, &v, false));
    EXPECT_EQ(v[5], 1);
    EXPECT_EQ(v[6], 3);
    EXPECT_EQ(v[7], 4);
}

TEST_F(ParamFolderTest, TwoBackupsWithinOneSecondKeepBoth) {
    const std::time_t when = LocalTime(2024, 1, 31, 14, 25, 7);
    EXPECT_EQ(BackupFileName(when), "BackUp_20240131_142507.par");
    EXPECT_EQ(BackupFileName(when, 3), "BackUp_20240131_142507_3.par");
    EXPECT_EQ(BackupFileName(std::numeric_limits<std::time_t>::max()), "BackUp_00000000_-1-1-1.par");

    const BackupResult first = WriteBackupNow(Filled(11), false, [&] { return when; });
    const BackupResult second = WriteBackupNow(Filled(22), false, [&] { return when; });
    ASSERT_TRUE(first.ok) << first.error;
    ASSERT_TRUE(second.ok) << second.error;
    EXPECT_EQ(first.path, root_ / "default" / "BackUp_20240131_142507.par");
    EXPECT_EQ(second.path, root_ / "default" / "BackUp_20240131_142507_2.par");
    ParamValues a{}, b{};
    ASSERT_TRUE(ReadParFile(first.path, &a, false));
    ASSERT_TRUE(ReadParFile(second.path, &b, false));
    EXPECT_EQ(a, Filled(11));
    EXPECT_EQ(b, Filled(22));
}

TEST_F(ParamFolderTest, BackupThatCannotBeWrittenGivesTheReasonAndShowsNothing) {
    test::RecordingMessages messages;
    ASSERT_TRUE(WriteFileAtomically(root_ / "plain", "x"));
    const BackupResult r = WriteBackupFile(Filled(1), root_ / "plain" / "sub", std::time(nullptr), false);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.empty());
    SetEnv("VELT_PARAMETER_DIR", (root_ / "plain").string());
    const BackupResult now = WriteBackupNow(Filled(1), false);
    EXPECT_FALSE(now.ok);
    EXPECT_NE(now.error.find((root_ / "plain").string()), std::string::npos) << now.error;
    EXPECT_TRUE(messages.Texts().empty()); // the save sequence asks instead
}

TEST(ParamFolderDefault, DefaultFolderIsBesideAProgramOutsideSystemFolders) {
    ASSERT_EQ(std::getenv("VELT_PARAMETER_DIR"), nullptr);
    const fs::path program = ProgramFolder();
    ASSERT_FALSE(program.empty());
    EXPECT_EQ(DefaultParameterFolder(), program / "VELT_Parameter");
}

TEST(ParamFolderDefault, InstalledProgramsKeepUserFilesOutOfTheirFolder) {
    for (const char* folder :
         {"/usr/bin", "/usr/local/bin", "/opt/velt", "/home/kim/.local/bin", "/tmp/unpacked/usr/bin", "/bin"})
        EXPECT_TRUE(IsInstalledProgramFolder(folder)) << folder;
    for (const char* folder :
         {"/home/kim/velt/build/app", "/usrdata/velt", "/home/kim/binaries", "/srv/tools/velt"})
        EXPECT_FALSE(IsInstalledProgramFolder(folder)) << folder;
}

TEST_F(ParamFolderTest, ABackupOnAFullDiskStopsAtTheFirstNameAndSaysWhy) {
    const std::time_t when = LocalTime(2024, 1, 31, 14, 25, 7);
    int writes = 0;
    FileStepHook previous = SetFileStepHook([&](FileStep step, const std::filesystem::path&) {
        if (step != FileStep::Write) return std::errc{};
        ++writes;
        return std::errc::no_space_on_device;
    });
    const BackupResult full = WriteBackupFile(Filled(1), root_ / "full", when, false);
    SetFileStepHook(std::move(previous));
    EXPECT_FALSE(full.ok);
    EXPECT_EQ(writes, 1) << "a full disk fails every name: no second name is tried";
    EXPECT_NE(full.error.find("No space left on device"), std::string::npos) << full.error;
    EXPECT_NE(full.error.find("BackUp_20240131_142507.par"), std::string::npos) << full.error;

    // A name taken (by another writer between two looks) moves on to the next copy.
    int renames = 0;
    previous = SetFileStepHook([&](FileStep step, const std::filesystem::path&) {
        if (step != FileStep::Rename) return std::errc{};
        return ++renames <= 2 ? std::errc::file_exists : std::errc{};
    });
    const BackupResult taken = WriteBackupFile(Filled(2), root_ / "taken", when, false);
    SetFileStepHook(std::move(previous));
    ASSERT_TRUE(taken.ok) << taken.error;
    EXPECT_EQ(renames, 3);
    EXPECT_EQ(taken.path.filename(), "BackUp_20240131_142507_3.par");
}

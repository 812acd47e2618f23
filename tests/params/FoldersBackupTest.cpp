// Folders, the Directory setting, saving over existing files and backups.
#include "RecordingMessages.h"
#include "params/AtomicFile.h"
#include "params/Backup.h"
#include "params/ParamFileActions.h"
#include "params/ParamFolders.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <limits>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace velt;
namespace fs = std::filesystem;

namespace {

ParamValues Filled(int16_t x) {
    ParamValues v;
    v.fill(x);
    return v;
}

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

std::string Bytes(const fs::path& p) {
    std::string s;
    EXPECT_TRUE(ReadWholeFile(p, &s)) << p;
    return s;
}

// Every test gets its own config and parameter folders through the
// environment overrides, removed afterwards.
class ParamFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        static int counter = 0;
        root_ = fs::path(::testing::TempDir()) /
                ("velt_params_" + std::to_string(::getpid()) + "_" + std::to_string(++counter));
        fs::create_directories(root_);
        ::setenv("VELT_CONFIG_DIR", (root_ / "config").c_str(), 1);
        ::setenv("VELT_PARAMETER_DIR", (root_ / "default").c_str(), 1);
    }
    void TearDown() override {
        ::unsetenv("VELT_CONFIG_DIR");
        ::unsetenv("VELT_PARAMETER_DIR");
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
    fs::path root_;
};

} // namespace

TEST_F(ParamFolderTest, DirectoryFollowsTheLastSaveAndFallsBackWhenStale) {
    test::RecordingMessages messages;
    EXPECT_FALSE(ReadDirectorySetting().has_value());
    EXPECT_EQ(ParameterFolder(), root_ / "default");
    EXPECT_TRUE(fs::is_directory(root_ / "default")); // created on demand

    const fs::path sets = root_ / "sets";
    ASSERT_TRUE(CreateFolderPath(sets / "deeper" / "still"));
    ASSERT_TRUE(SaveParameterFileTo(sets / "a.par", Filled(3)));
    EXPECT_EQ(ReadDirectorySetting(), sets.string());
    EXPECT_EQ(ParameterFolder(), sets);

    ParamValues loaded = Filled(0);
    ASSERT_TRUE(LoadParameterFileFrom(sets / "a.par", &loaded));
    EXPECT_EQ(loaded, Filled(3));
    EXPECT_EQ(ReadDirectorySetting(), sets.string()); // a load never changes it

    fs::remove_all(sets);
    EXPECT_EQ(ParameterFolder(), root_ / "default");
    EXPECT_TRUE(messages.Texts().empty());
}

TEST_F(ParamFolderTest, SettingsFileKeepsOtherEntries) {
    ASSERT_TRUE(CreateFolderPath(ConfigFolder()));
    ASSERT_TRUE(WriteFileAtomically(SettingsFilePath(), "[Other]\nDirectory=/elsewhere\nX=1\n"));
    EXPECT_FALSE(ReadDirectorySetting().has_value()); // another key's Directory is not ours
    ASSERT_TRUE(WriteDirectorySetting("/first"));
    ASSERT_TRUE(WriteDirectorySetting("/second"));
    EXPECT_EQ(ReadDirectorySetting(), "/second");
    EXPECT_EQ(Bytes(SettingsFilePath()), "[Other]\nDirectory=/elsewhere\nX=1\n[Software\\ZERurive\\VELT]\n"
                                         "Directory=/second\n");
    EXPECT_FALSE(WriteDirectorySetting("/bad\nname"));
    EXPECT_EQ(ReadDirectorySetting(), "/second");
}

TEST_F(ParamFolderTest, AFolderNameEndingInBlanksReadsBackAsWritten) {
    ASSERT_TRUE(CreateFolderPath(ConfigFolder()));
    ASSERT_TRUE(WriteFileAtomically(SettingsFilePath(), "  [Software\\ZERurive\\VELT]  \r\nX=1 \r\n"));
    ASSERT_TRUE(WriteDirectorySetting("/sets \t"));
    EXPECT_EQ(ReadDirectorySetting(), "/sets \t");
    EXPECT_EQ(Bytes(SettingsFilePath()), "  [Software\\ZERurive\\VELT]  \nX=1 \nDirectory=/sets \t\n");
}

TEST_F(ParamFolderTest, FailedSaveLeavesTheOldFileAndDirectoryAlone) {
    test::RecordingMessages messages;
    const fs::path target = root_ / "keep" / "old.par";
    fs::create_directories(target.parent_path());
    ASSERT_TRUE(WriteParFile(target, Filled(1)));
    const std::string before = Bytes(target);

    // A file size limit stops even root's writes: the new text cannot be
    // written, so the old file must survive untouched.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit tiny = saved;
    tiny.rlim_cur = 100;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tiny), 0);
    const bool saved1 = SaveParameterFileTo(target, Filled(2));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(saved1);
    EXPECT_EQ(Bytes(target), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(target.parent_path()), fs::directory_iterator()), 1);
    EXPECT_FALSE(ReadDirectorySetting().has_value());

    // A folder that is a regular file cannot hold anything.
    EXPECT_FALSE(SaveParameterFileTo(target / "x.par", Filled(2)));
    EXPECT_EQ(messages.Texts(), (std::vector<std::string>{"File Save Error", "File Save Error"}));
}

TEST_F(ParamFolderTest, SaveThroughALinkOverAFolderOrUnderALongName) {
    test::RecordingMessages messages;
    const auto entries = [](const fs::path& folder) {
        return std::distance(fs::directory_iterator(folder), fs::directory_iterator());
    };
    // A link to a file kept elsewhere: the file is updated, the link stays.
    const fs::path real = root_ / "shared" / "line1.par";
    fs::create_directories(real.parent_path());
    ASSERT_TRUE(WriteParFile(real, Filled(1)));
    const fs::path link = root_ / "mine" / "line1.par";
    fs::create_directories(link.parent_path());
    fs::create_symlink(real, link);
    ASSERT_TRUE(SaveParameterFileTo(link, Filled(2)));
    EXPECT_TRUE(fs::is_symlink(link));
    ParamValues v{};
    ASSERT_TRUE(ReadParFile(real, &v));
    EXPECT_EQ(v, Filled(2));
    EXPECT_EQ(entries(real.parent_path()), 1);
    EXPECT_EQ(entries(link.parent_path()), 1);

    // A folder by the chosen name is neither replaced nor left with a temporary file.
    const fs::path folder = root_ / "mine" / "folder.par";
    fs::create_directories(folder);
    ASSERT_TRUE(WriteFileAtomically(folder / "inside", "x"));
    EXPECT_FALSE(SaveParameterFileTo(folder, Filled(3)));
    EXPECT_EQ(entries(folder), 1);
    EXPECT_EQ(entries(link.parent_path()), 2);
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"File Save Error"});

    // The longest name the folder takes still saves.
    const fs::path longName = root_ / "mine" / (std::string(251, 'n') + ".par");
    EXPECT_TRUE(SaveParameterFileTo(longName, Filled(4)));
    EXPECT_EQ(entries(link.parent_path()), 3);
}

TEST_F(ParamFolderTest, UnreadableFileIsAFileLoadErrorAndChangesNothing) {
    test::RecordingMessages messages;
    ParamValues v = Filled(5);
    EXPECT_FALSE(LoadParameterFileFrom(root_ / "missing.par", &v));
    EXPECT_FALSE(LoadParameterFileFrom(root_, &v)); // a folder
    // Without a writer a FIFO would block the reader for ever; /dev/zero never ends.
    const fs::path fifo = root_ / "fifo.par";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(LoadParameterFileFrom(fifo, &v));
    EXPECT_FALSE(LoadParameterFileFrom("/dev/zero", &v));
    // A huge file is refused before it is read into memory, even when its
    // first lines are good ones.
    const fs::path huge = root_ / "huge.par";
    std::string text = "005 : HOMING OFFSET : 1\r\n";
    text.resize(kMaxParFileBytes + 1, '#');
    ASSERT_TRUE(WriteFileAtomically(huge, text));
    EXPECT_FALSE(LoadParameterFileFrom(huge, &v));
    EXPECT_EQ(v, Filled(5));
    EXPECT_EQ(messages.Texts(), std::vector<std::string>(5, "File Load Error"));

    // Just under the limit, NUL bytes and a very long line included, it loads.
    text.resize(kMaxParFileBytes - 2048);
    using namespace std::string_literals;
    text += "\r\n006\0 : x : 3\r\n007 : "s + std::string(1000, 'x') + "\0 : 4\r\n"s;
    ASSERT_TRUE(WriteFileAtomically(huge, text));
    ASSERT_TRUE(LoadParameterFileFrom(huge, &v));
    EXPECT_EQ(v[5], 1);
    EXPECT_EQ(v[6], 3);
    EXPECT_EQ(v[7], 4);
}

TEST_F(ParamFolderTest, TwoBackupsWithinOneSecondKeepBoth) {
    const std::time_t when = LocalTime(2024, 1, 31, 14, 25, 7);
    EXPECT_EQ(BackupFileName(when), "BackUp_20240131_142507.par");
    EXPECT_EQ(BackupFileName(when, 3), "BackUp_20240131_142507_3.par");
    EXPECT_EQ(BackupFileName(std::numeric_limits<std::time_t>::max()), "BackUp_00000000_-1-1-1.par");

    const BackupResult first = WriteBackupNow(Filled(11), [&] { return when; });
    const BackupResult second = WriteBackupNow(Filled(22), [&] { return when; });
    ASSERT_TRUE(first.ok) << first.error;
    ASSERT_TRUE(second.ok) << second.error;
    EXPECT_EQ(first.path, root_ / "default" / "BackUp_20240131_142507.par");
    EXPECT_EQ(second.path, root_ / "default" / "BackUp_20240131_142507_2.par");
    ParamValues a{}, b{};
    ASSERT_TRUE(ReadParFile(first.path, &a));
    ASSERT_TRUE(ReadParFile(second.path, &b));
    EXPECT_EQ(a, Filled(11));
    EXPECT_EQ(b, Filled(22));
}

TEST_F(ParamFolderTest, BackupThatCannotBeWrittenSaysSo) {
    test::RecordingMessages messages;
    ASSERT_TRUE(WriteFileAtomically(root_ / "plain", "x"));
    const BackupResult r = WriteBackupFile(Filled(1), root_ / "plain" / "sub", std::time(nullptr));
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.empty());
    ::setenv("VELT_PARAMETER_DIR", (root_ / "plain").c_str(), 1);
    EXPECT_FALSE(WriteBackupNow(Filled(1)).ok);
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"File Save Error"});
}

TEST(ParamFolderDefault, DefaultFolderIsBesideAProgramOutsideSystemFolders) {
    ASSERT_EQ(std::getenv("VELT_PARAMETER_DIR"), nullptr);
    const fs::path program = ProgramFolder();
    ASSERT_FALSE(program.empty());
    EXPECT_EQ(DefaultParameterFolder(), program / "VELT_Parameter");
}

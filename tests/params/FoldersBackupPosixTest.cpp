// Folders, the settings file and saving on POSIX systems: file size limits,
// symbolic links, FIFOs and devices.
#include "ParamFolderFixture.h"
#include "RecordingMessages.h"
#include "params/ParamFileActions.h"
#include "platform/UserSettings.h"

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace velt;
using namespace velt::test;
namespace fs = std::filesystem;

TEST_F(ParamFolderTest, SettingsFileKeepsOtherEntries) {
    ASSERT_TRUE(CreateFolderPath(UserSettingsFile().parent_path()));
    ASSERT_TRUE(WriteFileAtomically(UserSettingsFile(), "[Other]\nDirectory=/elsewhere\nX=1\n"));
    EXPECT_FALSE(ReadDirectorySetting().has_value()); // another key's Directory is not ours
    ASSERT_TRUE(WriteDirectorySetting("/first"));
    ASSERT_TRUE(WriteDirectorySetting("/second"));
    EXPECT_EQ(ReadDirectorySetting(), "/second");
    EXPECT_EQ(Bytes(UserSettingsFile()), "[Other]\nDirectory=/elsewhere\nX=1\n[Software\\ZERurive\\VELT]\n"
                                         "Directory=/second\n");
    EXPECT_FALSE(WriteDirectorySetting("/bad\nname"));
    EXPECT_EQ(ReadDirectorySetting(), "/second");
}

TEST_F(ParamFolderTest, AFolderNameEndingInBlanksReadsBackAsWritten) {
    ASSERT_TRUE(CreateFolderPath(UserSettingsFile().parent_path()));
    ASSERT_TRUE(WriteFileAtomically(UserSettingsFile(), "  [Software\\ZERurive\\VELT]  \r\nX=1 \r\n"));
    ASSERT_TRUE(WriteDirectorySetting("/sets \t"));
    EXPECT_EQ(ReadDirectorySetting(), "/sets \t");
    EXPECT_EQ(Bytes(UserSettingsFile()), "  [Software\\ZERurive\\VELT]  \nX=1 \nDirectory=/sets \t\n");
}

TEST_F(ParamFolderTest, FailedSaveLeavesTheOldFileAndDirectoryAlone) {
    test::RecordingMessages messages;
    const fs::path target = root_ / "keep" / "old.par";
    fs::create_directories(target.parent_path());
    ASSERT_TRUE(WriteParFile(target, Filled(1), false));
    const std::string before = Bytes(target);

    // A file size limit stops even root's writes: the new text cannot be
    // written, so the old file must survive untouched.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit tiny = saved;
    tiny.rlim_cur = 100;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tiny), 0);
    const bool saved1 = SaveParameterFileTo(target, Filled(2), false);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(saved1);
    EXPECT_EQ(Bytes(target), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(target.parent_path()), fs::directory_iterator()), 1);
    EXPECT_FALSE(ReadDirectorySetting().has_value());

    // A folder that is a regular file cannot hold anything.
    EXPECT_FALSE(SaveParameterFileTo(target / "x.par", Filled(2), false));
    ASSERT_EQ(messages.Texts().size(), 2u);
    // The reason follows the message: the full disk, then the folder that is a file.
    EXPECT_EQ(messages.Texts()[0], "File Save Error\r\ncannot write " + target.string() + ": File too large");
    EXPECT_EQ(messages.Texts()[1].rfind("File Save Error\r\ncannot create a file in " + target.string(), 0),
              0u)
        << messages.Texts()[1];
}

TEST_F(ParamFolderTest, SaveThroughALinkOverAFolderOrUnderALongName) {
    test::RecordingMessages messages;
    const auto entries = [](const fs::path& folder) {
        return std::distance(fs::directory_iterator(folder), fs::directory_iterator());
    };
    // A link to a file kept elsewhere: the file is updated, the link stays.
    const fs::path real = root_ / "shared" / "line1.par";
    fs::create_directories(real.parent_path());
    ASSERT_TRUE(WriteParFile(real, Filled(1), false));
    const fs::path link = root_ / "mine" / "line1.par";
    fs::create_directories(link.parent_path());
    fs::create_symlink(real, link);
    ASSERT_TRUE(SaveParameterFileTo(link, Filled(2), false));
    EXPECT_TRUE(fs::is_symlink(link));
    ParamValues v{};
    ASSERT_TRUE(ReadParFile(real, &v, false));
    EXPECT_EQ(v, Filled(2));
    EXPECT_EQ(entries(real.parent_path()), 1);
    EXPECT_EQ(entries(link.parent_path()), 1);

    // A folder by the chosen name is neither replaced nor left with a temporary file.
    const fs::path folder = root_ / "mine" / "folder.par";
    fs::create_directories(folder);
    ASSERT_TRUE(WriteFileAtomically(folder / "inside", "x"));
    EXPECT_FALSE(SaveParameterFileTo(folder, Filled(3), false));
    EXPECT_EQ(entries(folder), 1);
    EXPECT_EQ(entries(link.parent_path()), 2);
    ASSERT_EQ(messages.Texts().size(), 1u);
    EXPECT_EQ(messages.Texts()[0].rfind("File Save Error\r\n", 0), 0u);

    // The longest name the folder takes still saves.
    const fs::path longName = root_ / "mine" / (std::string(251, 'n') + ".par");
    EXPECT_TRUE(SaveParameterFileTo(longName, Filled(4), false));
    EXPECT_EQ(entries(link.parent_path()), 3);
}

TEST_F(ParamFolderTest, FifosAndDevicesAreAFileLoadErrorAndChangeNothing) {
    test::RecordingMessages messages;
    ParamValues v = Filled(5);
    // Without a writer a FIFO would block the reader for ever; /dev/zero never ends.
    const fs::path fifo = root_ / "fifo.par";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(LoadParameterFileFrom(fifo, &v, false));
    EXPECT_FALSE(LoadParameterFileFrom("/dev/zero", &v, false));
    EXPECT_EQ(v, Filled(5));
    EXPECT_EQ(messages.Texts(),
              (std::vector<std::string>{
                  LoadErrorText(fifo, "it is not a regular file (a device, a pipe or a socket)"),
                  LoadErrorText("/dev/zero", "it is not a regular file (a device, a pipe or a socket)")}));
}

// Folders made for one run, on every platform (the Windows build runs this
// under Wine).
#include "platform/PortsFolder.h"
#include "platform/UserFolders.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace velt {
namespace {

namespace fs = std::filesystem;

TEST(PrivateTempFolder, EachCallMakesANewEmptyFolderOfItsOwnInTheTemporaryFolder) {
    std::string error;
    const fs::path a = MakePrivateTempFolder("velt-private-test-", &error);
    const fs::path b = MakePrivateTempFolder("velt-private-test-", &error);
    ASSERT_FALSE(a.empty()) << error;
    ASSERT_FALSE(b.empty()) << error;
    EXPECT_NE(a, b);
    for (const fs::path& folder : {a, b}) {
        EXPECT_TRUE(fs::is_directory(folder));
        EXPECT_TRUE(fs::is_empty(folder));
        EXPECT_EQ((folder.parent_path() / "").lexically_normal(),
                  (fs::temp_directory_path() / "").lexically_normal());
        EXPECT_EQ(folder.filename().string().rfind("velt-private-test-", 0), 0u) << folder;
#ifndef _WIN32
        EXPECT_EQ(fs::status(folder).permissions() & fs::perms::all, fs::perms::owner_all);
#endif
        fs::remove_all(folder);
    }
}

TEST(PortsFolderOfTheRun, ComesFirstWhileSetAndGivesWayWhenCleared) {
    const fs::path usual = PortsFolder();
    const fs::path own = fs::temp_directory_path() / "velt-own-ports";
    UsePortsFolder(own);
    EXPECT_EQ(PortsFolder(), own);
    UsePortsFolder({});
    EXPECT_EQ(PortsFolder(), usual);
}

} // namespace
} // namespace velt

// Files written piece by piece, on every platform (the Windows build runs
// this under Wine), and a full disk on POSIX.
#include "platform/AppendFile.h"

#include "TestEnv.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace velt {
namespace {

namespace fs = std::filesystem;

std::string Contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(AppendFileTest, PiecesFollowEachOtherAndCreatingAgainEmptiesTheFile) {
    const fs::path path = test::UniqueTempPath("append.csv");
    AppendFile file;
    std::string error;
    ASSERT_TRUE(file.Create(path, &error)) << error;
    EXPECT_TRUE(file.IsOpen());
    EXPECT_TRUE(file.Write("a,b\r\n", &error)) << error;
    EXPECT_TRUE(file.Write("1,2\r\n", &error)) << error;
    EXPECT_TRUE(file.Sync(&error)) << error;
    EXPECT_EQ(file.Size(), 10u);
    EXPECT_EQ(Contents(path), "a,b\r\n1,2\r\n"); // on the disk before closing
    EXPECT_TRUE(file.Close(&error)) << error;
    EXPECT_FALSE(file.IsOpen());
    EXPECT_FALSE(file.Write("x", &error));

    ASSERT_TRUE(file.Create(path, &error)) << error;
    EXPECT_TRUE(file.Write("new", &error));
    file.Close();
    EXPECT_EQ(Contents(path), "new");
    fs::remove(path);
}

TEST(AppendFileTest, AFileThatCannotBeCreatedGivesTheSystemsReason) {
    AppendFile file;
    std::string error;
    EXPECT_FALSE(file.Create(test::UniqueTempPath("missing") / "folder" / "x.csv", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(file.IsOpen());
}

#ifndef _WIN32
TEST(AppendFileTest, APieceThatDoesNotFitIsCutBackAndTheFileEndsAfterTheLastWholeOne) {
    const fs::path path = test::UniqueTempPath("full.csv");
    AppendFile file;
    std::string error;
    ASSERT_TRUE(file.Create(path, &error)) << error;
    {
        test::ScopedFileSizeLimit full(100);
        EXPECT_TRUE(file.Write(std::string(60, 'a'), &error)) << error;
        EXPECT_FALSE(file.Write(std::string(60, 'b'), &error)); // 40 of them would fit
        EXPECT_EQ(error, "File too large");
        EXPECT_EQ(file.Size(), 60u);
    }
    file.Close();
    EXPECT_EQ(Contents(path), std::string(60, 'a'));
    fs::remove(path);
}
#endif

} // namespace
} // namespace velt

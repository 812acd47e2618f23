// The order in which the atomic writers put a file on disk, seen through the
// step hook at the platform boundary, and errors injected there.
#include "platform/AtomicFile.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

using namespace velt;
namespace fs = std::filesystem;

namespace {

using Step = std::pair<FileStep, fs::path>;

// Records every step while it lives; fails the step numbered `failAt` (0
// based, counting every step) with `error`.
class RecordedSteps {
public:
    explicit RecordedSteps(int failAt = -1, std::errc error = std::errc{}) : failAt_(failAt), error_(error) {
        previous_ = SetFileStepHook([this](FileStep step, const fs::path& path) {
            steps.emplace_back(step, path);
            return static_cast<int>(steps.size()) - 1 == failAt_ ? error_ : std::errc{};
        });
    }
    ~RecordedSteps() { SetFileStepHook(std::move(previous_)); }
    RecordedSteps(const RecordedSteps&) = delete;
    RecordedSteps& operator=(const RecordedSteps&) = delete;

    std::vector<FileStep> Kinds() const {
        std::vector<FileStep> kinds;
        for (const Step& s : steps)
            kinds.push_back(s.first);
        return kinds;
    }
    std::vector<Step> steps;

private:
    int failAt_;
    std::errc error_;
    FileStepHook previous_;
};

const std::vector<FileStep> kDurableOrder{FileStep::Write, FileStep::SyncFile, FileStep::Rename,
                                          FileStep::SyncFolder};

std::string Contents(const fs::path& p) {
    std::string s;
    EXPECT_TRUE(ReadWholeFile(p, &s)) << p;
    return s;
}

class AtomicFileSteps : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = test::UniqueTempPath("atomic-steps");
        fs::create_directories(folder_);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(folder_, ec);
    }
    // Only the target remains: no temporary file is left behind.
    void ExpectOnly(const std::vector<std::string>& names) {
        std::vector<std::string> found;
        for (const auto& entry : fs::directory_iterator(folder_))
            found.push_back(entry.path().filename().string());
        std::sort(found.begin(), found.end());
        EXPECT_EQ(found, names);
    }
    fs::path folder_;
};

} // namespace

TEST_F(AtomicFileSteps, BothWritersFlushTheFileBeforeNamingItAndTheFolderAfter) {
    const fs::path target = folder_ / "a.par";
    {
        RecordedSteps steps;
        ASSERT_TRUE(WriteFileAtomically(target, "new"));
        EXPECT_EQ(steps.Kinds(), kDurableOrder);
        ASSERT_EQ(steps.steps.size(), 4u);
        EXPECT_EQ(steps.steps[0].second, target);
        EXPECT_EQ(steps.steps[2].second, target);
        EXPECT_EQ(steps.steps[3].second, folder_);
    }
    {
        RecordedSteps steps; // replacing an existing file takes the same steps
        ASSERT_TRUE(WriteFileAtomically(target, "newer"));
        EXPECT_EQ(steps.Kinds(), kDurableOrder);
    }
    {
        RecordedSteps steps;
        bool existed = true;
        ASSERT_TRUE(CreateFileAtomically(folder_ / "b.par", "b", &existed));
        EXPECT_FALSE(existed);
        EXPECT_EQ(steps.Kinds(), kDurableOrder);
        EXPECT_EQ(steps.steps.back().second, folder_);
    }
    EXPECT_EQ(Contents(target), "newer");
    ExpectOnly({"a.par", "b.par"});
}

TEST_F(AtomicFileSteps, AFailedStepBeforeTheRenameLeavesTheOldFileAndNoTemporary) {
    const fs::path target = folder_ / "a.par";
    ASSERT_TRUE(WriteFileAtomically(target, "old"));
    for (int failAt : {0, 1, 2}) { // write, flush, rename
        RecordedSteps steps(failAt, std::errc::no_space_on_device);
        std::string error;
        const bool korean = failAt == 1; // the reason is told in the language the caller asks for
        EXPECT_FALSE(WriteFileAtomically(target, "new", {&error, korean})) << failAt;
        EXPECT_NE(error.find(korean ? "디스크 공간이 부족합니다" : "No space left on device"),
                  std::string::npos)
            << error;
        EXPECT_EQ(static_cast<int>(steps.steps.size()), failAt + 1) << "nothing goes on after a failed step";
    }
    EXPECT_EQ(Contents(target), "old");
    ExpectOnly({"a.par"});
}

TEST_F(AtomicFileSteps, ANameTakenIsReportedAsSuchAndAFullDiskIsNot) {
    ASSERT_TRUE(WriteFileAtomically(folder_ / "taken.par", "first"));
    bool existed = false;
    std::string error;
    EXPECT_FALSE(CreateFileAtomically(folder_ / "taken.par", "second", &existed, {&error, false}));
    EXPECT_TRUE(existed);
    EXPECT_EQ(Contents(folder_ / "taken.par"), "first");

    RecordedSteps steps(0, std::errc::no_space_on_device);
    existed = true;
    EXPECT_FALSE(CreateFileAtomically(folder_ / "new.par", "x", &existed, {&error, false}));
    EXPECT_FALSE(existed);
    EXPECT_NE(error.find("No space left on device"), std::string::npos) << error;
    ExpectOnly({"taken.par"});
}

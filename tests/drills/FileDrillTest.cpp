// Drills of the disk: parameter files that are cut short, something else,
// too large, a folder or unreadable; a full disk while a file is saved and
// while the backup before a store is written.
#include "DrillFixture.h"
#include "controls/CButtonST.h"
#include "controls/CGridCtrl.h"
#include "params/ParamFileActions.h"
#include "params/ParamFolders.h"
#include "platform/AtomicFile.h"
#include "tests/support/TestEnv.h"

#include <random>

namespace velt::test {
namespace {

namespace fs = std::filesystem;

std::string Bytes(const fs::path& path) {
    std::string bytes;
    EXPECT_TRUE(ReadWholeFile(path, &bytes)) << path;
    return bytes;
}

std::vector<fs::path> Entries(const fs::path& folder) {
    std::vector<fs::path> files;
    std::error_code ec;
    for (const fs::directory_entry& e : fs::directory_iterator(folder, ec))
        files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

velt::ParamValues Working() {
    velt::ParamValues v{};
    for (int n = 0; n < drive::ParamCount; ++n)
        v[static_cast<size_t>(n)] = static_cast<int16_t>(n * 11 - 700);
    return v;
}

class FileDrill : public DrillTest {
protected:
    void Answer(const fs::path& path) {
        Page().FileDialogAnswer = [path](const CDlgParameter::FileDialogRequest&) {
            return QString::fromStdString(path.string());
        };
    }
};

TEST_F(FileDrill, DamagedOrUnreadableFilesAreRefusedWithTheReasonAndChangeNothing) {
    Start();
    CDlgParameter& page = Page();
    page.WorkingCopy().TakeFile(WholeSet(Working()));
    page.RefreshValueCells();
    const QString cell = page.ParamGrid->GetItemText(14, 2); // parameter 13

    std::string good;
    ASSERT_TRUE(FormatParFile(Working(), &good, false));
    // Cut inside the value of parameter 57 (-73 read as -7).
    const std::string cut = good.substr(0, good.find("\r\n", good.find("057 : ")) - 1);
    std::mt19937 random(7);
    std::string binary(4096, '\0');
    for (char& c : binary)
        c = static_cast<char>(random());
    const std::vector<std::pair<std::string, std::string>> files = {
        {"cut.par", cut},
        {"picture.par", binary},
        {"huge.par", std::string(3u << 20, '#')},
    };
    for (const auto& [name, bytes] : files)
        ASSERT_TRUE(WriteFileAtomically(root / name, bytes));
    fs::create_directories(root / "folder.par");

    const std::vector<std::pair<fs::path, std::string>> cases = {
        {root / "cut.par", "line 58 has no line end: the file is cut short"},
        {root / "picture.par", "no colon"},
        {root / "huge.par", "it is larger than 1 MiB, too large for a parameter file"},
        {root / "folder.par", "it is a folder, not a file"},
        {"/proc/self/mem", "it cannot be read"}, // a regular file whose read fails, for root too
    };
    for (const auto& [path, reason] : cases) {
        shown.Boxes.clear();
        Answer(path);
        page.LoadParameterFile();
        ASSERT_EQ(shown.Boxes.size(), 1u) << path;
        const std::string& text = shown.Boxes[0].text;
        EXPECT_EQ(text.rfind("File Load Error\r\n" + path.string() + ": ", 0), 0u) << text;
        EXPECT_NE(text.find(reason), std::string::npos) << text;
        EXPECT_EQ(page.WorkingCopy().Values(), Working()) << path;
        page.RefreshValueCells();
        EXPECT_EQ(page.ParamGrid->GetItemText(14, 2), cell);
    }
}

TEST_F(FileDrill, AFullDiskKeepsTheOldFileAndSaysSo) {
    Start();
    Page().WorkingCopy().TakeFile(WholeSet(Working()));
    const fs::path target = root / "sets" / "line1.par";
    fs::create_directories(target.parent_path());
    ASSERT_TRUE(WriteParFile(target, velt::ParamValues{}, false));
    const std::string before = Bytes(target);
    Answer(target);
    {
        ScopedFileSizeLimit full(2000); // a .par file takes about 5 KB
        Page().SaveParameterFile();
    }
    ASSERT_EQ(shown.Boxes.size(), 1u);
    EXPECT_EQ(shown.Boxes[0].text, "File Save Error\r\ncannot write " + target.string() + ": File too large");
    EXPECT_EQ(Bytes(target), before);
    EXPECT_EQ(Entries(target.parent_path()), std::vector<fs::path>{target}); // no temporary file left
    EXPECT_FALSE(ReadDirectorySetting().has_value());                        // nothing reported as saved
}

TEST_F(FileDrill, AFullDiskDuringTheBackupAsksAndNoStoresNothing) {
    StartSim(); // before the limit: the drive's own files are not ours
    Start();
    Connect();
    CDlgParameter& page = Page();
    const velt::ParamValues drive = page.WorkingCopy().Values();
    const fs::path older = BackupFolder() / "BackUp_20240131_142507.par";
    fs::create_directories(BackupFolder());
    ASSERT_TRUE(WriteParFile(older, Working(), false));
    const std::string olderBytes = Bytes(older);
    page.WorkingCopy().StoreEdited(13, drive[13] + 1);

    shown.Answers = {MsgResult::Yes, MsgResult::No};
    {
        ScopedFileSizeLimit full(2000);
        page.SaveAllButton->click();
    }
    ASSERT_EQ(shown.Boxes.size(), 2u);
    EXPECT_EQ(shown.Boxes[1].buttons, MsgButtons::YesNo);
    EXPECT_EQ(
        shown.Boxes[1].text.rfind("File Save Error\r\nThe backup of the drive's parameters could not be "
                                  "written.\r\n",
                                  0),
        0u)
        << shown.Boxes[1].text;
    EXPECT_NE(shown.Boxes[1].text.find("File too large"), std::string::npos) << shown.Boxes[1].text;
    EXPECT_EQ(Entries(BackupFolder()), std::vector<fs::path>{older});
    EXPECT_EQ(Bytes(older), olderBytes);
    EXPECT_TRUE(page.SaveAllButton->isEnabled());

    // The drive holds what it held, and stored nothing.
    app->MenuBar()->DisconnectDrive();
    Connect();
    EXPECT_EQ(page.WorkingCopy().Values(), drive);
    EXPECT_FALSE(fs::exists(StateFile()));
}

} // namespace
} // namespace velt::test

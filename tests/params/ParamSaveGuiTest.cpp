// The parameter page against the simulated drive: read, save to the drive
// with its backup, and parameter files through the (answered) file dialogs.
#include "controls/CButtonST.h"
#include "controls/CGridCtrl.h"
#include "link/DriveMap.h"
#include "params/ParamCatalogue.h"
#include "params/ParamFileActions.h"
#include "params/ParamFolders.h"
#include "params/ParamTexts.h"
#include "platform/AtomicFile.h"
#include "tests/support/ParamPageFixture.h"

#include <QProgressBar>
#include <QRadioButton>
#include <QTimer>

namespace velt::test {
namespace {

namespace fs = std::filesystem;

std::vector<sim::SimRequest> RequestsOf(const sim::SimDrive& drive, uint8_t function) {
    std::vector<sim::SimRequest> out;
    for (const sim::SimRequest& r : drive.Requests())
        if (r.function == function) out.push_back(r);
    return out;
}

std::vector<fs::path> Backups(const fs::path& folder) {
    std::vector<fs::path> files;
    std::error_code ec;
    for (const fs::directory_entry& e : fs::directory_iterator(folder, ec))
        if (e.path().filename().string().rfind("BackUp_", 0) == 0) files.push_back(e.path());
    return files;
}

class ParamDrive : public PageTest {
protected:
    void SetUp() override {
        PageTest::SetUp();
        StartDrive();
    }
    void StartConnected(int lang = 0) {
        Start(lang);
        Connect();
        drive->ClearRequests();
    }
    // Presses "All Parameter Save" and waits for the re-read the save ends with.
    void SaveAndWaitForReread() {
        const int reads = Page().ParamsReadCount;
        Page().SaveAllButton->click();
        ASSERT_TRUE(WaitUntil([&] { return Page().ParamsReadCount > reads; }, kPatience));
    }
};

TEST_F(ParamDrive, AFullSaveWritesTheParametersInUseThenStoresAndShowsTheDrivesValues) {
    StartConnected();
    CDlgParameter& page = Page();
    const velt::ParamValues before = page.WorkingCopy().Values();
    EXPECT_EQ(page.WorkingCopy().DriveValues(), before);
    page.WorkingCopy().StoreEdited(13, before[13] + 1);
    page.WorkingCopy().StoreEdited(85, 123456); // a pair: two registers

    bool disabledDuringWrites = false;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (!page.SaveAllButton->isEnabled()) disabledDuringWrites = true;
    });
    probe.start(5);
    shown.Answers = {MsgResult::Yes};
    SaveAndWaitForReread();
    probe.stop();

    ASSERT_EQ(shown.Boxes.size(), 1u);
    EXPECT_EQ(shown.Boxes[0].text, "Parameter Save ?");
    EXPECT_EQ(shown.Boxes[0].details,
              "013 CURRENT P GAIN : " + std::to_string(before[13]) + " -> " + std::to_string(before[13] + 1) +
                  "\r\n085 POSITION INDEX 2 H : " + std::to_string(before[85]) +
                  " -> 1\r\n086 POSITION INDEX 2 L : " + std::to_string(before[86]) + " -> -7616");
    const std::vector<sim::SimRequest> writes = RequestsOf(*drive, drive::FunctionWriteSingleRegister);
    std::vector<int> expected;
    for (int n = 0; n < drive::CommandRegister; ++n)
        if (ParamKind(n) != 0) expected.push_back(n);
    ASSERT_EQ(writes.size(), expected.size() + 1);
    for (size_t i = 0; i < expected.size(); ++i)
        ASSERT_EQ(writes[i].address, expected[i]);
    EXPECT_EQ(writes.back().address, drive::CommandRegister);
    EXPECT_EQ(writes.back().value, drive::Code(drive::Command::Store));
    EXPECT_EQ(RequestsOf(*drive, drive::FunctionReadHoldingRegisters).size(), 4u);

    EXPECT_TRUE(disabledDuringWrites);
    EXPECT_TRUE(page.SaveAllButton->isEnabled());
    EXPECT_EQ(page.SaveProgress->value(), 150);
    const ParamCell last = ValueCellOf(expected.back());
    EXPECT_EQ(page.ParamGrid->GetFocusCell(), (GridCellId{last.row, last.col}));
    EXPECT_EQ(page.WorkingCopy().Values()[13], before[13] + 1);
    EXPECT_EQ(page.WorkingCopy().DriveValues(), page.WorkingCopy().Values());
    EXPECT_EQ(drive->Holding(85), 1);
    page.RefreshValueCells();
    EXPECT_EQ(page.ParamGrid->GetItemText(11, 11), "123456");

    // The backup holds what the drive held before.
    const std::vector<fs::path> backups = Backups(root / "VELT_Parameter");
    ASSERT_EQ(backups.size(), 1u);
    velt::ParamValues backedUp{};
    ASSERT_TRUE(ReadParFile(backups[0], &backedUp, false));
    EXPECT_EQ(backedUp, before);
}

TEST_F(ParamDrive, ARefusedWriteStopsTheSaveNamingTheParameter) {
    StartConnected();
    drive->SetRefuse(5, true);
    shown.Answers = {MsgResult::Yes};
    Page().SaveAllButton->click();
    ASSERT_EQ(shown.Boxes.size(), 2u);
    EXPECT_EQ(shown.Boxes[1].text,
              " Parameters No.[5] during storage Error has occurred.\r\n Min, Max values and "
              "communication connection status check \r\n Save again.");
    EXPECT_EQ(Page().SaveProgress->value(), 0);
    EXPECT_TRUE(Page().SaveAllButton->isEnabled());
    const std::vector<sim::SimRequest> writes = RequestsOf(*drive, drive::FunctionWriteSingleRegister);
    ASSERT_FALSE(writes.empty());
    EXPECT_EQ(writes.back().address, 5);
    EXPECT_EQ(Backups(root / "VELT_Parameter").size(), 1u);
}

TEST_F(ParamDrive, AStoreTheDriveDoesNotConfirmIsToldAndNotTakenForStored) {
    StartConnected(1);
    CDlgParameter& page = Page();
    const int16_t edited = static_cast<int16_t>(page.WorkingCopy().Value(13) + 1);
    page.WorkingCopy().StoreEdited(13, edited);
    drive->SetRefuse(drive::CommandRegister, true);
    shown.Answers = {MsgResult::Yes};
    page.SaveAllButton->click();

    ASSERT_EQ(shown.Boxes.size(), 2u);
    EXPECT_EQ(shown.Boxes[1].text,
              "파라미터 값은 드라이브에 전달되었지만, 드라이브가 저장을 확인하지 않았습니다.\r\n원인: drive "
              "exception 4\r\n드라이브 전원을 끄면 이 값들이 없어질 수 있습니다. 통신연결 상태 확인 후 다시 "
              "저장 하세요.");
    EXPECT_EQ(drive->Holding(13), static_cast<uint16_t>(edited)); // the values reached the drive
    EXPECT_EQ(page.SaveProgress->value(), 0);
    EXPECT_TRUE(page.SaveAllButton->isEnabled());
    EXPECT_TRUE(page.WorkingCopy().Differs(13)); // still marked: not known to be kept
    EXPECT_EQ(Backups(root / "VELT_Parameter").size(), 1u);
}

TEST_F(ParamDrive, ServoOnRefusesTheSaveBeforeTheQuestion) {
    StartConnected(1);
    ASSERT_EQ(app->Link()->WriteParam(drive::CommandRegister, drive::Code(drive::Command::ServoOn)), RTU_OK);
    ASSERT_TRUE(
        WaitUntil([&] { return (app->Link()->StateRegs()[drive::StateStatus] & drive::StatusServoOn) != 0; },
                  kPatience));
    drive->ClearRequests();
    Page().SaveAllParameters();
    EXPECT_EQ(shown.Texts(), std::vector<std::string>{"Servo OFF 후 저장하세요!"});
    EXPECT_TRUE(RequestsOf(*drive, drive::FunctionWriteSingleRegister).empty());
    EXPECT_TRUE(Backups(root / "VELT_Parameter").empty());
}

TEST_F(ParamDrive, AFailedBackupAsksAndNoLeavesTheDriveUntouched) {
    ASSERT_TRUE(WriteFileAtomically(root / "VELT_Parameter", "not a folder"));
    StartConnected();
    Page().WorkingCopy().StoreEdited(13, Page().WorkingCopy().Values()[13] + 1);
    shown.Answers = {MsgResult::Yes, MsgResult::No};
    Page().SaveAllParameters();
    ASSERT_EQ(shown.Boxes.size(), 2u);
    EXPECT_EQ(shown.Boxes[1].buttons, MsgButtons::YesNo);
    EXPECT_EQ(
        shown.Boxes[1].text.rfind("File Save Error\r\nThe backup of the drive's parameters could not be "
                                  "written.\r\n",
                                  0),
        0u);
    EXPECT_NE(shown.Boxes[1].text.find((root / "VELT_Parameter").string()), std::string::npos)
        << shown.Boxes[1].text;
    EXPECT_TRUE(RequestsOf(*drive, drive::FunctionWriteSingleRegister).empty());
    EXPECT_TRUE(Page().SaveAllButton->isEnabled());
    EXPECT_EQ(Page().SaveProgress->value(), 150);
}

TEST_F(ParamDrive, ReadAllReplacesTheWorkingCopyAndAFailedOneLeavesTheEditsAndTheirMarks) {
    Start();
    Page().WorkingCopy().StoreEdited(13, 42);
    Page().ReadAllParameters(); // not connected: nothing
    EXPECT_EQ(Page().WorkingCopy().Value(13), 42);
    EXPECT_TRUE(shown.Boxes.empty());

    Connect();
    drive->SetHolding(13, 777);
    const int reads = Page().ParamsReadCount;
    Page().ReadAllButton->click();
    ASSERT_TRUE(WaitUntil([&] { return Page().ParamsReadCount > reads; }, kPatience));
    EXPECT_EQ(Page().WorkingCopy().Value(13), 777);

    // An edit not yet stored, then a read the drive answers only half of.
    Page().WorkingCopy().StoreEdited(14, 4321);
    const velt::ParamValues edited = Page().WorkingCopy().Values();
    drive->SetHolding(20, 555);
    drive->SetSilentFor(drive::FunctionReadHoldingRegisters, 72, true);
    Page().ReadAllButton->click();
    EXPECT_EQ(shown.Texts(), std::vector<std::string>{kReadAllFail.En});
    EXPECT_EQ(Page().WorkingCopy().Values(), edited); // not the blocks that did arrive, nor zeros
    const ParamCell cell = ValueCellOf(14);
    EXPECT_EQ(Page().ParamGrid->GetItemText(cell.row, cell.col), "4321");
    const GridCell* shownCell = Page().ParamGrid->Model().GetCell(cell.row, cell.col);
    ASSERT_NE(shownCell, nullptr);
    EXPECT_TRUE(shownCell->font && shownCell->font->weight > 400); // still marked as an edit
    EXPECT_TRUE(Page().SaveAllButton->isEnabled());
}

// ---- files ----------------------------------------------------------------------------------------

class ParamFiles : public PageTest {
protected:
    // Answers the next file dialog with `path` (empty: Cancel) and records the request.
    void Answer(const fs::path& path) {
        Page().FileDialogAnswer = [this, path](const CDlgParameter::FileDialogRequest& r) {
            requests.push_back(r);
            return QString::fromStdString(path.string());
        };
    }
    std::vector<CDlgParameter::FileDialogRequest> requests;
};

velt::ParamValues SampleValues() {
    velt::ParamValues v{};
    for (int n = 0; n < drive::ParamCount; ++n)
        v[static_cast<size_t>(n)] = static_cast<int16_t>(n * 37 - 2000);
    v[70] = 2;
    v[71] = 21;
    v[42] = 5;
    v[40] = 0x55;
    v[83] = -1;
    v[84] = -32768;
    return v;
}

TEST_F(ParamFiles, AFileSavedInKoreanLoadsInEnglishAndTheReverse) {
    for (const int saveLang : {1, 0}) {
        const fs::path file = root / "sets" / (saveLang == 1 ? "ko.par" : "en.par");
        fs::create_directories(file.parent_path());
        Start(saveLang);
        Page().WorkingCopy().TakeFile(WholeSet(SampleValues()));
        Answer(file);
        Page().SaveParameterFile();
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_TRUE(requests[0].save);
        // The default folder first, then the folder of the last save.
        EXPECT_EQ(requests[0].folder.toStdString(),
                  (saveLang == 1 ? root / "VELT_Parameter" : file.parent_path()).string());
        EXPECT_EQ(requests[0].fileName, "*.par");
        EXPECT_EQ(requests[0].filter, "VELT Parameter File(*.par)");
        ASSERT_TRUE(fs::exists(file));
        EXPECT_EQ(ReadDirectorySetting(), file.parent_path().string());
        app.reset();
        requests.clear();

        Start(1 - saveLang);
        Answer(file);
        Page().LoadParameterFile();
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_FALSE(requests[0].save);
        EXPECT_EQ(requests[0].folder.toStdString(), file.parent_path().string()); // where the last save went
        EXPECT_EQ(Page().WorkingCopy().Values(), SampleValues());
        EXPECT_EQ(Page().ControlModeCombo->currentIndex(), 2);
        EXPECT_EQ(Page().CommandFormCombo->currentIndex(), 1);
        EXPECT_EQ(Page().FunctionCombos[0]->currentIndex(), 5);
        EXPECT_TRUE(Page().ContactA[0]->isChecked());
        EXPECT_TRUE(Page().ContactB[1]->isChecked());
        EXPECT_EQ(Page().ParamGrid->GetItemText(9, 11), "-32768"); // 0xFFFF8000
        app.reset();
        requests.clear();
    }
    EXPECT_TRUE(shown.Boxes.empty());
}

TEST_F(ParamFiles, CancelAndUnusableFilesChangeNothing) {
    Start(0);
    Page().WorkingCopy().TakeFile(WholeSet(SampleValues()));
    Answer({});
    Page().LoadParameterFile();
    Page().SaveParameterFile();
    EXPECT_EQ(requests.size(), 2u);
    EXPECT_TRUE(shown.Boxes.empty());

    Answer(root / "missing.par");
    Page().LoadParameterFile();
    EXPECT_EQ(shown.Texts(),
              std::vector<std::string>{LoadErrorText(root / "missing.par", "the file does not exist")});
    EXPECT_EQ(Page().WorkingCopy().Values(), SampleValues());

    ASSERT_TRUE(WriteFileAtomically(root / "plain", "x"));
    Answer(root / "plain" / "x.par");
    Page().SaveParameterFile();
    ASSERT_EQ(shown.Texts().size(), 2u);
    EXPECT_EQ(shown.Texts()[1].rfind("File Save Error\r\n", 0), 0u);
    EXPECT_FALSE(ReadDirectorySetting().has_value());
}

} // namespace
} // namespace velt::test

// The compare window of the parameter page in the whole application: files,
// backups and the simulated drive side by side, values taken into the
// working copy and stored only by All Parameter Save; and the page used
// without a drive.
#include "app/LineDrives.h"
#include "controls/CButtonST.h"
#include "controls/CGridCtrl.h"
#include "link/DriveMap.h"
#include "params/Backup.h"
#include "params/CDlgSetValDEC.h"
#include "params/CompareDialog.h"
#include "params/CompareTexts.h"
#include "params/ParamFolders.h"
#include "platform/AtomicFile.h"
#include "tests/support/ParamPageFixture.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableWidget>

namespace velt::test {
namespace {

namespace fs = std::filesystem;
using Source = CompareDialog::Source;

QString Cell(const QTableWidget* table, int row, int col) {
    const QTableWidgetItem* item = table->item(row, col);
    return item != nullptr ? item->text() : QString();
}

std::vector<QString> Row(const QTableWidget* table, int row) {
    std::vector<QString> cells;
    for (int c = 0; c < table->columnCount(); ++c)
        cells.push_back(Cell(table, row, c));
    return cells;
}

bool EntryEnabled(QComboBox* box, Source source) {
    auto* model = qobject_cast<QStandardItemModel*>(box->model());
    return model->item(static_cast<int>(source))->isEnabled();
}

QString EntryTip(QComboBox* box, Source source) {
    auto* model = qobject_cast<QStandardItemModel*>(box->model());
    return model->item(static_cast<int>(source))->toolTip();
}

// Selects the table rows whose number column reads one of `numbers`.
void SelectRows(QTableWidget* table, const std::vector<QString>& numbers) {
    table->clearSelection();
    for (int r = 0; r < table->rowCount(); ++r)
        for (const QString& n : numbers)
            if (Cell(table, r, 0) == n)
                table->selectionModel()->select(table->model()->index(r, 0),
                                                QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

bool IsBold(const CDlgParameter& page, int n) {
    const ParamCell cell = ValueCellOf(n);
    const GridCell* c = page.ParamGrid->Model().GetCell(cell.row, cell.col);
    return c != nullptr && c->font && c->font->weight > 400;
}

class Compare : public PageTest {
protected:
    CompareDialog& Window() { return *Page().CompareWindow; }

    // Opens the window with a file on each side.
    void CompareFiles(const fs::path& a, const fs::path& b) {
        Page().CompareButton->click();
        ASSERT_TRUE(Window().isVisible());
        ASSERT_TRUE(Window().ChooseSource(CompareDialog::A, Source::File, a));
        ASSERT_TRUE(Window().ChooseSource(CompareDialog::B, Source::File, b));
    }
    // Chooses the drive for a side and waits for its read.
    void CompareDrive(CompareDialog::Side side) {
        ASSERT_TRUE(Window().ChooseSource(side, Source::Drive));
        ASSERT_TRUE(WaitUntil([&] { return !Window().Reading(); }, kPatience));
        ASSERT_TRUE(Window().SideLoaded(side));
        ASSERT_EQ(Window().SideSource(side), Source::Drive);
    }

    fs::path Write(const std::string& name, const velt::ParamValues& values) {
        const fs::path path = root / name;
        EXPECT_TRUE(WriteParFile(path, values, false));
        return path;
    }

    // Two sets that differ in a list parameter (the command form), a bit
    // parameter, the low word of a position pair and a parameter not in use.
    void TwoSets(velt::ParamValues* a, velt::ParamValues* b) {
        a->fill(0);
        (*a)[drive::ParamDefaultMode] = 1;
        (*a)[drive::ParamDefaultForm] = 13;
        (*a)[drive::ParamInPole] = 0xFF;
        SplitPair(83, 100000, a->data());
        *b = *a;
        (*b)[drive::ParamDefaultForm] = 11;
        (*b)[drive::ParamInPole] = 0x0E;
        SplitPair(83, -5, b->data());
        (*b)[33] = 1;
    }
};

TEST_F(Compare, WithoutADriveThePageLoadsEditsSavesAndComparesAndTheDriveActionsSayWhyNot) {
    Start(0);
    CDlgParameter& page = Page();
    const QString why = QString::fromUtf8(kNeedsDrive.En);
    EXPECT_FALSE(page.ReadAllButton->isEnabled());
    EXPECT_FALSE(page.SaveAllButton->isEnabled());
    EXPECT_EQ(page.ReadAllButton->toolTip(), why);
    EXPECT_EQ(page.SaveAllButton->toolTip(), why);

    // Load a file.
    velt::ParamValues set{};
    set[13] = 300;
    set[drive::ParamDefaultMode] = 0;
    set[drive::ParamDefaultForm] = 4;
    const fs::path a = Write("a.par", set);
    page.FileDialogAnswer = [&](const CDlgParameter::FileDialogRequest&) {
        return QString::fromStdString(a.string());
    };
    page.LoadParameterFile();
    EXPECT_EQ(page.WorkingCopy().Values(), set);
    EXPECT_EQ(page.CommandFormCombo->currentIndex(), 4);

    // Edit through the value dialog.
    page.OnGridDoubleClick(ValueCellOf(13).row, ValueCellOf(13).col);
    app->SetValDec()->ValueEdit->setText("345");
    app->SetValDec()->OkButton->click();
    EXPECT_EQ(page.WorkingCopy().Values()[13], 345);

    // Save it as another file.
    const fs::path b = root / "b.par";
    page.FileDialogAnswer = [&](const CDlgParameter::FileDialogRequest& r) {
        EXPECT_TRUE(r.save);
        return QString::fromStdString(b.string());
    };
    page.SaveParameterFile();
    velt::ParamValues saved{};
    ASSERT_TRUE(ReadParFile(b, &saved, false));
    EXPECT_EQ(saved[13], 345);

    // Compare the working copy with the first file.
    page.CompareButton->click();
    CompareDialog& window = Window();
    EXPECT_EQ(window.SideSource(CompareDialog::A), Source::WorkingCopy);
    EXPECT_FALSE(EntryEnabled(window.Controls[CompareDialog::A].source, Source::Drive));
    EXPECT_EQ(EntryTip(window.Controls[CompareDialog::B].source, Source::Drive), why);
    EXPECT_FALSE(window.ChooseSource(CompareDialog::B, Source::Drive));
    ASSERT_EQ(shown.Texts(), std::vector<std::string>{kNeedsDrive.En});
    ASSERT_TRUE(window.ChooseSource(CompareDialog::B, Source::File, a));
    EXPECT_EQ(window.Differences(), 1);
    ASSERT_EQ(window.Table->rowCount(), 1);
    EXPECT_EQ(Row(window.Table, 0), (std::vector<QString>{"013", "CURRENT P GAIN", "345", "300", ""}));

    // An edit on the page reaches the working-copy side while the window is open.
    page.WorkingCopy().StoreEdited(13, 300);
    EXPECT_TRUE(WaitUntil([&] { return window.Differences() == 0; }));

    // The drive buttons do nothing and say nothing.
    page.ReadAllButton->click();
    page.SaveAllButton->click();
    EXPECT_EQ(shown.Boxes.size(), 1u);
    EXPECT_EQ(page.WorkingCopy().Values()[13], 300);
}

TEST_F(Compare, TwoFilesShowTheirDifferencesAsThePageShowsValues) {
    Start(0);
    velt::ParamValues a{}, b{};
    TwoSets(&a, &b);
    CompareFiles(Write("a.par", a), Write("b.par", b));
    CompareDialog& window = Window();
    EXPECT_TRUE(window.OnlyDifferences->isChecked());
    EXPECT_EQ(window.DifferenceCount->text(), "Differences: 4");
    ASSERT_EQ(window.Table->rowCount(), 4);
    EXPECT_EQ(window.Table->horizontalHeaderItem(2)->text(), "A: a.par");
    EXPECT_EQ(window.Table->horizontalHeaderItem(3)->text(), "B: b.par");
    EXPECT_EQ(Row(window.Table, 0), (std::vector<QString>{"033", "SELECT PROTOCOL", "0", "1", "not stored"}));
    EXPECT_EQ(Row(window.Table, 1), (std::vector<QString>{"040", "IN POLE", "0xFF", "0x0E", ""}));
    EXPECT_EQ(Row(window.Table, 2), (std::vector<QString>{"071", "DEFAULTS COMMAND FORM", "13 : Speed Index",
                                                          "11 : Analog Input", ""}));
    EXPECT_EQ(
        Row(window.Table, 3),
        (std::vector<QString>{"083-084", "POSITION INDEX 1 H / POSITION INDEX 1 L", "100000", "-5", ""}));
    EXPECT_NE(window.Table->item(1, 3)->background(), window.Table->item(1, 1)->background());

    window.OnlyDifferences->setChecked(false);
    EXPECT_EQ(window.Table->rowCount(), 134);
    EXPECT_EQ(window.DifferenceCount->text(), "Differences: 4");
    EXPECT_EQ(Row(window.Table, 13), (std::vector<QString>{"013", "CURRENT P GAIN", "0", "0", ""}));
}

TEST_F(Compare, ADamagedFileIsRefusedWithItsReasonAndBothSidesKeepWhatTheyHad) {
    Start(0);
    velt::ParamValues a{}, b{};
    TwoSets(&a, &b);
    const fs::path good = Write("b.par", b);
    const fs::path cut = root / "cut.par";
    ASSERT_TRUE(WriteFileAtomically(cut, "000 : HOMING HIGH SPEED : 50\r\n001 : HOMING LOW SPEED : 5"));
    Page().WorkingCopy().TakeFile(WholeSet(a));
    Page().CompareButton->click();
    CompareDialog& window = Window();
    ASSERT_TRUE(window.ChooseSource(CompareDialog::B, Source::File, good));
    EXPECT_EQ(window.Differences(), 4);

    EXPECT_FALSE(window.ChooseSource(CompareDialog::A, Source::File, cut));
    ASSERT_EQ(shown.Texts().size(), 1u);
    EXPECT_EQ(shown.Texts()[0],
              "File Load Error\r\n" + cut.string() + ": line 2 has no line end: the file is cut short");
    EXPECT_EQ(window.SideSource(CompareDialog::A), Source::WorkingCopy);
    EXPECT_EQ(window.Controls[CompareDialog::A].source->currentIndex(),
              static_cast<int>(Source::WorkingCopy));
    EXPECT_EQ(window.SideSet(CompareDialog::B).values, b);
    EXPECT_EQ(window.Differences(), 4);

    // Through the file dialog the same.
    window.FileDialogAnswer = [&](bool save, const QString&, const QString&) {
        EXPECT_FALSE(save);
        return QString::fromStdString(cut.string());
    };
    window.Controls[CompareDialog::B].browse->click();
    EXPECT_EQ(shown.Texts().size(), 2u);
    EXPECT_EQ(window.SideSet(CompareDialog::B).values, b);
    EXPECT_EQ(window.Table->horizontalHeaderItem(3)->text(), "B: b.par");
    // Cancel keeps the side too, and says nothing.
    window.FileDialogAnswer = [](bool, const QString&, const QString&) { return QString(); };
    EXPECT_FALSE(window.ChooseSource(CompareDialog::B, Source::File));
    EXPECT_EQ(shown.Texts().size(), 2u);
    EXPECT_EQ(window.SideSource(CompareDialog::B), Source::File);
}

TEST_F(Compare, BackupsAreListedNewestFirstWithTimeAndSizeAndAreOnlyRead) {
    Start(0);
    velt::ParamValues a{}, b{};
    TwoSets(&a, &b);
    std::tm older{};
    older.tm_year = 2024 - 1900;
    older.tm_mon = 0;
    older.tm_mday = 31;
    older.tm_hour = 14;
    older.tm_min = 25;
    older.tm_sec = 7;
    older.tm_isdst = -1;
    const std::time_t when = std::mktime(&older);
    const BackupResult first = WriteBackupFile(a, BackupFolder(), when, false);
    const BackupResult second = WriteBackupFile(b, BackupFolder(), when + 3600, false);
    ASSERT_TRUE(first.ok && second.ok);
    std::string before;
    ASSERT_TRUE(ReadWholeFile(second.path, &before));

    Page().CompareButton->click();
    CompareDialog& window = Window();
    QComboBox* list = window.Controls[CompareDialog::B].backups;
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->itemText(0).toStdString(), "2024-01-31 15:25:07   " +
                                                   std::to_string(fs::file_size(second.path)) +
                                                   " B   BackUp_20240131_152507.par");
    EXPECT_TRUE(list->itemText(1).startsWith("2024-01-31 14:25:07"));

    // The user picks "Backup": the newest is compared first, then the other.
    QComboBox* source = window.Controls[CompareDialog::B].source;
    source->setCurrentIndex(static_cast<int>(Source::Backup));
    emit source->activated(static_cast<int>(Source::Backup));
    ASSERT_EQ(window.SideSource(CompareDialog::B), Source::Backup);
    EXPECT_TRUE(list->isVisible());
    EXPECT_EQ(window.SideSet(CompareDialog::B).values, b);
    EXPECT_EQ(window.Table->horizontalHeaderItem(3)->text(), "B: Backup 2024-01-31 15:25:07");
    list->setCurrentIndex(1);
    emit list->activated(1);
    EXPECT_EQ(window.SideSet(CompareDialog::B).values, a);

    // Taking from it changes the working copy, never the backup.
    window.OnlyDifferences->setChecked(false);
    SelectRows(window.Table, {"013"});
    window.TakeButton->click();
    std::string after;
    ASSERT_TRUE(ReadWholeFile(second.path, &after));
    EXPECT_EQ(after, before);
    EXPECT_EQ(ListBackups(BackupFolder()).size(), 2u);
}

TEST_F(Compare, TheDriveSideIsReadWithProgressAndLeavesTheWorkingCopyAsItWas) {
    StartDrive();
    Start(0);
    Connect();
    CDlgParameter& page = Page();
    EXPECT_TRUE(page.ReadAllButton->isEnabled());
    EXPECT_TRUE(page.SaveAllButton->toolTip().isEmpty());
    page.WorkingCopy().StoreEdited(13, page.WorkingCopy().Values()[13] + 1); // an edit not yet stored
    const velt::ParamValues working = page.WorkingCopy().Values();
    const int reads = page.ParamsReadCount;
    drive->SetHolding(14, 77); // the drive changed behind the page's back

    page.CompareButton->click();
    CompareDialog& window = Window();
    ASSERT_TRUE(EntryEnabled(window.Controls[CompareDialog::A].source, Source::Drive));
    ASSERT_TRUE(window.ChooseSource(CompareDialog::B, Source::Drive));
    EXPECT_TRUE(window.Reading());
    EXPECT_TRUE(window.ReadProgress->isVisible());
    EXPECT_FALSE(window.Controls[CompareDialog::A].source->isEnabled());
    EXPECT_EQ(window.Controls[CompareDialog::B].status->text(), "Reading the drive...");
    ASSERT_TRUE(WaitUntil([&] { return !window.Reading(); }, kPatience));
    EXPECT_EQ(window.ReadProgress->value(), 144);
    EXPECT_FALSE(window.ReadProgress->isVisible());

    EXPECT_EQ(window.SideSet(CompareDialog::B).values[14], 77);
    EXPECT_EQ(page.WorkingCopy().Values(), working); // not taken for the working copy
    EXPECT_EQ(page.ParamsReadCount, reads);
    EXPECT_EQ(page.WorkingCopy().DriveValues()[14], 77); // the page's picture of the drive follows
    page.RefreshValueCells();
    EXPECT_TRUE(IsBold(page, 13));
    EXPECT_TRUE(IsBold(page, 14)); // differs from the drive now
    EXPECT_EQ(window.Differences(), 2);
    EXPECT_TRUE(window.Controls[CompareDialog::B].status->text().startsWith("Drive, read at "));
    EXPECT_EQ(window.Table->horizontalHeaderItem(3)->text(), "B: Drive");
    EXPECT_TRUE(shown.Boxes.empty());
}

TEST_F(Compare, ChosenRowsGoIntoTheWorkingCopyAndTheSaveQuestionListsExactlyThose) {
    StartDrive();
    Start(0);
    Connect();
    CDlgParameter& page = Page();
    // A file of the drive's values with three changes.
    velt::ParamValues file = page.WorkingCopy().Values();
    file[13] = static_cast<int16_t>(file[13] + 5);
    file[20] = static_cast<int16_t>(file[20] + 7);
    file[drive::ParamDefaultMode] = 1;
    file[drive::ParamDefaultForm] = 11;
    const velt::ParamValues drive0 = page.WorkingCopy().Values();
    const fs::path path = Write("axis1.par", file);

    page.CompareButton->click();
    CompareDialog& window = Window();
    CompareDrive(CompareDialog::A);
    ASSERT_TRUE(window.ChooseSource(CompareDialog::B, Source::File, path));
    ASSERT_NE(drive0[drive::ParamDefaultMode], 1);
    ASSERT_NE(drive0[drive::ParamDefaultForm], 11);
    EXPECT_EQ(window.Differences(), 4);
    EXPECT_FALSE(window.TakeButton->isEnabled()); // nothing chosen yet
    drive->ClearRequests();

    SelectRows(window.Table, {"013", "070", "071"});
    ASSERT_TRUE(window.TakeButton->isEnabled());
    window.TakeButton->click();
    EXPECT_EQ(page.WorkingCopy().Values()[13], file[13]);
    EXPECT_EQ(page.WorkingCopy().Values()[drive::ParamDefaultMode], 1);
    EXPECT_EQ(page.WorkingCopy().Values()[drive::ParamDefaultForm], 11);
    EXPECT_EQ(page.WorkingCopy().Values()[20], drive0[20]); // not chosen
    EXPECT_EQ(page.ControlModeCombo->currentIndex(), 1);    // the lists show what was taken
    EXPECT_EQ(page.CommandFormCombo->currentIndex(), 1);
    EXPECT_TRUE(IsBold(page, 13));
    EXPECT_FALSE(IsBold(page, 20));
    EXPECT_EQ(window.Note->text(),
              "3 values taken into the working copy. All Parameter Save stores them in the drive.");
    for (const sim::SimRequest& r : drive->Requests())
        EXPECT_NE(r.function, drive::FunctionWriteSingleRegister)
            << "nothing reaches the drive before the save";

    shown.Answers = {MsgResult::Yes};
    const int reads = page.ParamsReadCount;
    page.SaveAllButton->click();
    ASSERT_TRUE(WaitUntil([&] { return page.ParamsReadCount > reads; }, kPatience));
    ASSERT_EQ(shown.Boxes.size(), 1u);
    EXPECT_EQ(shown.Boxes[0].text, "Parameter Save ?");
    EXPECT_EQ(shown.Boxes[0].details,
              "013 CURRENT P GAIN : " + std::to_string(drive0[13]) + " -> " + std::to_string(file[13]) +
                  "\r\n070 DEFAULTS CONTROL MODE : " + std::to_string(drive0[drive::ParamDefaultMode]) +
                  " -> 1\r\n071 DEFAULTS COMMAND FORM : " + std::to_string(drive0[drive::ParamDefaultForm]) +
                  " -> 11");
    EXPECT_EQ(static_cast<int16_t>(drive->Holding(13)), file[13]);
    EXPECT_EQ(static_cast<int16_t>(drive->Holding(drive::ParamDefaultForm)), 11);
    EXPECT_EQ(static_cast<int16_t>(drive->Holding(20)), drive0[20]);
}

// A line of two drives and a third that is silent: drive 2's set is read
// without leaving drive 1, a row of it goes into drive 1's working copy as
// an edit and is stored in drive 1 only; then every drive that answers is
// backed up under its own ID and the silent one is named.
TEST_F(Compare, AnotherDriveOfTheLineIsComparedTakenFromAndBackedUpUnderItsId) {
    sim::SimOptions options;
    options.comNumber = 3;
    options.ids = {1, 2};
    drive = std::make_unique<sim::SimDrive>(options);
    ASSERT_TRUE(drive->Start());
    ASSERT_TRUE(drive->SelectDrive(2));
    const auto twin = static_cast<int16_t>(drive->Holding(13) + 9);
    drive->SetHolding(13, static_cast<uint16_t>(twin));
    ASSERT_TRUE(drive->SelectDrive(1));
    const uint16_t own20 = drive->Holding(20);
    Start(0);
    app->Drives()->SetName("COM3", 2, "Y axis");
    app->Drives()->Merge("COM3", {9});
    Connect();
    CDlgParameter& page = Page();
    page.CompareButton->click();
    CompareDialog& window = Window();
    QComboBox* sourceB = window.Controls[CompareDialog::B].source;
    ASSERT_EQ(sourceB->count(), static_cast<int>(Source::OtherDrive) + 2);
    EXPECT_EQ(sourceB->itemText(static_cast<int>(Source::OtherDrive) + 1), "Drive 9 (read now)");
    EXPECT_EQ(sourceB->itemText(static_cast<int>(Source::OtherDrive)), "Drive 2 Y axis (read now)");
    Choose(sourceB, static_cast<int>(Source::OtherDrive));
    ASSERT_TRUE(
        WaitUntil([&] { return !window.Reading() && window.SideLoaded(CompareDialog::B); }, kPatience));
    EXPECT_EQ(window.SideSource(CompareDialog::B), Source::OtherDrive);
    EXPECT_EQ(window.SideDrive(CompareDialog::B), 2);
    EXPECT_EQ(window.SideSet(CompareDialog::B).values[13], twin);
    EXPECT_EQ(app->Link()->ParamsDriveId(), 1); // the link stayed with drive 1
    EXPECT_EQ(app->Link()->DriveId(), 1);

    drive->ClearRequests();
    SelectRows(window.Table, {"013"});
    window.TakeButton->click();
    EXPECT_EQ(page.WorkingCopy().Values()[13], twin);
    EXPECT_TRUE(IsBold(page, 13));
    EXPECT_TRUE(page.WorkingCopy().HasUnstoredChanges());
    EXPECT_EQ(page.WorkingCopy().DriveId(), 1);
    shown.Answers = {MsgResult::Yes};
    const int reads = page.ParamsReadCount;
    page.SaveAllButton->click();
    ASSERT_TRUE(WaitUntil([&] { return page.ParamsReadCount > reads; }, kPatience));
    EXPECT_EQ(static_cast<int16_t>(drive->Holding(13)), twin);
    EXPECT_EQ(drive->Holding(20), own20);
    for (const sim::SimRequest& r : drive->Requests())
        if (r.function == drive::FunctionWriteSingleRegister) EXPECT_EQ(r.slave, 1) << r.address;

    shown.Boxes.clear();
    ASSERT_TRUE(window.BackUpAllDrives());
    ASSERT_TRUE(WaitUntil([&] { return !window.Reading(); }, kPatience));
    ASSERT_EQ(shown.Boxes.size(), 1u);
    EXPECT_NE(shown.Boxes[0].text.find("Drive 1: "), std::string::npos) << shown.Boxes[0].text;
    EXPECT_NE(shown.Boxes[0].text.find("Drive 2: "), std::string::npos) << shown.Boxes[0].text;
    EXPECT_NE(shown.Boxes[0].text.find("Drive 9: not backed up (RTU_ERR_NO_REPLY"), std::string::npos)
        << shown.Boxes[0].text;
    int perDrive = 0;
    for (const BackupEntry& b : ListBackups(BackupFolder())) {
        if (b.stamp.driveId == 0) continue;
        ++perDrive;
        EXPECT_NE(b.name.find("_id" + std::to_string(b.stamp.driveId)), std::string::npos) << b.name;
        std::string bytes;
        ASSERT_TRUE(ReadWholeFile(b.path, &bytes));
        EXPECT_EQ(bytes.rfind("# Drive ID : " + std::to_string(b.stamp.driveId) + "\r\n000 : ", 0), 0u);
        velt::ParamValues values{};
        ASSERT_TRUE(ReadParFile(b.path, &values, false));
        EXPECT_EQ(values[13], twin); // both drives now hold the twin's value
    }
    EXPECT_EQ(perDrive, 2);
}

TEST_F(Compare, CopyAndExportCsvGiveTheRowsShown) {
    Start(0);
    velt::ParamValues a{}, b{};
    TwoSets(&a, &b);
    CompareFiles(Write("a.par", a), Write("b.par", b));
    CompareDialog& window = Window();
    window.CopyButton->click();
    const QString all = QApplication::clipboard()->text();
    EXPECT_TRUE(
        all.startsWith("No.\tName\tA: a.par\tB: b.par\tNote\n033\tSELECT PROTOCOL\t0\t1\tnot stored\n"));
    EXPECT_EQ(all.count('\n'), 5);
    SelectRows(window.Table, {"040"});
    window.CopyButton->click();
    EXPECT_EQ(QApplication::clipboard()->text(),
              "No.\tName\tA: a.par\tB: b.par\tNote\n040\tIN POLE\t0xFF\t0x0E\t\n");

    const fs::path csv = root / "diff.csv";
    window.FileDialogAnswer = [&](bool save, const QString&, const QString& filter) {
        EXPECT_TRUE(save);
        EXPECT_EQ(filter, "CSV files (*.csv)");
        return QString::fromStdString(csv.string());
    };
    window.ExportButton->click();
    std::string text;
    ASSERT_TRUE(ReadWholeFile(csv, &text));
    EXPECT_EQ(text.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_NE(text.find("071,DEFAULTS COMMAND FORM,13 : Speed Index,11 : Analog Input,\r\n"),
              std::string::npos);
    EXPECT_FALSE(window.ExportCsvTo(root / "no" / "such" / "folder.csv"));
    ASSERT_EQ(shown.Texts().size(), 1u);
    EXPECT_EQ(shown.Texts()[0].rfind("File Save Error\r\n", 0), 0u) << shown.Texts()[0];
}

TEST_F(Compare, EveryControlIsNamedForScreenReadersInBothLanguagesAndTheTableIsATable) {
    for (int lang : {0, 1}) {
        Start(lang);
        const bool ko = lang == 1;
        Page().CompareButton->click();
        CompareDialog& window = Window();
        const auto name = [](QObject* o) {
            return QAccessible::queryAccessibleInterface(o)->text(QAccessible::Name);
        };
        EXPECT_EQ(name(Page().CompareButton), QString::fromUtf8(kCompareButton.Pick(ko)));
        EXPECT_EQ(window.windowTitle(), QString::fromUtf8(kCompareTitle.Pick(ko)));
        EXPECT_EQ(window.Controls[CompareDialog::A].source->accessibleName(),
                  QString::fromUtf8(kSideA.Pick(ko)));
        EXPECT_EQ(window.Controls[CompareDialog::B].source->accessibleName(),
                  QString::fromUtf8(kSideB.Pick(ko)));
        EXPECT_EQ(name(window.Controls[CompareDialog::B].backups),
                  QString::fromUtf8(kBackupListNameB.Pick(ko)));
        EXPECT_EQ(name(window.Controls[CompareDialog::A].browse), QString::fromUtf8(kBrowseNameA.Pick(ko)));
        EXPECT_EQ(name(window.TakeButton),
                  ko ? QString::fromUtf8("편집값으로 가져오기") : "Take into working copy");
        EXPECT_EQ(name(window.OnlyDifferences), ko ? QString::fromUtf8("차이만 보기") : "Only differences");
        for (QWidget* w :
             std::initializer_list<QWidget*>{window.CopyButton, window.ExportButton, window.ReadAgainButton,
                                             window.CloseButton, window.ReadProgress, window.Table})
            EXPECT_FALSE(name(w).isEmpty()) << w->metaObject()->className();
        QAccessibleInterface* table = QAccessible::queryAccessibleInterface(window.Table);
        EXPECT_EQ(table->role(), QAccessible::Table);
        ASSERT_NE(table->tableInterface(), nullptr);
        EXPECT_EQ(table->tableInterface()->columnCount(), 5);
        // Keyboard: every control takes the focus by Tab; Escape closes.
        for (QWidget* w :
             std::initializer_list<QWidget*>{window.Controls[CompareDialog::A].source, window.Table,
                                             window.TakeButton, window.CloseButton})
            EXPECT_TRUE(w->focusPolicy() & Qt::TabFocus) << w->metaObject()->className();
        window.reject();
        EXPECT_FALSE(window.isVisible());
        app.reset();
    }
}

} // namespace
} // namespace velt::test

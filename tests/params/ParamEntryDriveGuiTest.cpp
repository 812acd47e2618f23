// The bit dialog and "All Parameter Read" against the simulated drive, driven
// as a user drives them: double-clicks on the grid, clicks on the boxes and
// buttons; what the drive holds is read from the simulator.
#include "controls/CButtonST.h"
#include "controls/CGridCtrl.h"
#include "link/DriveMap.h"
#include "params/CDlgSetValDEC.h"
#include "params/CDlgSetValHEX.h"
#include "params/ParamCatalogue.h"
#include "params/ValueEntry.h"
#include "tests/support/ParamPageFixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace velt::test {
namespace {

class ParamEntryDrive : public PageTest {
protected:
    void SetUp() override {
        PageTest::SetUp();
        StartDrive();
        Start(0);
        Connect();
    }

    // A double-click on parameter n's Value cell with the mouse.
    void DoubleClickValueOf(int n) {
        CGridCtrl& grid = *Page().ParamGrid;
        const ParamCell cell = ValueCellOf(n);
        grid.EnsureVisible(cell.row, cell.col);
        const QPoint at = grid.CellRect(cell.row, cell.col).center();
        QMouseEvent click(QEvent::MouseButtonDblClick, at, grid.viewport()->mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(grid.viewport(), &click);
    }

    QString CellText(int n) {
        Page().RefreshValueCells();
        const ParamCell cell = ValueCellOf(n);
        return Page().ParamGrid->GetItemText(cell.row, cell.col);
    }

    bool AnyValueCellBold() {
        const CGridCtrl& grid = *Page().ParamGrid;
        for (int n = 0; n < drive::ParamCount; ++n) {
            const ParamCell c = ValueCellOf(n);
            const GridCell* cell = grid.Model().GetCell(c.row, c.col);
            if (cell != nullptr && cell->font && cell->font->weight > 400) return true;
        }
        return false;
    }

    // "All Parameter Read" with the mouse, waiting for the values to arrive.
    void ReadAll() {
        const int reads = Page().ParamsReadCount;
        QTest::mouseClick(Page().ReadAllButton, Qt::LeftButton);
        ASSERT_TRUE(WaitUntil([&] { return Page().ParamsReadCount > reads; }, kPatience));
    }

    // "All Parameter Save", answered Yes, waiting for the re-read it ends with.
    void SaveAll() {
        shown.Answers = {MsgResult::Yes};
        const int reads = Page().ParamsReadCount;
        QTest::mouseClick(Page().SaveAllButton, Qt::LeftButton);
        ASSERT_TRUE(WaitUntil([&] { return Page().ParamsReadCount > reads; }, kPatience));
    }

    unsigned EnabledBoxes() const {
        unsigned bits = 0;
        for (int k = 0; k < 8; ++k)
            if (app->SetValHex()->BitChecks[static_cast<size_t>(k)]->isEnabled()) bits |= 1u << k;
        return bits;
    }
};

TEST_F(ParamEntryDrive, BitsOutPoleCannotHoldAreDisabledAndTheDriveGetsWhatWasTicked) {
    ASSERT_EQ(drive->Holding(drive::ParamOutPole), 14);
    CDlgSetValHEX& hex = *app->SetValHex();
    DoubleClickValueOf(drive::ParamOutPole);
    ASSERT_TRUE(hex.isVisible());
    EXPECT_EQ(hex.ValueLabel->text(), "14");
    EXPECT_EQ(EnabledBoxes(), 0x0Fu); // OUT 1 .. OUT 4
    EXPECT_FALSE(hex.BitChecks[7]->toolTip().isEmpty());

    QTest::mouseClick(hex.BitChecks[7], Qt::LeftButton); // the value 142 of the fault
    QTest::mouseClick(hex.BitChecks[4], Qt::LeftButton);
    EXPECT_FALSE(hex.BitChecks[7]->isChecked());
    EXPECT_EQ(hex.ValueLabel->text(), "14");
    QTest::mouseClick(hex.BitChecks[0], Qt::LeftButton);
    EXPECT_EQ(hex.ValueLabel->text(), "15");
    QTest::mouseClick(hex.OkButton, Qt::LeftButton);
    EXPECT_FALSE(hex.isVisible());
    EXPECT_EQ(CellText(drive::ParamOutPole), "15");

    SaveAll();
    EXPECT_EQ(drive->Holding(drive::ParamOutPole), 15);
    EXPECT_EQ(CellText(drive::ParamOutPole), "15");
    EXPECT_EQ(shown.Texts(), std::vector<std::string>{"Parameter Save ?"});

    // The other bit parameters: every box can be set, as their range is 0 ~ 255.
    for (const int n : {39, drive::ParamInPole}) {
        DoubleClickValueOf(n);
        EXPECT_EQ(EnabledBoxes(), 0xFFu) << n;
        QTest::mouseClick(hex.CancelButton, Qt::LeftButton);
    }
}

TEST_F(ParamEntryDrive, AValueBeyondTheRangeReadFromTheDriveIsRefusedUntilTheBitIsCleared) {
    drive->SetHolding(drive::ParamOutPole, 142);
    ReadAll();
    ASSERT_EQ(Page().WorkingCopy().Values()[drive::ParamOutPole], 142);
    CDlgSetValHEX& hex = *app->SetValHex();
    DoubleClickValueOf(drive::ParamOutPole);
    EXPECT_EQ(EnabledBoxes(), 0x8Fu); // bit 7 is set: it can be cleared
    QTest::mouseClick(hex.OkButton, Qt::LeftButton);
    EXPECT_TRUE(hex.isVisible());
    EXPECT_EQ(shown.Texts(), std::vector<std::string>{"142 does not fit this parameter.\r\nParameter No.[41] "
                                                      "takes 0 to 15: only BIT 0 to BIT 3 can be set."});
    EXPECT_EQ(Page().WorkingCopy().Values()[drive::ParamOutPole], 142);

    QTest::mouseClick(hex.BitChecks[7], Qt::LeftButton);
    EXPECT_EQ(hex.ValueLabel->text(), "14");
    QTest::mouseClick(hex.OkButton, Qt::LeftButton);
    EXPECT_FALSE(hex.isVisible());
    EXPECT_EQ(CellText(drive::ParamOutPole), "14");
    SaveAll();
    EXPECT_EQ(drive->Holding(drive::ParamOutPole), 14);
}

TEST_F(ParamEntryDrive, TheDecimalDialogTakesOnlyTheParametersRangeAndTheDriveGetsWhatItTook) {
    ASSERT_EQ(drive->Holding(13), 300);
    CDlgSetValDEC& dec = *app->SetValDec();
    DoubleClickValueOf(13);
    ASSERT_TRUE(dec.isVisible());
    EXPECT_NE(dec.HelpEdit->toPlainText().indexOf("RANGE : 0 ~ 32000"), -1);
    QTest::keyClicks(dec.ValueEdit, "40000"); // the value is selected: typing replaces it
    QTest::mouseClick(dec.OkButton, Qt::LeftButton);
    EXPECT_TRUE(dec.isVisible());
    EXPECT_EQ(shown.Texts(), std::vector<std::string>{"40000 does not fit this parameter.\r\nEnter a whole "
                                                      "number from 0 to 32000 for parameter No.[13]."});
    EXPECT_EQ(CellText(13), "300");

    dec.ValueEdit->selectAll();
    QTest::keyClicks(dec.ValueEdit, "32000");
    QTest::mouseClick(dec.OkButton, Qt::LeftButton);
    EXPECT_FALSE(dec.isVisible());
    SaveAll();
    ASSERT_EQ(shown.Boxes.size(), 2u);
    EXPECT_EQ(shown.Boxes[1].details, "013 CURRENT P GAIN : 300 -> 32000");
    EXPECT_EQ(drive->Holding(13), 32000);
}

// A read replaces the working copy with the drive's values: asked for while a
// save is writing that copy out, it would put the drive's old values back
// under the save. It waits for the save to end instead.
TEST_F(ParamEntryDrive, AReadAskedForDuringASaveDoesNotRunAndTheDriveGetsTheEdit) {
    CDlgParameter& page = Page();
    page.WorkingCopy().StoreEdited(13, 4321);
    const velt::ParamValues edited = page.WorkingCopy().Values();
    bool asked = false;
    bool readEnabled = true;
    QTimer::singleShot(0, [&] {
        asked = true;
        readEnabled = page.ReadAllButton->isEnabled();
        page.ReadAllParameters();
    });
    SaveAll();
    EXPECT_TRUE(asked);
    EXPECT_FALSE(readEnabled);
    EXPECT_EQ(drive->Holding(13), 4321);
    for (int n = 0; n < drive::ParamCount; ++n)
        EXPECT_EQ(static_cast<int16_t>(drive->Holding(n)), edited[static_cast<size_t>(n)]) << n;
    EXPECT_TRUE(page.ReadAllButton->isEnabled());
    EXPECT_TRUE(page.SaveAllButton->isEnabled());
}

TEST_F(ParamEntryDrive, ReadAllShowsItsProgressMarksNothingChangedAndEndsWithTheDrivesValues) {
    CDlgParameter& page = Page();
    drive->SetHolding(13, 777);
    drive->SetHolding(85, 2);
    ASSERT_TRUE(page.WorkingCopy().DriveValuesKnown());

    std::vector<int> positions;
    bool boldWhileReading = false;
    bool readButtonEnabledWhileReading = false;
    const auto look = [&] {
        page.RefreshValueCells();
        if (AnyValueCellBold()) boldWhileReading = true;
        if (page.ReadAllButton->isEnabled()) readButtonEnabledWhileReading = true;
    };
    const QMetaObject::Connection progress =
        QObject::connect(page.SaveProgress, &QProgressBar::valueChanged, [&](int value) {
            positions.push_back(value);
            if (value < page.SaveProgress->maximum()) look();
        });
    QTimer probe; // the refresh timer's view during the wait before the read
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (page.SaveProgress->value() < page.SaveProgress->maximum()) look();
    });
    probe.start(20);
    ReadAll();
    probe.stop();
    QObject::disconnect(progress);

    ASSERT_GE(positions.size(), 3u);
    EXPECT_EQ(positions.front(), 0);
    EXPECT_EQ(positions.back(), page.SaveProgress->maximum());
    for (size_t i = 1; i < positions.size(); ++i)
        EXPECT_GT(positions[i], positions[i - 1]);
    EXPECT_FALSE(boldWhileReading);
    EXPECT_FALSE(readButtonEnabledWhileReading);
    EXPECT_TRUE(page.ReadAllButton->isEnabled());

    for (int n = 0; n < drive::ParamCount; ++n)
        ASSERT_EQ(page.WorkingCopy().Values()[static_cast<size_t>(n)],
                  static_cast<int16_t>(drive->Holding(n)))
            << n;
    EXPECT_EQ(CellText(13), "777");
    EXPECT_EQ(CellText(85), QString::number(CombinePair(85, page.WorkingCopy().Values().data())));
    EXPECT_FALSE(AnyValueCellBold());
    EXPECT_TRUE(shown.Boxes.empty());
}

} // namespace
} // namespace velt::test

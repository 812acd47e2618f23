// The parameter page and the value dialogs, driven through their slots
// without a drive.
#include "controls/CButtonST.h"
#include "controls/CGridCtrl.h"
#include "link/DriveMap.h"
#include "params/CDlgSetValDEC.h"
#include "params/CDlgSetValHEX.h"
#include "params/ParamCatalogue.h"
#include "tests/support/ParamPageFixture.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

namespace velt::test {
namespace {

using ParamPage = PageTest;

bool AnyDialogOpen(const CVELT_HostApp& app) {
    return app.SetValDec()->isVisible() || app.SetValHex()->isVisible();
}

QString AccessibleText(QObject* object, QAccessible::Text which = QAccessible::Name) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(object);
    return iface != nullptr ? iface->text(which) : QString();
}

// What a screen reader announces for a control: its name, or for a list on
// Linux (where a list's name is its current entry) the label that labels it.
QString LabelledAs(QWidget* widget) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget);
    if (iface == nullptr) return {};
    for (const auto& [other, relation] : iface->relations(QAccessible::Label))
        if (other != nullptr) return other->text(QAccessible::Name);
    return iface->text(QAccessible::Name);
}

std::array<int, kIoCount> Functions(const CDlgParameter& page) {
    std::array<int, kIoCount> f{};
    for (size_t i = 0; i < kIoCount; ++i)
        f[i] = page.FunctionCombos[i]->currentIndex();
    return f;
}

TEST_F(ParamPage, SetUpBuildsTheGridAndSelectsVelocityControlWithItsPreset) {
    Start(0);
    CDlgParameter& page = Page();
    const CGridCtrl& grid = *page.ParamGrid;
    ASSERT_EQ(grid.GetRowCount(), 26);
    ASSERT_EQ(grid.GetColumnCount(), 18);
    EXPECT_EQ(grid.GetFixedRowCount(), 1);
    EXPECT_EQ(grid.GetFixedColumnCount(), 0);
    for (int g = 0; g < 6; ++g) {
        EXPECT_EQ(grid.GetItemText(0, 3 * g), "Pno");
        EXPECT_EQ(grid.GetItemText(0, 3 * g + 1), "Function");
        EXPECT_EQ(grid.GetItemText(0, 3 * g + 2), "Value");
        EXPECT_EQ(grid.GetColumnWidth(3 * g), 38);
        EXPECT_EQ(grid.GetColumnWidth(3 * g + 1), 115);
        EXPECT_EQ(grid.GetColumnWidth(3 * g + 2), 70);
    }
    const GridRgb headerBk = grid.GetDefaultCell(true, false).bk;
    EXPECT_EQ(grid.GetItemText(14, 0), "13");
    EXPECT_EQ(grid.GetItemText(14, 1), "CURRENT P GAIN");
    EXPECT_EQ(grid.GetItemText(14, 2), "0");
    EXPECT_EQ(grid.GetItemFgColour(14, 0), Rgb(255, 0, 0));
    EXPECT_EQ(grid.GetItemBkColour(14, 0), headerBk);
    EXPECT_EQ(grid.GetItemBkColour(14, 1), headerBk);
    EXPECT_EQ(grid.GetItemFgColour(14, 2), Rgb(0, 0, 255));
    EXPECT_EQ(grid.Model().EffectiveBkColour(14, 2), Rgb(255, 255, 224));
    EXPECT_EQ(grid.GetItemText(9, 4), "-"); // 33, not in use
    EXPECT_EQ(grid.GetItemFgColour(9, 5), kDefaultColour);
    EXPECT_EQ(grid.Model().GetItemFormat(9, 5),
              std::uint32_t{DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS});
    for (int row = 20; row <= 25; ++row) { // 144..149
        EXPECT_EQ(grid.GetItemText(row, 15), "-");
        EXPECT_EQ(grid.GetItemText(row, 16), "-");
        EXPECT_EQ(grid.GetItemText(row, 17), "0");
        for (int col = 15; col <= 17; ++col)
            EXPECT_EQ(grid.GetItemBkColour(row, col), Rgb(128, 128, 128));
    }
    std::vector<GridRange> merged = grid.Model().MergedRanges();
    ASSERT_EQ(merged.size(), 10u);
    for (int k = 0; k < 8; ++k)
        EXPECT_EQ(merged[static_cast<size_t>(k)], (GridRange{9 + 2 * k, 11, 10 + 2 * k, 11}));
    EXPECT_EQ(merged[8], (GridRange{23, 14, 24, 14}));
    EXPECT_EQ(merged[9], (GridRange{2, 17, 3, 17}));
    EXPECT_NE(grid.GetItemState(9, 11) & GVIS_READONLY, 0u);
    EXPECT_TRUE(grid.Model().Switches().listMode);
    EXPECT_FALSE(grid.Model().Switches().selectionEnabled);
    EXPECT_FALSE(grid.IsEditable());

    EXPECT_EQ(page.ControlModeCombo->count(), 3);
    EXPECT_EQ(page.ControlModeCombo->currentIndex(), 1);
    EXPECT_EQ(page.CommandFormCombo->count(), 9);
    EXPECT_EQ(page.CommandFormCombo->itemText(0), " 10 : Communication");
    EXPECT_EQ(page.CommandFormCombo->currentIndex(), 3);
    EXPECT_EQ(page.SwitchModeCombo->currentIndex(), 1);
    EXPECT_EQ(page.SwitchFormCombo->currentIndex(), 1);
    EXPECT_EQ(page.FunctionCombos[0]->count(), 16);
    EXPECT_EQ(page.FunctionCombos[8]->count(), 7);
    EXPECT_EQ(Functions(page), (std::array<int, kIoCount>{1, 2, 3, 4, 5, 8, 9, 10, 1, 2, 4, 6}));
    for (size_t i = 0; i < kIoCount; ++i) {
        EXPECT_TRUE(page.ContactA[i]->isChecked());
        EXPECT_EQ(page.ContactRadio[i], 1);
    }
    EXPECT_EQ(page.WorkingCopy().Values(), velt::ParamValues{}); // set-up takes nothing from the controls
    EXPECT_EQ(page.SaveProgress->maximum(), 150);
    EXPECT_EQ(page.SaveProgress->value(), 150);
    EXPECT_EQ(page.ReadAllButton->text(), "All Parameter\nRead");
    EXPECT_EQ(page.SaveAllButton->text(), "All Parameter\nSave");
}

TEST_F(ParamPage, KoreanPageAndDialogsUseTheKoreanTexts) {
    Start(1);
    CDlgParameter& page = Page();
    EXPECT_EQ(page.ParamGrid->GetItemText(0, 1), QString::fromUtf8("기능"));
    EXPECT_EQ(page.ParamGrid->GetItemText(14, 1), QString::fromUtf8("전류 P gain"));
    EXPECT_EQ(page.SaveAllButton->text(), QString::fromUtf8("전체 파라미터\n저장하기"));
    EXPECT_EQ(LabelledAs(page.ControlModeCombo), QString::fromUtf8("제어모드"));
    EXPECT_EQ(page.ControlModeCombo->accessibleName(), QString::fromUtf8("제어모드"));
    EXPECT_EQ(app->SetValDec()->OkButton->text(), QString::fromUtf8("확인"));
    EXPECT_EQ(app->SetValHex()->CancelButton->text(), QString::fromUtf8("취소"));
    EXPECT_EQ(app->SetValDec()->windowTitle(), QString::fromUtf8("파라메터 변경(DEC)"));
}

TEST_F(ParamPage, EveryControlHasAnAccessibleName) {
    Start(0);
    CDlgParameter& page = Page();
    EXPECT_EQ(LabelledAs(page.ControlModeCombo), "Control Mode");
    EXPECT_EQ(LabelledAs(page.SwitchFormCombo), "Switch Command Form");
    EXPECT_EQ(LabelledAs(page.FunctionCombos[0]), "IN 1");
    EXPECT_EQ(LabelledAs(page.FunctionCombos[11]), "OUT 4");
    EXPECT_EQ(page.FunctionCombos[11]->accessibleName(), "OUT 4");
    EXPECT_EQ(LabelledAs(app->SetValDec()->ValueEdit), "Value :");
    EXPECT_EQ(AccessibleText(page.ContactA[5]), "IN 6 Contact A");
    EXPECT_EQ(AccessibleText(page.ContactB[11]), "OUT 4 Contact B");
    EXPECT_EQ(AccessibleText(page.ContactB[5], QAccessible::Description), "IN 6 Contact Select");
    EXPECT_EQ(AccessibleText(page.SaveAllButton), "All Parameter Save");
    EXPECT_EQ(AccessibleText(page.SaveProgress), "Save progress");
    EXPECT_EQ(AccessibleText(page.ParamGrid), "Parameter list");
    EXPECT_EQ(AccessibleText(app->SetValDec()->ValueEdit), "Value");
    EXPECT_EQ(AccessibleText(app->SetValDec()->HelpEdit), "Help");
    EXPECT_EQ(AccessibleText(app->SetValHex()->BitChecks[7]), "BIT 7");
    EXPECT_EQ(AccessibleText(app->SetValHex()->OkButton), "OK");

    // The grid reads as a table of the texts it shows.
    page.WorkingCopy().StoreEdited(83, 100000);
    page.RefreshValueCells();
    QAccessibleInterface* grid = QAccessible::queryAccessibleInterface(page.ParamGrid);
    ASSERT_NE(grid, nullptr);
    QAccessibleTableInterface* table = grid->tableInterface();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->rowCount(), 26);
    EXPECT_EQ(table->columnCount(), 18);
    const auto cell = [table](int row, int col) {
        QAccessibleInterface* c = table->cellAt(row, col);
        return c != nullptr ? c->text(QAccessible::Name) : QStringLiteral("<none>");
    };
    EXPECT_EQ(cell(0, 1), "Function");
    EXPECT_EQ(cell(14, 0), "13");
    EXPECT_EQ(cell(14, 1), "CURRENT P GAIN");
    EXPECT_EQ(cell(9, 11), "100000");
    EXPECT_EQ(cell(10, 11), "100000"); // the merged cell, reached through its lower half
}

TEST_F(ParamPage, DoubleClicksOutsideValueCellsOpenNothing) {
    Start(0);
    CDlgParameter& page = Page();
    for (const auto& [row, col] : {std::pair{0, 2}, {1, 0}, {1, 1}, {20, 17}, {25, 17}, {5, 15}}) {
        page.OnGridDoubleClick(row, col);
        EXPECT_FALSE(AnyDialogOpen(*app)) << row << "," << col;
    }
}

TEST_F(ParamPage, ValueCellsOpenTheDecimalOrTheBitDialog) {
    Start(0);
    CDlgParameter& page = Page();
    page.WorkingCopy().StoreEdited(83, 100000);
    page.RefreshValueCells();
    CGridCtrl& grid = *page.ParamGrid;
    EXPECT_EQ(grid.GetItemText(9, 11), "100000");

    // The lower half of the merged cell (84's), double-clicked with the mouse.
    grid.EnsureVisible(10, 11);
    const QRect upper = grid.CellRect(9, 11);
    const QPoint at(upper.center().x(), upper.bottom() - 2);
    ASSERT_EQ(grid.Model().RawCellAt(at.x(), at.y(), grid.horizontalScrollBar()->value(),
                                     grid.verticalScrollBar()->value()),
              (GridCellId{10, 11}));
    QMouseEvent click(QEvent::MouseButtonDblClick, at, grid.viewport()->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(grid.viewport(), &click);
    CDlgSetValDEC& dec = *app->SetValDec();
    ASSERT_TRUE(dec.isVisible());
    EXPECT_FALSE(app->SetValHex()->isVisible());
    EXPECT_EQ(dec.ParamNo, 83);
    EXPECT_EQ(dec.EditValue, 100000);
    EXPECT_EQ(dec.ValueEdit->text(), "100000");
    EXPECT_EQ(dec.ValueEdit->selectedText(), "100000");
    EXPECT_EQ(dec.NumberLabel->text(), "83");
    EXPECT_EQ(dec.HelpEdit->toPlainText(), " POSITION INDEX 1");
    EXPECT_EQ(grid.GetItemText(10, 11), "0"); // the hidden cell of 84

    page.WorkingCopy().StoreEdited(drive::ParamInPole, 255);
    page.OnGridDoubleClick(2, 5); // 26: decimal; then 40, bits
    EXPECT_EQ(dec.ParamNo, 26);
    page.OnGridDoubleClick(16, 5);
    CDlgSetValHEX& hex = *app->SetValHex();
    ASSERT_TRUE(hex.isVisible());
    EXPECT_EQ(hex.ParamNo, drive::ParamInPole);
    EXPECT_EQ(hex.ValueLabel->text(), "255");
    for (QCheckBox* box : hex.BitChecks)
        EXPECT_TRUE(box->isChecked());
}

TEST_F(ParamPage, TheDecimalDialogStoresPairsInTheirWordOrder) {
    Start(0);
    CDlgParameter& page = Page();
    CDlgSetValDEC& dec = *app->SetValDec();
    page.OnGridDoubleClick(9, 11); // 83
    dec.ValueEdit->setText("100000");
    dec.OkButton->click();
    EXPECT_FALSE(dec.isVisible());
    EXPECT_EQ(page.WorkingCopy().Values()[83], 1);
    EXPECT_EQ(page.WorkingCopy().Values()[84], -31072);
    EXPECT_EQ(page.ParamGrid->GetItemText(9, 11), "100000");

    page.OnGridDoubleClick(23, 14); // POS_L, low word first
    dec.ValueEdit->setText("-1");
    dec.accept();
    EXPECT_EQ(page.WorkingCopy().Values()[drive::PositionLowRegister], -1);
    EXPECT_EQ(page.WorkingCopy().Values()[drive::PositionHighRegister], -1);
    EXPECT_EQ(page.ParamGrid->GetItemText(23, 14), "-1");
    EXPECT_TRUE(shown.Boxes.empty());
}

TEST_F(ParamPage, TheDecimalDialogRefusesWhatTheParameterCannotHoldAndStaysOpen) {
    Start(0);
    CDlgParameter& page = Page();
    CDlgSetValDEC& dec = *app->SetValDec();
    page.WorkingCopy().StoreEdited(13, 300);
    page.OnGridDoubleClick(14, 2);
    for (const char* text : {"70000", "abc", ""}) {
        dec.ValueEdit->setText(QString::fromLatin1(text));
        dec.OkButton->click();
        EXPECT_TRUE(dec.isVisible()) << text;
        EXPECT_EQ(dec.ValueEdit->text(), QString::fromLatin1(text));
        EXPECT_EQ(page.WorkingCopy().Values()[13], 300) << text;
    }
    ASSERT_EQ(shown.Boxes.size(), 3u);
    EXPECT_EQ(shown.Boxes[0].text,
              "70000 does not fit this parameter.\r\nEnter a whole number from 0 to 32000 for parameter "
              "No.[13].");
    EXPECT_EQ(shown.Boxes[1].text.rfind("\"abc\" is not a whole number.", 0), 0u);

    // Cancel after changing the entry stores nothing.
    dec.ValueEdit->setText("301");
    dec.CancelButton->click();
    EXPECT_FALSE(dec.isVisible());
    EXPECT_EQ(page.WorkingCopy().Values()[13], 300);
    EXPECT_EQ(shown.Boxes.size(), 3u);
}

TEST_F(ParamPage, OnlyParameterSixShowsTheBaudRateNoticeAfterClosing) {
    Start(0);
    CDlgParameter& page = Page();
    CDlgSetValDEC& dec = *app->SetValDec();
    bool hiddenWhenShown = false;
    shown.OnShow = [&](const ShownBox&) { hiddenWhenShown = !dec.isVisible(); };
    page.OnGridDoubleClick(7, 2); // 6
    dec.ValueEdit->setText("4");
    dec.accept();
    ASSERT_EQ(shown.Texts(),
              std::vector<std::string>{"Save the communication speed parameters are applied to "
                                       "turn the power off and then the driver."});
    EXPECT_TRUE(hiddenWhenShown);
    EXPECT_EQ(page.WorkingCopy().Values()[6], 4);
    page.OnGridDoubleClick(8, 2); // 7
    dec.accept();
    EXPECT_EQ(shown.Boxes.size(), 1u);
}

TEST_F(ParamPage, TheBitDialogChangesTheLowEightBitsOnly) {
    Start(0);
    CDlgParameter& page = Page();
    CDlgSetValHEX& hex = *app->SetValHex();
    page.WorkingCopy().StoreEdited(drive::ParamInPole, 255);
    page.OnGridDoubleClick(16, 5);
    hex.BitChecks[0]->click();
    EXPECT_EQ(hex.ValueLabel->text(), "254");
    EXPECT_EQ(page.WorkingCopy().Values()[drive::ParamInPole], 255); // not before OK
    hex.OkButton->click();
    EXPECT_FALSE(hex.isVisible());
    EXPECT_EQ(page.WorkingCopy().Values()[drive::ParamInPole], 254);

    // -1 holds bits above the eight boxes that parameter 39 (0 ~ 255) cannot
    // hold: the first click leaves only what the boxes show, which OK takes.
    page.WorkingCopy().StoreEdited(39, -1);
    page.OnGridDoubleClick(15, 5);
    hex.BitChecks[7]->click();
    EXPECT_EQ(hex.ValueLabel->text(), "127");
    hex.BitChecks[7]->click();
    hex.BitChecks[1]->click();
    EXPECT_EQ(hex.EditValue, 253);
    hex.CancelButton->click();
    EXPECT_EQ(page.WorkingCopy().Values()[39], -1);
    page.OnGridDoubleClick(15, 5);
    hex.BitChecks[7]->click();
    hex.OkButton->click();
    EXPECT_FALSE(hex.isVisible());
    EXPECT_EQ(page.WorkingCopy().Values()[39], 127);
}

TEST_F(ParamPage, ListChangesApplyPresetsAndReservedFormsKeepTheLists) {
    Start(0);
    CDlgParameter& page = Page();
    Choose(page.ControlModeCombo, 0);
    EXPECT_EQ(page.CommandFormCombo->itemText(0), " 0 : Communication");
    EXPECT_EQ(page.CommandFormCombo->currentIndex(), 0);
    EXPECT_EQ(Functions(page), (std::array<int, kIoCount>{0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 6}));
    EXPECT_EQ(page.WorkingCopy().Values()[drive::ParamDefaultMode], 0);
    EXPECT_EQ(page.WorkingCopy().Values()[drive::ParamDefaultForm], 0);
    EXPECT_EQ(page.WorkingCopy().Values()[drive::ParamSwitchMode], 1);
    EXPECT_EQ(page.WorkingCopy().Values()[drive::ParamSwitchForm], 11);
    EXPECT_EQ(page.WorkingCopy().Values()[drive::ParamInPole], 255);
    EXPECT_EQ(page.WorkingCopy().Values()[drive::ParamOutPole], 15);

    Choose(page.CommandFormCombo, 4); // position index
    EXPECT_EQ(Functions(page)[4], 8);
    page.ContactB[2]->click();
    EXPECT_EQ(page.WorkingCopy().Values()[drive::ParamInPole], 255 - 4);
    Choose(page.FunctionCombos[0], 7);
    Choose(page.CommandFormCombo, 5); // " 5 : RESERVED"
    EXPECT_EQ(Functions(page), (std::array<int, kIoCount>{7, 2, 3, 4, 8, 9, 10, 0, 1, 2, 3, 6}));
    EXPECT_TRUE(page.ContactB[2]->isChecked());
    EXPECT_EQ(page.WorkingCopy().Values()[drive::ParamDefaultForm], 5);
    EXPECT_EQ(page.WorkingCopy().Values()[drive::ParamInFunction1], 7);

    Choose(page.SwitchModeCombo, 2);
    EXPECT_EQ(page.SwitchFormCombo->itemText(0), " 20 : Communication");
    EXPECT_EQ(page.SwitchFormCombo->currentIndex(), 1);
    EXPECT_EQ(page.WorkingCopy().Values()[drive::ParamSwitchForm], 21);
    EXPECT_EQ(Functions(page)[0], 7); // no preset for the switch mode
}

TEST_F(ParamPage, AModeTheListsDoNotHaveLeavesThemEmptyAndTheNextChangeStoresMinusOne) {
    Start(0);
    CDlgParameter& page = Page();
    page.WorkingCopy().StoreEdited(drive::ParamDefaultMode, 5);
    page.WorkingCopy().StoreEdited(drive::ParamDefaultForm, 2);
    page.ShowValuesInControls();
    EXPECT_EQ(page.ControlModeCombo->currentIndex(), -1);
    EXPECT_EQ(page.CommandFormCombo->currentIndex(), -1);
    EXPECT_EQ(page.CommandFormCombo->count(), 0);
    page.ContactA[0]->click();
    EXPECT_EQ(page.WorkingCopy().Values()[drive::ParamDefaultMode], -1);
    EXPECT_EQ(page.WorkingCopy().Values()[drive::ParamDefaultForm], -1);
}

TEST_F(ParamPage, ADialogValueForAListParameterIsShownThereAndKeptByTheNextChange) {
    Start(0);
    CDlgParameter& page = Page();
    page.ShowValuesInControls();   // all zero
    page.OnGridDoubleClick(18, 5); // 42, IN1 function
    app->SetValDec()->ValueEdit->setText("7");
    app->SetValDec()->accept();
    EXPECT_EQ(page.FunctionCombos[0]->currentIndex(), 7);
    Choose(page.FunctionCombos[1], 2);
    EXPECT_EQ(page.WorkingCopy().Values()[drive::ParamInFunction1], 7);
    EXPECT_EQ(page.WorkingCopy().Values()[drive::ParamInFunction1 + 1], 2);

    page.OnGridDoubleClick(16, 5); // 40, contacts of IN1..IN8
    app->SetValHex()->BitChecks[3]->click();
    app->SetValHex()->accept();
    EXPECT_TRUE(page.ContactA[3]->isChecked());
    page.ContactB[0]->click();
    EXPECT_EQ(page.WorkingCopy().Values()[drive::ParamInPole], 8);

    page.OnGridDoubleClick(21, 8); // 70
    app->SetValDec()->ValueEdit->setText("2");
    app->SetValDec()->accept();
    EXPECT_EQ(page.ControlModeCombo->currentIndex(), 2);
    EXPECT_EQ(page.CommandFormCombo->itemText(0), " 20 : Communication");
}

TEST_F(ParamPage, ValueCellsThatDifferFromTheDrivesValuesAreBold) {
    Start(0);
    CDlgParameter& page = Page();
    const auto bold = [&](int n) {
        const ParamCell c = ValueCellOf(n);
        const GridCell* cell = page.ParamGrid->Model().GetCell(c.row, c.col);
        return cell != nullptr && cell->font && cell->font->weight > 400;
    };
    page.WorkingCopy().StoreEdited(13, 5);
    page.RefreshValueCells();
    EXPECT_FALSE(bold(13)); // nothing known of the drive yet
    page.WorkingCopy().TakeDriveValues(page.WorkingCopy().Values());
    page.RefreshValueCells();
    EXPECT_FALSE(bold(13));
    page.WorkingCopy().StoreEdited(13, 6);
    page.WorkingCopy().StoreEdited(83, 1); // the low word of the pair
    EXPECT_TRUE(bold(13));
    EXPECT_TRUE(bold(83));
    EXPECT_FALSE(bold(12));
    EXPECT_EQ(page.ParamGrid->GetItemFgColour(14, 2), Rgb(0, 0, 255));
    page.WorkingCopy().StoreEdited(13, 5);
    EXPECT_FALSE(bold(13));
}

} // namespace
} // namespace velt::test

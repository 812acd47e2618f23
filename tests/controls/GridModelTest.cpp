#include "controls/GridModel.h"

#include <gtest/gtest.h>
#include <utility>
#include <vector>

namespace velt {
namespace {

class RecordingObserver : public IGridModelObserver {
public:
    void CellChanged(int row, int col) override { cells.emplace_back(row, col); }
    void LayoutChanged() override { ++layouts; }
    void Clear() {
        cells.clear();
        layouts = 0;
    }
    std::vector<std::pair<int, int>> cells;
    int layouts = 0;
};

constexpr std::uint32_t kPageFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS;

GridModel MakeGrid(int rows, int cols, int fixedRows = 0, int fixedCols = 0) {
    GridModel grid;
    grid.SetRowCount(rows);
    grid.SetColumnCount(cols);
    grid.SetFixedRowCount(fixedRows);
    grid.SetFixedColumnCount(fixedCols);
    return grid;
}

TEST(GridModelShape, NewCellsAreDefaultAndFixedCountsGrowTheGrid) {
    GridModel grid;
    EXPECT_EQ(grid.GetRowCount(), 0);
    EXPECT_EQ(grid.GetColumnCount(), 0);
    EXPECT_TRUE(grid.SetRowCount(3));
    EXPECT_TRUE(grid.SetColumnCount(4));
    EXPECT_EQ(grid.GetItemText(2, 3), "");
    EXPECT_EQ(grid.GetItemBkColour(2, 3), kDefaultColour);
    EXPECT_EQ(grid.GetItemState(2, 3), 0u);
    EXPECT_EQ(grid.GetRowHeight(2), GridModel::kDefaultRowHeight);
    EXPECT_EQ(grid.GetColumnWidth(3), GridModel::kDefaultColumnWidth);

    EXPECT_TRUE(grid.SetFixedRowCount(5));
    EXPECT_EQ(grid.GetRowCount(), 5);
    EXPECT_TRUE(grid.SetFixedColumnCount(6));
    EXPECT_EQ(grid.GetColumnCount(), 6);
    EXPECT_EQ(grid.GetFixedRowCount(), 5);
    EXPECT_EQ(grid.GetFixedColumnCount(), 6);
    EXPECT_EQ(grid.GetItemState(4, 5),
              static_cast<std::uint32_t>(GVIS_FIXED | GVIS_FIXEDROW | GVIS_FIXEDCOL));

    EXPECT_FALSE(grid.SetRowCount(-1));
    EXPECT_FALSE(grid.SetFixedColumnCount(-2));
    EXPECT_EQ(grid.GetRowCount(), 5);
}

TEST(GridModelShape, ColumnChangesKeepCellsInPlaceAndShrinkingClampsFixedCounts) {
    GridModel grid = MakeGrid(3, 3, 2, 2);
    grid.SetItemText(1, 1, "keep");
    grid.SetItemText(2, 2, "gone");
    grid.SetColumnCount(5);
    EXPECT_EQ(grid.GetItemText(1, 1), "keep");
    EXPECT_EQ(grid.GetItemText(1, 4), "");
    grid.SetColumnCount(2);
    grid.SetColumnCount(3);
    EXPECT_EQ(grid.GetItemText(2, 2), "");
    EXPECT_EQ(grid.GetItemText(1, 1), "keep");
    grid.SetRowCount(1);
    EXPECT_EQ(grid.GetFixedRowCount(), 1);
}

TEST(GridModelShape, ShapesTooLargeToHoldAreRefusedAndLeaveTheGridAsItWas) {
    GridModel grid = MakeGrid(3, 12);
    grid.SetItemText(2, 11, "kept");
    EXPECT_FALSE(grid.SetRowCount(2000000000));
    EXPECT_FALSE(grid.SetColumnCount(100000000));
    EXPECT_FALSE(grid.SetFixedRowCount(1 << 22));
    EXPECT_EQ(grid.GetRowCount(), 3);
    EXPECT_EQ(grid.GetColumnCount(), 12);
    EXPECT_EQ(grid.GetFixedRowCount(), 0);
    EXPECT_EQ(grid.GetItemText(2, 11), "kept");
    EXPECT_FALSE(grid.SetColumnWidth(0, 2000000000)); // would overflow the pixel coordinates
    EXPECT_FALSE(grid.SetRowHeight(0, -5));
    EXPECT_EQ(grid.GetColumnWidth(0), GridModel::kDefaultColumnWidth);
    EXPECT_EQ(grid.TotalWidth(), 12 * GridModel::kDefaultColumnWidth);
}

TEST(GridModelShape, EveryShapeChangeClearsTheSelectionAndAsksForALayout) {
    GridModel grid = MakeGrid(4, 4);
    RecordingObserver observer;
    grid.SetObserver(&observer);
    grid.SetSelectedRange({1, 0, 2, 3});
    EXPECT_TRUE(grid.IsCellSelected(2, 3));
    observer.Clear();
    grid.SetRowCount(4);
    EXPECT_FALSE(grid.IsCellSelected(2, 3));
    EXPECT_GE(observer.layouts, 1);
    grid.SetSelectedRange({0, 0, 0, 0});
    grid.SetFixedColumnCount(1);
    EXPECT_FALSE(grid.IsCellSelected(0, 0));
}

TEST(GridModelCells, TextOutsideTheGridIsEmptyAndWritesThereFail) {
    GridModel grid = MakeGrid(2, 2);
    grid.SetItemText(1, 1, "x");
    EXPECT_EQ(grid.GetItemText(-1, 0), "");
    EXPECT_EQ(grid.GetItemText(0, -1), "");
    EXPECT_EQ(grid.GetItemText(2, 0), "");
    EXPECT_EQ(grid.GetItemText(0, 2), "");
    EXPECT_EQ(grid.GetItemText(1000000, 1000000), "");
    EXPECT_FALSE(grid.SetItemText(2, 0, "y"));
    EXPECT_FALSE(grid.SetItemBkColour(0, 5, Rgb(1, 2, 3)));
    GridModel empty;
    EXPECT_EQ(empty.GetItemText(0, 0), "");
    EXPECT_EQ(empty.GetItemState(0, 0), 0u);
}

TEST(GridModelCells, SetItemWritesOnlyTheMembersTheMaskNames) {
    GridModel grid = MakeGrid(2, 2);
    grid.SetItemBkColour(0, 1, Rgb(50, 70, 50));
    GridItem item;
    item.row = 0;
    item.col = 1;
    item.mask = GVIF_TEXT | GVIF_FORMAT;
    item.text = "Driver State";
    item.format = kPageFormat;
    item.bk = Rgb(9, 9, 9);     // not in the mask
    item.state = GVIS_READONLY; // not in the mask
    EXPECT_TRUE(grid.SetItem(item));
    EXPECT_EQ(grid.GetItemText(0, 1), "Driver State");
    EXPECT_EQ(grid.GetItemFormat(0, 1), kPageFormat);
    EXPECT_EQ(grid.GetItemBkColour(0, 1), Rgb(50, 70, 50));
    EXPECT_EQ(grid.GetItemState(0, 1) & GVIS_READONLY, 0u);

    item.mask = GVIF_STATE | GVIF_FGCLR | GVIF_BKCLR;
    item.text = "ignored";
    item.fg = Rgb(255, 0, 0);
    EXPECT_TRUE(grid.SetItem(item));
    EXPECT_EQ(grid.GetItemText(0, 1), "Driver State");
    EXPECT_EQ(grid.GetItemFgColour(0, 1), Rgb(255, 0, 0));
    EXPECT_EQ(grid.GetItemBkColour(0, 1), Rgb(9, 9, 9));
    EXPECT_NE(grid.GetItemState(0, 1) & GVIS_READONLY, 0u);

    GridItem read;
    read.row = 0;
    read.col = 1;
    read.mask = GVIF_TEXT | GVIF_FGCLR;
    EXPECT_TRUE(grid.GetItem(read));
    EXPECT_EQ(read.text, "Driver State");
    EXPECT_EQ(read.fg, Rgb(255, 0, 0));
    item.row = 5;
    EXPECT_FALSE(grid.SetItem(item));
}

TEST(GridModelCells, DefaultColoursAndFormatComeFromTheCellsPrototype) {
    GridModel grid = MakeGrid(3, 3, 1, 1);
    grid.SetSystemColours(Rgb(0, 0, 0), Rgb(255, 255, 255), Rgb(240, 240, 240));
    grid.SetDefaultCellBkColour(Rgb(255, 255, 224));
    EXPECT_EQ(grid.EffectiveBkColour(1, 1), Rgb(255, 255, 224));
    EXPECT_EQ(grid.EffectiveBkColour(0, 1), Rgb(240, 240, 240));
    EXPECT_EQ(grid.EffectiveBkColour(1, 0), Rgb(240, 240, 240));
    EXPECT_EQ(grid.EffectiveBkColour(0, 0), Rgb(240, 240, 240));
    EXPECT_EQ(grid.DefaultCell(true, false).bk, Rgb(240, 240, 240));
    grid.SetItemBkColour(1, 1, Rgb(0, 80, 0));
    EXPECT_EQ(grid.EffectiveBkColour(1, 1), Rgb(0, 80, 0));
    grid.SetItemBkColour(1, 1, kDefaultColour); // back to the grid's default
    EXPECT_EQ(grid.EffectiveBkColour(1, 1), Rgb(255, 255, 224));
    EXPECT_EQ(grid.EffectiveFgColour(2, 2), Rgb(0, 0, 0));
    EXPECT_EQ(grid.GridLineColour(), Rgb(192, 192, 192));
}

TEST(GridModelCells, StoringWhatACellAlreadyHoldsReportsNothing) {
    GridModel grid = MakeGrid(3, 12);
    RecordingObserver observer;
    grid.SetObserver(&observer);
    grid.SetItemText(0, 1, "1234");
    grid.SetItemFgColour(0, 1, Rgb(0, 0, 255));
    grid.SetItemBkColour(0, 1, Rgb(0, 80, 0));
    grid.SetItemFormat(0, 1, kPageFormat);
    grid.SetItemState(0, 1, GVIS_READONLY);
    ASSERT_EQ(observer.cells.size(), 5u);
    observer.Clear();

    GridItem same;
    same.row = 0;
    same.col = 1;
    same.mask = GVIF_TEXT | GVIF_FORMAT | GVIF_FGCLR | GVIF_BKCLR | GVIF_STATE;
    same.text = "1234";
    same.format = kPageFormat;
    same.fg = Rgb(0, 0, 255);
    same.bk = Rgb(0, 80, 0);
    same.state = GVIS_READONLY;
    for (int i = 0; i < 50; ++i)
        grid.SetItem(same);
    grid.SetItemText(0, 1, "1234");
    EXPECT_TRUE(observer.cells.empty());
    EXPECT_EQ(observer.layouts, 0);

    grid.SetItemText(0, 1, "1235");
    ASSERT_EQ(observer.cells.size(), 1u);
    EXPECT_EQ(observer.cells[0], std::make_pair(0, 1));
    grid.SetDefaultCellBkColour(grid.DefaultCell(false, false).bk);
    EXPECT_EQ(observer.layouts, 0);
}

TEST(GridModelMerge, BoundsRulesRefuseBadRangesAndAddNothing) {
    GridModel grid = MakeGrid(26, 18, 1, 0);
    EXPECT_EQ(grid.MergeCells(-1, 0, 1, 1), -1);
    EXPECT_EQ(grid.MergeCells(0, -1, 1, 1), -1);
    EXPECT_EQ(grid.MergeCells(0, 0, 26, 1), -1); // bottom row outside
    EXPECT_EQ(grid.MergeCells(0, 0, 1, 18), -1); // right column outside
    EXPECT_EQ(grid.MergeCells(5, 0, 4, 1), -1);  // bottom above top
    EXPECT_EQ(grid.MergeCells(0, 3, 1, 2), -1);  // right left of left
    EXPECT_TRUE(grid.MergedRanges().empty());
    EXPECT_EQ(grid.MergeCells(9, 11, 10, 11), 0);
    EXPECT_EQ(grid.MergeCells(25, 17, 25, 17), 1); // a single cell at the far corner is in bounds
    EXPECT_EQ(grid.MergedRanges().size(), 2u);
}

TEST(GridModelMerge, ARangeSharingACellWithAnEarlierOneIsRefused) {
    GridModel grid = MakeGrid(26, 18, 1, 0);
    ASSERT_EQ(grid.MergeCells(9, 11, 10, 11), 0);
    EXPECT_EQ(grid.MergeCells(10, 11, 11, 11), -1); // lower cell of the first pair
    EXPECT_EQ(grid.MergeCells(8, 10, 12, 12), -1);  // encloses it
    EXPECT_EQ(grid.MergeCells(9, 11, 10, 11), -1);  // the same range again
    EXPECT_EQ(grid.MergeCells(10, 11, 10, 11), -1); // a single cell inside it
    EXPECT_EQ(grid.MergeCells(11, 11, 12, 11), 1);  // the next pair touches but does not overlap
    EXPECT_EQ(grid.MergeCells(9, 12, 10, 12), 2);   // beside it
    ASSERT_EQ(grid.MergedRanges().size(), 3u);
    EXPECT_EQ(grid.MergeOrigin(10, 11), (GridCellId{9, 11}));
    EXPECT_EQ(grid.MergeOrigin(12, 11), (GridCellId{11, 11}));
}

TEST(GridModelMerge, EveryCellOfARangeHitTestsToItsTopLeftCell) {
    // The register monitor's layout: row 0 holds four titles merged over three columns each.
    GridModel grid = MakeGrid(2, 12);
    for (int c = 0; c < 12; ++c)
        grid.SetColumnWidth(c, 81);
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(grid.MergeCells(0, 3 * k, 0, 3 * k + 2), k);
    const int h = grid.GetRowHeight(0);
    EXPECT_EQ(grid.CellAt(81 * 4 + 5, 2, 0, 0), (GridCellId{0, 3}));
    EXPECT_EQ(grid.CellAt(81 * 6 - 1, h - 1, 0, 0), (GridCellId{0, 3}));
    EXPECT_EQ(grid.CellAt(81 * 4 + 5, h + 2, 0, 0), (GridCellId{1, 4})); // row 1 is not merged
    EXPECT_EQ(grid.RawCellAt(81 * 4 + 5, 2, 0, 0), (GridCellId{0, 4}));
    EXPECT_EQ(grid.MergeOrigin(0, 11), (GridCellId{0, 9}));
    EXPECT_EQ(grid.RangeRect(grid.MergedRanges()[1], 0, 0), (GridRect{243, 0, 243, h}));
    EXPECT_FALSE(grid.CellAt(81 * 12 + 1, 2, 0, 0).IsValid());
    EXPECT_FALSE(grid.CellAt(-1, 2, 0, 0).IsValid());
}

TEST(GridModelMerge, ShrinkingTheGridDropsRangesThatNoLongerFit) {
    GridModel grid = MakeGrid(4, 4);
    grid.MergeCells(0, 0, 0, 1);
    grid.MergeCells(2, 2, 3, 3);
    grid.SetRowCount(3);
    ASSERT_EQ(grid.MergedRanges().size(), 1u);
    EXPECT_EQ(grid.MergedRanges()[0], (GridRange{0, 0, 0, 1}));
    EXPECT_EQ(grid.MergeOrigin(2, 3), (GridCellId{2, 3}));
}

TEST(GridModelFocus, MovingTheFocusReportsTheOldAndTheNewCell) {
    GridModel grid = MakeGrid(9, 6, 1, 1);
    RecordingObserver observer;
    grid.SetObserver(&observer);
    grid.SetFocusCell(1, 2);
    EXPECT_EQ(grid.GetFocusCell(), (GridCellId{1, 2}));
    EXPECT_NE(grid.GetItemState(1, 2) & GVIS_FOCUSED, 0u);
    observer.Clear();
    grid.SetFocusCell(1, 2);
    EXPECT_TRUE(observer.cells.empty());
    grid.SetFocusCell(2, 2);
    EXPECT_EQ(observer.cells, (std::vector<std::pair<int, int>>{{1, 2}, {2, 2}}));
    EXPECT_EQ(grid.GetItemState(1, 2) & GVIS_FOCUSED, 0u);
    grid.SetFocusCell(20, 2); // outside: no focus cell
    EXPECT_FALSE(grid.GetFocusCell().IsValid());
    grid.SetFocusCell(3, 3);
    grid.SetItemState(3, 3, 0); // the focus is the grid's own, not a stored flag
    EXPECT_NE(grid.GetItemState(3, 3) & GVIS_FOCUSED, 0u);
}

TEST(GridModelSelection, ClicksSelectByTheGridsSwitches) {
    GridModel grid = MakeGrid(5, 4, 1, 1);
    EXPECT_EQ(grid.SelectionFor({1, 1}, {3, 2}), (GridRange{1, 1, 3, 2}));
    grid.Switches().singleRowSelection = true;
    EXPECT_EQ(grid.SelectionFor({2, 1}, {4, 3}), (GridRange{2, 1, 2, 3}));
    EXPECT_EQ(grid.SelectionFor({3, 2}, {3, 2}), (GridRange{3, 1, 3, 3})); // a click: the whole row
    grid.Switches().singleRowSelection = false;
    grid.Switches().listMode = true;
    EXPECT_EQ(grid.SelectionFor({2, 2}, {3, 2}), (GridRange{2, 1, 3, 3})); // list mode: whole rows
    grid.Switches().singleRowSelection = true;
    EXPECT_EQ(grid.SelectionFor({2, 2}, {2, 2}), (GridRange{2, 1, 2, 3}));
    EXPECT_EQ(grid.SelectionFor({0, 2}, {0, 2}), (GridRange{1, 2, 4, 2})); // fixed row: the column
    EXPECT_EQ(grid.SelectionFor({3, 0}, {3, 0}), (GridRange{3, 1, 3, 3})); // fixed column: the row
    grid.Switches().fixedRowSelection = false;
    EXPECT_FALSE(grid.SelectionFor({0, 2}, {0, 2}).IsValid());
    grid.Switches().selectionEnabled = false;
    EXPECT_FALSE(grid.SelectionFor({2, 2}, {2, 2}).IsValid());
    grid.SetSelectedRange({1, 1, 2, 2});
    EXPECT_FALSE(grid.IsCellSelected(1, 1));
}

TEST(GridModelGeometry, FixedRowsAndColumnsDoNotScroll) {
    GridModel grid = MakeGrid(9, 6, 1, 1);
    const int widths[] = {30, 30, 100, 80, 80, 80};
    for (int c = 0; c < 6; ++c)
        grid.SetColumnWidth(c, widths[c]);
    const int h = grid.GetRowHeight(0);
    EXPECT_EQ(grid.FixedWidth(), 30);
    EXPECT_EQ(grid.FixedHeight(), h);
    EXPECT_EQ(grid.TotalWidth(), 400);
    EXPECT_EQ(grid.CellRect(0, 0, 50, 40), (GridRect{0, 0, 30, h}));
    EXPECT_EQ(grid.CellRect(0, 2, 50, 40), (GridRect{10, 0, 100, h}));
    EXPECT_EQ(grid.CellRect(3, 0, 50, 40), (GridRect{0, 3 * h - 40, 30, h}));
    // A point over the fixed column hits the fixed column even where scrolled cells lie beneath.
    EXPECT_EQ(grid.RawCellAt(5, h + 1, 50, 0), (GridCellId{1, 0}));
    EXPECT_EQ(grid.RawCellAt(35, h + 1, 50, 0), (GridCellId{1, 2}));
    EXPECT_EQ(grid.ColumnDividerAt(60, 0), 1);
    EXPECT_EQ(grid.ColumnDividerAt(63, 0), 1);
    EXPECT_EQ(grid.ColumnDividerAt(64, 0), -1);
    EXPECT_EQ(grid.RowDividerAt(h + 2, 0), 0);
}

} // namespace
} // namespace velt

#include "GridTestUtil.h"

#include "controls/CInPlaceEdit.h"
#include "controls/CTitleTip.h"

#include <QElapsedTimer>
#include <QImage>
#include <QScrollBar>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include <functional>

namespace velt {
namespace {

using test::CenterOf;
using test::ShowGrid;

TEST(CGridCtrlDoubleClick, MergedRangeReportsItsTopLeftCell) {
    // The parameter page: 26 x 18, one fixed row, 32-bit pairs merged over two rows.
    auto grid = ShowGrid(26, 18, 1, 0, 1400, 700);
    grid->SetEditable(false);
    ASSERT_EQ(grid->MergeCells(9, 11, 10, 11), 0);
    QSignalSpy spy(grid.get(), &CGridCtrl::cellDoubleClicked);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, CenterOf(*grid, 10, 11));
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy[0][0].toInt(), 9);
    EXPECT_EQ(spy[0][1].toInt(), 11);

    // The register monitor: titles merged over three columns in row 0.
    grid->MergeCells(0, 3, 0, 5);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, CenterOf(*grid, 0, 5));
    ASSERT_EQ(spy.count(), 2);
    EXPECT_EQ(spy[1][0].toInt(), 0);
    EXPECT_EQ(spy[1][1].toInt(), 3);
}

TEST(CGridCtrlDoubleClick, FixedCellReportsThatCellAndOpensNoEditor) {
    auto grid = ShowGrid(9, 6, 1, 1);
    QSignalSpy spy(grid.get(), &CGridCtrl::cellDoubleClicked);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, CenterOf(*grid, 0, 3));
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, CenterOf(*grid, 4, 0));
    ASSERT_EQ(spy.count(), 2);
    EXPECT_EQ(spy[0][0].toInt(), 0);
    EXPECT_EQ(spy[0][1].toInt(), 3);
    EXPECT_EQ(spy[1][0].toInt(), 4);
    EXPECT_EQ(spy[1][1].toInt(), 0);
    EXPECT_EQ(grid->InPlaceEditor(), nullptr);
}

TEST(CGridCtrlDoubleClick, WithEditingOffNoEditorOpensByClickOrTyping) {
    auto grid = ShowGrid(3, 12, 0, 0);
    grid->SetEditable(false);
    grid->SetItemText(1, 1, "42");
    QSignalSpy spy(grid.get(), &CGridCtrl::cellDoubleClicked);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, CenterOf(*grid, 1, 1));
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(grid->InPlaceEditor(), nullptr);
    grid->SetFocusCell(1, 1);
    QTest::keyClick(grid.get(), Qt::Key_5);
    QTest::keyClick(grid.get(), Qt::Key_Return);
    EXPECT_EQ(grid->InPlaceEditor(), nullptr);
    EXPECT_EQ(grid->GetItemText(1, 1), "42");
    EXPECT_FALSE(grid->EditCell(1, 1));
}

TEST(CGridCtrlDoubleClick, ReadOnlyCellOpensNoEditor) {
    auto grid = ShowGrid(9, 6, 1, 1);
    grid->SetItemState(2, 1, grid->GetItemState(2, 1) | GVIS_READONLY);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, CenterOf(*grid, 2, 1));
    EXPECT_EQ(grid->InPlaceEditor(), nullptr);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, CenterOf(*grid, 2, 2));
    EXPECT_NE(grid->InPlaceEditor(), nullptr);
}

TEST(CGridCtrlScroll, LargeGridScrollsButFixedRowsAndColumnsStay) {
    auto grid = ShowGrid(26, 18, 1, 1, 300, 150);
    EXPECT_GT(grid->verticalScrollBar()->maximum(), 0);
    EXPECT_GT(grid->horizontalScrollBar()->maximum(), 0);
    const int h = grid->GetRowHeight(0);
    const int w = grid->GetColumnWidth(0);
    grid->verticalScrollBar()->setValue(3 * h);
    grid->horizontalScrollBar()->setValue(2 * w);
    QSignalSpy spy(grid.get(), &CGridCtrl::cellDoubleClicked);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, QPoint(w / 2, h / 2));     // corner
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, QPoint(w + w / 2, h / 2)); // header row
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, QPoint(w / 2, h + h / 2)); // header column
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, QPoint(w + w / 2, h + h / 2));
    ASSERT_EQ(spy.count(), 4);
    auto cell = [&](int i) { return std::make_pair(spy[i][0].toInt(), spy[i][1].toInt()); };
    EXPECT_EQ(cell(0), std::make_pair(0, 0));
    EXPECT_EQ(cell(1), std::make_pair(0, 3));
    EXPECT_EQ(cell(2), std::make_pair(4, 0));
    EXPECT_EQ(cell(3), std::make_pair(4, 3));
    EXPECT_EQ(grid->CellRect(0, 3).topLeft(), QPoint(w, 0));
}

TEST(CGridCtrlScroll, GridThatFitsShowsNoScrollBars) {
    auto grid = ShowGrid(3, 12, 0, 0);
    for (int c = 0; c < 12; ++c)
        grid->SetColumnWidth(c, c % 2 ? 91 : 70);
    grid->setFixedSize(grid->Model().TotalWidth() + 2 * grid->frameWidth(),
                       grid->Model().TotalHeight() + 2 * grid->frameWidth());
    QApplication::processEvents();
    EXPECT_EQ(grid->verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(grid->horizontalScrollBar()->maximum(), 0);
}

TEST(CGridCtrlPaint, SteadyValuesPaintNothingAndAChangePaintsOnlyItsCell) {
    auto grid = ShowGrid(3, 12, 0, 0);
    GridItem item;
    item.mask = GVIF_TEXT | GVIF_FORMAT;
    item.format = test::kPageFormat;
    auto writeAll = [&](const char* text) {
        for (int r = 0; r < 2; ++r) {
            for (int c = 1; c < 12; c += 2) {
                item.row = r;
                item.col = c;
                item.text = text;
                grid->SetItem(item);
                grid->SetItemFgColour(r, c, Rgb(0, 128, 0));
            }
        }
        grid->Refresh();
    };
    // Repaints of changed cells are gathered for up to one repaint interval;
    // a loaded machine may take longer, so the test waits for what it expects.
    const auto eventually = [](const std::function<bool()>& done) {
        QElapsedTimer waited;
        waited.start();
        while (!done() && waited.elapsed() < 10000)
            QTest::qWait(5);
        return done();
    };
    writeAll("100");
    ASSERT_TRUE(eventually([&] { return grid->PaintCount() > 0 && !grid->RepaintPending(); }));
    grid->viewport()->repaint(); // whatever the window system still holds is painted now
    const int paints = grid->PaintCount();
    const long long cells = grid->PaintedCellCount();
    for (int tick = 0; tick < 20; ++tick)
        writeAll("100");
    EXPECT_FALSE(grid->RepaintPending());
    QTest::qWait(4 * static_cast<int>(CGridCtrl::kRepaintInterval.count()));
    EXPECT_EQ(grid->PaintCount(), paints);
    EXPECT_EQ(grid->PaintedCellCount(), cells);

    grid->SetItemText(1, 5, "101");
    grid->Refresh();
    ASSERT_TRUE(eventually([&] { return grid->PaintedCellCount() > cells; }));
    EXPECT_EQ(grid->PaintedCellCount(), cells + 1);

    // Without Refresh the change is painted all the same, one interval later at most.
    grid->SetItemFgColour(0, 3, Rgb(255, 0, 0));
    ASSERT_TRUE(eventually([&] { return grid->PaintedCellCount() > cells + 1; }));
    EXPECT_EQ(grid->PaintedCellCount(), cells + 2);
}

TEST(CGridCtrlPaint, MergedRangeIsOneCellAndShowsAFocusOnAnyOfItsCells) {
    auto grid = ShowGrid(26, 18, 1, 0, 1400, 700);
    grid->SetDefaultCellBkColour(Rgb(255, 255, 224));
    grid->MergeCells(9, 11, 10, 11);
    grid->SetItemBkColour(9, 11, Rgb(0, 80, 0));
    grid->SetItemBkColour(10, 11, Rgb(200, 0, 0)); // hidden under the range
    const QRect range = grid->CellRect(10, 11);
    EXPECT_EQ(range, grid->CellRect(9, 11));
    EXPECT_EQ(range.height(), 2 * grid->GetRowHeight(9));
    QImage shot = grid->viewport()->grab().toImage();
    const int lineBetween = range.top() + grid->GetRowHeight(9) - 1; // a grid line were it not merged
    EXPECT_EQ(QColor(shot.pixel(range.left() + 2, lineBetween)), QColor(0, 80, 0));
    EXPECT_EQ(QColor(shot.pixel(range.left() + 2, range.bottom() - 3)), QColor(0, 80, 0));

    grid->SetFocusCell(10, 11); // the lower, hidden cell: the frame goes round the range
    shot = grid->viewport()->grab().toImage();
    EXPECT_EQ(QColor(shot.pixel(range.left(), range.top() + 3)), grid->palette().color(QPalette::WindowText));
}

TEST(CGridCtrlPaint, ARangeAcrossTheHeaderRowIsPaintedInBothParts) {
    auto grid = ShowGrid(8, 5, 1, 0, 500, 120);
    ASSERT_EQ(grid->MergeCells(0, 1, 2, 1), 0);
    grid->SetItemBkColour(0, 1, Rgb(0, 80, 0));
    const int h = grid->GetRowHeight(0);
    const int x = grid->Model().ColumnLeft(1) + 5;
    QImage shot = grid->viewport()->grab().toImage();
    for (int y : {h / 2, h + h / 2, 2 * h + h / 2})
        EXPECT_EQ(QColor(shot.pixel(x, y)), QColor(0, 80, 0)) << y;

    // Scrolled by one row the header part stays and the rest of the range slides under it.
    grid->verticalScrollBar()->setValue(h);
    shot = grid->viewport()->grab().toImage();
    EXPECT_EQ(QColor(shot.pixel(x, h / 2)), QColor(0, 80, 0));
    EXPECT_EQ(QColor(shot.pixel(x, h + h / 2)), QColor(0, 80, 0));     // row 2
    EXPECT_NE(QColor(shot.pixel(x, 2 * h + h / 2)), QColor(0, 80, 0)); // row 3
    EXPECT_EQ(grid->Model().CellAt(x, h + h / 2, 0, h), (GridCellId{0, 1}));
}

TEST(CGridCtrlPaint, ANewDesktopPaletteKeepsThePagesDefaultBackground) {
    auto grid = ShowGrid(3, 3, 1, 0);
    grid->SetDefaultCellBkColour(Rgb(255, 255, 224));
    QPalette pal = grid->palette();
    pal.setColor(QPalette::Button, QColor(10, 20, 30));
    pal.setColor(QPalette::WindowText, QColor(200, 210, 220));
    grid->setPalette(pal);
    EXPECT_EQ(grid->GetDefaultCell(false, false).bk, Rgb(255, 255, 224));
    EXPECT_EQ(grid->GetDefaultCell(false, false).fg, Rgb(200, 210, 220));
    EXPECT_EQ(grid->GetDefaultCell(true, false).bk, Rgb(10, 20, 30));
}

TEST(CGridCtrlTitleTip, ClippedTextShowsInFullUnderThePointer) {
    auto grid = ShowGrid(2, 3, 0, 0);
    grid->SetColumnWidth(1, 30);
    grid->SetItemText(0, 1, "a text far too long for thirty pixels");
    grid->SetItemText(0, 2, "ok");
    QTest::mouseMove(grid->viewport(), CenterOf(*grid, 0, 1));
    ASSERT_NE(grid->TitleTip(), nullptr);
    EXPECT_TRUE(grid->TitleTip()->isVisible());
    EXPECT_EQ(grid->TitleTip()->Text(), "a text far too long for thirty pixels");
    QTest::mouseMove(grid->viewport(), CenterOf(*grid, 0, 2));
    EXPECT_FALSE(grid->TitleTip()->isVisible());
}

TEST(CGridCtrlSelection, ClickInSingleRowModeSelectsTheRowAndDisabledSelectionNothing) {
    auto grid = ShowGrid(26, 18, 1, 0, 1400, 700);
    grid->SetSingleRowSelection(true);
    grid->SetListMode(true);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, CenterOf(*grid, 3, 4));
    EXPECT_TRUE(grid->Model().IsCellSelected(3, 0));
    EXPECT_TRUE(grid->Model().IsCellSelected(3, 17));
    EXPECT_FALSE(grid->Model().IsCellSelected(4, 4));
    EXPECT_EQ(grid->GetFocusCell(), (GridCellId{3, 4}));
    grid->EnableSelection(false);
    EXPECT_FALSE(grid->Model().IsCellSelected(3, 0));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, CenterOf(*grid, 5, 4));
    EXPECT_FALSE(grid->Model().IsCellSelected(5, 4));
}

TEST(CGridCtrlResize, DividerDragResizesOnlyWhenSwitchedOn) {
    auto grid = ShowGrid(9, 6, 1, 1);
    const int edge = grid->Model().ColumnLeft(2) + grid->GetColumnWidth(2);
    const int y = grid->GetRowHeight(0) / 2;
    QTest::mousePress(grid->viewport(), Qt::LeftButton, {}, QPoint(edge - 2, y));
    QTest::mouseMove(grid->viewport(), QPoint(edge + 40, y));
    QMouseEvent move(QEvent::MouseMove, QPointF(edge + 40, y),
                     grid->viewport()->mapToGlobal(QPointF(edge + 40, y)), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(grid->viewport(), &move);
    QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, QPoint(edge + 40, y));
    EXPECT_EQ(grid->GetColumnWidth(2), GridModel::kDefaultColumnWidth + 40);

    grid->SetColumnResize(false);
    const int edge3 = grid->Model().ColumnLeft(3) + grid->GetColumnWidth(3);
    QTest::mousePress(grid->viewport(), Qt::LeftButton, {}, QPoint(edge3 - 1, y));
    QMouseEvent move3(QEvent::MouseMove, QPointF(edge3 + 30, y),
                      grid->viewport()->mapToGlobal(QPointF(edge3 + 30, y)), Qt::NoButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(grid->viewport(), &move3);
    QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, QPoint(edge3 + 30, y));
    EXPECT_EQ(grid->GetColumnWidth(3), GridModel::kDefaultColumnWidth);
}

} // namespace
} // namespace velt

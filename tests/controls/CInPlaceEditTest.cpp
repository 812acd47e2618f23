#include "GridTestUtil.h"

#include "controls/CInPlaceEdit.h"

#include <QFontMetrics>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include <algorithm>

namespace velt {
namespace {

using test::CenterOf;
using test::ShowGrid;

// The repeat window's point grid: 9 x 6, one fixed row and column, editable in place.
class PointGridEditing : public testing::Test {
protected:
    void SetUp() override {
        grid = ShowGrid(9, 6, 1, 1);
        const int widths[] = {30, 30, 100, 80, 80, 80};
        for (int c = 0; c < 6; ++c)
            grid->SetColumnWidth(c, widths[c]);
        grid->SetItemText(2, 2, "1000");
        spy = std::make_unique<QSignalSpy>(grid.get(), &CGridCtrl::endLabelEdit);
    }

    CInPlaceEdit* OpenByDoubleClick(int row, int col) {
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, CenterOf(*grid, row, col));
        return grid->InPlaceEditor();
    }

    void ExpectEnded(int row, int col, const QString& text, int key) {
        ASSERT_EQ(spy->count(), 1);
        const QList<QVariant>& args = spy->at(0);
        EXPECT_EQ(args[0].toInt(), row);
        EXPECT_EQ(args[1].toInt(), col);
        EXPECT_EQ(args[2].toString(), text);
        EXPECT_EQ(args[3].toInt(), key);
        QApplication::processEvents();
        EXPECT_EQ(grid->InPlaceEditor(), nullptr);
    }

    std::unique_ptr<CGridCtrl> grid;
    std::unique_ptr<QSignalSpy> spy;
};

TEST_F(PointGridEditing, ReturnKeepsTheTypedTextAndStoresItInTheCell) {
    CInPlaceEdit* editor = OpenByDoubleClick(2, 2);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), "1000");
    editor->selectAll();
    QTest::keyClicks(editor, "-2500");
    QTest::keyClick(editor, Qt::Key_Return);
    ExpectEnded(2, 2, "-2500", Qt::Key_Return);
    EXPECT_EQ(grid->GetItemText(2, 2), "-2500");
    EXPECT_NE(grid->GetItemState(2, 2) & GVIS_MODIFIED, 0u);
}

TEST_F(PointGridEditing, TabKeepsTheText) {
    CInPlaceEdit* editor = OpenByDoubleClick(2, 2);
    ASSERT_NE(editor, nullptr);
    editor->end(false);
    QTest::keyClicks(editor, "7");
    QTest::keyClick(editor, Qt::Key_Tab);
    ExpectEnded(2, 2, "10007", Qt::Key_Tab);
    EXPECT_EQ(grid->GetItemText(2, 2), "10007");
}

TEST_F(PointGridEditing, EscapeRestoresTheTextFromTheStartOfEditing) {
    CInPlaceEdit* editor = OpenByDoubleClick(2, 2);
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    QTest::keyClicks(editor, "999");
    QTest::keyClick(editor, Qt::Key_Escape);
    ExpectEnded(2, 2, "1000", Qt::Key_Escape);
    EXPECT_EQ(grid->GetItemText(2, 2), "1000");
    EXPECT_EQ(grid->GetItemState(2, 2) & GVIS_MODIFIED, 0u);
}

TEST_F(PointGridEditing, ArrowsMoveTheCaretUnlessControlIsHeld) {
    CInPlaceEdit* editor = OpenByDoubleClick(2, 2);
    ASSERT_NE(editor, nullptr);
    ASSERT_FALSE(editor->ExitOnArrows());
    editor->end(false);
    QTest::keyClick(editor, Qt::Key_Left);
    QTest::keyClick(editor, Qt::Key_Up);
    QTest::keyClick(editor, Qt::Key_PageDown);
    EXPECT_EQ(spy->count(), 0);
    EXPECT_EQ(grid->InPlaceEditor(), editor);
    QTest::keyClick(editor, Qt::Key_Down, Qt::ControlModifier);
    ExpectEnded(2, 2, "1000", Qt::Key_Down);
}

TEST_F(PointGridEditing, TypingOnTheFocusCellEditsInExitOnArrowsMode) {
    grid->SetFocusCell(3, 3);
    grid->setFocus();
    QTest::keyClick(grid.get(), Qt::Key_5);
    CInPlaceEdit* editor = grid->InPlaceEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editor->ExitOnArrows());
    EXPECT_EQ(editor->text(), "5");
    QTest::keyClicks(editor, "0");
    QTest::keyClick(editor, Qt::Key_Down);
    ExpectEnded(3, 3, "50", Qt::Key_Down);
    EXPECT_EQ(grid->GetItemText(3, 3), "50");
    EXPECT_EQ(grid->GetFocusCell(), (GridCellId{4, 3}));
}

TEST_F(PointGridEditing, EditorWidensWithTheTextUpToTheGridsRightEdge) {
    CInPlaceEdit* editor = OpenByDoubleClick(2, 1);
    ASSERT_NE(editor, nullptr);
    // The empty editor is as wide as its cell, or as room for two blanks
    // where the system font needs more.
    const int cellWidth = editor->width();
    EXPECT_LE(cellWidth,
              std::max(30, QFontMetrics(editor->font()).horizontalAdvance(QStringLiteral("  ")) + 8));
    QTest::keyClicks(editor, "12345678");
    EXPECT_GT(editor->width(), cellWidth);
    const int wider = editor->width();
    QTest::keyClicks(editor, QString(200, QLatin1Char('9')));
    EXPECT_GT(editor->width(), wider);
    EXPECT_LE(editor->geometry().right(), grid->viewport()->width());
}

TEST_F(PointGridEditing, AltKeystrokesAreSwallowed) {
    CInPlaceEdit* editor = OpenByDoubleClick(2, 2);
    ASSERT_NE(editor, nullptr);
    editor->end(false);
    QTest::keyClick(editor, Qt::Key_X, Qt::AltModifier);
    EXPECT_EQ(editor->text(), "1000");
    EXPECT_EQ(spy->count(), 0);
}

TEST_F(PointGridEditing, ShapeChangeThatRemovesTheCellClosesTheEditorWithoutNotice) {
    ASSERT_NE(OpenByDoubleClick(8, 4), nullptr);
    grid->SetRowCount(5);
    QApplication::processEvents();
    EXPECT_EQ(grid->InPlaceEditor(), nullptr);
    EXPECT_EQ(spy->count(), 0);
}

TEST_F(PointGridEditing, TheEditorFollowsItsCellAndClosesWhenTheCellCannotBeEditedAnyMore) {
    CInPlaceEdit* editor = OpenByDoubleClick(2, 2);
    ASSERT_NE(editor, nullptr);
    const QPoint before = editor->pos();
    grid->SetColumnWidth(1, 50); // 20 pixels wider: the cell moves right
    EXPECT_EQ(grid->InPlaceEditor(), editor);
    EXPECT_EQ(editor->pos(), before + QPoint(20, 0));
    EXPECT_EQ(editor->pos(), grid->CellRect(2, 2).topLeft());

    QTest::keyClicks(editor, "77");
    grid->SetFixedRowCount(3); // the cell becomes a header
    QApplication::processEvents();
    EXPECT_EQ(grid->InPlaceEditor(), nullptr);
    EXPECT_EQ(spy->count(), 0);
    EXPECT_EQ(grid->GetItemText(2, 2), "1000");

    grid->SetFixedRowCount(1);
    ASSERT_NE(OpenByDoubleClick(5, 3), nullptr);
    grid->MergeCells(4, 3, 5, 3); // the cell goes under the merged cell above it
    QApplication::processEvents();
    EXPECT_EQ(grid->InPlaceEditor(), nullptr);
    EXPECT_EQ(spy->count(), 0);
}

} // namespace
} // namespace velt

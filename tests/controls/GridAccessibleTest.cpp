#include "GridTestUtil.h"

#include "controls/Accessible.h"

#include <QAccessible>
#include <QLabel>
#include <QLineEdit>
#include <gtest/gtest.h>

namespace velt {
namespace {

using test::ShowGrid;

QAccessibleTableInterface* TableOf(CGridCtrl& grid) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&grid);
    return iface != nullptr ? iface->tableInterface() : nullptr;
}

QString CellName(QAccessibleTableInterface* table, int row, int col) {
    QAccessibleInterface* cell = table->cellAt(row, col);
    return cell != nullptr ? cell->text(QAccessible::Name) : QStringLiteral("<none>");
}

TEST(GridAccessible, ReadsAsATableOfTheTextsShown) {
    auto grid = ShowGrid(4, 3, 1, 1);
    grid->setAccessibleName(QStringLiteral("State"));
    grid->SetItemText(0, 1, QStringLiteral("Value"));
    grid->SetItemText(2, 0, QStringLiteral("Position"));
    grid->SetItemText(2, 1, QStringLiteral("100000"));

    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(grid.get());
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->role(), QAccessible::Table);
    EXPECT_EQ(iface->text(QAccessible::Name), "State");
    QAccessibleTableInterface* table = iface->tableInterface();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->rowCount(), 4);
    EXPECT_EQ(table->columnCount(), 3);
    EXPECT_EQ(iface->childCount(), 12);
    EXPECT_EQ(CellName(table, 2, 1), "100000");
    EXPECT_EQ(table->cellAt(0, 1)->role(), QAccessible::ColumnHeader);
    EXPECT_EQ(table->cellAt(2, 0)->role(), QAccessible::RowHeader);
    EXPECT_EQ(table->cellAt(2, 1)->role(), QAccessible::Cell);
    EXPECT_EQ(table->cellAt(2, 1)->text(QAccessible::Description), "Position Value");
    EXPECT_EQ(table->cellAt(4, 0), nullptr);
    EXPECT_EQ(table->cellAt(-1, 0), nullptr);

    // The same cell answers every time, and follows the grid's writes at once.
    QAccessibleInterface* cell = table->cellAt(2, 1);
    EXPECT_EQ(table->cellAt(2, 1), cell);
    grid->SetItemText(2, 1, QStringLiteral("-100000"));
    EXPECT_EQ(cell->text(QAccessible::Name), "-100000");
    EXPECT_EQ(iface->indexOfChild(cell), 2 * 3 + 1);
    EXPECT_EQ(iface->child(7), cell);
    EXPECT_EQ(cell->parent(), iface);
    ASSERT_NE(cell->tableCellInterface(), nullptr);
    EXPECT_EQ(cell->tableCellInterface()->rowHeaderCells().value(0), table->cellAt(2, 0));
    EXPECT_EQ(cell->tableCellInterface()->columnHeaderCells().value(0), table->cellAt(0, 1));
    EXPECT_FALSE(cell->rect().isEmpty());
    EXPECT_EQ(iface->childAt(cell->rect().center().x(), cell->rect().center().y()), cell);
}

TEST(GridAccessible, MergedCellsAreOneCellWithTheirSpan) {
    auto grid = ShowGrid(26, 18, 1, 0, 1400, 700);
    ASSERT_EQ(grid->MergeCells(9, 11, 10, 11), 0);
    grid->SetItemText(9, 11, QStringLiteral("100000"));
    QAccessibleTableInterface* table = TableOf(*grid);
    ASSERT_NE(table, nullptr);
    QAccessibleInterface* top = table->cellAt(9, 11);
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(table->cellAt(10, 11), top);
    EXPECT_EQ(top->text(QAccessible::Name), "100000");
    EXPECT_EQ(top->tableCellInterface()->rowExtent(), 2);
    EXPECT_EQ(top->tableCellInterface()->columnExtent(), 1);
    EXPECT_EQ(table->cellAt(11, 11)->tableCellInterface()->rowExtent(), 1);
}

TEST(GridAccessible, ShapeChangesAreFollowedAndRemovedCellsBecomeInvalid) {
    auto grid = ShowGrid(4, 3, 1, 0);
    QAccessibleTableInterface* table = TableOf(*grid);
    ASSERT_NE(table, nullptr);
    QAccessibleInterface* last = table->cellAt(3, 2);
    ASSERT_NE(last, nullptr);
    EXPECT_TRUE(last->isValid());
    grid->SetRowCount(2);
    EXPECT_FALSE(last->isValid());
    EXPECT_EQ(last->text(QAccessible::Name), QString());
    EXPECT_EQ(table->rowCount(), 2);
    EXPECT_EQ(table->cellAt(3, 2), nullptr);
}

TEST(GridAccessible, FocusSelectionAndReadOnlyShowInTheCellState) {
    auto grid = ShowGrid(5, 4, 1, 1);
    grid->SetListMode(true);
    grid->SetFocusCell(2, 2);
    grid->Model().SetSelectedRange(GridRange{2, 1, 2, 3});
    grid->SetItemState(3, 2, GVIS_READONLY);
    QAccessibleTableInterface* table = TableOf(*grid);
    ASSERT_NE(table, nullptr);
    EXPECT_TRUE(table->cellAt(2, 2)->state().focused);
    EXPECT_TRUE(table->cellAt(2, 3)->state().selected);
    EXPECT_FALSE(table->cellAt(3, 3)->state().selected);
    EXPECT_TRUE(table->isRowSelected(2));
    EXPECT_EQ(table->selectedRows(), QList<int>{2});
    EXPECT_EQ(table->selectedCellCount(), 3);
    EXPECT_TRUE(table->cellAt(3, 2)->state().readOnly);
    EXPECT_FALSE(table->cellAt(3, 3)->state().readOnly);
}

TEST(GridAccessible, ADeletedGridLeavesItsCellsInvalid) {
    auto grid = ShowGrid(3, 3, 1, 1);
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(grid.get());
    const QAccessible::Id id = QAccessible::uniqueId(iface->tableInterface()->cellAt(1, 1));
    grid.reset();
    // The table's interface went with the widget and took its cells along.
    EXPECT_EQ(QAccessible::accessibleInterface(id), nullptr);
}

TEST(AccessibleNames, CaptionsReadAsOneLineAndEditsTakeTheirLabel) {
    EXPECT_EQ(AccessibleCaption(QStringLiteral("All Parameter\nSave")), "All Parameter Save");
    EXPECT_EQ(AccessibleCaption(QStringLiteral("&Run && Stop")), "Run & Stop");
    EXPECT_EQ(AccessibleCaption(QString::fromUtf8("찾아보기(&W)...")), QString::fromUtf8("찾아보기..."));
    EXPECT_EQ(AccessibleCaption(QString::fromUtf8("A (&&B)")), "A (&B)");
    QWidget page;
    auto* label = new QLabel(QStringLiteral("Position :"), &page);
    auto* edit = new QLineEdit(&page);
    NameAfterLabel(edit, label);
    EXPECT_EQ(label->buddy(), edit);
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(edit);
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->text(QAccessible::Name), "Position");
    DescribeState(edit, QStringLiteral("on"));
    EXPECT_EQ(iface->text(QAccessible::Description), "on");
}

} // namespace
} // namespace velt

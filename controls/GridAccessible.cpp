#include "GridAccessible.h"

#include "controls/CGridCtrl.h"

#include <QWidget>
#include <QWindow>

namespace velt {

namespace {

QAccessibleInterface* GridFactory(const QString& key, QObject* object) {
    auto* grid = qobject_cast<CGridCtrl*>(object);
    if (grid == nullptr || key != QLatin1String(CGridCtrl::staticMetaObject.className())) return nullptr;
    return new GridAccessible(grid);
}

quint64 CellKey(int row, int col) {
    return (static_cast<quint64>(static_cast<quint32>(row)) << 32) | static_cast<quint32>(col);
}

// Texts of the header cells (fixed rows for a column, fixed columns for a row), joined by blanks.
QString HeaderText(const CGridCtrl& grid, int row, int col, bool forColumn) {
    const GridModel& model = grid.Model();
    const int count = forColumn ? model.GetFixedRowCount() : model.GetFixedColumnCount();
    QStringList parts;
    for (int k = 0; k < count; ++k) {
        const GridCellId origin = forColumn ? model.MergeOrigin(k, col) : model.MergeOrigin(row, k);
        const QString text = grid.GetItemText(origin.row, origin.col).simplified();
        if (!text.isEmpty() && !parts.contains(text)) parts << text;
    }
    return parts.join(QLatin1Char(' '));
}

} // namespace

void InstallGridAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(GridFactory);
        return true;
    }();
    (void)installed;
}

// ---------------------------------------------------------------------------------------------
// The table

GridAccessible::GridAccessible(CGridCtrl* grid) : QAccessibleWidget(grid, QAccessible::Table) {}

GridAccessible::~GridAccessible() {
    DropCells();
}

CGridCtrl* GridAccessible::Grid() const {
    return static_cast<CGridCtrl*>(widget());
}

void* GridAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TableInterface) return static_cast<QAccessibleTableInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

int GridAccessible::rowCount() const {
    return Grid()->GetRowCount();
}

int GridAccessible::columnCount() const {
    return Grid()->GetColumnCount();
}

int GridAccessible::childCount() const {
    return rowCount() * columnCount();
}

QAccessibleInterface* GridAccessible::child(int index) const {
    const int cols = columnCount();
    if (index < 0 || cols == 0 || index >= childCount()) return nullptr;
    return cellAt(index / cols, index % cols);
}

int GridAccessible::indexOfChild(const QAccessibleInterface* child) const {
    if (child == nullptr) return -1;
    auto* cell = const_cast<QAccessibleInterface*>(child)->tableCellInterface();
    if (cell == nullptr || child->parent() != this) return -1;
    return cell->rowIndex() * columnCount() + cell->columnIndex();
}

QAccessibleInterface* GridAccessible::childAt(int x, int y) const {
    CGridCtrl* grid = Grid();
    const QPoint pos = grid->viewport()->mapFromGlobal(QPoint(x, y));
    if (!grid->viewport()->rect().contains(pos)) return nullptr;
    const GridCellId cell = grid->CellAtPoint(pos);
    return cell.row >= 0 ? cellAt(cell.row, cell.col) : nullptr;
}

QAccessibleInterface* GridAccessible::cellAt(int row, int column) const {
    const GridModel& model = Grid()->Model();
    if (!model.IsValid(row, column)) return nullptr;
    const GridCellId origin = model.MergeOrigin(row, column);
    const quint64 key = CellKey(origin.row, origin.col);
    if (const auto it = cells_.constFind(key); it != cells_.constEnd()) {
        if (QAccessibleInterface* known = QAccessible::accessibleInterface(it.value())) return known;
    }
    auto* cell = new GridCellAccessible(Grid(), origin.row, origin.col);
    cells_.insert(key, QAccessible::registerAccessibleInterface(cell));
    return cell;
}

void GridAccessible::DropCells() {
    for (const QAccessible::Id id : std::as_const(cells_))
        QAccessible::deleteAccessibleInterface(id);
    cells_.clear();
}

void GridAccessible::modelChange(QAccessibleTableModelChangeEvent*) {
    // Cells read the grid live; a new shape only means some cached cells no longer exist or no
    // longer stand for a merged range, so start afresh.
    DropCells();
}

QList<QAccessibleInterface*> GridAccessible::selectedCells() const {
    QList<QAccessibleInterface*> cells;
    const GridModel& model = Grid()->Model();
    for (int r = 0; r < model.GetRowCount(); ++r) {
        for (int c = 0; c < model.GetColumnCount(); ++c) {
            if (model.IsCellSelected(r, c) && model.MergeOrigin(r, c) == GridCellId{r, c})
                cells << cellAt(r, c);
        }
    }
    return cells;
}

int GridAccessible::selectedCellCount() const {
    return static_cast<int>(selectedCells().size());
}

bool GridAccessible::isRowSelected(int row) const {
    const GridModel& model = Grid()->Model();
    if (row < 0 || row >= model.GetRowCount() || model.GetColumnCount() == 0) return false;
    for (int c = model.GetFixedColumnCount(); c < model.GetColumnCount(); ++c) {
        if (!model.IsCellSelected(row, c)) return false;
    }
    return model.GetFixedColumnCount() < model.GetColumnCount();
}

QList<int> GridAccessible::selectedRows() const {
    QList<int> rows;
    for (int r = 0; r < rowCount(); ++r) {
        if (isRowSelected(r)) rows << r;
    }
    return rows;
}

int GridAccessible::selectedRowCount() const {
    return static_cast<int>(selectedRows().size());
}

QString GridAccessible::columnDescription(int column) const {
    return column >= 0 && column < columnCount() ? HeaderText(*Grid(), 0, column, true) : QString();
}

QString GridAccessible::rowDescription(int row) const {
    return row >= 0 && row < rowCount() ? HeaderText(*Grid(), row, 0, false) : QString();
}

// ---------------------------------------------------------------------------------------------
// One cell

GridCellAccessible::GridCellAccessible(CGridCtrl* grid, int row, int column)
    : grid_(grid), row_(row), column_(column) {}

void* GridCellAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TableCellInterface) return static_cast<QAccessibleTableCellInterface*>(this);
    return nullptr;
}

bool GridCellAccessible::isValid() const {
    return grid_ != nullptr && grid_->Model().IsValid(row_, column_);
}

QWindow* GridCellAccessible::window() const {
    return grid_ != nullptr ? grid_->window()->windowHandle() : nullptr;
}

QAccessibleInterface* GridCellAccessible::parent() const {
    return grid_ != nullptr ? QAccessible::queryAccessibleInterface(grid_.data()) : nullptr;
}

QAccessibleInterface* GridCellAccessible::table() const {
    return parent();
}

QString GridCellAccessible::text(QAccessible::Text t) const {
    if (!isValid()) return {};
    switch (t) {
    case QAccessible::Name:
    case QAccessible::Value:
        return grid_->GetItemText(row_, column_);
    case QAccessible::Description: {
        // The headers that label a value cell, so that a reader can say "Position: 1000".
        const GridModel& model = grid_->Model();
        if (model.IsFixed(row_, column_)) return {};
        QString row = HeaderText(*grid_, row_, column_, false);
        const QString col = HeaderText(*grid_, row_, column_, true);
        if (!row.isEmpty() && !col.isEmpty()) row += QLatin1Char(' ');
        return row + col;
    }
    default:
        return {};
    }
}

QRect GridCellAccessible::rect() const {
    if (!isValid()) return {};
    const QRect local = grid_->CellRect(row_, column_).intersected(grid_->viewport()->rect());
    if (local.isEmpty()) return {};
    return QRect(grid_->viewport()->mapToGlobal(local.topLeft()), local.size());
}

QAccessible::Role GridCellAccessible::role() const {
    if (!isValid()) return QAccessible::Cell;
    const GridModel& model = grid_->Model();
    if (row_ < model.GetFixedRowCount()) return QAccessible::ColumnHeader;
    if (column_ < model.GetFixedColumnCount()) return QAccessible::RowHeader;
    return QAccessible::Cell;
}

QAccessible::State GridCellAccessible::state() const {
    QAccessible::State s;
    if (!isValid()) {
        s.invalid = true;
        return s;
    }
    const GridModel& model = grid_->Model();
    s.invisible = !grid_->isVisible() || rect().isEmpty();
    s.focusable = !model.IsFixed(row_, column_);
    s.focused = model.GetFocusCell() == GridCellId{row_, column_};
    s.selectable = model.Switches().selectionEnabled;
    s.selected = isSelected();
    s.readOnly = !model.Switches().editable || model.IsFixed(row_, column_) ||
                 (model.GetItemState(row_, column_) & GVIS_READONLY) != 0;
    return s;
}

bool GridCellAccessible::isSelected() const {
    return isValid() && grid_->Model().IsCellSelected(row_, column_);
}

QList<QAccessibleInterface*> GridCellAccessible::columnHeaderCells() const {
    QList<QAccessibleInterface*> headers;
    if (!isValid()) return headers;
    auto* tableIface = table() != nullptr ? table()->tableInterface() : nullptr;
    const int fixed = grid_->Model().GetFixedRowCount();
    for (int r = 0; tableIface != nullptr && r < fixed && r < row_; ++r)
        headers << tableIface->cellAt(r, column_);
    return headers;
}

QList<QAccessibleInterface*> GridCellAccessible::rowHeaderCells() const {
    QList<QAccessibleInterface*> headers;
    if (!isValid()) return headers;
    auto* tableIface = table() != nullptr ? table()->tableInterface() : nullptr;
    const int fixed = grid_->Model().GetFixedColumnCount();
    for (int c = 0; tableIface != nullptr && c < fixed && c < column_; ++c)
        headers << tableIface->cellAt(row_, c);
    return headers;
}

int GridCellAccessible::columnExtent() const {
    if (!isValid()) return 1;
    const GridRange range = grid_->Model().DisplayedRange(row_, column_);
    return range.maxCol - range.minCol + 1;
}

int GridCellAccessible::rowExtent() const {
    if (!isValid()) return 1;
    const GridRange range = grid_->Model().DisplayedRange(row_, column_);
    return range.maxRow - range.minRow + 1;
}

} // namespace velt

#pragma once
// The grid as seen by screen readers and desktop automation: a table whose
// cells carry the texts the grid shows. Fixed rows are column headers and
// fixed columns row headers; a merged range is one cell spanning its rows
// and columns, reached through any cell it covers.
//
// The interfaces read the grid live on every call (nothing is copied), so
// they never show stale texts. User-interface thread only, like the grid.
#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>

namespace velt {

class CGridCtrl;

// Makes QAccessible build a GridAccessible for every CGridCtrl. Idempotent;
// the grid's constructor calls it.
void InstallGridAccessibility();

class GridAccessible : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    explicit GridAccessible(CGridCtrl* grid);
    ~GridAccessible() override;

    void* interface_cast(QAccessible::InterfaceType type) override;

    // Children are the cells, row by row (a merged range counts once per cell it covers and
    // answers as its top-left cell).
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;

    // QAccessibleTableInterface
    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int row, int column) const override;
    int selectedCellCount() const override;
    QList<QAccessibleInterface*> selectedCells() const override;
    QString columnDescription(int column) const override;
    QString rowDescription(int row) const override;
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override;
    int columnCount() const override;
    int rowCount() const override;
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override;
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int row) const override;
    bool selectRow(int) override { return false; }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent* event) override;

    CGridCtrl* Grid() const;

private:
    void DropCells();

    mutable QHash<quint64, QAccessible::Id> cells_; // key: row << 32 | column of a range's origin
};

class GridCellAccessible : public QAccessibleInterface, public QAccessibleTableCellInterface {
public:
    GridCellAccessible(CGridCtrl* grid, int row, int column);

    void* interface_cast(QAccessible::InterfaceType type) override;

    bool isValid() const override;
    QObject* object() const override { return nullptr; }
    QWindow* window() const override;
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override;
    QAccessible::Role role() const override;
    QAccessible::State state() const override;

    // QAccessibleTableCellInterface
    bool isSelected() const override;
    QList<QAccessibleInterface*> columnHeaderCells() const override;
    QList<QAccessibleInterface*> rowHeaderCells() const override;
    int columnIndex() const override { return column_; }
    int rowIndex() const override { return row_; }
    int columnExtent() const override;
    int rowExtent() const override;
    QAccessibleInterface* table() const override;

private:
    QPointer<CGridCtrl> grid_;
    int row_;
    int column_;
};

} // namespace velt

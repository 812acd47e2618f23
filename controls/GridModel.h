#pragma once

#include "controls/GridTypes.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velt {

// Told about every change that alters what the grid shows. CellChanged names one cell whose
// look changed; LayoutChanged means shape, sizes, prototypes or merged ranges changed and
// everything must be laid out and painted again. Setters that store what a cell already holds
// report nothing.
class IGridModelObserver {
public:
    virtual ~IGridModelObserver() = default;
    virtual void CellChanged(int row, int col) = 0;
    virtual void LayoutChanged() = 0;
};

// The grid's data: shape, sizes, cells, prototypes, merged ranges, focus and selection, and the
// geometry that maps cells to pixels and back. Toolkit-free; not thread-safe: the owner calls it
// from one thread (the grid widget's, i.e. the user-interface thread).
class GridModel {
public:
    static constexpr int kResizeCapture = 3; // pixels either side of a divider
    static constexpr int kDefaultColumnWidth = 64;
    static constexpr int kDefaultRowHeight = 20;
    // Limits that keep every pixel coordinate inside int and the cell store of a sane size; a
    // shape or size beyond them is refused like a failed allocation.
    static constexpr long long kMaxCells = 1 << 20;
    static constexpr int kMaxExtent = 1 << 30;
    static constexpr int kMaxCellExtent = 1 << 16;

    GridModel();

    void SetObserver(IGridModelObserver* observer) { observer_ = observer; }

    // Shape. New cells are default; growing a fixed count past the count grows the grid; every
    // change clears the selection. Negative counts, and shapes whose cells cannot be allocated or
    // whose pixel size exceeds the limits above, are refused (false) and leave the grid as it was.
    bool SetRowCount(int rows);
    bool SetColumnCount(int cols);
    bool SetFixedRowCount(int rows);
    bool SetFixedColumnCount(int cols);
    int GetRowCount() const { return static_cast<int>(rowHeights_.size()); }
    int GetColumnCount() const { return static_cast<int>(colWidths_.size()); }
    int GetFixedRowCount() const { return fixedRows_; }
    int GetFixedColumnCount() const { return fixedCols_; }
    bool IsValid(int row, int col) const;
    bool IsFixed(int row, int col) const { return row < fixedRows_ || col < fixedCols_; }

    // Sizes in pixels. New rows and columns take the defaults.
    bool SetRowHeight(int row, int px);
    bool SetColumnWidth(int col, int px);
    int GetRowHeight(int row) const;
    int GetColumnWidth(int col) const;
    void SetDefaultRowHeight(int px); // also resets every row to it
    int DefaultRowHeight() const { return defaultRowHeight_; }

    // Cells. Every setter returns false for a cell outside the grid and reports the cell to the
    // observer only when the stored value actually changed.
    bool SetItem(const GridItem& item);
    bool GetItem(GridItem& item) const;
    bool SetItemText(int row, int col, std::string_view text);
    std::string GetItemText(int row, int col) const; // empty outside the grid
    const std::string& ItemTextRef(int row, int col) const;
    bool SetItemFormat(int row, int col, std::uint32_t format);
    std::uint32_t GetItemFormat(int row, int col) const;
    bool SetItemFgColour(int row, int col, GridRgb rgb);
    bool SetItemBkColour(int row, int col, GridRgb rgb);
    GridRgb GetItemFgColour(int row, int col) const;
    GridRgb GetItemBkColour(int row, int col) const;
    // Stores read-only, drop-highlighted and modified; the focused, selected and fixed flags are
    // the grid's own and are ignored here. GetItemState reports all of them.
    bool SetItemState(int row, int col, std::uint32_t state);
    std::uint32_t GetItemState(int row, int col) const;
    bool SetItemData(int row, int col, std::int32_t param);
    std::int32_t GetItemData(int row, int col) const;
    bool SetItemFont(int row, int col, const GridFont& font);
    bool SetItemMargin(int row, int col, int margin);
    const GridCell* GetCell(int row, int col) const;

    // Prototypes and the colours a cell is painted with after resolving "default".
    const GridDefaultCell& DefaultCell(bool fixedRow, bool fixedCol) const;
    void SetDefaultCell(bool fixedRow, bool fixedCol, const GridDefaultCell& cell);
    // System colours: ordinary cells window text on window, fixed cells window text on button face.
    // After the first call only the prototype colours nobody has changed since follow.
    void SetSystemColours(GridRgb windowText, GridRgb window, GridRgb buttonFace);
    void SetDefaultCellBkColour(GridRgb rgb); // ordinary prototype's background
    const GridDefaultCell& PrototypeOf(int row, int col) const;
    GridRgb EffectiveFgColour(int row, int col) const;
    GridRgb EffectiveBkColour(int row, int col) const;
    std::uint32_t EffectiveFormat(int row, int col) const;
    int EffectiveMargin(int row, int col) const;
    void SetGridLineColour(GridRgb rgb);
    GridRgb GridLineColour() const { return gridLineColour_; }

    // Merged ranges: index of the new range, or -1 (nothing added) for a negative bound, a bottom
    // row or right column outside the grid, an inverted range, or one that shares a cell with a
    // range already merged.
    int MergeCells(int top, int left, int bottom, int right);
    const std::vector<GridRange>& MergedRanges() const { return merged_; }
    const GridRange* MergedRangeAt(int row, int col) const;
    // The cell that stands for (row, col): the top-left cell of its merged range, else itself.
    GridCellId MergeOrigin(int row, int col) const;
    // The cells covered by (row, col) as one displayed cell: its merged range, else the cell.
    GridRange DisplayedRange(int row, int col) const;

    // Focus and selection.
    void SetFocusCell(int row, int col); // (-1, -1) removes the focus
    GridCellId GetFocusCell() const { return focus_; }
    void ClearSelection();
    void SetSelectedRange(const GridRange& range); // replaces the selection, clipped to the grid
    bool IsCellSelected(int row, int col) const;
    // The range a click on `anchor` dragged to `current` selects under the current switches:
    // whole rows in list mode, one row at most in single-row mode, a column for a fixed-row click
    // and a row for a fixed-column click when fixed-row selection is on; invalid when selection
    // is off or the click selects nothing.
    GridRange SelectionFor(GridCellId anchor, GridCellId current) const;

    GridSwitches& Switches() { return switches_; }
    const GridSwitches& Switches() const { return switches_; }

    // Geometry. "Scroll" is the pixel offset of the scrolling part; fixed rows and columns stay.
    int FixedWidth() const;
    int FixedHeight() const;
    int TotalWidth() const;
    int TotalHeight() const;
    int ColumnLeft(int col) const; // unscrolled
    int RowTop(int row) const;
    GridRect CellRect(int row, int col, int scrollX, int scrollY) const;
    GridRect RangeRect(const GridRange& range, int scrollX, int scrollY) const;
    // Cell under a client point, merged ranges resolved to their top-left cell; invalid outside.
    GridCellId CellAt(int x, int y, int scrollX, int scrollY) const;
    GridCellId RawCellAt(int x, int y, int scrollX, int scrollY) const;
    // Column whose right divider lies within kResizeCapture of x (or -1); likewise rows.
    int ColumnDividerAt(int x, int scrollX) const;
    int RowDividerAt(int y, int scrollY) const;

    // Number of changes reported to the observer so far (tests and benchmarks).
    std::uint64_t CellChangeCount() const { return cellChanges_; }
    std::uint64_t LayoutChangeCount() const { return layoutChanges_; }

private:
    GridCell* Cell(int row, int col);
    bool ShapeFits(int rows, int cols) const;
    bool Reshape(int rows, int cols);
    void AfterShapeChange();
    void NotifyCell(int row, int col);
    void NotifyLayout();
    void DropInvalidRanges();
    int Index(int row, int col) const { return row * GetColumnCount() + col; }
    int ScrolledX(int col, int scrollX) const;
    int ScrolledY(int row, int scrollY) const;
    int ColumnAtX(int x, int scrollX) const;
    int RowAtY(int y, int scrollY) const;

    std::vector<int> rowHeights_;
    std::vector<int> colWidths_;
    std::vector<int> colLeft_;    // prefix sums, size cols + 1
    std::vector<int> rowTop_;     // prefix sums, size rows + 1
    std::vector<GridCell> cells_; // row-major
    int fixedRows_ = 0;
    int fixedCols_ = 0;
    int defaultRowHeight_ = kDefaultRowHeight;
    GridDefaultCell prototypes_[4];
    GridRgb gridLineColour_ = Rgb(192, 192, 192);
    bool haveSystemColours_ = false;
    GridRgb systemWindowText_ = 0;
    GridRgb systemWindow_ = 0;
    GridRgb systemButtonFace_ = 0;
    std::vector<GridRange> merged_;
    GridCellId focus_;
    GridSwitches switches_;
    IGridModelObserver* observer_ = nullptr;
    std::uint64_t cellChanges_ = 0;
    std::uint64_t layoutChanges_ = 0;
};

} // namespace velt

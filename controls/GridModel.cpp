#include "controls/GridModel.h"

#include <algorithm>
#include <cstdlib>
#include <new>

namespace velt {

namespace {
constexpr std::uint32_t kStoredStates = GVIS_DROPHILITED | GVIS_READONLY | GVIS_MODIFIED;

const std::string& EmptyText() {
    static const std::string empty;
    return empty;
}

int PrototypeIndex(bool fixedRow, bool fixedCol) {
    return (fixedRow ? 1 : 0) + (fixedCol ? 2 : 0);
}

// Index of the band that contains offset, given prefix sums starts[0..n]; -1 outside.
int BandAt(const std::vector<int>& starts, int offset, int first, int last) {
    if (first >= last || offset < starts[first] || offset >= starts[last]) return -1;
    auto it = std::upper_bound(starts.begin() + first, starts.begin() + last + 1, offset);
    return static_cast<int>(it - starts.begin()) - 1;
}

void BuildPrefix(const std::vector<int>& sizes, std::vector<int>& starts) {
    starts.assign(sizes.size() + 1, 0);
    for (size_t i = 0; i < sizes.size(); ++i)
        starts[i + 1] = starts[i] + sizes[i];
}
} // namespace

GridModel::GridModel() {
    GridDefaultCell fixed;
    fixed.bk = Rgb(240, 240, 240);
    prototypes_[1] = prototypes_[2] = prototypes_[3] = fixed;
    colLeft_.assign(1, 0);
    rowTop_.assign(1, 0);
}

bool GridModel::IsValid(int row, int col) const {
    return row >= 0 && col >= 0 && row < GetRowCount() && col < GetColumnCount();
}

// ---- shape -----------------------------------------------------------------------------------

void GridModel::AfterShapeChange() {
    fixedRows_ = std::min(fixedRows_, GetRowCount());
    fixedCols_ = std::min(fixedCols_, GetColumnCount());
    BuildPrefix(colWidths_, colLeft_);
    BuildPrefix(rowHeights_, rowTop_);
    DropInvalidRanges();
    for (GridCell& cell : cells_)
        cell.state &= ~static_cast<std::uint32_t>(GVIS_SELECTED);
    if (!IsValid(focus_.row, focus_.col)) focus_ = {};
    NotifyLayout();
}

bool GridModel::ShapeFits(int rows, int cols) const {
    if (rows < 0 || cols < 0) return false;
    if (static_cast<long long>(rows) * cols > kMaxCells) return false;
    const int oldRows = GetRowCount();
    const int oldCols = GetColumnCount();
    const long long height = rows <= oldRows
                                 ? rowTop_[rows]
                                 : TotalHeight() + static_cast<long long>(rows - oldRows) * defaultRowHeight_;
    const long long width = cols <= oldCols
                                ? colLeft_[cols]
                                : TotalWidth() + static_cast<long long>(cols - oldCols) * kDefaultColumnWidth;
    return height <= kMaxExtent && width <= kMaxExtent;
}

bool GridModel::Reshape(int rows, int cols) {
    if (!ShapeFits(rows, cols)) return false;
    const int oldRows = GetRowCount();
    const int oldCols = GetColumnCount();
    try {
        // Everything that may fail to allocate comes before the first cell is moved out.
        std::vector<GridCell> cells(static_cast<size_t>(rows) * cols);
        rowHeights_.resize(rows, defaultRowHeight_);
        colWidths_.resize(cols, kDefaultColumnWidth);
        for (int r = 0; r < std::min(rows, oldRows); ++r) {
            for (int c = 0; c < std::min(cols, oldCols); ++c)
                cells[static_cast<size_t>(r) * cols + c] =
                    std::move(cells_[static_cast<size_t>(r) * oldCols + c]);
        }
        cells_ = std::move(cells);
    } catch (const std::bad_alloc&) {
        // Only the sizes may have grown; cut them back so that the shape stays as it was.
        rowHeights_.resize(oldRows);
        colWidths_.resize(oldCols);
        return false;
    }
    return true;
}

bool GridModel::SetRowCount(int rows) {
    if (rows != GetRowCount() && !Reshape(rows, GetColumnCount())) return false;
    AfterShapeChange();
    return true;
}

bool GridModel::SetColumnCount(int cols) {
    if (cols != GetColumnCount() && !Reshape(GetRowCount(), cols)) return false;
    AfterShapeChange();
    return true;
}

bool GridModel::SetFixedRowCount(int rows) {
    if (rows < 0) return false;
    if (rows > GetRowCount() && !Reshape(rows, GetColumnCount())) return false;
    fixedRows_ = rows;
    AfterShapeChange();
    return true;
}

bool GridModel::SetFixedColumnCount(int cols) {
    if (cols < 0) return false;
    if (cols > GetColumnCount() && !Reshape(GetRowCount(), cols)) return false;
    fixedCols_ = cols;
    AfterShapeChange();
    return true;
}

bool GridModel::SetRowHeight(int row, int px) {
    if (row < 0 || row >= GetRowCount() || px < 0 || px > kMaxCellExtent) return false;
    if (static_cast<long long>(TotalHeight()) - rowHeights_[row] + px > kMaxExtent) return false;
    if (rowHeights_[row] == px) return true;
    rowHeights_[row] = px;
    BuildPrefix(rowHeights_, rowTop_);
    NotifyLayout();
    return true;
}

bool GridModel::SetColumnWidth(int col, int px) {
    if (col < 0 || col >= GetColumnCount() || px < 0 || px > kMaxCellExtent) return false;
    if (static_cast<long long>(TotalWidth()) - colWidths_[col] + px > kMaxExtent) return false;
    if (colWidths_[col] == px) return true;
    colWidths_[col] = px;
    BuildPrefix(colWidths_, colLeft_);
    NotifyLayout();
    return true;
}

int GridModel::GetRowHeight(int row) const {
    return row >= 0 && row < GetRowCount() ? rowHeights_[row] : 0;
}

int GridModel::GetColumnWidth(int col) const {
    return col >= 0 && col < GetColumnCount() ? colWidths_[col] : 0;
}

void GridModel::SetDefaultRowHeight(int px) {
    if (px <= 0 || px > kMaxCellExtent || static_cast<long long>(px) * GetRowCount() > kMaxExtent) return;
    defaultRowHeight_ = px;
    std::fill(rowHeights_.begin(), rowHeights_.end(), px);
    BuildPrefix(rowHeights_, rowTop_);
    NotifyLayout();
}

// ---- cells -----------------------------------------------------------------------------------

GridCell* GridModel::Cell(int row, int col) {
    return IsValid(row, col) ? &cells_[Index(row, col)] : nullptr;
}

const GridCell* GridModel::GetCell(int row, int col) const {
    return IsValid(row, col) ? &cells_[Index(row, col)] : nullptr;
}

bool GridModel::SetItem(const GridItem& item) {
    if (!IsValid(item.row, item.col)) return false;
    if (item.mask & GVIF_TEXT) SetItemText(item.row, item.col, item.text);
    if (item.mask & GVIF_FORMAT) SetItemFormat(item.row, item.col, item.format);
    if (item.mask & GVIF_STATE) SetItemState(item.row, item.col, item.state);
    if (item.mask & GVIF_FGCLR) SetItemFgColour(item.row, item.col, item.fg);
    if (item.mask & GVIF_BKCLR) SetItemBkColour(item.row, item.col, item.bk);
    if (item.mask & GVIF_PARAM) SetItemData(item.row, item.col, item.param);
    if (item.mask & GVIF_MARGIN) SetItemMargin(item.row, item.col, item.margin);
    return true;
}

bool GridModel::GetItem(GridItem& item) const {
    const GridCell* cell = GetCell(item.row, item.col);
    if (cell == nullptr) return false;
    if (item.mask & GVIF_TEXT) item.text = cell->text;
    if (item.mask & GVIF_FORMAT) item.format = EffectiveFormat(item.row, item.col);
    if (item.mask & GVIF_STATE) item.state = GetItemState(item.row, item.col);
    if (item.mask & GVIF_FGCLR) item.fg = cell->fg;
    if (item.mask & GVIF_BKCLR) item.bk = cell->bk;
    if (item.mask & GVIF_PARAM) item.param = cell->param;
    if (item.mask & GVIF_MARGIN) item.margin = EffectiveMargin(item.row, item.col);
    return true;
}

bool GridModel::SetItemText(int row, int col, std::string_view text) {
    GridCell* cell = Cell(row, col);
    if (cell == nullptr) return false;
    if (cell->text != text) {
        cell->text.assign(text);
        NotifyCell(row, col);
    }
    return true;
}

std::string GridModel::GetItemText(int row, int col) const {
    return ItemTextRef(row, col);
}

const std::string& GridModel::ItemTextRef(int row, int col) const {
    const GridCell* cell = GetCell(row, col);
    return cell == nullptr ? EmptyText() : cell->text;
}

bool GridModel::SetItemFormat(int row, int col, std::uint32_t format) {
    GridCell* cell = Cell(row, col);
    if (cell == nullptr) return false;
    if (cell->format != format) {
        cell->format = format;
        NotifyCell(row, col);
    }
    return true;
}

std::uint32_t GridModel::GetItemFormat(int row, int col) const {
    return EffectiveFormat(row, col);
}

bool GridModel::SetItemFgColour(int row, int col, GridRgb rgb) {
    GridCell* cell = Cell(row, col);
    if (cell == nullptr) return false;
    if (cell->fg != rgb) {
        cell->fg = rgb;
        NotifyCell(row, col);
    }
    return true;
}

bool GridModel::SetItemBkColour(int row, int col, GridRgb rgb) {
    GridCell* cell = Cell(row, col);
    if (cell == nullptr) return false;
    if (cell->bk != rgb) {
        cell->bk = rgb;
        NotifyCell(row, col);
    }
    return true;
}

GridRgb GridModel::GetItemFgColour(int row, int col) const {
    const GridCell* cell = GetCell(row, col);
    return cell == nullptr ? kDefaultColour : cell->fg;
}

GridRgb GridModel::GetItemBkColour(int row, int col) const {
    const GridCell* cell = GetCell(row, col);
    return cell == nullptr ? kDefaultColour : cell->bk;
}

bool GridModel::SetItemState(int row, int col, std::uint32_t state) {
    GridCell* cell = Cell(row, col);
    if (cell == nullptr) return false;
    const std::uint32_t next = (cell->state & ~kStoredStates) | (state & kStoredStates);
    if (cell->state != next) {
        cell->state = next;
        NotifyCell(row, col);
    }
    return true;
}

std::uint32_t GridModel::GetItemState(int row, int col) const {
    const GridCell* cell = GetCell(row, col);
    if (cell == nullptr) return 0;
    std::uint32_t state = cell->state;
    if (focus_ == GridCellId{row, col}) state |= GVIS_FOCUSED;
    if (row < fixedRows_) state |= GVIS_FIXED | GVIS_FIXEDROW;
    if (col < fixedCols_) state |= GVIS_FIXED | GVIS_FIXEDCOL;
    return state;
}

bool GridModel::SetItemData(int row, int col, std::int32_t param) {
    GridCell* cell = Cell(row, col);
    if (cell == nullptr) return false;
    cell->param = param; // not shown, so nothing to repaint
    return true;
}

std::int32_t GridModel::GetItemData(int row, int col) const {
    const GridCell* cell = GetCell(row, col);
    return cell == nullptr ? 0 : cell->param;
}

bool GridModel::SetItemFont(int row, int col, const GridFont& font) {
    GridCell* cell = Cell(row, col);
    if (cell == nullptr) return false;
    if (cell->font != font) {
        cell->font = font;
        NotifyCell(row, col);
    }
    return true;
}

bool GridModel::SetItemMargin(int row, int col, int margin) {
    GridCell* cell = Cell(row, col);
    if (cell == nullptr) return false;
    if (cell->margin != margin) {
        cell->margin = margin;
        NotifyCell(row, col);
    }
    return true;
}

// ---- prototypes ------------------------------------------------------------------------------

const GridDefaultCell& GridModel::DefaultCell(bool fixedRow, bool fixedCol) const {
    return prototypes_[PrototypeIndex(fixedRow, fixedCol)];
}

void GridModel::SetDefaultCell(bool fixedRow, bool fixedCol, const GridDefaultCell& cell) {
    prototypes_[PrototypeIndex(fixedRow, fixedCol)] = cell;
    NotifyLayout();
}

void GridModel::SetSystemColours(GridRgb windowText, GridRgb window, GridRgb buttonFace) {
    // Later calls (the desktop's colours changed) replace only the prototype colours that still are
    // the previous system colours: a page's own default background stays.
    for (int i = 0; i < 4; ++i) {
        GridDefaultCell& cell = prototypes_[i];
        const GridRgb oldBk = i == 0 ? systemWindow_ : systemButtonFace_;
        if (!haveSystemColours_ || cell.fg == systemWindowText_) cell.fg = windowText;
        if (!haveSystemColours_ || cell.bk == oldBk) cell.bk = i == 0 ? window : buttonFace;
    }
    systemWindowText_ = windowText;
    systemWindow_ = window;
    systemButtonFace_ = buttonFace;
    haveSystemColours_ = true;
    NotifyLayout();
}

void GridModel::SetDefaultCellBkColour(GridRgb rgb) {
    if (prototypes_[0].bk == rgb) return;
    prototypes_[0].bk = rgb;
    NotifyLayout();
}

void GridModel::SetGridLineColour(GridRgb rgb) {
    if (gridLineColour_ == rgb) return;
    gridLineColour_ = rgb;
    NotifyLayout();
}

const GridDefaultCell& GridModel::PrototypeOf(int row, int col) const {
    return DefaultCell(row < fixedRows_, col < fixedCols_);
}

GridRgb GridModel::EffectiveFgColour(int row, int col) const {
    const GridCell* cell = GetCell(row, col);
    return cell == nullptr || cell->fg == kDefaultColour ? PrototypeOf(row, col).fg : cell->fg;
}

GridRgb GridModel::EffectiveBkColour(int row, int col) const {
    const GridCell* cell = GetCell(row, col);
    return cell == nullptr || cell->bk == kDefaultColour ? PrototypeOf(row, col).bk : cell->bk;
}

std::uint32_t GridModel::EffectiveFormat(int row, int col) const {
    const GridCell* cell = GetCell(row, col);
    return cell == nullptr || cell->format == kDefaultFormat ? PrototypeOf(row, col).format : cell->format;
}

int GridModel::EffectiveMargin(int row, int col) const {
    const GridCell* cell = GetCell(row, col);
    return cell == nullptr || cell->margin < 0 ? PrototypeOf(row, col).margin : cell->margin;
}

// ---- merged ranges ---------------------------------------------------------------------------

int GridModel::MergeCells(int top, int left, int bottom, int right) {
    if (top < 0 || left < 0 || bottom < 0 || right < 0) return -1;
    if (bottom >= GetRowCount() || right >= GetColumnCount()) return -1;
    if (bottom < top || right < left) return -1;
    // A cell under two ranges would be painted as part of the later one but hit-test to the
    // earlier one's top-left cell, so a double-click would report a cell the user does not see.
    const GridRange range{top, left, bottom, right};
    for (const GridRange& other : merged_) {
        if (range.minRow <= other.maxRow && other.minRow <= range.maxRow && range.minCol <= other.maxCol &&
            other.minCol <= range.maxCol)
            return -1;
    }
    merged_.push_back(range);
    NotifyLayout();
    return static_cast<int>(merged_.size()) - 1;
}

void GridModel::DropInvalidRanges() {
    // A shape change that cuts a merged range leaves a range reaching outside the grid; it would
    // paint and hit-test cells that no longer exist.
    std::erase_if(merged_, [this](const GridRange& r) {
        return r.maxRow >= GetRowCount() || r.maxCol >= GetColumnCount();
    });
}

const GridRange* GridModel::MergedRangeAt(int row, int col) const {
    for (const GridRange& range : merged_) {
        if (range.Contains(row, col)) return &range;
    }
    return nullptr;
}

GridCellId GridModel::MergeOrigin(int row, int col) const {
    const GridRange* range = MergedRangeAt(row, col);
    return range == nullptr ? GridCellId{row, col} : GridCellId{range->minRow, range->minCol};
}

GridRange GridModel::DisplayedRange(int row, int col) const {
    const GridRange* range = MergedRangeAt(row, col);
    return range == nullptr ? GridRange{row, col, row, col} : *range;
}

// ---- focus and selection ---------------------------------------------------------------------

void GridModel::SetFocusCell(int row, int col) {
    GridCellId next{row, col};
    if (!IsValid(row, col)) next = {};
    if (next == focus_) return;
    const GridCellId old = focus_;
    focus_ = next;
    if (old.IsValid()) NotifyCell(old.row, old.col);
    if (next.IsValid()) NotifyCell(next.row, next.col);
}

void GridModel::ClearSelection() {
    SetSelectedRange({});
}

void GridModel::SetSelectedRange(const GridRange& range) {
    const bool any = switches_.selectionEnabled && range.IsValid();
    for (int r = 0; r < GetRowCount(); ++r) {
        for (int c = 0; c < GetColumnCount(); ++c) {
            GridCell& cell = cells_[Index(r, c)];
            const bool want = any && range.Contains(r, c);
            if (want == ((cell.state & GVIS_SELECTED) != 0)) continue;
            cell.state ^= GVIS_SELECTED;
            NotifyCell(r, c);
        }
    }
}

bool GridModel::IsCellSelected(int row, int col) const {
    const GridCell* cell = GetCell(row, col);
    return cell != nullptr && (cell->state & GVIS_SELECTED) != 0;
}

GridRange GridModel::SelectionFor(GridCellId anchor, GridCellId current) const {
    if (!switches_.selectionEnabled || !IsValid(anchor.row, anchor.col)) return {};
    if (!IsValid(current.row, current.col)) current = anchor;
    const int lastRow = GetRowCount() - 1;
    const int lastCol = GetColumnCount() - 1;
    const bool onFixedRow = anchor.row < fixedRows_;
    const bool onFixedCol = anchor.col < fixedCols_;
    if (onFixedRow || onFixedCol) {
        if (!switches_.fixedRowSelection || (onFixedRow && onFixedCol)) return {};
        if (onFixedRow) {
            return {fixedRows_, std::min(anchor.col, current.col), lastRow,
                    std::max(anchor.col, current.col)};
        }
        return {std::min(anchor.row, current.row), fixedCols_, std::max(anchor.row, current.row), lastCol};
    }
    current.row = std::max(current.row, fixedRows_);
    current.col = std::max(current.col, fixedCols_);
    if (switches_.singleRowSelection) current.row = anchor.row;
    GridRange range{std::min(anchor.row, current.row), std::min(anchor.col, current.col),
                    std::max(anchor.row, current.row), std::max(anchor.col, current.col)};
    // List mode and single-row selection both select whole rows.
    if (switches_.listMode || switches_.singleRowSelection) {
        range.minCol = fixedCols_;
        range.maxCol = lastCol;
    }
    return range;
}

// ---- geometry --------------------------------------------------------------------------------

int GridModel::FixedWidth() const {
    return colLeft_[fixedCols_];
}
int GridModel::FixedHeight() const {
    return rowTop_[fixedRows_];
}
int GridModel::TotalWidth() const {
    return colLeft_.back();
}
int GridModel::TotalHeight() const {
    return rowTop_.back();
}

int GridModel::ColumnLeft(int col) const {
    return colLeft_[std::clamp(col, 0, GetColumnCount())];
}

int GridModel::RowTop(int row) const {
    return rowTop_[std::clamp(row, 0, GetRowCount())];
}

int GridModel::ScrolledX(int col, int scrollX) const {
    return col < fixedCols_ ? ColumnLeft(col) : ColumnLeft(col) - scrollX;
}

int GridModel::ScrolledY(int row, int scrollY) const {
    return row < fixedRows_ ? RowTop(row) : RowTop(row) - scrollY;
}

GridRect GridModel::CellRect(int row, int col, int scrollX, int scrollY) const {
    if (!IsValid(row, col)) return {};
    return {ScrolledX(col, scrollX), ScrolledY(row, scrollY), colWidths_[col], rowHeights_[row]};
}

GridRect GridModel::RangeRect(const GridRange& range, int scrollX, int scrollY) const {
    if (!range.IsValid() || !IsValid(range.maxRow, range.maxCol)) return {};
    const GridRect first = CellRect(range.minRow, range.minCol, scrollX, scrollY);
    const GridRect last = CellRect(range.maxRow, range.maxCol, scrollX, scrollY);
    return {first.left, first.top, last.Right() - first.left, last.Bottom() - first.top};
}

int GridModel::ColumnAtX(int x, int scrollX) const {
    if (x < FixedWidth()) return BandAt(colLeft_, x, 0, fixedCols_);
    return BandAt(colLeft_, x + scrollX, fixedCols_, GetColumnCount());
}

int GridModel::RowAtY(int y, int scrollY) const {
    if (y < FixedHeight()) return BandAt(rowTop_, y, 0, fixedRows_);
    return BandAt(rowTop_, y + scrollY, fixedRows_, GetRowCount());
}

GridCellId GridModel::RawCellAt(int x, int y, int scrollX, int scrollY) const {
    const int row = RowAtY(y, scrollY);
    const int col = ColumnAtX(x, scrollX);
    if (row < 0 || col < 0) return {};
    return {row, col};
}

GridCellId GridModel::CellAt(int x, int y, int scrollX, int scrollY) const {
    const GridCellId raw = RawCellAt(x, y, scrollX, scrollY);
    return raw.IsValid() ? MergeOrigin(raw.row, raw.col) : raw;
}

int GridModel::ColumnDividerAt(int x, int scrollX) const {
    for (int col = 0; col < GetColumnCount(); ++col) {
        const int edge = ScrolledX(col, scrollX) + colWidths_[col];
        if (col >= fixedCols_ && edge <= FixedWidth()) continue; // scrolled under the fixed band
        if (std::abs(x - edge) <= kResizeCapture) return col;
    }
    return -1;
}

int GridModel::RowDividerAt(int y, int scrollY) const {
    for (int row = 0; row < GetRowCount(); ++row) {
        const int edge = ScrolledY(row, scrollY) + rowHeights_[row];
        if (row >= fixedRows_ && edge <= FixedHeight()) continue;
        if (std::abs(y - edge) <= kResizeCapture) return row;
    }
    return -1;
}

// ---- notification ----------------------------------------------------------------------------

void GridModel::NotifyCell(int row, int col) {
    ++cellChanges_;
    if (observer_ != nullptr) observer_->CellChanged(row, col);
}

void GridModel::NotifyLayout() {
    ++layoutChanges_;
    if (observer_ != nullptr) observer_->LayoutChanged();
}

} // namespace velt

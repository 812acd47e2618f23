#include "controls/PageGrid.h"

#include "controls/CGridCtrl.h"

namespace velt {

namespace {
constexpr std::uint32_t kCentred = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS;
constexpr GridRgb kPageCellBk = Rgb(255, 255, 224);
} // namespace

void ApplyPageGridSettings(CGridCtrl& grid, const QFont& font) {
    grid.SetFont(font);
    grid.SetEditable(false);
    grid.SetSingleRowSelection(true);
    grid.SetFixedRowSelection(false);
    grid.SetRowResize(false);
    grid.SetColumnResize(false);
    grid.SetHeaderSort(false);
    grid.SetDefaultCellBkColour(kPageCellBk);
}

void FitRowsToHeight(CGridCtrl& grid) {
    const int rows = grid.GetRowCount();
    if (rows <= 0) return;
    const int fit = (grid.height() - 2 * grid.frameWidth()) / rows;
    for (int r = 0; r < rows; ++r) {
        if (fit > 0 && grid.GetRowHeight(r) > fit) grid.SetRowHeight(r, fit);
    }
}

void WriteCentred(CGridCtrl& grid, int row, int col, std::string_view text) {
    GridModel& model = grid.Model();
    model.SetItemText(row, col, text);
    model.SetItemFormat(row, col, kCentred);
}

} // namespace velt

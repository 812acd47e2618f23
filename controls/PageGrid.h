#pragma once
// What the pages' grids share: the settings a page grid gets before it is
// shaped, and cell texts written centred on one line.
// User-interface thread only.
#include <string_view>

class QFont;

namespace velt {

class CGridCtrl;

// The dialog's font; not editable, single-row selection, no resizing, no
// header sort, default cell background RGB(255,255,224).
void ApplyPageGridSettings(CGridCtrl& grid, const QFont& font);

// Makes the rows lower, all alike, when they would not fit the grid's height
// inside its frame (a fixed table needs no scroll bar); never higher.
void FitRowsToHeight(CGridCtrl& grid);

// The text with the format centred horizontally and vertically, single line,
// no prefix processing, end ellipsis. A text the cell already holds costs a
// comparison and repaints nothing.
void WriteCentred(CGridCtrl& grid, int row, int col, std::string_view text);

} // namespace velt

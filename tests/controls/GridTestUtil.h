#pragma once

#include "controls/CGridCtrl.h"

#include <QApplication>
#include <QTest>
#include <memory>

namespace velt::test {

constexpr std::uint32_t kPageFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS;

// A grid shown in its own top-level window and given the time to be exposed.
inline std::unique_ptr<CGridCtrl> ShowGrid(int rows, int cols, int fixedRows, int fixedCols, int width = 700,
                                           int height = 300) {
    auto grid = std::make_unique<CGridCtrl>();
    grid->resize(width, height);
    grid->SetRowCount(rows);
    grid->SetColumnCount(cols);
    grid->SetFixedRowCount(fixedRows);
    grid->SetFixedColumnCount(fixedCols);
    grid->show();
    grid->activateWindow();
    (void)QTest::qWaitForWindowExposed(grid.get());
    QApplication::processEvents();
    return grid;
}

inline QPoint CenterOf(const CGridCtrl& grid, int row, int col) {
    const GridRect r = grid.Model().CellRect(row, col, 0, 0);
    return {r.left + r.width / 2, r.top + r.height / 2};
}

} // namespace velt::test

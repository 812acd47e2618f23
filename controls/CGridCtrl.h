#pragma once

#include "controls/GridModel.h"
#include "controls/GridTextCache.h"

#include <QAbstractScrollArea>
#include <QElapsedTimer>
#include <QFont>
#include <QPointer>
#include <QRegion>
#include <QString>
#include <QTimer>
#include <chrono>
#include <string>
#include <vector>

namespace velt {

class CInPlaceEdit;
class CTitleTip;

// Spreadsheet-like table of labels and values. The page sets the shape, writes texts and colours
// into cells and reacts to double-clicks; the grid keeps everything in a GridModel and paints it.
//
// Painting is incremental: a write that stores what a cell already holds costs a comparison and
// schedules nothing; a write that changes a cell marks that cell's rectangle (its merged range's,
// if it lies in one) for repainting and nothing else. The marked cells are repainted together on
// Refresh, at most once per kRepaintInterval, and without Refresh at the latest one interval after
// the change. Refresh after writes that changed nothing costs nothing. Shape, size, font and
// prototype changes repaint everything at once, as does RedrawAll.
//
// User-interface thread only, like every widget: a worker thread must hand its changes to the
// user-interface thread (queued call) rather than call the grid itself.
class CGridCtrl : public QAbstractScrollArea, private IGridModelObserver {
    Q_OBJECT
public:
    explicit CGridCtrl(QWidget* parent = nullptr);
    ~CGridCtrl() override;

    GridModel& Model() { return model_; }
    const GridModel& Model() const { return model_; }

    // Shape and sizes (see GridModel).
    bool SetRowCount(int rows) { return model_.SetRowCount(rows); }
    bool SetColumnCount(int cols) { return model_.SetColumnCount(cols); }
    bool SetFixedRowCount(int rows) { return model_.SetFixedRowCount(rows); }
    bool SetFixedColumnCount(int cols) { return model_.SetFixedColumnCount(cols); }
    int GetRowCount() const { return model_.GetRowCount(); }
    int GetColumnCount() const { return model_.GetColumnCount(); }
    int GetFixedRowCount() const { return model_.GetFixedRowCount(); }
    int GetFixedColumnCount() const { return model_.GetFixedColumnCount(); }
    bool SetRowHeight(int row, int px) { return model_.SetRowHeight(row, px); }
    bool SetColumnWidth(int col, int px) { return model_.SetColumnWidth(col, px); }
    int GetRowHeight(int row) const { return model_.GetRowHeight(row); }
    int GetColumnWidth(int col) const { return model_.GetColumnWidth(col); }

    // Cells. Texts are UTF-8 in the model.
    bool SetItem(const GridItem& item) { return model_.SetItem(item); }
    bool GetItem(GridItem& item) const { return model_.GetItem(item); }
    bool SetItemText(int row, int col, const char* text) {
        return model_.SetItemText(row, col, text != nullptr ? std::string_view(text) : std::string_view());
    }
    bool SetItemText(int row, int col, const std::string& text) { return model_.SetItemText(row, col, text); }
    bool SetItemText(int row, int col, const QString& text);
    QString GetItemText(int row, int col) const; // empty outside the grid
    bool SetItemFormat(int row, int col, std::uint32_t format) {
        return model_.SetItemFormat(row, col, format);
    }
    bool SetItemBkColour(int row, int col, GridRgb rgb) { return model_.SetItemBkColour(row, col, rgb); }
    bool SetItemFgColour(int row, int col, GridRgb rgb) { return model_.SetItemFgColour(row, col, rgb); }
    GridRgb GetItemBkColour(int row, int col) const { return model_.GetItemBkColour(row, col); }
    GridRgb GetItemFgColour(int row, int col) const { return model_.GetItemFgColour(row, col); }
    bool SetItemState(int row, int col, std::uint32_t state) { return model_.SetItemState(row, col, state); }
    std::uint32_t GetItemState(int row, int col) const { return model_.GetItemState(row, col); }
    bool SetItemData(int row, int col, std::int32_t param) { return model_.SetItemData(row, col, param); }
    std::int32_t GetItemData(int row, int col) const { return model_.GetItemData(row, col); }
    int MergeCells(int top, int left, int bottom, int right) {
        return model_.MergeCells(top, left, bottom, right);
    }

    // Prototypes: GetDefaultCell(true, false) is the fixed-row prototype, and so on.
    const GridDefaultCell& GetDefaultCell(bool fixedRow, bool fixedCol) const {
        return model_.DefaultCell(fixedRow, fixedCol);
    }
    void SetDefaultCellBkColour(GridRgb rgb) { model_.SetDefaultCellBkColour(rgb); }
    void SetGridLineColour(GridRgb rgb) { model_.SetGridLineColour(rgb); }

    void SetFocusCell(int row, int col) { model_.SetFocusCell(row, col); }
    GridCellId GetFocusCell() const { return model_.GetFocusCell(); }

    // Switches.
    void SetListMode(bool on);
    void EnableSelection(bool on);
    void SetSingleRowSelection(bool on) { model_.Switches().singleRowSelection = on; }
    void SetFixedRowSelection(bool on) { model_.Switches().fixedRowSelection = on; }
    void SetEditable(bool on);
    bool IsEditable() const { return model_.Switches().editable; }
    void SetRowResize(bool on) { model_.Switches().rowResize = on; }
    void SetColumnResize(bool on) { model_.Switches().columnResize = on; }
    void SetHeaderSort(bool on) { model_.Switches().headerSort = on; }
    void EnableTitleTips(bool on);
    // Sets the grid's font; the default row height (and every row) follows the font's height.
    void SetFont(const QFont& font);

    // Pages rewrite their cells every 10 ms; 40 repaints a second are more than the eye follows in
    // changing digits and keep the cost of a moving drive low.
    static constexpr std::chrono::milliseconds kRepaintInterval{25};

    void Refresh();
    void RedrawAll();

    // Opens the in-place editor on a cell (its merged range's top-left cell) when the grid is
    // editable and the cell neither fixed nor read-only. initialText replaces the cell's text in
    // the editor when given (typing on a cell starts that way, in exit-on-arrows mode).
    bool EditCell(int row, int col, const QString* initialText = nullptr, bool exitOnArrows = false);
    CInPlaceEdit* InPlaceEditor() const;
    CTitleTip* TitleTip() const { return titleTip_; }

    // Rectangle of a cell as displayed (its merged range's, if any), in viewport coordinates.
    QRect CellRect(int row, int col) const;
    // The font a cell is painted with: its own, else the grid's.
    QFont CellFont(int row, int col) const;
    // The cell under a viewport point, merged ranges resolved to their top-left cell; (-1, -1)
    // outside the cells.
    GridCellId CellAtPoint(const QPoint& pos) const;
    void EnsureVisible(int row, int col);

    // Paint statistics (tests and benchmarks).
    int PaintCount() const { return paintCount_; }
    long long PaintedCellCount() const { return paintedCells_; }
    // True while changed cells wait for the next repaint interval.
    bool RepaintPending() const { return !pendingRepaint_.isEmpty(); }

signals:
    // A double-click on a cell, fixed cells included; merged ranges report their top-left cell.
    void cellDoubleClicked(int row, int col);
    // In-place editing ended: the cell, the text (already stored in the cell) and the key that
    // ended it (Qt::Key_Return, Qt::Key_Tab, Qt::Key_Escape, an arrow or page key, or 0 when the
    // editor lost the focus).
    void endLabelEdit(int row, int col, const QString& text, int key);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void CellChanged(int row, int col) override;
    void LayoutChanged() override;

    void ApplySystemColours();
    void UpdateScrollBars();
    int ScrollX() const;
    int ScrollY() const;
    QRect RangeQRect(const GridRange& range) const;
    // The range as one rectangle in the coordinates of a band whose rows / columns scroll or not.
    QRect RangeRectInBand(const GridRange& range, bool rowsScroll, bool colsScroll) const;
    void PaintBand(QPainter& painter, const QRegion& region, int rowFirst, int rowEnd, int colFirst,
                   int colEnd, const QRect& clip);
    void PaintCell(QPainter& painter, int row, int col, const QRect& rect);
    void PaintBackgroundOutside(QPainter& painter);
    void MoveFocus(int key, Qt::KeyboardModifiers modifiers);
    void OnEditEnded(int row, int col, const QString& text, int key);
    void CloseEditorSilently();
    void UpdateTitleTip(const QPoint& pos);
    void HideTitleTip();
    bool StartResize(const QPoint& pos);
    void DragSelectTo(const QPoint& pos);
    void AutoScrollStep();
    void FlushRepaints();

    GridModel model_;
    GridTextCache texts_;
    QPointer<CInPlaceEdit> editor_;
    CTitleTip* titleTip_ = nullptr;
    GridCellId tipCell_;
    GridCellId dragAnchor_;
    bool dragging_ = false;
    int resizeCol_ = -1;
    int resizeRow_ = -1;
    QPoint lastDragPos_;
    QTimer autoScroll_;
    QRegion pendingRepaint_;
    QTimer repaintTimer_;
    QElapsedTimer sinceRepaint_;
    int paintCount_ = 0;
    long long paintedCells_ = 0;
};

} // namespace velt

#include "controls/CGridCtrl.h"

#include "controls/CInPlaceEdit.h"
#include "controls/CTitleTip.h"
#include "controls/DialogFont.h"
#include "controls/GridAccessible.h"

#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <chrono>

namespace velt {

using namespace std::chrono_literals;

namespace {
// While a drag selection leaves the window, the grid scrolls one step per interval.
constexpr auto kAutoScrollInterval = 150ms;
// Room above and below the font's height in a default row.
constexpr int kRowPadding = 6;

QColor ToQColor(GridRgb rgb) {
    return QColor(RgbRed(rgb), RgbGreen(rgb), RgbBlue(rgb));
}
GridRgb FromQColor(const QColor& c) {
    return Rgb(c.red(), c.green(), c.blue());
}
QRect ToQRect(const GridRect& r) {
    return QRect(r.left, r.top, r.width, r.height);
}

} // namespace

CGridCtrl::CGridCtrl(QWidget* parent) : QAbstractScrollArea(parent) {
    setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    autoScroll_.setInterval(kAutoScrollInterval);
    connect(&autoScroll_, &QTimer::timeout, this, &CGridCtrl::AutoScrollStep);
    repaintTimer_.setSingleShot(true);
    connect(&repaintTimer_, &QTimer::timeout, this, &CGridCtrl::FlushRepaints);
    sinceRepaint_.start();
    titleTip_ = new CTitleTip(this);
    model_.SetObserver(this);
    ApplySystemColours();
    model_.SetDefaultRowHeight(WindowsLineHeight(font()) + kRowPadding);
    InstallGridAccessibility();
}

CGridCtrl::~CGridCtrl() {
    model_.SetObserver(nullptr);
    CloseEditorSilently();
}

void CGridCtrl::ApplySystemColours() {
    const QPalette& pal = palette();
    model_.SetSystemColours(FromQColor(pal.color(QPalette::WindowText)),
                            FromQColor(pal.color(QPalette::Base)), FromQColor(pal.color(QPalette::Button)));
}

bool CGridCtrl::SetItemText(int row, int col, const QString& text) {
    return model_.SetItemText(row, col, text.toStdString());
}

QString CGridCtrl::GetItemText(int row, int col) const {
    return QString::fromStdString(model_.ItemTextRef(row, col));
}

void CGridCtrl::SetListMode(bool on) {
    model_.Switches().listMode = on;
    model_.ClearSelection();
}

void CGridCtrl::EnableSelection(bool on) {
    if (!on) model_.ClearSelection();
    model_.Switches().selectionEnabled = on;
}

void CGridCtrl::SetEditable(bool on) {
    model_.Switches().editable = on;
    if (!on) CloseEditorSilently();
}

void CGridCtrl::EnableTitleTips(bool on) {
    model_.Switches().titleTips = on;
    if (!on) HideTitleTip();
}

void CGridCtrl::SetFont(const QFont& font) {
    setFont(font);
    model_.SetDefaultRowHeight(WindowsLineHeight(font) + kRowPadding);
    RedrawAll();
}

void CGridCtrl::Refresh() {
    if (pendingRepaint_.isEmpty()) return;
    if (std::chrono::milliseconds(sinceRepaint_.elapsed()) >= kRepaintInterval) FlushRepaints();
    // Otherwise the timer started by the first change flushes when the interval is over.
}

void CGridCtrl::RedrawAll() {
    texts_.InvalidateAll();
    pendingRepaint_ = QRegion();
    repaintTimer_.stop();
    viewport()->update();
}

void CGridCtrl::FlushRepaints() {
    repaintTimer_.stop();
    sinceRepaint_.restart();
    if (pendingRepaint_.isEmpty()) return;
    viewport()->update(pendingRepaint_);
    pendingRepaint_ = QRegion();
}

// ---- model observer --------------------------------------------------------------------------

void CGridCtrl::CellChanged(int row, int col) {
    texts_.Invalidate(model_, row, col);
    if (QAccessible::isActive()) {
        // Tell a screen reader that the cell's text or look changed (only when one listens: the
        // pages rewrite cells every 10 ms).
        QAccessibleEvent event(this, QAccessible::NameChanged);
        const GridCellId origin = model_.MergeOrigin(row, col);
        event.setChild(origin.row * model_.GetColumnCount() + origin.col);
        QAccessible::updateAccessibility(&event);
    }
    // A cell under a merged range repaints the whole range: the focus may sit on any of its cells.
    // A range reaching across the header band is drawn in each band it touches.
    const GridRange range = model_.DisplayedRange(row, col);
    const int fr = model_.GetFixedRowCount();
    const int fc = model_.GetFixedColumnCount();
    bool any = false;
    for (const bool rowsScroll : {false, true}) {
        if (rowsScroll ? range.maxRow < fr : range.minRow >= fr) continue;
        for (const bool colsScroll : {false, true}) {
            if (colsScroll ? range.maxCol < fc : range.minCol >= fc) continue;
            const QRect rect = RangeRectInBand(range, rowsScroll, colsScroll).intersected(viewport()->rect());
            if (rect.isEmpty()) continue;
            pendingRepaint_ += rect;
            any = true;
        }
    }
    if (!any) return;
    if (!repaintTimer_.isActive()) {
        const auto left = kRepaintInterval - std::chrono::milliseconds(sinceRepaint_.elapsed());
        repaintTimer_.start(std::max(left, std::chrono::milliseconds(0)));
    }
}

void CGridCtrl::LayoutChanged() {
    texts_.Reset(model_);
    if (QAccessible::isActive()) {
        QAccessibleTableModelChangeEvent event(this, QAccessibleTableModelChangeEvent::ModelReset);
        QAccessible::updateAccessibility(&event);
    }
    if (editor_) {
        // The editor follows its cell; a cell that went away, became a header or now lies under
        // another cell's merged range takes no edit, so the editor closes without a notice.
        const int row = editor_->Row();
        const int col = editor_->Col();
        if (!model_.IsValid(row, col) || model_.IsFixed(row, col) ||
            model_.MergeOrigin(row, col) != GridCellId{row, col})
            CloseEditorSilently();
        else
            editor_->SetCellRect(CellRect(row, col).adjusted(0, 0, -1, -1), viewport()->width());
    }
    HideTitleTip();
    UpdateScrollBars();
    RedrawAll();
}

// ---- geometry --------------------------------------------------------------------------------

int CGridCtrl::ScrollX() const {
    return horizontalScrollBar()->value();
}
int CGridCtrl::ScrollY() const {
    return verticalScrollBar()->value();
}

QRect CGridCtrl::RangeQRect(const GridRange& range) const {
    return ToQRect(model_.RangeRect(range, ScrollX(), ScrollY()));
}

QRect CGridCtrl::RangeRectInBand(const GridRange& range, bool rowsScroll, bool colsScroll) const {
    const int left = model_.ColumnLeft(range.minCol);
    const int top = model_.RowTop(range.minRow);
    return QRect(left - (colsScroll ? ScrollX() : 0), top - (rowsScroll ? ScrollY() : 0),
                 model_.ColumnLeft(range.maxCol + 1) - left, model_.RowTop(range.maxRow + 1) - top);
}

QRect CGridCtrl::CellRect(int row, int col) const {
    if (!model_.IsValid(row, col)) return {};
    return RangeQRect(model_.DisplayedRange(row, col));
}

GridCellId CGridCtrl::CellAtPoint(const QPoint& pos) const {
    return model_.CellAt(pos.x(), pos.y(), ScrollX(), ScrollY());
}

void CGridCtrl::UpdateScrollBars() {
    // Decide from the largest possible viewport: a scroll bar is needed only when the grid does
    // not fit, and one bar's thickness can make the other one necessary.
    const QSize most = maximumViewportSize();
    QScrollBar* h = horizontalScrollBar();
    QScrollBar* v = verticalScrollBar();
    const int totalW = model_.TotalWidth();
    const int totalH = model_.TotalHeight();
    bool needH = totalW > most.width();
    bool needV = totalH > most.height() - (needH ? h->sizeHint().height() : 0);
    needH = totalW > most.width() - (needV ? v->sizeHint().width() : 0);
    const int areaW = most.width() - (needV ? v->sizeHint().width() : 0);
    const int areaH = most.height() - (needH ? h->sizeHint().height() : 0);
    h->setRange(0, needH ? totalW - areaW : 0);
    h->setPageStep(std::max(1, areaW - model_.FixedWidth()));
    h->setSingleStep(GridModel::kDefaultColumnWidth / 2);
    v->setRange(0, needV ? totalH - areaH : 0);
    v->setPageStep(std::max(1, areaH - model_.FixedHeight()));
    v->setSingleStep(std::max(1, model_.DefaultRowHeight()));
}

void CGridCtrl::EnsureVisible(int row, int col) {
    if (!model_.IsValid(row, col)) return;
    const QRect cell = CellRect(row, col);
    const QRect area = viewport()->rect().adjusted(model_.FixedWidth(), model_.FixedHeight(), 0, 0);
    if (col >= model_.GetFixedColumnCount()) {
        if (cell.left() < area.left())
            horizontalScrollBar()->setValue(ScrollX() - (area.left() - cell.left()));
        else if (cell.right() > area.right() && cell.width() <= area.width())
            horizontalScrollBar()->setValue(ScrollX() + cell.right() - area.right());
    }
    if (row >= model_.GetFixedRowCount()) {
        if (cell.top() < area.top())
            verticalScrollBar()->setValue(ScrollY() - (area.top() - cell.top()));
        else if (cell.bottom() > area.bottom() && cell.height() <= area.height())
            verticalScrollBar()->setValue(ScrollY() + cell.bottom() - area.bottom());
    }
}

void CGridCtrl::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void CGridCtrl::scrollContentsBy(int /*dx*/, int /*dy*/) {
    // Fixed rows and columns stay put, so the picture cannot simply be shifted.
    CloseEditorSilently();
    HideTitleTip();
    pendingRepaint_ = QRegion(); // in the old scroll position's coordinates
    repaintTimer_.stop();
    viewport()->update();
}

void CGridCtrl::hideEvent(QHideEvent* event) {
    // The tip is a window of its own and would stay on the screen when the page goes away.
    HideTitleTip();
    QAbstractScrollArea::hideEvent(event);
}

void CGridCtrl::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) ApplySystemColours();
    if (event->type() == QEvent::FontChange) RedrawAll();
}

// ---- painting --------------------------------------------------------------------------------

QFont CGridCtrl::CellFont(int row, int col) const {
    const GridCell* cell = model_.GetCell(row, col);
    if (cell == nullptr || !cell->font) return font();
    QFont f(QString::fromStdString(cell->font->family), cell->font->pointSize, -1, cell->font->italic);
    if (cell->font->pixelSize > 0) f.setPixelSize(cell->font->pixelSize);
    f.setWeight(static_cast<QFont::Weight>(cell->font->weight));
    return f;
}

void CGridCtrl::PaintCell(QPainter& painter, int row, int col, const QRect& rect) {
    ++paintedCells_;
    // The last pixel column and row of the rectangle carry the grid lines.
    const QRect inner = rect.adjusted(0, 0, -1, -1);
    const bool fixed = model_.IsFixed(row, col);
    const bool selected = !fixed && model_.IsCellSelected(row, col);
    const QColor bk =
        selected ? palette().color(QPalette::Highlight) : ToQColor(model_.EffectiveBkColour(row, col));
    const QColor fg =
        selected ? palette().color(QPalette::HighlightedText) : ToQColor(model_.EffectiveFgColour(row, col));
    painter.fillRect(inner, bk);
    const int margin = model_.EffectiveMargin(row, col);
    texts_.Paint(painter, model_, row, col, CellFont(row, col), inner.adjusted(margin, 0, -margin, 0), fg);
    const GridCellId focus = model_.GetFocusCell();
    if (focus.IsValid() && model_.MergeOrigin(focus.row, focus.col) == GridCellId{row, col}) {
        painter.setPen(QPen(palette().color(QPalette::WindowText), 1));
        painter.drawRect(inner.adjusted(0, 0, -1, -1));
    }
    painter.setPen(ToQColor(model_.GridLineColour()));
    painter.drawLine(rect.left(), rect.bottom(), rect.right(), rect.bottom());
    painter.drawLine(rect.right(), rect.top(), rect.right(), rect.bottom());
}

void CGridCtrl::PaintBand(QPainter& painter, const QRegion& region, int rowFirst, int rowEnd, int colFirst,
                          int colEnd, const QRect& clip) {
    if (rowFirst >= rowEnd || colFirst >= colEnd || clip.isEmpty() || !region.intersects(clip)) return;
    painter.save();
    painter.setClipRect(clip);
    for (int row = rowFirst; row < rowEnd; ++row) {
        const GridRect rowRect = model_.CellRect(row, colFirst, ScrollX(), ScrollY());
        if (rowRect.top > clip.bottom()) break;
        if (rowRect.Bottom() <= clip.top()) continue;
        for (int col = colFirst; col < colEnd; ++col) {
            if (model_.MergedRangeAt(row, col) != nullptr) continue;
            const QRect rect = ToQRect(model_.CellRect(row, col, ScrollX(), ScrollY()));
            if (rect.left() > clip.right()) break;
            if (rect.intersects(clip) && region.intersects(rect)) PaintCell(painter, row, col, rect);
        }
    }
    // Merged ranges go over the cells of their band as single cells, hiding the lines inside. A
    // range reaching into the next band is drawn there too, whole in that band's coordinates and
    // clipped to it, since the cells under it are not drawn there either.
    const bool rowsScroll = rowFirst >= model_.GetFixedRowCount();
    const bool colsScroll = colFirst >= model_.GetFixedColumnCount();
    for (const GridRange& range : model_.MergedRanges()) {
        if (range.maxRow < rowFirst || range.minRow >= rowEnd || range.maxCol < colFirst ||
            range.minCol >= colEnd)
            continue;
        const QRect rect = RangeRectInBand(range, rowsScroll, colsScroll);
        if (rect.intersects(clip) && region.intersects(rect))
            PaintCell(painter, range.minRow, range.minCol, rect);
    }
    painter.restore();
}

void CGridCtrl::PaintBackgroundOutside(QPainter& painter) {
    const QRect area = viewport()->rect();
    const QColor face = palette().color(QPalette::Button);
    const int right = model_.TotalWidth() - ScrollX();
    const int bottom = model_.TotalHeight() - ScrollY();
    if (right < area.width()) painter.fillRect(QRect(right, 0, area.width() - right, area.height()), face);
    if (bottom < area.height())
        painter.fillRect(QRect(0, bottom, std::min(right, area.width()), area.height() - bottom), face);
}

void CGridCtrl::paintEvent(QPaintEvent* event) {
    ++paintCount_;
    QPainter painter(viewport());
    const QRegion& region = event->region();
    PaintBackgroundOutside(painter);
    const int rows = model_.GetRowCount();
    const int cols = model_.GetColumnCount();
    const int fr = model_.GetFixedRowCount();
    const int fc = model_.GetFixedColumnCount();
    const int fw = model_.FixedWidth();
    const int fh = model_.FixedHeight();
    const QRect area = viewport()->rect();
    PaintBand(painter, region, fr, rows, fc, cols, QRect(fw, fh, area.width() - fw, area.height() - fh));
    PaintBand(painter, region, 0, fr, fc, cols, QRect(fw, 0, area.width() - fw, fh));
    PaintBand(painter, region, fr, rows, 0, fc, QRect(0, fh, fw, area.height() - fh));
    PaintBand(painter, region, 0, fr, 0, fc, QRect(0, 0, fw, fh));
}

// ---- mouse and keyboard ----------------------------------------------------------------------

bool CGridCtrl::StartResize(const QPoint& pos) {
    const bool inHeaderRow = model_.GetFixedRowCount() == 0 || pos.y() < model_.FixedHeight();
    const bool inHeaderCol = model_.GetFixedColumnCount() == 0 || pos.x() < model_.FixedWidth();
    resizeCol_ =
        model_.Switches().columnResize && inHeaderRow ? model_.ColumnDividerAt(pos.x(), ScrollX()) : -1;
    resizeRow_ = resizeCol_ < 0 && model_.Switches().rowResize && inHeaderCol
                     ? model_.RowDividerAt(pos.y(), ScrollY())
                     : -1;
    return resizeCol_ >= 0 || resizeRow_ >= 0;
}

void CGridCtrl::mousePressEvent(QMouseEvent* event) {
    HideTitleTip();
    if (editor_) editor_->EndEdit(0);
    setFocus(Qt::MouseFocusReason);
    if (event->button() != Qt::LeftButton) return;
    const QPoint pos = event->position().toPoint();
    if (StartResize(pos)) return;
    const GridCellId cell = model_.CellAt(pos.x(), pos.y(), ScrollX(), ScrollY());
    if (!cell.IsValid()) return;
    if (!model_.IsFixed(cell.row, cell.col)) {
        model_.SetFocusCell(cell.row, cell.col);
        EnsureVisible(cell.row, cell.col);
    }
    dragAnchor_ = cell;
    dragging_ = true;
    model_.SetSelectedRange(model_.SelectionFor(cell, cell));
}

void CGridCtrl::DragSelectTo(const QPoint& pos) {
    lastDragPos_ = pos;
    const bool outside = !viewport()->rect().contains(pos);
    if (outside && !autoScroll_.isActive()) autoScroll_.start();
    if (!outside) autoScroll_.stop();
    const QPoint inside(std::clamp(pos.x(), 0, viewport()->width() - 1),
                        std::clamp(pos.y(), 0, viewport()->height() - 1));
    const GridCellId cell = model_.RawCellAt(inside.x(), inside.y(), ScrollX(), ScrollY());
    if (cell.IsValid()) model_.SetSelectedRange(model_.SelectionFor(dragAnchor_, cell));
}

void CGridCtrl::AutoScrollStep() {
    if (!dragging_) {
        autoScroll_.stop();
        return;
    }
    const QRect area = viewport()->rect();
    QScrollBar* h = horizontalScrollBar();
    QScrollBar* v = verticalScrollBar();
    if (lastDragPos_.x() < area.left()) h->triggerAction(QAbstractSlider::SliderSingleStepSub);
    if (lastDragPos_.x() > area.right()) h->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    if (lastDragPos_.y() < area.top()) v->triggerAction(QAbstractSlider::SliderSingleStepSub);
    if (lastDragPos_.y() > area.bottom()) v->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    DragSelectTo(lastDragPos_);
}

void CGridCtrl::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (resizeCol_ >= 0) {
        model_.SetColumnWidth(resizeCol_, std::max(0, pos.x() - CellRect(0, resizeCol_).left()));
        return;
    }
    if (resizeRow_ >= 0) {
        const GridRect r = model_.CellRect(resizeRow_, 0, ScrollX(), ScrollY());
        model_.SetRowHeight(resizeRow_, std::max(0, pos.y() - r.top));
        return;
    }
    if (dragging_ && (event->buttons() & Qt::LeftButton)) {
        DragSelectTo(pos);
        return;
    }
    const bool inHeaderRow = model_.GetFixedRowCount() == 0 || pos.y() < model_.FixedHeight();
    const bool inHeaderCol = model_.GetFixedColumnCount() == 0 || pos.x() < model_.FixedWidth();
    if (model_.Switches().columnResize && inHeaderRow && model_.ColumnDividerAt(pos.x(), ScrollX()) >= 0)
        viewport()->setCursor(Qt::SplitHCursor);
    else if (model_.Switches().rowResize && inHeaderCol && model_.RowDividerAt(pos.y(), ScrollY()) >= 0)
        viewport()->setCursor(Qt::SplitVCursor);
    else
        viewport()->setCursor(Qt::ArrowCursor);
    UpdateTitleTip(pos);
}

void CGridCtrl::mouseReleaseEvent(QMouseEvent* /*event*/) {
    dragging_ = false;
    resizeCol_ = -1;
    resizeRow_ = -1;
    autoScroll_.stop();
}

void CGridCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint pos = event->position().toPoint();
    const GridCellId cell = model_.CellAt(pos.x(), pos.y(), ScrollX(), ScrollY());
    if (!cell.IsValid()) return;
    emit cellDoubleClicked(cell.row, cell.col);
    EditCell(cell.row, cell.col);
}

void CGridCtrl::keyPressEvent(QKeyEvent* event) {
    const GridCellId focus = model_.GetFocusCell();
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        MoveFocus(event->key(), event->modifiers());
        return;
    case Qt::Key_F2:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (focus.IsValid()) EditCell(focus.row, focus.col);
        return;
    default:
        break;
    }
    const QString typed = event->text();
    const bool printable = !typed.isEmpty() && typed.at(0).isPrint() &&
                           !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    if (printable && focus.IsValid() && EditCell(focus.row, focus.col, &typed, true)) return;
    QAbstractScrollArea::keyPressEvent(event);
}

void CGridCtrl::MoveFocus(int key, Qt::KeyboardModifiers /*modifiers*/) {
    const int fr = model_.GetFixedRowCount();
    const int fc = model_.GetFixedColumnCount();
    const int lastRow = model_.GetRowCount() - 1;
    const int lastCol = model_.GetColumnCount() - 1;
    if (lastRow < fr || lastCol < fc) return;
    GridCellId cell = model_.GetFocusCell();
    if (!cell.IsValid()) cell = {fr, fc};
    const GridRange shown = model_.DisplayedRange(cell.row, cell.col);
    const int pageRows =
        std::max(1, (viewport()->height() - model_.FixedHeight()) / std::max(1, model_.DefaultRowHeight()));
    switch (key) {
    case Qt::Key_Up:
        cell.row = shown.minRow - 1;
        break;
    case Qt::Key_Down:
        cell.row = shown.maxRow + 1;
        break;
    case Qt::Key_Left:
        cell.col = shown.minCol - 1;
        break;
    case Qt::Key_Right:
        cell.col = shown.maxCol + 1;
        break;
    case Qt::Key_PageUp:
        cell.row -= pageRows;
        break;
    case Qt::Key_PageDown:
        cell.row += pageRows;
        break;
    case Qt::Key_Home:
        cell.col = fc;
        break;
    case Qt::Key_End:
        cell.col = lastCol;
        break;
    default:
        break;
    }
    cell = model_.MergeOrigin(std::clamp(cell.row, fr, lastRow), std::clamp(cell.col, fc, lastCol));
    model_.SetFocusCell(cell.row, cell.col);
    model_.SetSelectedRange(model_.SelectionFor(cell, cell));
    EnsureVisible(cell.row, cell.col);
}

// ---- in-place editing ------------------------------------------------------------------------

bool CGridCtrl::EditCell(int row, int col, const QString* initialText, bool exitOnArrows) {
    if (!model_.Switches().editable || !model_.IsValid(row, col)) return false;
    const GridCellId cell = model_.MergeOrigin(row, col);
    if (model_.IsFixed(cell.row, cell.col) || (model_.GetItemState(cell.row, cell.col) & GVIS_READONLY))
        return false;
    if (editor_) editor_->EndEdit(0);
    HideTitleTip();
    EnsureVisible(cell.row, cell.col);
    model_.SetFocusCell(cell.row, cell.col);
    const QString original = GetItemText(cell.row, cell.col);
    const QRect rect = CellRect(cell.row, cell.col).adjusted(0, 0, -1, -1);
    editor_ = new CInPlaceEdit(viewport(), rect, cell.row, cell.col, initialText ? *initialText : original,
                               original, exitOnArrows, viewport()->width());
    connect(editor_, &CInPlaceEdit::editEnded, this, &CGridCtrl::OnEditEnded);
    editor_->show();
    editor_->setFocus(Qt::OtherFocusReason);
    return true;
}

CInPlaceEdit* CGridCtrl::InPlaceEditor() const {
    return editor_.data();
}

void CGridCtrl::OnEditEnded(int row, int col, const QString& text, int key) {
    const bool hadFocus = editor_ && editor_->hasFocus();
    editor_ = nullptr;
    if (model_.IsValid(row, col) && GetItemText(row, col) != text) {
        SetItemText(row, col, text);
        model_.SetItemState(row, col, model_.GetItemState(row, col) | GVIS_MODIFIED);
    }
    emit endLabelEdit(row, col, text, key);
    if (hadFocus || key != 0) setFocus(Qt::OtherFocusReason);
    switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        MoveFocus(key, Qt::NoModifier);
        break;
    default:
        break;
    }
}

void CGridCtrl::CloseEditorSilently() {
    if (!editor_) return;
    CInPlaceEdit* editor = editor_;
    editor_ = nullptr;
    editor->disconnect(this);
    editor->Discard();
}

// ---- title tips ------------------------------------------------------------------------------

void CGridCtrl::HideTitleTip() {
    tipCell_ = {};
    if (titleTip_ != nullptr) titleTip_->hide();
}

void CGridCtrl::UpdateTitleTip(const QPoint& pos) {
    if (!model_.Switches().titleTips || editor_ || !isActiveWindow()) {
        HideTitleTip();
        return;
    }
    const GridCellId cell = model_.CellAt(pos.x(), pos.y(), ScrollX(), ScrollY());
    if (cell == tipCell_) return;
    HideTitleTip();
    if (!cell.IsValid()) return;
    const QRect rect = CellRect(cell.row, cell.col).adjusted(0, 0, -1, -1);
    const int margin = model_.EffectiveMargin(cell.row, cell.col);
    const QFont cellFont = CellFont(cell.row, cell.col);
    const GridTextCache::Entry& text =
        texts_.Get(model_, cell.row, cell.col, cellFont, rect.width() - 2 * margin);
    if (text.text.isEmpty() || text.naturalWidth <= rect.width() - 2 * margin) return;
    tipCell_ = cell;
    titleTip_->ShowTip(viewport()->mapToGlobal(rect.topLeft()), rect.height(), margin, text.text, cellFont,
                       ToQColor(model_.EffectiveFgColour(cell.row, cell.col)),
                       ToQColor(model_.EffectiveBkColour(cell.row, cell.col)));
}

bool CGridCtrl::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::Leave) HideTitleTip();
    return QAbstractScrollArea::viewportEvent(event);
}

} // namespace velt

#include "controls/CInPlaceEdit.h"

#include <QKeyEvent>
#include <algorithm>

namespace velt {

CInPlaceEdit::CInPlaceEdit(QWidget* parent, const QRect& cellRect, int row, int col, const QString& text,
                           const QString& originalText, bool exitOnArrows, int maxRight)
    : QLineEdit(text, parent), row_(row), col_(col), original_(originalText), exitOnArrows_(exitOnArrows),
      cellRect_(cellRect), maxRight_(maxRight) {
    setFrame(false);
    setTextMargins(2, 0, 2, 0);
    setGeometry(cellRect);
    connect(this, &QLineEdit::textChanged, this, &CInPlaceEdit::Widen);
    Widen();
    if (text == originalText)
        selectAll();
    else
        end(false);
}

void CInPlaceEdit::SetCellRect(const QRect& cellRect, int maxRight) {
    if (cellRect == cellRect_ && maxRight == maxRight_) return;
    cellRect_ = cellRect;
    maxRight_ = maxRight;
    move(cellRect.topLeft());
    resize(cellRect.width(), cellRect.height());
    Widen();
}

void CInPlaceEdit::Widen() {
    // Room for the text plus two blanks, never narrower than the cell, never past the grid's edge.
    const QFontMetrics fm(font());
    const int wanted = fm.horizontalAdvance(text() + QStringLiteral("  ")) + 8;
    const int limit = std::max(cellRect_.width(), maxRight_ - cellRect_.left());
    const int width = std::clamp(wanted, cellRect_.width(), limit);
    if (width != this->width()) resize(width, cellRect_.height());
}

void CInPlaceEdit::EndEdit(int key) {
    if (ended_) return;
    ended_ = true;
    emit editEnded(row_, col_, text(), key);
    hide();
    deleteLater();
}

void CInPlaceEdit::Discard() {
    ended_ = true;
    hide();
    deleteLater();
}

void CInPlaceEdit::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (event->modifiers() & Qt::AltModifier) {
        event->accept();
        return;
    }
    switch (key) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        EndEdit(key);
        return;
    case Qt::Key_Escape:
        setText(original_);
        EndEdit(key);
        return;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        if (exitOnArrows_ || (event->modifiers() & Qt::ControlModifier)) {
            EndEdit(key);
            return;
        }
        break;
    default:
        break;
    }
    QLineEdit::keyPressEvent(event);
}

void CInPlaceEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // A popup (e.g. the context menu) takes the focus only for a moment.
    if (event->reason() != Qt::PopupFocusReason) EndEdit(0);
}

bool CInPlaceEdit::event(QEvent* event) {
    // Tab would move the focus before keyPressEvent sees it; Alt combinations would reach the
    // dialog's shortcuts. Both belong to the editor while it is open.
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            keyPressEvent(key);
            return true;
        }
    }
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() & Qt::AltModifier) {
            event->accept();
            return true;
        }
    }
    return QLineEdit::event(event);
}

} // namespace velt

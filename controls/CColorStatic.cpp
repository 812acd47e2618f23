#include "controls/CColorStatic.h"

#include <QPainter>
#include <QPalette>

namespace velt {

CColorStatic::CColorStatic(QWidget* parent) : QLabel(parent), bk_(palette().color(QPalette::Button)) {
    setAlignment(Qt::AlignCenter);
}

void CColorStatic::SetBkColour(const QColor& c) {
    if (c == bk_) return;
    bk_ = c;
    RepaintNow();
}

void CColorStatic::SetTextColour(const QColor& c) {
    if (c == text_) return;
    text_ = c;
    RepaintNow();
}

void CColorStatic::RepaintNow() {
    ++repaintRequests_;
    // repaint() paints synchronously when the label is visible, so a lamp change shows without
    // waiting for the event loop; hidden labels are painted when they are shown.
    if (isVisible()) repaint();
}

void CColorStatic::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), bk_);
    painter.setPen(text_);
    painter.setFont(font());
    const QRect area = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    int flags = static_cast<int>(alignment());
    if (wordWrap()) flags |= Qt::TextWordWrap;
    painter.drawText(area, flags, text());
}

} // namespace velt

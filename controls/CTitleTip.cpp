#include "controls/CTitleTip.h"

#include <QPainter>

namespace velt {

CTitleTip::CTitleTip(QWidget* owner)
    : QWidget(owner, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

void CTitleTip::ShowTip(const QPoint& topLeft, int height, int margin, const QString& text, const QFont& font,
                        const QColor& fg, const QColor& bk) {
    text_ = text;
    fg_ = fg;
    bk_ = bk;
    margin_ = margin;
    setFont(font);
    const int width = QFontMetrics(font).horizontalAdvance(text) + 2 * margin + 2;
    setGeometry(topLeft.x(), topLeft.y(), width, height);
    show();
    update();
}

void CTitleTip::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), bk_);
    painter.setPen(palette().color(QPalette::Shadow));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.setPen(fg_);
    painter.drawText(rect().adjusted(margin_ + 1, 0, -margin_, 0),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text_);
}

} // namespace velt

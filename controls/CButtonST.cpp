#include "controls/CButtonST.h"

#include <QEnterEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPalette>
#include <algorithm>

namespace velt {

namespace {
int Lighten(int channel, int delta) {
    return std::clamp(channel + delta, 0, 255);
}
} // namespace

CButtonST::CButtonST(QWidget* parent) : QPushButton(parent) {
    setAttribute(Qt::WA_Hover);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
}

void CButtonST::SetIcon(const QIcon& icon) {
    icon_ = icon;
    update();
}

void CButtonST::SetCaptionColours(const QColor& normal, const QColor& hover) {
    normalCaption_ = normal;
    hoverCaption_ = hover;
    update();
}

void CButtonST::SetHoverLighten(int delta) {
    hoverLighten_ = delta;
    update();
}

void CButtonST::SetFlat(bool flat) {
    flat_ = flat;
    update();
}

QColor CButtonST::BackgroundColour() const {
    const QColor base = palette().color(QPalette::Button);
    if (!hovered_ || !isEnabled()) return base;
    return QColor(Lighten(base.red(), hoverLighten_), Lighten(base.green(), hoverLighten_),
                  Lighten(base.blue(), hoverLighten_));
}

QSize CButtonST::sizeHint() const {
    const QFontMetrics fm(font());
    const QSize textSize = fm.size(0, text());
    const int iconWidth = icon_.isNull() ? 0 : kIconSide + kGap;
    return {textSize.width() + iconWidth + 16, std::max(textSize.height(), kIconSide) + 10};
}

int CButtonST::IconSide() const {
    if (icon_.isNull()) return 0;
    const int captionWidth = QFontMetrics(font()).size(0, text()).width();
    const int across = width() - 2 * kEdge - kGap - captionWidth;
    const int fitting = std::min({kIconSide, height() - 8, across});
    return std::max({0, fitting, std::min(kMinIconSide, height() - 8)});
}

void CButtonST::enterEvent(QEnterEvent* event) {
    hovered_ = true;
    update();
    QPushButton::enterEvent(event);
}

void CButtonST::leaveEvent(QEvent* event) {
    hovered_ = false;
    update();
    QPushButton::leaveEvent(event);
}

// Outside a dialog a push button leaves Enter to its window; this one is pressed by it wherever
// it sits.
void CButtonST::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if (enter && mods == Qt::NoModifier) {
        if (!event->isAutoRepeat()) click(); // a held Enter presses once, as everywhere else
        event->accept();
        return;
    }
    QPushButton::keyPressEvent(event);
}

void CButtonST::PaintFocus(QPainter& painter, const QRect& r) const {
    if (!hasFocus()) return;
    painter.setPen(QPen(palette().color(QPalette::WindowText), 1, Qt::DotLine));
    painter.drawRect(r.adjusted(3, 3, -3, -3));
}

void CButtonST::PaintFrame(QPainter& painter, const QRect& r) const {
    const bool down = isDown() || isChecked();
    if (flat_ && !hovered_ && !down) return;
    const QPalette& pal = palette();
    const QColor topLeft = down ? pal.color(QPalette::Dark) : pal.color(QPalette::Light);
    const QColor bottomRight = down ? pal.color(QPalette::Light) : pal.color(QPalette::Dark);
    painter.setPen(topLeft);
    painter.drawLine(r.topLeft(), r.topRight());
    painter.drawLine(r.topLeft(), r.bottomLeft());
    painter.setPen(bottomRight);
    painter.drawLine(r.bottomLeft(), r.bottomRight());
    painter.drawLine(r.topRight(), r.bottomRight());
}

void CButtonST::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const QRect r = rect().adjusted(0, 0, -1, -1);
    painter.fillRect(rect(), BackgroundColour());
    PaintFrame(painter, r);
    PaintFocus(painter, r); // flat or raised: the keyboard user must see where the focus is

    const int shift = isDown() ? 1 : 0;
    const QFontMetrics fm(font());
    const QSize textSize = fm.size(0, text());
    const bool hasIcon = !icon_.isNull();
    const int iconSide = IconSide();
    const int contentWidth = textSize.width() + (hasIcon ? iconSide + kGap : 0);
    int x = std::max(kEdge, (width() - contentWidth) / 2) + shift;
    if (hasIcon) {
        const QRect iconRect(x, (height() - iconSide) / 2 + shift, iconSide, iconSide);
        icon_.paint(&painter, iconRect, Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);
        x += iconSide + kGap;
    }
    const QRect textRect(x, shift, width() - x - kEdge, height());
    painter.setFont(font());
    painter.setPen(isEnabled() ? CaptionColour() : palette().color(QPalette::Disabled, QPalette::ButtonText));
    painter.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft, text());
}

} // namespace velt

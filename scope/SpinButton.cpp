#include "scope/SpinButton.h"

#include <QToolButton>

namespace velt {

namespace {
constexpr int kRepeatDelayMs = 400;
constexpr int kRepeatIntervalMs = 100;

QToolButton* MakeArrow(QWidget* parent, Qt::ArrowType arrow) {
    auto* button = new QToolButton(parent);
    button->setArrowType(arrow);
    button->setAutoRepeat(true);
    button->setAutoRepeatDelay(kRepeatDelayMs);
    button->setAutoRepeatInterval(kRepeatIntervalMs);
    button->setFocusPolicy(Qt::TabFocus); // Tab reaches each arrow, Space presses it
    return button;
}
} // namespace

SpinButton::SpinButton(Qt::Orientation orientation, QWidget* parent)
    : QWidget(parent), orientation_(orientation) {
    const bool vertical = orientation == Qt::Vertical;
    MinusArrow = MakeArrow(this, vertical ? Qt::UpArrow : Qt::RightArrow);
    PlusArrow = MakeArrow(this, vertical ? Qt::DownArrow : Qt::LeftArrow);
    connect(MinusArrow, &QToolButton::clicked, this, [this] { emit DeltaPos(-1); });
    connect(PlusArrow, &QToolButton::clicked, this, [this] { emit DeltaPos(1); });
}

void SpinButton::SetAccessibleNames(const QString& name, const QString& minusArrow,
                                    const QString& plusArrow) {
    setAccessibleName(name);
    MinusArrow->setAccessibleName(minusArrow);
    PlusArrow->setAccessibleName(plusArrow);
}

void SpinButton::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (orientation_ == Qt::Vertical) {
        const int half = height() / 2;
        MinusArrow->setGeometry(0, 0, width(), half);
        PlusArrow->setGeometry(0, half, width(), height() - half);
    } else {
        const int half = width() / 2;
        PlusArrow->setGeometry(0, 0, half, height());
        MinusArrow->setGeometry(half, 0, width() - half, height());
    }
}

void SpinButton::Release() {
    for (QToolButton* arrow : {MinusArrow, PlusArrow})
        arrow->setDown(false);
}

} // namespace velt

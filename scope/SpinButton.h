#pragma once
// A spin control without a buddy box (an up-down control with the default
// range of Windows, 100 down to 0): two arrow buttons that report the
// proposed change of position. With that reversed range the up and the right
// arrow propose -1, the down and the left arrow +1; holding an arrow
// repeats. User-interface thread only.
#include <QWidget>

class QToolButton;

namespace velt {

class SpinButton : public QWidget {
    Q_OBJECT
public:
    SpinButton(Qt::Orientation orientation, QWidget* parent = nullptr);

    // The control's accessible name and those of its arrows ("X zoom",
    // "X zoom up", ...).
    void SetAccessibleNames(const QString& name, const QString& minusArrow, const QString& plusArrow);
    // Lets go of an arrow held down with the mouse, which stops its repeat:
    // a message box opened by one step takes the mouse release away, and the
    // arrow would go on stepping under it.
    void Release();

    QToolButton* MinusArrow = nullptr; // up or right: delta -1
    QToolButton* PlusArrow = nullptr;  // down or left: delta +1

signals:
    void DeltaPos(int delta);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    Qt::Orientation orientation_;
};

} // namespace velt

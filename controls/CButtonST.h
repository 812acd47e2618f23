#pragma once

#include <QColor>
#include <QIcon>
#include <QPushButton>

namespace velt {

// Push button drawn with an icon beside its caption (the caption may hold two lines, split at
// '\n'), with one caption colour normally and another while the pointer is over the button, and the
// background lightened under the pointer. It takes the focus with Tab or a click, shows it with a
// dotted frame, and Space, Enter or Return press it. User-interface thread only.
class CButtonST : public QPushButton {
    Q_OBJECT
public:
    explicit CButtonST(QWidget* parent = nullptr);

    void SetIcon(const QIcon& icon);
    void SetCaptionColours(const QColor& normal, const QColor& hover);
    // Each RGB channel of the background under the pointer is raised by delta, capped at 255.
    void SetHoverLighten(int delta); // default 30
    void SetFlat(bool flat);         // default false (raised)

    bool IsHovered() const { return hovered_; }
    bool HasIcon() const { return !icon_.isNull(); }
    QColor CaptionColour() const { return hovered_ ? hoverCaption_ : normalCaption_; }
    QColor BackgroundColour() const;

    QSize sizeHint() const override;

    // The icon's side, the gap between icon and caption, and the least room between the content
    // (centred) and either edge. A button too low for the icon (height less 8) or too narrow for
    // icon and caption side by side draws the icon smaller, down to kMinIconSide, so that the
    // caption is shown whole.
    static constexpr int kIconSide = 32;
    static constexpr int kMinIconSide = 16;
    static constexpr int kGap = 6;
    static constexpr int kEdge = 4;
    // The icon's side at the button's present size and caption (0 without an icon).
    int IconSide() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void PaintFrame(QPainter& painter, const QRect& r) const;
    void PaintFocus(QPainter& painter, const QRect& r) const;

    QIcon icon_;
    QColor normalCaption_{Qt::black};
    QColor hoverCaption_{Qt::black};
    int hoverLighten_ = 30;
    bool flat_ = false;
    bool hovered_ = false;
};

} // namespace velt

#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QWidget>

namespace velt {

// Borderless tip showing the whole text of a grid cell that is too narrow for it, laid over the
// cell's position. Shown and hidden by the grid; never takes the focus.
class CTitleTip : public QWidget {
    Q_OBJECT
public:
    explicit CTitleTip(QWidget* owner);

    // topLeft in global coordinates; the tip is as high as the cell and as wide as the text.
    void ShowTip(const QPoint& topLeft, int height, int margin, const QString& text, const QFont& font,
                 const QColor& fg, const QColor& bk);
    const QString& Text() const { return text_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
    QColor fg_;
    QColor bk_;
    int margin_ = 0;
};

} // namespace velt

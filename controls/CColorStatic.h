#pragma once

#include <QColor>
#include <QLabel>

namespace velt {

// A static text whose text and background colours the owning page sets at run time (status lamps,
// colour swatches). Lives on the user-interface thread like every widget.
class CColorStatic : public QLabel {
    Q_OBJECT
public:
    explicit CColorStatic(QWidget* parent = nullptr); // button-face background, black text

    // Setting the colour the label already has does nothing; a new colour is painted at once
    // (the label repaints itself before returning, not at the next paint cycle of the dialog).
    void SetBkColour(const QColor& c);
    void SetTextColour(const QColor& c);

    QColor BkColour() const { return bk_; }
    QColor TextColour() const { return text_; }

    // Number of repaints requested by the two setters so far (for tests).
    int RepaintRequests() const { return repaintRequests_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void RepaintNow();

    QColor bk_;
    QColor text_{Qt::black};
    int repaintRequests_ = 0;
};

} // namespace velt

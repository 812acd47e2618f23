#include "DialogFont.h"

#include <QFontMetrics>

namespace velt {

QFont DialogFont() {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    return font;
}

DialogUnits DialogUnitsOf(const QFont& font) {
    const QFontMetrics fm(font);
    const int width =
        fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return DialogUnits(AverageCharWidth(width), fm.height());
}

const DialogUnits& DlgUnits() {
    static const DialogUnits units = DialogUnitsOf(DialogFont());
    return units;
}

QRect DluRect(int x, int y, int w, int h) {
    const DialogUnits& u = DlgUnits();
    const int left = u.X(x);
    const int top = u.Y(y);
    return QRect(left, top, u.X(x + w) - left, u.Y(y + h) - top);
}

QSize DluSize(int w, int h) {
    return QSize(DlgUnits().X(w), DlgUnits().Y(h));
}

} // namespace velt

#pragma once
// Dialog units to pixels, computed the way Windows lays out dialog templates:
// the horizontal base unit is the dialog font's average character width
// (the width of the 52 letters A-Z a-z divided by 52, rounded) and the
// vertical base unit is the font's height. One horizontal dialog unit is a
// quarter of the base width, one vertical unit an eighth of the base height.
// Qt-free so that the arithmetic is testable; DialogFont builds one from the
// dialog font's metrics.
#include <cstdint>

namespace velt {

// a * b / c rounded to the nearest integer, halves away from zero, computed
// in 64 bits; -1 when c is 0 or the result does not fit (as the Windows
// routine of that name).
int MulDiv(int a, int b, int c);

// Average character width from the pixel width of "A..Za..z".
int AverageCharWidth(int widthOf52Letters);

class DialogUnits {
public:
    DialogUnits(int baseX, int baseY) : baseX_(baseX), baseY_(baseY) {}

    int X(int dlu) const { return MulDiv(dlu, baseX_, 4); }
    int Y(int dlu) const { return MulDiv(dlu, baseY_, 8); }
    int BaseX() const { return baseX_; }
    int BaseY() const { return baseY_; }

private:
    int baseX_;
    int baseY_;
};

} // namespace velt

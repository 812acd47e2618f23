#pragma once
// The dialog font of every window (the Windows dialog font is "MS Shell Dlg"
// 8 pt) and the placement of controls given in Windows dialog units.
// User-interface thread only (font metrics need the GUI application).
#include "DialogUnits.h"

#include <QFont>
#include <QRect>
#include <QSize>

namespace velt {

// DejaVu Sans at 11 pixels (8 pt at 96 dpi); Korean text falls back to the
// installed CJK font.
QFont DialogFont();
DialogUnits DialogUnitsOf(const QFont& font);
// The dialog units of DialogFont(), computed once.
const DialogUnits& DlgUnits();

// A control rectangle in dialog units mapped corner by corner, as the dialog
// manager does (so adjacent controls never gap or overlap by rounding).
QRect DluRect(int x, int y, int w, int h);
QSize DluSize(int w, int h);

} // namespace velt

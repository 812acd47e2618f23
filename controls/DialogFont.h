#pragma once
// The dialog font of every window and the placement of controls given in
// Windows dialog units. On Windows the dialogs are laid out with the shell
// dialog font, Tahoma 8 pt (11 pixels at 96 dpi); every size in dialog units
// and every pixel width of a grid column was chosen for its widths. The same
// face with the same pixel widths keeps those proportions here: Tahoma where
// the system has it (Windows), else the metric-compatible Tahoma of Debian's
// fonts-wine, loaded from its file. Korean texts take their glyphs from a
// Korean font (Noto Sans CJK KR), as Windows links Hangul to its Korean face.
// User-interface thread only (font metrics need the GUI application).
#include "DialogUnits.h"

#include <QFont>
#include <QRect>
#include <QSize>
#include <QStringList>

namespace velt {

// Pixel size of the dialog font: 8 pt at 96 dpi.
constexpr int kDialogFontPixels = 11;

// Families in the order they are tried, for every character: the dialog
// face, two faces of the nearest widths for a system without it, and the
// Korean face.
QStringList DialogFontFamilies();

// Makes the dialog face known to Qt when the system's font list lacks it, from
// the first of `files` that exists (regular, then bold, faces). Called by
// DialogFont; true when the face is available afterwards.
bool EnsureDialogFace(const QStringList& files);

// The dialog font. Hinting is left to the font: at 11 pixels Tahoma carries
// hand-tuned bitmaps, which give it exactly the widths the layout was made for.
QFont DialogFont();

// The height Windows gives a line of `font` (its text metric height): the
// font's Windows ascent and descent scaled to its pixel size, each rounded.
// Dialog units and grid rows are measured with it. Faces without Windows
// metrics give Qt's height.
int WindowsLineHeight(const QFont& font);

DialogUnits DialogUnitsOf(const QFont& font);
// The dialog units of DialogFont(), computed once.
const DialogUnits& DlgUnits();

// A control rectangle in dialog units mapped corner by corner, as the dialog
// manager does (so adjacent controls never gap or overlap by rounding).
QRect DluRect(int x, int y, int w, int h);
QSize DluSize(int w, int h);

} // namespace velt

#pragma once
// Names that screen readers and desktop automation read for a window's
// controls. Every page names its controls with these, so a control is found
// by the caption a user sees, or by the label beside it.
#include <QString>

class QLabel;
class QWidget;

namespace velt {

// The caption as one line: line breaks become blanks, the mnemonic '&' goes
// (with its parentheses where it follows the words: "복사(&C)" is "복사").
QString AccessibleCaption(const QString& caption);

// Names a control after its own caption (buttons, labels, lamps).
void NameAfterCaption(QWidget* control, const QString& caption);

// Names an edit, list or box after the label beside it (a trailing colon dropped) and makes the
// label its buddy.
void NameAfterLabel(QWidget* control, QLabel* label);

// Describes a state that the name alone does not tell (a lamp's on or off, say).
void DescribeState(QWidget* control, const QString& state);

// Shows `text` in a label named after the caption beside it (a figure, a
// count, a state): the text is also its description, so a screen reader
// reads the value with the name. Every label whose text changes while the
// program runs is set through this.
void ShowValue(QLabel* label, const QString& text);

// What this program adds to the standard controls for screen readers and the keyboard, installed
// once per application (the naming helpers above install it, so every window has it before a
// reader or a key arrives):
// - a combo box is named by its accessible name (the label beside it) and its current text is its
//   value; Qt's own interface on Linux reads the current text as the name as well;
// - a check box or radio button toggled through its accessibility action is clicked, as the mouse
//   clicks it, so that the window's click handlers run;
// - Enter or Return on a focused push or tool button presses it, also in the windows whose Enter
//   otherwise does nothing (there Enter in a field still does nothing).
void InstallAccessibility();

} // namespace velt

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

} // namespace velt

#pragma once
// Finds the texts a window shows cut short: grid cells whose text is wider
// than the cell, labels whose text is wider or taller than the label, buttons
// (push, image, radio and check buttons) and group titles whose caption does
// not fit, and list boxes whose shown entry does not fit their edit field.
// Each is measured the way the control paints it. Widgets hidden in their
// window are left out. User-interface thread only.
#include <QString>
#include <QWidget>

#include <vector>

namespace velt::test {

struct CutText {
    QString control; // what kind of control: "grid", "label", "button", "list", "group"
    QString text;    // the whole text that does not fit
    int needed = 0;  // pixels the text takes
    int room = 0;    // pixels the control gives it
};

std::vector<CutText> CutTextsOf(QWidget* window);

// One line per cut text, for a test's output: "label 'Driver Status' 72 > 66".
QString Describe(const std::vector<CutText>& cuts);

} // namespace velt::test

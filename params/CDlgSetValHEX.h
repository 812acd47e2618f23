#pragma once
// Bit value dialog (328 x 117 dialog units): edits the low eight
// bits of one bit-field parameter with a check box each; the value is shown
// in decimal. Created once at start-up, hidden, with no parent window;
// modeless; closing it hides it.
#include "params/ValueDialog.h"

#include <array>

class QCheckBox;

namespace velt {

class CDlgSetValHEX : public ValueDialog {
    Q_OBJECT
public:
    CDlgSetValHEX(bool korean, ParamWorkingCopy& copy);

    // Fills the dialog for parameter `number` with `value`, ticks the boxes of
    // its bits 0..7 and shows it. The boxes of bits the parameter cannot hold
    // are disabled (unless the value has them set).
    void OpenForParameter(const QString& help, int number, int32_t value);

    QLabel* ValueLabel = nullptr;
    std::array<QCheckBox*, 8> BitChecks{}; // bit 0 .. bit 7

public slots:
    // Any box clicked: bits 0..7 of EditValue from the boxes, bits 8..31 kept.
    void OnBitClicked();
    // OK and Enter: store, hide; a value outside the parameter's range is
    // refused with a message and the dialog stays open.
    void accept() override;
};

} // namespace velt

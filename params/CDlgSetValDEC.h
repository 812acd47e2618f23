#pragma once
// Decimal value dialog (328 x 87 dialog units): edits one
// parameter of the parameter page as a decimal number. Created once at
// start-up, hidden, with no parent window; modeless; closing it hides it.
// OK takes only a whole number within the parameter's own range
// (DecimalEntryRange: the range the drive applies; without one, what a
// register or a 32-bit pair can hold); other text is refused with a message
// naming the range and stays in the dialog.
#include "params/ValueDialog.h"

class QLineEdit;

namespace velt {

class CDlgSetValDEC : public ValueDialog {
    Q_OBJECT
public:
    CDlgSetValDEC(bool korean, ParamWorkingCopy& copy);

    // Fills the dialog for parameter `number` with `value` (a pair's 32-bit
    // value for its first register) and shows it with the value selected, so
    // that typing replaces it. An unconfirmed entry for another parameter is
    // lost.
    void OpenForParameter(const QString& help, int number, int32_t value);

    QLineEdit* ValueEdit = nullptr;

public slots:
    // OK and Enter: check, store, hide; the baud-rate notice for parameter 6.
    void accept() override;
};

} // namespace velt

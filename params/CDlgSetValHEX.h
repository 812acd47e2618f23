#pragma once
// Hex and bit value dialog (dialog 327): edits one parameter of the parameter page.
// Created once at start-up, hidden, with no parent window; closing it hides it.
#include <QDialog>

namespace velt {

class CDlgSetValHEX : public QDialog {
    Q_OBJECT
public:
    CDlgSetValHEX();
};

} // namespace velt

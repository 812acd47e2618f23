#pragma once
// Decimal value dialog (dialog 326): edits one parameter of the parameter page.
// Created once at start-up, hidden, with no parent window; closing it hides it.
#include <QDialog>

namespace velt {

class CDlgSetValDEC : public QDialog {
    Q_OBJECT
public:
    CDlgSetValDEC();
};

} // namespace velt

#pragma once
// Scope window (dialog 328): plots live drive values; four of them exist.
// Created once at start-up, hidden, with no parent window; closing it hides it.
#include <QDialog>

namespace velt {

class CDlgScope : public QDialog {
    Q_OBJECT
public:
    CDlgScope();

    // Stops the window's worker thread (none yet); returns 1.
    int StopThread() { return 1; }
};

} // namespace velt

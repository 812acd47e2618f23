#pragma once
// Repeat-motion window (dialog 335): runs a cycle of point-to-point moves.
// Created once at start-up, hidden, with no parent window; closing it hides it.
#include <QDialog>

namespace velt {

class CDlgRepeat : public QDialog {
    Q_OBJECT
public:
    CDlgRepeat();

    // Stops the window's worker thread (none yet); returns 1.
    int StopThread() { return 1; }
};

} // namespace velt

#pragma once
// The main window: a captioned, resizable frame without menu and without
// maximise box that holds the connection bar, the register monitor and the
// two pages. Closing it runs the application's shutdown.
#include <QWidget>

namespace velt {

class CVELT_HostApp;

class CMainFrame : public QWidget {
    Q_OBJECT
public:
    explicit CMainFrame(CVELT_HostApp& app);

protected:
    // While a connect, disconnect or watchdog sequence is waiting inside a
    // handler the close is put off until that sequence ends.
    void closeEvent(QCloseEvent* event) override;

private:
    CVELT_HostApp& app_;
};

} // namespace velt

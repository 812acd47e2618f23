#pragma once
// Connection bar: the strip at the top of the main window with
// the page and window buttons, Connect / DisConnect, the status panel and the
// logo button. ConnectDrive is the only place where the serial port is
// opened and the link marked connected. User-interface thread only.
#include <QTimer>
#include <QWidget>

class QLabel;
class QPushButton;

namespace velt {

class CVELT_HostApp;
class CButtonST;
class CColorStatic;

class CDlgMenuBar : public QWidget {
    Q_OBJECT
public:
    CDlgMenuBar(CVELT_HostApp& app, QWidget* frame);

    CButtonST* ComSettingButton = nullptr;
    CButtonST* MonitoringButton = nullptr;
    CButtonST* ParameterButton = nullptr;
    CButtonST* ScopeButton = nullptr;
    CButtonST* LoadButton = nullptr;
    CButtonST* SaveButton = nullptr;
    QLabel* DriveIdText = nullptr;
    QLabel* PortText = nullptr;
    CColorStatic* StatusLabel = nullptr;
    QPushButton* ConnectButton = nullptr;
    QPushButton* DisconnectButton = nullptr;
    CColorStatic* HwVersionLabel = nullptr;
    CColorStatic* SwVersionLabel = nullptr;
    CButtonST* WebButton = nullptr;

public slots:
    // Opens the port with the serial settings, marks the link connected and
    // reads all parameters. Blocks this thread for the parameter read (about
    // 1.1 s when the drive is silent) and, on failure, for 600 ms more while
    // the MainThread closes the port; windows keep repainting meanwhile.
    void ConnectDrive();
    // Clears the link's connected flag and waits 1 s, in which the MainThread
    // closes the port and clears the polled data. Nothing when not connected.
    void DisconnectDrive();

    void OnComSetting();
    void OnMonitoring();
    void OnParameter();
    void OnScope();
    void OnLoad();
    void OnSave();
    void OnWeb();
    void RefreshStatus(); // the 500 ms status refresh

private:
    void CreatePageButtons();
    void CreateStatusPanel();
    void SetConnectEnabled(bool connectEnabled);

    CVELT_HostApp& app_;
    QTimer statusTimer_; // runs for the life of the bar
};

} // namespace velt

#pragma once
// Connection bar (dialog 321): the strip at the top of the main window with
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

    CButtonST* ComSettingButton = nullptr;   // 1000
    CButtonST* MonitoringButton = nullptr;   // 1001
    CButtonST* ParameterButton = nullptr;    // 1002
    CButtonST* ScopeButton = nullptr;        // 1003
    CButtonST* LoadButton = nullptr;         // 1004
    CButtonST* SaveButton = nullptr;         // 1005
    QLabel* DriveIdText = nullptr;           // 1019
    QLabel* PortText = nullptr;              // 1020
    CColorStatic* StatusLabel = nullptr;     // 1021
    QPushButton* ConnectButton = nullptr;    // 1006
    QPushButton* DisconnectButton = nullptr; // 1007
    CColorStatic* HwVersionLabel = nullptr;  // 1092
    CColorStatic* SwVersionLabel = nullptr;  // 1093
    CButtonST* WebButton = nullptr;          // 1008

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
    QTimer statusTimer_; // timer 1500: runs for the life of the bar
};

} // namespace velt

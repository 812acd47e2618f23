#pragma once
// Connection bar: the strip at the top of the main window with
// the page and window buttons, Connect / DisConnect, the status panel and the
// logo button. ConnectDrive is the only place where the serial port is
// opened and the link marked connected. User-interface thread only.
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <functional>

class QLabel;
class QPushButton;

namespace velt {

class CVELT_HostApp;
class CButtonST;
class CColorStatic;
class CModbusPort;

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
    QLabel* ProtocolText = nullptr; // "ModBusRTU"; hidden while the status shows reconnecting
    QLabel* DriveIdText = nullptr;
    QLabel* PortText = nullptr;
    CColorStatic* StatusLabel = nullptr;
    QPushButton* ConnectButton = nullptr;
    QPushButton* DisconnectButton = nullptr;
    CColorStatic* HwVersionLabel = nullptr;
    CColorStatic* SwVersionLabel = nullptr;
    CButtonST* WebButton = nullptr;
    QPushButton* HealthButton = nullptr; // "Link Health": shows the link health window

    // True from the watchdog's disconnect, with reconnecting on, until the
    // drive answers again or the user stops it ("Stop" on the DisConnect button).
    bool Reconnecting() const { return reconnecting_; }

public slots:
    // Opens the port with the serial settings, marks the link connected and
    // reads all parameters. Blocks this thread for the parameter read (about
    // 1.1 s when the drive is silent) and, on failure, for 600 ms more while
    // the MainThread closes the port; windows keep repainting meanwhile.
    void ConnectDrive();
    // Clears the link's connected flag and waits 1 s, in which the MainThread
    // closes the port and clears the polled data. Nothing when not connected.
    // While reconnecting (the button then reads "Stop") it stops trying.
    void DisconnectDrive();
    // The watchdog's call when the drive has stopped answering: the
    // disconnect, and with "Reconnect automatically" on, reconnecting with
    // the port and bit rate of the last connect. The bar shows
    // "Reconnecting... (n)" and the DisConnect button becomes "Stop".
    void DriveStoppedAnswering();
    void StopReconnecting();

    void OnComSetting();
    void OnMonitoring();
    void OnParameter();
    void OnScope();
    void OnLoad();
    void OnSave();
    void OnWeb();
    void OnLinkHealth();
    void RefreshStatus(); // the 500 ms status refresh

private:
    void CreatePageButtons();
    void CreateStatusPanel();
    void SetConnectEnabled(bool connectEnabled);
    // Shows (or ends) the reconnecting look: the wide amber status label and "Stop".
    void ShowReconnecting(bool on);
    // On the status refresh while reconnecting: the count, or the end of it.
    void FollowReconnect();

    CVELT_HostApp& app_;
    std::function<int(CModbusPort&)> openPort_; // how the last connect opened the port
    bool reconnecting_ = false;
    QTimer statusTimer_; // runs for the life of the bar
};

} // namespace velt

#pragma once
// Connection bar: the strip at the top of the main window with
// the page and window buttons, Connect / DisConnect, the status panel and the
// logo button. Connect and DisConnect ask the connection supervisor; the
// status panel shows its state and the serial settings in force.
// User-interface thread only.
#include "LineDrives.h"
#include "link/ConnectionSupervisor.h"

#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QPushButton;

namespace velt {

class CButtonST;
class CColorStatic;
class ConnectionWatch;
class SerialSettings;

class CDlgMenuBar : public QWidget {
    Q_OBJECT
public:
    // What the shell hands the bar. Link, Supervisor, Watch and Settings may
    // be null only in tests that build the bar alone (it then connects
    // nothing); the callbacks may be empty.
    struct Wiring {
        bool Korean = false;
        const CDriveLink* Link = nullptr; // the drive's versions
        ConnectionSupervisor* Supervisor = nullptr;
        ConnectionWatch* Watch = nullptr;
        const SerialSettings* Settings = nullptr;
        // The settings window's name of the port ("COM3", "ttyUSB0").
        std::function<std::string()> PortDisplayName;
        // A running drive search holds the port it searches; Connect ends it.
        std::function<void()> StopDriveSearch;
        std::function<void()> ShowComSetting;
        std::function<void()> ShowMonitoringPage; // and hide the parameter page
        std::function<void()> ShowParameterPage;  // and hide the monitoring page
        std::function<void()> ShowNextScope;
        std::function<void()> ShowLinkHealth;
        std::function<void()> ShowLineOverview;
        std::function<void()> LoadParameterFile;
        std::function<void()> SaveParameterFile;
        // The drives the user keeps for the port in force (LineDrives.h);
        // while there are none the drive choice is hidden.
        std::function<std::vector<LineDrive>()> LineDrives;
        // The one-choice switch to another drive of the line; false when
        // the user stayed with the drive in use.
        std::function<bool(uint8_t to)> SwitchDrive;
        std::function<void()> NameDrive; // asks a name for the drive in use
        std::function<void()> AddDrive;  // asks an ID (and a name) to add
    };

    CDlgMenuBar(Wiring wiring, QWidget* frame);

    CButtonST* ComSettingButton = nullptr;
    CButtonST* MonitoringButton = nullptr;
    CButtonST* ParameterButton = nullptr;
    CButtonST* ScopeButton = nullptr;
    CButtonST* LoadButton = nullptr;
    CButtonST* SaveButton = nullptr;
    QLabel* ProtocolText = nullptr; // "ModBusRTU"; hidden while the status shows reconnecting
    QLabel* DriveIdText = nullptr;  // "Drive ID : 2  X axis"; the drive choice takes its place when shown
    // "ID 2  X axis" for each drive of the line, then the naming entries.
    QComboBox* DriveChoice = nullptr;
    QLabel* PortText = nullptr;
    CColorStatic* StatusLabel = nullptr;
    QPushButton* ConnectButton = nullptr;
    QPushButton* DisconnectButton = nullptr;
    CColorStatic* HwVersionLabel = nullptr;
    CColorStatic* SwVersionLabel = nullptr;
    CButtonST* WebButton = nullptr;
    QPushButton* HealthButton = nullptr;   // "Link Health": shows the link health window
    QPushButton* OverviewButton = nullptr; // "Line overview": shows the line overview window

    // True while the supervisor is reconnecting (the watchdog gave up with
    // "Reconnect automatically" on), until the drive answers again or the
    // user stops it ("Stop" on the DisConnect button).
    bool Reconnecting() const { return reconnecting_; }

public slots:
    // Connects with the serial settings in force: the port opened and all
    // parameters read. Blocks this thread for the parameter read (about
    // 1.1 s when the drive is silent) and, on failure, for 600 ms more while
    // the MainThread closes the port; windows keep repainting meanwhile.
    void ConnectDrive();
    // Drops the connection and waits 1 s, in which the MainThread closes the
    // port and clears the polled data. Nothing when not connected. While
    // reconnecting (the button then reads "Stop") it stops trying.
    void DisconnectDrive();
    void StopReconnecting();
    // The supervisor's state changed (the connection watch): the buttons
    // and the status follow it.
    void FollowConnection(const velt::ConnectionStatus& status);

    void OnComSetting();
    void OnMonitoring();
    void OnParameter();
    void OnScope();
    void OnLoad();
    void OnSave();
    void OnWeb();
    void OnLinkHealth();
    void OnLineOverview();
    void RefreshStatus(); // the 500 ms status refresh
    // The drive choice's entries again (the line's list or the drive in use
    // changed); RefreshStatus does it when needed.
    void RefreshDriveChoice();
    void OnDriveChosen(int index);

private:
    void CreatePageButtons();
    void CreateStatusPanel();
    void SetConnectEnabled(bool connectEnabled);
    // Shows (or ends) the reconnecting look: the wide amber status label and "Stop".
    void ShowReconnecting(bool on);
    void ShowState(const ConnectionStatus& status);
    ConnectionStatus SupervisorStatus() const;
    static void Call(const std::function<void()>& f) {
        if (f) f();
    }

    const Wiring wiring_;
    std::vector<LineDrive> choiceDrives_; // what the drive choice lists
    uint8_t choiceId_ = 0;                // and the drive it shows
    bool reconnecting_ = false;
    QTimer statusTimer_; // runs for the life of the bar
};

} // namespace velt

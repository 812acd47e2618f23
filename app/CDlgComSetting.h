#pragma once
// Serial settings window ("COM Setting"): a floating window shown
// by the connection bar and hidden by OK or Cancel, and the store of the
// settings the next connect uses. The widgets and every member except
// DriveId belong to the user-interface thread; DriveId is also read by the
// link's MainThread on every connected pass.
//
// Besides COM1 to COM30 the port list offers the serial devices this machine
// has (platform/SerialPorts.h); choosing one opens it by its device name.
// The port chosen with OK and the last drive ID are kept in the per-user
// settings and the port is chosen again at the next start.
#include "link/CDriveLink.h"
#include "platform/SerialPorts.h"

#include <QDialog>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace velt {

class CVELT_HostApp;
class CDlgFindDrive;
struct FoundDrive;

class CDlgComSetting : public QDialog, public IDriveIdSource {
    Q_OBJECT
public:
    explicit CDlgComSetting(CVELT_HostApp& app);

    uint8_t SettingsDriveId() const override { return DriveId.load(); }

    QComboBox* PortList = nullptr;
    QComboBox* BaudList = nullptr;
    QLineEdit* DriveIdEdit = nullptr;
    QPushButton* OkButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QCheckBox* ReconnectCheck = nullptr;
    QPushButton* RefreshButton = nullptr;   // lists the machine's devices again
    QPushButton* FindDriveButton = nullptr; // opens FindDrive
    CDlgFindDrive* FindDrive = nullptr;     // the Find Drive window, owned by this one

    uint8_t PortNumber = 3;
    int32_t BaudRate = 9600;
    uint8_t DataBits = 8;
    uint8_t Parity = 0;
    uint8_t StopBits = 1;
    std::atomic<uint8_t> DriveId{1};
    // After the watchdog's disconnect, try the port every second and connect
    // again when the drive answers (the connection bar does it). Off at start.
    bool ReconnectAutomatically = false;

    // The device chosen from the machine's ports (its name to open, such as
    // /dev/serial/by-id/...); empty when the port is COM PortNumber.
    std::string PortName;

    // The port as the connection bar prints it: "COM3", or the device's
    // short name ("ttyUSB0").
    std::string PortDisplayName() const;
    // The port the list shows now, chosen or typed and not yet taken with
    // OK: "COM3" or a device name. What Find Drive searches.
    std::string SelectedPortName() const;

public slots:
    // Takes the typed values and hides; when a field is not valid, says which
    // and what it takes, puts the focus there and changes nothing.
    void OnOk();
    void accept() override; // as OK
    // Cancel, Esc, close box: the fields show the settings in force again,
    // then the window hides; values unchanged.
    void reject() override;
    void RefreshPorts(); // lists the machine's devices again, keeping the choice
    void OpenFindDrive();
    // Shows the drive's port, rate and ID in the fields and takes them as OK
    // does, without hiding the window.
    void UseFoundDrive(const FoundDrive& drive);

protected:
    void keyPressEvent(QKeyEvent* event) override; // Enter does nothing
    void showEvent(QShowEvent* event) override;    // refreshes the port tooltips

private:
    void CreateControls(bool korean);
    void CreateReconnectOption(bool korean);
    void CreateFindDrive(CVELT_HostApp& app, bool korean);
    void InitValues();
    void RefreshPortTips();
    bool TakeValues(); // false, and nothing taken, when a field is not valid
    void ShowSettingsInForce();
    std::string ChosenDevice() const; // the device entry chosen or the path typed; empty for a COM port
    void SelectPort(const std::string& name);
    void RestoreRememberedPort();
    void RememberChoice() const;

    bool korean_ = false;
    bool remember_ = true; // the port is restored at start and kept at OK (not in a demonstration)
    std::vector<SerialPortInfo> devices_; // the entries after COM30, in order
};

} // namespace velt

#pragma once
// Serial settings window ("COM Setting"): a floating window shown
// by the connection bar and hidden by OK or Cancel. It shows the serial
// settings in force (SerialSettings, the model the next connect uses) and
// changes them with OK once every field is valid. User-interface thread.
//
// Besides COM1 to COM30 the port list offers the serial devices this machine
// has (platform/SerialPorts.h); choosing one opens it by its device name.
#include "SerialSettings.h"
#include "platform/SerialPorts.h"

#include <QDialog>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace velt {

class FindDriveDialog;
struct FoundDrive;

class CDlgComSetting : public QDialog {
    Q_OBJECT
public:
    // What the shell hands the window: the settings it shows and changes
    // (never null), the language, and whether a drive is connected now (the
    // drive search needs the port free).
    struct Wiring {
        SerialSettings* Settings = nullptr;
        bool Korean = false;
        std::function<bool()> IsConnected;
        // Asked before OK points the link at another drive ID; false keeps
        // the drive in use (the parameter page's unstored values, ...).
        std::function<bool(uint8_t to)> MayChangeDrive;
        // Called once the change to another drive ID is decided, before the
        // settings take it (the link still talks to the drive in use): the
        // windows that act on that drive stop.
        std::function<void(uint8_t to)> DriveChanging;
        // After the settings took values (a drive ID, a port, ...).
        std::function<void()> SettingsTaken;
        // Find Drive's "Keep as the line's drives".
        std::function<void(const std::vector<FoundDrive>&)> KeepFoundDrives;
    };
    explicit CDlgComSetting(Wiring wiring);

    QComboBox* PortList = nullptr;
    QComboBox* BaudList = nullptr;
    QLineEdit* DriveIdEdit = nullptr;
    QPushButton* OkButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QCheckBox* ReconnectCheck = nullptr;
    QPushButton* RefreshButton = nullptr;   // lists the machine's devices again
    QPushButton* FindDriveButton = nullptr; // opens FindDrive
    FindDriveDialog* FindDrive = nullptr;   // the Find Drive window, owned by this one

    SerialSettings& Settings() const { return settings_; }

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
    // The one-choice switch of the connection bar: the drive ID alone
    // changes, as OK with only the Drive ID field changed would (the
    // parameter page asked first, then DriveChanging, then the settings).
    // False when the user stays with the drive in use. The connection
    // bar's drive choice and the line overview's double click use it.
    bool ChangeDriveId(uint8_t to);

protected:
    void keyPressEvent(QKeyEvent* event) override; // Enter does nothing
    void showEvent(QShowEvent* event) override;    // refreshes the port tooltips

private:
    void CreateControls(bool korean);
    void CreateReconnectOption(bool korean);
    void CreateFindDrive(bool korean);
    void InitValues();
    void RefreshPortTips();
    bool TakeValues(); // false, and nothing taken, when a field is not valid
    void ShowSettingsInForce();
    std::string ChosenDevice() const; // the device entry chosen or the path typed; empty for a COM port
    void SelectPort(const std::string& name);

    SerialSettings& settings_;
    const bool korean_ = false;
    const std::function<bool()> isConnected_;
    const std::function<bool(uint8_t)> mayChangeDrive_;
    const std::function<void(uint8_t)> driveChanging_;
    const std::function<void()> settingsTaken_;
    const std::function<void(const std::vector<FoundDrive>&)> keepFoundDrives_;
    std::vector<SerialPortInfo> devices_; // the entries after COM30, in order
};

} // namespace velt

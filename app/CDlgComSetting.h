#pragma once
// Serial settings window ("COM Setting"): a floating window shown
// by the connection bar and hidden by OK or Cancel, and the store of the
// settings the next connect uses. The widgets and every member except
// DriveId belong to the user-interface thread; DriveId is also read by the
// link's MainThread on every connected pass.
#include "link/CDriveLink.h"

#include <QDialog>

#include <atomic>
#include <cstdint>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace velt {

class CVELT_HostApp;

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

    uint8_t PortNumber = 3;
    int32_t BaudRate = 9600;
    uint8_t DataBits = 8;
    uint8_t Parity = 0;
    uint8_t StopBits = 1;
    std::atomic<uint8_t> DriveId{1};
    // After the watchdog's disconnect, try the port every second and connect
    // again when the drive answers (the connection bar does it). Off at start.
    bool ReconnectAutomatically = false;

public slots:
    void OnOk();            // takes the typed values and hides
    void reject() override; // Cancel, Esc, close box: hides, values unchanged

protected:
    void keyPressEvent(QKeyEvent* event) override; // Enter does nothing
    void showEvent(QShowEvent* event) override;    // refreshes the port tooltips

private:
    void CreateControls(bool korean);
    void CreateReconnectOption(bool korean);
    void InitValues();
    void RefreshPortTips();
};

} // namespace velt

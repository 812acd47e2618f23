#pragma once
// The Find Drive window, opened from the serial settings: searches the port
// chosen there (or every port) for drives over the rates and IDs, with one
// harmless read each, shows the progress and lists the drives it finds;
// choosing one fills the serial settings. User-interface thread only; the
// search itself runs on threads of its own (link/DriveScan.h), read here
// on a timer.
#include "link/DriveScan.h"

#include <QDialog>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace velt {

class FindDriveDialog : public QDialog {
    Q_OBJECT
public:
    // What the window needs from the serial settings and the link.
    struct Wiring {
        bool Korean = false;
        std::function<std::string()> SelectedPort;          // the port the settings window shows now
        std::function<std::vector<std::string>()> AllPorts; // every port of this machine
        std::function<ScanOrder()> Order;                   // the settings' rate and ID, the last ID used
        std::function<bool()> IsConnected;                  // the link holds a port: no search then
        std::function<void(const FoundDrive&)> UseDrive;    // fills the serial settings
        // Keeps the drives found as their lines' lists of drives (LineDrives.h).
        std::function<void(const std::vector<FoundDrive>&)> KeepDrives;
    };

    FindDriveDialog(Wiring wiring, QWidget* parent);
    ~FindDriveDialog() override; // cancels a running search and waits for it

    QLabel* PortCaption = nullptr;
    QLabel* PortValue = nullptr;
    QCheckBox* AllPortsCheck = nullptr;
    QPushButton* StartButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QProgressBar* Progress = nullptr;
    QLabel* StatusText = nullptr;
    QTableWidget* Results = nullptr;
    QPushButton* UseButton = nullptr;
    QPushButton* KeepButton = nullptr; // "Keep as the line's drives", once a search found any
    QPushButton* CloseButton = nullptr;

    bool IsSearching() const;
    // Cancels a running search and waits for it to let go of its ports.
    void StopSearch();
    const std::vector<FoundDrive>& FoundDrives() const { return found_; }
    // The status of the last search (empty before the first).
    ScanStatus LastStatus() const;

public slots:
    void OnStart();
    void OnCancel();        // stops the search within one probe; the list stays
    void OnUse();           // the selected drive into the settings, then hides
    void OnKeep();          // every drive found into the lines' lists
    void Refresh();         // progress, list and buttons from the search (the timer's)
    void reject() override; // Close, Esc, close box: cancels the search and hides

protected:
    void showEvent(QShowEvent* event) override;

private:
    void CreateControls();
    void ShowPort();
    void AddRow(const FoundDrive& drive);

    Wiring wiring_;
    std::unique_ptr<DriveScan> scan_;
    std::vector<FoundDrive> found_; // the rows of Results, in order
    QTimer timer_;
};

} // namespace velt

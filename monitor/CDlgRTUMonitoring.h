#pragma once
// Register monitor (660 x 25 dialog units): the strip under the
// connection bar that shows the link's request counters and watches the
// connection. When five or more state polls in a row have failed it
// disconnects through the connection bar and tells the user.
// User-interface thread only; reads the link's counters as one snapshot.
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <string>

namespace velt {

class CDriveLink;
class CGridCtrl;

class CDlgRTUMonitoring : public QWidget {
    Q_OBJECT
public:
    static constexpr int kColumns = 12;
    static constexpr uint32_t kFailLimit = 5;

    // The link (may be null: the strip then stays at zero), the language, and
    // what the watchdog calls when the drive has stopped answering (the
    // connection bar's disconnect, and its reconnecting when that is on).
    CDlgRTUMonitoring(CDriveLink* link, bool korean, std::function<void()> disconnectDrive, QWidget* frame);

    // Text of counter cell (1, column).
    QString CounterText(int column) const;

    CGridCtrl* RegisterGrid = nullptr;

public slots:
    void OnTimer(); // every 100 ms: counters, then the watchdog

private:
    void InitRegisterGrid();
    void UpdateRegisterGrid();

    CDriveLink* const link_;
    const bool korean_;
    const std::function<void()> disconnectDrive_;
    QTimer timer_;              // every 100 ms
    bool inWatchdog_ = false;   // the watchdog's message is due or its box is open
    bool inDisconnect_ = false; // the watchdog's disconnect is running
};

} // namespace velt

#pragma once
// Register monitor (660 x 25 dialog units): the strip under the
// connection bar that shows the link's request counters, and tells the user
// when the connection supervisor's watchdog has given up on the drive.
// User-interface thread only; reads the link's counters as one snapshot.
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <string>

namespace velt {

class CDriveLink;
class CGridCtrl;
class ConnectionWatch;
struct ConnectionStatus;

class CDlgRTUMonitoring : public QWidget {
    Q_OBJECT
public:
    static constexpr int kColumns = 12;

    // The link (may be null: the strip then stays at zero), the language, and
    // the connection watch whose losses the strip tells (may be null).
    CDlgRTUMonitoring(const CDriveLink* link, bool korean, ConnectionWatch* watch, QWidget* frame);

    // Text of counter cell (1, column).
    QString CounterText(int column) const;

    CGridCtrl* RegisterGrid = nullptr;

public slots:
    void OnTimer(); // every 100 ms: the counters
    // The supervisor's state changed: a new loss is told, once.
    void FollowConnection(const velt::ConnectionStatus& status);

private:
    void InitRegisterGrid();
    void UpdateRegisterGrid();

    const CDriveLink* const link_;
    const bool korean_;
    QTimer timer_;            // every 100 ms
    uint32_t lossesTold_ = 0; // the supervisor's losses seen so far
    bool inWatchdog_ = false; // the watchdog's message is due or its box is open
};

} // namespace velt

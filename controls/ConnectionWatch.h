#pragma once
// The windows' view of the connection supervisor: looks at its state every
// 100 ms on the user-interface thread and tells every window that connected
// to Changed, in the order they connected, whenever the generation moved on.
// The connection bar connects first, so its buttons already show a loss when
// the register strip opens its message about it.
#include "link/ConnectionSupervisor.h"

#include <QObject>
#include <QTimer>

namespace velt {

class ConnectionWatch : public QObject {
    Q_OBJECT
public:
    // `supervisor` may be null: the state then stays Disconnected.
    explicit ConnectionWatch(const ConnectionSupervisor* supervisor, QObject* parent = nullptr);

    // The state last told.
    const ConnectionStatus& Status() const { return status_; }

public slots:
    // Looks now; tells Changed when the generation moved on.
    void Check();

signals:
    void Changed(const velt::ConnectionStatus& status);

private:
    const ConnectionSupervisor* const supervisor_;
    ConnectionStatus status_;
    QTimer timer_;
};

} // namespace velt

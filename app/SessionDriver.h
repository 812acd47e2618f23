#pragma once
// The unattended parts of velt-host's command line, for long runs with
// nobody at the screen: --report (state and counters every period, messages
// as they are shown, a line whenever the link is lost or connected, the
// drive's versions as the connection bar shows them and each completed read
// of all parameters),
// --repeat (servo on and the repeat cycle once the drive is connected, and
// again, as a user would start it, after a line fault ended it), --scopes
// (scope windows shown and running) and --write-log (every write asked of
// the link). Each does what a user would do with the windows' own buttons.
// User-interface thread.
#include "AppOptions.h"
#include "SessionReport.h"
#include "SessionWiring.h"
#include "link/ConnectionSupervisor.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <memory>
#include <string>

namespace velt {

class SessionDriver : public QObject {
    Q_OBJECT
public:
    // Installs the reporting message service over `shown` when the options
    // ask for reports; the previous service comes back on destruction. The
    // parts outlive the driver.
    SessionDriver(SessionWiring parts, const AppOptions& options, IMessageService& shown);
    ~SessionDriver() override;

    void PrintReport(); // one report line now
    void StepRepeat();  // one look at the connection; presses what is due
    void WatchLink();   // every 100 ms: what the windows show, the repeat cycle after a fault
    void FollowConnection(const velt::ConnectionStatus& status); // lost and made connections
    bool RepeatStarted() const { return repeatStarted_; }

    int VisibleScopes() const;

private:
    CDriveLink* LinkNow() const; // null once the shell has shut down
    // A "session: ..." line on standard output when reports are on.
    void Say(const std::string& what);

    const SessionWiring parts_;
    const AppOptions options_;
    std::unique_ptr<ReportingMessageService> reporting_;
    IMessageService* previous_ = nullptr;
    QElapsedTimer clock_;
    QTimer reportTimer_;
    QTimer repeatTimer_;
    QTimer watchTimer_;
    std::unique_ptr<WriteLogFile> writeLog_;
    qint64 servoOnAskedAt_ = -1;
    bool repeatStarted_ = false;
    bool connected_ = false;        // as the supervisor last said
    bool shownFailing_ = false;     // "polls failing" told and not yet over
    std::string shownVersions_;     // the versions last told
    int shownParamsReads_ = 0;      // the parameter reads last told
    qint64 connectedAt_ = 0;        // when the link was last seen connected
    uint32_t repeatConnection_ = 0; // the connection the cycle was started on
    qint64 repeatEndedAt_ = -1;     // when the cycle was seen ended (-1: running)
    bool runningOnNewConnection_ = false;
};

} // namespace velt

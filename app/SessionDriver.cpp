#include "SessionDriver.h"

#include "controls/ConnectionWatch.h"
#include "link/CDriveLink.h"
#include "link/DriveMap.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace velt {

namespace {
using namespace std::chrono_literals;
// How often --repeat looks at the connection; servo-on shows in the state
// block within a few polls, so a request unanswered after kServoOnRetry is
// sent again.
constexpr auto kRepeatLook = 200ms;
constexpr qint64 kServoOnRetryMs = 2000;
constexpr auto kWatchPeriod = 100ms;
// A cycle a fault ended is started again once the drive has answered this
// long, as a user would press Start again.
constexpr qint64 kRestartAfterMs = 2000;

const char* EndName(RepeatEnd end) {
    switch (end) {
    case RepeatEnd::Stopped:
        return "stopped";
    case RepeatEnd::AlarmOrServoOff:
        return "alarm or servo off";
    case RepeatEnd::RatioDenominatorZero:
        return "ratio denominator 0";
    case RepeatEnd::Halted:
        return "halted";
    case RepeatEnd::LineFault:
        return "line fault";
    case RepeatEnd::None:
        break;
    }
    return "none";
}
} // namespace

SessionDriver::SessionDriver(SessionWiring parts, const AppOptions& options, IMessageService& shown)
    : parts_(std::move(parts)), options_(options) {
    clock_.start();
    if (options_.ReportSeconds > 0) {
        reporting_ = std::make_unique<ReportingMessageService>(shown, stdout);
        previous_ = SetMessageService(reporting_.get());
        connect(&reportTimer_, &QTimer::timeout, this, &SessionDriver::PrintReport);
        reportTimer_.start(std::chrono::seconds(options_.ReportSeconds));
    }
    for (int k = 0; k < options_.Scopes && parts_.PressScope; ++k)
        parts_.PressScope();
    const int running = parts_.RunVisibleScopes ? parts_.RunVisibleScopes() : 0;
    if (options_.Scopes > 0)
        Say("scope windows shown: " + std::to_string(VisibleScopes()) +
            ", running: " + std::to_string(running));
    if (options_.Repeat) {
        connect(&repeatTimer_, &QTimer::timeout, this, &SessionDriver::StepRepeat);
        repeatTimer_.start(kRepeatLook);
    }
    if (!options_.WriteLog.empty() && LinkNow() != nullptr) {
        writeLog_ = std::make_unique<WriteLogFile>(options_.WriteLog);
        if (writeLog_->Ok())
            LinkNow()->SetWriteWatcher(writeLog_.get());
        else
            std::fprintf(stderr, "velt-host: cannot write %s\n", options_.WriteLog.c_str());
    }
    if (options_.ReportSeconds > 0 || options_.Repeat) {
        connect(&watchTimer_, &QTimer::timeout, this, &SessionDriver::WatchLink);
        watchTimer_.start(kWatchPeriod);
        if (parts_.Watch != nullptr)
            connect(parts_.Watch, &ConnectionWatch::Changed, this, &SessionDriver::FollowConnection);
    }
}

SessionDriver::~SessionDriver() {
    if (writeLog_ && LinkNow() != nullptr) LinkNow()->SetWriteWatcher(nullptr);
    if (reporting_) SetMessageService(previous_);
}

void SessionDriver::PrintReport() {
    const CDriveLink* live = LinkNow();
    if (live == nullptr) return;
    const CDriveLink& link = *live;
    const std::string line =
        LinkReportLine(static_cast<long>(clock_.elapsed() / 1000), link.Status(), link.Counters());
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

void SessionDriver::StepRepeat() {
    const CDriveLink* link = LinkNow();
    if (repeatStarted_ || link == nullptr || !parts_.PressServoOn || !parts_.PressRepeatStart) return;
    if (!link->IsConnected() || parts_.ParamsReadCount() == 0) return;
    if ((link->StateRegs()[drive::StateStatus] & drive::StatusServoOn) == 0) {
        if (servoOnAskedAt_ < 0 || clock_.elapsed() - servoOnAskedAt_ > kServoOnRetryMs) {
            servoOnAskedAt_ = clock_.elapsed();
            parts_.PressServoOn();
        }
        return;
    }
    parts_.PressRepeatTest();
    parts_.PressRepeatStart();
    repeatStarted_ = parts_.RepeatState().Repeating;
    if (!repeatStarted_) return;
    repeatTimer_.stop();
    repeatConnection_ = link->ConnectionSerial();
    repeatEndedAt_ = -1;
    runningOnNewConnection_ = false;
    Say("repeat cycle started");
}

void SessionDriver::FollowConnection(const ConnectionStatus& status) {
    const bool connected = status.State == ConnectionState::Connected;
    if (connected == connected_) return;
    if (connected) {
        connectedAt_ = clock_.elapsed();
        if (status.Returns > 0)
            Say("link connected again after " + std::to_string(status.Tries) + " attempts (reconnects " +
                std::to_string(status.Returns) + ")");
        else
            Say("link connected");
    } else {
        Say("link lost");
    }
    connected_ = connected;
}

void SessionDriver::WatchLink() {
    const CDriveLink* live = LinkNow();
    if (live == nullptr) return;
    const CDriveLink& link = *live;
    const qint64 now = clock_.elapsed();
    const bool connected = connected_;
    // What the windows show of the drive, told as it changes: the versions
    // in the connection bar and each completed read of all parameters.
    if (parts_.ShownVersions) {
        const std::string versions = parts_.ShownVersions();
        if (connected && versions != shownVersions_) Say("versions shown: " + versions);
        if (connected) shownVersions_ = versions;
    }
    if (parts_.ParamsReadCount && parts_.ParamsReadCount() != shownParamsReads_) {
        shownParamsReads_ = parts_.ParamsReadCount();
        Say("parameters read: " + std::to_string(shownParamsReads_));
    }
    // Polls failing while the link stays connected: the watchdog's business;
    // told so that a run can see it act (or not).
    const bool failing = connected && link.FailCount() >= ConnectionSupervisor::kFailLimit;
    if (failing != shownFailing_) {
        if (failing)
            Say("polls failing");
        else if (connected)
            Say("polls answered again");
        shownFailing_ = failing;
    }
    if (!options_.Repeat || !repeatStarted_ || !parts_.RepeatState) return;
    const RepeatStatus status = parts_.RepeatState();
    if (status.Repeating) {
        // The cycle must end with the connection it was started on.
        if (link.ConnectionSerial() != repeatConnection_ && !runningOnNewConnection_) {
            runningOnNewConnection_ = true;
            Say("repeat cycle still running on a new connection");
        }
        return;
    }
    if (repeatEndedAt_ < 0) {
        repeatEndedAt_ = now;
        Say(std::string("repeat cycle ended: ") + EndName(status.LastEnd));
    }
    if (connected && link.FailCount() == 0 &&
        now - std::max(repeatEndedAt_, connectedAt_) > kRestartAfterMs) {
        repeatStarted_ = false;
        servoOnAskedAt_ = -1;
        repeatTimer_.start(kRepeatLook);
    }
}

CDriveLink* SessionDriver::LinkNow() const {
    return parts_.Link ? parts_.Link() : nullptr;
}

int SessionDriver::VisibleScopes() const {
    return parts_.VisibleScopes ? parts_.VisibleScopes() : 0;
}

void SessionDriver::Say(const std::string& what) {
    if (!reporting_) return;
    std::printf("session: %s\n", what.c_str());
    std::fflush(stdout);
}

} // namespace velt

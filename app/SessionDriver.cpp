#include "SessionDriver.h"

#include "CDlgMenuBar.h"
#include "CVELT_HostApp.h"
#include "controls/CButtonST.h"
#include "controls/CColorStatic.h"
#include "link/CDriveLink.h"
#include "link/DriveMap.h"
#include "monitor/CDlgMonitoring.h"
#include "monitor/CDlgRTUMonitoring.h"
#include "params/CDlgParameter.h"
#include "repeat/CDlgRepeat.h"
#include "scope/CDlgScope.h"

#include <QPushButton>

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

SessionDriver::SessionDriver(CVELT_HostApp& app, const AppOptions& options, IMessageService& shown)
    : app_(app), options_(options) {
    clock_.start();
    if (options_.ReportSeconds > 0) {
        reporting_ = std::make_unique<ReportingMessageService>(shown, stdout);
        previous_ = SetMessageService(reporting_.get());
        connect(&reportTimer_, &QTimer::timeout, this, &SessionDriver::PrintReport);
        reportTimer_.start(std::chrono::seconds(options_.ReportSeconds));
    }
    for (int k = 0; k < options_.Scopes && app_.MenuBar; ++k)
        app_.MenuBar->ScopeButton->click();
    int running = 0;
    for (CDlgScope* scope : app_.Scopes) {
        if (scope == nullptr || !scope->isVisible()) continue;
        if (scope->RunState() == 0) scope->RunStopButton->click();
        running += scope->RunState() != 0 ? 1 : 0;
    }
    if (options_.Scopes > 0)
        Say("scope windows shown: " + std::to_string(VisibleScopes()) +
            ", running: " + std::to_string(running));
    if (options_.Repeat) {
        connect(&repeatTimer_, &QTimer::timeout, this, &SessionDriver::StepRepeat);
        repeatTimer_.start(kRepeatLook);
    }
    if (!options_.WriteLog.empty() && app_.Link) {
        writeLog_ = std::make_unique<WriteLogFile>(options_.WriteLog);
        if (writeLog_->Ok())
            app_.Link->SetWriteWatcher(writeLog_.get());
        else
            std::fprintf(stderr, "velt-host: cannot write %s\n", options_.WriteLog.c_str());
    }
    if (options_.ReportSeconds > 0 || options_.Repeat) {
        connect(&watchTimer_, &QTimer::timeout, this, &SessionDriver::WatchLink);
        watchTimer_.start(kWatchPeriod);
    }
}

SessionDriver::~SessionDriver() {
    if (writeLog_ && app_.Link) app_.Link->SetWriteWatcher(nullptr);
    if (reporting_) SetMessageService(previous_);
}

void SessionDriver::PrintReport() {
    if (!app_.Link) return;
    const CDriveLink& link = *app_.Link;
    const std::string line = LinkReportLine(static_cast<long>(clock_.elapsed() / 1000), link.Connected.load(),
                                            link.FailCount.load(), link.Counters(),
                                            {link.Reconnecting.load(), link.Reconnects.load()});
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

void SessionDriver::StepRepeat() {
    if (repeatStarted_ || !app_.Link || !app_.Monitoring || !app_.Repeat || !app_.Parameter) return;
    if (app_.Link->Connected.load() != 1 || app_.Parameter->ParamsReadCount == 0) return;
    if ((app_.Link->StateRegs()[drive::StateStatus] & drive::StatusServoOn) == 0) {
        if (servoOnAskedAt_ < 0 || clock_.elapsed() - servoOnAskedAt_ > kServoOnRetryMs) {
            servoOnAskedAt_ = clock_.elapsed();
            app_.Monitoring->ServoOnButton->click();
        }
        return;
    }
    app_.Monitoring->RepeatButton->click();
    app_.Repeat->StartButton->click();
    repeatStarted_ = app_.Repeat->Sequence().Status().Repeating;
    if (!repeatStarted_) return;
    repeatTimer_.stop();
    repeatConnection_ = app_.Link->ConnectionSerial.load();
    repeatEndedAt_ = -1;
    runningOnNewConnection_ = false;
    Say("repeat cycle started");
}

void SessionDriver::WatchLink() {
    if (!app_.Link) return;
    const CDriveLink& link = *app_.Link;
    const qint64 now = clock_.elapsed();
    const int connected = link.Connected.load() == 1 ? 1 : 0;
    if (connected != shownConnected_) {
        if (connected) {
            connectedAt_ = now;
            if (link.Reconnects.load() > 0)
                Say("link connected again after " + std::to_string(link.ReconnectAttempts.load()) +
                    " attempts (reconnects " + std::to_string(link.Reconnects.load()) + ")");
            else
                Say("link connected");
        } else if (shownConnected_ == 1) {
            Say("link lost");
        }
        shownConnected_ = connected;
    }
    // What the windows show of the drive, told as it changes: the versions
    // in the connection bar and each completed read of all parameters.
    if (app_.MenuBar && app_.MenuBar->HwVersionLabel && app_.MenuBar->SwVersionLabel) {
        const std::string versions = app_.MenuBar->HwVersionLabel->text().toStdString() + " | " +
                                     app_.MenuBar->SwVersionLabel->text().toStdString();
        if (connected && versions != shownVersions_) Say("versions shown: " + versions);
        if (connected) shownVersions_ = versions;
    }
    if (app_.Parameter && app_.Parameter->ParamsReadCount != shownParamsReads_) {
        shownParamsReads_ = app_.Parameter->ParamsReadCount;
        Say("parameters read: " + std::to_string(shownParamsReads_));
    }
    // Polls failing while the link stays connected: the watchdog's business;
    // told so that a run can see it act (or not).
    const bool failing = connected && link.FailCount.load() >= CDlgRTUMonitoring::kFailLimit;
    if (failing != shownFailing_) {
        if (failing)
            Say("polls failing");
        else if (connected)
            Say("polls answered again");
        shownFailing_ = failing;
    }
    if (!options_.Repeat || !repeatStarted_ || !app_.Repeat) return;
    const RepeatStatus status = app_.Repeat->Sequence().Status();
    if (status.Repeating) {
        // The cycle must end with the connection it was started on.
        if (link.ConnectionSerial.load() != repeatConnection_ && !runningOnNewConnection_) {
            runningOnNewConnection_ = true;
            Say("repeat cycle still running on a new connection");
        }
        return;
    }
    if (repeatEndedAt_ < 0) {
        repeatEndedAt_ = now;
        Say(std::string("repeat cycle ended: ") + EndName(status.LastEnd));
    }
    if (connected && link.FailCount.load() == 0 &&
        now - std::max(repeatEndedAt_, connectedAt_) > kRestartAfterMs) {
        repeatStarted_ = false;
        servoOnAskedAt_ = -1;
        repeatTimer_.start(kRepeatLook);
    }
}

int SessionDriver::VisibleScopes() const {
    int n = 0;
    for (const CDlgScope* scope : app_.Scopes)
        n += scope != nullptr && scope->isVisible() ? 1 : 0;
    return n;
}

void SessionDriver::Say(const std::string& what) {
    if (!reporting_) return;
    std::printf("session: %s\n", what.c_str());
    std::fflush(stdout);
}

} // namespace velt

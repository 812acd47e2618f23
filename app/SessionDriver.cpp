#include "SessionDriver.h"

#include "CDlgMenuBar.h"
#include "CVELT_HostApp.h"
#include "controls/CButtonST.h"
#include "link/CDriveLink.h"
#include "link/DriveMap.h"
#include "monitor/CDlgMonitoring.h"
#include "params/CDlgParameter.h"
#include "repeat/CDlgRepeat.h"
#include "scope/CDlgScope.h"

#include <QPushButton>

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
}

SessionDriver::~SessionDriver() {
    if (reporting_) SetMessageService(previous_);
}

void SessionDriver::PrintReport() {
    if (!app_.Link) return;
    const CDriveLink& link = *app_.Link;
    const std::string line = LinkReportLine(static_cast<long>(clock_.elapsed() / 1000), link.Connected.load(),
                                            link.FailCount.load(), link.Counters());
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
    Say("repeat cycle started");
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

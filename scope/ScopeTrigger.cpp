#include "scope/ScopeTrigger.h"

#include <algorithm>
#include <cmath>

namespace velt {

namespace {
// Holdoffs beyond a day are taken as a day: the count stays a plain number.
constexpr double kLongestHoldoffSeconds = 86400.0;

TriggerSettings Sane(TriggerSettings s) {
    s.Channel = std::clamp(s.Channel, 0, kScopeTraces - 1);
    if (!std::isfinite(s.Level)) s.Level = 0.0;
    s.PreTrigger = std::isfinite(s.PreTrigger) ? std::clamp(s.PreTrigger, 0.0, 1.0) : 0.0;
    s.HoldoffSeconds =
        std::isfinite(s.HoldoffSeconds) ? std::clamp(s.HoldoffSeconds, 0.0, kLongestHoldoffSeconds) : 0.0;
    return s;
}
} // namespace

void ScopeTrigger::Configure(const TriggerSettings& settings) {
    const TriggerSettings next = Sane(settings);
    if (next.Channel != settings_.Channel) havePrevious_ = false;
    const bool modeChanged = next.Mode != settings_.Mode;
    settings_ = next;
    if (!modeChanged) return;
    state_ = settings_.Mode == TriggerMode::FreeRun ? TriggerState::Off : TriggerState::Armed;
    autoLive_ = false;
    sinceShown_ = 0;
}

void ScopeTrigger::Arm() {
    taken_ = 0;
    havePrevious_ = false;
    autoLive_ = false;
    sinceShown_ = 0;
    chartRunning_ = true; // the window starts from an empty chart
    state_ = settings_.Mode == TriggerMode::FreeRun ? TriggerState::Off : TriggerState::Armed;
}

void ScopeTrigger::SetState(TriggerState s, TriggerStep* step) {
    if (s == state_) return;
    state_ = s;
    step->StateChanged = true;
}

bool ScopeTrigger::EdgeBetween(double older, double newer) const {
    const double level = settings_.Level;
    if (settings_.Edge == TriggerEdge::Rising) return older < level && newer >= level;
    return older > level && newer <= level;
}

int ScopeTrigger::SpanCount(int span) const {
    const int taken = static_cast<int>(std::min<int64_t>(taken_, kScopeCapacity));
    if (span <= 0 || taken <= 0) return 0;
    return history_.OldestWithin(std::nextafter(static_cast<double>(span), 0.0), taken) + 1;
}

void ScopeTrigger::Complete(int span, TriggerStep* step) {
    step->Action = TriggerStep::Display::Show;
    step->ShowCount = SpanCount(span);
    step->OriginAge = history_.Step(0) - crossing_;
    autoLive_ = false;
    sinceShown_ = 0;
    chartRunning_ = false;
    const auto holdoff = static_cast<double>(std::llround(settings_.HoldoffSeconds * kSamplesPerSecond));
    if (settings_.Mode == TriggerMode::Single) {
        SetState(TriggerState::Stopped, step);
    } else if (holdoff > 0) {
        holdoffLeft_ = holdoff;
        SetState(TriggerState::Holding, step);
    } else {
        SetState(TriggerState::Armed, step);
    }
}

TriggerStep ScopeTrigger::Feed(const TraceFlags& enabled, const TraceValues& values, int span,
                               double advance) {
    span = std::clamp(span, 0, kScopeCapacity);
    // Before the first sample ever, the one-step gap of the grid.
    const double olderStep = history_.Count() > 0 ? history_.Step(0) : -1.0;
    history_.Push(values, advance);
    ++taken_;
    const double now = history_.Step(0);
    const size_t channel = static_cast<size_t>(settings_.Channel);
    const bool on = enabled[channel] != 0;
    const double value = values[channel];

    TriggerStep step;
    if (state_ == TriggerState::Holding && (holdoffLeft_ -= now - olderStep) <= 0) {
        SetState(TriggerState::Armed, &step);
    } else if (state_ == TriggerState::Armed && on && havePrevious_ && EdgeBetween(previous_, value)) {
        // (level - older) / (newer - older) lies in (0, 1] for an edge; values
        // near the double range could still round it outside.
        double share = (settings_.Level - previous_) / (value - previous_);
        share = std::isnan(share) ? 1.0 : std::clamp(share, 0.0, 1.0);
        crossing_ = olderStep + share * (now - olderStep);
        endStep_ = std::max(now, std::floor(crossing_ + span * (1.0 - settings_.PreTrigger)));
        SetState(TriggerState::Triggered, &step);
    }
    previous_ = value;
    havePrevious_ = on;

    if (state_ == TriggerState::Triggered && now >= endStep_) {
        Complete(span, &step);
        return step;
    }
    bool running = state_ == TriggerState::Off;
    if (settings_.Mode == TriggerMode::Auto && state_ != TriggerState::Stopped &&
        state_ != TriggerState::Off) {
        if (!autoLive_ && (sinceShown_ += now - olderStep) >= span) autoLive_ = true;
        running = autoLive_;
    }
    if (!running) {
        step.Action = TriggerStep::Display::Hold;
        chartRunning_ = false;
    } else if (!chartRunning_) {
        step.Action = TriggerStep::Display::Show;
        step.ShowCount = SpanCount(span);
        step.OriginAge = 0.0;
        chartRunning_ = true;
    }
    return step;
}

} // namespace velt

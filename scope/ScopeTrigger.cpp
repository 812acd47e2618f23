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

void ScopeTrigger::Complete(int span, int64_t sample, TriggerStep* step) {
    step->Action = TriggerStep::Display::Show;
    step->ShowCount = static_cast<int>(std::min<int64_t>(span, taken_));
    step->OriginAge = static_cast<double>(sample) - crossing_;
    autoLive_ = false;
    sinceShown_ = 0;
    chartRunning_ = false;
    const auto holdoff = static_cast<int64_t>(std::llround(settings_.HoldoffSeconds * kSamplesPerSecond));
    if (settings_.Mode == TriggerMode::Single) {
        SetState(TriggerState::Stopped, step);
    } else if (holdoff > 0) {
        holdoffLeft_ = holdoff;
        SetState(TriggerState::Holding, step);
    } else {
        SetState(TriggerState::Armed, step);
    }
}

TriggerStep ScopeTrigger::Feed(const TraceFlags& enabled, const TraceValues& values, int span) {
    span = std::clamp(span, 0, kScopeCapacity);
    history_.Push(values);
    ++taken_;
    const int64_t sample = history_.Count() - 1;
    const size_t channel = static_cast<size_t>(settings_.Channel);
    const bool on = enabled[channel] != 0;
    const double value = values[channel];

    TriggerStep step;
    if (state_ == TriggerState::Holding && --holdoffLeft_ <= 0) {
        SetState(TriggerState::Armed, &step);
    } else if (state_ == TriggerState::Armed && on && havePrevious_ && EdgeBetween(previous_, value)) {
        // (level - older) / (newer - older) lies in (0, 1] for an edge; values
        // near the double range could still round it outside.
        double share = (settings_.Level - previous_) / (value - previous_);
        share = std::isnan(share) ? 1.0 : std::clamp(share, 0.0, 1.0);
        crossing_ = static_cast<double>(sample - 1) + share;
        const double after = std::floor(crossing_ + span * (1.0 - settings_.PreTrigger));
        endSample_ = std::max(sample, static_cast<int64_t>(after));
        SetState(TriggerState::Triggered, &step);
    }
    previous_ = value;
    havePrevious_ = on;

    if (state_ == TriggerState::Triggered && sample >= endSample_) {
        Complete(span, sample, &step);
        return step;
    }
    bool running = state_ == TriggerState::Off;
    if (settings_.Mode == TriggerMode::Auto && state_ != TriggerState::Stopped &&
        state_ != TriggerState::Off) {
        if (!autoLive_ && ++sinceShown_ >= span) autoLive_ = true;
        running = autoLive_;
    }
    if (!running) {
        step.Action = TriggerStep::Display::Hold;
        chartRunning_ = false;
    } else if (!chartRunning_) {
        step.Action = TriggerStep::Display::Show;
        step.ShowCount = static_cast<int>(std::min<int64_t>(span, taken_));
        step.OriginAge = 0.0;
        chartRunning_ = true;
    }
    return step;
}

} // namespace velt

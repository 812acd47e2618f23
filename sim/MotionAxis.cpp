#include "MotionAxis.h"

#include <algorithm>
#include <cmath>

namespace velt::sim {
namespace {

// The motor lags the command by this time constant; the lag is what a
// position loop with the default gains shows at the encoder.
constexpr double kFollowTau = 0.004;
// Free-running motor (servo off) spins down with this time constant.
constexpr double kCoastTau = 0.15;
// Torque control: speed reached per mA, and how fast the load settles.
constexpr double kRevPerSecPerMa = 0.02;
constexpr double kTorqueTau = 0.2;
// Current model: inertia (mA per rev/s^2), friction and viscous terms.
constexpr double kMaPerRevPerSec2 = 1.2;
constexpr double kFrictionMa = 120.0;
constexpr double kViscousMaPerRevPerSec = 2.0;
constexpr double kCurrentTau = 0.001;
constexpr double kRipple = 0.02;
constexpr double kRippleHz = 37.0;
constexpr double kTwoPi = 6.283185307179586;

double Sign(double v) {
    return v > 0 ? 1.0 : (v < 0 ? -1.0 : 0.0);
}

// Moves v towards goal by at most rate * dt (rate may be infinite).
double Approach(double v, double goal, double rate, double dt) {
    const double stepSize = rate * dt;
    if (std::abs(goal - v) <= stepSize) return goal;
    return v + Sign(goal - v) * stepSize;
}

} // namespace

void MotionAxis::Engage() {
    mode_ = Mode::Hold;
    cmdPos_ = std::round(actPos_);
    cmdVel_ = 0;
    stopping_ = false;
}

void MotionAxis::Release() {
    mode_ = Mode::Free;
    cmdVel_ = 0;
    stopping_ = false;
}

void MotionAxis::MoveTo(double target, double speed, double acc, double dec) {
    if (mode_ == Mode::Free) return;
    if (mode_ != Mode::Position && mode_ != Mode::Velocity) cmdVel_ = 0;
    mode_ = Mode::Position;
    target_ = target;
    maxSpeed_ = std::abs(speed);
    acc_ = acc;
    dec_ = dec;
    stopping_ = false;
}

void MotionAxis::RunAt(double velocity, double acc, double dec) {
    if (mode_ == Mode::Free) return;
    if (mode_ != Mode::Position && mode_ != Mode::Velocity) cmdVel_ = 0;
    mode_ = Mode::Velocity;
    goalVel_ = velocity;
    acc_ = acc;
    dec_ = dec;
    stopping_ = false;
}

void MotionAxis::HoldCurrent(double currentMa, double maxSpeed) {
    if (mode_ == Mode::Free) return;
    mode_ = Mode::Torque;
    holdCurrent_ = currentMa;
    cmdCurrent_ = currentMa;
    torqueSpeed_ = std::abs(maxSpeed);
    stopping_ = false;
}

void MotionAxis::Stop(double dec) {
    if (mode_ == Mode::Free || mode_ == Mode::Hold) return;
    if (mode_ == Mode::Torque) {
        mode_ = Mode::Velocity;
        cmdVel_ = actVel_;
    }
    mode_ = Mode::Velocity;
    goalVel_ = 0;
    dec_ = dec;
    stopping_ = true;
}

void MotionAxis::SetPosition(double position) {
    const double shift = position - actPos_;
    actPos_ = position;
    cmdPos_ += shift;
    target_ += shift;
}

bool MotionAxis::Profiling() const {
    switch (mode_) {
    case Mode::Position:
        return true;
    case Mode::Velocity:
        return cmdVel_ != 0 || goalVel_ != 0;
    default:
        return false;
    }
}

void MotionAxis::StepPosition(double dt) {
    const double remaining = target_ - cmdPos_;
    const double dir = Sign(remaining);
    double speed = std::abs(cmdVel_);
    if (cmdVel_ * dir < 0) {
        // Moving away from the target: brake first.
        cmdVel_ = Approach(cmdVel_, 0, dec_, dt);
        cmdPos_ += cmdVel_ * dt;
        return;
    }
    // Fastest speed from which the deceleration still stops at the target.
    const double brake = std::isinf(dec_) ? maxSpeed_ : std::sqrt(2.0 * dec_ * std::abs(remaining));
    speed = std::min({Approach(speed, maxSpeed_, acc_, dt), maxSpeed_, brake});
    if (speed * dt >= std::abs(remaining) || remaining == 0) {
        cmdPos_ = target_;
        cmdVel_ = 0;
        mode_ = Mode::Hold;
        return;
    }
    cmdVel_ = dir * speed;
    cmdPos_ += cmdVel_ * dt;
}

void MotionAxis::StepVelocity(double dt) {
    const bool speedingUp = std::abs(goalVel_) > std::abs(cmdVel_) && cmdVel_ * goalVel_ >= 0;
    cmdVel_ = Approach(cmdVel_, goalVel_, speedingUp ? acc_ : dec_, dt);
    cmdPos_ += cmdVel_ * dt;
    if (stopping_ && cmdVel_ == 0) {
        mode_ = Mode::Hold;
        stopping_ = false;
    }
}

void MotionAxis::Follow(double dt) {
    const double before = actPos_;
    if (mode_ == Mode::Free) {
        actVel_ *= std::exp(-dt / kCoastTau);
        if (std::abs(actVel_) < 1.0) actVel_ = 0;
        actPos_ += actVel_ * dt;
        cmdPos_ = actPos_;
        return;
    }
    if (mode_ == Mode::Torque) {
        actVel_ += (cmdVel_ - actVel_) * (1.0 - std::exp(-dt / kTorqueTau));
        actPos_ += actVel_ * dt;
        cmdPos_ = actPos_;
        return;
    }
    actPos_ += (cmdPos_ - actPos_) * (1.0 - std::exp(-dt / kFollowTau));
    if (!Profiling() && std::abs(cmdPos_ - actPos_) < 0.5) actPos_ = cmdPos_;
    actVel_ = dt > 0 ? (actPos_ - before) / dt : 0;
}

void MotionAxis::Step(double dt, double countsPerRev, double maxCurrentMa) {
    if (dt <= 0) return;
    const double velBefore = cmdVel_;
    if (mode_ == Mode::Position)
        StepPosition(dt);
    else if (mode_ == Mode::Velocity)
        StepVelocity(dt);
    else if (mode_ == Mode::Torque) {
        const double revPerSec = holdCurrent_ * kRevPerSecPerMa;
        cmdVel_ = std::clamp(revPerSec * countsPerRev, -torqueSpeed_, torqueSpeed_);
    }
    cmdAcc_ = mode_ == Mode::Torque ? 0 : (cmdVel_ - velBefore) / dt;
    Follow(dt);

    const double cpr = countsPerRev > 0 ? countsPerRev : 1.0;
    if (mode_ == Mode::Free) {
        cmdCurrent_ = 0;
    } else if (mode_ == Mode::Torque) {
        cmdCurrent_ = holdCurrent_;
    } else {
        const double vel = actVel_ / cpr;
        cmdCurrent_ = kMaPerRevPerSec2 * cmdAcc_ / cpr + kViscousMaPerRevPerSec * vel;
        if (std::abs(vel) > 0.01) cmdCurrent_ += Sign(vel) * kFrictionMa;
    }
    const double limit = std::max(0.0, maxCurrentMa);
    cmdCurrent_ = std::clamp(cmdCurrent_, -limit, limit);
    phase_ = std::fmod(phase_ + dt * kTwoPi * kRippleHz, kTwoPi);
    filtCurrent_ += (cmdCurrent_ - filtCurrent_) * (1.0 - std::exp(-dt / kCurrentTau));
    if (mode_ == Mode::Free) filtCurrent_ = 0;
    actCurrent_ = filtCurrent_ * (1.0 + kRipple * std::sin(phase_));
}

} // namespace velt::sim

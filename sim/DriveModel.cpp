#include "DriveModel.h"

#include "StateFile.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace velt::sim {
namespace {

constexpr int kCommandRegister = 120;
constexpr int kPosLow = 122;
constexpr int kSpeedArg = 124;
constexpr int kTorqueArg = 125;
constexpr int kSetPosLow = 126;
constexpr int kHardwareVersion = 142;
constexpr int kSoftwareVersion = 143;
// The command block and the version registers are not part of the stored set.
constexpr int kCommandBlockFirst = 120;
constexpr int kCommandBlockLast = 127;

// Parameter numbers the model reads.
constexpr int kHomingHighSpeed = 0, kHomingLowSpeed = 1, kHomingAccDec = 2, kHomingDir = 4, kHomingOffset = 5;
constexpr int kVelocityAcc = 20, kVelocityDec = 21, kMaxSpeed1 = 23, kMaxCurrent1 = 25;
constexpr int kPositionSpeed = 34, kPositionAccDec = 35, kUpToSpeedOffset = 37, kInPositionOffset = 38;
constexpr int kInPole = 40, kOutPole = 41, kInFunction1 = 42, kOutFunction1 = 51;
constexpr int kRatioNum = 60, kRatioDen = 61;
constexpr int kDefaultMode = 70, kDefaultForm = 71, kSwitchMode = 72, kSwitchForm = 73;
constexpr int kEncoderResolution = 105, kMotorPole = 108;

// The power-on I/O assignment: IoPresetTable preset 0 (position control by
// communication): all inputs USER; outputs READY, ALARM, INPOSITION, MOVING.
constexpr std::array<uint16_t, 8> kPresetInputs{0, 0, 0, 0, 0, 0, 0, 0};
constexpr std::array<uint16_t, 4> kPresetOutputs{1, 2, 3, 6};

constexpr auto kStep = std::chrono::milliseconds(1);
constexpr double kCounterSpan = 4294967296.0; // 2^32 encoder counts
// After a long pause (the process was stopped) only this much is simulated.
constexpr auto kMaxCatchUp = std::chrono::seconds(10);
// Homing travels a quarter turn towards the sensor, then backs off 1/20 turn.
constexpr double kHomingSearchTurns = 0.25;
constexpr double kHomingBackoffTurns = 0.05;
// Speeds below this count as zero speed.
constexpr double kZeroSpeedRpm = 0.5;

enum InputFunction {
    kInEmg = 1,
    kInReset = 2,
    kInServo = 3,
    kInRunStop = 4,
    kInHome = 7,
    kInModeChange = 12,
    kInCwLimit = 14,
    kInCcwLimit = 15
};
constexpr uint16_t kAlarmEmg = 1, kAlarmCwLimit = 10, kAlarmCcwLimit = 11;

int32_t Wrap32(int64_t v) {
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(v)));
}

int16_t Clamp16(double v) {
    return static_cast<int16_t>(std::clamp(std::lround(v), -32768L, 32767L));
}

void Put32(std::array<uint16_t, kStateCount>& s, int low, double value) {
    const uint32_t bits = static_cast<uint32_t>(Wrap32(std::llround(value)));
    s[low] = static_cast<uint16_t>(bits & 0xFFFF);
    s[low + 1] = static_cast<uint16_t>(bits >> 16);
}

// The help texts never change, so every model shares one reading of them.
const ParamLimits& SharedLimits() {
    static const ParamLimits limits;
    return limits;
}

} // namespace

DriveModel::DriveModel(std::string stateFile) : limits_(SharedLimits()), stateFile_(std::move(stateFile)) {
    SetDefaults();
    if (!stateFile_.empty()) {
        std::vector<StoredRegister> stored;
        loadOk_ = StateFile::Load(stateFile_, &stored);
        for (const StoredRegister& r : stored) {
            const bool commandBlock = r.reg >= kCommandBlockFirst && r.reg <= kCommandBlockLast;
            if (!commandBlock && r.reg != kHardwareVersion && r.reg != kSoftwareVersion)
                regs_[r.reg] = r.value;
        }
    }
    RefreshState();
}

void DriveModel::SetDefaults() {
    for (int n = 0; n < kHoldingCount; ++n)
        regs_[n] = static_cast<uint16_t>(limits_.Default(n));
    regs_[kRatioNum] = regs_[kRatioDen] = 100;
    regs_[kEncoderResolution] = 10000;
    regs_[kDefaultMode] = 0;
    regs_[kDefaultForm] = 0;
    regs_[kSwitchMode] = 1;
    regs_[kSwitchForm] = 10;
    regs_[kInPole] = 255;
    regs_[kOutPole] = 14;
    for (size_t i = 0; i < kPresetInputs.size(); ++i)
        regs_[kInFunction1 + i] = kPresetInputs[i];
    for (size_t i = 0; i < kPresetOutputs.size(); ++i)
        regs_[kOutFunction1 + i] = kPresetOutputs[i];
    regs_[kHardwareVersion] = kDefaultVersion;
    regs_[kSoftwareVersion] = kDefaultVersion;
}

int32_t DriveModel::ConvertTarget(int32_t pos, int32_t num, int32_t den) {
    if (den == 0 || (den == -1 && pos == std::numeric_limits<int32_t>::min())) return pos;
    const int32_t whole = Wrap32(static_cast<int64_t>(pos / den) * num);
    const int32_t part = Wrap32(static_cast<int64_t>(pos % den) * num) / den;
    return Wrap32(static_cast<int64_t>(whole) + part);
}

uint8_t DriveModel::WriteHolding(int reg, uint16_t value) {
    if (reg < 0 || reg >= kHoldingCount) return kExIllegalAddress;
    if (refused_.count(reg)) return kExDeviceFailure;
    // The version registers are read-only.
    if (reg == kHardwareVersion || reg == kSoftwareVersion) return kExIllegalAddress;
    if (reg == kCommandRegister) {
        const uint8_t result = Execute(value);
        RefreshState();
        return result;
    }
    if (!limits_.Accepts(reg, static_cast<int16_t>(value), regs_)) return kExIllegalValue;
    regs_[reg] = value;
    return 0;
}

uint8_t DriveModel::WriteCoil(int k, bool on) {
    if (k < 0 || k >= kWritableCoils) return kExIllegalAddress;
    coils_[k] = on;
    return 0;
}

void DriveModel::SetInput(int k, bool on) {
    if (k < 0 || k >= kBitCount || inputs_[k] == on) return;
    inputs_[k] = on;
    if (k < 8) {
        // IN POLE bit set: normally open, active when the input is on.
        const bool normallyOpen = (regs_[kInPole] >> k) & 1;
        ApplyInputFunction(k, normallyOpen ? on : !on);
    }
    RefreshState();
}

void DriveModel::ApplyInputFunction(int k, bool active) {
    switch (Param(kInFunction1 + k)) {
    case kInEmg:
        if (active) Execute(static_cast<uint16_t>(DriveCommand::Emg));
        break;
    case kInReset:
        if (active) Reset();
        break;
    case kInServo:
        Execute(static_cast<uint16_t>(active ? DriveCommand::ServoOn : DriveCommand::ServoOff));
        break;
    case kInRunStop:
        Execute(static_cast<uint16_t>(active ? DriveCommand::Run : DriveCommand::Stop));
        break;
    case kInHome:
        if (active) StartHoming();
        break;
    case kInModeChange:
        if (!servoOn_) activeSet_ = active ? 2 : 1;
        break;
    case kInCwLimit:
    case kInCcwLimit:
        if (active) RaiseAlarm(Param(kInFunction1 + k) == kInCwLimit ? kAlarmCwLimit : kAlarmCcwLimit);
        break;
    default:
        break; // USER and the functions a communication drive ignores
    }
}

void DriveModel::SetRefuse(int reg, bool on) {
    if (on)
        refused_.insert(reg);
    else
        refused_.erase(reg);
}

void DriveModel::RaiseAlarm(int alarm) {
    if (alarm <= 0) {
        Reset();
    } else {
        alarm_ = static_cast<uint16_t>(std::min(alarm, 0xFFFF));
        DropServo();
    }
    RefreshState();
}

void DriveModel::ServoOff() {
    DropServo();
    RefreshState();
}

void DriveModel::DropServo() {
    servoOn_ = false;
    running_ = false;
    homing_ = Homing::Idle;
    axis_.Release();
}

void DriveModel::Reset() {
    alarm_ = 0;
    emg_ = false;
}

uint8_t DriveModel::Execute(uint16_t code) {
    switch (static_cast<DriveCommand>(code)) {
    case DriveCommand::Stop: {
        if (homing_ != Homing::Idle) homing_ = Homing::Idle;
        // The ramp brings the motor from the speed it turns at: under torque
        // control the commanded speed may be far below it, even zero.
        const double speed = std::max(std::abs(axis_.CmdVel()), std::abs(axis_.ActVel()));
        axis_.Stop(RateFor(speed, ControlMode() == 0 ? Param(kPositionAccDec) : Param(kVelocityDec)));
        break;
    }
    case DriveCommand::Run:
        Run();
        break;
    case DriveCommand::Emg:
        emg_ = true;
        alarm_ = kAlarmEmg;
        DropServo();
        break;
    case DriveCommand::Reset:
        Reset();
        break;
    case DriveCommand::Store: {
        if (stateFile_.empty()) break;
        std::vector<StoredRegister> stored;
        for (int n = 0; n < kHoldingCount; ++n) {
            if ((n >= kCommandBlockFirst && n <= kCommandBlockLast) || n == kHardwareVersion ||
                n == kSoftwareVersion)
                continue;
            stored.push_back({n, regs_[n]});
        }
        if (!StateFile::Save(stateFile_, stored)) return kExDeviceFailure;
        break;
    }
    case DriveCommand::ServoOn:
        if (alarm_ == 0 && !servoOn_) {
            servoOn_ = true;
            axis_.Engage();
        }
        break;
    case DriveCommand::ServoOff:
        DropServo();
        break;
    case DriveCommand::Homing:
        StartHoming();
        break;
    case DriveCommand::SwitchToSet2:
        if (!servoOn_ && activeSet_ == 1) activeSet_ = 2;
        break;
    case DriveCommand::SwitchToSet1:
        if (!servoOn_ && activeSet_ == 2) activeSet_ = 1;
        break;
    case DriveCommand::SetEncoder: {
        const uint32_t bits = regs_[kSetPosLow] | (static_cast<uint32_t>(regs_[kSetPosLow + 1]) << 16);
        axis_.SetPosition(static_cast<int32_t>(bits));
        break;
    }
    default:
        break; // codes the drive does not know are ignored
    }
    return 0;
}

void DriveModel::Run() {
    if (!servoOn_ || alarm_ != 0 || homing_ != Homing::Idle) return;
    const double maxRpm = std::max<int16_t>(Param(kMaxSpeed1), 1);
    const double speedRpm = std::clamp<double>(Param(kSpeedArg), -maxRpm, maxRpm);
    switch (ControlMode()) {
    case 0: {
        const uint32_t bits = regs_[kPosLow] | (static_cast<uint32_t>(regs_[kPosLow + 1]) << 16);
        const int32_t target = ConvertTarget(static_cast<int32_t>(bits), Param(kRatioNum), Param(kRatioDen));
        // A zero speed argument moves at the position-mode speed parameter.
        const double rpm =
            speedRpm != 0 ? std::abs(speedRpm) : std::clamp<double>(Param(kPositionSpeed), 1, maxRpm);
        runSpeedCps_ = RpmToCps(rpm);
        const double rate = RateFor(runSpeedCps_, Param(kPositionAccDec));
        axis_.MoveTo(target, runSpeedCps_, rate, rate);
        break;
    }
    case 1: {
        runSpeedCps_ = RpmToCps(speedRpm);
        const double top = std::max(std::abs(runSpeedCps_), std::abs(axis_.CmdVel()));
        axis_.RunAt(runSpeedCps_, RateFor(top, Param(kVelocityAcc)), RateFor(top, Param(kVelocityDec)));
        break;
    }
    case 2: {
        const double limit = std::max<int16_t>(Param(kMaxCurrent1), 0);
        runSpeedCps_ = 0;
        axis_.HoldCurrent(std::clamp<double>(Param(kTorqueArg), -limit, limit), RpmToCps(maxRpm));
        break;
    }
    default:
        return; // no such control mode: nothing runs
    }
    running_ = true;
}

void DriveModel::StartHoming() {
    if (!servoOn_ || alarm_ != 0) return;
    homed_ = false;
    running_ = false;
    homing_ = Homing::Search;
    homingDir_ = Param(kHomingDir) == 1 ? -1.0 : 1.0;
    const double speed = RpmToCps(std::max<int16_t>(Param(kHomingHighSpeed), 1));
    const double rate = RateFor(speed, Param(kHomingAccDec));
    axis_.MoveTo(std::round(axis_.CmdPos() + homingDir_ * kHomingSearchTurns * CountsPerRev()), speed, rate,
                 rate);
}

void DriveModel::StepHoming() {
    if (homing_ == Homing::Idle || axis_.mode() != MotionAxis::Mode::Hold) return;
    // The sensor edge is taken once the motor has settled, not while it lags.
    if (homing_ == Homing::Backoff && axis_.ActPos() != axis_.CmdPos()) return;
    if (homing_ == Homing::Search) {
        homing_ = Homing::Backoff;
        const double speed = RpmToCps(std::max<int16_t>(Param(kHomingLowSpeed), 1));
        const double rate = RateFor(speed, Param(kHomingAccDec));
        axis_.MoveTo(std::round(axis_.CmdPos() - homingDir_ * kHomingBackoffTurns * CountsPerRev()), speed,
                     rate, rate);
        return;
    }
    homing_ = Homing::Idle;
    homed_ = true;
    axis_.SetPosition(Param(kHomingOffset));
}

int DriveModel::ControlMode() const {
    return activeSet_ == 2 ? Param(kSwitchMode) : Param(kDefaultMode);
}

double DriveModel::CountsPerRev() const {
    const int16_t counts = Param(kEncoderResolution);
    return counts > 0 ? counts : 10000.0;
}

// Acceleration that reaches `speed` in `ms` milliseconds (0 ms: at once).
double DriveModel::RateFor(double speed, int16_t ms) {
    if (ms <= 0) return std::numeric_limits<double>::infinity();
    return std::abs(speed) / (ms / 1000.0);
}

void DriveModel::Advance(Clock::time_point now) {
    if (!started_) {
        started_ = true;
        last_ = now;
        return;
    }
    if (now <= last_) return;
    if (now - last_ > kMaxCatchUp) last_ = now - kMaxCatchUp;
    while (now - last_ >= kStep) {
        last_ += kStep;
        StepOnce(std::chrono::duration<double>(kStep).count());
    }
    RefreshState();
}

void DriveModel::StepOnce(double dt) {
    seconds_ += dt;
    axis_.Step(dt, CountsPerRev(), std::max<int16_t>(Param(kMaxCurrent1), 0));
    // The drive counts in 32 bits: a motor that turns past the end of the
    // counter comes back in at the other end, so a later move to a target
    // goes the way the master reckons from the position it reads.
    const double pos = axis_.ActPos();
    if (pos >= kCounterSpan / 2)
        axis_.SetPosition(pos - kCounterSpan);
    else if (pos < -kCounterSpan / 2)
        axis_.SetPosition(pos + kCounterSpan);
    StepHoming();
    if (running_ && axis_.mode() == MotionAxis::Mode::Hold) running_ = false;
}

void DriveModel::RefreshState() {
    auto& s = state_;
    s.fill(0);
    const double actRpm = CpsToRpm(axis_.ActVel());
    const bool zeroSpeed = std::abs(actRpm) < kZeroSpeedRpm;
    const bool moving = !zeroSpeed || axis_.Profiling();
    uint16_t status = 0;
    if (emg_) status |= kStatusEmg;
    if (alarm_ != 0) status |= kStatusAlarm;
    if (running_) status |= kStatusRun;
    if (servoOn_) status |= kStatusServoOn;
    if (servoOn_ && ControlMode() == 0 && homing_ == Homing::Idle && axis_.mode() == MotionAxis::Mode::Hold &&
        std::abs(axis_.ActPos() - axis_.CmdPos()) <= Param(kInPositionOffset))
        status |= kStatusInPosition;
    const double goalRpm = CpsToRpm(runSpeedCps_);
    const double speedError = ControlMode() == 0 ? std::abs(actRpm) - std::abs(goalRpm) : actRpm - goalRpm;
    if (running_ && goalRpm != 0 && std::abs(speedError) <= Param(kUpToSpeedOffset))
        status |= kStatusUpToSpeed;
    if (zeroSpeed) status |= kStatusZeroSpeed;
    if (moving) status |= kStatusMoving;
    s[0] = status;
    s[1] = alarm_;
    Put32(s, 2, axis_.CmdPos());
    Put32(s, 4, axis_.ActPos());
    s[6] = static_cast<uint16_t>(Clamp16(CpsToRpm(axis_.CmdVel())));
    s[7] = static_cast<uint16_t>(Clamp16(actRpm));
    s[8] = static_cast<uint16_t>(Clamp16(axis_.CmdCurrent()));
    s[9] = static_cast<uint16_t>(Clamp16(axis_.ActCurrent()));
    // Hall code: the rotor's electrical angle in six sectors, 1..6.
    const int poles = Param(kMotorPole) >= 2 ? Param(kMotorPole) : 8;
    const double turns = axis_.ActPos() / CountsPerRev();
    const double electrical = turns * (poles / 2);
    const double sector = std::floor((electrical - std::floor(electrical)) * 6.0);
    s[10] = static_cast<uint16_t>(std::clamp(static_cast<int>(sector), 0, 5) + 1);
    // Drive temperature (deg C) and DC bus voltage (V), loaded by the current.
    const double load = std::abs(axis_.ActCurrent()) / 1000.0;
    s[11] = static_cast<uint16_t>(Clamp16(32.0 + 4.0 * load));
    s[12] = static_cast<uint16_t>(Clamp16(310.0 - 3.0 * load));
    // External volume: a potentiometer drifting slowly over its range.
    s[13] = static_cast<uint16_t>(Clamp16(512.0 + 300.0 * std::sin(seconds_ * 6.283185307179586 / 40.0)));
    s[14] = activeSet_;
    s[15] = homed_ ? 1 : 0;
    s[16] = homing_ != Homing::Idle ? 1 : 0;
}

} // namespace velt::sim

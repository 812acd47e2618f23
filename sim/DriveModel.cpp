#include "DriveModel.h"

#include "StateFile.h"
#include "link/DriveMap.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace velt::sim {
namespace {

// The power-on I/O assignment: IoPresetTable preset 0 (position control by
// communication): all inputs USER; outputs READY, ALARM, INPOSITION, MOVING.
constexpr std::array<uint16_t, drive::InputCount> kPresetInputs{0, 0, 0, 0, 0, 0, 0, 0};
constexpr std::array<uint16_t, drive::OutputCount> kPresetOutputs{1, 2, 3, 6};

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

void Put32(std::array<uint16_t, drive::StateCount>& s, int low, double value) {
    const uint32_t bits = static_cast<uint32_t>(Wrap32(std::llround(value)));
    s[low] = static_cast<uint16_t>(bits & 0xFFFF);
    s[low + 1] = static_cast<uint16_t>(bits >> 16);
}

// The command block and the version registers are not part of the stored set.
bool IsStored(int reg) {
    const bool commandBlock = reg >= drive::CommandBlockFirst && reg <= drive::CommandBlockLast;
    return !commandBlock && reg != drive::HardwareVersionRegister && reg != drive::SoftwareVersionRegister;
}

// Constant data: every model shares one set.
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
            if (IsStored(r.reg)) regs_[r.reg] = r.value;
        }
    }
    RefreshState();
}

void DriveModel::SetDefaults() {
    for (int n = 0; n < drive::ParamCount; ++n)
        regs_[n] = static_cast<uint16_t>(limits_.Default(n));
    regs_[drive::ParamRatioNumerator] = regs_[drive::ParamRatioDenominator] = 100;
    regs_[drive::ParamEncoderResolution] = 10000;
    regs_[drive::ParamDefaultMode] = 0;
    regs_[drive::ParamDefaultForm] = 0;
    regs_[drive::ParamSwitchMode] = 1;
    regs_[drive::ParamSwitchForm] = 10;
    regs_[drive::ParamInPole] = 255;
    regs_[drive::ParamOutPole] = 14;
    for (size_t i = 0; i < kPresetInputs.size(); ++i)
        regs_[drive::ParamInFunction1 + i] = kPresetInputs[i];
    for (size_t i = 0; i < kPresetOutputs.size(); ++i)
        regs_[drive::ParamOutFunction1 + i] = kPresetOutputs[i];
    regs_[drive::HardwareVersionRegister] = kDefaultVersion;
    regs_[drive::SoftwareVersionRegister] = kDefaultVersion;
}

int32_t DriveModel::ConvertTarget(int32_t pos, int32_t num, int32_t den) {
    if (den == 0 || (den == -1 && pos == std::numeric_limits<int32_t>::min())) return pos;
    const int32_t whole = Wrap32(static_cast<int64_t>(pos / den) * num);
    const int32_t part = Wrap32(static_cast<int64_t>(pos % den) * num) / den;
    return Wrap32(static_cast<int64_t>(whole) + part);
}

uint8_t DriveModel::WriteHolding(int reg, uint16_t value) {
    if (reg < 0 || reg >= drive::ParamCount) return drive::ExceptionIllegalAddress;
    if (refused_.count(reg)) return drive::ExceptionDeviceFailure;
    // The version registers are read-only.
    if (reg == drive::HardwareVersionRegister || reg == drive::SoftwareVersionRegister)
        return drive::ExceptionIllegalAddress;
    if (reg == drive::CommandRegister) {
        const uint8_t result = Execute(value);
        RefreshState();
        return result;
    }
    if (!limits_.Accepts(reg, static_cast<int16_t>(value), regs_)) return drive::ExceptionIllegalValue;
    regs_[reg] = value;
    return 0;
}

uint8_t DriveModel::WriteCoil(int k, bool on) {
    if (k < 0 || k >= drive::WritableCoils) return drive::ExceptionIllegalAddress;
    coils_[k] = on;
    return 0;
}

void DriveModel::SetInput(int k, bool on) {
    if (k < 0 || k >= drive::BitCount || inputs_[k] == on) return;
    inputs_[k] = on;
    if (k < drive::InputCount) {
        // IN POLE bit set: normally open, active when the input is on.
        const bool normallyOpen = (regs_[drive::ParamInPole] >> k) & 1;
        ApplyInputFunction(k, normallyOpen ? on : !on);
    }
    RefreshState();
}

void DriveModel::ApplyInputFunction(int k, bool active) {
    switch (Param(drive::ParamInFunction1 + k)) {
    case kInEmg:
        if (active) Execute(drive::Code(drive::Command::Emg));
        break;
    case kInReset:
        if (active) Reset();
        break;
    case kInServo:
        Execute(drive::Code(active ? drive::Command::ServoOn : drive::Command::ServoOff));
        break;
    case kInRunStop:
        Execute(drive::Code(active ? drive::Command::Run : drive::Command::Stop));
        break;
    case kInHome:
        if (active) StartHoming();
        break;
    case kInModeChange:
        if (!servoOn_) activeSet_ = active ? 2 : 1;
        break;
    case kInCwLimit:
    case kInCcwLimit:
        if (active)
            RaiseAlarm(Param(drive::ParamInFunction1 + k) == kInCwLimit ? kAlarmCwLimit : kAlarmCcwLimit);
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
    switch (static_cast<drive::Command>(code)) {
    case drive::Command::Stop: {
        if (homing_ != Homing::Idle) homing_ = Homing::Idle;
        // The ramp brings the motor from the speed it turns at: under torque
        // control the commanded speed may be far below it, even zero.
        const double speed = std::max(std::abs(axis_.CmdVel()), std::abs(axis_.ActVel()));
        axis_.Stop(RateFor(speed, ControlMode() == 0 ? Param(drive::ParamPositionAccDec)
                                                     : Param(drive::ParamVelocityDec)));
        break;
    }
    case drive::Command::Run:
        Run();
        break;
    case drive::Command::Emg:
        emg_ = true;
        alarm_ = kAlarmEmg;
        DropServo();
        break;
    case drive::Command::Reset:
        Reset();
        break;
    case drive::Command::Store: {
        if (stateFile_.empty()) break;
        std::vector<StoredRegister> stored;
        for (int n = 0; n < drive::ParamCount; ++n) {
            if (IsStored(n)) stored.push_back({n, regs_[n]});
        }
        if (!StateFile::Save(stateFile_, stored)) return drive::ExceptionDeviceFailure;
        break;
    }
    case drive::Command::ServoOn:
        if (alarm_ == 0 && !servoOn_) {
            servoOn_ = true;
            axis_.Engage();
        }
        break;
    case drive::Command::ServoOff:
        DropServo();
        break;
    case drive::Command::Home:
        StartHoming();
        break;
    case drive::Command::SwitchFromSet1:
        if (!servoOn_ && activeSet_ == 1) activeSet_ = 2;
        break;
    case drive::Command::SwitchFromSet2:
        if (!servoOn_ && activeSet_ == 2) activeSet_ = 1;
        break;
    case drive::Command::SetEncoder: {
        const uint32_t bits = regs_[drive::SetPositionLowRegister] |
                              (static_cast<uint32_t>(regs_[drive::SetPositionHighRegister]) << 16);
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
    const double maxRpm = std::max<int16_t>(Param(drive::ParamMaxSpeed1), 1);
    const double speedRpm = std::clamp<double>(Param(drive::SpeedRegister), -maxRpm, maxRpm);
    switch (ControlMode()) {
    case 0: {
        const uint32_t bits = regs_[drive::PositionLowRegister] |
                              (static_cast<uint32_t>(regs_[drive::PositionHighRegister]) << 16);
        const int32_t target = ConvertTarget(static_cast<int32_t>(bits), Param(drive::ParamRatioNumerator),
                                             Param(drive::ParamRatioDenominator));
        // A zero speed argument moves at the position-mode speed parameter.
        const double rpm = speedRpm != 0 ? std::abs(speedRpm)
                                         : std::clamp<double>(Param(drive::ParamPositionSpeed), 1, maxRpm);
        runSpeedCps_ = RpmToCps(rpm);
        const double rate = RateFor(runSpeedCps_, Param(drive::ParamPositionAccDec));
        axis_.MoveTo(target, runSpeedCps_, rate, rate);
        break;
    }
    case 1: {
        runSpeedCps_ = RpmToCps(speedRpm);
        const double top = std::max(std::abs(runSpeedCps_), std::abs(axis_.CmdVel()));
        axis_.RunAt(runSpeedCps_, RateFor(top, Param(drive::ParamVelocityAcc)),
                    RateFor(top, Param(drive::ParamVelocityDec)));
        break;
    }
    case 2: {
        const double limit = std::max<int16_t>(Param(drive::ParamMaxCurrent1), 0);
        runSpeedCps_ = 0;
        axis_.HoldCurrent(std::clamp<double>(Param(drive::TorqueRegister), -limit, limit), RpmToCps(maxRpm));
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
    homingDir_ = Param(drive::ParamHomingDir) == 1 ? -1.0 : 1.0;
    const double speed = RpmToCps(std::max<int16_t>(Param(drive::ParamHomingHighSpeed), 1));
    const double rate = RateFor(speed, Param(drive::ParamHomingAccDec));
    axis_.MoveTo(std::round(axis_.CmdPos() + homingDir_ * kHomingSearchTurns * CountsPerRev()), speed, rate,
                 rate);
}

void DriveModel::StepHoming() {
    if (homing_ == Homing::Idle || axis_.mode() != MotionAxis::Mode::Hold) return;
    // The sensor edge is taken once the motor has settled, not while it lags.
    if (homing_ == Homing::Backoff && axis_.ActPos() != axis_.CmdPos()) return;
    if (homing_ == Homing::Search) {
        homing_ = Homing::Backoff;
        const double speed = RpmToCps(std::max<int16_t>(Param(drive::ParamHomingLowSpeed), 1));
        const double rate = RateFor(speed, Param(drive::ParamHomingAccDec));
        axis_.MoveTo(std::round(axis_.CmdPos() - homingDir_ * kHomingBackoffTurns * CountsPerRev()), speed,
                     rate, rate);
        return;
    }
    homing_ = Homing::Idle;
    homed_ = true;
    axis_.SetPosition(Param(drive::ParamHomingOffset));
}

int DriveModel::ControlMode() const {
    return activeSet_ == 2 ? Param(drive::ParamSwitchMode) : Param(drive::ParamDefaultMode);
}

double DriveModel::CountsPerRev() const {
    const int16_t counts = Param(drive::ParamEncoderResolution);
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
    axis_.Step(dt, CountsPerRev(), std::max<int16_t>(Param(drive::ParamMaxCurrent1), 0));
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
    if (emg_) status |= drive::StatusEmg;
    if (alarm_ != 0) status |= drive::StatusAlarm;
    if (running_) status |= drive::StatusRun;
    if (servoOn_) status |= drive::StatusServoOn;
    if (servoOn_ && ControlMode() == 0 && homing_ == Homing::Idle && axis_.mode() == MotionAxis::Mode::Hold &&
        std::abs(axis_.ActPos() - axis_.CmdPos()) <= Param(drive::ParamInPositionOffset))
        status |= drive::StatusInPosition;
    const double goalRpm = CpsToRpm(runSpeedCps_);
    const double speedError = ControlMode() == 0 ? std::abs(actRpm) - std::abs(goalRpm) : actRpm - goalRpm;
    if (running_ && goalRpm != 0 && std::abs(speedError) <= Param(drive::ParamUpToSpeedOffset))
        status |= drive::StatusUpToSpeed;
    if (zeroSpeed) status |= drive::StatusZeroSpeed;
    if (moving) status |= drive::StatusMoving;
    s[drive::StateStatus] = status;
    s[drive::StateAlarm] = alarm_;
    Put32(s, drive::StateCmdPositionLow, axis_.CmdPos());
    Put32(s, drive::StatePositionLow, axis_.ActPos());
    s[drive::StateCmdSpeed] = static_cast<uint16_t>(Clamp16(CpsToRpm(axis_.CmdVel())));
    s[drive::StateSpeed] = static_cast<uint16_t>(Clamp16(actRpm));
    s[drive::StateCmdCurrent] = static_cast<uint16_t>(Clamp16(axis_.CmdCurrent()));
    s[drive::StateCurrent] = static_cast<uint16_t>(Clamp16(axis_.ActCurrent()));
    // Hall code: the rotor's electrical angle in six sectors, 1..6.
    const int poles = Param(drive::ParamMotorPole) >= 2 ? Param(drive::ParamMotorPole) : 8;
    const double turns = axis_.ActPos() / CountsPerRev();
    const double electrical = turns * (poles / 2);
    const double sector = std::floor((electrical - std::floor(electrical)) * 6.0);
    s[drive::StateHall] = static_cast<uint16_t>(std::clamp(static_cast<int>(sector), 0, 5) + 1);
    // Drive temperature (deg C) and DC bus voltage (V), loaded by the current.
    const double load = std::abs(axis_.ActCurrent()) / 1000.0;
    s[drive::StateTemperature] = static_cast<uint16_t>(Clamp16(32.0 + 4.0 * load));
    s[drive::StateBusVoltage] = static_cast<uint16_t>(Clamp16(310.0 - 3.0 * load));
    // External volume: a potentiometer drifting slowly over its range.
    s[drive::StateExtVolume] =
        static_cast<uint16_t>(Clamp16(512.0 + 300.0 * std::sin(seconds_ * 6.283185307179586 / 40.0)));
    s[drive::StateActiveSet] = activeSet_;
    s[drive::StateHomeDone] = homed_ ? 1 : 0;
    s[drive::StateHoming] = homing_ != Homing::Idle ? 1 : 0;
}

} // namespace velt::sim

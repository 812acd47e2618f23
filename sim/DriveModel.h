#pragma once
// The drive behind the register map: parameters, the command register, the
// state block, digital inputs and outputs, alarms, homing and the motion of
// the motor. A plain value object: not thread-safe, the owner serialises
// every call (SimDrive holds its lock around each one).
#include "MotionAxis.h"
#include "link/DriveMap.h"
#include "params/ParamLimits.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <set>
#include <string>

namespace velt::sim {

// Both version registers at power-on ("12.0.01").
constexpr uint16_t kDefaultVersion = 12001;

class DriveModel {
public:
    using Clock = std::chrono::steady_clock;

    // Power-on state: catalogue defaults, then the stored parameters of
    // stateFile (when given and present).
    explicit DriveModel(std::string stateFile = {});
    // False when the state file exists but could not be read.
    bool LoadOk() const { return loadOk_; }

    uint16_t Holding(int reg) const { return regs_[reg]; }
    void SetHolding(int reg, uint16_t value) { regs_[reg] = value; }
    // A function-6 write from the line: 0, or the exception code to answer
    // (nothing changes then).
    uint8_t WriteHolding(int reg, uint16_t value);
    uint16_t State(int reg) const { return state_[reg]; }
    bool Coil(int k) const { return coils_[k]; }
    uint8_t WriteCoil(int k, bool on);
    bool Input(int k) const { return inputs_[k]; }
    void SetInput(int k, bool on);

    void SetRefuse(int reg, bool on);
    void RaiseAlarm(int alarm); // 0 clears like RESET
    void ServoOff();

    // Runs the motion up to `now` in steps of at most 1 ms.
    void Advance(Clock::time_point now);

    // POS x num / den in 32-bit integer arithmetic with truncating division,
    // arranged so that no intermediate product overflows for in-range
    // ratios; a zero denominator leaves POS unscaled.
    static int32_t ConvertTarget(int32_t pos, int32_t num, int32_t den);

private:
    enum class Homing { Idle, Search, Backoff };

    void SetDefaults();
    uint8_t Execute(uint16_t code);
    void Run();
    void StartHoming();
    void Reset();
    void DropServo();
    void StepOnce(double dt);
    void StepHoming();
    void ApplyInputFunction(int k, bool active);
    void RefreshState();
    int ControlMode() const;
    int16_t Param(int n) const { return static_cast<int16_t>(regs_[n]); }
    double CountsPerRev() const;
    double RpmToCps(double rpm) const { return rpm * CountsPerRev() / 60.0; }
    double CpsToRpm(double cps) const { return cps * 60.0 / CountsPerRev(); }
    static double RateFor(double speed, int16_t ms);

    const ParamLimits& limits_; // one set for all models, read at first use
    std::string stateFile_;
    bool loadOk_ = true;
    std::array<uint16_t, drive::ParamCount> regs_{};
    std::array<uint16_t, drive::StateCount> state_{};
    std::array<bool, drive::BitCount> coils_{};
    std::array<bool, drive::BitCount> inputs_{};
    std::set<int> refused_;

    MotionAxis axis_;
    bool servoOn_ = false;
    bool emg_ = false;
    bool running_ = false;
    uint16_t alarm_ = 0;
    uint16_t activeSet_ = 1;
    bool homed_ = false;
    Homing homing_ = Homing::Idle;
    double homingDir_ = 1;
    double runSpeedCps_ = 0; // the speed the last RUN asked for (up-to-speed)

    bool started_ = false;
    Clock::time_point last_{};
    double seconds_ = 0; // simulated time since power-on
};

} // namespace velt::sim

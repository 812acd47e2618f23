#pragma once
// The motor and its profile generator: a trapezoidal position or velocity
// profile (the commanded values) and a motor that follows it with a short lag
// (the actual values). Positions are encoder counts, speeds counts per second,
// rates counts per second squared (infinity = step change), currents mA.
//
// Not thread-safe; the owning DriveModel serialises every call.
namespace velt::sim {

class MotionAxis {
public:
    enum class Mode { Free, Hold, Position, Velocity, Torque };

    // Servo on: hold the present actual position. Servo off: the motor
    // coasts to rest and the command follows the actual position.
    void Engage();
    void Release();

    void MoveTo(double target, double speed, double acc, double dec);
    void RunAt(double velocity, double acc, double dec);
    // Constant current; the load settles at a speed proportional to it,
    // limited to maxSpeed.
    void HoldCurrent(double currentMa, double maxSpeed);
    // Ramps the speed down to rest, then holds.
    void Stop(double dec);
    // Moves the encoder reference: both positions shift, the motion goes on.
    void SetPosition(double position);

    // One integration step of dt seconds. countsPerRev turns accelerations
    // into the current the move takes; currents are limited to maxCurrentMa.
    void Step(double dt, double countsPerRev, double maxCurrentMa);

    Mode mode() const { return mode_; }
    // True while the profile still changes the command (a move or a ramp).
    bool Profiling() const;
    double Target() const { return target_; }
    double CmdPos() const { return cmdPos_; }
    double ActPos() const { return actPos_; }
    double CmdVel() const { return cmdVel_; }
    double ActVel() const { return actVel_; }
    double CmdCurrent() const { return cmdCurrent_; }
    double ActCurrent() const { return actCurrent_; }

private:
    void StepPosition(double dt);
    void StepVelocity(double dt);
    void Follow(double dt);

    Mode mode_ = Mode::Free;
    double target_ = 0;   // position move target
    double maxSpeed_ = 0; // position move speed
    double goalVel_ = 0;  // velocity mode goal
    double acc_ = 0;
    double dec_ = 0;
    double holdCurrent_ = 0;
    double torqueSpeed_ = 0;
    bool stopping_ = false;

    double cmdPos_ = 0;
    double cmdVel_ = 0;
    double cmdAcc_ = 0;
    double actPos_ = 0;
    double actVel_ = 0;
    double cmdCurrent_ = 0;
    double actCurrent_ = 0;
    double filtCurrent_ = 0;
    double phase_ = 0; // drives the current ripple
};

} // namespace velt::sim

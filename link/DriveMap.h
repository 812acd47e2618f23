#pragma once
// The VELT drive's Modbus map, the one place that knows its numbers: the
// holding registers (parameters, the command block, the versions), the
// parameters the program reads by meaning, the state block and its status
// bits, the command codes, the coils and discrete inputs, and the Modbus
// function and exception codes the drive speaks. The host, the simulated
// drive, the tools and the tests all take them from here.
#include <cstdint>

namespace velt::drive {

// ---- Holding registers (function 3 reads, function 6 writes) --------------

// Holding registers 0..143: parameters 0..119, the command block 120..127,
// reserved registers and the two version registers. The catalogue has one
// record for each of them.
inline constexpr int ParamCount = 144;
// The whole set is read in blocks of this many registers, starting at 0.
inline constexpr int ReadBlockSize = 36;

// The command block. Writing a Command code to CommandRegister carries the
// command out with the arguments written before it. The block is neither
// stored nor range-checked.
inline constexpr int CommandRegister = 120;
inline constexpr int OptArgRegister = 121;          // Opt_Arg: a command's optional argument
inline constexpr int PositionLowRegister = 122;     // RUN target, signed 32-bit, low word
inline constexpr int PositionHighRegister = 123;    // RUN target, high word
inline constexpr int SpeedRegister = 124;           // RUN speed in rpm, signed 16-bit
inline constexpr int TorqueRegister = 125;          // RUN torque (current in mA), signed 16-bit
inline constexpr int SetPositionLowRegister = 126;  // SetEncoder value, signed 32-bit, low word
inline constexpr int SetPositionHighRegister = 127; // SetEncoder value, high word
inline constexpr int CommandBlockFirst = CommandRegister;
inline constexpr int CommandBlockLast = SetPositionHighRegister;

// Read-only versions, five decimal digits each (12001 reads "12.0.01").
inline constexpr int HardwareVersionRegister = 142;
inline constexpr int SoftwareVersionRegister = 143;

// ---- Parameters the program interprets ---------------------------------------

inline constexpr int ParamHomingHighSpeed = 0;   // rpm, towards the sensor
inline constexpr int ParamHomingLowSpeed = 1;    // rpm, backing off the sensor
inline constexpr int ParamHomingAccDec = 2;      // ms to reach the homing speed
inline constexpr int ParamHomingDir = 4;         // 0 CW, 1 CCW
inline constexpr int ParamHomingOffset = 5;      // position given to the home point
inline constexpr int ParamBaudRate = 6;          // 0..4: 9600 .. 115200 bit/s; takes effect at power-on
inline constexpr int ParamVelocityAcc = 20;      // velocity control: ms to reach the speed
inline constexpr int ParamVelocityDec = 21;      // velocity control: ms to stop
inline constexpr int ParamMaxSpeed1 = 23;        // rpm; bounds every commanded speed
inline constexpr int ParamMaxCurrent1 = 25;      // mA; bounds the torque command
inline constexpr int ParamPositionSpeed = 34;    // position control: rpm of a RUN with speed 0
inline constexpr int ParamPositionAccDec = 35;   // position control: ms to reach the speed
inline constexpr int ParamUpToSpeedOffset = 37;  // rpm within which UpToSpeed is on
inline constexpr int ParamInPositionOffset = 38; // counts within which InPosition is on

// Digital I/O. IN1..IN8 are discrete inputs 0..7, OUT1..OUT4 coils 0..3.
// Each has a function parameter and a contact bit (bit k of the pole
// parameter set: A contact, normally open; clear: B contact).
inline constexpr int InputCount = 8;
inline constexpr int OutputCount = 4;
inline constexpr int ParamInPole = 40;       // contact bits of IN1..IN8
inline constexpr int ParamOutPole = 41;      // contact bits of OUT1..OUT4
inline constexpr int ParamInFunction1 = 42;  // IN1..IN8 functions: 42..49
inline constexpr int ParamOutFunction1 = 51; // OUT1..OUT4 functions: 51..54

// Position control: a RUN target is scaled by numerator / denominator.
inline constexpr int ParamRatioNumerator = 60;
inline constexpr int ParamRatioDenominator = 61;

// POSITION INDEX 1..8: signed 32-bit pairs 83/84 .. 97/98, high word first.
inline constexpr int ParamPositionIndexFirst = 83;
inline constexpr int ParamPositionIndexLast = 98;

// Control mode and command form of the two sets; StateActiveSet says which
// set is in force (1: default, 2: switch).
inline constexpr int ParamDefaultMode = 70; // 0 position, 1 velocity, 2 torque control
inline constexpr int ParamDefaultForm = 71; // 0..4, 10..13, 20..21 by mode
inline constexpr int ParamSwitchMode = 72;
inline constexpr int ParamSwitchForm = 73;

inline constexpr int ParamEncoderResolution = 105; // counts per motor turn
inline constexpr int ParamMotorPole = 108;         // motor poles, for the Hall code

// ---- State block (function 4 reads input registers 0..31) -------------------

inline constexpr int StateCount = 32;
inline constexpr int StateStatus = 0;         // status word: the Status* bits below
inline constexpr int StateAlarm = 1;          // alarm number, 0 none
inline constexpr int StateCmdPositionLow = 2; // commanded position, signed 32-bit, low word (3 high)
inline constexpr int StatePositionLow = 4;    // actual position, signed 32-bit, low word (5 high)
inline constexpr int StateCmdSpeed = 6;       // rpm, signed 16-bit
inline constexpr int StateSpeed = 7;          // rpm, signed 16-bit
inline constexpr int StateCmdCurrent = 8;     // mA, signed 16-bit
inline constexpr int StateCurrent = 9;        // mA, signed 16-bit
inline constexpr int StateHall = 10;          // Hall sensor code 1..6
inline constexpr int StateTemperature = 11;   // drive temperature, deg C
inline constexpr int StateBusVoltage = 12;    // DC bus voltage, V
inline constexpr int StateExtVolume = 13;     // external volume (analog input)
inline constexpr int StateActiveSet = 14;     // 1: modes 70/71 in force, 2: modes 72/73
inline constexpr int StateHomeDone = 15;      // 1 once homing has completed
inline constexpr int StateHoming = 16;        // 1 while homing runs

// Bits of the status word, in the order of the monitoring page's lamps.
inline constexpr uint16_t StatusEmg = 1u << 0;
inline constexpr uint16_t StatusAlarm = 1u << 1;
inline constexpr uint16_t StatusRun = 1u << 2;
inline constexpr uint16_t StatusServoOn = 1u << 3;
inline constexpr uint16_t StatusInPosition = 1u << 4;
inline constexpr uint16_t StatusUpToSpeed = 1u << 5;
inline constexpr uint16_t StatusZeroSpeed = 1u << 6;
inline constexpr uint16_t StatusMoving = 1u << 7;

// ---- Command codes (written to CommandRegister) --------------------------

enum class Command : uint16_t {
    Stop = 1,    // ramp down and hold
    Run = 4,     // move by the control mode: target 122/123, speed 124, torque 125
    Emg = 5,     // emergency stop: servo off, alarm 1
    Reset = 6,   // clears the alarm and the emergency stop
    Store = 7,   // keeps the parameters over power-off
    ServoOn = 9, // refused while an alarm is set
    ServoOff = 10,
    Home = 11,           // homing by parameters 0..5
    SwitchFromSet1 = 12, // servo off, set 1 active: make set 2 active
    SwitchFromSet2 = 13, // servo off, set 2 active: make set 1 active
    SetEncoder = 14,     // the position becomes the value in 126/127
};

// The value a command writes to CommandRegister.
constexpr uint16_t Code(Command command) {
    return static_cast<uint16_t>(command);
}

// ---- Coils (functions 1, 5) and discrete inputs (function 2) ------------

inline constexpr int BitCount = 16;               // coils 0..15 and discrete inputs 0..15
inline constexpr int WritableCoils = OutputCount; // coils 0..3; the others refuse a write

// ---- Modbus RTU ----------------------------------------------------------

// Function codes: the second byte of a request and of its reply. They are
// bytes on the wire, compared with received bytes, so plain byte constants.
inline constexpr uint8_t FunctionReadCoils = 1;
inline constexpr uint8_t FunctionReadDiscreteInputs = 2;
inline constexpr uint8_t FunctionReadHoldingRegisters = 3;
inline constexpr uint8_t FunctionReadInputRegisters = 4;
inline constexpr uint8_t FunctionWriteSingleCoil = 5;
inline constexpr uint8_t FunctionWriteSingleRegister = 6;
// Set in the function byte of an exception reply.
inline constexpr uint8_t ExceptionBit = 0x80;

// Exception codes: the third byte of an exception reply. The master hands
// them on as its result code (link/RtuResult.h).
inline constexpr uint8_t ExceptionIllegalFunction = 1; // function not served
inline constexpr uint8_t ExceptionIllegalAddress = 2;  // no such register or coil, or read-only
inline constexpr uint8_t ExceptionIllegalValue = 3;    // quantity or value not accepted
inline constexpr uint8_t ExceptionDeviceFailure = 4;   // the drive could not carry the request out

// Most registers one read may ask for (the reply must fit 256 bytes).
inline constexpr int MaxReadRegisters = 125;
// Function 5 values.
inline constexpr uint16_t CoilOn = 0xFF00;
inline constexpr uint16_t CoilOff = 0x0000;

} // namespace velt::drive

// The drive's parameter limits: for each parameter below the command block,
// its power-on value and the range a write must keep to, as the English help
// texts of the parameter catalogue state them.
// tests/params/ParamLimitsTableTest.cpp checks the two agree.
#include "params/ParamLimits.h"

namespace velt {
namespace {

constexpr std::optional<ParamRange> kAnyValue = std::nullopt;

constexpr ParamRange Between(int32_t min, int32_t max) {
    return {min, max, -1};
}

// From `min` up to the current value of parameter `param`.
constexpr ParamRange UpToParam(int32_t min, int param) {
    return {min, 0, param};
}

} // namespace

// clang-format off
const std::array<ParamLimitRow, kLimitedCount> kParamLimitTable{{
    {0, 50, Between(1, 5000)},                        // HOMING HIGH SPEED
    {1, 50, Between(1, 5000)},                        // HOMING LOW SPEED
    {2, 100, Between(4, 30000)},                      // HOMING ACC./DEC.
    {3, 0, kAnyValue},                                // HOMING PATTERN
    {4, 0, kAnyValue},                                // HOMING DIR.
    {5, 0, Between(-30000, 30000)},                   // HOMING OFFSET
    {6, 0, kAnyValue},                                // BAUDRATE
    {7, 1, Between(0, 10)},                           // HOMING Z COUNT
    {8, 500, Between(100, 30000)},                    // HOMING BUMP CURRENT
    {9, 0, Between(0, 1)},                            // Switching encoder signs
    {10, 0, kAnyValue},                               // CURRENT LOOP
    {11, 0, kAnyValue},                               // VELOCITY LOOP
    {12, 0, kAnyValue},                               // POSITION LOOP
    {13, 300, Between(0, 32000)},                     // CURRENT P GAIN
    {14, 1, Between(0, 32000)},                       // CURRENT I GAIN
    {15, 2000, Between(0, 32000)},                    // VELOCITY P GAIN
    {16, 40, Between(0, 32000)},                      // VELOCITY I GAIN
    {17, 50, Between(0, 32000)},                      // POSITION P GAIN
    {18, 0, Between(0, 32000)},                       // POSITION I GAIN
    {19, 0, kAnyValue},                               // RESERVED
    {20, 100, Between(0, 20000)},                     // VELOCITY MODE ACC.
    {21, 100, Between(0, 20000)},                     // VELOCITY MODE DEC.
    {22, 300, Between(1, 10000)},                     // MAX SPEED 2
    {23, 3000, Between(1, 10000)},                    // MAX SPEED 1
    {24, 1000, Between(100, 30000)},                  // MAX CURRENT 2
    {25, 3000, Between(100, 30000)},                  // MAX CURRENT 1
    {26, 30, Between(1, 500)},                        // OVERCURRENT MAX TIME
    {27, 70, Between(50, 80)},                        // MAX TEMPERTURE
    {28, 2000, Between(50, 10000)},                   // OVERTEMPERTURE MAX TIME
    {29, 100, Between(10, 1000)},                     // OVERVOLTAGE MAX TIME
    {30, 0, kAnyValue},                               // RESERVED
    {31, 0, kAnyValue},                               // RESERVED
    {32, 0, kAnyValue},                               // RESERVED
    {33, 0, kAnyValue},                               // SELECT PROTOCOL
    {34, 1000, UpToParam(0, drive::ParamMaxSpeed1)},  // POSITION MODE VELOCITY
    {35, 300, Between(0, 30000)},                     // POSITION MODE ACC./DEC.
    {36, 0, kAnyValue},                               // RESERVED
    {37, 10, Between(0, 1000)},                       // UPTOSPEED OFFSET
    {38, 100, Between(1, 20000)},                     // INPOSITION OFFSET
    {39, 255, Between(0, 255)},                       // SELECT MONITORING
    {40, 255, Between(0, 255)},                       // IN POLE
    {41, 14, Between(0, 15)},                         // OUT POLE
    {42, 0, kAnyValue},                               // IN1 FUNCTION
    {43, 0, kAnyValue},                               // IN2 FUNCTION
    {44, 0, kAnyValue},                               // IN3 FUNCTION
    {45, 0, kAnyValue},                               // IN4 FUNCTION
    {46, 0, kAnyValue},                               // IN5 FUNCTION
    {47, 0, kAnyValue},                               // IN6 FUNCTION
    {48, 0, kAnyValue},                               // IN7 FUNCTION
    {49, 0, kAnyValue},                               // IN8 FUNCTION
    {50, 0, kAnyValue},                               // RESERVED
    {51, 0, kAnyValue},                               // OUT1 FUNCTION
    {52, 0, kAnyValue},                               // OUT2 FUNCTION
    {53, 0, kAnyValue},                               // OUT3 FUNCTION
    {54, 0, kAnyValue},                               // OUT4 FUNCTION
    {55, 100, Between(1, 1000)},                      // ALALOG WEIGHT
    {56, 100, Between(1, 1000)},                      // ALALOG WEIGHT 2
    {57, 0, kAnyValue},                               // ANALOG COMMAND FORM
    {58, 20, Between(0, 5000)},                       // ALALOG OFFSET
    {59, 20, Between(0, 5000)},                       // ALALOG OFFSET 2
    {60, 100, Between(1, 1000)},                      // RATIO NUMERATOR
    {61, 100, Between(1, 1000)},                      // RATIO DENOMINATOR
    {62, 0, kAnyValue},                               // RESERVED
    {63, 100, Between(10, 1000)},                     // MIN. EXPONENTIAL SPEED
    {64, 0, kAnyValue},                               // RESERVED
    {65, 100, Between(4, 20000)},                     // EXPONENTIAL ACC./DEC.
    {66, 20000, Between(1000, 30000)},                // EX-ENCODER RESOLUTION
    {67, 0, kAnyValue},                               // 1PULSE Dir
    {68, 0, kAnyValue},                               // RESERVED
    {69, 0, kAnyValue},                               // RESERVED
    {70, 0, kAnyValue},                               // DEFAULTS CONTROL MODE
    {71, 0, kAnyValue},                               // DEFAULTS COMMAND FORM
    {72, 0, kAnyValue},                               // SWITCH CONTROL MODE
    {73, 0, kAnyValue},                               // SWITCH COMMAND FORM
    {74, 0, kAnyValue},                               // RESERVED
    {75, 0, kAnyValue},                               // SPEED INDEX 1
    {76, 0, kAnyValue},                               // SPEED INDEX 2
    {77, 0, kAnyValue},                               // SPEED INDEX 3
    {78, 0, kAnyValue},                               // SPEED INDEX 4
    {79, 0, kAnyValue},                               // SPEED INDEX 5
    {80, 0, kAnyValue},                               // SPEED INDEX 6
    {81, 0, kAnyValue},                               // SPEED INDEX 7
    {82, 0, kAnyValue},                               // SPEED INDEX 8
    {83, 0, kAnyValue},                               // POSITION INDEX 1 H
    {84, 0, kAnyValue},                               // POSITION INDEX 1 L
    {85, 0, kAnyValue},                               // POSITION INDEX 2 H
    {86, 0, kAnyValue},                               // POSITION INDEX 2 L
    {87, 0, kAnyValue},                               // POSITION INDEX 3 H
    {88, 0, kAnyValue},                               // POSITION INDEX 3 L
    {89, 0, kAnyValue},                               // POSITION INDEX 4 H
    {90, 0, kAnyValue},                               // POSITION INDEX 4 L
    {91, 0, kAnyValue},                               // POSITION INDEX 5 H
    {92, 0, kAnyValue},                               // POSITION INDEX 5 L
    {93, 0, kAnyValue},                               // POSITION INDEX 6 H
    {94, 0, kAnyValue},                               // POSITION INDEX 6 L
    {95, 0, kAnyValue},                               // POSITION INDEX 7 H
    {96, 0, kAnyValue},                               // POSITION INDEX 7 L
    {97, 0, kAnyValue},                               // POSITION INDEX 8 H
    {98, 0, kAnyValue},                               // POSITION INDEX 8 L
    {99, 0, kAnyValue},                               // RESERVED
    {100, 150, Between(30, 1000)},                    // PERIOD OF MONITORING
    {101, 1024, Between(1, 4096)},                    // CURRENT FILTER
    {102, 2048, Between(1, 4096)},                    // VELOCIY FILTER
    {103, 1024, Between(1, 4096)},                    // ANALOG FILTER
    // Any value, though the help text states RANGE : 1000 ~ 30000.
    {104, 5000, kAnyValue},                           // CURRENT SENSOR RANGE
    {105, 10000, Between(1000, 30000)},               // ENCODER RESOLUTION
    {106, 0, kAnyValue},                              // ADC BIT
    {107, 0, Between(-6000, 6000)},                   // DEG OFFSET
    {108, 0, kAnyValue},                              // MOTOR POLE
    {109, 0, kAnyValue},                              // RESERVED
    {110, 0, kAnyValue},                              // RESERVED
    {111, 0, kAnyValue},                              // RESERVED
    {112, 0, kAnyValue},                              // RESERVED
    {113, 0, kAnyValue},                              // RESERVED
    {114, 0, kAnyValue},                              // RESERVED
    {115, 0, kAnyValue},                              // RESERVED
    {116, 0, kAnyValue},                              // RESERVED
    {117, 0, kAnyValue},                              // RESERVED
    {118, 0, kAnyValue},                              // RESERVED
    {119, 0, kAnyValue},                              // RESERVED
}};
// clang-format on

} // namespace velt

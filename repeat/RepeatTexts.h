#pragma once
// The user texts of the repeat cycle in both languages: why it would not
// start or why it ended (RepeatSequence.h), and the window's own.
#include "base/LocalText.h"

namespace velt {

// Why the cycle ended; placeholders {point} ("P3"), {alarm}, {param}.
inline constexpr LocalText kRepeatStoppedAt{"반복 운전을 {point}에서 정지했습니다.",
                                            "The repeat cycle stopped at {point}."};
inline constexpr LocalText kRepeatAlarmEnd{"드라이브에 알람 {alarm}이(가) 발생했습니다.",
                                           "The drive raised alarm {alarm}."};
inline constexpr LocalText kRepeatServoOffEnd{"드라이브의 서보가 꺼졌습니다.", "The drive's servo went off."};
inline constexpr LocalText kRepeatRatioZeroEnd{
    "기어비분모(파라미터 {param})가 0입니다.\r\n반복 운전을 {point}에서 정지했습니다.",
    "The ratio denominator (parameter {param}) is 0.\r\nThe repeat cycle stopped at {point}."};
inline constexpr LocalText kRepeatLineFaultTitle{"Repeat - {point}에서 통신 이상으로 정지",
                                                 "Repeat - stopped at {point} by a line fault"};

// Why the cycle would not start; placeholders {reg}, {mode}, {form}.
inline constexpr LocalText kRepeatServoOffStart{
    "서보가 꺼져 있어 드라이브가 움직일 수 없습니다.\r\n모니터링 화면의 SERVO ON으로 서보를 켠 다음 "
    "Start를 다시 누르십시오.",
    "The servo is off, so the drive cannot move.\r\nSwitch it on with SERVO ON on the monitoring page, then "
    "press Start again."};
inline constexpr LocalText kRepeatNotConnectedStart{
    "드라이브가 연결되어 있지 않아 반복 운전을 시작할 수 없습니다.",
    "The drive is not connected: the repeat cycle cannot start."};
inline constexpr LocalText kRepeatNoActiveSetStart{
    "드라이브가 사용 중인 제어 모드 세트를 알리지 않습니다(상태 레지스터 {reg}이(가) 1도 2도 아님).\r\n반복 "
    "운전을 시작할 수 없습니다.",
    "The drive reports no control mode set in force (state register {reg} is neither 1 nor 2).\r\nThe repeat "
    "cycle cannot start."};
inline constexpr LocalText kRepeatUnsupportedModeStart{
    "사용 중인 제어 모드와 지령 형태(파라미터 {mode}, {form})로는 통신 위치 지령도 통신 속도 지령도 할 수 "
    "없습니다.\r\n위치 제어나 지령 형태 0, 또는 속도 제어나 지령 형태 10에서 반복 운전을 시작하십시오.",
    "The control mode and command form in force (parameters {mode} and {form}) take neither position nor "
    "speed commands by communication.\r\nStart the repeat cycle in position control or command form 0, or in "
    "velocity control or command form 10."};

// The window: the grid's column headers (column 5 shows how long the
// current dwell has lasted), its accessible name, and a failed allocation.
inline constexpr LocalText kRepeatColumnHeaders[] = {{"", ""},
                                                     {"Use", "Use"},
                                                     {"Pos", "Pos"},
                                                     {"Speed", "Speed"},
                                                     {"Delay(ms)", "Delay(ms)"},
                                                     {"경과(ms)", "Elapsed(ms)"}};
inline constexpr LocalText kRepeatGridName{"반복 포인트", "Repeat points"};
inline constexpr LocalText kRepeatOutOfMemory{"메모리가 부족합니다.", "Out of memory."};

} // namespace velt

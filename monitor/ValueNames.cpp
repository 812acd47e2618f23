// Texts that translate drive values into words, in Korean and English.
#include "monitor/ValueNames.h"

#include <cstring>

namespace velt {

const char* const AlarmNamesKo[ALARM_NAME_COUNT] = {
    " 0 : 알람 없음",
    " 1 : 비상 정지",
    " 2 : 과전류 에러",
    " 3 : 온도 에러",
    " 4 : Hall센서 에러",
    " 5 : 과전압 에러",
    " 6 : 저전압 에러",
    " 7 : 정방향 소프트 리미트",
    " 8 : 역방향 소프트 리미트",
    " 9 : 소프트 리미트 연산 에러",
    " 10 : CW 리미트",
    " 11 : CCW 리미트",
    " 12 : 과속도 알람",
};

const char* const AlarmNamesEn[ALARM_NAME_COUNT] = {
    " 0 : Alarm None",         " 1 : EMG Stop",
    " 2 : Overcurrent Error",  " 3 : Overtemperature Error",
    " 4 : Hall Sensor Error",  " 5 : OverVoltage",
    " 6 : UnderVoltage",       " 7 : CW Software Limit",
    " 8 : CCW Software Limit", " 9 : Software Limit Overflow",
    " 10 : CW Limit",          " 11 : CCW Limit",
    " 12 : Over Speed Error",
};

const char* const ControlModeNamesKo[CONTROL_MODE_NAME_COUNT] = {
    " 0 : 위치 제어",
    " 1 : 속도 제어",
    " 2 : 토크 제어",
};

const char* const ControlModeNamesEn[CONTROL_MODE_NAME_COUNT] = {
    " 0 : Position Control",
    " 1 : Velocity Control",
    " 2 : Troque Control",
};

const char* const CommandFormNamesKo[COMMAND_FORM_NAME_COUNT] = {
    " 0 : 통신",      " 1 : 1 PULSE",        " 2 : 2 PULSE",     " 3 : 외부엔코더",  " 4 : 위치인덱스",
    " 5 : RESERVED",  " 6 : RESERVED",       " 7 : RESERVED",    " 8 : RESERVED",    " 9 : RESERVED",
    " 10 : 통신",     " 11 : 아날로그 입력", " 12 : 외부엔코더", " 13 : 속도인덱스", " 14 : RESERVED",
    " 15 : RESERVED", " 16 : RESERVED",      " 17 : RESERVED",   " 18 : RESERVED",   " 19 : RESERVED",
    " 20 : 통신",     " 21 : 아날로그 입력", " 22 : RESERVED",   " 23 : RESERVED",   " 24 : RESERVED",
    " 25 : RESERVED", " 26 : RESERVED",      " 27 : RESERVED",   " 28 : RESERVED",   " 29 : RESERVED",
};

const char* const CommandFormNamesEn[COMMAND_FORM_NAME_COUNT] = {
    " 0 : Communication",  " 1 : 1 PULSE",       " 2 : 2 PULSE",        " 3 : Ext Encoder",
    " 4 : Position Index", " 5 : RESERVED",      " 6 : RESERVED",       " 7 : RESERVED",
    " 8 : RESERVED",       " 9 : RESERVED",      " 10 : Communication", " 11 : Analog Input",
    " 12 : Ext Encoder",   " 13 : Speed Index",  " 14 : RESERVED",      " 15 : RESERVED",
    " 16 : RESERVED",      " 17 : RESERVED",     " 18 : RESERVED",      " 19 : RESERVED",
    " 20 : Communication", " 21 : Analog Input", " 22 : RESERVED",      " 23 : RESERVED",
    " 24 : RESERVED",      " 25 : RESERVED",     " 26 : RESERVED",      " 27 : RESERVED",
    " 28 : RESERVED",      " 29 : RESERVED",
};

const char* const InputFunctionNamesKo[INPUT_FUNCTION_NAME_COUNT] = {
    " 0 : USER",           " 1 : EMG",           " 2 : RESET",          " 3 : SERVO On/Off",
    " 4 : RUN/STOP",       " 5 : DIR",           " 6 : Pulse Clear",    " 7 : Home Start",
    " 8 : 인덱스(BIT 0)",  " 9 : 인덱스(BIT 1)", " 10 : 인덱스(BIT 2)", " 11 : AD 입력 전환",
    " 12 : 제어모드 전환", " 13 : ORG Sensor",   " 14 : CW Limit",      " 15 : CCW Limit",
};

const char* const InputFunctionNamesEn[INPUT_FUNCTION_NAME_COUNT] = {
    " 0 : USER",
    " 1 : EMG",
    " 2 : RESET",
    " 3 : SERVO On/Off",
    " 4 : RUN/STOP",
    " 5 : Direction",
    " 6 : Pulse Clear",
    " 7 : Home Start",
    " 8 : Index(BIT 0)",
    " 9 : Index(BIT 1)",
    " 10 : Index(BIT 2)",
    " 11 : Analog Range Change",
    " 12 : Switching Control Mode",
    " 13 : ORG Sensor",
    " 14 : CW Limit",
    " 15 : CCW Limit",
};

const char* const OutputFunctionNames[OUTPUT_FUNCTION_NAME_COUNT] = {
    " 0 : USER",      " 1 : READY",      " 2 : ALARM",  " 3 : INPOSITION",
    " 4 : UPTOSPEED", " 5 : ZERO SPEED", " 6 : MOVING",
};

namespace {
const char* Bounded(const char* const* table, int count, int index) {
    if (table == nullptr || index < 0 || index >= count) return "";
    return table[index];
}
} // namespace

const char* AlarmName(int index, bool korean) {
    return Bounded(korean ? AlarmNamesKo : AlarmNamesEn, ALARM_NAME_COUNT, index);
}
const char* ControlModeName(int index, bool korean) {
    return Bounded(korean ? ControlModeNamesKo : ControlModeNamesEn, CONTROL_MODE_NAME_COUNT, index);
}
const char* CommandFormName(int index, bool korean) {
    return Bounded(korean ? CommandFormNamesKo : CommandFormNamesEn, COMMAND_FORM_NAME_COUNT, index);
}
const char* InputFunctionName(int index, bool korean) {
    return Bounded(korean ? InputFunctionNamesKo : InputFunctionNamesEn, INPUT_FUNCTION_NAME_COUNT, index);
}
const char* OutputFunctionName(int index) {
    return Bounded(OutputFunctionNames, OUTPUT_FUNCTION_NAME_COUNT, index);
}

const char* AfterColon(const char* entry) {
    if (entry == nullptr) return "";
    const char* colon = std::strchr(entry, ':');
    return colon != nullptr ? colon + 1 : entry;
}

} // namespace velt

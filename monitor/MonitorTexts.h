#pragma once
// The user texts of the monitoring page in both languages: captions, grid
// labels, lamp captions, questions and messages. Texts that are the same in
// both languages are plain strings.
#include "base/LocalText.h"
#include "monitor/ModeTexts.h"

namespace velt {

// The mode group's switching button and its question; the group's
// captions are shared with the parameter page (ModeTexts.h).
inline constexpr LocalText kModeSwitchingCaption{"제어모드 전환", "Control Mode Switching"};
inline constexpr LocalText kModeSwitchQuestion{"제어모드를 전환 하시겠습니까?",
                                               "Would you like to switch the control mode?"};

// A command or output write that did not reach the drive: the command, the
// reason (link/ResultTexts.h), and for the commands that stop or unpower the
// axis what that means for the machine.
inline constexpr LocalText kCommandFailed{"{command} 명령이 드라이브에 전달되지 않았습니다: {reason}.",
                                          "{command} did not reach the drive: {reason}."};
inline constexpr LocalText kMayStillMove{"드라이브가 아직 움직이고 있을 수 있습니다.",
                                         "The drive may still be moving."};
inline constexpr LocalText kMayStillBePowered{"모터에 아직 전원이 들어가 있을 수 있습니다.",
                                              "The motor may still be powered."};

// State grid labels, columns 0, 2, .. 10 of rows 0 and 1.
inline constexpr const char* kStateLabelsEn[2][6] = {
    {"Driver State", "Cmd Position", "Cmd Speed", "Cmd Current", "Hall Sensor", "-"},
    {"Alarm No", "Position", "Speed", "Current", "Ext Volume", "-"}};
inline constexpr const char* kStateLabelsKo[2][6] = {
    {"Driver 상태", "지령 위치", "지령 속도", "지령 전류", "홀 신호", "-"},
    {"알람 번호", "현재 위치", "현재 속도", "현재 전류", "외부 볼륨", "-"}};

// Column 0 of the input and output grids, rows 1 to 3 (row 0 is "D/I" or "D/O").
inline constexpr LocalText kIoRowLabels[3] = {{"기능", "Fun"}, {"Value", "Value"}, {"극성", "Pol"}};
inline constexpr LocalText kAContact{"A 접점", "A Contact"};
inline constexpr LocalText kBContact{"B 접점", "B Contact"};

// The alarm label's caption in the template, until the first refresh.
inline constexpr const char* kAlarmLabelCaption = "알람 없음";

// The lamps in the order of the row; the same in both languages.
inline constexpr int kLampCount = 10;
inline constexpr const char* kLampCaptions[kLampCount] = {
    "EMG", "Alarm", "RUN", "Servo ON", "Inposition", "UptoSpeed", "Zero Speed", "Moving", "Home", "Homeexe"};

// Accessible descriptions: a lamp's state, a mode label of the active pair.
inline constexpr LocalText kLampOn{"켜짐", "on"};
inline constexpr LocalText kLampOff{"꺼짐", "off"};
inline constexpr LocalText kModeActive{"사용 중", "active"};

// Accessible names of controls that have no caption of their own.
inline constexpr LocalText kPageName{"모니터링", "Monitoring"};
inline constexpr LocalText kModeGroupName{"제어모드", "Control Mode"};
inline constexpr LocalText kCommandGroupName{"명령", "Commands"};
inline constexpr LocalText kStateGridName{"상태", "State"};
inline constexpr LocalText kInputGridName{"입력", "Inputs"};
inline constexpr LocalText kOutputGridName{"출력", "Outputs"};
inline constexpr LocalText kRegisterMonitorName{"레지스터 모니터", "Register Monitor"};

// The frame lists' context menu and the file it saves.
inline constexpr LocalText kCopyAction{"복사", "Copy"};
inline constexpr LocalText kClearAction{"지우기", "Clear"};
inline constexpr LocalText kSaveAsAction{"다른 이름으로 저장…", "Save As…"};
inline constexpr LocalText kSaveLogTitle{"프레임 기록 저장", "Save Frame Log"};
inline constexpr LocalText kSaveLogFilter{"텍스트 파일 (*.txt)", "Text files (*.txt)"};
inline constexpr LocalText kSaveLogFailed{"프레임 기록을 저장하지 못했습니다.",
                                          "The frame log could not be saved."};

// A command field whose text is no number the drive takes; placeholders
// {entry} (the caption and the text), {lo}, {hi}.
inline constexpr LocalText kFieldRefused{
    "{entry}은(는) {lo} ~ {hi} 범위의 정수가 아닙니다.\r\n드라이브에 아무것도 보내지 않았습니다.",
    "{entry} is not a whole number from {lo} to {hi}.\r\nNothing was sent to the drive."};
// A command not sent because a register before it could not be written;
// placeholders {command}, {register} (number and name), {reason}.
inline constexpr LocalText kCommandNotSent{
    "{command} 명령을 보내지 않았습니다: 레지스터 {register} 쓰기 실패: {reason}.",
    "{command} was not sent: writing register {register} failed: {reason}."};

} // namespace velt

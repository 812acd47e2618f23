#pragma once
// The scope's own user texts in both languages, beyond the dialog's first
// labels (which are the same in both): the channels' source names, the
// refusals of the axis boxes, the chart's right-click menu, its messages and
// CSV header, the trigger, cursor and recording controls, and the accessible
// names of the controls that have no caption of their own.
#include "base/LocalText.h"

#include <array>

namespace velt {

// The sources a channel can plot, in list order.
inline constexpr std::array<LocalText, 6> kScopeSourceNames{{
    {"지령위치", "Command Position"},
    {"현재위치", "Position"},
    {"지령속도", "Command Speed"},
    {"현재속도", "Speed"},
    {"지령전류", "Command Current"},
    {"현재전류", "Current"},
}};

// Why a box or an axis operation is refused, and the range that stays
// ({field}, {axis}, {text}, {min} and {max} are filled in).
inline constexpr LocalText kAxisNotANumber{"{field}: \"{text}\"은(는) 숫자가 아닙니다.",
                                           "{field}: \"{text}\" is not a number."};
inline constexpr LocalText kAxisSecondsOutOfRange{
    "{field}: \"{text}\"은(는) 차트가 담는 -1500 .. 1500초를 벗어납니다.",
    "{field}: \"{text}\" lies outside -1500 .. 1500, the seconds the chart holds."};
inline constexpr LocalText kAxisValueOutOfRange{
    "{field}: \"{text}\"은(는) 차트가 표시할 수 있는 -10000000000 .. 10000000000을 벗어납니다.",
    "{field}: \"{text}\" lies outside -10000000000 .. 10000000000, the values the chart can label."};
inline constexpr LocalText kAxisEqualLimits{
    "{axis} Min과 {axis} Max가 같습니다. 범위에는 서로 다른 두 값이 필요합니다.",
    "{axis} Min and {axis} Max are equal: a range needs two different values."};
inline constexpr LocalText kAxisMinAboveMax{"{field}: {axis} Min이 {axis} Max보다 큽니다.",
                                            "{field}: {axis} Min is above {axis} Max."};
inline constexpr LocalText kAxisAmpTooSmall{
    "{field}: \"{text}\"(으)로는 범위가 생기지 않습니다. 2 이상이어야 합니다.",
    "{field}: \"{text}\" gives no range: the amplitude must be 2 or more."};
inline constexpr LocalText kAxisSecondsResult{
    "{field}: {axis} 범위가 {text}(으)로 되어 차트가 담는 -1500 .. 1500초를 벗어납니다.",
    "{field}: the {axis} range would become {text}, outside -1500 .. 1500, the seconds the chart holds."};
inline constexpr LocalText kAxisValueResult{
    "{field}: {axis} 범위가 {text}(으)로 되어 차트가 표시할 수 있는 "
    "-10000000000 .. 10000000000을 벗어납니다.",
    "{field}: the {axis} range would become {text}, outside -10000000000 .. 10000000000, "
    "the values the chart can label."};
inline constexpr LocalText kAxisRangeStays{"{axis} 범위는 {min} .. {max}(으)로 유지됩니다.",
                                           "The {axis} range stays {min} .. {max}."};

inline constexpr LocalText kExportCsvMenu{"CSV 내보내기...", "Export CSV..."};
inline constexpr LocalText kSaveImageMenu{"이미지 저장...", "Save Image..."};
inline constexpr LocalText kExportCsvCaption{"CSV 내보내기", "Export CSV"};
inline constexpr LocalText kSaveImageCaption{"이미지 저장", "Save Image"};
inline constexpr LocalText kCsvFilter{"CSV 파일 (*.csv)", "CSV files (*.csv)"};
inline constexpr LocalText kPngFilter{"PNG 이미지 (*.png)", "PNG images (*.png)"};
inline constexpr LocalText kScopeFileSaveError{"파일을 저장하지 못했습니다.", "File Save Error"};
inline constexpr LocalText kCsvTimeHeader{"시간 [s]", "Time [s]"};
inline constexpr LocalText kChartMenuName{"차트 메뉴", "Chart menu"};
inline constexpr LocalText kExportCursorCsvMenu{"커서 구간 CSV 내보내기...", "Export CSV Between Cursors..."};
inline constexpr LocalText kExportCursorCsvCaption{"커서 구간 CSV 내보내기", "Export CSV Between Cursors"};
inline constexpr LocalText kCursorsMenu{"커서", "Cursors"};

// The trigger.
inline constexpr LocalText kSamplingLabel{"샘플링", "Sampling"};
inline constexpr LocalText kSamplingName{"샘플링 방식", "Sampling mode"};
// In SamplingMode order: the 50 ms grid, then one sample per state poll.
inline constexpr LocalText kSamplingModes[]{{"50 ms 격자", "50 ms grid"}, {"매 폴링", "every poll"}};
inline constexpr LocalText kTriggerLabel{"트리거", "Trigger"};
inline constexpr LocalText kTriggerModeName{"트리거 모드", "Trigger mode"};
inline constexpr LocalText kTriggerModes[]{
    {"자유 실행", "Free run"}, {"자동", "Auto"}, {"일반", "Normal"}, {"단일", "Single"}};
inline constexpr LocalText kTriggerSourceName{"트리거 소스", "Trigger source"};
inline constexpr LocalText kTriggerEdgeName{"트리거 에지", "Trigger edge"};
inline constexpr LocalText kTriggerEdges[]{{"상승", "Rising"}, {"하강", "Falling"}};
inline constexpr LocalText kLevelLabel{"레벨", "Level"};
inline constexpr LocalText kPreTriggerLabel{"프리트리거 [%]", "Pre-trigger [%]"};
inline constexpr LocalText kHoldoffLabel{"홀드오프 [s]", "Holdoff [s]"};
inline constexpr LocalText kTriggerStateName{"트리거 상태", "Trigger state"};
inline constexpr LocalText kTriggerFreeRunning{"자유 실행 중", "Free running"};
// While the drive gives no data the scopes take no samples: the window says
// why, and a recording marks where its data stops and comes back.
inline constexpr LocalText kNoDataNotConnected{"드라이브가 연결되어 있지 않습니다",
                                               "the drive is not connected"};
inline constexpr LocalText kNoDataNotAnswering{"드라이브가 응답하지 않습니다", "the drive does not answer"};
inline constexpr LocalText kNoData{"데이터 없음: {why}", "No data: {why}"};
inline constexpr LocalText kRecordDataStopped{"# {time} 데이터 중단: {why}", "# {time} data stopped: {why}"};
inline constexpr LocalText kRecordDataBack{"# {time} 데이터 다시 들어옴", "# {time} data again"};
inline constexpr LocalText kTriggerArmed{"대기", "Armed"};
inline constexpr LocalText kTriggerTriggered{"트리거됨", "Triggered"};
inline constexpr LocalText kTriggerHolding{"유지", "Holding"};
inline constexpr LocalText kTriggerStopped{"정지", "Stopped"};
inline constexpr LocalText kTriggerSourceOff{"%1 (Ch %2 꺼짐)", "%1 (Ch %2 off)"};
// Refused level and holdoff boxes ({field}, {text} and {value} are filled in).
inline constexpr LocalText kHoldoffOutOfRange{
    "{field}: \"{text}\"은(는) 홀드오프로 쓸 수 있는 0 .. 86400초를 벗어납니다.",
    "{field}: \"{text}\" lies outside 0 .. 86400, the seconds a holdoff may last."};
inline constexpr LocalText kLevelStays{"레벨은 {value}(으)로 유지됩니다.", "The level stays {value}."};
inline constexpr LocalText kHoldoffStays{"홀드오프는 {value}초로 유지됩니다.",
                                         "The holdoff stays {value} s."};

// The cursors.
inline constexpr LocalText kCursorReadoutName{"커서 측정값", "Cursor readout"};

// Recording.
inline constexpr LocalText kRecordButton{"기록...", "Record..."};
inline constexpr LocalText kStopRecordingButton{"기록 중지", "Stop Recording"};
inline constexpr LocalText kRecordCaption{"CSV 파일로 기록", "Record to CSV"};
inline constexpr LocalText kRecordStatusName{"기록 상태", "Recording"};
inline constexpr LocalText kRecordIdle{"기록 안 함", "Not recording"};
inline constexpr LocalText kRecordStatus{"%1\n%2 기록, %3", "%1\n%2 recorded, %3"};
inline constexpr LocalText kRecordNoChannel{"기록할 채널이 없습니다. 채널을 하나 이상 켜십시오.",
                                            "No channel to record: tick at least one channel."};
inline constexpr LocalText kRecordStartError{"%1 파일에 기록할 수 없습니다: %2", "Cannot record to %1: %2"};
inline constexpr LocalText kRecordWriteError{"기록을 멈췄습니다. %1 파일에 쓸 수 없습니다: %2",
                                             "Recording stopped: cannot write %1: %2"};
inline constexpr LocalText kRecordSinceStartHeader{"시작 후 시간 [s]", "Time since start [s]"};
inline constexpr LocalText kRecordWallClockHeader{"시각", "Wall clock"};

inline constexpr LocalText kChartName{"스코프 차트", "Scope chart"};
inline constexpr LocalText kChartDescription{"X %1 .. %2 초, Y %3 .. %4", "X %1 .. %2 s, Y %3 .. %4"};
inline constexpr LocalText kRunIndicatorName{"운전 표시", "Run indicator"};
inline constexpr LocalText kRunning{"운전 중", "Running"};
inline constexpr LocalText kStopped{"정지", "Stopped"};
inline constexpr LocalText kSwatchName{"Ch %1 색", "Ch %1 colour"};
inline constexpr LocalText kSourceListName{"Ch %1 소스", "Ch %1 source"};
inline constexpr LocalText kSpanName{"Y 폭", "Y span"};
inline constexpr LocalText kXZoomName{"X 확대/축소", "X zoom"};
inline constexpr LocalText kYZoomName{"Y 확대/축소", "Y zoom"};
inline constexpr LocalText kYScrollName{"Y 이동", "Y scroll"};
inline constexpr LocalText kXScrollName{"X 이동", "X scroll"};
inline constexpr LocalText kArrowUp{"위", "up"};
inline constexpr LocalText kArrowDown{"아래", "down"};
inline constexpr LocalText kArrowLeft{"왼쪽", "left"};
inline constexpr LocalText kArrowRight{"오른쪽", "right"};

// The step figures' column.
inline constexpr LocalText kStepPanelCheck{"스텝 응답 수치", "Step figures"};
inline constexpr LocalText kStepCopy{"복사", "Copy"};
inline constexpr LocalText kStepChannelLabel{"채널", "Channel"};
inline constexpr LocalText kStepCommandLabel{"지령 채널", "Command"};
inline constexpr LocalText kStepNoCommand{"없음", "None"};
inline constexpr LocalText kStepRiseLabel{"상승 [%]", "Rise [%]"};
inline constexpr LocalText kStepLowName{"상승 시작 레벨 [%]", "Rise from [%]"};
inline constexpr LocalText kStepHighName{"상승 끝 레벨 [%]", "Rise to [%]"};
inline constexpr LocalText kStepBandLabel{"대역 [%]", "Band [%]"};
inline constexpr LocalText kStepSpanName{"계산 구간", "Figures over"};
inline constexpr LocalText kStepWholeTrace{"표시된 전체 파형", "The whole trace on show"};
inline constexpr LocalText kStepBetweenCursors{"커서 t1과 t2 사이", "Between the cursors t1 and t2"};
inline constexpr LocalText kStepFiguresName{"스텝 응답 수치", "Step figures"};
inline constexpr LocalText kStepLevelsRefused{"레벨은 0과 100 사이여야 하고 시작 레벨이 끝 레벨보다 작아야 "
                                              "하며, 대역은 0과 50 사이여야 합니다. 이전 값이 유지됩니다.",
                                              "The levels must lie between 0 and 100 with the first below "
                                              "the second, and the band between 0 and 50. The "
                                              "previous values stay."};

// Step-response figures ({levels} is filled with "10-90 %" or the band).
inline constexpr LocalText kStepStart{"시작값", "Start value"};
inline constexpr LocalText kStepFinal{"최종값", "Final value"};
inline constexpr LocalText kStepSize{"스텝 크기", "Step size"};
inline constexpr LocalText kStepDelay{"지연 시간 (50 %까지)", "Delay (to 50 %)"};
inline constexpr LocalText kStepRise{"상승 시간 ({levels})", "Rise time ({levels})"};
inline constexpr LocalText kStepPeak{"피크값", "Peak"};
inline constexpr LocalText kStepPeakTime{"피크 시간", "Peak time"};
inline constexpr LocalText kStepOvershoot{"오버슈트", "Overshoot"};
inline constexpr LocalText kStepSettling{"정착 시간 (±{levels})", "Settling time (±{levels})"};
inline constexpr LocalText kStepSteadyError{"정상상태 오차", "Steady-state error"};
inline constexpr LocalText kStepLag{"지령 대비 지연", "Lag behind command"};
inline constexpr LocalText kStepFollowMax{"추종 오차 최대", "Following error max"};
inline constexpr LocalText kStepFollowRms{"추종 오차 RMS", "Following error RMS"};
inline constexpr LocalText kStepInPosition{"지령 도달 후 인포지션까지", "Command end to in-position"};
inline constexpr LocalText kStepCannotBeGiven{"구할 수 없음 ({why})", "cannot be given ({why})"};
inline constexpr LocalText kStepWhyTooFew{"샘플이 너무 적음", "too few samples"};
inline constexpr LocalText kStepWhyNoStep{"스텝이 없음", "no step"};
inline constexpr LocalText kStepWhyNeverReaches{"그 레벨에 도달하지 않음", "never reaches the level"};
inline constexpr LocalText kStepWhyNeverSettles{"정착하지 않음", "never settles"};
inline constexpr LocalText kStepWhyNoOvershoot{"오버슈트 없음", "no overshoot"};
inline constexpr LocalText kStepWhyNoCommand{"지령 채널이 없음", "no command channel"};
inline constexpr LocalText kStepWhyNoCommandStep{"지령이 움직이지 않음", "the command does not move"};
inline constexpr LocalText kStepWhyNoInPositionData{"인포지션 비트가 기록되지 않음",
                                                    "the in-position bit is not among the recorded data"};
inline constexpr LocalText kStepWhyNeverInPosition{"인포지션 비트가 켜지지 않음",
                                                   "the in-position bit never comes on"};
inline constexpr LocalText kStepWhyCommandNotArrived{"지령이 최종값에 도달하지 않음",
                                                     "the command does not reach its final value"};

} // namespace velt

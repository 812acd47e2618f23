#pragma once
// The user texts of the line overview window in both languages.
#include "base/LocalText.h"

namespace velt {

inline constexpr LocalText kLineOverviewTitle{"라인 개요", "Line overview"};
inline constexpr LocalText kLineOverviewTableName{"라인의 드라이브", "Drives of the line"};

inline constexpr LocalText kOverviewColumnId{"ID", "ID"};
inline constexpr LocalText kOverviewColumnName{"이름", "Name"};
inline constexpr LocalText kOverviewColumnState{"상태", "State"};
inline constexpr LocalText kOverviewColumnAlarm{"알람", "Alarm"};
inline constexpr LocalText kOverviewColumnServo{"서보 온", "Servo on"};
inline constexpr LocalText kOverviewColumnInPosition{"위치 완료", "In position"};
inline constexpr LocalText kOverviewColumnPosition{"위치", "Position"};
inline constexpr LocalText kOverviewColumnSpeed{"속도 [rpm]", "Speed [rpm]"};

inline constexpr LocalText kOverviewConnected{"연결됨", "Connected"};
inline constexpr LocalText kOverviewSilent{"응답 없음", "Silent"};
inline constexpr LocalText kOverviewNotReadYet{"읽는 중", "Reading"};
inline constexpr LocalText kOverviewLineClosed{"연결 안 됨", "Not connected"};
inline constexpr LocalText kOverviewYes{"예", "Yes"};
inline constexpr LocalText kOverviewNo{"아니요", "No"};
// The vertical header of the selected drive's row.
inline constexpr LocalText kOverviewSelectedMark{"▶", "▶"};

} // namespace velt

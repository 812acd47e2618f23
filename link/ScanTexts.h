#pragma once
// The texts of the drive scan, in both languages: shown by the Find Drive
// window, printed by velt-cli scan.
#include "base/LocalText.h"

namespace velt {

inline constexpr LocalText kFindDriveTitle{"드라이브 찾기", "Find Drive"};
inline constexpr LocalText kFindDriveButton{"드라이브 찾기...", "Find Drive..."};
inline constexpr LocalText kRefreshPorts{"새로 고침", "Refresh"};
inline constexpr LocalText kScanPortCaption{"포트", "Port"};
inline constexpr LocalText kScanAllPorts{"모든 포트", "All ports"};
inline constexpr LocalText kScanStart{"찾기 시작", "Start"};
inline constexpr LocalText kScanUse{"이 드라이브 사용", "Use This Drive"};
inline constexpr LocalText kScanClose{"닫기", "Close"};
inline constexpr LocalText kScanProgressName{"진행", "Progress"};
inline constexpr LocalText kScanResultsName{"찾은 드라이브", "Drives found"};
inline constexpr LocalText kScanColumnPort{"포트", "Port"};
inline constexpr LocalText kScanColumnBaud{"통신 속도", "Baud Rate"};
inline constexpr LocalText kScanColumnId{"드라이브 ID", "Drive ID"};
inline constexpr LocalText kScanColumnHw{"H/W 버전", "H/W Ver"};
inline constexpr LocalText kScanColumnSw{"S/W 버전", "S/W Ver"};
// Placeholders: {baud}, {id}, {found}, {code}, {port}.
inline constexpr LocalText kScanProgress{"{baud} bit/s, ID {id} - {found}대 찾음",
                                         "{baud} bit/s, ID {id} - {found} found"};
inline constexpr LocalText kScanIdle{
    "선택한 포트에서 모든 통신 속도와 ID를 시도합니다. 읽기만 하고 쓰지 않습니다.",
    "Tries every rate and ID on the port. Only reads; nothing is written."};
inline constexpr LocalText kScanRunning{"찾는 중...", "Searching..."};
inline constexpr LocalText kScanCancelling{"멈추는 중...", "Stopping..."};
inline constexpr LocalText kScanCancelled{"취소됨: {found}대 찾음", "Cancelled: {found} found"};
inline constexpr LocalText kScanFinished{"완료: {found}대 찾음", "Finished: {found} found"};
inline constexpr LocalText kScanNoDrive{"드라이브를 찾지 못했습니다. 케이블과 드라이브 전원을 확인하세요.",
                                        "No drive found. Check the cable and the drive's power."};
inline constexpr LocalText kScanException{"예외 {code}", "exception {code}"};
inline constexpr LocalText kScanNeedsPort{
    "드라이브를 찾으려면 먼저 연결을 끊으세요. 찾는 동안 포트를 사용합니다.",
    "Disconnect before searching: the search needs the port."};
inline constexpr LocalText kScanNoPorts{"찾을 포트가 없습니다.", "There is no port to search."};
inline constexpr LocalText kScanLineFailed{"{port}: 찾는 도중 회선이 끊겼습니다.",
                                           "{port}: the line failed during the search."};
inline constexpr LocalText kPortNotPresent{"(연결 안 됨)", "(not present)"};

} // namespace velt

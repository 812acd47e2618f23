#pragma once
// The texts of the drives of a line: the connection bar's drive choice, the
// naming of a drive and the stops a change of drive makes.
#include "base/LocalText.h"

namespace velt {

// {id}, {name}: how a window names the drive it shows.
inline constexpr LocalText kDriveCaption{"드라이브 {id} {name}", "drive {id} {name}"};
inline constexpr LocalText kDriveChoiceName{"드라이브 선택", "Drive choice"};
inline constexpr LocalText kNameDriveEntry{"이 드라이브 이름 짓기...", "Name this drive..."};
inline constexpr LocalText kAddDriveEntry{"드라이브 추가...", "Add a drive..."};
inline constexpr LocalText kNameDriveTitle{"드라이브 이름", "Drive name"};
// {id}: the drive named.
inline constexpr LocalText kNameDrivePrompt{"드라이브 {id} 의 이름:", "Name of drive {id}:"};
inline constexpr LocalText kAddDrivePrompt{"추가할 드라이브 ID (1 ~ 247):", "Drive ID to add (1 to 247):"};
inline constexpr LocalText kLineNotKept{
    "이 연결의 드라이브 목록이 너무 길어 다음 실행을 위해 모두 저장하지 못했습니다. 이름을 줄이세요.",
    "The list of drives of this line is too long to be kept whole for the next start: shorten the names."};
// {id}: the drive switched to. In a scope's state line and the repeat
// window's title.
inline constexpr LocalText kStoppedForDrive{"정지: 드라이브 {id}(으)로 전환",
                                            "Stopped: switched to drive {id}"};
// Find Drive: keep the drives found on a port as that line's list.
inline constexpr LocalText kKeepFoundDrives{"이 연결의 드라이브로 저장", "Keep as the line's drives"};
// {port}, {ids}: "1, 2, 5".
inline constexpr LocalText kFoundDrivesKept{"{port} 의 드라이브로 저장했습니다: {ids}",
                                            "Kept as the drives of {port}: {ids}"};

} // namespace velt

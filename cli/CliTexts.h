#pragma once
// The user texts of velt-cli in both languages.
#include "base/LocalText.h"

namespace velt::cli {

// velt-cli ports: whether this user may open a port, and where it came from.
inline constexpr LocalText kPortMayOpen{"열 수 있음", "may open"};
inline constexpr LocalText kPortNoPermission{"권한 없음", "no permission"};
inline constexpr LocalText kPortAccessUnknown{"알 수 없음", "unknown"};
inline constexpr LocalText kFromPortsFolder{"포트 폴더", "ports folder"};
inline constexpr LocalText kNoPorts{"시리얼 포트를 찾지 못했습니다.", "No serial port found."};

} // namespace velt::cli

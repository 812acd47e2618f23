#pragma once
// Captions of the drive's two control modes and command forms, shown beside
// their values by the monitoring page and beside their lists by the
// parameter page.
#include "base/LocalText.h"

namespace velt {

inline constexpr LocalText kControlModeCaption{"제어모드", "Control Mode"};
inline constexpr LocalText kCommandFormCaption{"지령방법", "Command Form"};
inline constexpr LocalText kSwitchControlModeCaption{"전환 제어모드", "Switch Control Mode"};
inline constexpr LocalText kSwitchCommandFormCaption{"전환 지령방법", "Switch Command Form"};

} // namespace velt

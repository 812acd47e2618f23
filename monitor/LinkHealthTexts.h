#pragma once
// The user texts of the link health window in both languages. The figures'
// own texts (failure kinds, round trips, polling) are the link's
// (link/LinkHealth.h), shared with velt-cli stats.
#include "base/LocalText.h"

namespace velt {

inline constexpr LocalText kHealthTitle{"통신 상태", "Link Health"};
inline constexpr LocalText kHealthRequests{"초당 요청", "Requests per second"};
inline constexpr LocalText kHealthRoundTrip{"왕복 시간 (최근 1분)", "Round trip (last minute)"};
inline constexpr LocalText kHealthHistogram{"왕복 시간 분포 (ms)", "Round-trip histogram (ms)"};
inline constexpr LocalText kHealthFailures{"실패 (초기화 후)", "Failures (since reset)"};
inline constexpr LocalText kHealthSinceFailure{"마지막 실패 후", "Since the last failure"};
inline constexpr LocalText kHealthPolling{"폴링", "Polling"};
inline constexpr LocalText kHealthReset{"초기화", "Reset"};
inline constexpr LocalText kHealthClose{"닫기", "Close"};
inline constexpr LocalText kHealthNoHistogram{"아직 응답이 없습니다", "no replies yet"};

} // namespace velt

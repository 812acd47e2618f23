#pragma once
// The link health figures as text in both languages (link/LinkHealth.h):
// shown by the health window, printed by velt-cli stats. The format strings
// are printf formats; the templates are filled with FillText.
#include "base/LocalText.h"

namespace velt {

// Time since the last failure: "12.3 s", "3 min 12 s", "2 h 5 min".
inline constexpr LocalText kDurationSecondsFormat{"%.1f초", "%.1f s"};
inline constexpr LocalText kDurationMinutesFormat{"%.0f분 %.0f초", "%.0f min %.0f s"};
inline constexpr LocalText kDurationHoursFormat{"%.0f시간 %.0f분", "%.0f h %.0f min"};
inline constexpr LocalText kNoFailure{"실패 없음", "no failure"};

// The failure kinds, in the order of FailureKindName.
inline constexpr LocalText kFailureKindNames[] = {{"응답 없음", "no reply"},
                                                  {"CRC 오류", "bad CRC"},
                                                  {"드라이브 예외 응답", "drive exception"},
                                                  {"ID/에코 불일치", "wrong ID or echo"},
                                                  {"늦은 응답 버림", "late reply dropped"},
                                                  {"포트 오류", "port error"}};

// Round trips: median, 99th percentile, maximum (ms), then the reply count.
inline constexpr LocalText kNoReplies{"응답 없음", "no replies"};
inline constexpr LocalText kRoundTripFormat{
    "중앙값 %.1f ms, 99%% %.1f ms, 최대 %.1f ms (응답 %zu개)",
    "median %.1f ms, 99th percentile %.1f ms, maximum %.1f ms (%zu replies)"};

// Polling against the wire; placeholders {passes}, {wire}, {baud}, {share}.
inline constexpr LocalText kNotPolling{"연결되어 있지 않음", "not connected"};
inline constexpr LocalText kPollingTemplate{
    "초당 {passes}회, {baud} bit/s에서 선로가 허용하는 {wire}회의 {share}%",
    "{passes} passes per second of {wire} the wire allows at {baud} bit/s ({share} %)"};
// A line that answers faster than its bit rate allows (a pseudo-terminal, a
// network link) has no wire rate to measure the passes against.
inline constexpr LocalText kPollingUntimed{
    "초당 {passes}회 (이 선로는 {baud} bit/s보다 빨리 응답하므로 시간이 맞춰진 직렬 선로가 아닙니다)",
    "{passes} passes per second (the line answers faster than {baud} bit/s allows: it is not a timed "
    "serial line)"};

// A slow USB adapter; placeholders {ms} and {command}.
inline constexpr LocalText kUsbLatencyTemplate{
    "USB 어댑터의 지연 타이머가 {ms} ms입니다. 응답마다 최대 그만큼 늦게 전달됩니다. 1 ms로 "
    "낮추려면(어댑터를 "
    "다시 꽂을 때까지 유지): {command}",
    "The USB adapter's latency timer is {ms} ms: every reply may reach the program that much later. To lower "
    "it to 1 ms (until the adapter is plugged in again): {command}"};

// The captions of LinkHealthLines.
inline constexpr LocalText kHealthLineRequestsFormat{"초당 요청: %.1f", "requests per second: %.1f"};
inline constexpr LocalText kHealthLineRoundTrip{"최근 1분 왕복 시간: ", "round trip over the last minute: "};
inline constexpr LocalText kHealthLineHistogram{"분포: ", "histogram: "};
inline constexpr LocalText kHealthLineFailures{"실패:", "failures:"};
inline constexpr LocalText kHealthLineSinceFailure{"마지막 실패 후: ", "since the last failure: "};
inline constexpr LocalText kHealthLinePolling{"폴링: ", "polling: "};

} // namespace velt

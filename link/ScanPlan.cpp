#include "ScanPlan.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace velt {

using namespace std::chrono_literals;

namespace {

constexpr double kBitsPerByte = 10.0; // start, 8 data bits, stop
constexpr int kRequestBytes = 8;
constexpr int kReplyBytes = 9; // two registers: 5 + 2 x 2
constexpr double kFrameGapChars = 3.5;
// What a drive may take between the end of a request and its answer. Ours
// answer within a few milliseconds; other Modbus devices take up to 20.
constexpr auto kDriveTurnaround = 20ms;
// A USB adapter hands received bytes over after its latency timer (16 ms on
// FTDI chips unless low-latency mode is on, a few ms on most others).
constexpr auto kAdapterLatency = 16ms;
// A thorough probe gives a slow drive this much more.
constexpr auto kSlowDriveExtra = 80ms;
constexpr uint32_t kMinBaud = 300;
constexpr uint32_t kMaxBaud = 4000000;

std::chrono::microseconds LineTime(double chars, uint32_t baud) {
    return std::chrono::microseconds(static_cast<long long>(std::ceil(chars * kBitsPerByte * 1e6 / baud)));
}

bool ParseNumber(std::string_view text, unsigned long min, unsigned long max, unsigned long* out) {
    unsigned long value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || value < min || value > max) return false;
    *out = value;
    return true;
}

} // namespace

std::vector<ScanProbe> MakeScanPlan(const ScanOrder& order) {
    std::vector<uint32_t> bauds = order.Bauds;
    if (bauds.empty()) bauds.assign(std::begin(kScanBauds), std::end(kScanBauds));
    std::vector<uint32_t> fastestFirst = bauds;
    std::sort(fastestFirst.begin(), fastestFirst.end(), std::greater<>());
    fastestFirst.erase(std::unique(fastestFirst.begin(), fastestFirst.end()), fastestFirst.end());

    const auto wanted = [&](uint32_t baud, uint8_t id) {
        return id >= order.FirstId && id <= order.LastId && id != 0 &&
               std::find(bauds.begin(), bauds.end(), baud) != bauds.end();
    };
    std::vector<ScanProbe> plan;
    const auto add = [&](uint32_t baud, uint8_t id, bool thorough) {
        const ScanProbe probe{baud, id, thorough};
        if (wanted(baud, id) && std::find(plan.begin(), plan.end(), probe) == plan.end())
            plan.push_back(probe);
    };
    // The settings in use come first whatever the lists say: they are what
    // the user expects to work.
    if (order.CurrentBaud != 0 && order.CurrentId >= kFirstDriveId && order.CurrentId <= kLastDriveId)
        plan.push_back({order.CurrentBaud, order.CurrentId, true});
    for (uint32_t baud : fastestFirst) {
        add(baud, kFirstDriveId, true);
        add(baud, order.LastUsedId, true);
    }
    for (uint32_t baud : fastestFirst)
        for (int id = order.FirstId; id <= order.LastId; ++id)
            add(baud, static_cast<uint8_t>(id), false);
    return plan;
}

std::chrono::milliseconds ProbeWait(uint32_t baud) {
    if (baud == 0) return ThoroughProbeWait(kMinBaud);
    const auto line = LineTime(kRequestBytes + kReplyBytes + kFrameGapChars, baud);
    return std::chrono::ceil<std::chrono::milliseconds>(line + kDriveTurnaround + kAdapterLatency);
}

std::chrono::milliseconds ThoroughProbeWait(uint32_t baud) {
    return ProbeWait(baud) + kSlowDriveExtra;
}

std::chrono::milliseconds ProbeByteGap(uint32_t baud) {
    if (baud == 0) baud = kMinBaud;
    return std::chrono::ceil<std::chrono::milliseconds>(LineTime(kFrameGapChars, baud) + kAdapterLatency);
}

bool ParseBaudList(std::string_view text, std::vector<uint32_t>* bauds) {
    std::vector<uint32_t> out;
    while (true) {
        const size_t comma = text.find(',');
        unsigned long rate = 0;
        if (!ParseNumber(text.substr(0, comma), kMinBaud, kMaxBaud, &rate)) return false;
        if (std::find(out.begin(), out.end(), rate) == out.end()) out.push_back(static_cast<uint32_t>(rate));
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    *bauds = std::move(out);
    return true;
}

bool ParseIdRange(std::string_view text, uint8_t* first, uint8_t* last) {
    const size_t dash = text.find('-');
    unsigned long a = 0, b = 0;
    if (!ParseNumber(text.substr(0, dash), kFirstDriveId, kLastDriveId, &a)) return false;
    b = a;
    if (dash != std::string_view::npos &&
        !ParseNumber(text.substr(dash + 1), kFirstDriveId, kLastDriveId, &b))
        return false;
    if (a > b) return false;
    *first = static_cast<uint8_t>(a);
    *last = static_cast<uint8_t>(b);
    return true;
}

} // namespace velt

#pragma once
// The link health figures: how busy and how sound the line is, worked out
// from the exchange journal that the port keeps and the link's pass count.
// The health window and velt-cli stats show them; both read the same meter.
//
// A LinkHealthMeter belongs to one reader thread (the window's timer, the
// CLI's loop). It pulls the journal's new records on each Update and keeps
// the last minute of them; it never blocks the polling thread.
#include "ExchangeJournal.h"

#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace velt {

// Polling passes per second that the wire itself allows at `baud`: the pass
// sleep (10 ms) plus the line time of each pass's exchanges (every pass the
// state block, every fifth pass the inputs and the outputs), each exchange
// its request, its reply and 3.5 characters of silence. 0 for baud 0.
double WirePassesPerSecond(uint32_t baud);

// Round-trip histogram: upper bounds of the buckets in milliseconds; the
// last bucket takes everything above the last bound.
inline constexpr std::array<double, 10> kRoundTripBoundsMs{1, 2, 5, 10, 20, 50, 100, 200, 500, 1000};
inline constexpr size_t kRoundTripBuckets = kRoundTripBoundsMs.size() + 1;
// "<1 ms", "1-2 ms", ... ">1000 ms"
std::string RoundTripBucketName(size_t bucket);

struct LinkHealthFigures {
    double RequestsPerSecond = 0; // over the last few seconds
    // Round trips of the replies of the last minute (failures excluded: a
    // time-out is no round trip).
    size_t Replies = 0;
    double MedianMs = 0;
    double P99Ms = 0;
    double MaxMs = 0;
    std::array<uint32_t, kRoundTripBuckets> Histogram{};
    // Since the meter started or was reset.
    std::array<uint64_t, kExchangeOutcomeCount> Outcomes{};
    uint64_t LateRepliesDropped = 0;
    std::optional<double> SecondsSinceFailure; // none: no failure since the start or reset
    // Polling passes per second while connected, against the wire's rate.
    bool Polling = false;
    double PassesPerSecond = 0;
    double WirePassesPerSecond = 0;
    uint32_t Baud = 0;
};

class LinkHealthMeter {
public:
    explicit LinkHealthMeter(const ExchangeJournal& journal);

    // Takes the journal's new records and one sample of the pass count.
    // `connected` false forgets the pass samples (no pass rate while the
    // link is not polling).
    void Update(int64_t nowNs, uint32_t passCount, bool connected);
    LinkHealthFigures Figures(int64_t nowNs, uint32_t baud) const;
    // Starts the figures afresh from now (the journal is not touched).
    void Reset(int64_t nowNs);

private:
    struct Sample {
        int64_t Ns;
        uint32_t Passes;
    };
    struct Kept {
        int64_t EndNs;
        uint32_t RoundTripUs;
        bool Reply;
    };
    void Forget(int64_t nowNs);

    const ExchangeJournal& journal_;
    uint64_t next_ = 0;       // the next journal record to take
    std::deque<Kept> minute_; // the records of the last minute
    std::deque<Sample> passes_;
    std::array<uint64_t, kExchangeOutcomeCount> outcomeBase_{};
    uint64_t lateBase_ = 0;
    int64_t resetNs_ = 0;
    mutable std::vector<uint32_t> scratch_;
};

// The figures as text, for velt-cli stats and the health window: the round
// trips ("median 6.9 ms, 99th percentile 7.8 ms, maximum 12.1 ms (3400
// replies)"), the histogram's non-empty buckets ("5-10 ms: 3398, 10-20 ms:
// 2"), the time since the last failure ("3 min 12 s", "no failure"), the
// polling rate against the wire's ("50.1 passes per second of 50.9 the wire
// allows at 115200 bit/s (98.4 %)", "not connected"), and all of them as
// captioned lines.
std::string RoundTripText(const LinkHealthFigures& f, bool korean);
std::string HistogramText(const LinkHealthFigures& f);
std::string SinceFailureText(const LinkHealthFigures& f, bool korean);
std::string PollingText(const LinkHealthFigures& f, bool korean);
std::vector<std::string> LinkHealthLines(const LinkHealthFigures& f, bool korean);
// What to tell the user of a USB adapter whose latency timer (read at
// sysfsPath) is `ms` milliseconds, with the command that lowers it to 1 ms.
std::string UsbLatencyAdvice(int ms, const std::string& sysfsPath, bool korean);
// The names of the failure kinds as the window and the CLI show them, in
// the order of ExchangeOutcome from NoReply on, then "late reply dropped".
std::string FailureKindName(size_t kind, bool korean); // 0..5: no reply .. late reply dropped
inline constexpr size_t kFailureKindCount = 6;
// The count of failure kind `kind` (same order) in the figures.
uint64_t FailureKindCount(const LinkHealthFigures& f, size_t kind);

} // namespace velt

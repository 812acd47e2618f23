#include "LinkHealth.h"

#include "DriveMap.h"
#include "link/LinkHealthTexts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>

namespace velt {

namespace {

constexpr int64_t kNsPerSecond = 1'000'000'000;
constexpr int64_t kMinute = 60 * kNsPerSecond;
// Requests and passes per second are taken over this much of the recent past.
constexpr int64_t kRateSpan = 5 * kNsPerSecond;
constexpr double kPassSleepS = 0.010;
// Above this share of what the wire allows, the line is not timed as a
// serial line is.
constexpr double kTimedLineLimitPercent = 110.0;
constexpr double kBitsPerChar = 10.0; // start, 8 data, stop
constexpr double kSilenceChars = 3.5;
constexpr int kRequestBytes = 8;
constexpr int kBitPollEvery = 5;

double ExchangeSeconds(int replyBytes, uint32_t baud) {
    return (kRequestBytes + replyBytes + kSilenceChars) * kBitsPerChar / baud;
}

std::string Format(const char* format, double a, double b = 0, double c = 0) {
    char text[160];
    std::snprintf(text, sizeof text, format, a, b, c);
    return text;
}

// "3 min 12 s", "12.3 s", "2 h 5 min"
std::string Duration(double seconds, bool korean) {
    const long s = static_cast<long>(seconds);
    if (s < 60) return Format(kDurationSecondsFormat.Pick(korean), seconds);
    if (s < 3600) return Format(kDurationMinutesFormat.Pick(korean), s / 60, s % 60);
    return Format(kDurationHoursFormat.Pick(korean), s / 3600, (s % 3600) / 60);
}

} // namespace

double WirePassesPerSecond(uint32_t baud) {
    if (baud == 0) return 0;
    const double state = ExchangeSeconds(5 + 2 * drive::StateCount, baud);
    const double bits = 2 * ExchangeSeconds(3 + (drive::BitCount + 7) / 8 + 2, baud);
    return 1.0 / (kPassSleepS + state + bits / kBitPollEvery);
}

std::string RoundTripBucketName(size_t bucket) {
    if (bucket == 0) return Format("<%.0f ms", kRoundTripBoundsMs[0]);
    if (bucket >= kRoundTripBoundsMs.size()) return Format(">%.0f ms", kRoundTripBoundsMs.back());
    return Format("%.0f-%.0f ms", kRoundTripBoundsMs[bucket - 1], kRoundTripBoundsMs[bucket]);
}

LinkHealthMeter::LinkHealthMeter(const ExchangeJournal& journal) : journal_(journal) {
    Reset(SteadyNowNs());
}

void LinkHealthMeter::Reset(int64_t nowNs) {
    next_ = journal_.Written();
    minute_.clear();
    passes_.clear();
    for (size_t k = 0; k < kExchangeOutcomeCount; ++k)
        outcomeBase_[k] = journal_.Outcomes(static_cast<ExchangeOutcome>(k));
    lateBase_ = journal_.LateRepliesDropped();
    resetNs_ = nowNs;
}

void LinkHealthMeter::Update(int64_t nowNs, uint32_t passCount, bool connected) {
    const uint64_t written = journal_.Written();
    // Records the ring has already overwritten are gone; start at the oldest kept.
    if (written - next_ > ExchangeJournal::kCapacity) next_ = written - ExchangeJournal::kCapacity;
    for (; next_ < written; ++next_) {
        ExchangeRecord r;
        if (!journal_.Read(next_, &r)) continue;
        const ExchangeOutcome outcome = OutcomeOf(r.Result);
        minute_.push_back({r.EndNs, r.RoundTripUs, !IsFailure(outcome) && r.RoundTripUs > 0});
    }
    if (connected)
        passes_.push_back({nowNs, passCount});
    else
        passes_.clear();
    Forget(nowNs);
}

void LinkHealthMeter::Forget(int64_t nowNs) {
    while (!minute_.empty() && minute_.front().EndNs < nowNs - kMinute)
        minute_.pop_front();
    // One sample older than the span stays, so that the rate covers all of it.
    while (passes_.size() > 2 && passes_[1].Ns <= nowNs - kRateSpan)
        passes_.pop_front();
}

LinkHealthFigures LinkHealthMeter::Figures(int64_t nowNs, uint32_t baud) const {
    LinkHealthFigures f;
    f.Baud = baud;
    f.WirePassesPerSecond = WirePassesPerSecond(baud);
    const int64_t spanStart = std::max(nowNs - kRateSpan, resetNs_);
    size_t recent = 0;
    scratch_.clear();
    for (const Kept& k : minute_) {
        if (k.EndNs >= spanStart) ++recent;
        if (!k.Reply) continue;
        scratch_.push_back(k.RoundTripUs);
        const double ms = k.RoundTripUs / 1000.0;
        const auto bound = std::lower_bound(kRoundTripBoundsMs.begin(), kRoundTripBoundsMs.end(), ms);
        ++f.Histogram[static_cast<size_t>(bound - kRoundTripBoundsMs.begin())];
    }
    const double span = static_cast<double>(nowNs - spanStart) / kNsPerSecond;
    f.RequestsPerSecond = span > 0.5 ? recent / span : 0;
    f.Replies = scratch_.size();
    if (!scratch_.empty()) {
        // Nearest rank: the median and the 99th percentile are replies that occurred.
        const auto rank = [&](double q) {
            const size_t i = static_cast<size_t>(std::ceil(q * scratch_.size())) - 1;
            std::nth_element(scratch_.begin(), scratch_.begin() + static_cast<long>(i), scratch_.end());
            return scratch_[i] / 1000.0;
        };
        f.MedianMs = rank(0.5);
        f.P99Ms = rank(0.99);
        f.MaxMs = *std::max_element(scratch_.begin(), scratch_.end()) / 1000.0;
    }
    for (size_t k = 0; k < kExchangeOutcomeCount; ++k)
        f.Outcomes[k] = journal_.Outcomes(static_cast<ExchangeOutcome>(k)) - outcomeBase_[k];
    f.LateRepliesDropped = journal_.LateRepliesDropped() - lateBase_;
    const int64_t lastFailure = journal_.LastFailureNs();
    if (lastFailure != 0 && lastFailure >= resetNs_)
        f.SecondsSinceFailure = static_cast<double>(nowNs - lastFailure) / kNsPerSecond;
    if (passes_.size() >= 2 && passes_.back().Ns > passes_.front().Ns) {
        f.Polling = true;
        f.PassesPerSecond = (passes_.back().Passes - passes_.front().Passes) /
                            (static_cast<double>(passes_.back().Ns - passes_.front().Ns) / kNsPerSecond);
    }
    return f;
}

std::string FailureKindName(size_t kind, bool korean) {
    static_assert(std::size(kFailureKindNames) == kFailureKindCount);
    return kind < kFailureKindCount ? kFailureKindNames[kind].Pick(korean) : "";
}

uint64_t FailureKindCount(const LinkHealthFigures& f, size_t kind) {
    const auto of = [&](ExchangeOutcome o) { return f.Outcomes[static_cast<size_t>(o)]; };
    switch (kind) {
    case 0:
        return of(ExchangeOutcome::NoReply);
    case 1:
        return of(ExchangeOutcome::BadCrc);
    case 2:
        return of(ExchangeOutcome::Exception);
    case 3:
        return of(ExchangeOutcome::WrongIdOrEcho);
    case 4:
        return f.LateRepliesDropped;
    case 5:
        return of(ExchangeOutcome::PortError);
    default:
        return 0;
    }
}

std::string RoundTripText(const LinkHealthFigures& f, bool korean) {
    if (f.Replies == 0) return kNoReplies.Pick(korean);
    char text[200];
    std::snprintf(text, sizeof text, kRoundTripFormat.Pick(korean), f.MedianMs, f.P99Ms, f.MaxMs, f.Replies);
    return text;
}

std::string HistogramText(const LinkHealthFigures& f) {
    std::string text;
    for (size_t b = 0; b < kRoundTripBuckets; ++b) {
        if (f.Histogram[b] == 0) continue;
        text += (text.empty() ? "" : ", ") + RoundTripBucketName(b) + ": " + std::to_string(f.Histogram[b]);
    }
    return text;
}

std::string SinceFailureText(const LinkHealthFigures& f, bool korean) {
    if (!f.SecondsSinceFailure) return kNoFailure.Pick(korean);
    return Duration(*f.SecondsSinceFailure, korean);
}

std::string PollingText(const LinkHealthFigures& f, bool korean) {
    if (!f.Polling || f.WirePassesPerSecond <= 0) return kNotPolling.Pick(korean);
    const double share = 100.0 * f.PassesPerSecond / f.WirePassesPerSecond;
    // A timed line can run a little ahead of the estimate (a reply that comes
    // early in its inter-frame gap), never by a tenth.
    if (share > kTimedLineLimitPercent)
        return FillText(kPollingUntimed.Pick(korean), {{"{passes}", Format("%.1f", f.PassesPerSecond)},
                                                       {"{baud}", std::to_string(f.Baud)}});
    return FillText(kPollingTemplate.Pick(korean), {{"{passes}", Format("%.1f", f.PassesPerSecond)},
                                                    {"{wire}", Format("%.1f", f.WirePassesPerSecond)},
                                                    {"{baud}", std::to_string(f.Baud)},
                                                    {"{share}", Format("%.1f", share)}});
}

std::string UsbLatencyAdvice(int ms, const std::string& sysfsPath, bool korean) {
    // The path comes last: a placeholder in it stays as it is.
    return FillText(kUsbLatencyTemplate.Pick(korean),
                    {{"{ms}", std::to_string(ms)}, {"{command}", "echo 1 | sudo tee " + sysfsPath}});
}

std::vector<std::string> LinkHealthLines(const LinkHealthFigures& f, bool korean) {
    std::vector<std::string> lines;
    lines.push_back(Format(kHealthLineRequestsFormat.Pick(korean), f.RequestsPerSecond));
    lines.push_back(kHealthLineRoundTrip.Pick(korean) + RoundTripText(f, korean));
    if (f.Replies > 0) lines.push_back(kHealthLineHistogram.Pick(korean) + HistogramText(f));
    std::string failures = kHealthLineFailures.Pick(korean);
    for (size_t k = 0; k < kFailureKindCount; ++k)
        failures +=
            (k ? ", " : " ") + FailureKindName(k, korean) + " " + std::to_string(FailureKindCount(f, k));
    lines.push_back(failures);
    lines.push_back(kHealthLineSinceFailure.Pick(korean) + SinceFailureText(f, korean));
    lines.push_back(kHealthLinePolling.Pick(korean) + PollingText(f, korean));
    return lines;
}

} // namespace velt

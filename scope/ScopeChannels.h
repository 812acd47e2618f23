#pragma once
// The four channels of a scope window: the six drive values a channel can
// plot, the channel settings latched at Run, the per-channel scale and
// offset, the tracked extremes for Auto Y, and one sample pass.
//
// Threads: the user-interface thread latches and changes settings and reads
// the extremes; the window's ScopeThread takes samples. Every member takes
// the channels' own short lock, never held while anything else is locked.
#include "base/LocalText.h"
#include "link/CDriveLink.h"
#include "scope/ScopeAxes.h"
#include "scope/ScopeSamples.h"
#include "scope/ScopeTexts.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>

namespace velt {

inline constexpr int kScopeChannels = 4;
// The sources' names are kScopeSourceNames (ScopeTexts.h), in list order:
// Command Position, Position, Command Speed, Speed, Command Current, Current.
inline constexpr int kScopeSources = static_cast<int>(kScopeSourceNames.size());

// The raw value of source 0..5 from one state block: the positions are signed
// 32-bit (low word first), the speeds and currents signed 16-bit. Any other
// index has no source and reads 0.
double RawSourceValue(const StateBlock& regs, int source);

// Names of the four channels' columns in the CSV export and lines of the
// hover read-out: the source's name in the chosen language, followed by
// " (Ch n)" when another channel that is on plots the same source.
std::array<std::string, kScopeChannels> ChannelColumnNames(const std::array<int, kScopeChannels>& on,
                                                           const std::array<int, kScopeChannels>& source,
                                                           bool korean);

// One sample of all four channels, as handed to the chart.
struct ScopeSample {
    TraceFlags SampleEnabled{};
    TraceValues SampleValue{};
    // When it was taken (every-poll mode: when its poll's reply was
    // received), and the number of that poll (StatePoll::Sequence).
    std::chrono::steady_clock::time_point Taken{};
    uint64_t Poll = 0;
    bool EveryPoll = false; // taken in the every-poll mode
};

class ScopeChannels {
public:
    ScopeChannels();

    // At Run: the check boxes and source lists; the extremes restart.
    void Latch(const std::array<int, kScopeChannels>& on, const std::array<int, kScopeChannels>& source);
    void SetOffset(int channel, double offset); // used from the next sample on
    void SetScale(int channel, double scale);
    void ResetExtremes();

    // One pass: each channel that is on reads its source from `regs` (one
    // poll), value = raw x scale + offset, and widens its extremes; a channel
    // that is off gives 0 and has its extremes put back to "none".
    ScopeSample Take(const StateBlock& regs);

    ChannelExtremes ChannelMin() const;
    ChannelExtremes ChannelMax() const;
    std::array<int, kScopeChannels> ChannelOn() const;
    std::array<int, kScopeChannels> ChannelSource() const;
    std::array<double, kScopeChannels> ChannelOffset() const;
    std::array<double, kScopeChannels> ChannelScale() const;

private:
    mutable std::mutex lock_;
    std::array<int, kScopeChannels> on_{};
    std::array<int, kScopeChannels> source_{1, 3, 4, 5};
    std::array<double, kScopeChannels> offset_{};
    std::array<double, kScopeChannels> scale_{1.0, 1.0, 1.0, 1.0};
    ChannelExtremes min_{};
    ChannelExtremes max_{};
};

} // namespace velt

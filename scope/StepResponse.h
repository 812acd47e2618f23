#pragma once
// Step-response figures of one channel over a captured trace: where the
// move starts and ends, how fast it rises, how far it overshoots, when it
// settles, and, against a command channel, how far it lags and how long the
// drive takes to report in position. Times are in seconds, interpolated
// linearly between samples; a figure the trace cannot give carries the
// reason instead of a number.
//
// Pure functions of their input; any thread.
#include "base/LocalText.h"

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace velt {

struct StepSettings {
    double LowLevel = 0.10;  // rise time from this fraction of the step ...
    double HighLevel = 0.90; // ... to this one
    double Band = 0.02;      // settling band, fraction of the step either side of the final value
};

// The samples a figure is computed from: one time per sample (seconds,
// rising) and the channel's values; optionally the command channel's values
// and the drive's in-position bit (non-zero = in position) at the same
// times. Spans of another length than Time count as absent.
struct StepInput {
    std::span<const double> Time;
    std::span<const double> Value;
    std::span<const double> Command;
    std::span<const double> InPosition;
};

enum class StepWhy {
    None,              // the figure holds a number
    TooFewSamples,     // fewer samples than the start and end windows need
    NoStep,            // start and end differ by no more than the noise
    NeverReaches,      // the level is not crossed within the trace
    NeverSettles,      // still outside the band at the end of the trace
    NoOvershoot,       // the peak does not pass the final value beyond the noise
    NoCommand,         // needs a command channel
    NoCommandStep,     // the command channel does not move
    NoInPositionData,  // the in-position bit is not among the recorded data
    NeverInPosition,   // the in-position bit does not come on after the command arrives
    CommandNotArrived, // the command has not reached its final value within the trace
};

struct StepFigure {
    std::optional<double> Value;
    StepWhy Why = StepWhy::TooFewSamples;
    static StepFigure Of(double v) { return {v, StepWhy::None}; }
    static StepFigure Not(StepWhy why) { return {std::nullopt, why}; }
};

struct StepFigures {
    StepFigure Start, Final, Step; // values; Step = Final - Start (signed)
    StepFigure Delay;              // seconds from the move's start to 50 % of the step
    StepFigure Lag;                // seconds the response's 50 % point trails the command's
    StepFigure Rise;               // seconds from LowLevel to HighLevel
    StepFigure Peak, PeakTime;     // value of the extreme beyond the final value, and its time from the start
    StepFigure Overshoot;          // percent of the step
    StepFigure Settling;           // seconds from the move's start into the band for good
    StepFigure SteadyError;        // final value minus the command's final value
    StepFigure FollowMax, FollowRms; // |command - value| from the move's start until settled
    StepFigure InPosition;           // seconds from the command's arrival to the in-position bit
    bool HasStep = false;            // the channel moves beyond its noise: the levels and band below hold
    // Marks for a chart, absolute times on the input's time axis (valid
    // when the figure they belong to is).
    double MoveStartTime = 0.0, LowTime = 0.0, HighTime = 0.0, PeakAt = 0.0, SettledAt = 0.0;
    double LowValue = 0.0, HighValue = 0.0, BandLow = 0.0, BandHigh = 0.0;
    StepSettings Settings;
};

// Settings a user may give: levels inside (0, 1) with low below high, band
// inside (0, 0.5).
bool StepSettingsValid(const StepSettings& s);

StepFigures ComputeStepFigures(const StepInput& in, const StepSettings& settings = {});

// One line per figure, "Rise time (10-90 %): 0.1234 s" or "... : cannot be
// given (never reaches the level)", in the chosen language; `unit` follows
// values ("" for none).
std::vector<std::string> StepFigureLines(const StepFigures& f, bool korean, const std::string& unit = "");

} // namespace velt

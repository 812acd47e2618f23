#pragma once
// The trigger's number boxes, read as the axis boxes are (ReadNumberBox):
// the level within the values the chart can label, the holdoff within 0 ..
// a day. A box that does not start with a number, or holds one beyond its
// bounds, leaves its setting as it is and tells why, as a refused axis box
// does; the box then shows the value in force again. The pre-trigger share
// is cut to 0 .. 100 %. Without a toolkit; user-interface thread.
#include "scope/ScopeAxes.h"
#include "scope/ScopeTrigger.h"

#include <string>
#include <vector>

namespace velt {

inline constexpr double kLongestHoldoff = 86400.0; // seconds

enum class TriggerBox { Level, Holdoff };

// Why a trigger box was left as it was.
struct TriggerRefusal {
    TriggerBox Box = TriggerBox::Level;
    AxisProblem Problem = AxisProblem::NotANumber; // NotANumber or OutOfRange
    std::string Text;                              // as typed
    double Kept = 0.0;                             // the value that stays in force
};

struct TriggerBoxTexts {
    std::string Level, PreTriggerPercent, Holdoff;
};

struct TriggerBoxReading {
    TriggerSettings Settings; // those in force with the boxes read into them
    double PreTriggerPercent = 0.0;
    std::vector<TriggerRefusal> Refused;
};

// The three boxes read into `inForce` (mode, channel and edge stay).
TriggerBoxReading ReadTriggerValues(const TriggerBoxTexts& boxes, const TriggerSettings& inForce);

// The message that tells the refusals: one line for each, then the value
// that stays for each box refused. "\r\n" between lines.
std::string TriggerRefusalText(const std::vector<TriggerRefusal>& refused, bool korean);

} // namespace velt

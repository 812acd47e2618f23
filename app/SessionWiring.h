#pragma once
// What the unattended session driver (SessionDriver.h) presses and reads:
// the windows' own buttons and what they show, handed over by the shell, so
// that the driver does what a user at the screen would do. Once the shell has
// shut down (the frame closed while the event loop still runs) Link gives
// null and the other parts do nothing.
#include "repeat/RepeatSequence.h"

#include <functional>
#include <string>

namespace velt {

class CDriveLink;
class ConnectionWatch;

struct SessionWiring {
    std::function<CDriveLink*()> Link;
    ConnectionWatch* Watch = nullptr;
    std::function<void()> PressScope;      // the connection bar's Scope
    std::function<int()> RunVisibleScopes; // Run on each shown scope; how many run
    std::function<int()> VisibleScopes;
    std::function<void()> PressServoOn;         // the monitoring page's SERVO ON
    std::function<void()> PressRepeatTest;      // and its Repeat Test
    std::function<void()> PressRepeatStart;     // the repeat window's Start
    std::function<RepeatStatus()> RepeatState;  // the repeat window's cycle
    std::function<int()> ParamsReadCount;       // complete reads the parameter page took
    std::function<std::string()> ShownVersions; // "H/W Ver : .. | S/W Ver : .."
};

} // namespace velt

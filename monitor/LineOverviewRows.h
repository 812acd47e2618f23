#pragma once
// What the line overview window shows: one row per drive of the line, built
// from the link's overview snapshot and, for the selected drive (which the
// overview does not read: its own polls do), from its polled state.
#include "link/LineOverview.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace velt {

class CDriveLink;

struct LineOverviewRow {
    uint8_t Id = 0;
    std::string Name;
    std::string State;      // connected, silent, not read yet, or the line closed
    int Alarm = 0;          // 0 none; only from a read that ended well
    std::string AlarmText;  // " 3 : Overtemperature Error", or the number; "" without values
    std::string ServoOn;    // yes / no; "" without values
    std::string InPosition; // yes / no; "" without values
    std::string Position;   // actual position, counts
    std::string Speed;      // actual speed, rpm
    bool InAlarm = false;   // painted in the alarm colour
    bool Selected = false;  // the drive the other windows show
};

struct LineOverviewInput {
    bool Connected = false; // the link is connected: otherwise no drive is read
    // The selected drive as its own polls have it (Id 0: none selected).
    LineDriveState Selected;
    // The link's overview snapshot, in the line's order.
    std::vector<LineDriveState> Line;
};

// What the link has now: its overview snapshot and the selected drive's
// polled state (answering while connected with no failed poll). Any thread.
LineOverviewInput ReadLineOverview(const CDriveLink& link);

// One row per drive of `in.Line`, in its order; the selected drive's row
// from `in.Selected`, at the top when the line lacks it. `name` may be empty.
std::vector<LineOverviewRow> BuildLineOverviewRows(const LineOverviewInput& in,
                                                   const std::function<std::string(uint8_t)>& name,
                                                   bool korean);

} // namespace velt

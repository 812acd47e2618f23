#include "monitor/LineOverviewRows.h"

#include "link/CDriveLink.h"
#include "link/DriveMap.h"
#include "monitor/LineOverviewTexts.h"
#include "monitor/MonitorView.h"
#include "monitor/ValueNames.h"

#include <algorithm>

namespace velt {

namespace {

LineOverviewRow RowOf(const LineDriveState& d, bool connected, bool korean) {
    LineOverviewRow row;
    row.Id = d.Id;
    if (!connected)
        row.State = kOverviewLineClosed.Pick(korean);
    else if (!d.Read)
        row.State = kOverviewNotReadYet.Pick(korean);
    else
        row.State = (d.Answering ? kOverviewConnected : kOverviewSilent).Pick(korean);
    // Values are shown only while they are the drive's present ones.
    if (!connected || !d.Answering) return row;
    const auto& r = d.Regs;
    row.Alarm = Signed(r[drive::StateAlarm]);
    row.InAlarm = row.Alarm != 0;
    row.AlarmText = EntryOrNumber(AlarmName(row.Alarm, korean), row.Alarm);
    const auto yesNo = [korean](bool on) { return (on ? kOverviewYes : kOverviewNo).Pick(korean); };
    row.ServoOn = yesNo((r[drive::StateStatus] & drive::StatusServoOn) != 0);
    row.InPosition = yesNo((r[drive::StateStatus] & drive::StatusInPosition) != 0);
    row.Position = std::to_string(Join32(r[drive::StatePositionLow], r[drive::StatePositionLow + 1]));
    row.Speed = std::to_string(Signed(r[drive::StateSpeed]));
    return row;
}

} // namespace

LineOverviewInput ReadLineOverview(const CDriveLink& link) {
    LineOverviewInput in;
    in.Connected = link.IsConnected();
    in.Line = link.LineDrives();
    in.Selected.Id = link.DriveId();
    in.Selected.Read = in.Connected;
    in.Selected.Answering = in.Connected && link.FailCount() == 0;
    const StateBlock regs = link.StateRegs();
    std::copy_n(regs.begin(), kOverviewRegisters, in.Selected.Regs.begin());
    return in;
}

std::vector<LineOverviewRow> BuildLineOverviewRows(const LineOverviewInput& in,
                                                   const std::function<std::string(uint8_t)>& name,
                                                   bool korean) {
    std::vector<LineOverviewRow> rows;
    const uint8_t selected = in.Selected.Id;
    bool selectedListed = false;
    for (const LineDriveState& d : in.Line)
        selectedListed = selectedListed || (selected != 0 && d.Id == selected);
    if (selected != 0 && !selectedListed) rows.push_back(RowOf(in.Selected, in.Connected, korean));
    for (const LineDriveState& d : in.Line)
        rows.push_back(RowOf(d.Id == selected ? in.Selected : d, in.Connected, korean));
    for (LineOverviewRow& row : rows) {
        row.Selected = selected != 0 && row.Id == selected;
        if (name) row.Name = name(row.Id);
    }
    return rows;
}

} // namespace velt

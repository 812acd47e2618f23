#pragma once
// The repeat-motion sequence: up to eight points run endlessly, one step per
// pass of the RepeatThread, until the user stops it, the drive leaves
// servo-on or raises an alarm, or the line fails (a write of the sequence
// fails, or the connection it started on ends): it never carries on over a
// connection made again after a fault. Free of any window: the repeat window reads
// the points from its grid, hands them to Start and shows Status().
//
// Threads: Start, Stop and ToggleUse belong to the user-interface thread,
// StepRepeat to the RepeatThread; Status and Halt may be called from any
// thread. Locks, in this order: commandLock_ (held by StepRepeat for its
// whole step, and by Start and Stop around their writes, so that a STOP is
// never overtaken by a step's RUN), then the link's Lock (inside WriteParam),
// then dataLock_ (the fields, never held across a request).
#include "link/CDriveLink.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <stop_token>
#include <string>
#include <string_view>

namespace velt {

struct RepeatPoint {
    uint8_t Use = 1;      // 1: part of the cycle
    int32_t Pos = 0;      // target, in the units of the drive's RUN command
    int32_t Speed = 500;  // only the low 16 bits are sent
    int32_t Delay = 500;  // dwell in milliseconds, read as unsigned
    uint32_t Elapsed = 0; // milliseconds dwelt so far at this point
};

constexpr int kRepeatPointCount = 8;
using RepeatPoints = std::array<RepeatPoint, kRepeatPointCount>;

// P1..P8 as the window starts: all used, Pos 0, 10000 .. 70000, Speed 500,
// Delay 500.
RepeatPoints DefaultRepeatPoints();

// One grid row read back: each text as a leading decimal number (0 when
// there is none); Use keeps the low 8 bits; Elapsed is 0.
RepeatPoint RepeatPointFromTexts(std::string_view use, std::string_view pos, std::string_view speed,
                                 std::string_view delay);

// Pos x num / den as the drive converts a RUN target: signed 32-bit integer
// arithmetic, (pos / den) x num + ((pos % den) x num) / den with truncating
// division, each product wrapping at 32 bits as on the drive. den must not
// be 0.
int32_t ConvertRepeatTarget(int32_t pos, int32_t num, int32_t den);

enum class RepeatStepState : int32_t {
    Choose = 0,         // is the point used?
    Command = 1,        // write the move (or the speed)
    WaitInPosition = 3, // until the drive is in position at the converted target
    Dwell = 4,          // until Delay milliseconds have passed
    Next = 5,           // on to the next point
};

// What Start did. Every refusal writes nothing.
enum class RepeatStartResult {
    Started,
    NoLink,          // no link object
    NoActiveSet,     // the active set in the state block is neither 1 nor 2
    UnsupportedMode, // the active mode and form fit neither operation
    ServoOff,        // the drive is not servo-on
};

// Why the sequence last ended.
enum class RepeatEnd {
    None,
    Stopped,              // the user's Stop (STOP written)
    AlarmOrServoOff,      // the drive alarmed or left servo-on (nothing written)
    RatioDenominatorZero, // parameter 61 reads 0: the target cannot be converted (nothing written)
    Halted,               // the RepeatThread was stopped (shutdown)
    LineFault,            // a write failed or the connection ended (nothing more written)
};

// A consistent copy of the sequence for the window.
struct RepeatStatus {
    RepeatPoints Points{};
    bool Repeating = false;
    uint8_t SpeedOnly = 0;
    int32_t PointIndex = 0;
    RepeatStepState StepState = RepeatStepState::Choose;
    uint32_t Cycles = 0; // cycles completed since Start
    // The cell the grid's focus is to move to (set when a point is commanded);
    // FocusSerial counts the requests.
    int FocusRow = -1;
    int FocusCol = -1;
    uint32_t FocusSerial = 0;
    // The last end of a running sequence; EndSerial counts the ends.
    RepeatEnd LastEnd = RepeatEnd::None;
    int32_t EndPoint = 0;
    int32_t EndAlarm = 0; // the alarm number of an AlarmOrServoOff end (0: the servo went off)
    uint32_t EndSerial = 0;
};

// The user's text for an end the window reports (RatioDenominatorZero, and
// AlarmOrServoOff with the drive's alarm number, 0 when the servo went off
// without one); empty for the others. point is 0..7.
std::string RepeatEndText(RepeatEnd end, int point, bool korean, int alarm = 0);
// Why Start did not start, for the user; empty for Started and NoLink.
// `connected`: the link was connected (a disconnected drive reports no
// active set).
std::string RepeatStartText(RepeatStartResult result, bool connected, bool korean);
// The repeat window's title after a line fault ended the cycle at point 0..7.
std::string RepeatLineFaultTitle(int point, bool korean);

class RepeatSequence {
public:
    using Clock = std::function<uint32_t()>; // milliseconds, wrapping at 2^32

    // link may be null: Start refuses, StepRepeat, Stop and ToggleUse do
    // nothing. The link must outlive every call. The clock defaults to the
    // system tick count.
    explicit RepeatSequence(CDriveLink* link, Clock now = {});
    RepeatSequence(const RepeatSequence&) = delete;
    RepeatSequence& operator=(const RepeatSequence&) = delete;

    // User-interface thread. The checks in order (link, active set, mode and
    // form, servo on); then STOP, the points (Elapsed zeroed), P1, state 0,
    // running. Waits for a step in progress to finish its writes.
    RepeatStartResult Start(const RepeatPoints& points);
    // User-interface thread. With a link: ends the sequence, then writes
    // STOP after any write a step in progress has on the line.
    void Stop();
    // User-interface thread. Toggles Use of point 0..7 between 0 and 1 (with
    // a link only). Takes effect at the point's next choice, even while
    // running.
    void ToggleUse(int index);

    // RepeatThread. One step of the sequence (at most four writes).
    void StepRepeat();
    // RepeatThread. Returns once a cycle runs (at once when one does) or a
    // stop has been requested: an idle thread sleeps instead of stepping.
    void WaitForStart(const std::stop_token& stop);

    // Any thread. Ends the sequence without a command; a step in progress
    // writes nothing more.
    void Halt();

    RepeatStatus Status() const;
    bool Repeating() const { return repeating_.load(); }
    uint32_t EndSerial() const; // Status().EndSerial without the copy
    CDriveLink* Link() const { return link_; }

private:
    struct Write {
        uint16_t reg;
        uint16_t value;
    };

    uint32_t Now() const;
    // The states that do more than one assignment; all under dataLock_.
    void CommandPoint(std::unique_lock<std::mutex>& data, const ParamBlock& params);
    void AwaitInPosition(const StateBlock& state, const ParamBlock& params);
    void DwellAtPoint();
    // Under dataLock_: ends a running sequence and records why.
    void EndLocked(RepeatEnd why);
    // Writes in order while the sequence runs, on the connection it started
    // on; false when it ended first or a write failed (which ends it).
    bool WriteWhileRunning(const Write* writes, int count);

    CDriveLink* const link_;
    const Clock now_;

    std::mutex commandLock_;
    mutable std::mutex dataLock_;
    std::condition_variable_any startCv_; // with dataLock_: a cycle has started
    std::atomic<bool> repeating_{false};  // `Repeating`; written under dataLock_
    std::atomic<uint32_t> connection_{0}; // the link's ConnectionSerial at Start

    // Guarded by dataLock_.
    RepeatPoints points_ = DefaultRepeatPoints();
    uint8_t speedOnly_ = 0;
    int32_t pointIndex_ = 0;
    RepeatStepState stepState_ = RepeatStepState::Choose;
    uint32_t dwellStart_ = 0; // `DwellStart`
    uint32_t cycles_ = 0;
    int focusRow_ = -1;
    int focusCol_ = -1;
    uint32_t focusSerial_ = 0;
    RepeatEnd lastEnd_ = RepeatEnd::None;
    int32_t endPoint_ = 0;
    int32_t endAlarm_ = 0;
    uint32_t endSerial_ = 0;
};

} // namespace velt

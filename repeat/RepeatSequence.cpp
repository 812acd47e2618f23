#include "RepeatSequence.h"

#include "base/LeadingNumber.h"
#include "link/DriveMap.h"
#include "monitor/ValueNames.h"
#include "platform/TickCount.h"
#include "repeat/RepeatTexts.h"

namespace velt {

namespace {

// Grid columns the focus moves to.
constexpr int kPosColumn = 2;
constexpr int kSpeedColumn = 3;

constexpr int32_t kPointSpacing = 10000;

int32_t Wrap32(int64_t v) {
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(v)));
}

int32_t Word(uint16_t w) {
    return static_cast<int16_t>(w);
}

} // namespace

RepeatPoints DefaultRepeatPoints() {
    RepeatPoints points{};
    for (int i = 0; i < kRepeatPointCount; ++i)
        points[i].Pos = i * kPointSpacing;
    return points;
}

RepeatPoint RepeatPointFromTexts(std::string_view use, std::string_view pos, std::string_view speed,
                                 std::string_view delay) {
    RepeatPoint p;
    p.Use = static_cast<uint8_t>(static_cast<uint32_t>(ReadLeadingNumber(use).value) & 0xFF);
    p.Pos = ReadLeadingNumber(pos).value;
    p.Speed = ReadLeadingNumber(speed).value;
    p.Delay = ReadLeadingNumber(delay).value;
    p.Elapsed = 0;
    return p;
}

// Computed in 64 bits and wrapped wherever the drive's 32-bit arithmetic
// wraps, so that no step is undefined (INT32_MIN / -1 included).
int32_t ConvertRepeatTarget(int32_t pos, int32_t num, int32_t den) {
    const int64_t quotient = Wrap32(int64_t{pos} / den);
    const int64_t remainder = int64_t{pos} % den;
    const int32_t whole = Wrap32(quotient * num);
    const int32_t part = Wrap32(int64_t{Wrap32(remainder * num)} / den);
    return Wrap32(int64_t{whole} + part);
}

namespace {

// "2 (Overcurrent Error)"; a number without a name stays a number.
std::string AlarmText(int alarm, bool korean) {
    std::string text = std::to_string(alarm);
    if (alarm > 0 && alarm < ALARM_NAME_COUNT) {
        std::string name = AfterColon(AlarmName(alarm, korean));
        const size_t from = name.find_first_not_of(' ');
        if (from != std::string::npos) text += " (" + name.substr(from) + ")";
    }
    return text;
}

} // namespace

std::string RepeatStartText(RepeatStartResult result, bool connected, bool korean) {
    switch (result) {
    case RepeatStartResult::Started:
    case RepeatStartResult::NoLink:
        return {};
    case RepeatStartResult::NoActiveSet:
        if (!connected) return kRepeatNotConnectedStart.Pick(korean);
        return FillText(kRepeatNoActiveSetStart.Pick(korean),
                        {{"{reg}", std::to_string(drive::StateActiveSet)}});
    case RepeatStartResult::UnsupportedMode:
        return FillText(kRepeatUnsupportedModeStart.Pick(korean),
                        {{"{mode}", std::to_string(drive::ParamDefaultMode) + "/" +
                                        std::to_string(drive::ParamSwitchMode)},
                         {"{form}", std::to_string(drive::ParamDefaultForm) + "/" +
                                        std::to_string(drive::ParamSwitchForm)}});
    case RepeatStartResult::ServoOff:
        return kRepeatServoOffStart.Pick(korean);
    }
    return {};
}

std::string RepeatEndText(RepeatEnd end, int point, bool korean, int alarm) {
    if (end == RepeatEnd::AlarmOrServoOff) {
        const std::string why =
            alarm > 0 ? FillText(kRepeatAlarmEnd.Pick(korean), {{"{alarm}", AlarmText(alarm, korean)}})
                      : std::string(kRepeatServoOffEnd.Pick(korean));
        return why + "\r\n" +
               FillText(kRepeatStoppedAt.Pick(korean), {{"{point}", "P" + std::to_string(point + 1)}});
    }
    if (end != RepeatEnd::RatioDenominatorZero) return {};
    return FillText(kRepeatRatioZeroEnd.Pick(korean),
                    {{"{param}", std::to_string(drive::ParamRatioDenominator)},
                     {"{point}", "P" + std::to_string(point + 1)}});
}

std::string RepeatLineFaultTitle(int point, bool korean) {
    return FillText(kRepeatLineFaultTitle.Pick(korean), {{"{point}", "P" + std::to_string(point + 1)}});
}

RepeatSequence::RepeatSequence(CDriveLink* link, Clock now) : link_(link), now_(std::move(now)) {}

uint32_t RepeatSequence::Now() const {
    return now_ ? now_() : GetTickCount();
}

RepeatStartResult RepeatSequence::Start(const RepeatPoints& points) {
    if (link_ == nullptr) return RepeatStartResult::NoLink;
    std::lock_guard command(commandLock_);
    const StateBlock state = link_->StateRegs();
    const ParamBlock params = link_->ParamRegs();
    int32_t mode = 0;
    int32_t form = 0;
    switch (Word(state[drive::StateActiveSet])) {
    case 1:
        mode = Word(params[drive::ParamDefaultMode]);
        form = Word(params[drive::ParamDefaultForm]);
        break;
    case 2:
        mode = Word(params[drive::ParamSwitchMode]);
        form = Word(params[drive::ParamSwitchForm]);
        break;
    default:
        return RepeatStartResult::NoActiveSet;
    }
    // Mode 0 position and 1 velocity control; form 0 position and 10
    // velocity by communication.
    uint8_t speedOnly = 0;
    if (mode == 0 || form == 0)
        speedOnly = 0;
    else if (mode == 1 || form == 10)
        speedOnly = 1;
    else
        return RepeatStartResult::UnsupportedMode;
    if ((state[drive::StateStatus] & drive::StatusServoOn) == 0) return RepeatStartResult::ServoOff;

    connection_.store(link_->ConnectionSerial());
    link_->WriteParam(drive::CommandRegister, drive::Code(drive::Command::Stop));
    std::lock_guard data(dataLock_);
    points_ = points;
    for (RepeatPoint& p : points_)
        p.Elapsed = 0;
    speedOnly_ = speedOnly;
    pointIndex_ = 0;
    stepState_ = RepeatStepState::Choose;
    cycles_ = 0;
    repeating_.store(true);
    startCv_.notify_all();
    return RepeatStartResult::Started;
}

void RepeatSequence::Stop() {
    if (link_ == nullptr) return;
    {
        std::lock_guard data(dataLock_);
        EndLocked(RepeatEnd::Stopped);
    }
    std::lock_guard command(commandLock_);
    link_->WriteParam(drive::CommandRegister, drive::Code(drive::Command::Stop));
}

void RepeatSequence::ToggleUse(int index) {
    if (link_ == nullptr || index < 0 || index >= kRepeatPointCount) return;
    std::lock_guard data(dataLock_);
    uint8_t& use = points_[index].Use;
    use = use == 1 ? 0 : 1;
}

void RepeatSequence::Halt() {
    std::lock_guard data(dataLock_);
    EndLocked(RepeatEnd::Halted);
}

void RepeatSequence::EndLocked(RepeatEnd why) {
    if (!repeating_.exchange(false)) return;
    lastEnd_ = why;
    endPoint_ = pointIndex_;
    ++endSerial_;
}

uint32_t RepeatSequence::EndSerial() const {
    std::lock_guard data(dataLock_);
    return endSerial_;
}

RepeatStatus RepeatSequence::Status() const {
    std::lock_guard data(dataLock_);
    RepeatStatus s;
    s.Points = points_;
    s.Repeating = repeating_.load();
    s.SpeedOnly = speedOnly_;
    s.PointIndex = pointIndex_;
    s.StepState = stepState_;
    s.Cycles = cycles_;
    s.FocusRow = focusRow_;
    s.FocusCol = focusCol_;
    s.FocusSerial = focusSerial_;
    s.LastEnd = lastEnd_;
    s.EndPoint = endPoint_;
    s.EndAlarm = endAlarm_;
    s.EndSerial = endSerial_;
    return s;
}

void RepeatSequence::WaitForStart(const std::stop_token& stop) {
    std::unique_lock data(dataLock_);
    startCv_.wait(data, stop, [this] { return repeating_.load(); });
}

void RepeatSequence::StepRepeat() {
    std::lock_guard command(commandLock_);
    if (link_ == nullptr || !repeating_.load()) return;
    const StateBlock state = link_->StateRegs();
    const ParamBlock params = link_->ParamRegs();
    std::unique_lock data(dataLock_);
    if (!repeating_.load()) return; // stopped meanwhile
    // After a disconnect the blocks read as zero (servo off) only once the
    // MainThread has cleared them; the connection itself says it at once.
    if (!link_->IsConnected() || link_->ConnectionSerial() != connection_.load()) {
        EndLocked(RepeatEnd::LineFault);
        return;
    }
    const int32_t alarm = Word(state[drive::StateAlarm]);
    if (alarm > 0 || (state[drive::StateStatus] & drive::StatusServoOn) == 0) {
        if (repeating_.load()) endAlarm_ = alarm > 0 ? alarm : 0;
        EndLocked(RepeatEnd::AlarmOrServoOff);
        return;
    }
    switch (stepState_) {
    case RepeatStepState::Choose:
        stepState_ = points_[pointIndex_].Use == 1 ? RepeatStepState::Command : RepeatStepState::Next;
        break;
    case RepeatStepState::Command:
        CommandPoint(data, params);
        break;
    case RepeatStepState::WaitInPosition:
        AwaitInPosition(state, params);
        break;
    case RepeatStepState::Dwell:
        DwellAtPoint();
        break;
    case RepeatStepState::Next:
        if (++pointIndex_ >= kRepeatPointCount) {
            pointIndex_ = 0;
            ++cycles_;
        }
        stepState_ = RepeatStepState::Choose;
        break;
    }
}

// Under dataLock_ (`data`), which is let go for the writes.
void RepeatSequence::CommandPoint(std::unique_lock<std::mutex>& data, const ParamBlock& params) {
    const int32_t i = pointIndex_;
    const RepeatPoint p = points_[i];
    const bool speedOnly = speedOnly_ != 0;
    // A move whose target cannot be converted could never be seen arriving.
    if (!speedOnly && Word(params[drive::ParamRatioDenominator]) == 0) {
        EndLocked(RepeatEnd::RatioDenominatorZero);
        return;
    }
    focusRow_ = i + 1;
    focusCol_ = speedOnly ? kSpeedColumn : kPosColumn;
    ++focusSerial_;

    const auto pos = static_cast<uint32_t>(p.Pos);
    Write writes[4];
    int count = 0;
    if (!speedOnly) {
        writes[count++] = {drive::PositionLowRegister, static_cast<uint16_t>(pos & 0xFFFF)};
        writes[count++] = {drive::PositionHighRegister, static_cast<uint16_t>(pos >> 16)};
    }
    writes[count++] = {drive::SpeedRegister, static_cast<uint16_t>(static_cast<uint32_t>(p.Speed) & 0xFFFF)};
    writes[count++] = {drive::CommandRegister, drive::Code(drive::Command::Run)};

    data.unlock();
    const bool written = WriteWhileRunning(writes, count);
    data.lock();
    if (!written || !repeating_.load()) return;
    points_[i].Elapsed = 0;
    if (speedOnly) {
        dwellStart_ = Now();
        stepState_ = RepeatStepState::Dwell;
    } else {
        stepState_ = RepeatStepState::WaitInPosition;
    }
}

// Under commandLock_ only. The first write that fails ends the sequence: the
// rest of the move is not sent (a RUN must not follow a position that did not
// arrive), and nothing is tried again. A write that reached the drive while
// its reply was lost is not sent a second time either.
bool RepeatSequence::WriteWhileRunning(const Write* writes, int count) {
    const uint32_t connection = connection_.load();
    for (int k = 0; k < count; ++k) {
        if (!repeating_.load()) return false;
        if (link_->WriteParamOn(connection, writes[k].reg, writes[k].value) != RTU_OK) {
            std::lock_guard data(dataLock_);
            EndLocked(RepeatEnd::LineFault);
            return false;
        }
    }
    return true;
}

void RepeatSequence::AwaitInPosition(const StateBlock& state, const ParamBlock& params) {
    const int32_t den = Word(params[drive::ParamRatioDenominator]);
    if (den == 0) {
        EndLocked(RepeatEnd::RatioDenominatorZero);
        return;
    }
    const int32_t target =
        ConvertRepeatTarget(points_[pointIndex_].Pos, Word(params[drive::ParamRatioNumerator]), den);
    const auto commanded =
        static_cast<int32_t>(static_cast<uint32_t>(state[drive::StateCmdPositionLow]) |
                             (static_cast<uint32_t>(state[drive::StateCmdPositionLow + 1]) << 16));
    if ((state[drive::StateStatus] & drive::StatusInPosition) != 0 && target == commanded) {
        dwellStart_ = Now();
        stepState_ = RepeatStepState::Dwell;
    }
}

void RepeatSequence::DwellAtPoint() {
    RepeatPoint& p = points_[pointIndex_];
    p.Elapsed = Now() - dwellStart_;
    if (p.Elapsed >= static_cast<uint32_t>(p.Delay)) stepState_ = RepeatStepState::Next;
}

} // namespace velt

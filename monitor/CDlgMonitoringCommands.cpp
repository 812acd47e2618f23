// The command buttons of the monitoring page and the frame log's Save As.
#include "CDlgMonitoring.h"

#include "base/FileMessages.h"
#include "base/MessageService.h"
#include "controls/FileDialogs.h"
#include "controls/QtText.h"
#include "controls/WaitWithMessages.h"
#include "link/ResultTexts.h"
#include "monitor/FrameLogList.h"
#include "monitor/MonitorTexts.h"
#include "platform/AtomicFile.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>

#include <filesystem>

namespace velt {

namespace {
// HOME's wait between the codes ServoOn and Home.
constexpr uint32_t kHomeStepMs = 100;
} // namespace

CDriveLink* CDlgMonitoring::ConnectedLink() const {
    CDriveLink* link = wiring_.Link;
    return link != nullptr && link->IsConnected() ? link : nullptr;
}

std::optional<int32_t> CDlgMonitoring::CheckedField(CommandField field, QLineEdit* edit) {
    const std::string text = edit->text().toStdString();
    const std::optional<int32_t> value = ReadCommandField(field, text);
    if (!value) {
        ShowMessage(FieldRefusedText(field, text, Korean()));
        // The text stays for correction.
        edit->setFocus();
        edit->selectAll();
    }
    return value;
}

namespace {
// What a failed command leaves the machine in: the commands that stop the
// axis or take its power away may have left it moving or powered.
const LocalText* ConsequenceOf(drive::Command code) {
    switch (code) {
    case drive::Command::Stop:
    case drive::Command::Emg:
        return &kMayStillMove;
    case drive::Command::ServoOff:
        return &kMayStillBePowered;
    default:
        return nullptr;
    }
}
} // namespace

bool CDlgMonitoring::WriteCode(const char* name, drive::Command code) {
    CDriveLink* link = ConnectedLink();
    if (link == nullptr) return true;
    const RtuResult result = link->WriteParam(drive::CommandRegister, drive::Code(code));
    if (result == RTU_OK) return true;
    TellCommandFailed(name, result, ConsequenceOf(code));
    return false;
}

void CDlgMonitoring::TellCommandFailed(const std::string& name, RtuResult result,
                                       const LocalText* consequence) {
    const bool ko = Korean();
    std::string text =
        FillText(kCommandFailed.Pick(ko), {{"{command}", name}, {"{reason}", ResultReasonText(result, ko)}});
    AddNote(Qs(text));
    if (consequence != nullptr) text += std::string("\r\n") + consequence->Pick(ko);
    ShowMessage(text);
}

void CDlgMonitoring::SendWithArguments(const char* command, const std::vector<RegisterWrite>& writes) {
    CDriveLink* link = ConnectedLink();
    if (link == nullptr) return;
    const SequenceResult r = WriteCommandSequence(
        writes, [link](uint16_t reg, uint16_t value) { return link->WriteParam(reg, value); });
    if (!r.CommandSent) {
        const std::string name = wiring_.RegisterName ? wiring_.RegisterName(r.FailedReg) : std::string();
        ShowMessage(CommandNotSentText(command, r.FailedReg, name.c_str(), r.Result, Korean()));
    }
}

// Every edit is checked before anything is written: a typo must not send
// the drive to a position made of the digits before it.
void CDlgMonitoring::OnRun() {
    if (ConnectedLink() == nullptr) return;
    const std::optional<int32_t> position = CheckedField(CommandField::Position, PositionEdit);
    if (!position) return;
    const std::optional<int32_t> speed = CheckedField(CommandField::Speed, SpeedEdit);
    if (!speed) return;
    const std::optional<int32_t> torque = CheckedField(CommandField::Torque, TorqueEdit);
    if (!torque) return;
    SendWithArguments("RUN", RunWrites(*position, *speed, *torque));
}

void CDlgMonitoring::OnEncoderReset() {
    if (ConnectedLink() == nullptr) return;
    const std::optional<int32_t> value = CheckedField(CommandField::EncoderValue, EncoderClearEdit);
    if (!value) return;
    SendWithArguments("Encoder Reset", EncoderResetWrites(*value));
}

void CDlgMonitoring::OnStop() {
    CancelPendingHome();
    WriteCode("STOP", drive::Command::Stop);
}

void CDlgMonitoring::OnEmg() {
    CancelPendingHome();
    WriteCode("EMG", drive::Command::Emg);
}

void CDlgMonitoring::OnReset() {
    WriteCode("RESET", drive::Command::Reset);
}

void CDlgMonitoring::OnServoOn() {
    WriteCode("SERVO ON", drive::Command::ServoOn);
}

void CDlgMonitoring::OnServoOff() {
    CancelPendingHome();
    WriteCode("SERVO OFF", drive::Command::ServoOff);
}

// The wait keeps the windows alive (timers and buttons included): the page
// goes on showing the drive while the servo comes on. An EMG, STOP or SERVO
// OFF pressed during the wait goes out at once and cancels the Home code that
// was due, so that the drive does not start homing after the operator
// stopped it; a second HOME pressed during the wait sends the only Home code.
// A Servo ON that failed ends HOME: homing an axis without power would not
// start, and the operator is told why nothing moves.
void CDlgMonitoring::OnHome() {
    if (ConnectedLink() == nullptr) return;
    const uint64_t ticket = ++homeTicket_;
    if (!WriteCode("HOME (SERVO ON)", drive::Command::ServoOn)) return;
    WaitWithMessages(kHomeStepMs);
    if (homeTicket_ != ticket) return;
    WriteCode("HOME", drive::Command::Home);
}

void CDlgMonitoring::OnControlModeSwitching() {
    CDriveLink* link = ConnectedLink();
    if (link == nullptr || ServoIsOn(link->StateRegs())) return;
    if (ShowMessage(kModeSwitchQuestion.Pick(Korean()), MsgButtons::YesNo) != MsgResult::Yes) return;
    // Read again: the drive may have changed while the question was open.
    link = ConnectedLink();
    if (link == nullptr) return;
    if (const std::optional<drive::Command> code = ModeSwitchCode(link->StateRegs()))
        WriteCode(kModeSwitchingCaption.Pick(Korean()), *code);
}

void CDlgMonitoring::OnOutput(int coil, bool on) {
    CDriveLink* link = ConnectedLink();
    if (link == nullptr) return;
    const RtuResult result = link->WriteOutput(static_cast<uint16_t>(coil), on);
    if (result != RTU_OK)
        TellCommandFailed("OUT " + std::to_string(coil + 1) + (on ? " ON" : " OFF"), result, nullptr);
}

void CDlgMonitoring::OnRepeatTest() {
    if (wiring_.Link == nullptr || !wiring_.ShowRepeatWindow) return;
    wiring_.ShowRepeatWindow();
}

bool CDlgMonitoring::SaveLogTo(const QString& path) {
    const std::string text = SavedLogText(SendList->Lines(), ReceiveList->Lines());
    std::string error;
    if (!WriteFileAtomically(PathOf(path), text, {&error, Korean()})) {
        ShowMessage(FileFailureText(kSaveLogFailed.Pick(Korean()), PathOf(path), error));
        return false;
    }
    lastSaveFolder_ = QFileInfo(path).absolutePath();
    return true;
}

void CDlgMonitoring::SaveLogAs() {
    const bool ko = Korean();
    const QString folder = lastSaveFolder_.isEmpty() ? QDir::homePath() : lastSaveFolder_;
    const QString name = QStringLiteral("frames_%1.txt")
                             .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd_HHmmss")));
    FileDialogOptions options;
    options.Save = true;
    options.Caption = QString::fromUtf8(kSaveLogTitle.Pick(ko));
    options.Folder = folder;
    options.FileName = name;
    options.Filter = QString::fromUtf8(kSaveLogFilter.Pick(ko));
    const QString path = RunFileDialog(this, options);
    if (!path.isEmpty()) SaveLogTo(path);
}

} // namespace velt

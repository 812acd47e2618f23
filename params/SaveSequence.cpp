// The save-to-drive sequence.
#include "params/SaveSequence.h"

#include "base/MessageService.h"
#include "link/DriveMap.h"
#include "link/RtuResult.h"
#include "params/ParamFileActions.h"
#include "params/ParamPage.h"
#include "params/ParamTexts.h"

#include <chrono>
#include <thread>

namespace velt {

namespace {

using namespace std::chrono_literals;

// Between two writes: lets the page repaint its progress and focus mark.
constexpr uint32_t kWriteGapMs = 10;
// After the store command the drive is busy writing its memory; a plain
// pause (no messages dispatched) before reading everything back.
constexpr auto kStorePause = 100ms;

void ShowOk(const SaveHooks& hooks, const std::string& text) {
    if (hooks.message)
        hooks.message(text);
    else
        ShowMessage(text);
}

bool AskToSave(const SaveHooks& hooks, const std::string& details, bool korean) {
    const std::string question = SaveQuestionText(korean);
    if (hooks.confirm) return hooks.confirm(question, details);
    return ShowMessageWithDetails(question, details, MsgButtons::YesNo) == MsgResult::Yes;
}

bool AskToGoOnWithoutBackup(const SaveHooks& hooks, const std::string& reason, bool korean) {
    const std::string question = BackupFailedText(reason, korean);
    if (hooks.confirmWithoutBackup) return hooks.confirmWithoutBackup(question);
    return ShowMessage(question, MsgButtons::YesNo) == MsgResult::Yes;
}

void Progress(const SaveHooks& hooks, int value) {
    if (hooks.progress) hooks.progress(value);
}

void EnableButton(const SaveHooks& hooks, bool on) {
    if (hooks.enableSaveButton) hooks.enableSaveButton(on);
}

void Wait(const SaveHooks& hooks, uint32_t ms) {
    if (hooks.waitWithMessages)
        hooks.waitWithMessages(ms);
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// The values belong to the drive they were read from; the link must still
// be talking to that one. Told and recorded when not.
bool SameDrive(const CDriveLink& link, uint8_t valuesDrive, bool korean, const SaveHooks& hooks,
               SaveResult* result) {
    if (link.DriveId() == valuesDrive) return true;
    result->outcome = SaveOutcome::OtherDrive;
    ShowOk(hooks, OtherDriveText(valuesDrive, link.DriveId(), korean));
    return false;
}

// Step 6: the writes. Returns false at the first refused write (reported,
// progress back to 0, button enabled again).
bool WriteAll(CDriveLink& link, const ParamValues& values, uint8_t valuesDrive, bool korean,
              const SaveHooks& hooks, SaveResult* result) {
    for (int n = 0; n < drive::ParamCount; ++n) {
        if (ParamKind(n) >= 1) {
            if (n >= drive::CommandBlockFirst) break;
            // The page keeps dispatching messages between writes: the link may
            // have been pointed at another drive meanwhile.
            if (!SameDrive(link, valuesDrive, korean, hooks, result)) {
                Progress(hooks, 0);
                EnableButton(hooks, true);
                return false;
            }
            if (hooks.focus) hooks.focus(n);
            const RtuResult code = link.WriteParam(static_cast<uint16_t>(n),
                                                   static_cast<uint16_t>(values[static_cast<size_t>(n)]));
            if (code != RTU_OK) {
                result->outcome = SaveOutcome::WriteFailed;
                result->failedParam = n;
                result->failCode = code;
                ShowOk(hooks, SaveFailureText(n, korean));
                Progress(hooks, 0);
                EnableButton(hooks, true);
                return false;
            }
            Wait(hooks, kWriteGapMs);
        }
        Progress(hooks, n + 1);
    }
    return true;
}

} // namespace

std::string SaveServoOnText(bool korean) {
    return kSaveServoOn.Pick(korean);
}

std::string SaveQuestionText(bool korean) {
    return kSaveQuestion.Pick(korean);
}

std::string SaveFailureText(int param, bool korean) {
    return FillText(kSaveWriteFailed.Pick(korean), {{"{n}", std::to_string(param)}});
}

std::string StoreNotConfirmedText(const std::string& reason, bool korean) {
    return FillText(kStoreNotConfirmed.Pick(korean), {{"{reason}", reason}});
}

std::string OtherDriveText(uint8_t valuesDrive, uint8_t linkDrive, bool korean) {
    return FillText(kSaveOtherDrive.Pick(korean),
                    {{"{from}", std::to_string(valuesDrive)}, {"{now}", std::to_string(linkDrive)}});
}

std::string BackupFailedText(const std::string& reason, bool korean) {
    return FillText(kSaveBackupFailed.Pick(korean), {{"{reason}", reason}});
}

SaveResult SaveAllParameters(CDriveLink& link, const ParamValues& working, uint8_t valuesDrive, bool korean,
                             const SaveHooks& hooks) {
    SaveResult result;
    if (!link.IsConnected()) return result;
    if (!SameDrive(link, valuesDrive, korean, hooks, &result)) return result;
    if ((link.StateRegs()[drive::StateStatus] & drive::StatusServoOn) != 0) {
        result.outcome = SaveOutcome::ServoOn;
        ShowOk(hooks, SaveServoOnText(korean));
        return result;
    }
    // What the question lists is what is written: the page keeps handling
    // messages while the question and the writes run, so `working` may change.
    const ParamValues values = working;
    if (!AskToSave(hooks, ParamDifferencesText(values, ValuesFromRegisters(link.ParamRegs()), korean),
                   korean)) {
        result.outcome = SaveOutcome::NotConfirmed;
        return result;
    }
    EnableButton(hooks, false);

    const ParamValues driveValues = ValuesFromRegisters(link.ParamRegs());
    result.backup = hooks.backup ? hooks.backup(driveValues) : WriteBackupNow(driveValues, korean);
    if (!result.backup.ok && !AskToGoOnWithoutBackup(hooks, result.backup.error, korean)) {
        result.outcome = SaveOutcome::NoBackup;
        EnableButton(hooks, true);
        return result;
    }
    Progress(hooks, 0);

    if (!WriteAll(link, values, valuesDrive, korean, hooks, &result)) return result;

    // A read-back would show the values just written whether or not the
    // drive keeps them: only the command's own result says it took them.
    const RtuResult store = link.WriteParam(drive::CommandRegister, drive::Code(drive::Command::Store));
    if (store != RTU_OK) {
        result.outcome = SaveOutcome::StoreNotConfirmed;
        result.failCode = store;
        ShowOk(hooks, StoreNotConfirmedText(DescribeRtuResult(store), korean));
        Progress(hooks, 0);
        EnableButton(hooks, true);
        return result;
    }
    std::this_thread::sleep_for(kStorePause);
    result.rereadCode = link.ReadAllParams();
    result.outcome = SaveOutcome::Stored;
    Progress(hooks, kSaveProgressMax);
    EnableButton(hooks, true);
    return result;
}

} // namespace velt

// The save-to-drive sequence.
#include "params/SaveSequence.h"

#include "base/MessageService.h"
#include "link/DriveMap.h"
#include "params/Language.h"
#include "params/ParamFileActions.h"
#include "params/ParamPage.h"

#include <chrono>
#include <cstdio>
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

bool AskToSave(const SaveHooks& hooks, const std::string& details) {
    const std::string question = SaveQuestionText();
    if (hooks.confirm) return hooks.confirm(question, details);
    return ShowMessageWithDetails(question, details, MsgButtons::YesNo) == MsgResult::Yes;
}

bool AskToGoOnWithoutBackup(const SaveHooks& hooks, const std::string& reason) {
    const std::string question = BackupFailedText(reason);
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

// Step 6: the writes. Returns false at the first refused write (reported,
// progress back to 0, button enabled again).
bool WriteAll(CDriveLink& link, const ParamValues& values, const SaveHooks& hooks, SaveResult* result) {
    for (int n = 0; n < PARAM_COUNT; ++n) {
        if (ParamTable[n].kind >= 1) {
            if (n >= drive::CommandBlockFirst) break;
            if (hooks.focus) hooks.focus(n);
            const RtuResult code = link.WriteParam(static_cast<uint16_t>(n),
                                                   static_cast<uint16_t>(values[static_cast<size_t>(n)]));
            if (code != RTU_OK) {
                result->outcome = SaveOutcome::WriteFailed;
                result->failedParam = n;
                result->failCode = code;
                ShowOk(hooks, SaveFailureText(n));
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

std::string SaveServoOnText() {
    return IsKoreanLanguage() ? "Servo OFF 후 저장하세요!" : "After You Save Servo OFF";
}

std::string SaveQuestionText() {
    return IsKoreanLanguage() ? "파라메터를 저장 하시겠습니까?" : "Parameter Save ?";
}

std::string SaveFailureText(int param) {
    char text[512];
    if (IsKoreanLanguage())
        std::snprintf(
            text, sizeof text,
            " 파라미터 [%d]번 저장시 Error 가 발생하였습니다. \r\n Min, Max 값 및 통신연결 상태 확인 후 "
            "\r\n 다시 저장 하세요.",
            param);
    else
        std::snprintf(text, sizeof text,
                      " Parameters No.[%d] during storage Error has occurred.\r\n Min, Max values and "
                      "communication connection status check \r\n Save again.",
                      param);
    return text;
}

std::string BackupFailedText(const std::string& reason) {
    if (IsKoreanLanguage())
        return "File Save Error\r\n드라이브 파라미터의 백업 파일을 쓰지 못했습니다.\r\n" + reason +
               "\r\n\r\n백업 없이 파라미터를 저장 하시겠습니까?";
    return "File Save Error\r\nThe backup of the drive's parameters could not be written.\r\n" + reason +
           "\r\n\r\nStore the parameters without a backup?";
}

SaveResult SaveAllParameters(CDriveLink& link, const ParamValues& working, const SaveHooks& hooks) {
    SaveResult result;
    if (!link.IsConnected()) return result;
    if ((link.StateRegs()[drive::StateStatus] & drive::StatusServoOn) != 0) {
        result.outcome = SaveOutcome::ServoOn;
        ShowOk(hooks, SaveServoOnText());
        return result;
    }
    // What the question lists is what is written: the page keeps handling
    // messages while the question and the writes run, so `working` may change.
    const ParamValues values = working;
    if (!AskToSave(hooks, ParamDifferencesText(values, ValuesFromRegisters(link.ParamRegs())))) {
        result.outcome = SaveOutcome::NotConfirmed;
        return result;
    }
    EnableButton(hooks, false);

    const ParamValues driveValues = ValuesFromRegisters(link.ParamRegs());
    result.backup = hooks.backup ? hooks.backup(driveValues) : WriteBackupNow(driveValues);
    if (!result.backup.ok && !AskToGoOnWithoutBackup(hooks, result.backup.error)) {
        result.outcome = SaveOutcome::NoBackup;
        EnableButton(hooks, true);
        return result;
    }
    Progress(hooks, 0);

    if (!WriteAll(link, values, hooks, &result)) return result;

    // The result is not examined: the re-read shows what happened.
    link.WriteParam(drive::CommandRegister, drive::Code(drive::Command::Store));
    std::this_thread::sleep_for(kStorePause);
    result.rereadCode = link.ReadAllParams();
    result.outcome = SaveOutcome::Stored;
    Progress(hooks, kSaveProgressMax);
    EnableButton(hooks, true);
    return result;
}

} // namespace velt

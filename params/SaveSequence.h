#pragma once
// Storing the working copy of all parameters in the drive: the sequence
// behind "All Parameter\nSave", free of any window. The page (or velt-cli)
// supplies hooks for what it shows. User-interface thread; the link's
// operations serialise it with the polling thread.
#include "link/CDriveLink.h"
#include "params/Backup.h"
#include "params/ParFile.h"

#include <cstdint>
#include <functional>
#include <string>

namespace velt {

// Every hook may be left empty: messages and the questions then go through
// ShowMessage, the wait sleeps, the backup is WriteBackupNow, and the
// display hooks do nothing.
struct SaveHooks {
    std::function<void(const std::string&)> message; // plain OK box
    // The save question (Yes/No; true = Yes) with its details: the parameters
    // whose working value differs from the drive's (ParamDifferencesText).
    std::function<bool(const std::string& question, const std::string& details)> confirm;
    // Asked when the backup could not be written (BackupFailedText): true
    // stores without a backup, false ends the save before any write.
    std::function<bool(const std::string&)> confirmWithoutBackup;
    std::function<void(int)> progress;              // 0..150
    std::function<void(int)> focus;                 // parameter number about to be written
    std::function<void(uint32_t)> waitWithMessages; // milliseconds, keeps the windows alive
    std::function<void(bool)> enableSaveButton;
    std::function<BackupResult(const ParamValues&)> backup; // the drive's values before any write
};

enum class SaveOutcome {
    NotConnected, // nothing done, nothing said
    ServoOn,      // refused with its message before the question
    // The values were read from another drive than the one the link talks
    // to now (the drive ID was changed): nothing written, or, when the change
    // came during the writes, nothing more and no store command.
    OtherDrive,
    NotConfirmed, // the user did not answer Yes
    NoBackup,     // the backup failed and the user chose not to go on: nothing written
    WriteFailed,  // a write was refused; failedParam names it; no store command
    // Every parameter written, but the store command failed (failCode): the
    // drive holds the values and has not confirmed keeping them. No re-read.
    StoreNotConfirmed,
    Stored, // every parameter written, the store confirmed, re-read done
};

struct SaveResult {
    SaveOutcome outcome = SaveOutcome::NotConnected;
    int failedParam = -1; // WriteFailed: the parameter number
    RtuResult failCode;   // WriteFailed, StoreNotConfirmed: how the write ended
    RtuResult rereadCode; // Stored: how the final ReadAllParams ended
    BackupResult backup;  // from the backup step, when it ran
};

constexpr int kSaveProgressMax = 150;

// The texts of the sequence.
std::string SaveServoOnText(bool korean);
std::string SaveQuestionText(bool korean);
std::string SaveFailureText(int param, bool korean);
// The values written, the store not confirmed; `reason` names the result.
std::string StoreNotConfirmedText(const std::string& reason, bool korean);
// The values belong to drive `valuesDrive`, the link talks to `linkDrive`.
std::string OtherDriveText(uint8_t valuesDrive, uint8_t linkDrive, bool korean);
// "File Save Error", the reason, and whether to store without a backup.
std::string BackupFailedText(const std::string& reason, bool korean);

// Writes every parameter of kind not 0 below the command block from a copy
// of `working` taken when the question is asked, in number order; then the
// code Store to the command register, a 100 ms pause and a full re-read. A
// store command that fails is told (StoreNotConfirmedText) and ends the
// sequence there. Before
// the first write the drive's values are backed up; when that fails the user
// is asked whether to go on without a backup. The
// caller's `working` may change while the hooks run (the page keeps
// dispatching messages): what was confirmed is what is written. Texts, and
// the names in the backup, in Korean or English by `korean`.
//
// `valuesDrive` is the drive ID the values were read from (and edited for):
// they are never written to another drive (SaveOutcome::OtherDrive).
SaveResult SaveAllParameters(CDriveLink& link, const ParamValues& working, uint8_t valuesDrive, bool korean,
                             const SaveHooks& hooks = {});

} // namespace velt

#pragma once
// The working copy of the drive's parameters: the one owner of the values the
// user edits, of the drive's values as last read, and of which parameters
// differ between the two. The parameter page, the compare window and the
// value dialogs show it and change it only through the operations below;
// velt-cli keeps its parameter set in one too. Nothing is sent to the drive
// from here: storing is the save sequence's (SaveSequence.h).
//
// Not thread-safe: one thread (the user-interface thread in the program)
// owns it. Listeners are called on that thread, after the change, in the
// order they subscribed.
#include "link/DriveMap.h"
#include "params/ParFile.h"
#include "params/ParamCompare.h"
#include "params/ParamPage.h"

#include <bitset>
#include <cstdint>
#include <functional>
#include <vector>

namespace velt {

// Where a change of the working copy came from.
enum class CopySource {
    Read,        // a complete read of the drive: drive values and working copy replaced
    File,        // a parameter file loaded
    Edit,        // a value confirmed in a value dialog
    Controls,    // the page's lists and contact buttons
    Compare,     // rows taken from the compare window
    DriveValues, // the drive's values read for comparing; the working copy stays
};

struct CopyChange {
    CopySource source = CopySource::Edit;
    // The working values the change wrote (whether or not a value differs
    // now); none for DriveValues.
    std::bitset<drive::ParamCount> touched;
};

class ParamWorkingCopy {
public:
    using Listener = std::function<void(const CopyChange&)>;

    const ParamValues& Values() const { return values_; }
    int16_t Value(int n) const { return values_[static_cast<size_t>(n)]; }
    // What the drive reported at its last complete read (all 0 before one).
    const ParamValues& DriveValues() const { return drive_; }
    bool DriveValuesKnown() const { return driveKnown_; }

    // The bold mark of n's Value cell: what the cell shows differs from the
    // drive's last report (for the first register of a pair: either word).
    // False while nothing is known of the drive.
    bool Differs(int n) const;

    // A complete read of all parameters of drive `driveId`: the drive's
    // values and the working copy both become `drive`, and the copy belongs
    // to that drive from now on. A read that failed brings nothing: the
    // caller gathers the values on the side and hands them over only when
    // complete.
    void TakeRead(const ParamValues& drive, uint8_t driveId);
    // The drive the copy belongs to: the one of the last complete read (0
    // before one). Its values are stored into that drive only.
    uint8_t DriveId() const { return driveId_; }
    // True when a value differs from the drive's last report: edits, a file
    // or compare rows not stored yet.
    bool HasUnstoredChanges() const;
    // The drive's values read for another purpose (the compare window): the
    // picture of the drive follows, the working copy stays.
    void TakeDriveValues(const ParamValues& drive);
    // A parameter file read whole: the numbers it names take its values, the
    // others keep theirs.
    void TakeFile(const ParamValues& values, const std::array<bool, drive::ParamCount>& present);
    void TakeFile(const ParamSet& file) { TakeFile(file.values, file.present); }
    // A value dialog's value for n: the low 16 bits, or both words of a pair
    // in its order (StoreEditedValue).
    void StoreEdited(int n, int32_t value);
    // The page's lists and contact buttons into 40..49, 51..54 and 70..73.
    void TakeControls(const PageControls& controls);
    // `from`'s values of the rows; returns the numbers whose value changed.
    std::vector<int> TakeRows(const std::vector<CompareRow>& rows, const ParamSet& from);

    // Calls `listener` after every change. The id unsubscribes; a listener
    // must be gone before anything it refers to.
    int Subscribe(Listener listener);
    void Unsubscribe(int id);

private:
    void Tell(const CopyChange& change);

    ParamValues values_{};
    ParamValues drive_{};
    bool driveKnown_ = false;
    uint8_t driveId_ = 0;
    std::vector<std::pair<int, Listener>> listeners_;
    int nextId_ = 1;
};

} // namespace velt

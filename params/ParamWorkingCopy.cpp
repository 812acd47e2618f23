// The parameter working copy.
#include "params/ParamWorkingCopy.h"

#include "params/ValueEntry.h"

#include <algorithm>

namespace velt {

namespace {
CopyChange All(CopySource source) {
    CopyChange change;
    change.source = source;
    change.touched.set();
    return change;
}
} // namespace

bool ParamWorkingCopy::Differs(int n) const {
    return driveKnown_ && ValueCellDiffers(n, values_, drive_);
}

bool ParamWorkingCopy::HasUnstoredChanges() const {
    return driveKnown_ && values_ != drive_;
}

void ParamWorkingCopy::TakeRead(const ParamValues& drive, uint8_t driveId) {
    drive_ = drive;
    driveKnown_ = true;
    driveId_ = driveId;
    values_ = drive;
    Tell(All(CopySource::Read));
}

void ParamWorkingCopy::TakeDriveValues(const ParamValues& drive) {
    drive_ = drive;
    driveKnown_ = true;
    Tell(CopyChange{CopySource::DriveValues, {}});
}

void ParamWorkingCopy::TakeFile(const ParamValues& values,
                                const std::array<bool, drive::ParamCount>& present) {
    CopyChange change{CopySource::File, {}};
    for (size_t i = 0; i < values.size(); ++i) {
        if (!present[i]) continue;
        values_[i] = values[i];
        change.touched.set(i);
    }
    Tell(change);
}

void ParamWorkingCopy::StoreEdited(int n, int32_t value) {
    if (n < 0 || n >= drive::ParamCount) return;
    StoreEditedValue(n, value, &values_);
    CopyChange change{CopySource::Edit, {}};
    change.touched.set(static_cast<size_t>(n));
    if (EditsPair(n)) change.touched.set(static_cast<size_t>(n + 1));
    Tell(change);
}

void ParamWorkingCopy::TakeControls(const PageControls& controls) {
    TakeValuesFromControls(controls, &values_);
    CopyChange change{CopySource::Controls, {}};
    for (int n = 0; n < drive::ParamCount; ++n)
        if (ShownInPageControls(n)) change.touched.set(static_cast<size_t>(n));
    Tell(change);
}

std::vector<int> ParamWorkingCopy::TakeRows(const std::vector<CompareRow>& rows, const ParamSet& from) {
    std::vector<int> changed = velt::TakeRows(rows, from, &values_);
    CopyChange change{CopySource::Compare, {}};
    for (int n : changed)
        change.touched.set(static_cast<size_t>(n));
    Tell(change);
    return changed;
}

int ParamWorkingCopy::Subscribe(Listener listener) {
    const int id = nextId_++;
    listeners_.emplace_back(id, std::move(listener));
    return id;
}

void ParamWorkingCopy::Unsubscribe(int id) {
    std::erase_if(listeners_, [id](const auto& entry) { return entry.first == id; });
}

void ParamWorkingCopy::Tell(const CopyChange& change) {
    // A listener may subscribe or unsubscribe (itself or another) while it
    // is told: each is looked up again before it is called.
    std::vector<int> ids;
    for (const auto& entry : listeners_)
        ids.push_back(entry.first);
    for (int id : ids) {
        const auto it = std::find_if(listeners_.begin(), listeners_.end(),
                                     [id](const auto& entry) { return entry.first == id; });
        if (it == listeners_.end() || !it->second) continue;
        const Listener listener = it->second; // survives its own unsubscription
        listener(change);
    }
}

} // namespace velt

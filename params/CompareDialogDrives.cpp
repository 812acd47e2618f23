// The compare window's part in the drives of a line: the source entries of
// the other drives and "Back up all drives". User-interface thread; the
// reads run on the window's reader as a drive side's read does.
#include "CompareDialog.h"

#include "base/MessageService.h"
#include "controls/QtText.h"
#include "params/CompareTexts.h"
#include "params/ParamFolders.h"

#include <QComboBox>
#include <QPushButton>

#include <ctime>

namespace velt {

void CompareDialog::FillDriveEntries() {
    otherDrives_ = wiring_.OtherDrives ? wiring_.OtherDrives() : decltype(otherDrives_){};
    const int first = static_cast<int>(Source::OtherDrive);
    for (SideControls& c : Controls) {
        while (c.source->count() > first)
            c.source->removeItem(first);
        for (const auto& [id, name] : otherDrives_)
            c.source->addItem(Qs(OtherDriveHeader(id, name, wiring_.Korean)) + QStringLiteral(" ") +
                              Qs(kReadNowNote.Pick(wiring_.Korean)));
    }
    ShowSide(A);
    ShowSide(B);
}

int CompareDialog::EntryOf(const SideState& state) const {
    if (!state.loaded) return -1;
    if (state.source != Source::OtherDrive) return static_cast<int>(state.source);
    for (size_t k = 0; k < otherDrives_.size(); ++k)
        if (otherDrives_[k].first == state.driveId)
            return static_cast<int>(Source::OtherDrive) + static_cast<int>(k);
    return -1;
}

bool CompareDialog::BackUpAllDrives() {
    CDriveLink* link = wiring_.Link;
    if (link == nullptr || !link->IsConnected()) {
        ShowMessage(kNeedsDrive.Pick(wiring_.Korean));
        return false;
    }
    if (Reading()) return false;
    FillDriveEntries();
    std::vector<uint8_t> ids{link->DriveId()};
    for (const auto& drive : otherDrives_)
        ids.push_back(drive.first);
    const std::filesystem::path folder = BackupFolder(); // the per-user settings: this thread's
    const std::time_t now = std::time(nullptr);
    const bool ko = wiring_.Korean;
    reading_.emplace();
    const bool started = reader_.Start([this, link, ids, folder, now, ko](const std::stop_token&) {
        const std::vector<DriveBackup> backups = BackUpDrives(*link, ids, folder, now, ko);
        QMetaObject::invokeMethod(
            this, [this, backups] { OnBackupsWritten(backups); }, Qt::QueuedConnection);
    });
    if (!started) reading_.reset();
    UpdateActions();
    return started;
}

void CompareDialog::OnBackupsWritten(const std::vector<DriveBackup>& backups) {
    reader_.StopAndWait(); // the body has posted this as its last act
    reading_.reset();
    FillBackupLists();
    UpdateActions();
    ShowMessage(DriveBackupsText(backups, wiring_.Korean));
}

} // namespace velt

#pragma once
// The compare window of the parameter page: two parameter sets side by side,
// each taken from the drive (read on demand), the page's working copy, a
// .par file or a backup. Chosen rows of side B can be taken into the working
// copy; nothing is written to the drive here (that remains "All Parameter
// Save", with its question). Created once by the page, shown and hidden.
//
// User-interface thread only. A drive read runs on a worker thread so that
// the window stays alive; while it runs a BusyScope holds the main window's
// close back, so the link outlives the read.
#include "base/StoppableWorker.h"
#include "controls/BusyScope.h"
#include "link/CDriveLink.h"
#include "params/DriveBackups.h"
#include "params/ParamCompare.h"
#include "params/ParamWorkingCopy.h"

#include <QDialog>

#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QBoxLayout;
class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace velt {

class CompareDialog : public QDialog {
    Q_OBJECT
public:
    // The entries of a side's source list, in this order.
    // OtherDrive: another drive of the line, read by its ID without a
    // change of drive; its entries follow Backup, one per drive.
    enum class Source { Drive, WorkingCopy, File, Backup, OtherDrive };
    enum Side { A = 0, B = 1 };

    // The working copy is shown as a side, takes B's values of chosen rows,
    // and its picture of the drive follows each read of the drive side. It
    // may be null (no working-copy side, nothing to take into); it outlives
    // the window.
    struct Wiring {
        CDriveLink* Link = nullptr; // may be null: no drive side
        ParamWorkingCopy* Copy = nullptr;
        bool Korean = false;
        // The other drives of the line (ID and name; not the drive in use),
        // asked whenever the window opens. May be empty.
        std::function<std::vector<std::pair<uint8_t, std::string>>()> OtherDrives;
    };

    CompareDialog(Wiring wiring, QWidget* parent);
    ~CompareDialog() override; // waits for a drive read in progress

    // Shows the window in front: the backup lists are read again and a
    // working-copy side takes the working copy as it is now.
    void Open();

    // Chooses a side's source and loads it. A file or backup is read whole
    // (`file`; for File without one the file dialog asks). False when the
    // side cannot take it (a damaged file, no drive, Cancel): the message
    // names the reason and the side keeps what it had. A drive read returns
    // true once started; it ends in OnDriveRead.
    // OtherDrive reads drive `driveId`.
    bool ChooseSource(Side side, Source source, const std::filesystem::path& file = {}, uint8_t driveId = 0);
    // Loads both sides again from their sources (the drive is read again).
    void ReadAgain();

    // The selected rows of side B into the working copy.
    void TakeSelected();
    // One backup per drive of the line (the drive in use and OtherDrives),
    // read on the worker thread; the account is told when all are done.
    // False when no drive is connected or a read runs.
    bool BackUpAllDrives();
    // The rows shown (the selected ones when there are) as text: the clipboard
    // gets tab-separated lines, the CSV file is written atomically.
    void CopyToClipboard();
    bool ExportCsvTo(const std::filesystem::path& path);

    bool Reading() const { return reading_.has_value(); }
    const ParamSet& SideSet(Side side) const { return sides_[side].set; }
    bool SideLoaded(Side side) const { return sides_[side].loaded; }
    Source SideSource(Side side) const { return sides_[side].source; }
    uint8_t SideDrive(Side side) const { return sides_[side].driveId; } // of an OtherDrive side
    const std::vector<CompareRow>& ShownRows() const { return shown_; }
    int Differences() const { return differences_; }

    // Tests answer the file dialogs here (the path, or empty for Cancel).
    std::function<QString(bool save, const QString& folder, const QString& filter)> FileDialogAnswer;

    struct SideControls {
        QLabel* caption = nullptr;
        QComboBox* source = nullptr;
        QComboBox* backups = nullptr;
        QPushButton* browse = nullptr;
        QLabel* status = nullptr;
    };
    std::array<SideControls, 2> Controls;
    QCheckBox* OnlyDifferences = nullptr;
    QLabel* DifferenceCount = nullptr;
    QTableWidget* Table = nullptr;
    QProgressBar* ReadProgress = nullptr;
    QPushButton* TakeButton = nullptr;
    QPushButton* CopyButton = nullptr;
    QPushButton* ExportButton = nullptr;
    QPushButton* ReadAgainButton = nullptr;
    QPushButton* BackupAllButton = nullptr;
    QPushButton* CloseButton = nullptr;
    QLabel* Note = nullptr;

public slots:
    void reject() override; // Escape and Close: hide

private:
    struct SideState {
        Source source = Source::WorkingCopy;
        std::filesystem::path file; // File and Backup
        uint8_t driveId = 0;        // OtherDrive
        ParamSet set;
        bool loaded = false;
        QString header; // what the table's column says of it
        QString status;
    };

    void BuildSide(Side side, int row, QGridLayout* grid);
    void BuildButtons(QBoxLayout* layout);
    void FillBackupLists();
    bool LoadFile(Side side, Source source, const std::filesystem::path& file);
    void FillDriveEntries();
    int EntryOf(const SideState& state) const; // the source list's entry of a side's source
    bool StartDriveRead(Side side, uint8_t otherId = 0);
    void OnReadProgress(int registers);
    void OnDriveRead(Side side, RtuResult result, const ParamBlock& regs, uint8_t otherId);
    void OnBackupsWritten(const std::vector<DriveBackup>& backups);
    void OnSourceActivated(Side side, int index);
    void OnBackupActivated(Side side, int index);
    void ShowSide(Side side);
    void Rebuild();
    void UpdateActions();
    // The timer: drive entries and a working-copy side follow the page.
    void FollowPage();
    QString AskFile(bool save, const QString& filter);
    std::vector<CompareRow> RowsForCopy() const;

    const Wiring wiring_;
    std::array<SideState, 2> sides_;
    std::vector<CompareRow> rows_;
    std::vector<CompareRow> shown_;
    int differences_ = 0;
    std::vector<std::pair<uint8_t, std::string>> otherDrives_; // the OtherDrive entries, in order
    std::optional<BusyScope> reading_;                         // while the drive is being read
    int readingFor_ = -1;                                      // the side the read is for
    StoppableWorker reader_;                                   // last: gone before the members it posts to
};

} // namespace velt

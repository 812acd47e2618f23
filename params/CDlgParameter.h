#pragma once
// Parameter page (660 x 337 dialog units): a child page of the
// main window, hidden at start. It shows the working copy of the drive's 144
// parameters (ParamWorkingCopy, handed in by the shell); its lists, radio
// buttons and parameter files change only that copy, as do the value dialogs
// and the compare window, which share it. The drive is changed only by "All
// Parameter Save" (the core's SaveAllParameters), and the copy is refreshed
// from the drive only by a complete parameter read.
//
// User-interface thread only, except PostParamsRead. The read and save
// sequences wait with the event loop running, so the page's other handlers
// (timer, lists, double-clicks, the read button) may run in between; only
// the save button is disabled meanwhile.
#include "controls/GridTypes.h"
#include "link/CDriveLink.h"
#include "params/Backup.h"
#include "params/ParFile.h"
#include "params/ParamPage.h"
#include "params/ParamWorkingCopy.h"
#include "params/SaveSequence.h"

#include <QString>
#include <QTimer>
#include <QWidget>

#include <array>
#include <functional>
#include <string>
#include <utility>
#include <vector>

class QComboBox;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace velt {

class CButtonST;
class CompareDialog;
class CGridCtrl;

class CDlgParameter : public QWidget, public IParamsReadSink {
    Q_OBJECT
public:
    // What the shell hands the page: the drive link (may be null: the page
    // then reads and stores nothing), the working copy (never null; it
    // outlives the page), the language, and the value dialogs, opened on a
    // double-click with the parameter's help text, number and value (hex for
    // the parameters shown as bits).
    struct Wiring {
        CDriveLink* Link = nullptr;
        ParamWorkingCopy* Copy = nullptr;
        bool Korean = false;
        std::function<void(const QString& help, int number, int32_t value, bool hex)> OpenValueDialog;
        // The other drives of the line (ID, name) for the compare window.
        std::function<std::vector<std::pair<uint8_t, std::string>>()> OtherDrives;
    };

    CDlgParameter(Wiring wiring, QWidget* frame);
    ~CDlgParameter() override;

    ParamWorkingCopy& WorkingCopy() const { return *wiring_.Copy; }

    // Asked before the link is pointed at drive `to`. With values not stored
    // in the drive they belong to, the user chooses: store them there first
    // (true once stored), discard them (true; the new drive's read replaces
    // them) or stay (false). False while a read or a store runs.
    bool MayChangeDrive(uint8_t to);

    // Any thread: queues OnParamsRead on the user-interface thread (the
    // parameters-read message). Never blocks.
    void PostParamsRead() override;

    // The connection bar's "Load" and "Save": a file dialog starting in the
    // parameter folder, then the file read into / written from the working
    // copy.
    void LoadParameterFile();
    void SaveParameterFile();
    // The drive's values last read (the link's ParamRegs) into a new backup
    // file. Shows nothing; the save sequence asks when it fails.
    BackupResult WriteBackupFile();

    // The working copy to the lists and contact buttons, and back.
    void ShowValuesInControls();
    void TakeValuesFromControls();

    // Read, Save and the drive entry of the compare window need a connected
    // drive: disabled without one, their tooltip saying why. Called by the
    // refresh timer; the save keeps its button disabled while it runs.
    void UpdateDriveActions();

    // What the file dialogs are asked for. Tests set FileDialogAnswer to
    // answer them (the chosen path, or empty for Cancel) instead of a
    // QFileDialog being shown.
    struct FileDialogRequest {
        bool save = false;
        QString folder;   // where the dialog starts
        QString fileName; // "*.par"
        QString filter;   // "VELT Parameter File(*.par)"
    };
    std::function<QString(const FileDialogRequest&)> FileDialogAnswer;

    int ParamsReadCount = 0; // handled parameters-read messages

    CGridCtrl* ParamGrid = nullptr;
    CButtonST* ReadAllButton = nullptr;
    CButtonST* SaveAllButton = nullptr;
    QComboBox* ControlModeCombo = nullptr;
    QComboBox* CommandFormCombo = nullptr;
    QComboBox* SwitchModeCombo = nullptr;
    QComboBox* SwitchFormCombo = nullptr;
    std::array<QComboBox*, kIoCount> FunctionCombos{}; // IN1..IN8, OUT1..OUT4
    std::array<int32_t, kIoCount> ContactRadio{};      // 1 = "A", 0 = "B"
    std::array<QRadioButton*, kIoCount> ContactA{};
    std::array<QRadioButton*, kIoCount> ContactB{};
    QProgressBar* SaveProgress = nullptr;
    QPushButton* CompareButton = nullptr;
    CompareDialog* CompareWindow = nullptr; // created with the page, shown by "Compare..."

public slots:
    void OnParamsRead();      // the link's parameter block into the working copy
    void RefreshValueCells(); // the 300 ms timer
    // "All Parameter Read": the progress bar follows the blocks as they
    // arrive; the read button is disabled meanwhile. Only a complete read
    // replaces the working copy; a failed one is told and changes nothing.
    void ReadAllParameters();
    void SaveAllParameters(); // "All Parameter Save"
    SaveResult StoreWorkingCopy(bool askFirst);
    void OnGridDoubleClick(int row, int col);
    void OnControlModeChanged();
    void OnCommandFormChanged();
    void OnSwitchModeChanged();
    void OnSelectionChanged(); // switch command form, I/O functions, contact buttons
    void OpenCompare();        // "Compare..."

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateModeLists(bool korean);
    void CreateIoRows(bool korean);
    void CreateButtons(bool korean);
    void CreateGrid(bool korean);
    void CreateCompare(bool korean);
    // The working copy changed: what it wrote is shown at once, in the grid
    // and, for the parameters the left half shows, in its lists and buttons
    // (unless the change came from them).
    void OnCopyChanged(const CopyChange& change);
    void WriteCell(int row, int col, const std::string& text);
    void WriteSlot(int n);
    void FillLists();
    PageControls ReadControls() const;
    void ShowControls(const PageControls& controls);
    QString ChooseFile(bool save);

    const Wiring wiring_;
    int copyListener_ = 0;
    QTimer refreshTimer_;
    GridFont valueFont_; // the grid's font for value cells, and its bold form
    GridFont changedFont_;
    // The mode each form list was last filled for (its entries follow it).
    int commandFormsOf_ = kNoSelection - 1;
    int switchFormsOf_ = kNoSelection - 1;
    bool saving_ = false;  // the save sequence holds the save button disabled
    bool reading_ = false; // "All Parameter Read" is fetching the values
};

} // namespace velt

#pragma once
// Parameter page (660 x 337 dialog units): a child page of the
// main window, hidden at start. It keeps the working copy of the drive's 144
// parameters (ParamValues); its lists, radio buttons, value dialogs and
// parameter files change only that copy. The drive is changed only by "All
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
#include "params/ParamCompare.h"
#include "params/ParamPage.h"

#include <QString>
#include <QTimer>
#include <QWidget>

#include <array>
#include <functional>

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
    // then reads and stores nothing), the language, and the value dialogs,
    // opened on a double-click with the parameter's help text, number and
    // value (hex for the parameters shown as bits).
    struct Wiring {
        CDriveLink* Link = nullptr;
        bool Korean = false;
        std::function<void(const QString& help, int number, int32_t value, bool hex)> OpenValueDialog;
    };

    CDlgParameter(Wiring wiring, QWidget* frame);

    // Any thread: queues OnParamsRead on the user-interface thread (the
    // parameters-read message). Never blocks.
    void PostParamsRead() override;

    // The connection bar's "Load" and "Save": a file dialog starting in the
    // parameter folder, then the file read into / written from ParamValues.
    void LoadParameterFile();
    void SaveParameterFile();
    // The drive's values last read (the link's ParamRegs) into a new backup
    // file. Shows nothing; the save sequence asks when it fails.
    BackupResult WriteBackupFile();

    // ParamValues to the lists and contact buttons, and back.
    void ShowValuesInControls();
    void TakeValuesFromControls();

    // A value confirmed in a value dialog: stored in ParamValues (both words
    // of a pair in their order) and shown at once, in the grid and, for the
    // parameters the left half shows, in its lists and buttons too.
    void StoreEditedValue(int n, int32_t value);

    // Values chosen in the compare window: `from`'s values of the rows into
    // ParamValues, shown at once as StoreEditedValue shows them. Nothing is
    // written to the drive. Returns how many parameters changed.
    int TakeComparedValues(const std::vector<CompareRow>& rows, const ParamSet& from);
    // The drive's values read for the compare window: the page's picture of
    // the drive (DriveValues, the bold marks) follows; ParamValues stay.
    void DriveValuesRead(const velt::ParamValues& values);

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

    velt::ParamValues ParamValues{}; // the working copy, by parameter number
    // What the drive last reported (after each complete read); the grid draws
    // the value cells that differ from it in bold.
    velt::ParamValues DriveValues{};
    bool DriveValuesKnown = false;
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
    void OnParamsRead();      // copies the link's parameter block into ParamValues
    void RefreshValueCells(); // the 300 ms timer
    // "All Parameter Read": the progress bar follows the blocks as they
    // arrive; the read button is disabled meanwhile.
    void ReadAllParameters();
    void SaveAllParameters(); // "All Parameter Save"
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
    void WriteCell(int row, int col, const std::string& text);
    void WriteSlot(int n);
    void FillLists();
    PageControls ReadControls() const;
    void ShowControls(const PageControls& controls);
    QString ChooseFile(bool save);

    const Wiring wiring_;
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
